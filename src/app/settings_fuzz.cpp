// Feeds arbitrary settings files to the reader: values come from single pieces of at most
// 199 characters and never keep a line end.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/settings.h"

namespace {

// The reader takes a path: each input goes into one in-memory file.
std::string InputFile(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("sperrow-fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0) return {};
    if (size && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return {};
    return "/proc/self/fd/" + std::to_string(fd);
}

void CheckValue(const std::string& value) {
    if (value.size() > kSettingsPiece) std::abort();
    if (!value.empty() && (value.back() == '\n' || value.back() == '\r')) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = InputFile(data, size);
    if (path.empty()) return 0;
    SavedSettings s;
    if (!ReadSettingsFile(path, s)) return 0;
    CheckValue(s.password);
    CheckValue(s.packFile);
    return 0;
}
