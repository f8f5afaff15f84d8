// The dialogs that end an operation: Modem Information and the upgrade status.
#include "framework/desktop.h"
#include "resources/resource.h"
#include "resources/template_builders.h"
#include "resources/templates_internal.h"

namespace res::internal {

using namespace fw;
using namespace res::build;

namespace {
constexpr unsigned kValue = STYLE_SUNKEN;  // the value boxes of Modem Information
}  // namespace

const DialogTemplate& ModemInfoTemplate() {
    static const DialogTemplate t{
        IDD_MODEM_INFO,
        "Modem Information",
        {0, 0, 267, 242},
        DLG_CAPTION | DLG_SYSMENU,
        MarkRadioGroups({
            Text(IDC_STATIC, "Company: ", {7, 10, 32, 10}),
            Text(IDC_INFO_COMPANY, "", {81, 10, 85, 12}, kValue),
            Text(IDC_STATIC, "Date:", {173, 10, 20, 10}),
            Text(IDC_INFO_DATE, "", {203, 10, 57, 12}, kValue),
            Text(IDC_STATIC, "Hardware Version:", {7, 30, 66, 10}),
            Text(IDC_INFO_HW_VERSION, "", {81, 28, 179, 12}, kValue),
            Text(IDC_STATIC, "Firmware Version:", {7, 45, 66, 10}),
            Text(IDC_INFO_FW_VERSION, "", {81, 44, 179, 12}, kValue),
            Text(IDC_STATIC, "Product ID:", {7, 58, 66, 10}),
            Text(IDC_INFO_PRODUCT_ID, "", {81, 59, 179, 12}, kValue),
            Text(IDC_STATIC, "MAC Address:", {7, 73, 66, 10}),
            Text(IDC_INFO_MAC, "", {81, 74, 179, 12}, kValue),
            Text(IDC_STATIC, "Tftp Version:", {7, 89, 66, 10}),
            Text(IDC_INFO_TFTP_VERSION, "", {81, 89, 179, 20}, kValue),
            Text(IDC_STATIC, "Hardware Profile: ", {7, 109, 66, 10}),
            ListBox(IDC_INFO_HW_PROFILE, {7, 121, 253, 90}, STYLE_VSCROLL),
            Button(IDOK, "OK", {107, 221, 50, 14}),
        }),
    };
    return t;
}

const DialogTemplate& UpgradeStatusTemplate() {
    static const DialogTemplate t{
        IDD_UPGRADE_STATUS,
        "Modem upgrade status",
        {0, 0, 347, 188},
        DLG_CAPTION | DLG_SYSMENU,
        MarkRadioGroups({
            Icon(IDC_STATUS_ICON, IDI_SERVER_BUSY, {17, 20, 21, 23}),
            Text(IDC_STATIC, "Image download complete.\nUpdating will take 20-35 seconds.\n\n",
                 {53, 22, 191, 44}),
            Picture(IDC_STATIC, IDB_UPGRADE_STATUS, {21, 81, 296, 20}),
            Text(IDC_STATUS_LINE, "", {7, 110, 333, 13}, STYLE_CENTER | STYLE_SUNKEN),
            Text(IDC_COUNTDOWN_LINE, "", {7, 136, 333, 13}, STYLE_CENTER | STYLE_SUNKEN),
            Button(IDOK, "OK", {148, 167, 50, 14}, STYLE_DEFAULT_BUTTON),
        }),
    };
    return t;
}

}  // namespace res::internal
