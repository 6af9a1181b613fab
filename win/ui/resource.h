// Resource ids of the program: menus, dialogs, strings, commands, controls.
#pragma once

// The framework's standard ids, which the menus and strings use too.
#include "win/framework/ids.h"

// Menus, accelerators, icons and document strings share these.
#define IDR_MAINFRAME 128
#define IDR_SETTYPE 129
#define IDR_PALETTETYPE 130

#define IDD_ABOUTBOX 100
#define IDD_PERFORMANCE 138
#define IDD_REGION 140
#define IDD_DISCLAIMER 151

#define IDC_ITERATIONS 1000
#define IDC_IMAGE_WIDTH 1001
#define IDC_IMAGE_HEIGHT 1002
#define IDC_UPPER_LEFT_REAL 1007
#define IDC_NOISE 1009
#define IDC_EXPONENT 1010
#define IDC_UPPER_LEFT_IMAG 1011
#define IDC_LOWER_RIGHT_REAL 1012
#define IDC_LOWER_RIGHT_IMAG 1013

#define ID_OPTIONS_PERFORMANCE 32784
#define ID_OPTIONS_REGION 32785
#define ID_FILE_SAVE_PALETTE 32803
#define ID_VIEW_PALETTE 32805
#define ID_FILE_LOAD_PALETTE 32808
#define ID_AUTO_COLOR_ASSIGN 32813
#define ID_PALETTE_GRAY 32816
#define ID_PALETTE_FATIGUES 32820
#define ID_FILE_SAVE_IMAGE 32821
#define ID_PALETTE_EDGE 32824
#define ID_PALETTE_FIRE 32825
#define ID_PALETTE_JUNGLE 32828
