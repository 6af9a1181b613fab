// The one way Windows translation units reach <windows.h>: included before
// any core header, so that the core's own Win32 type definitions stand aside.
#pragma once

#ifdef TINDRAL_OWN_WINGDI_TYPES
#error "win/framework/win32.h must be included before any core header"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef STRICT
#define STRICT
#endif
#include <windows.h>
// The rest need <windows.h> before them.
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
