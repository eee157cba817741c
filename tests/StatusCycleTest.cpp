// The status cycle of the current build, in-process: the decision table, the
// fresh interval after every check, the settings reload at each tick and a
// settings load that keeps failing.
#include "classlib/Application.h"
#include "monitor/Main.h"
#include "support/ProgramDriver.h"
#include "support/TestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>

using namespace testing_support;

// Allocations from a given size on can be made to fail once, to drive an
// exception through the middle of a check.
namespace {
std::atomic<std::size_t> failAllocationFrom{0};
}

// Not inlined, so that the compiler does not pair malloc with a delete.
__attribute__((noinline)) void* operator new(std::size_t size)
{
    const std::size_t from = failAllocationFrom.load();
    if (from != 0 && size >= from) {
        failAllocationFrom = 0;
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}

__attribute__((noinline)) void operator delete(void* block) noexcept
{
    std::free(block);
}

__attribute__((noinline)) void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace {

const std::wstring kRow1 = L"Okay, keine Dateien im ARC Verzeichnis vorhanden!";
const std::wstring kRow3 = L"Daten und Quelldatei im ARC Verzeichnis vorhanden!";
const std::wstring kRow4 = L"Daten, aber keine Quelldatei im ARC Verzeichnis vorhanden!";
const std::wstring kRow5 = L"Kallidor erzeugt Kopien";
const std::wstring kBefore = L"vorher";

constexpr int kRed = 2;

// The LED state shown: 1 green .. 5 yellow, 0 when not exactly one is visible.
int ShownLed(const TZarviktool& window)
{
    const TImage* const leds[5] = {window.LEDgreen, window.LEDred, window.LEDblue, window.LEDgray,
                                   window.LEDyellow};
    int shown = 0;
    for (int i = 0; i < 5; ++i) {
        if (leds[i]->Visible()) {
            if (shown != 0)
                return 0;
            shown = i + 1;
        }
    }
    return shown;
}

// The flags are looked at and set as the bytes they are.
unsigned char Byte(const bool& flag)
{
    unsigned char byte;
    std::memcpy(&byte, &flag, 1);
    return byte;
}

void SetByte(bool& flag, unsigned char byte)
{
    std::memcpy(&flag, &byte, 1);
}

enum class Tree { Empty, DataOnly, DataAndSource };

class StatusCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        arc = FreshDirectory("cycle-arc");
        SetString(L"ARCpath", std::wstring(arc.begin(), arc.end()));
        window = std::make_unique<TZarviktool>(nullptr);
    }

    void MakeTree(Tree tree)
    {
        RemoveTree(arc);
        CreateDirectoryA(arc.c_str(), nullptr);
        if (tree == Tree::Empty)
            return;
        CreateDirectoryA((arc + "\\job").c_str(), nullptr);
        WriteFile(arc + "\\job\\bild001.jpg", "x");
        if (tree == Tree::DataAndSource)
            WriteFile(arc + "\\job\\ver_ctrl.txt", "x");
    }

    std::wstring Text() const { return window->StatusBar1->SimpleText(); }

    // The tick's text as it came into the status bar window itself.
    std::wstring TextOnBar() const
    {
        wchar_t text[256] = {};
        SendMessageW(window->StatusBar1->Handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }

    std::string arc;
    std::unique_ptr<TZarviktool> window;
};

struct Outcome {
    int led; // 0: unchanged
    std::wstring text; // empty: unchanged
    bool ends; // the job-end row resets the flags
};

// What each row of the decision table shows and does.
Outcome RowOutcome(int row)
{
    switch (row) {
    case 1: return {3, kRow1, false};
    case 2: return {0, L"", true};
    case 3: return {1, kRow3, false};
    case 4: return {5, kRow4, false};
    case 5: return {0, kRow5, false};
    default: return {0, L"", false};
    }
}

} // namespace

TEST_F(StatusCycle, EveryCombinationOfFlagsSelectsItsRow)
{
    struct Case {
        Tree tree;
        unsigned char idle;
        unsigned char jobStarted;
        int row;
    };
    // The scan sets DataInARC and SourceInARC from the tree; Idle and
    // JobStarted are tested as bytes against 1, so 2 counts as "not 1".
    const Case cases[] = {
        {Tree::Empty, 1, 0, 1},         {Tree::Empty, 1, 1, 1},         {Tree::Empty, 0, 1, 2},
        {Tree::Empty, 0, 0, 2},         {Tree::DataOnly, 1, 0, 4},      {Tree::DataOnly, 1, 1, 4},
        {Tree::DataOnly, 0, 1, 5},      {Tree::DataOnly, 0, 0, 6},      {Tree::DataAndSource, 1, 0, 3},
        {Tree::DataAndSource, 1, 1, 3}, {Tree::DataAndSource, 0, 1, 5}, {Tree::DataAndSource, 0, 0, 6},
        {Tree::Empty, 2, 1, 2},         {Tree::Empty, 2, 2, 2},         {Tree::DataOnly, 2, 1, 5},
        {Tree::DataAndSource, 2, 1, 5}, {Tree::DataAndSource, 0, 2, 6}, {Tree::DataAndSource, 2, 2, 6},
        {Tree::DataOnly, 1, 2, 4},      {Tree::DataAndSource, 1, 2, 3},
    };
    // A job that failed shows its failure in place of row 5's text until it ends.
    for (const std::string failure : {"", "Kann Druckdatei nicht kopieren"})
    for (const Case& c : cases) {
        SCOPED_TRACE("tree " + std::to_string(static_cast<int>(c.tree)) + ", Idle " + std::to_string(c.idle)
                     + ", JobStarted " + std::to_string(c.jobStarted) + ", row " + std::to_string(c.row)
                     + ", failure '" + failure + "'");
        MakeTree(c.tree);
        window->JobFailure = failure;
        window->SetLEDState(kRed);
        window->SetStatusText("vorher");
        SetByte(window->Idle, c.idle);
        SetByte(window->JobStarted, c.jobStarted);
        window->SourceInARC = c.tree != Tree::DataAndSource; // the scan must set it afresh
        window->Timer1->SetEnabled(false);

        EXPECT_TRUE(window->CheckARC());

        Outcome outcome = RowOutcome(c.row);
        if (c.row == 5 && !failure.empty())
            outcome.text = std::wstring(failure.begin(), failure.end());
        EXPECT_EQ(ShownLed(*window), outcome.led == 0 ? kRed : outcome.led);
        EXPECT_EQ(window->BtnStart->Enabled(), outcome.led == 1);
        EXPECT_EQ(Text(), outcome.text.empty() ? kBefore : outcome.text);
        EXPECT_EQ(window->JobFailure, outcome.ends ? "" : failure) << "the job's end forgets it";
        EXPECT_EQ(TextOnBar(), Text());
        EXPECT_EQ(Byte(window->Idle), outcome.ends ? 1 : c.idle);
        EXPECT_EQ(Byte(window->JobStarted), outcome.ends ? 0 : c.jobStarted);
        EXPECT_EQ(window->DataInARC, c.tree == Tree::Empty ? 0 : 1);
        EXPECT_EQ(window->SourceInARC, c.tree == Tree::DataAndSource);
        EXPECT_TRUE(window->Timer1->Enabled());
    }
}

TEST_F(StatusCycle, JobEndIsShownOneTickLate)
{
    auto startJob = [this](const char* lastText) {
        window->Idle = false;
        window->JobStarted = true;
        window->SetLEDState(4);
        window->SetStatusText(lastText);
    };

    // The job runs while the tree holds files, the source file or not.
    MakeTree(Tree::DataAndSource);
    startJob("Merge Datei kopieren");
    window->CheckARC();
    EXPECT_EQ(Text(), kRow5);
    EXPECT_EQ(ShownLed(*window), 4);
    EXPECT_FALSE(window->BtnStart->Enabled());
    DeleteFileA((arc + "\\job\\ver_ctrl.txt").c_str());
    window->CheckARC();
    EXPECT_EQ(Text(), kRow5);
    EXPECT_EQ(ShownLed(*window), 4);

    // The first empty tick ends the job and leaves LED and text; the next
    // one shows the empty tree.
    MakeTree(Tree::Empty);
    window->CheckARC();
    EXPECT_EQ(Text(), kRow5);
    EXPECT_EQ(ShownLed(*window), 4);
    EXPECT_TRUE(window->Idle);
    EXPECT_FALSE(window->JobStarted);
    window->CheckARC();
    EXPECT_EQ(Text(), kRow1);
    EXPECT_EQ(ShownLed(*window), 3);

    // Emptied while the job itself still ran: its last text stays one tick.
    startJob("Merge Datei kopieren");
    window->CheckARC();
    EXPECT_EQ(Text(), L"Merge Datei kopieren");
    EXPECT_EQ(ShownLed(*window), 4);

    // New files between the two ticks: no blue tick at all.
    for (const Tree next : {Tree::DataAndSource, Tree::DataOnly}) {
        MakeTree(Tree::DataOnly);
        startJob("Kallidor erzeugt Kopien");
        MakeTree(Tree::Empty);
        window->CheckARC();
        EXPECT_EQ(ShownLed(*window), 4);
        MakeTree(next);
        window->CheckARC();
        EXPECT_EQ(ShownLed(*window), next == Tree::DataAndSource ? 1 : 5);
        EXPECT_EQ(Text(), next == Tree::DataAndSource ? kRow3 : kRow4);
        EXPECT_EQ(window->BtnStart->Enabled(), next == Tree::DataAndSource);
    }
}

TEST_F(StatusCycle, NextTickComesAWholeIntervalAfterTheCheck)
{
    // The timer runs from the window's creation; a check 1200 ms into the
    // interval starts a fresh one, so no tick comes at the old 2000 ms mark.
    const DWORD created = GetTickCount();
    PumpMessages(1200);
    ASSERT_EQ(Text(), L"Initialisierung! Bitte warten...") << "a tick came early";
    window->CheckARC();
    const DWORD checked = GetTickCount();
    window->SetStatusText("vorher");
    while (Text() == kBefore && GetTickCount() - checked < 4000)
        PumpMessages(10);
    const DWORD ticked = GetTickCount();
    EXPECT_EQ(Text(), kRow1);
    EXPECT_GE(ticked - checked, 1900u) << "tick " << ticked - created << " ms after creation";
    EXPECT_LE(ticked - checked, 2400u);
}

TEST_F(StatusCycle, TimerIsSwitchedOnAgainWhenTheCheckFails)
{
    // The first allocation of the scan, ARCpath with its separator, fails.
    window->ARCpath = std::string(200000, 'x');
    window->SetStatusText("vorher");
    failAllocationFrom = 200000;
    EXPECT_THROW(window->CheckARC(), std::bad_alloc);
    failAllocationFrom = 0;
    EXPECT_TRUE(window->Timer1->Enabled());
    EXPECT_EQ(Text(), kBefore);

    // And it really runs: the next tick (which reloads ARCpath) comes.
    const DWORD failed = GetTickCount();
    while (Text() == kBefore && GetTickCount() - failed < 4000)
        PumpMessages(10);
    EXPECT_EQ(Text(), kRow1);
}

TEST_F(StatusCycle, EachTickReloadsTheSettingsFirst)
{
    const std::string other = FreshDirectory("cycle-other");
    WriteFile(other + "\\auftrag.ini", "x");

    window->Timer1Timer(nullptr);
    EXPECT_EQ(Text(), kRow1);

    // A changed ARCpath is scanned at the very next tick.
    SetString(L"ARCpath", std::wstring(other.begin(), other.end()));
    window->Timer1Timer(nullptr);
    EXPECT_EQ(window->ARCpath, other);
    EXPECT_EQ(Text(), kRow4);

    // So is a changed SourceFileName.
    SetString(L"SourceFileName", L"auftrag.ini");
    window->Timer1Timer(nullptr);
    EXPECT_EQ(Text(), kRow3);
    EXPECT_EQ(window->SourceFilePathName, other + "\\auftrag.ini");
    EXPECT_TRUE(window->BtnStart->Enabled());

    // A value deleted from the registry comes back with its default.
    DeleteValue(L"SourceFileName");
    DeleteValue(L"UseString3");
    window->UseString[3] = 0;
    window->Timer1Timer(nullptr);
    EXPECT_EQ(ValueType(L"SourceFileName"), DWORD(REG_SZ));
    EXPECT_EQ(StoredString(L"SourceFileName"), L"ver_ctrl.txt");
    EXPECT_EQ(window->SourceFileName, "ver_ctrl.txt");
    EXPECT_EQ(ValueType(L"UseString3"), DWORD(REG_DWORD));
    EXPECT_EQ(StoredDword(L"UseString3"), 1u);
    EXPECT_EQ(window->UseString[3], 1);
    EXPECT_EQ(Text(), kRow4);

    // What is held in memory alone does not survive a tick.
    window->ARCpath = arc;
    window->Timer1Timer(nullptr);
    EXPECT_EQ(window->ARCpath, other);
}

TEST_F(StatusCycle, FailingLoadShowsOneBoxAndLeavesTheDisplay)
{
    window->Timer1->SetInterval(200);
    window->Timer1Timer(nullptr);
    ASSERT_EQ(Text(), kRow1);
    ASSERT_EQ(ShownLed(*window), 3);

    // A wrong type ends every tick before the check: the file that arrives
    // meanwhile is not seen, and the boxes do not stack up.
    SetDword(L"ARCpath", 5);
    WriteFile(arc + "\\bild001.jpg", "x");
    {
        ErrorBoxWatcher watcher(1500);
        // Should boxes stack up after all, the GUI thread would never get out
        // of them: mend the registry late, so that the test fails, not hangs.
        std::atomic<bool> done{false};
        std::thread watchdog([&] {
            const DWORD start = GetTickCount();
            while (!done && GetTickCount() - start < 8000)
                Sleep(20);
            if (!done)
                SetString(L"ARCpath", std::wstring(arc.begin(), arc.end()));
        });
        PumpMessages(3200); // about 16 ticks, in and out of the boxes
        done = true;
        watchdog.join();
        const auto boxes = watcher.Boxes();
        ASSERT_GE(boxes.size(), 1u);
        EXPECT_LE(boxes.size(), 3u);
        EXPECT_EQ(watcher.MostOpenAtOnce(), 1);
        EXPECT_EQ(boxes[0].text, L"Ung\u00fcltiger Datentyp f\u00fcr 'ARCpath'");
        EXPECT_EQ(Text(), kRow1);
        EXPECT_EQ(ShownLed(*window), 3);

        // Mended: the next tick runs normally, with no further box.
        SetString(L"ARCpath", std::wstring(arc.begin(), arc.end()));
        const std::size_t shown = watcher.Boxes().size();
        PumpMessages(600);
        EXPECT_EQ(Text(), kRow4);
        EXPECT_EQ(ShownLed(*window), 5);
        EXPECT_EQ(watcher.Boxes().size(), shown);
    }
}

TEST_F(StatusCycle, CycleResumesWhileTheErrorBoxIsStillOpen)
{
    window->Timer1->SetInterval(200);
    window->Timer1Timer(nullptr);
    SetDword(L"ARCpath", 5);
    WriteFile(arc + "\\bild001.jpg", "x");

    ErrorBoxWatcher watcher(3000);
    std::atomic<bool> resumedWhileOpen{false};
    std::atomic<bool> boxSeen{false};
    // The GUI thread sits in the box's modal loop; this thread mends the
    // registry and reads the status bar meanwhile.
    std::thread mender([&] {
        const DWORD start = GetTickCount();
        while (WindowsOfProcess(GetCurrentProcessId(), L"#32770").empty() && GetTickCount() - start < 3000)
            Sleep(20);
        boxSeen = !WindowsOfProcess(GetCurrentProcessId(), L"#32770").empty();
        Sleep(500); // a few more failing ticks inside the box
        SetString(L"ARCpath", std::wstring(arc.begin(), arc.end()));
        const DWORD mended = GetTickCount();
        while (GetTickCount() - mended < 1500) {
            wchar_t text[256] = {};
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window->StatusBar1->Handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text),
                                SMTO_NORMAL, 1000, &result);
            if (kRow4 == text) {
                resumedWhileOpen = !WindowsOfProcess(GetCurrentProcessId(), L"#32770").empty();
                break;
            }
            Sleep(20);
        }
    });
    PumpMessages(3600);
    mender.join();
    EXPECT_TRUE(boxSeen);
    EXPECT_TRUE(resumedWhileOpen);
    EXPECT_EQ(watcher.Boxes().size(), 1u);
    EXPECT_EQ(Text(), kRow4);
}
