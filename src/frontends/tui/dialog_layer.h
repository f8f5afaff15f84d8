// A dialog of the model on the terminal: every visible control of the dialog and of its
// visible pages at its template rectangle, drawn by kind; and the keys and clicks of a
// person, turned into what the model's drivers offer (focus moves, typing, clicks, Enter,
// Esc, the system menu). Nothing here runs an operation: buttons are clicked, that is all.
// The drawing half lives in dialog_draw.cpp, the input half in dialog_layer.cpp.
#pragma once

#include <map>
#include <vector>

#include "framework/ui/dialog.h"
#include "frontends/tui/ip_edit.h"
#include "frontends/tui/layer.h"
#include "frontends/tui/layer_host.h"
#include "frontends/tui/line_edit.h"

namespace tui {

class DialogLayer : public Layer {
public:
    // `host` runs the system menu on top of this layer; may be null (no menu).
    DialogLayer(fw::CDialog& dialog, LayerHost* host);

    // The main window is drawn at exactly `owner`; any other dialog centred over it.
    void SetMainWindow(bool main) { main_ = main; }

    void Draw(Grid& grid, const CellRect& owner, bool active) override;
    void HandleKey(const Key& key) override;
    bool Done() const override;
    int Width() const override;
    int Height() const override;
    CellRect Drawn() const override { return outer_; }
    CellRect FocusArea() const override;

    fw::CDialog& dialog() { return dialog_; }
    // Where the window was last drawn (frame included).
    const CellRect& outer() const { return outer_; }
    // Where a control was last drawn, for tests and clicks; an empty rectangle if it was not.
    CellRect PlaceOf(const fw::CControl* control) const;

private:
    struct Place {
        fw::CControl* control;
        CellRect rect;
    };

    std::vector<Place> Layout() const;
    void AlignLines(std::vector<Place>& places, std::size_t first) const;
    void DrawControl(Grid& grid, const Place& place, bool active);
    void DrawStatic(Grid& grid, const Place& place, Role role);
    void DrawEdit(Grid& grid, const Place& place, bool active);
    void DrawIp(Grid& grid, const Place& place, bool active);
    void DrawTab(Grid& grid, const Place& place);
    int StaticRoom(const Place& place) const;

    void EnsureFocus();
    void FocusChanged(fw::CControl* now);
    bool EditKey(fw::CControl* focus, const Key& key);
    bool IpKey(fw::CControl* focus, const Key& key);
    bool ArrowKey(fw::CControl* focus, const Key& key);
    bool Accelerator(char letter);
    void ClickAt(int row, int col);
    void OpenSystemMenu();

    fw::CDialog& dialog_;
    LayerHost* host_;
    bool main_ = false;
    CellRect outer_;
    CellRect client_;
    std::vector<Place> places_;  // as last drawn
    std::map<const fw::CControl*, EditState> edits_;
    std::map<const fw::CControl*, IpEditState> ips_;
    const fw::CControl* last_focus_ = nullptr;
};

}  // namespace tui
