#include "modem/modem_options.h"

#include <gtest/gtest.h>

#include <map>
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

TEST(ModemOptionsTest, RepeatedChoicesAccumulateAndErrorsSplitAtTheFirstEquals) {
    auto p = Parse({"--listen", "0.0.0.0", "--drop", "ack:2", "--drop", "data1:info*", "--error",
                    "info=Busy=now", "--error", "hw.prof=", "--listen-port-replies",
                    "--answer-delay", "image=2500", "--answer-delay", "info=0",
                    "--duplicate-gap", "300"});
    ASSERT_TRUE(p.options) << p.err;
    const FaultPlan& f = p.options->faults;
    EXPECT_EQ(p.options->config.listen_addr, 0u);
    EXPECT_TRUE(p.options->config.answer_from_listen_port);
    EXPECT_EQ(f.drop, (std::vector<std::string>{"ack:2", "data1:info*"}));
    EXPECT_EQ(f.error_for.at("info"), "Busy=now");
    EXPECT_EQ(f.error_for.at("hw.prof"), "");
    EXPECT_EQ(f.answer_delay_ms, (std::map<std::string, int>{{"image", 2500}, {"info", 0}}));
    EXPECT_EQ(f.duplicate_gap_ms, 300);
}

TEST(ModemOptionsTest, BadValuesEndWithAMessageAndTheUsageErrorStatus) {
    for (auto args : std::vector<std::vector<const char*>>{{"--listen", "localhost"},
                                                           {"--error", "nothing"},
                                                           {"--drop", "ack:x:y"},
                                                           {"--loss", "101"},
                                                           {"--port", "70000"},
                                                           {"--bogus"},
                                                           {"--answer-delay", "image"},
                                                           {"--answer-delay", "image=-1"},
                                                           {"--answer-delay", "=5"},
                                                           {"--answer-delay", "image=5ms"},
                                                           {"--duplicate-gap", "-3"}}) {
        auto p = Parse(args);
        EXPECT_FALSE(p.options) << args[0];
        EXPECT_EQ(p.exit_code, 2) << args[0];
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
