// One job inside the test process: the steps of Start in order with their
// texts and pauses, the print-file copy and where it goes, and the tick that
// fell due while the job ran.
#include "monitor/Main.h"
#include "support/TestSupport.h"

#include "classlib/AnsiText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

struct PauseSeen {
    DWORD milliseconds;
    std::string status;
    bool grayAlone;
    bool startEnabled;
};

TZarviktool* g_window = nullptr;
std::vector<PauseSeen> g_pauses;
bool g_sleep = false;
// Runs at the start of the pause with the given status text, if set.
std::string g_actionAt;
void (*g_action)() = nullptr;

void RecordPause(DWORD milliseconds)
{
    TZarviktool& w = *g_window;
    const bool grayAlone = w.LEDgray->Visible() && !w.LEDgreen->Visible() && !w.LEDred->Visible()
                           && !w.LEDblue->Visible() && !w.LEDyellow->Visible();
    const std::string status = WideToAnsi(w.StatusBar1->SimpleText());
    g_pauses.push_back({milliseconds, status, grayAlone, w.BtnStart->Enabled()});
    if (g_action != nullptr && status == g_actionAt)
        g_action();
    if (g_sleep)
        Sleep(milliseconds);
}

std::vector<std::string> PauseTexts()
{
    std::vector<std::string> texts;
    for (const PauseSeen& pause : g_pauses) {
        EXPECT_EQ(pause.milliseconds, 2000u) << pause.status;
        EXPECT_TRUE(pause.grayAlone) << pause.status;
        EXPECT_FALSE(pause.startEnabled) << pause.status;
        texts.push_back(pause.status);
    }
    return texts;
}

const std::string kSource = "[Job]\n"
                            "  PatientName = \"Erika Muster\" \n"
                            "  PatientID = \"4711\" \n"
                            "  PhotoDate = \"20240307091505\" \n"
                            "INIAGL:Tray 2@PRJAGL\n";
const std::string kRecord = "Erika Muster;4711;07.03.2024  09:15:05;Tray 2;";
// Bytes a text-mode copy would change: the copy must not.
const std::string kPrintBytes = std::string("%Layout\r\nline\nCR\r\x1a\x00\xff", 21) + "end";

const std::vector<std::string> kAllSteps{"Datendatei analysieren", " Merge Datei erzeugen", "Merge Datei kopieren"};

class Job : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        arc_ = FreshDirectory("job-arc");
        print_ = FreshDirectory("job-print");
        merge_ = FreshDirectory("job-merge");
        CreateDirectoryA((arc_ + "\\in").c_str(), nullptr);
        WriteFile(arc_ + "\\in\\ver_ctrl.txt", kSource);
        WriteFile(print_ + "\\Print.dml", kPrintBytes);
        MakeWindow();
        w().ARCpath = arc_;
        w().MergeFilePath = merge_;
        w().PrintFilePathName = print_ + "\\Print.dml";
        w().SourceFilePathName = arc_ + "\\in\\ver_ctrl.txt";
        GetCurrentDirectoryA(MAX_PATH, savedDirectory_);
    }

    void TearDown() override
    {
        SetCurrentDirectoryA(savedDirectory_);
        TZarviktool::Pause = savedPause_;
        g_window = nullptr;
        g_sleep = false;
        g_action = nullptr;
        window_.reset();
    }

    // A window with the settings the registry holds now.
    void MakeWindow()
    {
        window_.reset();
        window_ = std::make_unique<TZarviktool>(nullptr);
        g_window = window_.get();
        TZarviktool::Pause = RecordPause;
    }

    TZarviktool& w() { return *window_; }
    std::string Status() const { return WideToAnsi(window_->StatusBar1->SimpleText()); }

    void ClickStart()
    {
        g_pauses.clear();
        w().BtnStartClick(w().BtnStart);
    }

    // Runs a job with the given print path; the status text it ends with.
    std::string JobWithPrintPath(const std::string& printPath)
    {
        w().PrintFilePathName = printPath;
        ClickStart();
        return Status();
    }

    bool StartedAndGray()
    {
        return w().JobStarted && !w().Idle && w().LEDgray->Visible() && !w().LEDgreen->Visible()
               && !w().BtnStart->Enabled();
    }

    std::string arc_, print_, merge_;
    std::unique_ptr<TZarviktool> window_;
    void (*savedPause_)(DWORD) = TZarviktool::Pause;
    char savedDirectory_[MAX_PATH] = {};
};

TEST_F(Job, RunsItsStepsInOrderWithThreePausesAndCopiesThePrintFile)
{
    // Start as the green state leaves it.
    w().SetLEDState(1);
    w().SetStatusText("Daten und Quelldatei im ARC Verzeichnis vorhanden!");

    ClickStart();

    EXPECT_EQ(PauseTexts(), kAllSteps);
    EXPECT_EQ(Status(), "Merge Datei kopieren");
    EXPECT_TRUE(StartedAndGray());
    EXPECT_EQ(w().JobFailure, "");
    EXPECT_EQ(ReadFile(merge_ + "\\Print.dmf"), kRecord);
    EXPECT_EQ(ReadFile(arc_ + "\\Print.dml"), kPrintBytes);
    EXPECT_EQ(ReadFile(print_ + "\\Print.dml"), kPrintBytes) << "copied, not moved";
    EXPECT_EQ(ReadFile(arc_ + "\\in\\ver_ctrl.txt"), kSource) << "the job removes nothing";
}

TEST_F(Job, EachFileThatDoesNotOpenTakesOnePauseAwayAndTheJobGoesOn)
{
    // The source file has gone since the last tick.
    DeleteFileA(w().SourceFilePathName.c_str());
    ClickStart();
    EXPECT_EQ(PauseTexts(), (std::vector<std::string>{" Merge Datei erzeugen", "Merge Datei kopieren"}));
    EXPECT_TRUE(StartedAndGray());
    EXPECT_EQ(ReadFile(merge_ + "\\Print.dmf"), ";;;;") << "nothing of an earlier job is written again";
    EXPECT_EQ(w().JobFailure, "Kann Datendatei nicht \xf6" "ffnen") << "kept for the ticks";
    EXPECT_EQ(ReadFile(arc_ + "\\Print.dml"), kPrintBytes);

    // The merge directory is missing.
    WriteFile(w().SourceFilePathName, kSource);
    DeleteFileA((arc_ + "\\Print.dml").c_str());
    w().MergeFilePath = merge_ + "\\missing";
    ClickStart();
    EXPECT_EQ(PauseTexts(), (std::vector<std::string>{"Datendatei analysieren", " Merge Datei erzeugen"}));
    EXPECT_EQ(Status(), "Kann Merge Datei nicht schreiben");
    EXPECT_EQ(ReadFile(arc_ + "\\Print.dml"), kPrintBytes) << "the print file is still copied";

    // Both.
    DeleteFileA(w().SourceFilePathName.c_str());
    ClickStart();
    EXPECT_EQ(PauseTexts(), (std::vector<std::string>{" Merge Datei erzeugen"}));
    EXPECT_EQ(Status(), "Kann Merge Datei nicht schreiben");
    EXPECT_EQ(w().JobFailure, "Kann Datendatei nicht \xf6" "ffnen") << "the first failure is kept";
    EXPECT_TRUE(StartedAndGray()) << "a job that failed counts as started";
}

TEST_F(Job, DefaultSettingsCopyThePrintFileIntoTheArcDirectory)
{
    DeleteSettingsKey();
    MakeWindow();
    ASSERT_EQ(w().PrintFilePathName, "c:\\Corvanta\\Print.dml");
    ASSERT_EQ(w().ARCpath, "c:\\ARC");
    ASSERT_EQ(w().UsePrintFilePathName, 1);
    RemoveTree("c:\\ARC");
    CreateDirectoryA("c:\\ARC", nullptr);
    CreateDirectoryA("c:\\Corvanta", nullptr);
    WriteFile("c:\\Corvanta\\Print.dml", kPrintBytes);
    WriteFile("c:\\ARC\\Print.dml", std::string(3000, 'o')); // left by an earlier job
    w().SourceFilePathName = arc_ + "\\in\\ver_ctrl.txt";

    ClickStart();

    EXPECT_EQ(PauseTexts(), kAllSteps);
    EXPECT_EQ(ReadFile("c:\\ARC\\Print.dml"), kPrintBytes);
    EXPECT_EQ(ReadFile("c:\\ARC\\Print.dmf"), kRecord);
    EXPECT_EQ(Status(), "Merge Datei kopieren");
    RemoveTree("c:\\ARC");
    CreateDirectoryA("c:\\ARC", nullptr);
}

TEST_F(Job, TheCopyIsNamedByThePrintPathFromItsLastBackslash)
{
    // Dots and blanks in directory names play no part.
    const std::string deep = print_ + "\\a.b\\c d";
    CreateDirectoryA((print_ + "\\a.b").c_str(), nullptr);
    CreateDirectoryA(deep.c_str(), nullptr);
    WriteFile(deep + "\\Job.Print.dml", "deep");
    EXPECT_EQ(JobWithPrintPath(deep + "\\Job.Print.dml"), "Merge Datei kopieren");
    EXPECT_EQ(ReadFile(arc_ + "\\Job.Print.dml"), "deep");

    // An ARC path ending in a backslash gives two in a row, which Windows takes.
    w().ARCpath = arc_ + "\\";
    WriteFile(print_ + "\\Second.dml", "second");
    EXPECT_EQ(JobWithPrintPath(print_ + "\\Second.dml"), "Merge Datei kopieren");
    EXPECT_EQ(ReadFile(arc_ + "\\Second.dml"), "second");

    // An empty ARC path leaves the tail alone: the root of the current drive.
    const std::string cwd = FreshDirectory("job-cwd");
    ASSERT_TRUE(SetCurrentDirectoryA(cwd.c_str()));
    DeleteFileA("c:\\Third.dml");
    w().ARCpath = "";
    WriteFile(print_ + "\\Third.dml", "third");
    EXPECT_EQ(JobWithPrintPath(print_ + "\\Third.dml"), "Merge Datei kopieren");
    EXPECT_EQ(ReadFile("c:\\Third.dml"), "third");
    DeleteFileA("c:\\Third.dml");
}

TEST_F(Job, APrintPathWithoutABackslashIsCopiedOntoTheArcPathItself)
{
    ASSERT_TRUE(SetCurrentDirectoryA(print_.c_str()));
    std::string forward = print_ + "\\Print.dml";
    std::replace(forward.begin(), forward.end(), '\\', '/');
    // The ARC directory is there: the copy onto it fails, and says so.
    for (const std::string& path : {std::string("Print.dml"), std::string("c:Print.dml"), forward}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(JobWithPrintPath(path), "Kann Druckdatei nicht kopieren");
        EXPECT_FALSE(FileExists(arc_ + "\\Print.dml"));
    }
    // Where no such directory stands, the copy takes the ARC path as its name.
    w().ARCpath = merge_ + "\\named-like-the-arc-path";
    EXPECT_EQ(JobWithPrintPath("Print.dml"), "Merge Datei kopieren");
    EXPECT_EQ(ReadFile(merge_ + "\\named-like-the-arc-path"), kPrintBytes);
}

TEST_F(Job, ACopyThatFailsIsReported)
{
    // A path ending in a backslash names a directory.
    EXPECT_EQ(JobWithPrintPath(print_ + "\\"), "Kann Druckdatei nicht kopieren");
    EXPECT_EQ(JobWithPrintPath(""), "Kann Druckdatei nicht kopieren");
    EXPECT_EQ(JobWithPrintPath(print_ + "\\Missing.dml"), "Kann Druckdatei nicht kopieren");
    EXPECT_FALSE(FileExists(arc_ + "\\Missing.dml"));

    w().ARCpath = arc_ + "\\gone";
    EXPECT_EQ(JobWithPrintPath(print_ + "\\Print.dml"), "Kann Druckdatei nicht kopieren");
    EXPECT_FALSE(FileExists(arc_ + "\\gone")) << "a missing ARC directory is not created";

    // After a merge file that failed too, the copy's report is the last word.
    w().MergeFilePath = merge_ + "\\missing";
    EXPECT_EQ(JobWithPrintPath(print_ + "\\Print.dml"), "Kann Druckdatei nicht kopieren");
    EXPECT_EQ(PauseTexts(), (std::vector<std::string>{"Datendatei analysieren", " Merge Datei erzeugen"}));
    EXPECT_TRUE(StartedAndGray());
}

TEST_F(Job, APrintFileAlreadyInTheArcDirectoryIsLeftAsItIs)
{
    WriteFile(arc_ + "\\Print.dml", "in place");
    EXPECT_EQ(JobWithPrintPath(arc_ + "\\Print.dml"), "Merge Datei kopieren");
    EXPECT_EQ(ReadFile(arc_ + "\\Print.dml"), "in place");

    // Spelt otherwise, it is still the same file.
    std::string upper = arc_;
    CharUpperA(upper.data());
    EXPECT_EQ(JobWithPrintPath(upper + "\\.\\PRINT.DML"), "Merge Datei kopieren");
    EXPECT_EQ(ReadFile(arc_ + "\\Print.dml"), "in place");
}

TEST_F(Job, OnlyAUseOfExactlyOneCopiesThePrintFile)
{
    for (const std::int32_t use : {0, 2, -1}) {
        SCOPED_TRACE(use);
        w().UsePrintFilePathName = use;
        ClickStart();
        EXPECT_EQ(Status(), "Merge Datei kopieren");
        EXPECT_FALSE(FileExists(arc_ + "\\Print.dml"));
    }
    // Not even a failure is reported when no copy is asked for.
    w().PrintFilePathName = "";
    ClickStart();
    EXPECT_EQ(Status(), "Merge Datei kopieren");
}

// Messages of this thread for the given time: the times (after the start) at
// which a timer message was dispatched, and the status text after each.
struct Tick {
    DWORD at;
    std::string status;
    bool idle;
};

std::vector<Tick> DispatchFor(TZarviktool& w, DWORD milliseconds)
{
    std::vector<Tick> ticks;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            const bool timer = msg.message == WM_TIMER;
            const DWORD at = GetTickCount() - start;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            if (timer)
                ticks.push_back({at, WideToAnsi(w.StatusBar1->SimpleText()), w.Idle});
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return ticks;
}

std::string g_tickArc;

void EmptyTheArcTree()
{
    RemoveTree(g_tickArc);
    CreateDirectoryA(g_tickArc.c_str(), nullptr);
}

TEST_F(Job, TheTicksThatFellDueDuringTheJobComeAsOneRightAfterIt)
{
    // Real pauses and ticks; the ticks reload the settings, so they live in the
    // registry. The merge file is written outside the ARC tree, and the tree
    // is emptied during the last pause: the tick right after the job ends it.
    g_tickArc = arc_;
    SetString(L"ARCpath", AnsiToWide(arc_));
    SetString(L"MergeFilePath", AnsiToWide(merge_));
    SetDword(L"UsePrintFilePathName", 0);
    MakeWindow();
    g_sleep = true;
    g_action = EmptyTheArcTree;
    g_actionAt = "Merge Datei kopieren";
    const std::vector<Tick> before = DispatchFor(w(), 2600);
    ASSERT_EQ(before.size(), 1u);
    ASSERT_EQ(before[0].status, "Daten und Quelldatei im ARC Verzeichnis vorhanden!");

    const DWORD started = GetTickCount();
    ClickStart();
    const DWORD took = GetTickCount() - started;
    EXPECT_GE(took, 6000u);
    EXPECT_EQ(PauseTexts(), kAllSteps);

    const std::vector<Tick> after = DispatchFor(w(), 3000);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_LT(after[0].at, 300u) << "the tick that fell due comes at once";
    EXPECT_TRUE(after[0].idle) << "and finds the tree empty: the job ends";
    EXPECT_EQ(after[0].status, "Merge Datei kopieren") << "shown until the next tick";
    EXPECT_GE(after[1].at - after[0].at, 1900u) << "ticks that fell due are not caught up";
    EXPECT_EQ(after[1].status, "Okay, keine Dateien im ARC Verzeichnis vorhanden!");
    EXPECT_TRUE(w().LEDblue->Visible());
}

} // namespace
