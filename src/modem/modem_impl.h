// Inside the simulated modem. simulated_modem.cpp holds the plumbing (sockets, faults,
// the life of transfers); modem_requests.cpp holds what the requests mean (the key, the
// update bracket, the board request, the fetch).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/clock.h"
#include "modem/fault_injector.h"
#include "modem/modem_socket.h"
#include "modem/simulated_modem.h"
#include "modem/take_transfer.h"
#include "modem/transfer.h"
#include "tftp/packet.h"

namespace modem {

inline constexpr const char* kKeyFile = "tftplock.key";
inline constexpr const char* kRequestIdFile = "RequestID";
inline constexpr const char* kUpdateBeginFile = "tftpupdt.beg";
inline constexpr const char* kUpdateRebootFile = "tftpupdt.rbt";
inline constexpr const char* kUpdateEndFile = "tftpupdt.end";
inline constexpr const char* kMacroFile = "cmdmacro";
inline constexpr const char* kLatestVersionFile = "LatestVersion";
inline constexpr const char* kLockedText = "Access denied: modem is locked";
inline constexpr const char* kWrongKeyText = "Wrong password";

struct SimulatedModem::Impl : TransferContext {
    Impl(fw::NetStack& stack, ModemConfig config);
    ~Impl() override;

    // TransferContext
    const ModemConfig& Config() const override { return cfg; }
    void Send(const std::shared_ptr<ModemSocket>& via, const tftp::Bytes& datagram, fw::Endpoint to,
              const std::string& name) override;
    void Log(const std::string& line) override;
    void Retire(Transfer& transfer) override;

    // Plumbing (simulated_modem.cpp).
    bool Start(std::string* error);
    void Stop();
    // The socket exchange `id` answers from: the listening one, or a fresh transfer port
    // whose datagrams go to that exchange (id 0: a one-off answer, nothing goes anywhere).
    std::shared_ptr<ModemSocket> SocketFor(int id);
    // Takes ownership of a transfer; its own socket's datagrams are routed to it.
    template <class T>
    T& Adopt(std::unique_ptr<T> transfer, bool from_request, int id);
    int NextId() { return next_id++; }
    std::shared_ptr<ModemSocket> OpenTransferSocket(int id);
    Transfer* FindRequestTransfer(fw::Endpoint peer);
    // Whether the exchange is still busy before its delayed first answer.
    bool AnswersLater(const Transfer* transfer) const;
    void OnListenDatagram(const std::uint8_t* data, std::size_t len, fw::Endpoint from);
    void OnTransferDatagram(int id, const std::uint8_t* data, std::size_t len, fw::Endpoint from);
    void Reap();
    void SendAfter(const std::shared_ptr<ModemSocket>& via, const tftp::Bytes& datagram,
                   fw::Endpoint to, int ms);
    // Starts the exchange `id`: its first answer goes out now, or after the delay chosen for
    // its name.
    void Answer(Transfer& transfer, int id);
    // Runs `task` on the loop soon, unless the modem is gone by then.
    void Later(std::function<void()> task);

    // Requests (modem_requests.cpp).
    void Heard(std::uint32_t addr);
    bool Unlocked(std::uint32_t addr) const;
    void OnRequest(const tftp::Request& request, fw::Endpoint from);
    // Answers a request with an ERROR (from a port of its own) and logs why.
    void Refuse(fw::Endpoint to, const char* verb, const std::string& name, std::uint16_t code,
                const std::string& text, const std::string& why);
    void ServeRead(const std::string& name, fw::Endpoint from);
    void TakeWrite(const std::string& name, fw::Endpoint from);
    WriteVerdict Judge(std::size_t index, fw::Endpoint from);
    bool KeyMatches(const std::vector<std::uint8_t>& bytes) const;
    std::optional<std::vector<std::uint8_t>> ReadBack(const std::string& name) const;
    void Keep(const std::string& name, const std::vector<std::uint8_t>& bytes);
    void ScheduleCompletion(fw::Endpoint host);
    void SendCompletion(fw::Endpoint host);
    void StartFetch(const std::string& name, fw::Endpoint server, bool follow_latest);
    void OnLatestVersion(const std::vector<std::uint8_t>& bytes, fw::Endpoint server);
    void ForgetOlderCopies(std::vector<ReceivedFile>& files, const std::string& name);
    // The reboot after an update (modem_reboot.cpp).
    void NoteUpdateFile(const std::string& name, const std::vector<std::uint8_t>& bytes);
    void Reboot();
    bool Rebooting() const;
    // The "info" file as the modem reports it now.
    std::optional<std::vector<std::uint8_t>> ReportedInfo() const;

    struct Entry {
        int id;
        bool from_request;
        std::unique_ptr<Transfer> transfer;
    };
    struct HostState {
        bool unlocked = false;
        fw::Millis last_heard = 0;
    };
    struct Pending {
        std::shared_ptr<ModemSocket> via;
        tftp::Bytes datagram;
        fw::Endpoint to;
    };

    fw::NetStack& stack;
    ModemConfig cfg;
    FaultInjector faults;
    std::shared_ptr<ModemSocket> listen;
    std::vector<Entry> transfers;
    int next_id = 1;
    bool reap_posted = false;
    std::map<int, Pending> pending;  // delayed datagrams by timer id
    std::set<int> answering_later;   // exchanges still busy before their first answer
    int next_pending = 1;
    std::vector<ReceivedFile> received;
    std::vector<FetchedFile> fetched;
    std::map<std::uint32_t, HostState> hosts;
    bool update_mode = false;
    bool completion_sent = false;
    std::string update_version;  // carried by the files of the update in progress
    std::string firmware;        // reported since the last reboot ("" for the data's)
    fw::Millis rebooting_until = -1;
    std::vector<std::string> log;
    std::function<void(const std::string&)> sink;
    // Tasks posted to the loop hold a weak reference and do nothing once the modem is gone.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    // Timer keys of the modem's own timers.
    const char completion_timer = 0;
    const char delay_timer = 0;
};

template <class T>
T& SimulatedModem::Impl::Adopt(std::unique_ptr<T> transfer, bool from_request, int id) {
    T& ref = *transfer;
    transfers.push_back(Entry{id, from_request, std::move(transfer)});
    return ref;
}

}  // namespace modem
