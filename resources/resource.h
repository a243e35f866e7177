// Resource and control identifiers, shared by the resource script and the code.
#pragma once

// Resources
#define IDI_APP 1001
#define IDB_BACKGROUND 1002
#define IDR_TOOL 1004
// A second raw-data resource: ffmpeg, in builds that carry one (a bitmap has 1005 too,
// but resource ids count per type).
#define IDR_FFMPEG 1005
// A third: a JavaScript runtime (node.exe or deno.exe), in builds that carry one.
#define IDR_JSRUNTIME 1006
#define IDB_PROGRESS 1005
#define IDB_ABOUT_TAB 1006
#define IDB_MINIMIZE_TAB 1007
#define IDD_ABOUT 1008
#define IDB_ABOUT_PICTURE 1009
#define IDA_KEYS 1010

// Main window: static texts
#define IDC_URL_LABEL 2000
#define IDC_DEST_LABEL 2001
#define IDC_STATUS_LABEL 2002
#define IDC_STATUS 2003
#define IDC_FORMAT_INFO 2004

// Main window: edit boxes
#define IDC_URL_EDIT 3000
#define IDC_DEST_EDIT 3001

// Main window: buttons and picture tabs
#define IDC_PASTE 4000
#define IDC_SAVE 4001
#define IDC_START 4002
#define IDC_PAUSE 4003
#define IDC_ABOUT_TAB 4004
#define IDC_MINIMIZE_TAB 4005

// Main window: progress bar
#define IDC_PROGRESS_FRAME 5000
#define IDC_PROGRESS_FILL 5001

// Window menu (the system menu): below 0xF000, and the low four bits clear, since the
// system uses those bits in WM_SYSCOMMAND.
#define IDM_TOOL_UPDATE 0x0110
#define IDM_TOOL_CHOOSE 0x0120
#define IDM_TOOL_BUILT_IN 0x0130
#define IDM_TOOL_STATUS 0x0140
#define IDM_FFMPEG_CHOOSE 0x0150
#define IDM_FFMPEG_STATUS 0x0160
#define IDM_RUNTIME_CHOOSE 0x0170
#define IDM_RUNTIME_NONE 0x0180
#define IDM_RUNTIME_STATUS 0x0190
// Signing in where a site asks who you are.
#define IDM_SIGNIN_FIREFOX 0x0210
#define IDM_SIGNIN_FILE 0x0220
#define IDM_SIGNOUT 0x0230
#define IDM_SIGNIN_STATUS 0x0240

// Window menu: the picture tabs' commands, in a block of their own.
#define IDM_ABOUT 0x0A00
#define IDM_MINIMIZE 0x0A10

// Keys (IDA_KEYS): Alt+P, Alt+S, Alt+T and Alt+U send their buttons' ids; Ctrl+V its own.
#define IDK_CTRL_V 4010

// About box
#define IDC_ABOUT_PICTURE 6000
