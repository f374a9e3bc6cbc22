// Resource and command ids of the main window, shared by the .rc script and the code.
#pragma once

#define IDI_ORVANEL 107
#define IDI_SMALL 108
#define IDR_MAINMENU 109
#define IDS_APP_TITLE 103
#define IDC_ORVANEL 109

#define IDM_OPEN 0
#define IDM_PLAY 1
#define IDM_CLOSE 2
#define IDM_PANIC 3
#define IDM_LOOPMODE 4
#define IDM_AUTOPLAY 5
#define IDM_LISTVIEW 6
#define IDM_BREAK 7
#define IDM_SETTINGS 8
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDM_HISTORY_FIRST 5963
#define IDM_README 32774
#define IDM_SKIN 32788

#define ORVANEL_VERSION_TEXT "0.1.0"
#define ORVANEL_VERSION_BINARY 0, 1, 0, 0
