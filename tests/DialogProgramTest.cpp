// The settings dialog end to end: the real MervaneCC.exe driven with the real
// mouse and keyboard, the registry read from outside.
#include "support/ProgramDriver.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support;

namespace {

const wchar_t* const kNoSource = L"Daten, aber keine Quelldatei im ARC Verzeichnis vorhanden!";
const wchar_t* const kSource = L"Daten und Quelldatei im ARC Verzeichnis vorhanden!";

POINT ScreenPoint(HWND window, int clientX, int clientY)
{
    POINT point{clientX, clientY};
    ClientToScreen(window, &point);
    return point;
}

LRESULT HitTest(HWND window, POINT screen)
{
    DWORD_PTR result = HTNOWHERE;
    SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y), SMTO_NORMAL, 5000, &result);
    return static_cast<LRESULT>(result);
}

// A point in the middle of the caption bar's height: on the caption button
// that many places from the right (0: the close box, 2: the minimise box),
// or, for -1, in the middle of the bar.
POINT CaptionPoint(HWND window, int button = -1)
{
    RECT frame;
    GetWindowRect(window, &frame);
    const int y = frame.top + GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    if (button < 0)
        return POINT{(frame.left + frame.right) / 2, y};
    const int size = GetSystemMetrics(SM_CXSIZE);
    return POINT{frame.right - GetSystemMetrics(SM_CXSIZEFRAME) - button * size - size / 2 - 1, y};
}

// The text of a control of the other process.
std::wstring ControlText(HWND control)
{
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &copied);
    return text;
}

// The dialog's control at a point of its client area (the designed layout).
HWND ControlAt(HWND dialog, int clientX, int clientY)
{
    return ChildWindowFromPointEx(dialog, POINT{clientX, clientY}, CWP_SKIPINVISIBLE);
}

// The focus window of a window's thread in another process, as the system
// keeps it, once it is the expected one; at the time-out whatever it is.
HWND WaitForFocus(HWND window, HWND expected, DWORD timeoutMilliseconds = 2000)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    const DWORD start = GetTickCount();
    while (GetGUIThreadInfo(thread, &info) && info.hwndFocus != expected
           && GetTickCount() - start < timeoutMilliseconds)
        Sleep(50);
    return info.hwndFocus;
}

// Centres of the controls used here, in client coordinates of the dialog.
constexpr POINT kEditARCpath{193, 34};
constexpr POINT kEditSourceFileName{472, 34};
constexpr POINT kEditSeperator{528, 95};
constexpr POINT kCheckBoxMergeField6{38, 319};
constexpr POINT kCheckBoxMergeField7{38, 346};
constexpr POINT kEditPrintFilePathName{276, 130};
constexpr POINT kOK{181, 476};
constexpr POINT kAbbruch{381, 476};

class DialogProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        arc_ = FreshDirectory("dialog-program-arc");
        WriteFile(arc_ + "\\job.txt", "PatientName = \"Muster\" \n");
        SetString(L"ARCpath", std::wstring(arc_.begin(), arc_.end()));
        SetString(L"MergeFilePath", std::wstring(arc_.begin(), arc_.end()));
    }

    // The point in the middle of the menu bar's height at client x.
    POINT MenuBarPoint(const RunningProgram& program, int clientX)
    {
        POINT point = ScreenPoint(program.MainWindow(), clientX, 0);
        point.y -= GetSystemMetrics(SM_CYMENU) / 2;
        EXPECT_EQ(HitTest(program.MainWindow(), point), HTMENU);
        return point;
    }

    // Clicks the menu title at client x and then the one item of its menu.
    void ChooseOnlyItem(const RunningProgram& program, int clientX)
    {
        ASSERT_TRUE(ChooseOnlyMenuItem(program.ProcessId(), MenuBarPoint(program, clientX))) << "no menu opened";
    }

    // Where "Einstellungen" begins on the menu bar: with "Datei" open, the
    // mouse moves right along the bar until the other menu opens.
    int SettingsMenuX(const RunningProgram& program)
    {
        const POINT datei = MenuBarPoint(program, 10);
        ClickAtScreen(datei.x, datei.y);
        HWND first = WaitForWindowOfProcess(program.ProcessId(), L"#32768");
        if (first == nullptr)
            return -1;
        RECT firstRect;
        GetWindowRect(first, &firstRect);
        int found = -1;
        for (int x = datei.x; x < datei.x + 250 && found < 0; x += 6) {
            MoveMouseTo(x, datei.y);
            Sleep(30);
            for (HWND popup : WindowsOfProcess(program.ProcessId(), L"#32768")) {
                RECT rect;
                GetWindowRect(popup, &rect);
                if (rect.left > firstRect.left + 5)
                    found = rect.left;
            }
        }
        PressKeys({VK_ESCAPE});
        PressKeys({VK_ESCAPE});
        Sleep(100);
        POINT origin = ScreenPoint(program.MainWindow(), 0, 0);
        return found < 0 ? -1 : found - origin.x + 12;
    }

    // "Einstellungen" > "Steuerung" with real clicks; the dialog once shown.
    HWND OpenDialog(const RunningProgram& program)
    {
        if (settingsMenuX_ < 0)
            settingsMenuX_ = SettingsMenuX(program);
        EXPECT_GT(settingsMenuX_, 0) << "menu \"Einstellungen\" not found";
        if (settingsMenuX_ < 0)
            return nullptr;
        ChooseOnlyItem(program, settingsMenuX_);
        HWND dialog = WaitForWindowOfProcess(program.ProcessId(), L"TSteuerung");
        if (dialog != nullptr)
            Sleep(200);
        return dialog;
    }

    void Click(HWND dialog, POINT client)
    {
        const POINT point = ScreenPoint(dialog, client.x, client.y);
        ClickAtScreen(point.x, point.y);
        Sleep(50);
    }

    // Clicks into the edit, clears it with the keyboard and types the text.
    void TypeOver(HWND dialog, POINT edit, const std::wstring& text)
    {
        HWND control = ControlAt(dialog, edit.x, edit.y);
        Click(dialog, edit);
        PressKeys({VK_END});
        for (std::size_t i = ControlText(control).size(); i > 0; --i)
            PressKeys({VK_BACK});
        TypeText(text);
        Sleep(100);
    }

    std::string arc_;
    int settingsMenuX_ = -1;
};

} // namespace

TEST_F(DialogProgram, OkSavesWhatWasTypedAndPutsItIntoEffectWhileCancelAndClosingDoNot)
{
    RunningProgram program(L"MervaneCC.exe");
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    ASSERT_TRUE(program.WaitForStatus(kNoSource));

    // OK: typed values go to the registry and take effect at the next tick.
    HWND dialog = OpenDialog(program);
    ASSERT_NE(dialog, nullptr) << "the dialog did not open";
    wchar_t caption[64] = {};
    GetWindowTextW(dialog, caption, 64);
    EXPECT_STREQ(caption, L"Steuerung");
    EXPECT_FALSE(IsWindowEnabled(program.MainWindow()));
    EXPECT_EQ(ControlText(ControlAt(dialog, kEditSourceFileName.x, kEditSourceFileName.y)), L"ver_ctrl.txt");
    EXPECT_EQ(ControlText(ControlAt(dialog, kEditARCpath.x, kEditARCpath.y)),
              std::wstring(arc_.begin(), arc_.end()));
    TypeOver(dialog, kEditSourceFileName, L"job.txt");
    EXPECT_EQ(ControlText(ControlAt(dialog, kEditSourceFileName.x, kEditSourceFileName.y)), L"job.txt");
    TypeOver(dialog, kEditSeperator, L"xy");
    EXPECT_EQ(ControlText(ControlAt(dialog, kEditSeperator.x, kEditSeperator.y)), L"x");
    Click(dialog, kCheckBoxMergeField6);
    Click(dialog, kOK);
    ASSERT_TRUE(WaitForHidden(dialog));
    EXPECT_TRUE(IsWindowEnabled(program.MainWindow()));
    EXPECT_EQ(StoredString(L"SourceFileName"), L"job.txt");
    EXPECT_EQ(StoredString(L"MergeFileSeperator"), L"x");
    EXPECT_EQ(StoredDword(L"UseString6"), 1u);
    EXPECT_EQ(StoredString(L"ARCpath"), std::wstring(arc_.begin(), arc_.end()));
    EXPECT_TRUE(program.WaitForStatus(kSource, 6000)) << "the new source file name is not in effect";

    // Abbruch: nothing typed is saved, and the settings are loaded again.
    dialog = OpenDialog(program);
    ASSERT_NE(dialog, nullptr);
    TypeOver(dialog, kEditARCpath, L"typedpath");
    EXPECT_EQ(ControlText(ControlAt(dialog, kEditARCpath.x, kEditARCpath.y)), L"typedpath");
    SetString(L"SourceFileName", L"ver_ctrl.txt"); // changed from outside meanwhile
    Click(dialog, kAbbruch);
    ASSERT_TRUE(WaitForHidden(dialog));
    EXPECT_EQ(StoredString(L"ARCpath"), std::wstring(arc_.begin(), arc_.end()));
    EXPECT_TRUE(program.WaitForStatus(kNoSource, 6000)) << "Abbruch did not load the settings again";

    // The close box: the same as Abbruch.
    dialog = OpenDialog(program);
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(ControlText(ControlAt(dialog, kEditARCpath.x, kEditARCpath.y)), L"typedpath");
    TypeOver(dialog, kEditSourceFileName, L"typed.txt");
    EXPECT_EQ(ControlText(ControlAt(dialog, kEditSourceFileName.x, kEditSourceFileName.y)), L"typed.txt");
    SetString(L"SourceFileName", L"job.txt");
    const POINT closeBox = CaptionPoint(dialog, 0);
    EXPECT_EQ(HitTest(dialog, closeBox), HTCLOSE);
    ClickAtScreen(closeBox.x, closeBox.y);
    ASSERT_TRUE(WaitForHidden(dialog));
    EXPECT_EQ(StoredString(L"SourceFileName"), L"job.txt");
    EXPECT_TRUE(program.WaitForStatus(kSource, 6000));

    // Alt+F4: the same again.
    dialog = OpenDialog(program);
    ASSERT_NE(dialog, nullptr);
    TypeOver(dialog, kEditSourceFileName, L"typed.txt");
    EXPECT_EQ(ControlText(ControlAt(dialog, kEditSourceFileName.x, kEditSourceFileName.y)), L"typed.txt");
    SetString(L"SourceFileName", L"ver_ctrl.txt");
    PressKeys({VK_MENU, VK_F4});
    ASSERT_TRUE(WaitForHidden(dialog));
    EXPECT_EQ(StoredString(L"SourceFileName"), L"ver_ctrl.txt");
    EXPECT_TRUE(program.WaitForStatus(kNoSource, 6000));
    EXPECT_TRUE(program.Running());
}

TEST_F(DialogProgram, ReturnPressesTheFocusedButtonAndDoesNothingElsewhere)
{
    RunningProgram program(L"MervaneCC.exe");
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    ASSERT_TRUE(program.WaitForStatus(kNoSource));

    // Types a file name, goes back from the ARC directory's edit to a button
    // with the keyboard ("OK" lies two steps back, "Abbruch" one) and presses
    // Return there.
    HWND dialog = nullptr;
    const auto typeAndReturnOn = [&](const wchar_t* typed, int stepsBack) {
        dialog = OpenDialog(program);
        ASSERT_NE(dialog, nullptr);
        TypeOver(dialog, kEditSourceFileName, typed);
        // Neither button is the default or the cancel button: Return in an
        // edit and Escape leave the dialog open.
        PressKeys({VK_RETURN});
        PressKeys({VK_ESCAPE});
        Sleep(300);
        EXPECT_TRUE(IsWindowVisible(dialog));
        Click(dialog, kEditARCpath);
        for (int i = 0; i < stepsBack; ++i)
            PressKeys({VK_SHIFT, VK_TAB});
        PressKeys({VK_RETURN});
        ASSERT_TRUE(WaitForHidden(dialog));
    };
    typeAndReturnOn(L"job.txt", 2);
    EXPECT_EQ(StoredString(L"SourceFileName"), L"job.txt") << "Return on OK saves";
    typeAndReturnOn(L"typed.txt", 1);
    EXPECT_EQ(StoredString(L"SourceFileName"), L"job.txt") << "Return on Abbruch saves nothing";

    // The dialog opens with the focus on "OK": Return at once saves what it
    // shows over a value changed from outside meanwhile.
    dialog = OpenDialog(program);
    ASSERT_NE(dialog, nullptr);
    SetString(L"SourceFileName", L"outside.txt");
    PressKeys({VK_RETURN});
    ASSERT_TRUE(WaitForHidden(dialog));
    EXPECT_EQ(StoredString(L"SourceFileName"), L"job.txt");
}

TEST_F(DialogProgram, QuitEndsTheOlderBuildWithExitCodeZeroWithoutSavingTheSettings)
{
    RunningProgram program(L"MervaneCC.exe");
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    ASSERT_TRUE(program.WaitForStatus(kNoSource));
    // Changed behind the program's back: a save at the end would undo both.
    SetString(L"SourceFileName", L"outside.txt");
    DeleteValue(L"MergeFileName");

    ChooseOnlyItem(program, 10); // "Datei" > "Beenden"
    DWORD exitCode = 1;
    ASSERT_TRUE(program.WaitForExit(5000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(StoredString(L"SourceFileName"), L"outside.txt");
    EXPECT_EQ(ValueType(L"MergeFileName"), static_cast<DWORD>(REG_NONE));
}

TEST_F(DialogProgram, BothBuildsCreateTheDialogHiddenAtStartUp)
{
    for (const wchar_t* exe : {L"MervaneCT.exe", L"MervaneCC.exe"}) {
        RunningProgram program(exe);
        ASSERT_NE(program.WaitForMainWindow(), nullptr) << exe;
        const auto dialogs = WindowsOfProcess(program.ProcessId(), L"TSteuerung", true);
        ASSERT_EQ(dialogs.size(), 1u) << exe;
        wchar_t caption[64] = {};
        GetWindowTextW(dialogs[0], caption, 64);
        EXPECT_STREQ(caption, L"Steuerung");
        EXPECT_FALSE(IsWindowVisible(dialogs[0])) << exe;
        // and stays hidden while the program runs its ticks
        EXPECT_TRUE(program.WaitForStatus(kNoSource)) << exe;
        EXPECT_FALSE(IsWindowVisible(dialogs[0])) << exe;
        // The design-time texts are still there: nothing has filled it.
        EXPECT_EQ(ControlText(ControlAt(dialogs[0], kEditARCpath.x, kEditARCpath.y)), L"EditARCpath") << exe;
    }
}

TEST_F(DialogProgram, ArrowsMoveTheFocusInTabOrderAndItComesBackAfterAMinimiseAndAnotherProgram)
{
    RunningProgram program(L"MervaneCC.exe");
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    ASSERT_TRUE(program.WaitForStatus(kNoSource));
    HWND dialog = OpenDialog(program);
    ASSERT_NE(dialog, nullptr);
    const auto pressAndWait = [&](WORD key, POINT expected) {
        PressKeys({key});
        HWND control = ControlAt(dialog, expected.x, expected.y);
        return WaitForFocus(dialog, control, 1000) == control;
    };

    // Arrows from "OK" on to "Abbruch" and back, from the first control of
    // the tab order round to its last (past the labels), among check boxes.
    // An edit they move into has its whole text selected.
    HWND ok = ControlAt(dialog, kOK.x, kOK.y);
    ASSERT_EQ(WaitForFocus(dialog, ok), ok);
    EXPECT_TRUE(pressAndWait(VK_DOWN, kAbbruch));
    EXPECT_TRUE(pressAndWait(VK_UP, kOK));
    EXPECT_TRUE(pressAndWait(VK_RIGHT, kAbbruch));
    EXPECT_TRUE(pressAndWait(VK_LEFT, kOK));
    EXPECT_TRUE(pressAndWait(VK_UP, kEditPrintFilePathName));
    HWND printPath = ControlAt(dialog, kEditPrintFilePathName.x, kEditPrintFilePathName.y);
    DWORD_PTR selection = 0;
    SendMessageTimeoutW(printPath, EM_GETSEL, 0, 0, SMTO_NORMAL, 5000, &selection);
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), ControlText(printPath).size());
    Click(dialog, kCheckBoxMergeField6);
    EXPECT_TRUE(pressAndWait(VK_DOWN, kCheckBoxMergeField7));
    EXPECT_TRUE(pressAndWait(VK_UP, kCheckBoxMergeField6));

    // In an edit they move the caret only: one character back in all.
    HWND edit = ControlAt(dialog, kEditSourceFileName.x, kEditSourceFileName.y);
    Click(dialog, kEditSourceFileName);
    PressKeys({VK_END});
    for (WORD key : {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_LEFT})
        EXPECT_TRUE(pressAndWait(key, kEditSourceFileName));
    TypeText(L"1");
    EXPECT_EQ(ControlText(edit), L"ver_ctrl.tx1t");

    // Minimised with its minimise box and restored from its system menu, which
    // a click on the minimised window opens ("Restore" comes first): typing
    // goes on at the caret.
    const auto minimiseAndRestore = [&] {
        const POINT minimiseBox = CaptionPoint(dialog, 2);
        ASSERT_EQ(HitTest(dialog, minimiseBox), HTMINBUTTON);
        ClickAtScreen(minimiseBox.x, minimiseBox.y);
        for (const DWORD start = GetTickCount(); !IsIconic(dialog) && GetTickCount() - start < 2000;)
            Sleep(50);
        ASSERT_TRUE(IsIconic(dialog));
        RECT icon;
        GetWindowRect(dialog, &icon);
        ClickAtScreen((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
        HWND menu = WaitForWindowOfProcess(program.ProcessId(), L"#32768");
        ASSERT_NE(menu, nullptr) << "no system menu opened";
        RECT items;
        GetWindowRect(menu, &items);
        ClickAtScreen((items.left + items.right) / 2, items.top + 3 + GetSystemMetrics(SM_CYMENU) / 2);
        ASSERT_TRUE(WaitForHidden(menu));
        EXPECT_FALSE(IsIconic(dialog));
        EXPECT_EQ(WaitForFocus(dialog, edit), edit);
    };
    minimiseAndRestore();
    TypeText(L"2");
    EXPECT_EQ(ControlText(edit), L"ver_ctrl.tx12t");

    // Another program comes over part of the dialog; after a click on the
    // dialog's caption, likewise.
    {
        OtherProgram other;
        ASSERT_NE(other.Window(), nullptr) << "the other program did not become the active one";
        EXPECT_EQ(WaitForFocus(dialog, nullptr), nullptr);
        SetWindowPos(other.Window(), nullptr, 150, 250, 400, 250, SWP_NOACTIVATE | SWP_NOZORDER);
        const POINT caption = CaptionPoint(dialog);
        ASSERT_EQ(WindowFromPoint(caption), dialog);
        ClickAtScreen(caption.x, caption.y);
        EXPECT_EQ(WaitForFocus(dialog, edit), edit);
        TypeText(L"3");
        EXPECT_EQ(ControlText(edit), L"ver_ctrl.tx123t");
    }
    Click(dialog, kAbbruch);
    ASSERT_TRUE(WaitForHidden(dialog));

    // A second visit: the focus remembered is the one of this visit.
    ASSERT_EQ(OpenDialog(program), dialog);
    Click(dialog, kEditSourceFileName);
    PressKeys({VK_END});
    minimiseAndRestore();
    TypeText(L"4");
    EXPECT_EQ(ControlText(edit), L"ver_ctrl.txt4");
    Click(dialog, kAbbruch);
    EXPECT_TRUE(WaitForHidden(dialog));
}
