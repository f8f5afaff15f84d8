#include "framework/ui/templates.h"

#include <map>

namespace fw {

namespace {

std::map<int, const DialogTemplate*>& Registry() {
    static std::map<int, const DialogTemplate*> registry;
    return registry;
}

}  // namespace

void RegisterDialogTemplate(const DialogTemplate& dialog) {
    Registry()[dialog.id] = &dialog;
}

const DialogTemplate* FindDialogTemplate(int id) {
    auto it = Registry().find(id);
    return it == Registry().end() ? nullptr : it->second;
}

}  // namespace fw
