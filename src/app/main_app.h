// CMainApp: the application object. It runs the main window modally with the driver's
// start options; the program ends when the window does.
#pragma once

#include "app/start_options.h"

class CMainApp {
public:
    // Empties both step rings, as the program's static start-up did.
    explicit CMainApp(StartOptions options = {});

    // Runs the main window until it ends; false then, so that the program ends.
    bool InitInstance();
    // The same, returning the code the window ended with (fw::IDOK for "E&xit" and Enter,
    // fw::IDCANCEL for Esc and the close box, kEndedDuringRun when the person quit while a
    // run was in progress).
    int Run();

    const StartOptions& Options() const { return options_; }

private:
    StartOptions options_;
};
