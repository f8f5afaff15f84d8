// Feeds arbitrary files to the description that `describe` prints (the "File&Info" box and the
// facts after it, which read the pack's entries and the compatible list): it must stay within its
// box size, keep the shape of its text for a pack, and never hold a raw control character that the
// layout did not put there, nor a line that passes for one of its own headings.
#include <array>
#include <cstdlib>
#include <string_view>

#include "formats/file_description.h"
#include "formats/file_facts.h"
#include "formats/fuzz_input_file.h"
#include "framework/printable.h"

namespace {

// Layout controls: line feeds, tabs, and a carriage return that ends a line.
bool OnlyLayoutControls(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (!fw::IsControlChar(c) || c == '\n' || c == '\t') continue;
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        return false;
    }
    return true;
}

// Every line is one the description makes: a heading it writes, or indented text under one.
bool OnlyKnownLines(std::string_view text) {
    static constexpr std::array<std::string_view, 16> kStarts = {
        "Compressed image: ", "Version:",           "No version info.", "Warning: unknown",
        "Pack file: ",        "Hardware version: ", "Firmware version: ", "Contain:",
        "Total: ",            "Criteria:",          "Size: ",           "SHA-256: ",
        "Compatible boards: ", "Warning:",          "Cannot open file.", " "};
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        bool known = line.empty() || line == "\r";
        for (std::string_view start : kStarts) known = known || line.starts_with(start);
        if (!known) return false;
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = FuzzInputFile(data, size);
    if (path.empty()) return 0;
    std::optional<FileDescription> d = DescribeFile(path);
    if (!d) return 0;
    if (d->text.empty() || d->text.size() > kMaxDescription) std::abort();
    if (d->text.starts_with("Pack file: ") && d->text.find("\nTotal: ") == std::string::npos)
        std::abort();
    std::string shown = d->text;
    if (std::optional<FileFacts> facts = ReadFileFacts(path)) shown += FileFactsText(*facts);
    if (!OnlyLayoutControls(shown) || !OnlyKnownLines(shown)) std::abort();
    return 0;
}
