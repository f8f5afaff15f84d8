// The open-file dialog: the current folder's listing under the chosen filter, a name box
// that takes a name, a path, a folder to go to or a pattern, the filter list of the caller,
// and Open and Cancel. It starts in the process's current directory and only answers a
// path: moving the current directory is the caller's business (fw::ChooseFile).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frontends/tui/file_browser.h"
#include "frontends/tui/layer.h"
#include "frontends/tui/line_edit.h"

namespace tui {

class FileDialogLayer : public Layer {
public:
    FileDialogLayer(const std::string& filter, std::string start_folder, int width = 68,
                    int height = 20);

    void Draw(Grid& grid, const CellRect& owner, bool active) override;
    void HandleKey(const Key& key) override;
    bool Done() const override { return done_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    CellRect Drawn() const override { return outer_; }
    CellRect FocusArea() const override;

    // The chosen full path; nothing when cancelled.
    const std::optional<std::string>& result() const { return result_; }

    const std::string& folder() const { return folder_; }
    const std::vector<FolderEntry>& entries() const { return entries_; }

private:
    enum Part { kList, kName, kType, kOpen, kCancel, kParts };

    void Reload();
    void EnterFolder(const std::string& path);
    void Activate(int index);
    void Accept();
    void Select(int index);
    void CycleFilter(int step);
    void ListKey(const Key& key);
    void HandleClick(int row, int col);
    int ListRows() const { return height_ - 10; }

    std::vector<FileFilter> filters_;
    int filter_ = 0;
    std::string pattern_;  // a typed pattern that replaces the filter until the next choice
    std::string folder_;
    std::vector<FolderEntry> entries_;
    std::string error_;
    int selected_ = 0;
    int first_ = 0;
    std::string name_;
    EditState name_state_;
    int focus_ = kName;
    bool done_ = false;
    std::optional<std::string> result_;
    int width_;
    int height_;
    // Where the parts were last drawn, for clicks.
    CellRect outer_, list_rect_, name_rect_, type_rect_, open_rect_, cancel_rect_;
};

}  // namespace tui
