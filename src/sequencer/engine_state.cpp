#include "sequencer/engine_state.h"

#include "formats/pack_table.h"
#include "sequencer/sequencer.h"
#include "sequencer/sequencer_hooks.h"
#include "sequencer/server_timer.h"
#include "sequencer/step_ring.h"
#include "tftp/engine_globals.h"
#include "tftp/modem_info.h"
#include "tftp/run_observer.h"
#include "tftp/server_transfer_report.h"

void ResetEngineState() {
    // The timers first, while a host still answers for them.
    StopResponseTimer();
    AttachServerTimer(nullptr);
    SetSequencerHost(nullptr);
    AttachSequencerClient(nullptr);
    ResetStepRings();

    TheRunObserver().Reset();
    TheRunObserver().SetListener(nullptr);
    SetQuietEngineBoxes(false);
    SetServerTransferListener(nullptr);

    g_szPassword.Clear();
    g_szModemAddress.Clear();
    g_bUnicast = 0;
    g_nTargetOs = 0;
    g_bUpdateComplete = 1;
    ClearModemInfoFields();
    g_szCompany.Clear();
    g_szDate.Clear();
    g_szTftpVersion.Clear();

    for (PackEntry& entry : g_aPackEntries) entry = PackEntry{};
    g_nPackEntries = 0;
    g_nPackEntry = 0;
}
