#include "modem/modem_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace modem {
namespace {

ParsedCommandLine Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "sperrow-modem");
    return ParseModemCommandLine(static_cast<int>(args.size()), args.data(), "/shipped/data");
}

TEST(ModemOptionsTest, DefaultsListenOnLoopbackAndServeTheShippedData) {
    auto p = Parse({});
    ASSERT_TRUE(p.options);
    const ModemConfig& c = p.options->config;
    EXPECT_EQ(c.listen_addr, 0x7F000001u);
    EXPECT_EQ(c.listen_port, 6969);
    EXPECT_EQ(c.data_dir, "/shipped/data");
    EXPECT_FALSE(c.answer_from_listen_port);
    EXPECT_EQ(c.fetch_port, 0);
    EXPECT_FALSE(c.keep_history);
    EXPECT_FALSE(p.options->quiet);
}

TEST(ModemOptionsTest, EveryOptionReachesTheConfigurationOrTheFaultPlan) {
    auto p = Parse({"--listen", "0.0.0.0", "--port", "16969", "--data", "/d", "--password", "pw",
                    "--board", "B1", "--completion-delay", "500", "--listen-port-replies",
                    "--fetch-port", "1069", "--store", "/s", "--loss", "10", "--seed", "9",
                    "--drop", "ack:2", "--drop", "data1:info*", "--error", "info=Busy=now",
                    "--error", "hw.prof=", "--silent", "-q", "--duplicate", "ack0",
                    "--delay", "20", "--timeout", "300", "--retries", "7"});
    ASSERT_TRUE(p.options) << p.err;
    const ModemConfig& c = p.options->config;
    const FaultPlan& f = p.options->faults;
    EXPECT_EQ(c.listen_addr, 0u);
    EXPECT_EQ(c.listen_port, 16969);
    EXPECT_EQ(c.data_dir, "/d");
    EXPECT_EQ(c.password, "pw");
    EXPECT_EQ(c.board_id, "B1");
    EXPECT_EQ(c.completion_delay_ms, 500);
    EXPECT_TRUE(c.answer_from_listen_port);
    EXPECT_EQ(c.fetch_port, 1069);
    EXPECT_EQ(c.store_dir, "/s");
    EXPECT_EQ(c.retransmit_timeout_ms, 300);
    EXPECT_EQ(c.max_retransmits, 7);
    EXPECT_EQ(f.loss_percent, 10);
    EXPECT_EQ(f.seed, 9u);
    EXPECT_EQ(f.drop, (std::vector<std::string>{"ack:2", "data1:info*"}));
    EXPECT_EQ(f.duplicate, (std::vector<std::string>{"ack0"}));
    EXPECT_EQ(f.delay_ms, 20);
    EXPECT_EQ(f.error_for.at("info"), "Busy=now");  // split at the first '='
    EXPECT_EQ(f.error_for.at("hw.prof"), "");
    EXPECT_TRUE(f.silent);
    EXPECT_TRUE(p.options->quiet);
}

TEST(ModemOptionsTest, BadValuesEndWithAMessageAndAFailingCode) {
    for (auto args : std::vector<std::vector<const char*>>{{"--listen", "localhost"},
                                                           {"--error", "nothing"},
                                                           {"--drop", "ack:x:y"},
                                                           {"--loss", "101"},
                                                           {"--port", "70000"},
                                                           {"--bogus"}}) {
        auto p = Parse(args);
        EXPECT_FALSE(p.options) << args[0];
        EXPECT_NE(p.exit_code, 0) << args[0];
        EXPECT_FALSE(p.err.empty()) << args[0];
    }
}

TEST(ModemOptionsTest, HelpIsPrintedAndSucceeds) {
    auto p = Parse({"--help"});
    EXPECT_FALSE(p.options);
    EXPECT_EQ(p.exit_code, 0);
    EXPECT_NE(p.out.find("--listen-port-replies"), std::string::npos);
}

}  // namespace
}  // namespace modem
