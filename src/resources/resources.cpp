#include "resources/resources.h"

#include "resources/templates_internal.h"

namespace res {

std::vector<const fw::DialogTemplate*> AllDialogTemplates() {
    using namespace internal;
    return {&AboutBoxTemplate(),   &MainTemplate(),         &UpgradePageTemplate(),
            &ConfigPageTemplate(), &ServerPageTemplate(),   &DownloadPageTemplate(),
            &ModemInfoTemplate(),  &UpgradeStatusTemplate()};
}

const fw::DialogTemplate* DialogTemplateById(int id) {
    for (const fw::DialogTemplate* t : AllDialogTemplates()) {
        if (t->id == id) return t;
    }
    return nullptr;
}

void RegisterResources() {
    for (const fw::DialogTemplate* t : AllDialogTemplates()) fw::RegisterDialogTemplate(*t);
}

std::string LoadString(int id) {
    switch (id) {
        case IDS_ABOUTBOX:
            return "&About Brevik...";
        case IDS_SOCKETS_INIT_FAILED:
            return "Windows sockets initialization failed.";
        default:
            return {};
    }
}

std::string ImageDescription(int id) {
    switch (id) {
        case IDR_MAINFRAME:
            return "application icon";
        case IDI_SERVER_IDLE:
            return "idle";
        case IDI_SERVER_BUSY:
            return "busy";
        case IDB_UPGRADE_STATUS:
            return "modem updating";
        case IDB_LOGO:
            return "Sperrow";
        default:
            return {};
    }
}

}  // namespace res
