// Every window of the program drawn into an in-memory screen and compared with its picture
// under tests/tui/snapshots/: the main window as designed and in expert mode (each tab),
// the About box and the system menu, the Modem Information and upgrade status dialogs, a
// message box and the open-file dialog. (The window on a smaller terminal: small_terminal_test.)
#include <filesystem>

#include "frontends/tui/window_fixture.h"
#include "resources/resource.h"

namespace tui {
namespace {

class Screens : public WindowFixture {};

TEST_F(Screens, MainWindowAsDesigned) {
    RunWindow({Snapshot("main_window"), Press(Key::Escape)});
}

TEST_F(Screens, ExpertModeShowsEveryPage) {
    // The tab control is the third stop; Right moves to the next tab.
    RunWindow({Press(Key::Tab), Press(Key::Tab), Snapshot("expert_upgrade"), Press(Key::Right),
               Snapshot("expert_configuration"), Press(Key::Right), Snapshot("expert_server"),
               Press(Key::Right), Snapshot("expert_download_files"), Press(Key::Escape)},
              {.expertMode = true});
}

TEST_F(Screens, SystemMenuAndAboutBox) {
    RunWindow({Press(Key::Menu), Snapshot("system_menu"), Press(Key::Up), Press(Key::Enter),
               WaitFor("About Brevik"), Snapshot("about_box"), Press(Key::Enter),
               Press(Key::Escape)});
}

TEST_F(Screens, ModemInformation) {
    StartModem();
    // "Modem Info" is one of the hidden controls.
    RunWindow({Type(kPassword), Press(Key::Tab), Type(kModemText), ClickOn("Modem Info"),
               WaitFor("Hardware Profile"), Snapshot("modem_information"), Press(Key::Enter),
               Press(Key::Escape)},
              {.expertMode = true});
}

TEST_F(Screens, UpgradeStatusCountingAndComplete) {
    modem::ModemConfig slow;
    slow.completion_delay_ms = 4000;
    StartModem(slow);
    std::filesystem::copy_file(std::string(SPERROW_SOURCE_DIR) + "/samples/sample.pack",
                               dir + "/sample.pack");
    // Focus: password, address, tab control, "E&xit", image check box, image path.
    RunWindow({Type(kPassword), Press(Key::Tab), Type(kModemText), Tabs(4), Type("sample.pack"), Press(Key::Accel(U'd')),
               WaitFor("Modem is now updating"), WaitFor("34"), Snapshot("upgrade_status_counting"),
               WaitFor("Update Complete"), Snapshot("upgrade_status_complete"), Press(Key::Enter),
               Press(Key::Escape)});
}

TEST_F(Screens, StopMessageOverTheWindow) {
    // Download with nothing chosen: the image cannot be opened.
    RunWindow({Press(Key::Accel(U'd')), WaitFor("OK"), Snapshot("message_box"), Press(Key::Enter),
               Press(Key::Escape)});
}

TEST_F(Screens, OpenFileDialog) {
    std::filesystem::create_directory(dir + "/images");
    for (const char* name : {"a.pack", "b.pack", "c.comp", "notes.txt"})
        WriteFile(dir + "/" + name, "x");
    // Focus: password, address, tab control, "E&xit", image check box, image path, its
    // browse button.
    RunWindow({Tabs(6), Press(Key::Character(U' ')), WaitFor("Look in"),
               Snapshot("open_file"), Press(Key::Escape), Press(Key::Escape)});
}

}  // namespace
}  // namespace tui
