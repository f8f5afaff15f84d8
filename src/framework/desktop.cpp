#include "framework/desktop.h"

#include <unistd.h>

#include <cstdio>

namespace fw {

namespace {

// Used while nothing else is installed, so that code paths that show a box still work in
// a program or test that never set a desktop up.
class HeadlessDesktop : public Desktop {
public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        // With a Cancel or a No button, the answer that starts nothing further.
        switch (flags & 0xF) {
            case MB_OK:
                return IDOK;
            case MB_YESNO:
                return IDNO;
            default:
                return IDCANCEL;
        }
    }
    std::optional<std::string> OpenFile(const std::string&, unsigned) override {
        return std::nullopt;
    }
    int RunModal(CDialog&) override { return IDCANCEL; }
};

Desktop* g_desktop = nullptr;

}  // namespace

Desktop& TheDesktop() {
    static HeadlessDesktop headless;
    return g_desktop ? *g_desktop : headless;
}

void SetDesktop(Desktop* desktop) {
    g_desktop = desktop;
}

Desktop* InstalledDesktop() {
    return g_desktop;
}

const std::string& AppName() {
    static const std::string name = "Sperrow";
    return name;
}

int AfxMessageBox(const std::string& text, unsigned flags) {
    return TheDesktop().MessageBox(text, AppName(), flags);
}

std::optional<std::string> ChooseFile(const std::string& filter, unsigned flags) {
    std::optional<std::string> path = TheDesktop().OpenFile(filter, flags);
    if (!path || (flags & OFN_NOCHANGEDIR)) return path;
    // As the platform's dialog did: the chosen file's folder becomes the current one.
    std::string::size_type slash = path->rfind('/');
    if (slash != std::string::npos) {
        std::string folder = slash == 0 ? std::string("/") : path->substr(0, slash);
        if (::chdir(folder.c_str()) != 0) {
            // The path is still the user's choice; only the directory move failed.
        }
    }
    return path;
}

}  // namespace fw
