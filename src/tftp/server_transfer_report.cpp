#include "tftp/server_transfer_report.h"

namespace {

ServerTransferListener& Listener() {
    static ServerTransferListener listener;
    return listener;
}

}  // namespace

void SetServerTransferListener(ServerTransferListener listener) {
    Listener() = std::move(listener);
}

void ReportServerTransfer(const ServerTransferReport& report) {
    if (Listener()) Listener()(report);
}
