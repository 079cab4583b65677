// Where the windows open: wholly on a screen, the main window where it was.
#include <gtest/gtest.h>

#include "desktop/logic/window_place.h"

using namespace zemo::desktop;

namespace {

// A primary 1920 x 1040 screen (a task bar below) and a second one of
// 1280 x 1024 to its right.
const std::vector<WindowRect> kTwoScreens = {{0, 0, 1920, 1040}, {1920, 0, 1280, 1024}};
const FrameMargins kFrame{1, 20, 1, 1};  // a title bar of 20 px, 1 px borders

}  // namespace

TEST(WindowPlace, AWindowOnAScreenStaysWhereItIs) {
    // The main window's stored corner is its client area's and comes back as it is.
    EXPECT_EQ(keep_on_screen({100, 100, 660, 560}, kFrame, kTwoScreens), (WindowRect{100, 100, 660, 560}));
    // On the second screen too, and with no frame known yet.
    EXPECT_EQ(keep_on_screen({2000, 300, 660, 560}, {}, kTwoScreens), (WindowRect{2000, 300, 660, 560}));
    // No screen known: nothing to keep it on.
    EXPECT_EQ(keep_on_screen({-5000, 9, 660, 560}, kFrame, {}), (WindowRect{-5000, 9, 660, 560}));
}

TEST(WindowPlace, AWindowBeyondTheScreensComesBackWhole) {
    // A title bar above the screen's top: the frame goes on the screen, the
    // client area 20 px lower.
    EXPECT_EQ(keep_on_screen({100, 5, 660, 560}, kFrame, kTwoScreens), (WindowRect{100, 20, 660, 560}));
    // Stored on a third monitor that is gone: onto the primary screen.
    EXPECT_EQ(keep_on_screen({5000, 2000, 660, 560}, kFrame, kTwoScreens), (WindowRect{1259, 479, 660, 560}));
    // Over the right edge of the second screen: pulled in onto it.
    EXPECT_EQ(keep_on_screen({2900, 100, 660, 560}, kFrame, kTwoScreens), (WindowRect{2539, 100, 660, 560}));
    // Across both screens, mostly on the second: onto the second.
    EXPECT_EQ(keep_on_screen({1800, 100, 660, 560}, kFrame, kTwoScreens), (WindowRect{1921, 100, 660, 560}));
    // Larger than the screen: shrunk to it, the title bar on the screen.
    EXPECT_EQ(keep_on_screen({50, 50, 960, 900}, kFrame, {{0, 0, 800, 600}}), (WindowRect{1, 20, 798, 579}));
}

TEST(WindowPlace, AuxiliaryWindowsOpenCentredOverTheMainWindowOnItsScreen) {
    const WindowRect main{100, 100, 660, 560};
    EXPECT_EQ(centred_over(main, 460, 360, kFrame, kTwoScreens), (WindowRect{200, 200, 460, 360}));
    // The map window (960 x 900) over a main window in the screen's corner:
    // moved to the right and down, wholly on the screen.
    EXPECT_EQ(centred_over({0, 20, 660, 560}, 960, 900, kFrame, kTwoScreens), (WindowRect{1, 20, 960, 900}));
    // On a small screen it is shrunk to it.
    EXPECT_EQ(centred_over({0, 20, 660, 560}, 960, 900, kFrame, {{0, 0, 1024, 768}}), (WindowRect{1, 20, 960, 747}));
}
