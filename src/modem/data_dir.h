// Where sperrow-modem finds the files it serves when --data does not say: an installed
// program in the data folder installed with it, a program in a build folder in the source
// tree it was built from.
#pragma once

#include <string>

namespace modem {

// The first of these that is a folder: `installed` (when relative, taken from the folder
// that holds `program`), then `source`. When neither is, the installed one, so that the
// warning about a missing data folder names where an installation keeps it.
std::string FindDataDir(const std::string& program, const std::string& installed,
                        const std::string& source);

// The running program's own file, links resolved; empty where the system does not say.
std::string RunningProgram();

}  // namespace modem
