// What the local server tells a driver that no person watches (`sperrow serve`) about each
// transfer once it has finished or failed, refused requests included: who, which way,
// which file, how much, how long, and "ok" or why not. The server reports into it; a driver
// sets the one listener.
#pragma once

#include <functional>
#include <string>

#include "framework/clock.h"

struct ServerTransferReport {
    std::string peerAddress;
    unsigned peerPort = 0;
    bool write = false;  // the peer wrote a file to us
    std::string name;    // as requested
    long long bytes = 0;
    fw::Millis elapsed = 0;
    std::string outcome;  // "ok", or the reason it failed
};

using ServerTransferListener = std::function<void(const ServerTransferReport&)>;

// Null: nobody listens (the default).
void SetServerTransferListener(ServerTransferListener listener);
void ReportServerTransfer(const ServerTransferReport& report);
