// Snapshot pictures for the terminal UI's tests: a grid's text compared with a checked-in
// file under tests/tui/snapshots/. Run the tests with SPERROW_UPDATE_SNAPSHOTS=1 to write
// the pictures afresh after a deliberate change, then read the diff before committing.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frontends/tui/grid.h"

namespace tui {

namespace snapshot_detail {

inline std::string SnapshotPath(const std::string& name) {
    const char* root = std::getenv("SPERROW_SOURCE");
#ifdef SPERROW_SOURCE_DIR
    if (!root || !*root) root = SPERROW_SOURCE_DIR;
#endif
    return std::string(root ? root : ".") + "/tests/tui/snapshots/" + name + ".txt";
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace snapshot_detail

inline std::string CompareWithSnapshot(const std::string& actual, const std::string& name) {
    std::string path = snapshot_detail::SnapshotPath(name);
    const char* update = std::getenv("SPERROW_UPDATE_SNAPSHOTS");
    if (update && *update == '1') {
        std::ofstream(path) << actual;
        return {};
    }
    std::ifstream in(path);
    if (!in) return "no snapshot at " + path + "; this is the screen:\n" + actual;
    std::stringstream buf;
    buf << in.rdbuf();
    std::string expected = buf.str();
    if (expected == actual) return {};
    std::vector<std::string> want = snapshot_detail::Lines(expected),
                             got = snapshot_detail::Lines(actual);
    std::string diff = "screen differs from " + path + ":\n";
    std::size_t n = std::max(want.size(), got.size());
    for (std::size_t i = 0; i < n; ++i) {
        std::string w = i < want.size() ? want[i] : "", g = i < got.size() ? got[i] : "";
        if (w == g) continue;
        diff += "row " + std::to_string(i) + "\n  want |" + w + "|\n  got  |" + g + "|\n";
    }
    return diff + "whole screen:\n" + actual;
}

inline std::string CompareWithSnapshot(const Grid& grid, const std::string& name) {
    return CompareWithSnapshot(grid.ToText(), name);
}

}  // namespace tui
