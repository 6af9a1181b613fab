// What a CDIB does on Windows: drawing into a device context, matching to a
// logical palette, and reading or writing it through the file dialogs or
// the program's resources.
#pragma once

#include "win/framework/gdi.h"

#include <string>

#include "core/image/dib.h"

// StretchDIBits of the whole image onto (x, y, width, height); answers its
// value (scan lines, or the system's error). An empty CDIB draws nothing.
// Shrinking keeps whole pixels: every pixel drawn has a colour of the table.
int DrawStretched(const CDIB& dib, CDC& dc, int x, int y, int width, int height);
// The image 1:1 with its top-left corner at (x, y).
int DrawAt(const CDIB& dib, CDC& dc, int x, int y);
// Puts the whole picture on the clipboard as a device-independent bitmap:
// its header, its colour table and its pixels, as another program pastes
// them. FALSE when the clipboard or the memory could not be had.
BOOL CopyToClipboard(const CDIB& dib, HWND owner);
// Turns every pixel into the index of the palette entry nearest its colour
// and makes the colour table the palette's; FALSE for a null palette.
BOOL MatchToPalette(CDIB& dib, const CPalette* palette);

// Reads path, or a file the user picks when path is null or empty. FALSE
// when the dialog is cancelled or the file cannot be opened or read; then
// *why (when set) says what was wrong with the file, and stays empty for a
// cancelled dialog. colorTableOnly reads the header and colour table alone,
// as a palette needs (CDIB::ReadColorTable).
BOOL LoadFromPath(CDIB& dib, const char* path, const char* defaultExtension, std::string* why = nullptr,
                  bool colorTableOnly = false);
// Takes the bitmap from a resource of type "DIB"; the pixels stay in the
// resource's memory, made writable first.
BOOL LoadFromResource(CDIB& dib, UINT resourceId);
