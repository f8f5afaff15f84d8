// What the open-file dialog knows apart from drawing: the filter list in the template form
// "Pack(*.pack)|*.pack|All file (*.*)|*.*", a folder's listing under a filter, and what a
// typed name means (a file to choose, a folder to enter, or a new pattern).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tui {

struct FileFilter {
    std::string label;                  // "Pack(*.pack)"
    std::vector<std::string> patterns;  // {"*.pack"}; "*.*" matches every name
};

// An empty or malformed filter text gives one "All file (*.*)" entry, so the dialog always
// has something to show.
std::vector<FileFilter> ParseFilterList(std::string_view filter);

// Case-insensitive, as the original platform's file names are.
bool MatchesFilter(const FileFilter& filter, std::string_view name);

struct FolderEntry {
    std::string name;
    bool is_folder = false;
    bool operator==(const FolderEntry&) const = default;
};

// "..", unless the folder is the root, then sub-folders, then matching files, each group
// sorted by name; hidden names (leading dot) are left out. False when the folder cannot be
// read, with the reason in *error.
bool ListFolder(const std::string& folder, const FileFilter& filter,
                std::vector<FolderEntry>* entries, std::string* error);

// A path made absolute against `folder` and cleaned of "." and ".." parts; "~" and "~/x"
// start at $HOME.
std::string ResolvePath(const std::string& folder, const std::string& typed);
std::string ParentFolder(const std::string& path);
std::string BaseName(const std::string& path);

struct TypedName {
    enum Kind { Nothing, ChooseFile, EnterFolder, UsePattern };
    Kind kind = Nothing;
    std::string path;     // the file or folder, absolute
    std::string pattern;  // for UsePattern: the name part holding "*" or "?"
};
// Interprets what the user typed in the name box. A name with wildcards becomes a pattern
// (in its folder, when it has one); an existing folder is entered; anything else is a file
// to choose, whether or not it exists yet (a destination may be new).
TypedName InterpretTypedName(const std::string& folder, const std::string& typed);

}  // namespace tui
