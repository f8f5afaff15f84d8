// The main window and the About box.
#include "framework/desktop.h"
#include "resources/resource.h"
#include "resources/template_builders.h"
#include "resources/templates_internal.h"

namespace res::internal {

using namespace fw;
using namespace res::build;

const DialogTemplate& MainTemplate() {
    static const DialogTemplate t{
        IDD_MAIN,
        "Sperrow",
        {0, 0, 363, 242},
        DLG_CAPTION | DLG_SYSMENU | DLG_MINIMIZEBOX | DLG_MODALFRAME,
        MarkRadioGroups({
            Text(IDC_STATIC, "Password:", {13, 14, 31, 8}),
            Edit(IDC_PASSWORD, {47, 14, 46, 12}, STYLE_PASSWORD | STYLE_HSCROLL),
            Text(IDC_STATIC, "IP Address:", {103, 14, 36, 8}),
            IpAddress(IDC_MODEM_ADDRESS, {143, 14, 100, 12}, STYLE_DISABLED),
            Tab(IDC_TAB, {7, 33, 349, 14}),
            Frame({7, 47, 349, 152}),
            ListBox(IDC_LOG, {7, 203, 270, 15}, STYLE_DISABLED | STYLE_VSCROLL),
            Progress(IDC_PROGRESS, {7, 224, 270, 10}, STYLE_SMOOTH),
            CheckBox(IDC_LOG_ENABLE, "Log Enable", {289, 204, 48, 10}, STYLE_HIDDEN),
            Button(IDOK, "E&xit", {289, 220, 50, 14}),
            Picture(IDC_LOGO, IDB_LOGO, {249, 7, 100, 22}),
        }),
    };
    return t;
}

const DialogTemplate& AboutBoxTemplate() {
    static const DialogTemplate t{
        IDD_ABOUTBOX,
        "About Brevik",
        {0, 0, 235, 55},
        DLG_CAPTION | DLG_SYSMENU | DLG_MODALFRAME,
        MarkRadioGroups({
            Icon(IDC_STATIC, IDR_MAINFRAME, {11, 17, 20, 20}),
            Text(IDC_STATIC, "Sperrow ", {40, 10, 119, 8}),
            Text(IDC_STATIC, "Maintenance tool for ADSL modems.", {40, 25, 134, 8}),
            Button(IDOK, "OK", {178, 7, 50, 14}, STYLE_GROUP | STYLE_DEFAULT_BUTTON),
        }),
    };
    return t;
}

}  // namespace res::internal
