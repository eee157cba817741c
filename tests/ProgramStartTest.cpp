// The real programs, started as a user starts them: the icon their files show,
// the window they show before the first tick, the error box of a start-up that
// fails, and ending.
#include "support/ProgramDriver.h"
#include "support/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

const wchar_t* const kStartupText = L"Initialisierung! Bitte warten...";

std::wstring Caption(HWND window)
{
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    return text;
}

// Whether Start's caption is drawn at all in the disabled text colour.
bool StartDrawnDisabled(const RunningProgram& program)
{
    const COLORREF gray = GetSysColor(COLOR_GRAYTEXT);
    for (int y = 72; y <= 90; ++y) {
        for (int x = 120; x <= 170; ++x) {
            if (program.PixelAt(x, y) == gray)
                return true;
        }
    }
    return false;
}

// The startup picture: gray LED, Start disabled, the startup text, all read
// before the first tick replaces them.
void ExpectStartupPicture(const RunningProgram& program)
{
    EXPECT_EQ(program.StatusText(), kStartupText);
    EXPECT_STREQ(LedName(program.WaitForLed(Led::Gray, 1000)), LedName(Led::Gray));
    EXPECT_FALSE(program.StartLooksEnabled());
    EXPECT_TRUE(StartDrawnDisabled(program));
    // Still the startup text: what was seen on the screen came before the tick.
    EXPECT_EQ(program.StatusText(), kStartupText);
}

class ProgramStart : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(ProgramStart, TheFirstIconOfEachProgramFileIsTheProgramIcon)
{
    // Explorer shows the first icon group that the file lists.
    for (const wchar_t* exe : {L"MervaneCT.exe", L"MervaneCC.exe"}) {
        HMODULE file = LoadLibraryExW(ProgramPath(exe).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(file, nullptr) << exe;
        std::wstring first;
        EnumResourceNamesW(
            file, RT_GROUP_ICON,
            [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR data) -> BOOL {
                *reinterpret_cast<std::wstring*>(data) = IS_INTRESOURCE(name) ? L"(numbered)" : name;
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(&first));
        EXPECT_EQ(first, L"MAINICON") << exe;
        // The group's directory: 6 bytes of header, then its picture, width first.
        HRSRC group = FindResourceW(file, L"MAINICON", RT_GROUP_ICON);
        const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(file, group)));
        EXPECT_EQ(directory != nullptr ? directory[6] : 0, 96) << exe;
        FreeLibrary(file);
    }
}

TEST_F(ProgramStart, CurrentBuildShowsItsWindowAndEndsOnClose)
{
    RunningProgram program(L"MervaneCT.exe");
    ASSERT_TRUE(program.Running());
    HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    ExpectStartupPicture(program);
    EXPECT_EQ(Caption(window), L"Mervane  - Corvanta Tool");
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_EQ(ValueNames().size(), 37u); // the first start has written the defaults

    // Closing the window ends the program; the settings are not written on the way out.
    SetString(L"MergeFileName", L"Changed.dmf");
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 1234;
    ASSERT_TRUE(program.WaitForExit(5000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(StoredString(L"MergeFileName"), L"Changed.dmf");
}

TEST_F(ProgramStart, OlderBuildShowsItsMenuBarAndEndsThroughDateiBeenden)
{
    RunningProgram program(L"MervaneCC.exe");
    ASSERT_TRUE(program.Running());
    HWND window = program.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    ExpectStartupPicture(program);
    EXPECT_EQ(Caption(window), L"Mervane  - Corvanta Control");
    // Wine keeps menus inside their process, so only the bar's presence can be
    // seen from here; its texts are checked in the older build's window test.
    EXPECT_NE(GetMenu(window), nullptr);

    SetString(L"MergeFileName", L"Changed.dmf");
    // "Datei" is the bar's first entry, above the client area's left end.
    program.ClickAt(15, -GetSystemMetrics(SM_CYMENU) / 2);
    std::vector<HWND> popups;
    for (int i = 0; i < 100 && popups.empty(); ++i) {
        Sleep(20);
        popups = WindowsOfProcess(program.ProcessId(), L"#32768");
    }
    ASSERT_EQ(popups.size(), 1u) << "the Datei menu did not open";
    RECT popup{};
    GetWindowRect(popups.front(), &popup);
    POINT item{popup.left + 20, popup.top + GetSystemMetrics(SM_CYMENU) / 2 + 2}; // "Beenden"
    ScreenToClient(window, &item);
    program.ClickAt(item.x, item.y);
    DWORD exitCode = 1234;
    ASSERT_TRUE(program.WaitForExit(5000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(StoredString(L"MergeFileName"), L"Changed.dmf");
}

TEST_F(ProgramStart, ASettingsFailureAtStartShowsOneErrorBoxAndEndsTheProgram)
{
    SetDword(L"ARCpath", 3);
    RunningProgram program(L"MervaneCT.exe");
    ASSERT_TRUE(program.Running());

    // Watch until the program ends: every box it shows, and whether its main
    // window ever becomes visible.
    std::vector<HWND> boxes;
    std::wstring caption, text;
    bool windowShown = false;
    const DWORD start = GetTickCount();
    while (program.Running() && GetTickCount() - start < 15000) {
        if (!WindowsOfProcess(program.ProcessId(), L"TZarviktool").empty())
            windowShown = true;
        for (HWND box : WindowsOfProcess(program.ProcessId(), L"#32770")) {
            bool known = false;
            for (HWND seen : boxes)
                known = known || seen == box;
            if (known)
                continue;
            boxes.push_back(box);
            caption = Caption(box);
            text = MessageBoxText(box);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        Sleep(10);
    }
    DWORD exitCode = 1234;
    ASSERT_TRUE(program.WaitForExit(0, &exitCode)) << "the program did not end after its error box";
    EXPECT_EQ(exitCode, 0u);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(caption, L"Mervane - Corvanta Tool");
    EXPECT_EQ(text, L"Ung\u00fcltiger Datentyp f\u00fcr 'ARCpath'");
    EXPECT_FALSE(windowShown);
    EXPECT_EQ(ValueType(L"ARCpath"), static_cast<DWORD>(REG_DWORD));
}

} // namespace
