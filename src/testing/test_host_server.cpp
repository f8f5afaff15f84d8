#include "testing/test_host_server.h"

#include "testing/test_host.h"
#include "tftp/host_hooks.h"
#include "tftp/tftp_server.h"

namespace {

TftpServer* g_pServerUnderTest = nullptr;

}  // namespace

void testhost::SetServerUnderTest(TftpServer* server) { g_pServerUnderTest = server; }

void ReadServerRootPath() {
    if (g_pServerUnderTest != nullptr) g_pServerUnderTest->SetRootPath(testhost::Host().server_root);
}
