#include "tftp/client_port.h"

#include "tftp/tftp_client.h"

void ClientPort::OnReceive(int /*error_code*/) {
    client_.ReceiveOn(*this, id_);
}
