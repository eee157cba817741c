// The older build's main window in this process: caption, menu bar and where
// its controls stand.
#include "monitor/Main.h"
#include "support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace testing_support;

namespace {

std::wstring MenuText(HMENU menu, UINT position)
{
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right
           && inner.bottom <= outer.bottom;
}

class OlderMainWindow : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(OlderMainWindow, CaptionAndMenuBar)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    wchar_t caption[64] = {};
    GetWindowTextW(w->Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Mervane  - Corvanta Control");

    HMENU bar = GetMenu(w->Handle());
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(MenuText(bar, 0), L"Datei");
    EXPECT_EQ(MenuText(bar, 1), L"Einstellungen");
    HMENU file = GetSubMenu(bar, 0);
    HMENU settings = GetSubMenu(bar, 1);
    ASSERT_NE(file, nullptr);
    ASSERT_NE(settings, nullptr);
    ASSERT_EQ(GetMenuItemCount(file), 1);
    ASSERT_EQ(GetMenuItemCount(settings), 1);
    EXPECT_EQ(MenuText(file, 0), L"Beenden");
    EXPECT_EQ(MenuText(settings, 0), L"Steuerung");

    // The menu's components are the ones on the bar, and both commands are bound.
    ASSERT_NE(w->Beenden1, nullptr);
    ASSERT_NE(w->ARCSteuerung1, nullptr);
    EXPECT_EQ(GetMenuItemID(file, 0), w->Beenden1->Command());
    EXPECT_EQ(GetMenuItemID(settings, 0), w->ARCSteuerung1->Command());
    EXPECT_TRUE(static_cast<bool>(w->Beenden1->OnClick));
    EXPECT_TRUE(static_cast<bool>(w->ARCSteuerung1->OnClick));
    EXPECT_EQ(w->Datei1->Caption, L"Datei");
    EXPECT_EQ(w->Einstellungen1->Caption, L"Einstellungen");

    // "Beenden" closes the window; outside a running application that hides it.
    w->Show();
    ASSERT_TRUE(IsWindowVisible(w->Handle()));
    SendMessageW(w->Handle(), WM_COMMAND, MAKEWPARAM(GetMenuItemID(file, 0), 0), 0);
    EXPECT_FALSE(IsWindowVisible(w->Handle()));
}

TEST_F(OlderMainWindow, StartAndLedsStandInsideTheNarrowerClientArea)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(ppi, 96) << "the layout is checked at 96 pixels per inch";

    RECT client{};
    GetClientRect(w->Handle(), &client);
    EXPECT_EQ(client.right, 289);
    EXPECT_EQ(client.bottom, 179);
    RECT bar{};
    GetWindowRect(w->StatusBar1->Handle(), &bar);
    MapWindowPoints(nullptr, w->Handle(), reinterpret_cast<POINT*>(&bar), 2);
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.top, 160);
    EXPECT_EQ(bar.right - bar.left, 289);
    EXPECT_EQ(bar.bottom - bar.top, 19);

    EXPECT_TRUE(Inside(w->BtnStart->BoundsRect(), client));
    RECT panel{};
    GetWindowRect(w->Panel1->Handle(), &panel);
    MapWindowPoints(nullptr, w->Handle(), reinterpret_cast<POINT*>(&panel), 2);
    EXPECT_TRUE(Inside(panel, client));
    // The LED shows on Start's face, as in the current build.
    EXPECT_TRUE(Inside(panel, w->BtnStart->BoundsRect()));

    // Same start-up state as the current build.
    EXPECT_TRUE(w->LEDgray->Visible());
    EXPECT_FALSE(w->LEDgreen->Visible() || w->LEDred->Visible() || w->LEDblue->Visible()
                 || w->LEDyellow->Visible());
    EXPECT_FALSE(w->BtnStart->Enabled());
    EXPECT_EQ(w->StatusBar1->SimpleText(), L"Initialisierung! Bitte warten...");
}

} // namespace
