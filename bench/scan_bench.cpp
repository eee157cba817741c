// Times one ARC scan, one settings load and one whole tick against Wine's own
// directory walk (cmd's dir /s) over the same trees. Run by bench/scan.sh,
// which makes the trees and passes the native walk times it measured.
//
//   scan_bench.exe ROOT RUNS DIR_RUNS FILES:NATIVE_MS ...
//
// ROOT holds tree-FILES for every size given and an empty directory "empty".
#include "classlib/Application.h"
#include "monitor/Main.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Median milliseconds of each piece of work, the pieces timed in turn `runs`
// times after one untimed round.
std::vector<double> MedianTurns(int runs, const std::vector<std::function<void()>>& works)
{
    std::vector<std::vector<double>> times(works.size());
    for (const auto& work : works)
        work();
    for (int i = 0; i < runs; ++i) {
        for (std::size_t k = 0; k < works.size(); ++k) {
            const double start = Now();
            works[k]();
            times[k].push_back(Now() - start);
        }
    }
    std::vector<double> medians;
    for (auto& piece : times) {
        std::sort(piece.begin(), piece.end());
        medians.push_back(piece[piece.size() / 2]);
    }
    return medians;
}

// Median milliseconds of `runs` timed calls after one untimed warm-up call.
double Median(int runs, const std::function<void()>& work)
{
    return MedianTurns(runs, {work})[0];
}

// Runs a command line to its end, its output thrown away.
void RunCommand(const std::wstring& commandLine)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING,
                             0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION info{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
        std::fprintf(stderr, "cannot run %ls\n", commandLine.c_str());
        std::exit(1);
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(nul);
}

// The platform's own enumeration of a tree, with nothing of the scan around
// it: the floor that any walk through the find functions stands on.
void BareWalk(const std::string& directory, long& files, long& directories)
{
    ++directories;
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((directory + "*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            ++files;
        else if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0)
            BareWalk(directory + entry.cFileName + "\\", files, directories);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: scan_bench ROOT RUNS DIR_RUNS FILES:NATIVE_MS ...\n");
        return 2;
    }
    Application->Initialize();
    const std::string root = argv[1];
    const int runs = std::atoi(argv[2]);
    const int dirRuns = std::atoi(argv[3]); // cmd's dir is slow: fewer runs
    auto window = std::make_unique<TZarviktool>(nullptr);
    // The tick's load reads ARCpath from the registry: point it at an empty tree.
    window->ARCpath = root + "\\empty";
    window->SaveSettings();

    // The parts of a tick and the whole take turns, so that what the machine
    // does meanwhile (a late start of Wine's services, another CPU's load)
    // weighs on all of them alike; timed one after the other, the first of
    // them once took ten times as long as the whole tick.
    const std::vector<double> tickParts = MedianTurns(runs * 5, {
        [&] { window->LoadSettings(); },
        [&] { window->ScanARC(); },
        [&] { window->CheckARC(); },
        [&] { window->Timer1Timer(nullptr); },
    });
    const double load = tickParts[0];
    const double emptyScan = tickParts[1];
    const double check = tickParts[2];
    const double tick = tickParts[3];
    const double cmdStart = Median(runs, [] { RunCommand(L"cmd.exe /c rem"); });

    std::printf("| files | directories | ScanARC ms | bare FindFirstFileA walk ms | cmd dir /s ms | native find ms "
                "| scan / bare walk | scan / dir | scan / native | scan us per file |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int i = 4; i < argc; ++i) {
        const std::string argument = argv[i];
        const std::size_t colon = argument.find(':');
        const long files = std::atol(argument.substr(0, colon).c_str());
        const double native = std::atof(argument.substr(colon + 1).c_str());
        const std::string tree = root + "\\tree-" + std::to_string(files);

        window->ARCpath = tree;
        long found = 0;
        long directories = 0;
        // The two walks take turns, like the parts of a tick below.
        const std::vector<double> walks = MedianTurns(runs, {
            [&] { window->ScanARC(); },
            [&] {
                found = 0;
                directories = 0;
                BareWalk(tree + "\\", found, directories);
            },
        });
        const double scan = walks[0];
        const double bare = walks[1];
        if (window->DataInARC != 1) {
            std::fprintf(stderr, "%s holds no file\n", tree.c_str());
            return 1;
        }
        if (found != files) {
            std::fprintf(stderr, "%s holds %ld files, not %ld\n", tree.c_str(), found, files);
            return 1;
        }
        const double dir = Median(dirRuns, [&] { RunCommand(L"cmd.exe /c dir /s /b /a-d " + Wide(tree)); });
        std::printf("| %ld | %ld | %.1f | %.1f | %.1f | %.1f | %.3f | %.2f | %.2f | %.2f |\n", files, directories, scan,
                    bare, dir, native, scan / bare, scan / dir, scan / native,
                    scan * 1000.0 / static_cast<double>(files));
        std::fflush(stdout);
    }
    std::printf("\n");
    std::printf("| one tick on an empty tree | ms |\n|---|---:|\n");
    std::printf("| LoadSettings (37 values) | %.2f |\n", load);
    std::printf("| ScanARC | %.3f |\n", emptyScan);
    std::printf("| CheckARC (scan, LED, text, timer off and on) | %.3f |\n", check);
    std::printf("| Timer1Timer (load and check) | %.2f |\n", tick);
    std::printf("| for scale: cmd /c rem (process start) | %.1f |\n", cmdStart);
    return 0;
}
