// The template tables, one function each, defined in the files beside this one.
#pragma once

#include "framework/ui/templates.h"

namespace res::internal {

const fw::DialogTemplate& AboutBoxTemplate();
const fw::DialogTemplate& MainTemplate();
const fw::DialogTemplate& UpgradePageTemplate();
const fw::DialogTemplate& ConfigPageTemplate();
const fw::DialogTemplate& ServerPageTemplate();
const fw::DialogTemplate& DownloadPageTemplate();
const fw::DialogTemplate& ModemInfoTemplate();
const fw::DialogTemplate& UpgradeStatusTemplate();

}  // namespace res::internal
