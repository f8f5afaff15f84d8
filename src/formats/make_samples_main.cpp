// Writes the bundled sample files into a folder: sperrow-make-samples <folder>.
#include <cstdio>
#include <string>

#include "formats/sample_files.h"

namespace {

bool WriteFile(const std::string& path, const ByteVector& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    if (!WriteFile(dir + "/sample.pack", BuildSamplePack()) ||
        !WriteFile(dir + "/sample.comp", BuildSampleComp())) {
        std::perror("sperrow-make-samples");
        return 1;
    }
    return 0;
}
