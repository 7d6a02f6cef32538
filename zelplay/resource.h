// Resource and control ids of the player, grouped by dialog; usable from .rc files.
#pragma once

// ---- main window: menu 105, icons, hand cursor ----
#define IDR_MAIN_MENU 105
#define IDI_PLAYER 107
#define IDI_PLAYER_SMALL 109
#define IDC_HAND_CURSOR 103

#define IDM_OPEN_QUESTION 40001
#define IDM_QUIT 40002
#define IDM_HELP 40004
#define IDM_ABOUT 40006
#define IDM_EDIT_QUESTION 40007
#define IDM_FULL_SCREEN 40008
#define IDM_OPEN_SET 40009
#define IDM_EDIT_SET 40010
#define IDM_STOP_BGM 40011
#define IDM_EDIT_TITLE 40012
#define IDM_OPEN_BGM 40013
#define IDM_SCORE_LINE 40014
#define IDM_SAVER_OFF 40015
#define IDM_RESET 40016
#define IDM_TALLY 40017

// ---- dialog 120: the tally (its text box and save button are the report dialog's) ----
#define IDD_TALLY 120
#define IDC_TALLY_CHOOSE 1203
#define IDC_TALLY_FOLDER 1204
#define IDC_TALLY_CLEAR 1205
#define IDC_TALLY_EVENT 1601   // 行事名: heads the report and its file names
#define IDC_TALLY_FROM 1602    // 期間 from "YYYY-MM-DD [HH]"
#define IDC_TALLY_TO 1603      // 期間 to
#define IDC_TALLY_KIOSKS 1604  // kiosks to count, separated by 、 or commas; empty: all
#define IDC_TALLY_APPLY 1605   // この条件で集計
#define IDC_TALLY_LABEL 1606

// ---- dialog 106: set editor ----
#define IDD_SET_EDITOR 106
#define IDC_SET_QUESTION_LIST 1001
#define IDC_SET_TITLE 1002
#define IDC_SET_SAVE 1003
#define IDC_SET_MUSIC_BROWSE 1004
#define IDC_SET_MUSIC 1005
#define IDC_SET_CLOSE 1006
#define IDC_SET_FULL_SCREEN 1007
#define IDC_SET_UP 1008
#define IDC_SET_DOWN 1009
#define IDC_SET_OPEN 1010
#define IDC_SET_ADD 1011
#define IDC_SET_REMOVE 1012
#define IDC_SET_QUESTION_FONT 1013
#define IDC_SET_BACK_COLOUR 1014
#define IDC_SET_TITLE_FONT 1015
#define IDC_SET_TEXT_COLOUR 1016
#define IDC_SET_TEXT_SWATCH 1017
#define IDC_SET_SND_ST_BROWSE 1018
#define IDC_SET_SND_ST 1019
#define IDC_SET_DAILY_LOG 1020
#define IDC_SET_BACK_SWATCH 1021
#define IDC_SET_SND_ED 1022
#define IDC_SET_SND_ED_BROWSE 1023
#define IDC_SET_PICTURE 1024
#define IDC_SET_PICTURE_BROWSE 1025
#define IDC_SET_PICTURE_X 1026
#define IDC_SET_SND_BK 1027
#define IDC_SET_SND_BK_BROWSE 1028
#define IDC_SET_SND_MX 1029
#define IDC_SET_SND_MX_BROWSE 1030
#define IDC_SET_SND_MD 1031
#define IDC_SET_SND_MD_BROWSE 1032
#define IDC_SET_SND_MN 1033
#define IDC_SET_SND_MN_BROWSE 1034
#define IDC_SET_PICTURE_Y 1035
#define IDC_SET_PICTURE_Y_LABEL 1036
#define IDC_SET_PICTURE_ZOOM 1037
#define IDC_SET_WALLPAPER 1038
#define IDC_SET_WALLPAPER_BROWSE 1039
#define IDC_SET_IDLE_MINUTES 1040
#define IDC_SET_SAVER_OFF 1041
#define IDC_SET_VISIT_LOG 1042
#define IDC_SET_KIOSK 1043
#define IDC_SET_LOG_FOLDER 1044
#define IDC_SET_LOG_FOLDER_BROWSE 1045
#define IDC_SET_DIST_FOLDER 2000         // 配布フォルダー (DISTDIR)
#define IDC_SET_DIST_FOLDER_BROWSE 2001
#define IDC_SET_LABEL 65535

// ---- test mode: the jump menu's items, one per result row ----
#define IDM_JUMP_FIRST 41000
#define IDM_JUMP_LAST 41999

// ---- dialog 125: staff settings of a set (exit PIN, idle times), opened from the set editor ----
#define IDC_SET_STAFF 1080
#define IDC_SET_BUNDLE 1600  // フォルダーにまとめる
#define IDD_SET_STAFF 125
#define IDD_SET_CARD 160
#define IDC_SET_CARD 1700
#define IDC_CARD_MODE 1701
#define IDC_CARD_PRINTER 1702
#define IDC_CARD_PAPER 1703
#define IDC_STAFF_PIN 1081
#define IDC_STAFF_PIN_STATE 1082
#define IDC_STAFF_PIN_CLEAR 1083
#define IDC_STAFF_IDLE_SECONDS 1084
#define IDC_STAFF_IDLE_FIRST 1085
#define IDC_STAFF_RESULT_SECONDS 1086
#define IDC_STAFF_PROGRESS 1087

// ---- dialog 130: キオスクの状態 (every kiosk's status file in the log folder) ----
#define IDD_KIOSK_STATUS 130
#define IDC_KIOSK_LIST 1300
#define IDC_KIOSK_FOLDER 1301
#define IDC_KIOSK_REFRESH 1302
#define IDM_KIOSK_STATUS 42100
#define IDM_PC_KIOSK_NAME 42101
// The set editor's settings for every visitor (dialog 140).
#define IDD_SET_ACCESS 140
#define IDC_SET_ACCESS 1500
#define IDC_ACCESS_NUMBERS 1501
#define IDC_ACCESS_KEYS 1502
#define IDC_ACCESS_SCAN 1503
#define IDC_ACCESS_BACK 1504
#define IDC_ACCESS_SPEAK 1505
#define IDC_ACCESS_ASK 1506
