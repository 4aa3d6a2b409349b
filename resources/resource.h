// Resource and command identifiers, shared by Cairnkeep.rc and the code.
#pragma once

#define IDI_CAIRNKEEP 1
#define IDI_ABOUT 2
#define IDR_HANDCURSOR 3
#define IDR_MAINMENU 100
#define IDR_TRAYMENU 101
#define IDD_ABOUT 102
#define IDR_ACCELERATORS 103
#define IDD_HISTORY 104

// Menu commands. The tray menu's items are "System Tray Popup"'s children and
// never appear on the menu bar.
#define IDM_FILE_START 200
#define IDM_FILE_EXIT 201
#define IDM_HELP_ABOUT 202
#define IDM_TRAY_RESTORE 203
#define IDM_TRAY_EXIT 204
#define IDM_FILE_KEEP 205
#define IDM_FILE_HISTORY 206

// Controls of the main window, in tab order.
#define IDC_CMDSTART 1000
#define IDC_LABEL1 1001
#define IDC_TXTSAVEDIR 1002
#define IDC_LABEL2 1003
#define IDC_STATUSBAR1 1004
#define IDC_TXTINTERVAL 1005
#define IDC_UDINTERVAL 1006
#define IDC_LABEL3 1007
#define IDC_TXTNUMBACKUP 1008
#define IDC_UDBACKUP 1009
#define IDC_LABEL4 1010
#define IDC_FILE1 1011

// Controls of the About box, in tab order; cmdOK is IDOK, the default and
// cancel button.
#define IDC_PICICON 1100
#define IDC_CMDSYSINFO 1101
#define IDC_LBLDESCRIPTION 1102
#define IDC_LBLTITLE 1103
#define IDC_LBLVERSION 1104
#define IDC_ABOUTLABEL1 1105
#define IDC_LBLEMAIL 1106

// Controls of the history window, in tab order; its Restore button is IDOK,
// and Close is IDCANCEL.
#define IDC_HISTORYLABEL 1200
#define IDC_CHARACTERS 1201
#define IDC_STATES 1202
#define IDC_KEEP 1203
