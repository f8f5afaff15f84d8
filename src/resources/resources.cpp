#include "resources/resources.h"

#include "resources/templates_internal.h"

namespace res {

std::vector<const fw::DialogTemplate*> AllDialogTemplates() {
    using namespace internal;
    return {&AboutBoxTemplate(),   &MainTemplate(),         &UpgradePageTemplate(),
            &ConfigPageTemplate(), &ServerPageTemplate(),   &DownloadPageTemplate(),
            &ModemInfoTemplate(),  &UpgradeStatusTemplate()};
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

}  // namespace res
