// The whole road of one job on the real programs, as a user sees it: files
// arrive in c:\ARC, the window turns green, a mouse click on Start runs the
// job, the copying software's time passes, the tree is emptied, blue again.
//
// While the job runs the program answers no message from another process, so
// its status texts are read off the screen then: each frame of the status bar
// is compared with the same text drawn by the same status bar in this process.
#include "classlib/AnsiText.h"
#include "monitor/Main.h"
#include "support/ProgramDriver.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <commctrl.h>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

const std::string kArc = "c:\\ARC";
const std::string kSource = "  PatientName = \"Erika Muster\" \n"
                            "  PatientID = \"4711\" \n"
                            "  PhotoDate = \"20240307091505\" \n"
                            "INIAGL:Tray 2@PRJAGL\n";
// The print file's bytes, among them ones a text-mode copy would change.
const std::string kPrintBytes = std::string("%Layout\r\nline\nCR\r\x1a\x00\xff", 21) + "end";

const std::string kBlueText = "Okay, keine Dateien im ARC Verzeichnis vorhanden!";
const std::string kGreenText = "Daten und Quelldatei im ARC Verzeichnis vorhanden!";
const std::string kCreating = " Merge Datei erzeugen";
const std::string kCopying = "Merge Datei kopieren";
const std::string kKallidor = "Kallidor erzeugt Kopien";
const std::string kCopyFailed = "Kann Druckdatei nicht kopieren";
const std::string kCannotOpen = "Kann Datendatei nicht \xf6" "ffnen";

// The left part of a status bar as the screen shows it; the two programs'
// bars differ in width by a pixel, so the right end is left out.
constexpr int kFrameWidth = 240;

class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() { ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

using Frame = std::vector<DWORD>;

Frame CaptureStatusBar(HWND bar)
{
    RECT rect{};
    GetWindowRect(bar, &rect);
    const int height = rect.bottom - rect.top;
    ScreenDc screen;
    HDC memory = CreateCompatibleDC(screen.Get());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kFrameWidth;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, kFrameWidth, height, screen.Get(), rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    Frame frame(pixels, pixels + static_cast<std::size_t>(kFrameWidth) * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return frame;
}

// Every status text a job's road can show, drawn once by the window's own
// status bar in this process.
std::map<std::string, Frame> DrawnTexts()
{
    const std::vector<std::string> texts{"Initialisierung! Bitte warten...",
                                         kBlueText,
                                         kGreenText,
                                         "Daten, aber keine Quelldatei im ARC Verzeichnis vorhanden!",
                                         "Datendatei analysieren",
                                         "Druckdatei erzeugen",
                                         kCannotOpen,
                                         kCreating,
                                         kCopying,
                                         "Kann Merge Datei nicht schreiben",
                                         kCopyFailed,
                                         kKallidor};
    std::map<std::string, Frame> frames;
    auto window = std::make_unique<TZarviktool>(nullptr);
    // A tick would overwrite a text before it is captured.
    window->Timer1->SetEnabled(false);
    window->Show();
    PumpMessages(300);
    for (const std::string& text : texts) {
        window->SetStatusText(text);
        // Wine hands what a window drew to the screen a moment later.
        PumpMessages(150);
        frames[text] = CaptureStatusBar(window->StatusBar1->Handle());
    }
    return frames;
}

std::string NameOf(const Frame& frame, const std::map<std::string, Frame>& known)
{
    for (const auto& [text, drawn] : known) {
        if (drawn == frame)
            return text;
    }
    return "?";
}

// Whether the program handles messages (it does not while a job runs).
bool Answers(HWND window, DWORD timeoutMilliseconds)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMilliseconds, &result) != 0;
}

// Clicks Start and waits until the job blocks the window; when it clicked.
DWORD StartTheJob(const RunningProgram& program)
{
    const DWORD clicked = GetTickCount();
    program.ClickStart();
    while (Answers(program.MainWindow(), 100) && GetTickCount() - clicked < 3000)
        Sleep(20);
    return clicked;
}

FILETIME LastWrite(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool operator==(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// Waits until the screen shows the LED and Start in the given state (Wine
// shows what the program drew a moment later); whether it came to that.
bool ScreenShows(const RunningProgram& program, Led led, bool startEnabled)
{
    for (int i = 0; i < 30; ++i) {
        if (program.LedOnScreen() == led && program.StartLooksEnabled() == startEnabled)
            return true;
        Sleep(50);
    }
    return false;
}

double Between(DWORD from, DWORD to)
{
    return static_cast<double>(to) - static_cast<double>(from);
}

struct Sighting {
    std::string text;
    DWORD at; // milliseconds after the click
};

// An empty c:\ARC, the default settings and the print file (or none).
void PrepareStation(bool printFile = true)
{
    DeleteSettingsKey();
    RemoveTree(kArc);
    ASSERT_TRUE(CreateDirectoryA(kArc.c_str(), nullptr));
    CreateDirectoryA("c:\\Corvanta", nullptr);
    DeleteFileA("c:\\Corvanta\\Print.dml");
    if (printFile)
        WriteFile("c:\\Corvanta\\Print.dml", kPrintBytes);
}

// A job's files in c:\ARC, the source file last.
void PutJobFiles()
{
    WriteFile(kArc + "\\job.dat", "job data");
    WriteFile(kArc + "\\ver_ctrl.txt", kSource);
}

// What goes wrong in a job: nothing, no print file, or the source file is
// removed during the first pause. The ticks must go on saying so.
enum class Fault { None, NoPrintFile, SourceLost };

// Walks one job from the arrival of its files to the blue LED.
void WalkTheRoad(const std::wstring& exe, const std::string& firstText, const std::string& record,
                 Fault fault = Fault::None)
{
    const bool printFile = fault != Fault::NoPrintFile;
    const std::string& lastText = printFile ? kCopying : kCopyFailed;
    const std::string& duringCopies = fault == Fault::None ? kKallidor : printFile ? kCannotOpen : kCopyFailed;
    static const std::map<std::string, Frame> known = DrawnTexts();
    PrepareStation(printFile);
    RunningProgram program(exe);
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    const HWND bar = FindWindowExW(program.MainWindow(), nullptr, STATUSCLASSNAMEW, nullptr);
    ASSERT_NE(bar, nullptr);
    // On a slow machine the first tick may already have come.
    const std::wstring first = program.StatusText();
    EXPECT_TRUE(first == L"Initialisierung! Bitte warten..." || first == AnsiToWide(kBlueText)) << first;

    // The empty tree, then the job's files.
    ASSERT_TRUE(program.WaitForStatus(AnsiToWide(kBlueText), 6000));
    EXPECT_TRUE(ScreenShows(program, Led::Blue, false));
    PutJobFiles();
    ASSERT_TRUE(program.WaitForStatus(AnsiToWide(kGreenText), 6000));
    ASSERT_TRUE(ScreenShows(program, Led::Green, true));

    // The click, and the job as the screen shows it.
    const DWORD clicked = StartTheJob(program);
    ASSERT_FALSE(Answers(program.MainWindow(), 100)) << "the job blocks the window";
    // Asked during the job, answered the moment it ends: its last text.
    std::atomic<bool> ended{false};
    DWORD endedAt = 0;
    std::wstring textAtTheEnd;
    std::thread reader([&] {
        textAtTheEnd = program.StatusText(20000);
        endedAt = GetTickCount() - clicked;
        ended = true;
    });
    std::vector<Sighting> seen;
    std::vector<Led> ledsDuringJob;
    bool clickedAgain = false;
    while (!ended || GetTickCount() - clicked < endedAt + 1000) {
        const DWORD now = GetTickCount() - clicked;
        const std::string name = NameOf(CaptureStatusBar(bar), known);
        // Wine may put the job's first text on the screen after the job began:
        // the green text before it is no sighting of the job.
        const bool before = seen.empty() && name == kGreenText;
        if (name != "?" && !before && (seen.empty() || seen.back().text != name))
            seen.push_back({name, now});
        if (!ended)
            ledsDuringJob.push_back(program.LedOnScreen());
        if (fault == Fault::SourceLost && now > 800)
            DeleteFileA((kArc + "\\ver_ctrl.txt").c_str());
        if (!clickedAgain && now > 3000) {
            // Start again in the middle of the job.
            EXPECT_FALSE(program.StartLooksEnabled());
            program.ClickStart();
            clickedAgain = true;
        }
        if (now > 15000)
            break;
        Sleep(20);
    }
    reader.join();
    ASSERT_TRUE(ended);

    EXPECT_EQ(textAtTheEnd, AnsiToWide(lastText));
    EXPECT_GE(endedAt, 5900u) << "three pauses of 2000 ms";
    EXPECT_LE(endedAt, 9000u);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].text, firstText);
    EXPECT_EQ(seen[1].text, kCreating);
    EXPECT_EQ(seen[2].text, kCopying);
    EXPECT_EQ(seen[3].text, duringCopies);
    // Wine puts what the program drew on the screen up to half a second late.
    EXPECT_NEAR(Between(seen[0].at, seen[1].at), 2000.0, 1000.0);
    EXPECT_NEAR(Between(seen[1].at, seen[2].at), 2000.0, 1000.0);
    EXPECT_NEAR(Between(endedAt, seen[3].at), 0.0, 1000.0) << "the tick that fell due comes right after the job";
    std::string otherLeds;
    for (const Led led : ledsDuringJob) {
        if (led != Led::Gray)
            otherLeds += std::string(LedName(led)) + " ";
    }
    EXPECT_FALSE(ledsDuringJob.empty());
    EXPECT_EQ(otherLeds, "") << "the LED during the job is gray";

    // The merge file and the copy of the print file, both in c:\ARC.
    EXPECT_EQ(ReadFile(kArc + "\\Print.dmf"), record);
    if (printFile)
        EXPECT_EQ(ReadFile(kArc + "\\Print.dml"), kPrintBytes);
    else
        EXPECT_FALSE(FileExists(kArc + "\\Print.dml"));
    EXPECT_EQ(FileExists(kArc + "\\ver_ctrl.txt"), fault != Fault::SourceLost);
    if (fault != Fault::SourceLost) {
        EXPECT_EQ(ReadFile(kArc + "\\ver_ctrl.txt"), kSource);
    }
    const FILETIME written = LastWrite(kArc + "\\Print.dmf");

    // Kallidor's time: every tick says so, the second click started nothing,
    // and the window answers at once. The first tick after the job ran as it
    // ended; the others follow every 2000 ms and the few milliseconds each takes.
    const DWORD firstTick = endedAt;
    while (GetTickCount() - clicked < firstTick + 5000) {
        const DWORD asked = GetTickCount();
        EXPECT_EQ(program.StatusText(), AnsiToWide(duringCopies));
        EXPECT_LT(GetTickCount() - asked, 1500u);
        Sleep(250);
    }
    EXPECT_TRUE(ScreenShows(program, Led::Gray, false));
    EXPECT_TRUE(LastWrite(kArc + "\\Print.dmf") == written) << "a second job ran";

    // The copying software empties the tree between two ticks; the first tick
    // after it ends the job and shows nothing new, the second shows blue.
    while (GetTickCount() - clicked < firstTick + 7000)
        Sleep(20);
    RemoveTree(kArc);
    ASSERT_TRUE(CreateDirectoryA(kArc.c_str(), nullptr));
    const DWORD emptied = GetTickCount();
    std::wstring text;
    while ((text = program.StatusText()) == AnsiToWide(duringCopies) && GetTickCount() - emptied < 6000)
        Sleep(50);
    const DWORD blueAfter = GetTickCount() - emptied;
    EXPECT_EQ(text, AnsiToWide(kBlueText));
    EXPECT_GE(blueAfter, 2400u) << "blue one tick after the job end, not at it";
    EXPECT_LE(blueAfter, 5000u);
    EXPECT_TRUE(ScreenShows(program, Led::Blue, false));
}

TEST(JobProgram, CurrentBuildWalksTheWholeRoadOfOneJob)
{
    WalkTheRoad(L"MervaneCT.exe", "Datendatei analysieren", "Erika Muster;4711;07.03.2024  09:15:05;Tray 2;");
}

TEST(JobProgram, OlderBuildWalksTheSameRoadWithItsOwnFirstTextAndNoDateRule)
{
    WalkTheRoad(L"MervaneCC.exe", "Druckdatei erzeugen", "Erika Muster;4711;20240307091505;Tray 2;");
}

TEST(JobProgram, AFailedCopyStaysOnTheScreenUntilTheJobEnds)
{
    WalkTheRoad(L"MervaneCT.exe", "Datendatei analysieren", "Erika Muster;4711;07.03.2024  09:15:05;Tray 2;",
                Fault::NoPrintFile);
}

TEST(JobProgram, ASourceFileLostDuringThePauseStaysOnTheScreenUntilTheJobEnds)
{
    WalkTheRoad(L"MervaneCT.exe", "Datendatei analysieren", ";;;;", Fault::SourceLost);
}

TEST(JobProgram, TheJobReadsTheSourceFileTheScanFoundNotOneInATwinFolder)
{
    PrepareStation();
    // "serie." and "serie" are one folder to the 8-bit path functions; the
    // second one's file is no source file for the scan by its letter case.
    PutLongFile(kArc + "\\serie.\\job.dat", "job data");
    PutLongFile(kArc + "\\serie.\\ver_ctrl.txt", "  PatientName = \"Dotted\" \n  PatientID = \"1\" \n");
    PutLongFile(kArc + "\\serie\\VER_CTRL.TXT", "  PatientName = \"Plain\" \n  PatientID = \"2\" \n");
    RunningProgram program(L"MervaneCT.exe");
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    ASSERT_TRUE(program.WaitForStatus(AnsiToWide(kGreenText), 6000));
    ASSERT_TRUE(ScreenShows(program, Led::Green, true));
    StartTheJob(program);
    EXPECT_EQ(program.StatusText(20000), AnsiToWide(kCopying));
    EXPECT_EQ(ReadFile(kArc + "\\Print.dmf"), "Dotted;1;;;");
    EXPECT_TRUE(program.WaitForStatus(AnsiToWide(kKallidor), 4000));
}

// Clicks Start through the display and watches the status bar on the screen
// for the length of the job. "" when each of the three pauses' texts reached
// the screen within its pause, else when each was first seen after the click.
std::string PausesOnScreen(const RunningProgram& program, const std::string& firstText)
{
    static const std::map<std::string, Frame> known = DrawnTexts();
    const HWND bar = FindWindowExW(program.MainWindow(), nullptr, STATUSCLASSNAMEW, nullptr);
    const std::string pauses[] = {firstText, kCreating, kCopying};
    DWORD firstSeen[3] = {};
    bool seen[3] = {};
    const DWORD clicked = GetTickCount();
    if (!program.ClickStartThroughDisplay())
        return "xdotool cannot be started";
    while (GetTickCount() - clicked < 6300) {
        const std::string name = NameOf(CaptureStatusBar(bar), known);
        for (int i = 0; i < 3; ++i) {
            if (!seen[i] && name == pauses[i]) {
                seen[i] = true;
                firstSeen[i] = GetTickCount() - clicked;
            }
        }
        Sleep(15);
    }
    program.StatusText(); // the job's end
    std::string report;
    for (int i = 0; i < 3; ++i)
        report += pauses[i] + ": " + (seen[i] ? std::to_string(firstSeen[i]) : std::string("never")) + "\n";
    // Each text must reach the screen within its own pause (the click takes a
    // moment to arrive).
    bool inTime = true;
    for (int i = 0; i < 3; ++i)
        inTime = inTime && seen[i] && firstSeen[i] < 2000u * (i + 1) + 150u;
    return inTime ? "" : report;
}

// Waits out the end of a job: the tree is emptied, a tick ends the job, the
// next shows blue; then the next job's files bring green.
void NextJob(const RunningProgram& program)
{
    RemoveTree(kArc);
    ASSERT_TRUE(CreateDirectoryA(kArc.c_str(), nullptr));
    ASSERT_TRUE(program.WaitForStatus(AnsiToWide(kBlueText), 8000));
    PutJobFiles();
    ASSERT_TRUE(program.WaitForStatus(AnsiToWide(kGreenText), 6000));
    ASSERT_TRUE(ScreenShows(program, Led::Green, true));
}

// "Einstellungen" > "Steuerung", then "Abbruch", with the mouse. Through the
// display, like the click on Start: after such a click Wine keeps its cursor
// where the display's pointer is, and a click made with SendInput elsewhere
// may then hit nothing.
void VisitTheDialog(const RunningProgram& program)
{
    POINT menu{77, -GetSystemMetrics(SM_CYMENU) / 2};
    ClientToScreen(program.MainWindow(), &menu);
    ASSERT_TRUE(ChooseOnlyMenuItem(program.ProcessId(), menu, true)) << "no menu opened";
    HWND dialog = WaitForWindowOfProcess(program.ProcessId(), L"TSteuerung");
    ASSERT_NE(dialog, nullptr) << "the dialog did not open";
    Sleep(300);
    POINT abbruch{381, 476};
    ClientToScreen(dialog, &abbruch);
    ASSERT_TRUE(ClickThroughDisplay(abbruch.x, abbruch.y));
    ASSERT_TRUE(WaitForHidden(dialog));
    ASSERT_TRUE(program.WaitForStatus(AnsiToWide(kGreenText), 6000));
}

TEST(JobProgram, EachPauseShowsItsTextOnTheScreenInJobsInARow)
{
    PrepareStation();
    PutJobFiles();
    {
        RunningProgram program(L"MervaneCT.exe");
        ASSERT_NE(program.WaitForMainWindow(), nullptr);
        ASSERT_TRUE(program.WaitForStatus(AnsiToWide(kGreenText), 6000));
        ASSERT_TRUE(ScreenShows(program, Led::Green, true));
        for (int job = 0; job < 2; ++job) {
            SCOPED_TRACE("MervaneCT, job " + std::to_string(job));
            if (job > 0)
                NextJob(program);
            EXPECT_EQ(PausesOnScreen(program, "Datendatei analysieren"), "");
        }
    }
    // The older build, each job started right after a visit to the dialog.
    PrepareStation();
    PutJobFiles();
    RunningProgram program(L"MervaneCC.exe");
    ASSERT_NE(program.WaitForMainWindow(), nullptr);
    ASSERT_TRUE(program.WaitForStatus(AnsiToWide(kGreenText), 6000));
    for (int job = 0; job < 2; ++job) {
        SCOPED_TRACE("MervaneCC, job " + std::to_string(job));
        if (job > 0)
            NextJob(program);
        VisitTheDialog(program);
        EXPECT_EQ(PausesOnScreen(program, "Druckdatei erzeugen"), "");
    }
}

} // namespace
