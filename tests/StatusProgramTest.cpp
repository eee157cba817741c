// The real MervaneCT.exe, watched as a user would watch it: files put into
// and taken out of its ARC directory from outside the program, the status
// text read from its status bar and the LED from the screen.
#include "support/ProgramDriver.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {

const std::wstring kStartup = L"Initialisierung! Bitte warten...";
const std::wstring kRow1 = L"Okay, keine Dateien im ARC Verzeichnis vorhanden!";
const std::wstring kRow3 = L"Daten und Quelldatei im ARC Verzeichnis vorhanden!";
const std::wstring kRow4 = L"Daten, aber keine Quelldatei im ARC Verzeichnis vorhanden!";

const std::string kArc = "c:\\ARC";

bool WaitForStartLook(const RunningProgram& program, bool enabled, DWORD timeoutMilliseconds = 3000)
{
    const DWORD start = GetTickCount();
    while (program.StartLooksEnabled() != enabled) {
        if (GetTickCount() - start > timeoutMilliseconds)
            return false;
        Sleep(50);
    }
    return true;
}

void EmptyArc()
{
    RemoveTree(kArc);
    CreateDirectoryA(kArc.c_str(), nullptr);
}

// One state as the user sees it: text, LED colour and the Start button.
void ExpectShown(const RunningProgram& program, const std::wstring& text, Led led, bool startEnabled)
{
    if (!program.WaitForStatus(text, 6000)) {
        const std::wstring shown = program.StatusText();
        ADD_FAILURE() << "status text is \"" << std::string(shown.begin(), shown.end()) << "\"";
    }
    EXPECT_EQ(LedName(program.WaitForLed(led)), std::string(LedName(led)));
    EXPECT_TRUE(WaitForStartLook(program, startEnabled)) << "Start should look "
                                                         << (startEnabled ? "enabled" : "disabled");
}

} // namespace

TEST(StatusProgram, FollowsTheArcDirectoryThroughBlueYellowGreen)
{
    DeleteSettingsKey();
    EmptyArc();
    RunningProgram program(L"MervaneCT.exe");
    ASSERT_NE(program.WaitForMainWindow(), nullptr);

    // Until the first tick: the form's text and the gray LED.
    if (program.StatusText() == kStartup) {
        EXPECT_EQ(LedName(program.WaitForLed(Led::Gray, 1000)), std::string("gray"));
        EXPECT_FALSE(program.StartLooksEnabled());
    }

    ExpectShown(program, kRow1, Led::Blue, false);

    CreateDirectoryA((kArc + "\\job").c_str(), nullptr);
    WriteFile(kArc + "\\job\\bild001.jpg", "x");
    ExpectShown(program, kRow4, Led::Yellow, false);

    WriteFile(kArc + "\\job\\ver_ctrl.txt", "x");
    ExpectShown(program, kRow3, Led::Green, true);

    DeleteFileA((kArc + "\\job\\ver_ctrl.txt").c_str());
    ExpectShown(program, kRow4, Led::Yellow, false);

    RemoveTree(kArc + "\\job");
    ExpectShown(program, kRow1, Led::Blue, false);
    EXPECT_TRUE(program.Running());
}

TEST(StatusProgram, SettingsChangedInTheRegistryTakeEffectAtTheNextTickAndAFaultyOneShowsItsBox)
{
    DeleteSettingsKey();
    EmptyArc();
    const std::string other = FreshDirectory("program-other-arc");
    WriteFile(other + "\\auftrag.ini", "x");
    RunningProgram program(L"MervaneCT.exe");
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    ExpectShown(program, kRow1, Led::Blue, false);

    SetString(L"ARCpath", std::wstring(other.begin(), other.end()));
    ExpectShown(program, kRow4, Led::Yellow, false);
    SetString(L"SourceFileName", L"auftrag.ini");
    ExpectShown(program, kRow3, Led::Green, true);

    // Deleted, the value comes back with its default.
    DeleteValue(L"ARCpath");
    ExpectShown(program, kRow1, Led::Blue, false);
    EXPECT_EQ(StoredString(L"ARCpath"), L"c:\\ARC");

    // A faulty one shows the error box, which belongs to the main window also
    // while another program is active. Mended before the box is closed.
    OtherProgram active;
    ASSERT_NE(active.Window(), nullptr) << "the other program did not become the active one";
    SetString(L"UseString4", L"ab");
    HWND box = WaitForWindowOfProcess(program.ProcessId(), L"#32770", 4000);
    DeleteValue(L"UseString4");
    ASSERT_NE(box, nullptr) << "no error box";
    EXPECT_EQ(MessageBoxText(box), L"Fehler beim Holen der Daten f\u00fcr 'UseString4'");
    EXPECT_EQ(GetWindow(box, GW_OWNER), program.MainWindow());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(program.WaitForStatus(kRow1, 6000));
}
