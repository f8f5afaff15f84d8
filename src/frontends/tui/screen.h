// The terminal's picture of the program: a stack of layers (the main window at the bottom,
// modal dialogs, message boxes, the open-file dialog and the system menu above it), drawn
// into a Grid and shown on the terminal, with a help line. Keys go to the top layer. The
// screen redraws whenever the dialog model reports a change, so timers and socket
// notifications that change a control show at once, modal loops or not. On a terminal
// smaller than the main window the picture is shown through a view that follows the focus
// and keeps the top window in sight as far as it fits, with a hint in place of the help.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ui/ui_events.h"
#include "frontends/tui/escape_joiner.h"
#include "frontends/tui/grid.h"
#include "frontends/tui/layer.h"
#include "frontends/tui/layer_host.h"

namespace tui {

class Terminal;

class Screen : public LayerHost {
public:
    // With a terminal the screen shows itself on it; without one (tests) it only draws
    // into its grid, whose size SetSize chooses.
    explicit Screen(Terminal* terminal = nullptr);
    ~Screen() override;
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    void SetSize(int width, int height);

    // The layer is drawn on top until it is removed; the caller keeps it alive.
    void Push(Layer* layer);
    void Remove(Layer* layer);
    bool Empty() const { return layers_.empty(); }
    Layer* Top() const { return layers_.empty() ? nullptr : layers_.back(); }

    // Pushes the layer, runs the event loop until it is done (or the program must end),
    // and removes it again.
    void RunLayer(Layer& layer) override;

    // Draws everything into the grid and shows it on the terminal.
    void Redraw();
    // What the terminal shows.
    const Grid& grid() const { return grid_; }
    // The whole picture the view looks at: the terminal's size less the help line, or the
    // main window's where that is larger.
    const Grid& picture() const { return picture_; }
    // Whether only part of the picture is on the terminal, and the picture's cell at the
    // view's top left corner.
    bool partial() const { return partial_; }
    int view_top() const { return view_top_; }
    int view_left() const { return view_left_; }
    // The main window's rectangle (the first layer) in the picture, or the free area when
    // there is none.
    CellRect OwnerRect() const;
    // Cells the main window and the help line need.
    int NeededWidth() const;
    int NeededHeight() const;

    // A key from the person, after Esc-then-letter joining: acted on by the top layer.
    void Dispatch(const Key& key);
    // Raw keys from the terminal: joined, then dispatched.
    void Feed(const Key& key);
    // The Esc waiting for its letter gives up.
    void ExpireEscape();
    bool EscapePending() const { return joiner_.pending(); }

    // Ends every modal dialog and box and lets the main window close: the program ends
    // with this status.
    void Quit(int status);
    // Told once, before the dialogs are ended, when the program is made to quit.
    std::function<void(int status)> onQuit;
    bool quitting() const { return quitting_; }
    int exit_status() const { return exit_status_; }

    void SetHelpLine(std::string text) { help_ = std::move(text); }
    static std::string DefaultHelpLine();
    static std::string PartialViewHint();
    static std::string KeysHelpText();

private:
    void OnUiEvent(const fw::UiEvent& event);
    void RequestRedraw();
    void PlaceView();
    void ShowView();

    Terminal* terminal_;
    Grid grid_;
    Grid picture_;
    bool partial_ = false;
    int view_top_ = 0;
    int view_left_ = 0;
    std::vector<Layer*> layers_;
    EscapeJoiner joiner_;
    std::string help_;
    bool redraw_posted_ = false;
    bool quitting_ = false;
    int exit_status_ = 0;
    std::shared_ptr<bool> alive_;
    fw::ScopedUiListener listener_;
};

}  // namespace tui
