#include "framework/desktop.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

// (A chosen file's folder becoming the current one: the terminal UI's window tests.)
TEST(HeadlessDesktopTest, AnswersWithoutStartingAnythingFurther) {
    ASSERT_EQ(InstalledDesktop(), nullptr);
    EXPECT_EQ(AfxMessageBox("Timeout:\nADSL no ACK! Retry? ", MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(AfxMessageBox("Error:\nCannot send packet.", MB_ICONSTOP), IDOK);
    EXPECT_FALSE(TheDesktop().OpenFile("", 0));
}

}  // namespace
}  // namespace fw
