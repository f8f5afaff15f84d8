#include "app/main_window_host.h"

void RegisterMainWindowHost() {
    static MainWindowHost host;
    SetSequencerHost(&host);
}
