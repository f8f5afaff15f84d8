// Fetch mode: after a "RequestID" the modem reads "LatestVersion" and the image it names
// from the host's TFTP server.
#include <gtest/gtest.h>

#include "modem/modem_test_fixture.h"

namespace modem::testing {
namespace {

constexpr std::uint16_t kServerPort = 1069;

class ModemFetchTest : public ModemTest {
protected:
    SimulatedModem& StartFetchingModem() {
        ModemConfig config = Config();
        config.fetch_port = kServerPort;
        config.store_dir = dir + "/store";
        return StartModem(config);
    }
    void AnnounceBoard(TestPeer& client) {
        ASSERT_TRUE(WriteFile(client, ModemAt(), "RequestID", BytesOf(kPassword + "\r\n")).done);
    }
};

TEST_F(ModemFetchTest, ReadsLatestVersionThenTheImageItNames) {
    SimulatedModem& modem = StartFetchingModem();
    TestPeer client(host);
    TestPeer server(host, kServerPort);
    AnnounceBoard(client);

    tftp::Bytes latest = BytesOf("99.0\r\npkg.pack\r\n10.0.0.1\r\n1300\r\n");
    tftp::Bytes image = Pattern(1300, 11);
    EXPECT_EQ(ServeOneRead(server, latest), "LatestVersion");
    EXPECT_EQ(ServeOneRead(server, image), "pkg.pack");
    loop.RunPending();

    ASSERT_EQ(modem.Fetched().size(), 2u);
    EXPECT_EQ(modem.Fetched()[0].name, "LatestVersion");
    EXPECT_EQ(modem.Fetched()[0].bytes, latest);
    EXPECT_EQ(modem.Fetched()[1].name, "pkg.pack");
    EXPECT_TRUE(modem.Fetched()[1].complete);
    EXPECT_EQ(modem.Fetched()[1].bytes, image);
    EXPECT_TRUE(std::filesystem::exists(dir + "/store/pkg.pack"));
}

TEST_F(ModemFetchTest, RepeatedBlockFromTheServerIsNotAnsweredTwice) {
    StartFetchingModem();
    TestPeer client(host);
    TestPeer server(host, kServerPort);
    AnnounceBoard(client);
    auto request = server.Next();
    ASSERT_TRUE(request && request->opcode() == tftp::RRQ);
    tftp::Bytes latest = BytesOf("99.0\r\nimg\r\n10.0.0.1\r\n5\r\n" + std::string(600, '#'));
    auto block1 = tftp::BuildData(1, latest.data(), 512);
    server.Send(block1, request->from);
    server.Send(block1, request->from);
    loop.RunPending();
    ASSERT_EQ(server.inbox.size(), 1u);  // an answer to each copy would double the rest
    EXPECT_EQ(server.inbox.front().bytes, tftp::BuildAck(1));
    server.inbox.clear();
    // Our own timer still resends the ACK when the next block does not come.
    auto resent = server.Next();
    ASSERT_TRUE(resent.has_value());
    EXPECT_EQ(resent->bytes, tftp::BuildAck(1));
}

TEST_F(ModemFetchTest, MissingLatestVersionEndsTheFetchWithoutAnImageRequest) {
    SimulatedModem& modem = StartFetchingModem();
    TestPeer client(host);
    TestPeer server(host, kServerPort);
    AnnounceBoard(client);
    EXPECT_EQ(ServeOneRead(server, {}, "File not found"), "LatestVersion");
    loop.RunFor(20000);
    EXPECT_TRUE(server.inbox.empty());
    ASSERT_EQ(modem.Fetched().size(), 1u);
    EXPECT_FALSE(modem.Fetched()[0].complete);
}

TEST_F(ModemFetchTest, ServerThatStaysSilentIsAskedABoundedNumberOfTimes) {
    ModemConfig config = Config();
    config.fetch_port = kServerPort;
    config.max_retransmits = 2;
    SimulatedModem& modem = StartModem(config);
    TestPeer client(host);
    TestPeer server(host, kServerPort);
    AnnounceBoard(client);
    loop.RunFor(30000);
    EXPECT_EQ(server.inbox.size(), 1u + 2u);
    ASSERT_EQ(modem.Fetched().size(), 1u);
    EXPECT_FALSE(modem.Fetched()[0].complete);
}

}  // namespace
}  // namespace modem::testing
