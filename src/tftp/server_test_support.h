// The served folder as the server tests look at it.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace servertest {

// Every entry under `dir`, relative to it and sorted; links not followed.
inline std::vector<std::string> Tree(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::recursive_directory_iterator(dir))
        names.push_back(e.path().lexically_relative(dir).string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace servertest
