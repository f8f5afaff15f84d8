// What the driver of the main window (the terminal UI, the command line, a test) decides
// before the window opens: whether the local server runs and where, expert mode, where the
// modem's TFTP service listens and which network device the client sends from, and the
// network stack every socket of the window is opened on.
#pragma once

#include <map>
#include <string>

namespace fw {
class NetStack;
}

struct StartOptions {
    // The local TFTP server. Off: no server socket is opened and nothing is said about it.
    bool openServer = true;
    unsigned serverPort = 69;
    std::string serverAddress;  // listen address; empty: every local address

    // The hidden pages and controls brought on screen (off: the window as designed).
    bool expertMode = false;

    // The modem's TFTP port, where every request of the client goes.
    unsigned modemPort = 69;
    // The network device the client's socket is bound to; empty: the routing table decides.
    std::string clientDevice;

    // Null: the operating system's stack (fw::DefaultStack()). Tests pass an in-memory host.
    fw::NetStack* netStack = nullptr;

    // Checksums the driver was given for files it will have sent: path -> SHA-256 in hex.
    std::map<std::string, std::string> checksums;

    // A capture of every datagram of the window's sockets, for support ("" for none); the
    // content of the password-bearing files is masked unless captureSecrets is set.
    std::string capturePath;
    bool captureSecrets = false;

    // "Verify after reboot": seconds between the reads of a rebooting modem, and how long
    // it has to come back.
    int verifyIntervalSeconds = 5;
    int verifyTimeoutSeconds = 180;
};
