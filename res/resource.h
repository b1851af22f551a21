// Resource identifiers: dialog templates, controls, menu commands, bitmaps,
// icons and string-table entries.  Controls are named by these numbers
// everywhere; the layout table in res/ gives their kinds and places.
#pragma once

// Dialog templates
#define IDD_MAIN 10   // the main window
#define IDD_ABOUT 103 // the About box
#define IDR_MAIN 101  // the main window's menu

// Main window controls
#define IDC_PLAY 15    // Play/Stop button
#define IDC_FORMULA 11 // formula box
#define IDC_EXIT 1006  // Exit button
#define IDC_SINE_CHECK 1008
#define IDC_SINE_AMPLITUDE 1009
#define IDC_SINE_PHASE 1010
#define IDC_SQUARE_CHECK 1011
#define IDC_HEAD_WAVE 1012
#define IDC_HEAD_AMPLITUDE 1013
#define IDC_HEAD_FREQUENCY 1014
#define IDC_HEAD_PHASE 1015
#define IDC_DATA_COUNT_LABEL 1016
#define IDC_SAWTOOTH_CHECK 1017
#define IDC_VOLUME_LIST 1019
#define IDC_TRIANGLE_CHECK 1020
#define IDC_VOLUME_GROUP 1024
#define IDC_OFFSET_CHECK 1025
#define IDC_FORMULA_LABEL 1028
#define IDC_SQUARE_AMPLITUDE 1032
#define IDC_SAWTOOTH_AMPLITUDE 1033
#define IDC_TRIANGLE_AMPLITUDE 1034
#define IDC_OFFSET_AMPLITUDE 1035
#define IDC_SINE_FREQUENCY 1036
#define IDC_SQUARE_PHASE 1037
#define IDC_SINE_ICON 1038
#define IDC_SQUARE_ICON 1039
#define IDC_SAWTOOTH_ICON 1040
#define IDC_TRIANGLE_ICON 1041
#define IDC_OFFSET_ICON 1042
#define IDC_DATA_OPTION 1043
#define IDC_SQUARE_FREQUENCY 1044
#define IDC_SAWTOOTH_FREQUENCY 1045
#define IDC_TRIANGLE_FREQUENCY 1046
#define IDC_DATA_PATH 1048
#define IDC_DATA_COUNT 1049
#define IDC_APPLY 1051
#define IDC_CHOOSE_FILE 1052
#define IDC_DATA_DIRECTION 1058
#define IDC_SAWTOOTH_PHASE 1059
#define IDC_TRIANGLE_PHASE 1060
#define IDC_STATUS 1065
#define IDC_VOLUME_TRACKBAR 1007
#define IDC_STATIC -1 // controls without an identifier

// About box controls
#define IDC_ABOUT_VERSION 1003
#define IDC_ABOUT_NAME 1004
#define IDC_ABOUT_RIGHTS 1005
#define IDC_ABOUT_LINK 1006
#define IDC_ABOUT_OK 1 // IDOK

// Menu commands
#define IDM_EXIT 40003
#define IDM_ABOUT 40004
#define IDM_HELP 40005
#define IDM_VOLUME 40006

// Bitmaps
#define IDB_EXIT 109        // running figure, 終了
#define IDB_STOP 142        // stop sign, 停止
#define IDB_PLAY 143        // loudspeaker, 再生
#define IDB_CHOOSE_FILE 145 // open folder, ファイル選択

// Icons
#define IDI_APP 104 // one cycle of a sine wave
#define IDI_OFFSET 118
#define IDI_SQUARE 119
#define IDI_TRIANGLE 120
#define IDI_SINE 122
#define IDI_SAWTOOTH 124

// String-table entries
#define IDS_VERSION 1      // "version 0.5.6"
#define IDS_RIGHTS 3       // rights notice
#define IDS_APP_NAME 4     // "Tonalix"
#define IDS_HOME_PAGE 5    // address the About link opens
#define IDS_LINK_CAPTION 6 // caption of the About link

// Timer
#define IDT_PLAYBACK 6 // the playback timer
