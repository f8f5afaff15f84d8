#include "frontends/tui/file_dialog_layer.h"

#include <algorithm>
#include <cctype>

#include "frontends/tui/layout.h"
#include "frontends/tui/widgets.h"

namespace tui {

FileDialogLayer::FileDialogLayer(const std::string& filter, std::string start_folder, int width,
                                 int height)
    : filters_(ParseFilterList(filter)),
      folder_(ResolvePath("/", start_folder)),
      width_(std::max(width, 40)),
      height_(std::max(height, 13)) {
    Reload();
}

void FileDialogLayer::Reload() {
    FileFilter filter = pattern_.empty() ? filters_[static_cast<std::size_t>(filter_)]
                                         : FileFilter{pattern_, {pattern_}};
    error_.clear();
    if (!ListFolder(folder_, filter, &entries_, &error_))
        error_ = "Cannot read this folder: " + error_;
    selected_ = entries_.empty() ? -1 : 0;
    // Land on the first file rather than on "..": that is what one came for.
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (!entries_[i].is_folder) {
            selected_ = static_cast<int>(i);
            break;
        }
    first_ = 0;
}

void FileDialogLayer::EnterFolder(const std::string& path) {
    folder_ = path;
    Reload();
}

void FileDialogLayer::Select(int index) {
    if (entries_.empty()) return;
    selected_ = std::clamp(index, 0, static_cast<int>(entries_.size()) - 1);
    const FolderEntry& e = entries_[static_cast<std::size_t>(selected_)];
    if (!e.is_folder) {
        name_ = e.name;
        name_state_ = {DecodeUtf8(name_).size(), 0};
    }
}

void FileDialogLayer::Activate(int index) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) return;
    const FolderEntry& e = entries_[static_cast<std::size_t>(index)];
    std::string path = ResolvePath(folder_, e.name);
    if (e.is_folder) {
        EnterFolder(path);
    } else {
        result_ = path;
        done_ = true;
    }
}

void FileDialogLayer::Accept() {
    if (name_.empty()) {
        Activate(selected_);
        return;
    }
    TypedName t = InterpretTypedName(folder_, name_);
    switch (t.kind) {
        case TypedName::Nothing:
            Activate(selected_);
            break;
        case TypedName::EnterFolder:
            name_.clear();
            name_state_ = {};
            EnterFolder(t.path);
            break;
        case TypedName::UsePattern:
            pattern_ = t.pattern;
            name_.clear();
            name_state_ = {};
            EnterFolder(t.path);
            break;
        case TypedName::ChooseFile:
            result_ = t.path;
            done_ = true;
            break;
    }
}

void FileDialogLayer::CycleFilter(int step) {
    int n = static_cast<int>(filters_.size());
    filter_ = (filter_ + step + n) % n;
    pattern_.clear();
    Reload();
}

void FileDialogLayer::ListKey(const Key& key) {
    int rows = ListRows(), count = static_cast<int>(entries_.size());
    switch (key.kind) {
        case Key::Up:
            Select(selected_ - 1);
            break;
        case Key::Down:
            Select(selected_ + 1);
            break;
        case Key::PageUp:
            Select(selected_ - rows);
            break;
        case Key::PageDown:
            Select(selected_ + rows);
            break;
        case Key::Home:
            Select(0);
            break;
        case Key::End:
            Select(count - 1);
            break;
        case Key::Backspace:
            EnterFolder(ParentFolder(folder_));
            break;
        case Key::Char:
            if (key.ch == U' ') {
                Activate(selected_);
                break;
            }
            // Type-ahead: the next entry starting with the letter.
            for (int k = 1; k <= count; ++k) {
                int i = (selected_ + k) % count;
                const std::string& n = entries_[static_cast<std::size_t>(i)].name;
                if (!n.empty() && key.ch < 0x80 &&
                    std::tolower(static_cast<unsigned char>(n[0])) ==
                        std::tolower(static_cast<int>(key.ch))) {
                    Select(i);
                    break;
                }
            }
            break;
        default:
            break;
    }
}

void FileDialogLayer::HandleKey(const Key& key) {
    switch (key.kind) {
        case Key::Escape:
        case Key::Interrupt:
            done_ = true;
            return;
        case Key::Tab:
            focus_ = (focus_ + 1) % kParts;
            return;
        case Key::BackTab:
            focus_ = (focus_ + kParts - 1) % kParts;
            return;
        case Key::Click:
            HandleClick(key.row, key.col);
            return;
        case Key::Alt:
            if (key.ch == U'o') Accept();
            if (key.ch == U'n') focus_ = kName;
            if (key.ch == U't') focus_ = kType;
            return;
        case Key::Enter:
            if (focus_ == kCancel)
                done_ = true;
            else if (focus_ == kList)
                Activate(selected_);
            else
                Accept();
            return;
        default:
            break;
    }
    switch (focus_) {
        case kList:
            ListKey(key);
            break;
        case kName:
            if (key.kind == Key::Up || key.kind == Key::Down) {
                focus_ = kList;
                ListKey(key);
            } else {
                ApplyEditKey(name_, name_state_, key, {});
            }
            break;
        case kType:
            if (key.kind == Key::Up || key.kind == Key::Left) CycleFilter(-1);
            if (key.kind == Key::Down || key.kind == Key::Right ||
                (key.kind == Key::Char && key.ch == U' '))
                CycleFilter(1);
            break;
        case kOpen:
            if (key.kind == Key::Char && key.ch == U' ') Accept();
            break;
        case kCancel:
            if (key.kind == Key::Char && key.ch == U' ') done_ = true;
            break;
        default:
            break;
    }
}

void FileDialogLayer::HandleClick(int row, int col) {
    if (list_rect_.Contains(row, col)) {
        int index = first_ + row - list_rect_.top;
        focus_ = kList;
        if (index == selected_)
            Activate(index);  // a second click opens
        else if (index < static_cast<int>(entries_.size()))
            Select(index);
    } else if (name_rect_.Contains(row, col)) {
        focus_ = kName;
    } else if (type_rect_.Contains(row, col)) {
        focus_ = kType;
        CycleFilter(1);
    } else if (open_rect_.Contains(row, col)) {
        Accept();
    } else if (cancel_rect_.Contains(row, col)) {
        done_ = true;
    }
}

CellRect FileDialogLayer::FocusArea() const {
    switch (focus_) {
        case kList:
            return list_rect_;
        case kName:
            return name_rect_;
        case kType:
            return type_rect_;
        case kOpen:
            return open_rect_;
        case kCancel:
            return cancel_rect_;
        default:
            return {};
    }
}

void FileDialogLayer::Draw(Grid& grid, const CellRect& owner, bool active) {
    outer_ = CentreIn(owner, width_, height_);
    CellRect in = DrawWindow(grid, outer_, "Open", active, true);
    int left = in.left + 1, inner = in.width - 2;
    grid.Text(in.top, left, "Look in:", Role::Text);
    std::u32string where = DecodeUtf8(folder_);
    int room = inner - 10;
    if (static_cast<int>(where.size()) > room && room > 3)
        where = U"..." + where.substr(where.size() - static_cast<std::size_t>(room - 3));
    grid.Text(in.top, left + 10, EncodeUtf8(where), Role::Text, room);

    // The listing, framed, with folders marked by a trailing slash.
    CellRect frame{left, in.top + 1, inner, ListRows() + 2};
    grid.Box(frame, Role::Frame);
    list_rect_ = {frame.left + 1, frame.top + 1, frame.width - 2, ListRows()};
    int rows = ListRows();
    if (selected_ >= 0) {
        if (selected_ < first_) first_ = selected_;
        if (selected_ >= first_ + rows) first_ = selected_ - rows + 1;
    }
    std::vector<std::string> lines;
    for (const FolderEntry& e : entries_) lines.push_back(e.is_folder ? e.name + "/" : e.name);
    DrawList(grid, list_rect_, lines, first_, selected_,
             focus_ == kList ? Look::Focused : Look::Normal);
    if (!error_.empty())
        grid.Text(list_rect_.top, list_rect_.left, error_, Role::Alert, list_rect_.width);

    int row = frame.bottom();
    grid.Label(row, left, "File &name:", Role::Text);
    name_rect_ = {left + 16, row, inner - 16, 1};
    ScrollToCursor(name_state_, DecodeUtf8(name_).size(),
                   static_cast<std::size_t>(EditBoxTextWidth(name_rect_)));
    auto name_width = static_cast<std::size_t>(EditBoxTextWidth(name_rect_));
    int text_col = DrawEditBox(grid, name_rect_, VisibleText(name_, name_state_, name_width),
                               focus_ == kName ? Look::Focused : Look::Normal);
    if (active && focus_ == kName)
        grid.SetCursor(row, text_col + static_cast<int>(name_state_.cursor - name_state_.scroll));

    row += 2;
    grid.Label(row, left, "Files of &type:", Role::Text);
    type_rect_ = {left + 16, row, inner - 16, 1};
    std::string type =
        pattern_.empty() ? filters_[static_cast<std::size_t>(filter_)].label : pattern_;
    DrawEditBox(grid, type_rect_, type, focus_ == kType ? Look::Focused : Look::Normal);
    grid.Put(row, type_rect_.right() - 2, glyph::kArrowDown,
             focus_ == kType ? Role::FieldFocus : Role::Field);

    row = in.bottom() - 2;
    cancel_rect_ = {in.right() - 14, row, 12, 1};
    open_rect_ = {cancel_rect_.left - 14, row, 12, 1};
    DrawButton(grid, open_rect_, "&Open", focus_ == kOpen ? Look::Focused : Look::Default);
    DrawButton(grid, cancel_rect_, "Cancel", focus_ == kCancel ? Look::Focused : Look::Normal);
    grid.Text(row, left, "Enter opens, Esc cancels", Role::Disabled,
              std::max(0, open_rect_.left - left - 1));
}

}  // namespace tui
