// Feeds arbitrary settings files to the reader: values come from single pieces of at most
// 199 characters and never keep a line end.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/settings.h"
#include "formats/fuzz_input_file.h"

namespace {

void CheckValue(const std::string& value) {
    if (value.size() > kSettingsPiece) std::abort();
    if (!value.empty() && (value.back() == '\n' || value.back() == '\r')) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = FuzzInputFile(data, size);
    if (path.empty()) return 0;
    SavedSettings s;
    if (!ReadSettingsFile(path, s)) return 0;
    CheckValue(s.password);
    CheckValue(s.packFile);
    return 0;
}
