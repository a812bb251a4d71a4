// Resource identifiers shared by VelmoDesk.rc and the code.
#pragma once

#define IDR_DESK 128
#define IDD_DESK 200
#define IDD_DESK_RECORD 201
#define IDC_PREVIOUS 1001
#define IDC_TODAY 1002
#define IDC_NEXT 1003
#define IDC_DATE 1004
#define IDC_PRINT 1005
#define IDC_EXPORT 1006
#define IDC_COUNTS 1007
#define IDC_BANNER 1008
#define IDC_GRID_SCROLL 1009

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
