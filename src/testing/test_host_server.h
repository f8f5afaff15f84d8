// The server's share of the test host: ReadServerRootPath() copies HostState::server_root
// into the server a test names here, as the application copies the File Path box.
#pragma once

class TftpServer;

namespace testhost {

void SetServerUnderTest(TftpServer* server);

}  // namespace testhost
