// Resource and control ids of the Windows program, for the resource compiler. The C++ code
// takes them from app/ResourceIds.h; main.cpp checks that the two agree.
// %Z% Corvane QX1003:02 resource.h $Revision: 1.1 $

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDM_ABOUTBOX 0x0010

#define IDC_START 1002
#define IDC_MESSAGE 1003
#define IDC_STATUS 1004
#define IDC_RECORD 1005
#define IDC_AUX 1006
#define IDC_INVIEW_LIST 1008

#include "app/AlertSoundIds.h"

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
