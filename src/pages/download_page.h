// CDownloadPage: sends up to two ordinary files and a command macro file to the modem,
// without an update bracket and without a closing message.
#pragma once

#include <string>

#include "pages/operation_page.h"

class CDownloadPage : public COperationPage {
public:
    // What the page promises: "In this mode, file size can not exceed 8K bytes."
    static constexpr long long kMaxFileSize = 8192;

    explicit CDownloadPage(fw::CWnd* parent = nullptr);
    std::vector<int> RunGuardedButtons() const override;

private:
    void OnDownload();
    void OnBrowse(int check_id, int source_id, int destination_id);
    // The refusal text for a checked file that cannot be sent, or empty.
    std::string CheckFile(int check_id, int source_id) const;
};

inline constexpr const char* kAllFilesFilter = "All file (*.*)|*.*";
inline constexpr const char* kFileTooLargeText = "Warning:\nFile size can not exceed 8K bytes.";
