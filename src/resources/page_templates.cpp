// The four pages of the main window's tab area: child dialogs placed at 15, 50.
#include "resources/resource.h"
#include "resources/template_builders.h"
#include "resources/templates_internal.h"

namespace res::internal {

using namespace fw;
using namespace res::build;

namespace {
constexpr unsigned kHidden = STYLE_HIDDEN;
constexpr unsigned kDisabled = STYLE_DISABLED;
}  // namespace

const DialogTemplate& UpgradePageTemplate() {
    static const DialogTemplate t{
        IDD_UPGRADE_PAGE,
        "",
        {15, 50, 336, 143},
        DLG_CHILD,
        MarkRadioGroups({
            GroupBox("Firmware upgrade ...", {7, 7, 255, 93}),
            CheckBox(IDC_IMAGE_CHECK, "Image/Pack File:", {15, 23, 63, 10}),
            Edit(IDC_IMAGE_PATH, {81, 22, 96, 12}),
            Button(IDC_IMAGE_BROWSE, "...", {184, 22, 12, 12}),
            Button(IDC_FILE_INFO, "File&Info", {203, 22, 52, 14}, kDisabled),
            Text(IDC_STATIC, "Source File:", {81, 41, 40, 8}),
            Text(IDC_STATIC, "Destination File:", {206, 41, 50, 8}),
            CheckBox(IDC_FILE1_CHECK, "Other File 1:", {14, 54, 52, 10}, kDisabled),
            Edit(IDC_FILE1_SOURCE, {81, 52, 96, 12}, kDisabled),
            Button(IDC_FILE1_BROWSE, "...", {184, 52, 12, 12}),
            Edit(IDC_FILE1_DEST, {203, 52, 52, 12}, kDisabled),
            CheckBox(IDC_FILE2_CHECK, "Other File 2:", {14, 72, 52, 10}, kDisabled),
            Edit(IDC_FILE2_SOURCE, {81, 70, 96, 12}, kDisabled),
            Button(IDC_FILE2_BROWSE, "...", {184, 70, 12, 12}),
            Edit(IDC_FILE2_DEST, {203, 68, 52, 12}, kDisabled),
            CheckBox(IDC_VERIFY_REBOOT, "Verify after reboot", {14, 86, 100, 10}, kHidden),
            Text(IDC_VERIFY_STATUS, "", {120, 87, 135, 8}, kHidden),
            Radio(IDC_ATMOS, "Atmos", {277, 23, 35, 10}, kHidden),
            Radio(IDC_VXWORKS, "VxWorks", {277, 41, 45, 10}, kHidden),
            Button(IDC_MODEM_INFO, "Modem Info", {272, 89, 50, 14}, kHidden),
            GroupBox("", {7, 101, 99, 40}, kHidden),
            Radio(IDC_UNICAST, "Unitcast Download", {14, 110, 79, 10}, kHidden),
            Radio(IDC_BROADCAST, "Broadcast Download", {14, 124, 88, 10}, kHidden),
            CheckBox(IDC_SKIP_CRITERIA, "Do not send criteria file: hw.cond", {115, 110, 122, 10},
                     kHidden),
            Text(IDC_DELAY_LABEL, "Delay:", {115, 127, 20, 8}, kHidden),
            Edit(IDC_DELAY, {140, 123, 18, 12}, kHidden | STYLE_DIGITS_ONLY | STYLE_RIGHT),
            Text(IDC_DELAY_UNIT, "ms", {159, 127, 12, 8}, kHidden),
            Text(IDC_SERVER_NOTE, "Tftp server will be disabled", {179, 126, 86, 8}, kHidden),
            Button(IDC_DOWNLOAD, "&Download", {272, 112, 50, 14}, STYLE_DEFAULT_BUTTON),
        }),
    };
    return t;
}

const DialogTemplate& ConfigPageTemplate() {
    static const DialogTemplate t{
        IDD_CONFIG_PAGE,
        "",
        {15, 50, 337, 140},
        DLG_CHILD,
        MarkRadioGroups({
            GroupBox("Save configuration file ....", {7, 7, 324, 74}),
            Text(IDC_STATIC, "Os Version:", {19, 24, 40, 8}),
            Radio(IDC_OS_61, "6.1", {19, 40, 25, 10}, kDisabled),
            Radio(IDC_OS_70, "7.0", {19, 56, 25, 10}, kDisabled),
            Text(IDC_STATIC, "Which part?", {81, 24, 46, 8}),
            CheckBox(IDC_GET_CONFIG, "Get Config", {77, 40, 47, 10}, kDisabled),
            CheckBox(IDC_GET_PASSWORD, "Get Password", {77, 56, 54, 10}, kDisabled),
            Text(IDC_STATIC, "Destination Pack File:", {143, 41, 82, 8}),
            Edit(IDC_CONFIG_DEST, {143, 54, 96, 12}),
            Button(IDC_CONFIG_DEST_BROWSE, "...", {243, 54, 12, 12}),
            Button(IDC_GET, "&Get", {272, 52, 50, 14}, STYLE_DEFAULT_BUTTON),
            GroupBox("Restore configuration file ....", {7, 86, 324, 40}),
            CheckBox(IDC_REBOOT, "Reboot", {15, 104, 54, 10}, kDisabled),
            Edit(IDC_RESTORE_PATH, {143, 102, 96, 12}),
            Button(IDC_RESTORE_BROWSE, "...", {243, 102, 12, 12}),
            Button(IDC_PUT, "&Put", {272, 100, 50, 14}, STYLE_DEFAULT_BUTTON),
        }),
    };
    return t;
}

const DialogTemplate& ServerPageTemplate() {
    static const DialogTemplate t{
        IDD_SERVER_PAGE,
        "",
        {15, 50, 336, 140},
        DLG_CHILD,
        MarkRadioGroups({
            GroupBox("Tftp Server", {7, 7, 140, 65}),
            CheckBox(IDC_ENABLE_READ, "Enable Read", {17, 28, 54, 10}),
            CheckBox(IDC_ENABLE_WRITE, "Enable Write", {80, 28, 53, 10}),
            Text(IDC_STATIC, "File Path: ", {17, 48, 31, 8}),
            Edit(IDC_ROOT_PATH, {51, 48, 71, 12}, STYLE_HSCROLL),
            Button(IDC_ROOT_BROWSE, "...", {125, 47, 12, 12}, kHidden),
            GroupBox("Tftp Configuration", {153, 7, 109, 65}),
            Text(IDC_STATIC, "Retry:", {172, 29, 20, 8}),
            Edit(IDC_RETRY, {196, 26, 31, 12}, STYLE_RIGHT),
            Text(IDC_STATIC, "times", {232, 29, 16, 8}),
            Text(IDC_STATIC, "Timeout:", {164, 52, 30, 8}),
            Edit(IDC_TIMEOUT, {196, 48, 31, 12}, STYLE_RIGHT),
            Text(IDC_STATIC, "seconds", {234, 52, 23, 8}),
            Icon(IDC_ACTIVITY_ICON, IDI_SERVER_IDLE, {283, 15, 23, 25}, STYLE_SUNKEN),
            Text(IDC_ACTIVITY_TEXT, "Server\nActivity", {267, 45, 55, 25}, STYLE_CENTER),
            GroupBox("Remote tftp server upgrade", {7, 85, 255, 40}, kHidden),
            Text(IDC_STATIC, "Tftp Server:", {17, 101, 37, 8}, kHidden),
            IpAddress(IDC_REMOTE_SERVER, {60, 101, 100, 12}, kHidden | kDisabled),
            Text(IDC_STATIC, "File: ", {166, 101, 16, 8}, kHidden),
            Edit(IDC_REMOTE_FILE, {185, 101, 62, 12}, kHidden | kDisabled | STYLE_HSCROLL),
            Button(IDC_SUBMIT, "Submit", {273, 108, 50, 14},
                   kHidden | kDisabled | STYLE_DEFAULT_BUTTON),
        }),
    };
    return t;
}

const DialogTemplate& DownloadPageTemplate() {
    static const DialogTemplate t{
        IDD_DOWNLOAD_PAGE,
        "",
        {15, 50, 336, 140},
        DLG_CHILD,
        MarkRadioGroups({
            GroupBox("Download files ...", {7, 7, 255, 62}),
            Text(IDC_STATIC, "Source File:", {63, 17, 40, 8}),
            Text(IDC_STATIC, "Destination File:", {203, 17, 50, 8}),
            CheckBox(IDC_FILE1_CHECK, "File 1:", {17, 30, 35, 10}),
            Edit(IDC_FILE1_SOURCE, {62, 30, 113, 12}, kDisabled),
            Button(IDC_FILE1_BROWSE, "...", {181, 30, 12, 12}),
            Edit(IDC_FILE1_DEST, {201, 30, 52, 12}, kDisabled),
            CheckBox(IDC_FILE2_CHECK, "File 2:", {17, 49, 35, 10}),
            Edit(IDC_FILE2_SOURCE, {62, 46, 113, 12}, kDisabled),
            Button(IDC_FILE2_BROWSE, "...", {181, 46, 12, 12}),
            Edit(IDC_FILE2_DEST, {201, 46, 52, 12}, kDisabled),
            GroupBox("Command Macro File", {7, 76, 255, 39}),
            CheckBox(IDC_MACRO_CHECK, "Macro File:", {15, 95, 54, 10}),
            Edit(IDC_MACRO_PATH, {79, 94, 96, 12}, kDisabled),
            Button(IDC_MACRO_BROWSE, "...", {181, 94, 12, 12}),
            Text(IDC_STATIC,
                 "In this mode, file size can not exceed 8K bytes. Adsl modem will not reboot "
                 "after download.",
                 {269, 13, 55, 66}),
            Button(IDC_DOWNLOAD, "&Download", {271, 98, 50, 14}, STYLE_DEFAULT_BUTTON),
        }),
    };
    return t;
}

}  // namespace res::internal
