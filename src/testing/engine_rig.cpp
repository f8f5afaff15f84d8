#include "testing/engine_rig.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "framework/desktop.h"
#include "framework/net.h"
#include "sequencer/engine_state.h"
#include "sequencer/sequencer.h"
#include "testing/test_host.h"
#include "tftp/engine_globals.h"
#include "tftp/run_observer.h"

namespace testhost {

namespace {

std::string MakeScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sperrow-engine-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

}  // namespace

EngineRig::EngineRig(RigOptions options) : dir(MakeScratchDir()) {
    fw::SetMainLoop(&loop);
    fw::SetDesktop(&desktop);
    ResetEngineState();
    ResetHost();
    ResetEngineHost();
    g_bUnicast = 1;  // as the upgrade page leaves it when it opens
    host = &net.AddHost(kHostAddr);
    for (int i = 0; i < options.modems; ++i) {
        std::uint32_t addr = kModemAddr + static_cast<std::uint32_t>(i);
        modem::ModemConfig config;
        config.listen_addr = options.modems > 1 ? fw::kAnyAddr : addr;
        config.listen_port = kModemPort;
        config.answer_from_listen_port = options.answer_from_listen_port;
        config.data_dir = dir;
        config.password = options.password;
        config.retransmit_timeout_ms = options.modem_retransmit_ms;
        config.max_retransmits = options.modem_max_retransmits;
        auto m = std::make_unique<modem::SimulatedModem>(net.AddHost(addr), config);
        m->Start();
        modems.push_back(std::move(m));
    }
    client.SetStack(host);
    client.SetModemPort(kModemPort);
    client.CreateClientSocket();
    client.EnableBroadcast();
    AttachSequencerClient(&client);
    EngineHost().password_box = options.password;
    EngineHost().config_pack_box = Path("config.pack");
}

EngineRig::~EngineRig() {
    AttachSequencerClient(nullptr);
    client.Close();
    modems.clear();
    fw::SetDesktop(nullptr);
    fw::SetMainLoop(nullptr);
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
}

std::string EngineRig::Path(const std::string& name) const { return dir + "/" + name; }

std::string EngineRig::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::string p = Path(name);
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return p;
}

std::string EngineRig::Write(const std::string& name, const std::string& text) const {
    return Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> EngineRig::Read(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool EngineRig::Run(std::initializer_list<int> plan, fw::Millis limit) {
    StartPlan(plan);
    return RunLoopUntilSettled(limit);
}

bool EngineRig::RunLoopUntilSettled(fw::Millis limit) {
    const RunObserver& observer = TheRunObserver();
    return loop.RunUntil(
        [&] { return observer.Phase() != RunPhase::kRunning && !observer.IsPending(); }, limit);
}

std::vector<tftp::Bytes> EngineRig::HostSent() const {
    std::vector<tftp::Bytes> out;
    for (const fw::Datagram& d : net.Trace()) {
        if (d.from.addr == kHostAddr) out.push_back(d.bytes);
    }
    return out;
}

std::vector<std::string> EngineRig::HostSentNames() const {
    std::vector<std::string> out;
    for (const tftp::Bytes& d : HostSent()) out.push_back(DescribeDatagram(d));
    return out;
}

void EngineRig::DropFromHost(const std::string& name, int count) {
    drops_[name] += count;
    net.SetFilter([this](const fw::Datagram& d) {
        auto drop = drops_.find(DescribeDatagram(d.bytes));
        if (d.from.addr != kHostAddr || drop == drops_.end() || drop->second == 0)
            return fw::Verdict::kDeliver;
        --drop->second;
        return fw::Verdict::kDrop;
    });
}

int EngineRig::HostSentCount(const std::string& name) const {
    auto names = HostSentNames();
    return static_cast<int>(std::count(names.begin(), names.end(), name));
}

std::vector<std::string> EngineRig::ReceivedNames(int modem) const {
    std::vector<std::string> out;
    for (const modem::ReceivedFile& f : modems[modem]->Received()) out.push_back(f.name);
    return out;
}

std::string DescribeDatagram(const tftp::Bytes& d) {
    tftp::Header h = tftp::ParseHeader(d.data(), d.size());
    if (!h.valid) return "?";
    switch (h.opcode) {
        case tftp::RRQ:
        case tftp::WRQ: {
            auto r = tftp::ParseRequest(d.data(), d.size());
            return std::string(h.opcode == tftp::RRQ ? "RRQ " : "WRQ ") + (r ? r->name : "?");
        }
        case tftp::DATA:
            return "DATA " + std::to_string(h.field) + " (" + std::to_string(d.size() - 4) + ")";
        case tftp::ACK:
            return "ACK " + std::to_string(h.field);
        default:
            return "OP " + std::to_string(h.opcode);
    }
}

}  // namespace testhost
