// A fleet run's parts that need no process: the modems file, the arguments each child gets
// (a single run of the same command; the password kept out of them: tests/cli/fleet_test.sh),
// and the table.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "frontends/cli/cli_options.h"
#include "frontends/cli/fleet_child.h"
#include "frontends/cli/fleet_table.h"
#include "frontends/cli/modem_list.h"

namespace cli {
namespace {

TEST(ModemList, OneModemALineWithThePasswordAsTheRestOfIt) {
    struct Case {
        const char* text;
        std::vector<FleetModem> modems;
        const char* problem;  // the start of the problem, "" for none
    };
    const Case cases[] = {
        {"127.0.0.1\n127.0.0.2\tpw\n", {{"127.0.0.1", {}}, {"127.0.0.2", "pw"}}, ""},
        {"# fleet\n\n  \t\n127.0.0.1\t # not a comment\r\n",
         {{"127.0.0.1", " # not a comment"}}, ""},
        {"127.0.0.1\t\n127.0.0.2\ta\tb", {{"127.0.0.1", ""}, {"127.0.0.2", "a\tb"}}, ""},
        {"", {}, ""},
        {"127.0.0.1\n127.0.0.300\n", {}, "line 2 is not an IPv4 address"},
        {"127.0.0.1 pw\n", {}, "line 1 is not an IPv4 address"},
        {" 127.0.0.1\n", {}, "line 1"},
    };
    for (const Case& c : cases) {
        ModemListResult result = ParseModemList(c.text);
        EXPECT_EQ(result.problem.rfind(c.problem, 0), 0u) << c.text << ": " << result.problem;
        if (*c.problem == '\0') {
            EXPECT_EQ(result.modems, c.modems) << c.text;
        }
    }
    EXPECT_EQ(RepeatedModem({{"127.0.0.1", {}}, {"127.0.0.2", {}}, {"127.0.0.01", "x"}}),
              "modem 127.0.0.01 is named twice");
    EXPECT_EQ(ExpandModemTemplate("{modem}/{modem}.pack{", "127.0.0.1"),
              "127.0.0.1/127.0.0.1.pack{");
}

// A fleet run's command line, picked at random from the options a fleet run takes.
std::vector<std::string> RandomFleetCommandLine(std::mt19937& random) {
    auto maybe = [&random] { return random() % 2 == 0; };
    auto number = [&random](int low, int high) {
        return std::to_string(low + static_cast<int>(random() % (high - low + 1)));
    };
    const std::string hex(64, 'a');
    std::vector<std::string> words = {"-m", "127.0.0.1", "-m", "127.0.0.2"};
    using Options = std::vector<std::vector<std::string>>;
    auto some_of = [&](const Options& options, std::size_t from) {
        for (std::size_t i = from; i < options.size(); ++i)
            if (maybe()) words.insert(words.end(), options[i].begin(), options[i].end());
    };
    some_of({{"--port", number(1, 65535)}, {"--retry", number(0, 50)}, {"--timeout", number(1, 9)},
              {"--delay", number(0, 500)}, {"--interface", "eth1"}, {"--listen", "127.0.0.9"},
              {"--server-port", number(1, 65535)}, {"--no-server"}, {"--expert"}, {"-q"}, {"-v"},
              {"--pcap", "cap-{modem}.pcap"}, {"--pcap-secrets"}, {"--log-file", "fleet.log"},
              {"--jobs", number(1, 16)}, {"--json"}},
            0);
    // Each command first, then the options of its own.
    const Options commands[] = {
        {{"upgrade", "fw.pack"}, {"--skip-criteria"}, {"--no-wait"}, {"--sha256", hex},
         {"--verify", "--verify-interval", number(1, 9), "--verify-timeout", "60"}},
        {{"info"}},
        {{"config", "get", "-o", "saved/{modem}.pack"}},
        {{"config", "put", "saved.pack"}, {"--no-reboot"}, {"--no-wait"}, {"--sha256", hex}},
        {{"send", "--file", "dir/a.conf:resolve"}, {"--macro", "wan.macro"}, {"--file2", "b.txt"}},
    };
    const Options& command = commands[random() % 5];
    words.insert(words.end(), command[0].begin(), command[0].end());
    some_of(command, 1);
    return words;
}

std::optional<CliOptions> Parse(const std::vector<std::string>& words) {
    std::vector<const char*> argv = {"sperrow"};
    for (const std::string& word : words) argv.push_back(word.c_str());
    ParsedCommandLine parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_TRUE(parsed.options) << parsed.err;
    return parsed.options;
}

// Each child is a single run that does what the fleet run was asked to, against its modem:
// every option the same, the templates filled in, the JSON on, the log left to the file.
TEST(FleetChildArguments, MakeASingleRunOfTheSameCommand) {
    ::unsetenv("SPERROW_PASSWORD");
    std::mt19937 random(22);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> words = RandomFleetCommandLine(random);
        std::optional<CliOptions> fleet = Parse(words);
        ASSERT_TRUE(fleet);
        ASSERT_EQ(fleet->fleet.size(), 2u);
        for (const FleetModem& modem : fleet->fleet) {
            std::optional<CliOptions> child = Parse(FleetChildArguments(*fleet, modem, false));
            ASSERT_TRUE(child);
            CliOptions expected = *fleet;
            expected.fleet.clear();
            expected.jobs = 0;
            expected.modem = modem.address;
            expected.json = expected.jsonEvents = true;
            expected.log = false;
            expected.pcap = ExpandModemTemplate(fleet->pcap, modem.address);
            if (fleet->command == Command::kConfigGet)
                expected.file = ExpandModemTemplate(fleet->file, modem.address);
            EXPECT_TRUE(*child == expected) << ::testing::PrintToString(words);
        }
    }
}

TEST(FleetTable, EveryLineFitsAndEveryModemHasItsRowInOrder) {
    std::mt19937 random(7);
    const char* steps[] = {"", "writing the unlock key",
                           "waiting for the modem to finish its update"};
    for (int round = 0; round < 200; ++round) {
        std::vector<FleetRow> rows(1 + random() % 9);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            FleetRow& row = rows[i];
            row.address = "127.0.0." + std::to_string(100 + i);
            row.state = static_cast<FleetRow::State>(random() % 3);
            row.step = steps[random() % 3];
            row.file = random() % 2 ? "image" : "a\x1b[2Jvery-long-entry-name";
            row.percent = static_cast<int>(random() % 120) - 10;
            row.status = static_cast<int>(random() % 5);
            row.error = random() % 2 ? "Error:\nimage not sent: Server already in update mode" : "";
        }
        std::size_t width = std::vector<std::size_t>{0, 40, 79, 200}[random() % 4];
        std::vector<std::string> lines = FleetTableLines(rows, width);
        ASSERT_EQ(lines.size(), rows.size() + 1);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::string& line = lines[i + 1];
            if (width > 0) {
                EXPECT_LE(line.size(), width);
            }
            EXPECT_EQ(line.rfind(rows[i].address, 0), 0u) << line;
            EXPECT_EQ(line.find('\x1b'), std::string::npos) << "a name cannot steer the terminal";
            EXPECT_EQ(line.find('\n'), std::string::npos);
            std::string result = FleetResult(rows[i]);
            if (width == 0 || width == 200) {
                EXPECT_NE(line.find(result), std::string::npos) << line;
            }
        }
    }
}

// ("ok" and "status 1: Wrong password" in the table: tests/cli's fleet and json tests.)
TEST(FleetTable, ResultsAndSummarySayWhichModemFailed) {
    FleetRow ok{"127.0.0.1", FleetRow::State::kDone, "", "", -1, 0, ""};
    FleetRow wrong{"127.0.0.2", FleetRow::State::kDone, "", "", -1, 1, "Wrong password\n"};
    FleetRow late{"127.0.0.3", FleetRow::State::kDone, "", "", -1, 3, ""};
    EXPECT_EQ(FleetResult(late), "status 3");
    EXPECT_EQ(FleetSummary({ok}), "1 modem: 1 succeeded.");
    EXPECT_EQ(FleetSummary({ok, wrong, late}),
              "3 modems: 1 succeeded, 2 failed: 127.0.0.2, 127.0.0.3.");
}

}  // namespace
}  // namespace cli
