#include "Handles.h"
#include "Main.h"

#include "classlib/AnsiText.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// The source file as the system reads it: every CR dropped wherever it stands
// (the C runtime's text mode keeps a lone CR), the first 0x1A ends the file,
// and a line comes in pieces of at most 99998 bytes, each ending at its LF or
// at that limit. So the file is read in binary and these steps are done here,
// the CRs taken out before the bytes of a piece are counted.
class SourceLines {
public:
    // Starts over on a file opened in binary; the buffers serve every field.
    void Begin(std::FILE* file)
    {
        file_ = file;
        next_ = end_ = 0;
        ended_ = false;
    }

    // The next piece's text, which a NUL ends; false at the end of the file,
    // which a read error makes as well.
    bool Next(std::string_view& text)
    {
        std::size_t length = 0;
        while (length < kPiece && (next_ < end_ || Fill())) {
            const char byte = buffer_[next_++];
            if (byte == '\x1a') {
                // Nothing after it is read.
                next_ = end_;
                ended_ = true;
                break;
            }
            if (byte == '\r')
                continue;
            piece_[length++] = byte;
            if (byte == '\n')
                break;
        }
        const char* const begin = piece_.data();
        text = std::string_view(begin, static_cast<std::size_t>(std::find(begin, begin + length, '\0') - begin));
        return length > 0;
    }

private:
    static constexpr std::size_t kPiece = 99998;

    bool Fill()
    {
        next_ = 0;
        end_ = ended_ ? 0 : std::fread(buffer_.data(), 1, buffer_.size(), file_);
        ended_ = end_ == 0;
        return !ended_;
    }

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_ = std::vector<char>(64 * 1024);
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    bool ended_ = false;
    std::vector<char> piece_ = std::vector<char>(kPiece);
};

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
    static const std::string kCannotOpen = "Kann Datendatei nicht \xf6" "ffnen";
    // Nothing of an earlier job may reach this job's merge file.
    for (int k = 1; k <= kMergeFields; ++k)
        MergeValue[k].clear();

    if (File probe{std::fopen(SourceFilePathName.c_str(), "r")}; !probe) {
        ReportJobFailure(kCannotOpen);
        return false;
    }
    SetStatusText(kOlderBuild ? "Druckdatei erzeugen" : "Datendatei analysieren");
    Pause(2000);

    SourceLines lines;
    bool lost = false;
    for (int k = 1; k <= kMergeFields; ++k) {
        if (UseString[k] != 1)
            continue;
        // Each field reads the file afresh. One removed or locked since the
        // opening test leaves the field "", and the job must not look good.
        File file{std::fopen(SourceFilePathName.c_str(), "rb")};
        if (!file) {
            if (!lost)
                ReportJobFailure(kCannotOpen);
            lost = true;
            continue;
        }
        const std::string& start = StartString[k];
        const std::string reversedStart = AnsiReverseString(start);
        const bool dateRule = !kOlderBuild && start.find("Date") != std::string::npos;
        lines.Begin(file.get());
        std::string_view line;
        while (lines.Next(line)) {
            if (!AnsiContainsStr(line, start))
                continue;
            std::string value = CutValue(line, reversedStart, StoppString[k]);
            MergeValue[k] = dateRule ? DayFirst(value) : std::move(value);
        }
    }
    return true;
}
