// The server's receive path, fed by scripted clients in every state of its one slot: idle,
// serving a read, receiving a write, and given up. The input picks the settings and then a
// list of moves from two clients and a stranger: requests for names that try to leave the
// root ("..", absolute paths) or that are ordinary, raw datagrams of any size, ACK, DATA and
// ERROR with chosen fields, sound answers to the server's latest datagram (so that
// transfers get deep), repeats, and waits that let the server timer fire. Links in the root
// lead out of it. Beyond the sanitizers: nothing outside the root is touched, nothing is
// left in it but the files it held and those that were asked for by name, and no
// half-written file survives.
//
// Input: byte 0 = read enabled (0x01), write enabled (0x02), no retries (0x04); then moves,
// each an op byte (sender in the low 2 bits, move in bits 2..4) and its arguments.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "testing/fuzz_input.h"
#include "testing/hostile_peer.h"
#include "testing/server_rig.h"

namespace {

namespace fs = std::filesystem;
using testhost::HostilePeer;

constexpr std::uint32_t kServerAddr = 0x7F000001;
constexpr std::uint16_t kServerPort = 69;

using Input = testhost::FuzzInput;
using testhost::Check;

const std::string kSecret = "outside the root\n";

// <scratch>/root is served, <scratch>/secret lies just outside it.
class Harness : public testhost::ServerRig {
public:
    explicit Harness(std::uint8_t head)
        : ServerRig(kServerAddr, kServerPort),
          secret_(scratch + "/secret"),
          client_(stack, 0x7F000002),
          stranger_(stack, 0x7F000003) {
        testhost::Host().server_read_enabled = (head & 1) != 0;
        testhost::Host().server_write_enabled = (head & 2) != 0;
        testhost::Host().retry_text = (head & 4) ? "0" : "2";
        testhost::Host().timeout_text = "1";
        fs::create_directories(root + "/sub");
        fs::create_directories(root + "/dir");
        Put("small", testhost::Pattern(100));
        Put("big", testhost::Pattern(1500));
        Put("empty", {});
        Put("sub/inner", testhost::Pattern(600));
        std::ofstream(secret_, std::ios::binary) << kSecret;
        // Links that lead out: to the secret, and to the folder that holds it.
        fs::create_symlink("../secret", root + "/link");
        fs::create_symlink("..", root + "/linkdir");
        originals_ = {"small", "big", "empty", "sub/inner", "link"};
    }

    // The names a request may carry: ordinary ones, and every way out of the root that
    // still lands inside the scratch folder, so that a fault shows without harm.
    std::string Name(Input& in) {
        const std::string kNames[] = {
            "small", "big", "empty", "sub/inner", "new", "sub/new", "dir", "sub/", ".", "",
            "../secret", "sub/../../secret", "./../secret", "..", "../root/new", secret_,
            "/" + secret_, root + "/new", "dir/../../secret", "a/../../secret", "link",
            "linkdir/secret", "linkdir/new", "sub/../link", std::string(300, 'n')};
        std::uint8_t b = in.Byte();
        if (b < std::size(kNames)) return kNames[b];
        std::vector<std::uint8_t> raw = in.Bytes(b - std::size(kNames));
        std::string name(raw.begin(), raw.end());
        return name.substr(0, name.find('\0'));
    }

    void Move(Input& in) {
        std::uint8_t op = in.Byte();
        int who = op & 3;
        switch ((op >> 2) & 7) {
            case 0: {
                bool write = in.Byte() & 1;
                std::string name = Name(in);
                if (write) Asked(name);
                tftp::Bytes req = tftp::BuildRequest(write ? tftp::WRQ : tftp::RRQ, name);
                std::uint8_t cut = in.Byte();
                // Now and then without its mode, or without even the name's zero.
                if (cut == 1) req.resize(2 + name.size() + 1);
                if (cut == 2) req.resize(2 + name.size());
                Send(who, req);
                break;
            }
            case 1: {
                tftp::Bytes raw = testhost::FuzzRawDatagram(in);
                // A raw write request could name any path on this machine: only names that
                // stay in the current folder's kind of shape are let through, the ways out
                // are tried with the names above.
                auto r = tftp::ParseRequest(raw.data(), raw.size());
                if (r && r->op == tftp::WRQ) {
                    if (r->name.find('/') != std::string::npos ||
                        r->name.find("..") != std::string::npos)
                        break;
                    Asked(r->name);
                }
                Send(who, raw);
                break;
            }
            case 2:
                Send(who, tftp::BuildAck(in.Word()));
                break;
            case 3: {
                std::uint16_t block = in.Word();
                std::vector<std::uint8_t> data = in.Bytes(testhost::FuzzDataLength(in.Byte()));
                Send(who, tftp::BuildData(block, data.data(), data.size()));
                break;
            }
            case 4: {
                std::uint16_t code = in.Word();
                std::vector<std::uint8_t> text = in.Bytes(in.Byte() % 40);
                Send(who, tftp::BuildError(code, std::string(text.begin(), text.end())));
                break;
            }
            case 5:
                loop.RunFor((in.Byte() + 1) * 40);
                break;
            case 6:
                Answer(who, in);
                break;
            case 7:
                if (!last_.empty()) Send(last_who_, last_);
                break;
        }
    }

    // After the server is gone: the tree holds what it should.
    void Judge() {
        StopServer();
        Check(Get(secret_) == tftp::Bytes(kSecret.begin(), kSecret.end()));
        Check(fs::is_symlink(root + "/link") && fs::is_symlink(root + "/linkdir"));
        for (const auto& e : fs::directory_iterator(scratch)) {
            std::string n = e.path().filename().string();
            Check(n == "root" || n == "secret");
        }
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            if (e.is_directory()) continue;
            std::string rel = e.path().lexically_relative(root).string();
            Check(rel.front() != '.' && rel.find("/.") == std::string::npos);  // no temp file
            Check(originals_.count(rel) || asked_.count(rel));
        }
    }

private:
    void Asked(const std::string& name) {
        asked_.insert(fs::path(name).lexically_normal().string());
    }

    HostilePeer& Peer(int who) { return who == 2 ? stranger_ : client_; }
    std::uint16_t Port(int who) { return who == 1 ? 2002 : 2000; }

    void Send(int who, const tftp::Bytes& bytes) {
        last_ = bytes;
        last_who_ = who;
        Peer(who).Send(Port(who), bytes, fw::Endpoint{kServerAddr, kServerPort});
        loop.RunPending();
    }

    // A sound client's answer to the server's latest datagram to this sender.
    void Answer(int who, Input& in) {
        std::vector<std::uint8_t> data = in.Bytes(testhost::FuzzDataLength(in.Byte()));
        const auto& trace = net.Trace();
        for (auto it = trace.rbegin(); it != trace.rend(); ++it) {
            if (it->from.addr != kServerAddr || it->to.addr != Peer(who).Address() ||
                it->to.port != Port(who))
                continue;
            tftp::Header h = tftp::ParseHeader(it->bytes.data(), it->bytes.size());
            if (h.opcode == tftp::DATA) {
                Send(who, tftp::BuildAck(h.field));
            } else if (h.opcode == tftp::ACK) {
                Send(who, tftp::BuildData(static_cast<std::uint16_t>(h.field + 1), data.data(),
                                          data.size()));
            }
            return;
        }
    }

    std::string secret_;
    HostilePeer client_;
    HostilePeer stranger_;
    std::set<std::string> originals_;
    std::set<std::string> asked_;
    tftp::Bytes last_;
    int last_who_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    Harness h(in.Byte());
    for (int moves = 0; moves < 300 && !in.Empty(); ++moves) h.Move(in);
    h.loop.RunFor(10000);
    h.Judge();
    return 0;
}
