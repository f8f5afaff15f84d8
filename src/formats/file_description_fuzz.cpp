// Feeds arbitrary files to the "File&Info" description: it must stay within its box size
// and, for a pack, keep the shape of its text.
#include <cstdlib>

#include "formats/file_description.h"
#include "formats/fuzz_input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = FuzzInputFile(data, size);
    if (path.empty()) return 0;
    std::optional<FileDescription> d = DescribeFile(path);
    if (!d) return 0;
    if (d->text.empty() || d->text.size() > kMaxDescription) std::abort();
    if (d->text.starts_with("Pack file: ") && d->text.find("\nTotal: ") == std::string::npos)
        std::abort();
    return 0;
}
