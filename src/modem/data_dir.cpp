#include "modem/data_dir.h"

#include <filesystem>
#include <system_error>

namespace modem {

namespace fs = std::filesystem;

std::string FindDataDir(const std::string& program, const std::string& installed,
                        const std::string& source) {
    fs::path beside = installed;
    if (beside.is_relative() && !program.empty()) {
        beside = (fs::path(program).parent_path() / beside).lexically_normal();
    }
    std::error_code ec;
    if (fs::is_directory(beside, ec)) return beside.string();
    if (!source.empty() && fs::is_directory(source, ec)) return source;
    return beside.string();
}

std::string RunningProgram() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.string();
}

}  // namespace modem
