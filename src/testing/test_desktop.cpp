#include "testing/test_desktop.h"

namespace testhost {

int TestDesktop::MessageBox(const std::string& text, const std::string&, unsigned flags) {
    boxes.push_back({text, flags});
    if (!answers.empty()) {
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return (flags & 0xF) == fw::MB_OK ? fw::IDOK : default_answer;
}

std::optional<std::string> TestDesktop::OpenFile(const std::string&, unsigned) {
    return std::nullopt;
}

int TestDesktop::RunModal(fw::CDialog&) { return fw::IDOK; }

}  // namespace testhost
