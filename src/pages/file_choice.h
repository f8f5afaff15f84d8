// The open-file dialog as every browse button of the pages shows it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The chosen file's full path, or nothing on cancel. The process's current directory moves
// to the chosen file's folder, as the platform's dialog did: the "LatestVersion" file and
// the local server's "." rely on it.
std::optional<std::string> ChooseFileFor(const std::string& filter);

// The file name without its folder.
std::string BareFileName(std::string_view path);
// The folder of a file's path ("/" for a file at the root, "." for a bare name).
std::string FolderOf(std::string_view path);
