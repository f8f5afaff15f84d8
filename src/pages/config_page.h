// CConfigPage: saves the modem's configuration into one pack file on the host ("&Get") and
// sends such a pack back ("&Put"), normally inside the update bracket.
#pragma once

#include "pages/operation_page.h"

class CConfigPage : public COperationPage {
public:
    explicit CConfigPage(fw::CWnd* parent = nullptr);

    bool OnInitDialog() override;
    std::vector<int> RunGuardedButtons() const override;

protected:
    std::vector<int> ExpertEnabledControls() const override;

private:
    void OnGet();
    void OnPut();
    void OnBrowse(int box_id);
};

inline constexpr const char* kPackFilter = "Pack(*.pack)|*.pack|All file (*.*)|*.*";
inline constexpr const char* kDefaultConfigPack = "config.pack";
