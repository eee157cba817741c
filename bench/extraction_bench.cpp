// Field extraction against its floor: a source file of the given size, ten
// fields in use, against reading the same file ten times with fgets alone.
//
// usage: extraction_bench.exe MEGABYTES [RUNS]
// Prints one table row: size, lines, median times, their ratio and the peak
// memory of the process.
//
// The file has 10,000 lines per megabyte, each of 100 bytes with its LF. The
// four default fields stand on lines near the end; fields 8 to 10 on one line
// each in the middle; the start texts of fields 5 to 7 occur nowhere.
#include "classlib/Application.h"
#include "monitor/Main.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

constexpr std::size_t kLineBytes = 100;

// A line of exactly 99 bytes and its LF.
std::string Line(std::string text)
{
    text.resize(kLineBytes - 1, '.');
    return text + "\n";
}

bool WriteSource(const std::string& path, long lines)
{
    File file{std::fopen(path.c_str(), "wb")};
    if (!file)
        return false;
    const char* const words[] = {"Image", "Series", "Station", "Printer", "Label", "Layer", "Disc", "Volume"};
    const long middle = lines / 2;
    for (long i = 0; i < lines; ++i) {
        std::string line;
        if (i == middle)
            line = "Operator = \"Jane Roe\" ";
        else if (i == middle + 1)
            line = "Hospital = \"St. Elsewhere\" ";
        else if (i == middle + 2)
            line = "StudyTime = \"091505\" ";
        else if (i == lines - 8)
            line = "PatientName = \"Sample value\" ";
        else if (i == lines - 7)
            line = "PatientID = \"4711\" ";
        else if (i == lines - 6)
            line = "PhotoDate = \"20240307091505\" ";
        else if (i == lines - 5)
            line = "INIAGL:Station 2@PRJAGL";
        else
            line = std::string(words[i % 8]) + std::to_string(i) + " = \"Patient data, Photo " + std::to_string(i * 7)
                   + " of the Printer queue\" ";
        const std::string bytes = Line(line);
        if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
            return false;
    }
    return std::fflush(file.get()) == 0;
}

void SetFields(TZarviktool& window)
{
    const char* const starts[] = {"",           "PatientName = \"", "PatientID = \"", "PhotoDate = \"",
                                  "INIAGL:",    "Referrer = \"",    "Modality = \"",  "Comment = \"",
                                  "Operator = \"", "Hospital = \"", "StudyTime = \""};
    for (int k = 1; k <= kMergeFields; ++k) {
        window.UseString[k] = 1;
        window.StartString[k] = starts[k];
        window.StoppString[k] = k == 4 ? "@PRJAGL" : "\" ";
    }
}

// Ten passes with fgets and nothing else: what any extraction must pay.
long ReadTenTimes(const std::string& path)
{
    std::vector<char> area(99999);
    long lines = 0;
    for (int pass = 0; pass < 10; ++pass) {
        File file{std::fopen(path.c_str(), "r")};
        if (!file)
            return -1;
        while (std::fgets(area.data(), 99999, file.get()) != nullptr)
            ++lines;
    }
    return lines;
}

template <class F>
double Milliseconds(F work)
{
    const auto begin = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
}

double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: extraction_bench MEGABYTES [RUNS]\n");
        return 2;
    }
    const long megabytes = std::atol(argv[1]);
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    const long lines = megabytes * 10000;

    CreateDirectoryA("c:\\mervane-bench", nullptr);
    const std::string path = "c:\\mervane-bench\\ver_ctrl.txt";
    if (megabytes <= 0 || runs <= 0 || !WriteSource(path, lines)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }

    Application->Initialize();
    TZarviktool::Pause = [](DWORD) {};
    auto window = std::make_unique<TZarviktool>(nullptr);
    window->SourceFilePathName = path;
    SetFields(*window);

    // Warm the file cache so that both measurements read from memory.
    ReadTenTimes(path);
    // Extraction and floor take turns, so that a busy moment of the machine
    // falls on both alike.
    std::vector<double> extractionTimes;
    std::vector<double> floorTimes;
    long floorLines = 0;
    for (int i = 0; i < runs; ++i) {
        extractionTimes.push_back(Milliseconds([&] { window->AnalyseDataFile(); }));
        floorTimes.push_back(Milliseconds([&] { floorLines = ReadTenTimes(path); }));
    }
    const double extraction = Median(extractionTimes);
    const double floor = Median(floorTimes);
    const bool found = window->MergeValue[1] == "Sample value" && window->MergeValue[3] == "07.03.2024  09:15:05"
                       && window->MergeValue[4] == "Station 2" && window->MergeValue[5].empty()
                       && window->MergeValue[8] == "Jane Roe" && window->MergeValue[10] == "091505";

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    window.reset();
    DeleteFileA(path.c_str());

    std::printf("| %ld MB | %ld | %d | %.0f | %.0f | %.2f | %.2f | %.2f |%s\n", megabytes, lines, runs, extraction,
                floor, extraction / floor, memory.PeakWorkingSetSize / 1048576.0, memory.PeakPagefileUsage / 1048576.0,
                found && floorLines == 10 * lines ? "" : " WRONG VALUES");
    return found ? 0 : 1;
}
