// Resource identifiers shared by Velmo.rc and the code.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_VELMO_DIALOG 102
#define IDD_DLG_SHOW 131
#define IDD_HISTORY 157
#define IDD_PAINT 160
#define IDC_PEN 161
#define IDC_PREVIEW_FRAME 1011
#define IDC_CAMERA_LIST 1012

#define IDM_ABOUTBOX 0x0010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
