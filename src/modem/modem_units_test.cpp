// The simulated modem's parts that need no network: its fault choices, its command line,
// its stored files, and the firmware an update leaves it with.
#include <gtest/gtest.h>

#include <filesystem>

#include "modem/fault_injector.h"
#include "modem/file_store.h"
#include "modem/firmware_identity.h"
#include "modem/modem_options.h"
#include "modem/modem_test_fixture.h"

namespace modem {
namespace {

namespace fs = std::filesystem;

TEST(PacketChoice, ReadsKindBlockNameAndCountAndRejectsWhatItCannotMean) {
    auto c = ParsePacketChoice("data:2:info*");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->kind, "data");
    EXPECT_EQ(c->block, 2);
    EXPECT_EQ(c->name, "info");
    EXPECT_EQ(c->count, -1);
    EXPECT_EQ(ParsePacketChoice("ack0:tftplock.key")->count, 1);
    EXPECT_FALSE(ParsePacketChoice("any:image*3")->block);
    EXPECT_EQ(ParsePacketChoice("ack:65535")->block, 65535);
    for (const char* bad : {"", "nack:1", "ack:1:2", "ack1:2", "ack:70000", "ack*0", "ack:", "1:info"})
        EXPECT_FALSE(ParsePacketChoice(bad)) << bad;
    FaultPlan plan{.duplicate = {"data1", "bogus"}};
    EXPECT_NE(ValidateFaultPlan(plan).find("bogus"), std::string::npos);
    plan = {.loss_percent = 101};
    EXPECT_NE(ValidateFaultPlan(plan), "");
}

TEST(FaultInjector, AChoiceTakesAsManyMatchingDatagramsAsItsCountAndLossIsSeeded) {
    FaultInjector f;
    f.Reset(FaultPlan{.drop = {"ack:2:image*2"}, .duplicate = {"data1"}});
    auto ack2 = tftp::BuildAck(2);
    EXPECT_EQ(f.Decide(tftp::BuildAck(3), "image"), Fate::kSend);
    EXPECT_EQ(f.Decide(ack2, "info"), Fate::kSend);  // another transfer
    for (Fate fate : {Fate::kDrop, Fate::kDrop, Fate::kSend}) EXPECT_EQ(f.Decide(ack2, "image"), fate);
    EXPECT_EQ(f.Decide(tftp::BuildData(1, "x", 1), "any"), Fate::kDuplicate);
    EXPECT_EQ(f.Decide(tftp::BuildData(1, "x", 1), "any"), Fate::kSend);
    auto run = [](std::uint32_t seed) {
        FaultInjector g;
        g.Reset(FaultPlan{.loss_percent = 30, .seed = seed});
        std::vector<Fate> fates;
        for (int i = 0; i < 1000; ++i) fates.push_back(g.Decide(tftp::BuildAck(1), "x"));
        return fates;
    };
    auto a = run(5);
    EXPECT_EQ(a, run(5));
    EXPECT_NE(a, run(6));
    EXPECT_NEAR(std::count(a.begin(), a.end(), Fate::kDrop), 300, 100);
}

ParsedCommandLine Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "sperrow-modem");
    return ParseModemCommandLine(static_cast<int>(args.size()), args.data(), "/shipped/data");
}

TEST(ModemOptions, DefaultsRepeatedChoicesAndBadValues) {
    auto d = Parse({});
    ASSERT_TRUE(d.options);
    EXPECT_EQ(d.options->config.listen_addr, 0x7F000001u);
    EXPECT_EQ(d.options->config.listen_port, 6969);
    EXPECT_EQ(d.options->config.data_dir, "/shipped/data");
    auto p = Parse({"--listen", "0.0.0.0", "--drop", "ack:2", "--drop", "data1:info*", "--error",
                    "info=Busy=now", "--listen-port-replies", "--answer-delay", "image=2500",
                    "--duplicate-gap", "300"});
    ASSERT_TRUE(p.options) << p.err;
    EXPECT_EQ(p.options->config.listen_addr, 0u);
    EXPECT_TRUE(p.options->config.answer_from_listen_port);
    EXPECT_EQ(p.options->faults.drop, (std::vector<std::string>{"ack:2", "data1:info*"}));
    EXPECT_EQ(p.options->faults.error_for.at("info"), "Busy=now");
    EXPECT_EQ(p.options->faults.answer_delay_ms.at("image"), 2500);
    EXPECT_EQ(p.options->faults.duplicate_gap_ms, 300);
    for (auto args : std::vector<std::vector<const char*>>{
             {"--listen", "localhost"}, {"--error", "nothing"}, {"--loss", "101"},
             {"--port", "70000"}, {"--bogus"}, {"--answer-delay", "image=-1"},
             {"--answer-delay", "=5"}, {"--duplicate-gap", "-3"}}) {
        auto bad = Parse(args);
        EXPECT_FALSE(bad.options) << args[0];
        EXPECT_EQ(bad.exit_code, 2) << args[0];
        EXPECT_FALSE(bad.err.empty()) << args[0];
    }
    auto help = Parse({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("--listen-port-replies"), std::string::npos);
}

TEST(FileStore, OnlyNamesInsideTheFolderAreServedAndStoredNamesArePlain) {
    for (const char* ok : {"info", "sub/file", "..x"}) EXPECT_TRUE(IsServableName(ok)) << ok;
    for (const char* bad : {"", "/etc/passwd", "../x", "a/../../x", "a/..", ".", "a//b", "a/"})
        EXPECT_FALSE(IsServableName(bad)) << bad;
    EXPECT_EQ(StoredFileName("../../etc/passwd"), ".._.._etc_passwd");
    EXPECT_EQ(StoredFileName(".."), "_");
    EXPECT_EQ(StoredFileName("a b\\c"), "a_b_c");
    char tmpl[] = "/tmp/sperrow-store-test-XXXXXX";
    std::string dir = mkdtemp(tmpl), store = dir + "/store/deeper", error;
    ASSERT_TRUE(SaveStoredFile(store, "image", {1, 2, 3}, &error)) << error;
    ASSERT_TRUE(SaveStoredFile(store, "image", testing::Pattern(3000), &error)) << error;
    EXPECT_EQ(ReadServedFile(store, "image"), testing::Pattern(3000));
    EXPECT_FALSE(fs::exists(store + "/image.part"));
    EXPECT_FALSE(ReadServedFile(dir, "store"));  // a directory is no file
    fs::remove_all(dir);
}

TEST(FirmwareIdentity, VersionCarriedByAnUpdateAndTheInfoThatReportsIt) {
    struct Case {
        std::string name, bytes, version;
    } cases[] = {
        {"info", "Labs;2026;HW1.0;FW2.3;", "FW2.3"},
        {"info", "Labs;2026;HW1.0/ FW2.4 \r\n", "FW2.4"},
        {"info", "Labs;2026;HW1.0", ""},
        {"image", "LZ0110402300payload", "10402300"},
        {"image", "LZ0120112345payload", ""},  // the older format carries none
        {"hw.cond", "board=X", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionCarriedBy(c.name, testing::BytesOf(c.bytes)), c.version) << c.bytes;
    for (auto [info, shown] : {std::pair{"Sim;2024;HW 1.2/FW 3.0.8\r\n", "Sim;2024;HW 1.2/NEW\r\n"},
                               {"Sim;2024;HW1;FW1;extra", "Sim;2024;HW1;NEW;extra"},
                               {"Sim;2024;HW1", "Sim;2024;HW1;NEW"},
                               {"", ";;;NEW"}})
        EXPECT_EQ(InfoReporting(info, "NEW"), shown);
}

}  // namespace
}  // namespace modem
