// The current build's main window in this process: what the constructor
// leaves behind, the LED switch, a constructor whose settings load fails, and
// the error box of a failing tick.
#include "classlib/Exceptions.h"
#include "monitor/Main.h"
#include "support/ProgramDriver.h"
#include "support/TestSupport.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

using namespace testing_support;

namespace {

const wchar_t* const kStartupText = L"Initialisierung! Bitte warten...";

// Visibility of green, red, blue, gray, yellow, then whether Start is enabled.
std::string Lights(const TZarviktool& w)
{
    std::string s;
    for (const TImage* led : {w.LEDgreen, w.LEDred, w.LEDblue, w.LEDgray, w.LEDyellow})
        s += led->Visible() ? '1' : '0';
    return s + (w.BtnStart->Enabled() ? "+" : "-");
}

// What state 1 to 5 shows.
const char* const kShown[6] = {"", "10000+", "01000-", "00100-", "00010-", "00001-"};

std::wstring StatusBarText(const TZarviktool& w)
{
    wchar_t text[256] = {};
    SendMessageW(w.StatusBar1->Handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

// Main windows of this process, shown or not.
int MainWindowsOfThisProcess()
{
    int count = 0;
    for (HWND hwnd = FindWindowExW(nullptr, nullptr, L"TZarviktool", nullptr); hwnd != nullptr;
         hwnd = FindWindowExW(nullptr, hwnd, L"TZarviktool", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == GetCurrentProcessId())
            ++count;
    }
    return count;
}

// Another program's window made the active one, from a thread of its own:
// this thread then has no active window.
class ActiveWindowElsewhere {
public:
    ActiveWindowElsewhere() : thread_([this] { Run(); })
    {
        while (threadId_ == 0)
            Sleep(10);
        PumpMessages(300);
    }
    ~ActiveWindowElsewhere()
    {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }

private:
    void Run()
    {
        HWND window = CreateWindowExW(0, L"STATIC", L"Anderes Programm", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 450,
                                      350, 200, 100, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(window);
        threadId_ = GetCurrentThreadId();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
        DestroyWindow(window);
    }

    std::atomic<DWORD> threadId_{0};
    std::thread thread_;
};

// What the timer below saw, inside the error box's modal loop, once the box was open.
struct WhileBoxOpen {
    HWND window = nullptr;
    bool seen = false;
    bool windowEnabled = true;
};
WhileBoxOpen g_whileBox;

void CALLBACK WhileBoxOpenTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (WindowsOfProcess(GetCurrentProcessId(), L"#32770").empty())
        return;
    KillTimer(nullptr, id);
    g_whileBox.seen = true;
    g_whileBox.windowEnabled = IsWindowEnabled(g_whileBox.window) != FALSE;
    // The fault is mended; a real click on Start meanwhile.
    DeleteValue(L"UseString4");
    POINT start{180, 80};
    ClientToScreen(g_whileBox.window, &start);
    ClickAtScreen(start.x, start.y);
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(MainWindow, ConstructorLeavesTheGrayLedAloneStartDisabledAndTheStartupText)
{
    auto w = std::make_unique<TZarviktool>(nullptr);

    EXPECT_EQ(Lights(*w), kShown[4]);
    EXPECT_EQ(w->StatusBar1->SimpleText(), kStartupText);
    EXPECT_EQ(StatusBarText(*w), kStartupText);
    EXPECT_TRUE(w->Idle);
    EXPECT_FALSE(w->SourceInARC);
    EXPECT_FALSE(w->JobStarted);
    EXPECT_EQ(w->DataInARC, 0);
    EXPECT_EQ(w->MergeFilePathName, "");
    EXPECT_EQ(w->SourceFilePathName, "");
    for (int i = 0; i <= kMergeFields; ++i)
        EXPECT_EQ(w->MergeValue[i], "") << i;
    // The timer runs from the start; the window waits for Run to show it.
    EXPECT_TRUE(w->Timer1->Enabled());
    EXPECT_EQ(w->Timer1->Interval(), 2000u);
    EXPECT_FALSE(IsWindowVisible(w->Handle()));
}

TEST_F(MainWindow, ConstructorLoadsTheSettingsWhateverTheRegistryHolds)
{
    SetString(L"ARCpath", L"c:\\Jobs");
    SetString(L"SourceFileName", L"");
    SetDword(L"UsePrintFilePathName", 2);
    SetDword(L"UseString3", 0);
    SetString(L"StartString10", L"Start10");
    auto w = std::make_unique<TZarviktool>(nullptr);

    EXPECT_EQ(w->ARCpath, "c:\\Jobs");
    EXPECT_EQ(w->SourceFileName, "");
    EXPECT_EQ(w->UsePrintFilePathName, 2);
    EXPECT_EQ(w->UseString[3], 0);
    EXPECT_EQ(w->StartString[10], "Start10");
    // Missing ones got their defaults.
    EXPECT_EQ(w->PrintFilePathName, "c:\\Corvanta\\Print.dml");
    EXPECT_EQ(w->MergeFileSeperator, ";");
    EXPECT_EQ(w->UseString[4], 1);
    EXPECT_EQ(w->StartString[1], "PatientName = \"");
    EXPECT_EQ(w->StoppString[4], "@PRJAGL");
    EXPECT_EQ(w->UseString[5], 0);
    // Slot 0 is no setting.
    EXPECT_EQ(w->UseString[0], 0);
    EXPECT_EQ(w->StartString[0], "");
    EXPECT_EQ(w->StoppString[0], "");
    EXPECT_EQ(Lights(*w), kShown[4]);
}

TEST_F(MainWindow, AFailingSettingsLoadLeavesTheConstructor)
{
    SetDword(L"ARCpath", 1);
    std::unique_ptr<TZarviktool> w;
    try {
        w = std::make_unique<TZarviktool>(nullptr);
        ADD_FAILURE() << "constructed although the settings load failed";
    } catch (const ERegistryException& error) {
        EXPECT_EQ(error.Message(), L"Ung\u00fcltiger Datentyp f\u00fcr 'ARCpath'");
    }
    // The half-built window has taken its window and timer with it.
    EXPECT_EQ(MainWindowsOfThisProcess(), 0);
    DeleteSettingsKey();
    w = std::make_unique<TZarviktool>(nullptr);
    EXPECT_EQ(Lights(*w), kShown[4]);
}

TEST_F(MainWindow, TheFormHasOnlyAMinimiseIconAndNoMenu)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    wchar_t caption[64] = {};
    GetWindowTextW(w->Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Mervane  - Corvanta Tool");
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(w->Handle(), GWL_STYLE));
    EXPECT_NE(style & WS_MINIMIZEBOX, 0u);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
    EXPECT_EQ(GetMenu(w->Handle()), nullptr);

    HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (ppi == 96) {
        RECT client{};
        GetClientRect(w->Handle(), &client);
        EXPECT_EQ(client.right, 290);
        EXPECT_EQ(client.bottom, 179);
        // The status bar keeps the layout's place and size, whatever height
        // the common control would take for its font.
        RECT bar{};
        GetWindowRect(w->StatusBar1->Handle(), &bar);
        MapWindowPoints(nullptr, w->Handle(), reinterpret_cast<POINT*>(&bar), 2);
        EXPECT_EQ(bar.left, 0);
        EXPECT_EQ(bar.top, 160);
        EXPECT_EQ(bar.right - bar.left, 290);
        EXPECT_EQ(bar.bottom - bar.top, 19);
    }
}

TEST_F(MainWindow, EveryStateShowsOneLedWhateverCameBefore)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    for (std::uint32_t before = 1; before <= 5; ++before) {
        for (std::uint32_t state = 1; state <= 5; ++state) {
            w->SetLEDState(before);
            w->SetLEDState(state);
            EXPECT_EQ(Lights(*w), kShown[state]) << before << " then " << state;
        }
    }
    // As loaded, all five LEDs are visible and Start is enabled; one call
    // leaves a single LED.
    for (TImage* led : {w->LEDgreen, w->LEDred, w->LEDblue, w->LEDgray, w->LEDyellow})
        led->SetVisible(true);
    w->BtnStart->SetEnabled(true);
    w->SetLEDState(3);
    EXPECT_EQ(Lights(*w), kShown[3]);
}

TEST_F(MainWindow, StatesOutsideOneToFiveChangeNothing)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    for (std::uint32_t before = 1; before <= 5; ++before) {
        for (std::uint32_t state : {0u, 6u, static_cast<std::uint32_t>(UINT32_MAX)}) {
            w->SetLEDState(before);
            w->SetLEDState(state);
            EXPECT_EQ(Lights(*w), kShown[before]) << before << " then " << state;
        }
    }
    // Nor from a mixed picture that no state would give.
    w->LEDred->SetVisible(true);
    w->BtnStart->SetEnabled(true);
    const std::string mixed = Lights(*w);
    w->SetLEDState(0);
    w->SetLEDState(6);
    w->SetLEDState(UINT32_MAX);
    EXPECT_EQ(Lights(*w), mixed);
}

TEST_F(MainWindow, AnErrorBoxOnATickBlocksTheWindowAlsoWhileAnotherProgramIsActive)
{
    struct RestorePause {
        void (*saved)(DWORD) = TZarviktool::Pause;
        ~RestorePause() { TZarviktool::Pause = saved; }
    } restorePause;
    TZarviktool::Pause = [](DWORD) {}; // should a job start after all
    auto w = std::make_unique<TZarviktool>(nullptr);
    SetWindowPos(w->Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    w->Show();
    w->SetLEDState(1);
    ActiveWindowElsewhere elsewhere;
    ASSERT_EQ(GetActiveWindow(), nullptr);

    // A settings fault at the next tick: text where a number belongs.
    SetString(L"UseString4", L"ab");
    g_whileBox = WhileBoxOpen{w->Handle()};
    {
        ErrorBoxWatcher watcher(1000);
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, WhileBoxOpenTimer);
        w->Timer1->SetInterval(100);
        PumpMessages(1800);
        KillTimer(nullptr, timer);
        const auto boxes = watcher.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, L"Fehler beim Holen der Daten f\u00fcr 'UseString4'");
    }
    ASSERT_TRUE(g_whileBox.seen);
    EXPECT_FALSE(g_whileBox.windowEnabled) << "the main window stayed enabled beneath the box";
    EXPECT_TRUE(IsWindowEnabled(w->Handle()));
    EXPECT_FALSE(w->JobStarted) << "Start took a click while the box was open";
}

} // namespace
