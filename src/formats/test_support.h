// Test support: a scratch folder of files written from bytes, removed with its contents.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/pack_builder.h"

class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sperrow-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    // Writes `bytes`; a larger `size` extends the file with a hole.
    std::string Write(const std::string& name, const ByteVector& bytes,
                      std::uintmax_t size = 0) const {
        std::string p = Path(name);
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (size > bytes.size()) std::filesystem::resize_file(p, size);
        return p;
    }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline ByteVector Filled(std::size_t n, std::uint8_t byte = 0) {
    return ByteVector(n, byte);
}
