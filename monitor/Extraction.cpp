#include "Handles.h"
#include "Main.h"

#include "classlib/AnsiText.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The fgets limit: at most 99998 bytes of a line and the NUL.
constexpr int kLineArea = 99999;

// The length of the line's text, which a NUL ends, after taking out every CR:
// the C runtime's text mode drops only the CR of a CR LF, the source files
// drop them all. One pass over the bytes, as it runs for every line of every
// field.
std::size_t LineText(char* line)
{
    std::size_t length = 0;
    bool carriageReturn = false;
    for (; line[length] != '\0'; ++length)
        carriageReturn |= line[length] == '\r';
    if (!carriageReturn)
        return length;
    return static_cast<std::size_t>(std::remove(line, line + length, '\r') - line);
}

// YYYYMMDDhhmmss -> DD.MM.YYYY  hh:mm:ss, from the first 14 bytes; a shorter
// value is left as cut.
std::string DayFirst(const std::string& value)
{
    if (value.size() < 14)
        return value;
    return value.substr(6, 2) + "." + value.substr(4, 2) + "." + value.substr(0, 4) + "  " + value.substr(8, 2)
           + ":" + value.substr(10, 2) + ":" + value.substr(12, 2);
}

// The text between the last start text and the first stop text of the line;
// "" when the stop text does not come after the start text. Only called for a
// line that holds the start text; the start text comes reversed, the last
// occurrence being the first one in the reversed line.
std::string CutValue(std::string_view line, const std::string& reversedStart, const std::string& stop)
{
    const auto length = static_cast<long long>(line.size());
    const auto stopAt = static_cast<long long>(AnsiPos(stop, line));
    const auto startEnd = length - static_cast<long long>(AnsiPos(reversedStart, AnsiReverseString(line))) + 1;
    return MidStr(line, startEnd + 1, stopAt - startEnd - 1);
}

} // namespace

bool TZarviktool::AnalyseDataFile()
{
    // Nothing of an earlier job may reach this job's merge file.
    for (int k = 1; k <= kMergeFields; ++k)
        MergeValue[k].clear();

    if (File probe{std::fopen(SourceFilePathName.c_str(), "r")}; !probe) {
        ReportJobFailure("Kann Datendatei nicht \xf6" "ffnen");
        return false;
    }
    SetStatusText(kOlderBuild ? "Druckdatei erzeugen" : "Datendatei analysieren");
    Pause(2000);

    std::vector<char> area(kLineArea);
    for (int k = 1; k <= kMergeFields; ++k) {
        if (UseString[k] != 1)
            continue;
        // Each field reads the file afresh; one that vanished meanwhile stays "".
        File file{std::fopen(SourceFilePathName.c_str(), "r")};
        if (!file)
            continue;
        const std::string& start = StartString[k];
        const std::string reversedStart = AnsiReverseString(start);
        const bool dateRule = !kOlderBuild && start.find("Date") != std::string::npos;
        while (std::fgets(area.data(), kLineArea, file.get()) != nullptr) {
            const std::string_view line(area.data(), LineText(area.data()));
            if (!AnsiContainsStr(line, start))
                continue;
            std::string value = CutValue(line, reversedStart, StoppString[k]);
            MergeValue[k] = dateRule ? DayFirst(value) : std::move(value);
        }
    }
    return true;
}
