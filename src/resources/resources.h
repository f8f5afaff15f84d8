// The program's resources as data: its dialog templates, string table and pictures.
#pragma once

#include <string>
#include <vector>

#include "framework/ui/templates.h"
#include "resources/resource.h"

namespace res {

// Makes every template known to the dialog model (fw::FindDialogTemplate). Call once at
// start-up; calling again does no harm.
void RegisterResources();

// Every dialog template of the program, in id order.
std::vector<const fw::DialogTemplate*> AllDialogTemplates();

// A string of the string table; empty for an unknown id.
std::string LoadString(int id);

}  // namespace res
