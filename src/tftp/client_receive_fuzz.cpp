// The client's receive path, fed by a scripted "modem" in every state of every kind of plan:
// command-file writes, an image send, a pack send, the information read and the
// configuration read. The input picks the plan and then a list of moves: sound answers to
// the client's latest datagram (so that a run gets deep into its transfers), raw datagrams
// of any size, ACK, DATA and ERROR with chosen fields, repeats, and waits that let the
// response timer fire. Beyond the sanitizers it holds the run to its promises: a run that
// reports success has sent every file whole (unless the modem excused a step with one of
// its two known texts), a saved configuration pack is laid out right, and nothing is
// written but the pack.
//
// Input: byte 0 = plan (low 3 bits), broadcast (0x08), criteria skipped (0x10), no retries
// (0x20); then moves, each an op byte (sender in the low 2 bits, move in bits 2..4) and
// its arguments.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "formats/formats.h"
#include "formats/pack_table.h"
#include "framework/file.h"
#include "testing/fuzz_input.h"
#include "testing/hostile_modem.h"

namespace {

using testhost::HostileModem;
using testhost::HostilePlan;
using testhost::Outcome;
using testhost::Sender;

using Input = testhost::FuzzInput;
using testhost::Check;

// An ERROR with one of the two texts that excuse a step, or with any text.
tftp::Bytes ErrorMove(Input& in) {
    std::uint8_t sel = in.Byte();
    std::string text;
    if (sel == 0) {
        text = std::string(tftp::kAlreadyUpdating) + ": yes";
    } else if (sel == 1) {
        text = tftp::kNoSuchFile;
    } else {
        std::vector<std::uint8_t> t = in.Bytes(sel);
        text.assign(t.begin(), t.end());
    }
    tftp::Bytes e = tftp::BuildError(in.Byte(), {});
    e.pop_back();
    e.insert(e.end(), text.begin(), text.end());
    if (sel & 1) e.push_back(0);  // some texts end without their zero
    return e;
}

void Move(HostileModem& m, Input& in) {
    std::uint8_t op = in.Byte();
    auto from = static_cast<Sender>(op & 3);
    switch ((op >> 2) & 7) {
        case 0:
            m.Answer(from, in.Bytes(testhost::FuzzDataLength(in.Byte())));
            break;
        case 1:
            m.Send(from, testhost::FuzzRawDatagram(in));
            break;
        case 2: {
            tftp::Bytes ack = tftp::BuildAck(in.Word());
            std::vector<std::uint8_t> text = in.Bytes(in.Byte() % 64);
            ack.insert(ack.end(), text.begin(), text.end());
            m.Send(from, ack);
            break;
        }
        case 3: {
            std::uint16_t block = in.Word();
            std::vector<std::uint8_t> data = in.Bytes(testhost::FuzzDataLength(in.Byte()));
            m.Send(from, tftp::BuildData(block, data.data(), data.size()));
            break;
        }
        case 4:
            m.Send(from, ErrorMove(in));
            break;
        case 5:
            m.Wait((in.Byte() + 1) * 50);
            break;
        case 6:
            m.Repeat();
            break;
        case 7: {
            int shift = static_cast<std::int8_t>(in.Byte());
            m.Answer(from, in.Bytes(testhost::FuzzDataLength(in.Byte())), shift == 0 ? 1 : shift);
            break;
        }
    }
}

// Everything that ends in success must stand up.
void Judge(HostileModem& m) {
    Check(m.StrayFiles().empty());
    if (m.Result() != Outcome::kSucceeded) return;
    if (!m.SentToleratedError()) {
        for (const PackItem& f : m.ExpectedSends()) Check(m.SentWhole(f));
    }
    if (m.plan() == HostilePlan::kConfigRead) {
        // A "PK11" pack of the five files, each entry where the one before ends, the last at
        // the file's end.
        fw::CFile f;
        Check(f.Open(m.rig().Path("config.pack"), fw::CFile::modeRead) &&
              ReadMagic(f) == kMagicPk11 && ReadPackTable(f, kMagicPk11) && g_nPackEntries == 5);
        for (int i = 1; i < g_nPackEntries; ++i)
            Check(g_aPackEntries[i].offset ==
                  g_aPackEntries[i - 1].offset + g_aPackEntries[i - 1].length);
        Check(static_cast<long long>(g_aPackEntries[4].offset) + g_aPackEntries[4].length ==
              f.GetLength());
    }
}

// Reads outside the pack take the remote name as a local path in the current folder: no
// such file may appear there.
bool ReadNamesInCurrentFolder() {
    for (const char* name : {"ProductInfo", "info", "hw.prof", "initbridge", "initbrowser",
                             "resolve", "imode", "dhcpd.conf"}) {
        if (std::filesystem::exists(name)) return true;
    }
    return false;
}

}  // namespace

// Every input lays out and removes a scratch folder: in memory where there is such a place.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec)) setenv("TMPDIR", "/dev/shm", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool already_there = ReadNamesInCurrentFolder();
    Input in(data, size);
    std::uint8_t head = in.Byte();
    auto plan = static_cast<HostilePlan>((head & 7) % testhost::kHostilePlanCount);
    {
        HostileModem m(plan, (head & 0x10) != 0);
        g_bUnicast = (head & 0x08) ? 0 : 1;
        if (head & 0x20) testhost::Host().retry_text = "0";
        m.Start();
        for (int moves = 0; moves < 200 && !in.Empty(); ++moves) Move(m, in);
        m.Settle();
        Judge(m);
    }
    Check(already_there || !ReadNamesInCurrentFolder());
    return 0;
}
