// A desktop for engine tests: it records every message box and answers from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "framework/desktop.h"

namespace testhost {

struct ShownBox {
    std::string text;
    unsigned flags = 0;
};

class TestDesktop : public fw::Desktop {
public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    std::optional<std::string> OpenFile(const std::string& filter, unsigned flags) override;
    int RunModal(fw::CDialog& dialog) override;

    // Answers given in order; when none is left, IDOK for OK boxes and `default_answer`
    // for the others.
    std::deque<int> answers;
    int default_answer = fw::IDCANCEL;
    std::vector<ShownBox> boxes;
};

}  // namespace testhost
