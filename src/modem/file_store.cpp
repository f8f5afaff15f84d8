#include "modem/file_store.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace modem {

namespace fs = std::filesystem;

bool IsServableName(std::string_view name) {
    if (name.empty() || name.front() == '/') return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        std::string_view part = name.substr(
            start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    return name.find('\0') == std::string_view::npos;
}

std::string StoredFileName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        bool plain =
            std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
        out.push_back(plain ? c : '_');
    }
    if (out.empty() || out == "." || out == "..") return "_";
    return out;
}

std::optional<std::vector<std::uint8_t>> ReadServedFile(const std::string& dir,
                                                        const std::string& name) {
    if (dir.empty() || !IsServableName(name)) return std::nullopt;
    fs::path path = fs::path(dir) / name;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    char buf[8192];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buf, buf + in.gcount());
    }
    if (in.bad()) return std::nullopt;
    return bytes;
}

bool SaveStoredFile(const std::string& dir, const std::string& name,
                    const std::vector<std::uint8_t>& bytes, std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error) *error = what;
        return false;
    };
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return fail("cannot create " + dir + ": " + ec.message());
    fs::path target = fs::path(dir) / StoredFileName(name);
    fs::path temp = target;
    temp += ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return fail("cannot write " + temp.string());
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            fs::remove(temp, ec);
            return fail("cannot write " + temp.string());
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return fail("cannot rename into " + target.string());
    }
    return true;
}

}  // namespace modem
