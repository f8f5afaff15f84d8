// Resource identifiers: dialog templates, controls, strings, icons and bitmaps. A control
// id means the same thing on every page that carries it (1019/1020 the file-row check
// boxes, 1016/1017 their source boxes, 1021/1022 their destination boxes, 1024/1025 their
// browse buttons, 1026 the Download button).
#pragma once

// Dialog templates.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_MAIN = 102;
constexpr int IDD_UPGRADE_PAGE = 130;
constexpr int IDD_CONFIG_PAGE = 131;
constexpr int IDD_SERVER_PAGE = 132;
constexpr int IDD_DOWNLOAD_PAGE = 137;
constexpr int IDD_MODEM_INFO = 139;
constexpr int IDD_UPGRADE_STATUS = 140;

// Strings.
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDS_SOCKETS_INIT_FAILED = 103;

// Icons and bitmaps.
constexpr int IDR_MAINFRAME = 128;       // the application icon
constexpr int IDI_SERVER_IDLE = 134;     // activity icon: idle
constexpr int IDI_SERVER_BUSY = 135;     // activity icon: busy
constexpr int IDB_UPGRADE_STATUS = 141;  // picture of the upgrade status dialog
constexpr int IDB_LOGO = 143;            // logo of the main window

// The system menu item that opens the About box.
constexpr unsigned IDM_ABOUTBOX = 0x0010;

// Controls nobody addresses.
constexpr int IDC_STATIC = -1;

// Main window.
constexpr int IDC_MODEM_ADDRESS = 1000;
constexpr int IDC_TAB = 1002;
constexpr int IDC_PROGRESS = 1003;
constexpr int IDC_PASSWORD = 1011;
constexpr int IDC_LOG = 1012;
constexpr int IDC_LOG_ENABLE = 1027;
constexpr int IDC_LOGO = 1041;

// Rows shared by the firmware upgrade and download files pages.
constexpr int IDC_FILE1_SOURCE = 1016;
constexpr int IDC_FILE2_SOURCE = 1017;
constexpr int IDC_FILE1_CHECK = 1019;
constexpr int IDC_FILE2_CHECK = 1020;
constexpr int IDC_FILE1_DEST = 1021;
constexpr int IDC_FILE2_DEST = 1022;
constexpr int IDC_FILE1_BROWSE = 1024;
constexpr int IDC_FILE2_BROWSE = 1025;
constexpr int IDC_DOWNLOAD = 1026;

// Firmware upgrade page.
constexpr int IDC_FILE_INFO = 1009;
constexpr int IDC_IMAGE_PATH = 1015;
constexpr int IDC_IMAGE_CHECK = 1018;
constexpr int IDC_IMAGE_BROWSE = 1023;
constexpr int IDC_BROADCAST = 1041;
constexpr int IDC_UNICAST = 1042;
constexpr int IDC_SKIP_CRITERIA = 1060;
constexpr int IDC_MODEM_INFO = 1062;
constexpr int IDC_SERVER_NOTE = 1076;
constexpr int IDC_DELAY = 1078;
constexpr int IDC_DELAY_LABEL = 1079;
constexpr int IDC_DELAY_UNIT = 1080;
constexpr int IDC_ATMOS = 1081;
constexpr int IDC_VXWORKS = 1082;
constexpr int IDC_VERIFY_REBOOT = 1084;  // "Verify after reboot" (expert mode)
constexpr int IDC_VERIFY_STATUS = 1085;  // its countdown and outcome

// Download files page.
constexpr int IDC_MACRO_PATH = 1001;
constexpr int IDC_MACRO_CHECK = 1004;
constexpr int IDC_MACRO_BROWSE = 1010;

// Server page.
constexpr int IDC_SUBMIT = 1028;
constexpr int IDC_REMOTE_FILE = 1029;
constexpr int IDC_REMOTE_SERVER = 1030;
constexpr int IDC_ENABLE_READ = 1032;
constexpr int IDC_TIMEOUT = 1033;
constexpr int IDC_RETRY = 1034;
constexpr int IDC_ROOT_PATH = 1035;
constexpr int IDC_ROOT_BROWSE = 1036;
constexpr int IDC_ACTIVITY_ICON = 1037;
constexpr int IDC_ACTIVITY_TEXT = 1038;
constexpr int IDC_ENABLE_WRITE = 1039;

// Configuration page.
constexpr int IDC_GET = 1046;
constexpr int IDC_GET_CONFIG = 1047;
constexpr int IDC_GET_PASSWORD = 1048;
constexpr int IDC_REBOOT = 1049;
constexpr int IDC_PUT = 1050;
constexpr int IDC_OS_61 = 1051;
constexpr int IDC_OS_70 = 1052;
constexpr int IDC_RESTORE_BROWSE = 1053;
constexpr int IDC_CONFIG_DEST_BROWSE = 1054;
constexpr int IDC_RESTORE_PATH = 1055;
constexpr int IDC_CONFIG_DEST = 1058;

// Modem Information dialog.
constexpr int IDC_INFO_PRODUCT_ID = 1063;
constexpr int IDC_INFO_MAC = 1064;
constexpr int IDC_INFO_HW_VERSION = 1065;
constexpr int IDC_INFO_FW_VERSION = 1066;
constexpr int IDC_INFO_COMPANY = 1068;
constexpr int IDC_INFO_DATE = 1069;
constexpr int IDC_INFO_HW_PROFILE = 1070;
constexpr int IDC_INFO_TFTP_VERSION = 1075;

// Upgrade status dialog.
constexpr int IDC_STATUS_ICON = 1071;
constexpr int IDC_STATUS_LINE = 1072;
constexpr int IDC_COUNTDOWN_LINE = 1073;
