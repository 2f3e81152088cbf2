#pragma once
// Fixed resource and command ids of the program.

namespace ids {

// Icons, bitmaps, menus, toolbars, accelerators, document template.
constexpr unsigned IDR_MAINFRAME = 128;
constexpr unsigned IDR_CONTEXTMENUS = 167;
constexpr unsigned IDI_DEFAULTITEM = 171;
constexpr unsigned IDI_DOWN = 132;
constexpr unsigned IDI_UP = 135;
constexpr unsigned IDB_SPLASH = 217;

// Strings.
constexpr unsigned IDS_THEME_FILTER = 129;
constexpr unsigned IDS_THEMES_FOLDER = 130;
constexpr unsigned IDS_FAVORITES = 131;
constexpr unsigned IDS_FIRST_THEME = 132;
constexpr unsigned IDS_THEME_EXT = 134;
constexpr unsigned IDS_THEME_CORRUPT = 135;
constexpr unsigned IDS_THEME_SAVE_FAILED = 136;
constexpr unsigned IDS_NOT_CONNECTED = 5000;
constexpr unsigned IDS_TARGET_FILTER = 1000;
constexpr unsigned IDS_BITMAP_FILTER = 1001;
constexpr unsigned IDS_NAME_TARGET_REQUIRED = 1002;
constexpr unsigned IDS_FILE_NAME_REQUIRED = 1003;
constexpr unsigned IDS_ICON_FILTER = 1004;
constexpr unsigned IDS_NO_ICON = 1005;
constexpr unsigned IDS_TAB_PROPERTIES = 5506;
constexpr unsigned IDS_DELETE_TAB = 5507;
constexpr unsigned IDS_DELETE_ITEM = 5513;
constexpr unsigned IDS_NO_DEFAULT_PROVIDER = 5514;
constexpr unsigned IDS_BAD_VERSION = 5515;
// Timer bar labels and the text that sizes its time panes.
constexpr unsigned IDS_TIMER_TODAY = 5501;
constexpr unsigned IDS_TIMER_WIDTH = 5504;
constexpr unsigned IDS_TIMER_SESSION = 5508;
constexpr unsigned IDS_TIMER_WEEK = 5509;
constexpr unsigned IDS_TIMER_MONTH = 5510;
constexpr unsigned IDS_TIMER_YEAR = 5511;
constexpr unsigned AFX_IDS_APP_TITLE = 57344;
constexpr unsigned AFX_IDS_IDLEMESSAGE = 57345;
constexpr unsigned AFX_IDS_OPENFILE = 61440;
constexpr unsigned AFX_IDS_SAVEFILE = 61441;
constexpr unsigned AFX_IDS_UNTITLED = 61443;
constexpr unsigned AFX_IDS_SAVEFILECOPY = 61444;
constexpr unsigned AFX_IDP_ASK_TO_SAVE = 61699;
constexpr unsigned IDP_ASK_TO_REPLACE = 61760;
constexpr unsigned IDS_CANNOT_START = 5530;

// Commands.
constexpr unsigned ID_NEW_TAB = 32772;
constexpr unsigned ID_NEW_ITEM = 32773;
constexpr unsigned ID_CONNECT = 32774;
constexpr unsigned ID_CUSTOMIZE = 32775;
constexpr unsigned ID_HANGUP = 32777;
constexpr unsigned ID_DELETE_ITEM = 32778;
constexpr unsigned ID_ITEM_PROPERTIES = 32779;
constexpr unsigned ID_PASTE_SHORTCUT = 32780;
constexpr unsigned ID_ADD_PROVIDER = 32783;
constexpr unsigned ID_ALIGN_LEFT = 32788;
constexpr unsigned ID_ALIGN_TOP = 32789;
constexpr unsigned ID_RUN_ITEM = 32792;
constexpr unsigned ID_DELETE_TAB = 32793;
constexpr unsigned ID_TAB_PROPERTIES = 32794;
constexpr unsigned ID_VIEW_FAVORITES = 32798;
constexpr unsigned ID_VIEW_TIMERBAR = 32799;
constexpr unsigned ID_CUSTOMIZE_FAVORITES = 32800;
constexpr unsigned ID_FILE_SAVE_AS = 32804;
constexpr unsigned ID_CONNECT_FIRST = 2000;
constexpr unsigned ID_CONNECT_LAST = 2500;
constexpr unsigned ID_PROVIDER_FIRST = 3000;
constexpr unsigned ID_PROVIDER_LAST = 3500;
constexpr unsigned ID_FAVORITE_FIRST = 10000;
constexpr unsigned ID_FAVORITE_LAST = 10050;

constexpr unsigned ID_FILE_NEW = 57600;
constexpr unsigned ID_FILE_OPEN = 57601;
constexpr unsigned ID_FILE_SAVE = 57603;
constexpr unsigned ID_FILE_PRINT_SETUP = 57606;
constexpr unsigned ID_FILE_MRU_FIRST = 57616;
constexpr unsigned ID_FILE_MRU_LAST = 57631;
constexpr unsigned ID_EDIT_COPY = 57634;
constexpr unsigned ID_EDIT_CUT = 57635;
constexpr unsigned ID_EDIT_PASTE = 57637;
constexpr unsigned ID_APP_ABOUT = 57664;
constexpr unsigned ID_APP_EXIT = 57665;
constexpr unsigned ID_HELP_FINDER = 57667;
constexpr unsigned ID_CONTEXT_HELP = 57669;
constexpr unsigned ID_HELP = 57670;
constexpr unsigned ID_DEFAULT_HELP = 57671;
constexpr unsigned ID_VIEW_TOOLBAR = 59392;
constexpr unsigned ID_VIEW_STATUS_BAR = 59393;
constexpr unsigned ID_SEPARATOR = 0;
constexpr unsigned ID_INDICATOR_CONNECTION = 5000;

// Control ids.
constexpr unsigned AFX_IDW_TOOLBAR = 59392;
constexpr unsigned AFX_IDW_STATUS_BAR = 59393;
constexpr unsigned IDW_TIMERBAR = 100;
constexpr unsigned IDW_FAVORITESBAR = 101;

// Dial-up: the connection sound, the dialing animation, their strings and the
// controls of the dialing dialog, the password prompt and the provider pages.
constexpr unsigned IDR_WAVE_CONNECTED = 153;
constexpr unsigned IDR_AVI_DIALING = 201;
constexpr unsigned IDS_CONFIGURE_PROVIDER = 111;
constexpr unsigned IDS_DELETE_ENTRY = 5512;
constexpr unsigned IDS_DIAL_INITIALIZING = 6000;
constexpr unsigned IDS_DIAL_PORT_OPENED = 6001;
constexpr unsigned IDS_DIAL_DIALING = 6002;
constexpr unsigned IDS_DIAL_CONNECTED = 6003;
constexpr unsigned IDS_DIAL_AUTHENTICATE = 6004;
constexpr unsigned IDS_DIAL_PASSWORD_EXPIRED = 6005;
constexpr unsigned IDS_DIAL_AUTHENTICATED = 6006;
constexpr unsigned IDS_DIAL_REDIAL_IN = 6007;
constexpr unsigned IDS_DIAL_NEXT_NUMBER_IN = 6008;
constexpr unsigned IDS_DIAL_CAPTION = 6009;
constexpr unsigned IDS_CONNECTION_SPEED = 6010;
constexpr unsigned IDS_CONNECTION_DROPPED = 6011;
constexpr unsigned AFX_IDP_PARSE_INT = 61712;
constexpr unsigned AFX_IDP_PARSE_INT_RANGE = 61713;
constexpr unsigned IDS_CUSTOMIZE = 108;

constexpr int IDC_DIAL_ANIMATION = 1082;
constexpr int IDC_DIAL_STATUS = 1083;
constexpr int IDC_DIAL_NUMBERS = 1086;
constexpr int IDC_DIAL_TRIES_LEFT = 1093;
constexpr int IDC_DIAL_NOW = 1053;
constexpr int IDC_PWD_USERNAME = 1000;
constexpr int IDC_PWD_PASSWORD = 1004;
constexpr int IDC_PWD_SAVE = 1009;
constexpr int IDC_PROV_NAME = 1058;
constexpr int IDC_PROV_USERNAME = 1000;
constexpr int IDC_PROV_PASSWORD = 1004;
constexpr int IDC_PROV_SAVE_PASSWORD = 1009;
constexpr int IDC_PROV_DEFAULT = 1091;
constexpr int IDC_PROV_PROPERTIES = 1057;
constexpr int IDC_PROV_SCRIPTER = 1080;
constexpr int IDC_PROV_DELETE = 1054;
constexpr int IDC_PROV_CHAIN_DIAL = 1084;
constexpr int IDC_PROV_NEW_NUMBER = 1085;
constexpr int IDC_PROV_NUMBERS = 1086;
constexpr int IDC_PROV_ADD = 1081;
constexpr int IDC_PROV_DELETE_NUMBER = 1054;
constexpr int IDC_PROV_SET_DEFAULT = 1044;
constexpr int IDC_PROV_DEFAULT_NUMBER = 1089;
constexpr int IDC_PROV_TRIES = 1087;
constexpr int IDC_PROV_TRIES_SPIN = 1088;
constexpr int IDC_PROV_DELAY = 1050;
constexpr int IDC_PROV_DELAY_SPIN = 1051;

// The Customize sheet's pages.
constexpr int IDC_SHOW_SESSION = 1081;
constexpr int IDC_SHOW_TODAY = 1076;
constexpr int IDC_SHOW_WEEK = 1077;
constexpr int IDC_SHOW_MONTH = 1078;
constexpr int IDC_SHOW_YEAR = 1079;
constexpr int IDC_RUN_ON_STARTUP = 1041;
constexpr int IDC_DIAL_ON_STARTUP = 1042;
constexpr int IDC_REDIAL_ON_DROP = 1038;
constexpr int IDC_PLAY_SOUND = 1039;
constexpr int IDC_ALARM = 1040;
constexpr int IDC_ALARM_TIME = 1025;
constexpr int IDC_SHOW_DIALOG = 1097;
// The Favorites page of Customize, and the caption of the Customize sheet.
constexpr int IDC_FAV_ITEMS = 1017;
constexpr int IDC_FAV_FAVORITES = 1018;
constexpr int IDC_FAV_UP = 1022;
constexpr int IDC_FAV_DOWN = 1023;
constexpr int IDC_FAV_NEW = 1004;
constexpr int IDC_FAV_PROPERTIES = 1053;
constexpr int IDC_FAV_DELETE = 1054;
constexpr int IDC_FAV_COPY = 1044;

} // namespace ids
