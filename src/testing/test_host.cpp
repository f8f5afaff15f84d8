#include "testing/test_host.h"

#include <cstdlib>

#include "sequencer/sequencer.h"
#include "sequencer/sequencer_hooks.h"
#include "tftp/engine_globals.h"
#include "tftp/tftp_client.h"
#include "tftp/tftp_server.h"

namespace testhost {

namespace {

TftpServer* g_pServerUnderTest = nullptr;

// The engines' and the Sequencer's upward calls over HostState and EngineHostState.
class TestHost final : public SequencerHost {
public:
    void ReadConfigPackPath() override {
        if (TftpClient* client = SequencerClient())
            client->packFilePath = testhost::EngineHost().config_pack_box;
    }
    void ReadServerRootPath() override {
        if (g_pServerUnderTest != nullptr) g_pServerUnderTest->SetRootPath(Host().server_root);
    }
    int GetRetryCount() override { return std::atoi(Host().retry_text.c_str()); }
    int GetTimeoutSeconds() override { return std::atoi(Host().timeout_text.c_str()); }
    int GetBroadcastDelay() override { return std::atoi(Host().delay_text.c_str()); }
    bool IsCriteriaFileSkipped() override { return Host().criteria_skipped; }
    bool IsServerReadEnabled() override { return Host().server_read_enabled; }
    bool IsServerWriteEnabled() override { return Host().server_write_enabled; }

    void LogMessage(const char* text) override {
        if (Host().log_enabled) Host().log.emplace_back(text);
    }
    bool IsLogEnabled() override { return Host().log_enabled; }
    void ResetProgress(int n) override {
        Host().progress_upper = (n + 1) & 0xFFFF;
        Host().progress_pos = 0;
    }
    void StepProgress() override {
        if (Host().progress_pos < Host().progress_upper) ++Host().progress_pos;
    }
    void SetServerActivityOn(const char* text) override {
        Host().activity_icon = 135;
        Host().activity_text = text;
    }
    void SetServerActivityOff(const char* text) override {
        Host().activity_icon = 134;
        Host().activity_text = text;
    }

    void ReadModemAddress() override { g_szModemAddress = testhost::EngineHost().address_box; }
    void ReadPassword() override { StorePassword(testhost::EngineHost().password_box); }
    void ReadImagePath() override {
        const EngineHostState& e = testhost::EngineHost();
        if (TftpClient* client = SequencerClient()) {
            client->sourcePath = e.tab_index == 0 ? e.image_box : e.restore_box;
            client->remoteName = "image";
        }
    }
    void ShowUpgradeStatusDialog() override {
        EngineHostState& e = testhost::EngineHost();
        ++e.upgrade_status_shown;
        if (e.while_upgrade_status) e.while_upgrade_status();
    }
    void ShowModemInfoDialog() override {
        EngineHostState& e = testhost::EngineHost();
        ++e.modem_info_shown;
        if (e.while_modem_info) e.while_modem_info();
    }
    std::string ReadConfigDestinationText() override {
        return testhost::EngineHost().config_pack_box.substr(0, 199);
    }
    bool ReadOtherFileRow(int row, std::string& source, std::string& destination) override {
        if (row < 1 || row > 2 || !testhost::EngineHost().rows[row - 1].checked) return false;
        source = testhost::EngineHost().rows[row - 1].source;
        destination = testhost::EngineHost().rows[row - 1].destination;
        return true;
    }
    std::string ReadMacroFilePath() override { return testhost::EngineHost().macro_box; }
};

void Register() {
    static TestHost host;
    SetSequencerHost(&host);
}

}  // namespace

HostState& Host() {
    static HostState state;
    return state;
}

void ResetHost() {
    Host() = HostState{};
    Register();
}

EngineHostState& EngineHost() {
    static EngineHostState state;
    return state;
}

void ResetEngineHost() {
    EngineHost() = EngineHostState{};
    Register();
}

void SetServerUnderTest(TftpServer* server) { g_pServerUnderTest = server; }

}  // namespace testhost
