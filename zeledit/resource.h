// Resource, control and command ids of the editor, grouped by dialog; shared by the code and zeledit.rc.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Icons: the class icon and the small one set on the main dialog.
#define IDI_ZELEDIT 107
#define IDI_ZELEDIT_SMALL 108

// Popup menus of the two list views and their commands.
#define IDM_QUESTION_POPUP 102
#define IDM_RESULT_POPUP 105
#define ID_QUESTION_ADD 40001
#define ID_QUESTION_MODIFY 40002
#define ID_QUESTION_DELETE 40003
#define ID_RESULT_ADD 40004
#define ID_RESULT_MODIFY 40005
#define ID_RESULT_DELETE 40006

// Dialog 101: the main dialog.
#define IDD_MAIN 101
#define IDC_MAIN_TITLE 1001
#define IDC_MAIN_QUESTIONS 1024
#define IDC_MAIN_QUESTION_UP 1022
#define IDC_MAIN_QUESTION_DOWN 1023
#define IDC_MAIN_QUESTION_ADD 3
#define IDC_MAIN_QUESTION_MODIFY 10
#define IDC_MAIN_QUESTION_DELETE 4
#define IDC_MAIN_HEADER 1033
#define IDC_MAIN_FOOTER 1034
#define IDC_MAIN_FONT_QUESTION 1040
#define IDC_MAIN_FONT_ANSWER 1042
#define IDC_MAIN_FONT_HEADER 1041
#define IDC_MAIN_RESULTS 1000
#define IDC_MAIN_RESULT_UP 1016
#define IDC_MAIN_RESULT_DOWN 1017
#define IDC_MAIN_RESULT_ADD 11
#define IDC_MAIN_RESULT_MODIFY 6
#define IDC_MAIN_RESULT_DELETE 7
#define IDC_MAIN_TOP_ROW 1037
#define IDC_MAIN_BOTTOM_ROW 1038
#define IDC_MAIN_ROUND_UP 1055
#define IDC_MAIN_FONT_COMMENT 1052
#define IDC_MAIN_WALLPAPER 1053
#define IDC_MAIN_WALLPAPER_BROWSE 1054
#define IDC_MAIN_SND_START 1019
#define IDC_MAIN_SND_START_BROWSE 1018
#define IDC_MAIN_SND_JUDGE 1043
#define IDC_MAIN_SND_JUDGE_BROWSE 1044
#define IDC_MAIN_SND_BACK 1027
#define IDC_MAIN_SND_BACK_BROWSE 1045
#define IDC_MAIN_SND_HIGH 1046
#define IDC_MAIN_SND_HIGH_BROWSE 1047
#define IDC_MAIN_SND_MIDDLE 1048
#define IDC_MAIN_SND_MIDDLE_BROWSE 1049
#define IDC_MAIN_SND_LOW 1050
#define IDC_MAIN_SND_LOW_BROWSE 1051
#define IDC_MAIN_OPEN 1006
#define IDC_MAIN_SAVE 5
#define IDC_MAIN_HELP 8
#define IDC_MAIN_VERSION 9
#define IDC_MAIN_QUIT 1010
#define IDC_MAIN_RESULT_CHECK 1060
#define IDC_MAIN_PREVIEW 1061

// Menu bar of dialog 101 and the keys of its commands (the other items send the buttons' ids).
#define IDM_MAIN 111
#define IDA_MAIN 112
#define ID_FILE_NEW 40010
#define ID_FILE_SAVE 40011
#define ID_FILE_BUNDLE 40150  // フォルダーにまとめる
#define ID_EDIT_UNDO 40012
#define ID_EDIT_REDO 40013
#define ID_FILE_RECENT_SEPARATOR 40019
#define ID_FILE_RECENT_FIRST 40020  // to 40027: the recent files, newest first
// The preview's size, in the order the 試す menu lists them.
#define ID_PREVIEW_SIZE_1024 40030
#define ID_PREVIEW_SIZE_1280 40031
#define ID_PREVIEW_SIZE_1920 40032
#define ID_PREVIEW_SIZE_FULL 40033
#define ID_PREVIEW_SIZE_FIRST ID_PREVIEW_SIZE_1024

// ---- dialog 110: the result check (its text box and save button are the report dialog's) ----
#define IDD_RESULT_CHECK 110

// Dialog 103: one question and its answers.
#define IDD_QUESTION 103
#define IDC_QUESTION_TEXT 1001
#define IDC_QUESTION_ANSWER1 1005
#define IDC_QUESTION_ANSWER2 1007
#define IDC_QUESTION_ANSWER3 1008
#define IDC_QUESTION_ANSWER4 1009
#define IDC_QUESTION_ANSWER5 1011
#define IDC_QUESTION_POINTS1 1018
#define IDC_QUESTION_POINTS2 1019
#define IDC_QUESTION_POINTS3 1020
#define IDC_QUESTION_POINTS4 1021
#define IDC_QUESTION_POINTS5 1025
#define IDC_QUESTION_PICTURE 1026
#define IDC_QUESTION_BROWSE 1032
#define IDC_QUESTION_X 1042
#define IDC_QUESTION_Y 1043
#define IDC_QUESTION_OK 1038
#define IDC_QUESTION_CANCEL 1039

// Dialog 104: one result.
#define IDD_RESULT 104
#define IDC_RESULT_TITLE 1013
#define IDC_RESULT_COMMENT 1015
#define IDC_RESULT_PICTURE 1026
#define IDC_RESULT_BROWSE 1032
#define IDC_RESULT_X 1001
#define IDC_RESULT_Y 1002
#define IDC_RESULT_X_LABEL 1030
#define IDC_RESULT_Y_LABEL 1031
#define IDC_RESULT_OK 1038
#define IDC_RESULT_CANCEL 1039
// Ranges of totals per result row: the result dialog's fields and the main dialog's 均等に分ける.
#define IDC_MAIN_EVEN_SPLIT 1400
#define IDC_RESULT_RANGE_FROM 1401
#define IDC_RESULT_RANGE_TO 1402
#define IDC_CHECK_EVEN_SPLIT 1403
#define IDC_RESULT_QR 1700
#define IDC_RESULT_QR_HINT 1701

// Type scoring: the question dialog's type links per answer, and dialog 170 (採点の方法).
#define IDC_QUESTION_TYPES1 1800
#define IDC_QUESTION_TYPES2 1801
#define IDC_QUESTION_TYPES3 1802
#define IDC_QUESTION_TYPES4 1803
#define IDC_QUESTION_TYPES5 1804
#define IDD_SCORING 170
#define IDC_SCORING_TOTAL 1810
#define IDC_SCORING_TYPES 1811
#define IDC_SCORING_TIE 1812
#define ID_EDIT_SCORING 40300
#define IDC_CHECK_FROM_LOGS 1820  // 結果の確認: 実際の回答から予測
