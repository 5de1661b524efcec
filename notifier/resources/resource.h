// Resource identifiers of qptn.exe, the one definition: the resource script,
// the Win32 code and the portable enums all use these.
#pragma once

#define IDI_APPLICATION_QP 107
#define IDI_NO_MAIL 108
#define IDI_UNREAD 109
#define IDI_NEW_MAIL 157
#define IDI_CHECK_1 136
#define IDI_CHECK_2 137
#define IDI_CHECK_3 138
#define IDI_CHECK_4 139
#define IDI_CHECK_5 140

#define IDR_TRAY_MENU 129
#define IDR_ACCOUNT_MENU 161

#define ID_EXIT 32771
#define ID_SETTINGS 32772
#define ID_CHECK_NOW 32774
#define ID_SHOW_NEW 32785
#define ID_LAUNCH 32787
#define ID_PAUSE 32800
#define ID_ACCOUNT_0 32790
#define ID_ACCOUNT_1 32791
#define ID_ACCOUNT_2 32792
#define ID_ACCOUNT_3 32793
#define ID_ACCOUNT_4 32794
#define ID_ACCOUNT_5 32795
#define ID_ACCOUNT_6 32796
#define ID_ACCOUNT_7 32797
#define ID_ACCOUNT_8 32798
#define ID_ACCOUNT_9 32799

// The popup's bitmaps (sizes and roles in notifier/popup/popup_art.h).
#define IDB_POPUP_FOOTER 130
#define IDB_POPUP_FOOTER_BAND 131
#define IDB_POPUP_HEADER_BAND 132
#define IDB_POPUP_HEADER 133
#define IDB_POPUP_LOGO 135
#define IDB_POPUP_REPLY 143
#define IDB_POPUP_REPLY_ALL 147
#define IDB_POPUP_FORWARD 148
#define IDB_POPUP_DELETE 149
#define IDB_POPUP_ATTACHMENT 150
#define IDB_POPUP_PREVIOUS 151
#define IDB_POPUP_NEXT 153
#define IDB_POPUP_CLOSE 158
#define IDB_DIALOG_HELP 159  // the dialogs' help image
#define IDB_POPUP_MARK_READ 162
#define IDB_POPUP_MARK_SPAM 163

// The dialogs: the settings dialog, the account dialog and the confirmation.
#define IDD_SETTINGS 134
#define IDD_ACCOUNT 141
#define IDD_CONFIRM 160

// Controls of the settings dialog.
#define IDC_ADD_ACCOUNT 1000
#define IDC_RUN_AT_LOGIN 1001
#define IDC_CHECK_EVERY 1002
#define IDC_SHOW 1003
#define IDC_DISPLAY_FOR 1007
#define IDC_MAILTO_LINKS 1009
#define IDC_NOTICE 1010
#define IDC_CHECK_EVERY_LABEL 1011
#define IDC_DISPLAY_FOR_LABEL 1012
#define IDC_SHOW_LABEL 1013
#define IDC_ALERT_SOUND 1014

// Controls of the account dialog.
#define IDC_AUTHENTICATING 1003
#define IDC_AUTH_ERROR 1004
#define IDC_ADDRESS 1005
#define IDC_PASSWORD 1006

// Made at run time in both larger dialogs: the header's logo and help
// image as buttons. (The settings dialog's account rows take 1020 to 1049.)
#define IDC_LOGO_LINK 1050
#define IDC_HELP_LINK 1051
