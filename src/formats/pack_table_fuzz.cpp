// Feeds arbitrary files to the send path's table reader and to the image check, and holds
// the reader to its promises: at most 200 records, names under 50 characters, offsets laid
// out back to back from the end of the table.
#include <cstdlib>

#include "formats/formats.h"
#include "formats/fuzz_input_file.h"
#include "formats/image_check.h"
#include "formats/pack_table.h"
#include "framework/file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = FuzzInputFile(data, size);
    if (path.empty()) return 0;
    fw::CFile file;
    if (!file.Open(path, fw::CFile::modeRead)) return 0;
    if (ReadPackTable(file, ReadMagic(file))) {
        if (g_nPackEntries < 0 || g_nPackEntries > kMaxPackEntries) std::abort();
        for (int i = 0; i < g_nPackEntries; ++i) {
            const PackEntry& e = g_aPackEntries[i];
            if (e.name.empty() || e.name.size() > kMaxEntryName) std::abort();
            if (i > 0 && e.offset != g_aPackEntries[i - 1].offset + g_aPackEntries[i - 1].length)
                std::abort();
        }
    } else if (g_nPackEntries != 0) {
        std::abort();
    }
    file.Close();
    ImageCheck check = CheckImageFile(path);
    if (check.ok == !check.message.empty()) std::abort();
    return 0;
}
