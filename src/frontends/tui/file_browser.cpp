#include "frontends/tui/file_browser.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tui {
namespace {

std::string Trim(std::string_view s) {
    std::size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b, e - b + 1));
}

std::vector<std::string> Split(std::string_view s, char sep) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = s.find(sep, start);
        parts.emplace_back(s.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return parts;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HasWildcard(std::string_view s) {
    return s.find_first_of("*?") != std::string_view::npos;
}

}  // namespace

std::vector<FileFilter> ParseFilterList(std::string_view filter) {
    std::vector<FileFilter> out;
    std::vector<std::string> parts = Split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break;  // the "||" that ends a list
        FileFilter f{parts[i], {}};
        for (const std::string& p : Split(parts[i + 1], ';')) {
            std::string pattern = Trim(p);
            if (!pattern.empty()) f.patterns.push_back(pattern);
        }
        if (f.patterns.empty()) continue;
        out.push_back(std::move(f));
    }
    if (out.empty()) out.push_back({"All file (*.*)", {"*.*"}});
    return out;
}

bool MatchesFilter(const FileFilter& filter, std::string_view name) {
    std::string n(name);
    for (const std::string& pattern : filter.patterns) {
        // "*.*" meant every file on the original platform, names without a dot included.
        if (pattern == "*.*" || pattern == "*") return true;
        if (fnmatch(pattern.c_str(), n.c_str(), FNM_CASEFOLD) == 0) return true;
    }
    return false;
}

bool ListFolder(const std::string& folder, const FileFilter& filter,
                std::vector<FolderEntry>* entries, std::string* error) {
    entries->clear();
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    std::vector<FolderEntry> folders, files;
    while (dirent* d = readdir(dir)) {
        std::string name = d->d_name;
        if (name.empty() || name[0] == '.') continue;
        std::string full = folder == "/" ? "/" + name : folder + "/" + name;
        if (IsFolder(full))
            folders.push_back({name, true});
        else if (MatchesFilter(filter, name))
            files.push_back({name, false});
    }
    closedir(dir);
    auto by_name = [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; };
    std::sort(folders.begin(), folders.end(), by_name);
    std::sort(files.begin(), files.end(), by_name);
    if (folder != "/") entries->push_back({"..", true});
    entries->insert(entries->end(), folders.begin(), folders.end());
    entries->insert(entries->end(), files.begin(), files.end());
    return true;
}

std::string ResolvePath(const std::string& folder, const std::string& typed) {
    std::string path = typed;
    const char* home = std::getenv("HOME");
    if (home && *home && (path == "~" || path.rfind("~/", 0) == 0))
        path = std::string(home) + path.substr(1);
    if (path.empty() || path[0] != '/') path = folder + "/" + path;
    std::vector<std::string> kept;
    for (const std::string& part : Split(path, '/')) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(part);
    }
    std::string out;
    for (const std::string& part : kept) out += "/" + part;
    return out.empty() ? "/" : out;
}

std::string ParentFolder(const std::string& path) {
    std::size_t at = path.find_last_of('/');
    if (at == std::string::npos) return ".";
    return at == 0 ? "/" : path.substr(0, at);
}

std::string BaseName(const std::string& path) {
    std::size_t at = path.find_last_of('/');
    return at == std::string::npos ? path : path.substr(at + 1);
}

TypedName InterpretTypedName(const std::string& folder, const std::string& typed) {
    std::string name = Trim(typed);
    if (name.empty()) return {};
    if (HasWildcard(name)) {
        std::size_t slash = name.find_last_of('/');
        std::string where = slash == std::string::npos
                                ? folder
                                : ResolvePath(folder, slash == 0 ? "/" : name.substr(0, slash));
        return {TypedName::UsePattern, where,
                name.substr(slash == std::string::npos ? 0 : slash + 1)};
    }
    std::string path = ResolvePath(folder, name);
    if (IsFolder(path)) return {TypedName::EnterFolder, path, {}};
    return {TypedName::ChooseFile, path, {}};
}

}  // namespace tui
