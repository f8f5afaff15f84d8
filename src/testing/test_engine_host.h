// The Sequencer's share of the test host, EngineHostState, is declared with the rest of it.
#pragma once

#include "testing/test_host.h"
