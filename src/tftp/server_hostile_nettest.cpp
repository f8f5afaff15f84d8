// A scripted hostile client against the server on the real loopback: names that try to
// leave the root, names without their zero, datagrams of 1 and 1500 bytes, a request flood,
// repeated ACKs, and DATA and ACK from strangers in the middle of a transfer. The server must
// not crash, touch nothing outside its root, keep its memory bounded, and serve a normal
// client correctly afterwards.
#include "tftp/server_net_fixture.h"

namespace {

using namespace servernet;
using testhost::Host;
using Bytes = tftp::Bytes;
using Seen = std::vector<std::string>;

Bytes Request(tftp::Opcode op, const std::string& name) {
    return tftp::BuildRequest(op, name);
}

// Resident memory of this process in KiB.
long ResidentKiB() {
    std::ifstream in("/proc/self/status");
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == "VmRSS:") {
            in >> value;
            return value;
        }
        in.ignore(1 << 12, '\n');
    }
    return -1;
}

class ServerHostileNetTest : public ServerNetFixture {
protected:
    ServerHostileNetTest() {
        fs::create_directories(Root("sub"));
        WriteFile(scratch / "secret", "outside the root");
        WriteFile(Root("big"), Pattern(1500, 1));
        WriteFile(Root("small"), Pattern(100, 2));
        Host().server_write_enabled = true;
    }
    // The root as the fixture laid it, plus `extra`.
    Seen Untouched(Seen extra = {}) {
        Seen names = {"big", "small", "sub"};
        names.insert(names.end(), extra.begin(), extra.end());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool SecretIntact() { return ReadFile(scratch / "secret") == "outside the root"; }
};

TEST_F(ServerHostileNetTest, NamesThatLeaveTheRootAreRefusedAndTouchNothing) {
    RawClient client;
    std::string secret = (scratch / "secret").string();
    for (const std::string& name :
         {std::string("../secret"), std::string("sub/../../secret"), std::string("./../secret"),
          std::string(".."), secret, "/" + secret, std::string("sub/"), std::string("/"),
          std::string("../../../../../../../../") + secret.substr(1)}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Exchange(client, Request(tftp::RRQ, name)), Seen{"Error 2 (128)"});
        EXPECT_EQ(Exchange(client, Request(tftp::WRQ, name)), Seen{"Error 2 (128)"});
        // A client that goes on regardless is told the transfer is not there.
        EXPECT_EQ(Exchange(client, tftp::BuildData(1, "pwned", 5)), Seen{"Error 5 (24)"});
    }
    EXPECT_TRUE(SecretIntact());
    EXPECT_EQ(Tree(scratch / "root"), Untouched());
}

TEST_F(ServerHostileNetTest, NamesWithoutTheirZeroAndOddSizedDatagramsAreDropped) {
    RawClient client;
    Bytes rrq = Request(tftp::RRQ, "small");
    rrq.resize(2 + 5);  // "small" without its zero or mode
    Bytes wrq = Request(tftp::WRQ, "new");
    wrq.resize(2 + 3);
    for (const Bytes& b : {rrq, wrq, Bytes{0x01}, Bytes(1500, 0x02), Bytes(1024 + 1, 0x01),
                           Bytes{0x00, 0x09, 0x00, 0x01}}) {
        SCOPED_TRACE(b.size());
        EXPECT_EQ(Exchange(client, b), Seen{});
    }
    EXPECT_EQ(Tree(scratch / "root"), Untouched());
    // And it still serves.
    EXPECT_EQ(Exchange(client, Request(tftp::RRQ, "small")), Seen{"Data 1 (104)"});
}

TEST_F(ServerHostileNetTest, RepeatedAcksAndStrangersMidReadChangeNothing) {
    RawClient client, stranger;
    ASSERT_EQ(Exchange(client, Request(tftp::RRQ, "big")), Seen{"Data 1 (516)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildAck(1)), Seen{"Error 5 (24)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildData(1, "x", 1)), Seen{"Error 5 (24)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildError(0, "stop")), Seen{});
    EXPECT_EQ(Exchange(client, tftp::BuildAck(1)), Seen{"Data 2 (516)"});
    EXPECT_EQ(Exchange(client, tftp::BuildAck(1)), Seen{}) << "a duplicated ACK costs no DATA";
    EXPECT_EQ(Exchange(client, tftp::BuildAck(2)), Seen{"Data 3 (480)"});
    EXPECT_EQ(Exchange(client, tftp::BuildAck(3)), Seen{});
    EXPECT_EQ(Host().activity_text, "IP: 127.0.0.1 \nFinished.");
}

TEST_F(ServerHostileNetTest, StrangersMidWriteLeaveTheFileToTheWriter) {
    RawClient client, stranger;
    std::string first = Pattern(512, 5), last = "the end";
    ASSERT_EQ(Exchange(client, Request(tftp::WRQ, "new")), Seen{"Ack 0 (4)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildData(1, "EVIL", 4)), Seen{"Error 5 (24)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildAck(0)), Seen{"Error 5 (24)"});
    EXPECT_EQ(Exchange(client, tftp::BuildData(1, first.data(), first.size())), Seen{"Ack 1 (4)"});
    EXPECT_EQ(Exchange(stranger, tftp::BuildData(2, "EVIL", 4)), Seen{"Error 5 (24)"});
    EXPECT_EQ(Exchange(client, tftp::BuildData(2, last.data(), last.size())), Seen{"Ack 2 (4)"});
    EXPECT_EQ(ReadFile(Root("new")), first + last);
    EXPECT_EQ(Tree(scratch / "root"), Untouched({"new"}));
}

TEST_F(ServerHostileNetTest, RequestFloodKeepsMemoryBoundedAndANormalClientIsServedAfter) {
    std::vector<std::unique_ptr<RawClient>> flood(20);
    for (auto& c : flood) c = std::make_unique<RawClient>();
    long before = ResidentKiB();
    for (int round = 0; round < 100; ++round) {
        for (std::size_t i = 0; i < flood.size(); ++i) {
            const char* name = i % 3 == 0 ? "big" : i % 3 == 1 ? "missing" : "sub/flood";
            flood[i]->Send(Request(i % 2 ? tftp::WRQ : tftp::RRQ, name), port);
        }
        loop.RunFor(5);
        for (auto& c : flood) c->Take();
    }
    EXPECT_LE(server.TransferCount(), TftpServer::kMaxTransfers);
    flood.clear();
    for (int i = 0; i < 100 && server.ActiveTransferCount() > 0; ++i) loop.RunOnce(100);
    EXPECT_EQ(server.ActiveTransferCount(), 0u) << "every abandoned transfer times out";
    long after = ResidentKiB();
    EXPECT_LT(after - before, 32 * 1024) << before << " KiB before, " << after << " after";
    EXPECT_TRUE(Tree(Root("sub")).empty()) << "no write left half done";

    if (::system("command -v tftp >/dev/null 2>&1") != 0) GTEST_SKIP() << "tftp is not installed";
    std::string p = std::to_string(port);
    EXPECT_EQ(
        Run({"tftp", "-m", "binary", "127.0.0.1", p, "-c", "get", "big", Local("got").string()},
            20),
        0);
    EXPECT_EQ(ReadFile(Local("got")), Pattern(1500, 1));
    WriteFile(Local("up"), Pattern(2000, 9));
    EXPECT_EQ(
        Run({"tftp", "-m", "binary", "127.0.0.1", p, "-c", "put", Local("up").string(), "up"}, 20),
        0);
    EXPECT_EQ(ReadFile(Root("up")), Pattern(2000, 9));
    EXPECT_TRUE(SecretIntact());
    EXPECT_EQ(Tree(scratch / "root"), Untouched({"up"}));
}

}  // namespace
