#include "pages/file_choice.h"

#include "framework/desktop.h"

std::optional<std::string> ChooseFileFor(const std::string& filter) {
    return fw::ChooseFile(filter, fw::OFN_HIDEREADONLY | fw::OFN_OVERWRITEPROMPT);
}

std::string BareFileName(std::string_view path) {
    std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FolderOf(std::string_view path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos) return ".";
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}
