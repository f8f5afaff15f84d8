// All the process-wide state of the engines and the Sequencer, put back in one call, for a
// process that runs one test after another.
#pragma once

// Back to what a fresh process holds: no host registered (sequencer_hooks.h), both timers
// stopped and no server behind the server timer, no client attached to the Sequencer, both
// step rings empty, the run observer idle without a listener and with its boxes shown, no
// listener to the server's transfer reports, the shared texts, the modem's information
// fields and the pack table empty, unicast off and the target OS 0.
//
// The one exception is g_bUpdateComplete, which is left set as an earlier upgrade's
// completion report leaves it: a run clears it itself when its end marker's write starts,
// and one that did not must fail its test rather than pass on a fixture's cleaning.
void ResetEngineState();
