#include "Handles.h"
#include "Main.h"

#include <cstdio>

namespace {

// Writes the record and closes the stream; false when the file may hold less
// than the record. A full disk shows only at the flush, and fclose may not say
// so, hence the flush and the error flag before the close.
bool WriteAndClose(File file, const std::string& record)
{
    bool written = std::fwrite(record.data(), 1, record.size(), file.get()) == record.size();
    written = std::fflush(file.get()) == 0 && written;
    written = std::ferror(file.get()) == 0 && written;
    return std::fclose(file.release()) == 0 && written;
}

} // namespace

bool TZarviktool::WriteMergeFile()
{
    std::string record;
    SetStatusText(" Merge Datei erzeugen");
    Pause(2000);
    // Every used field adds its value and the separator, the last one too; an
    // unused field adds nothing, so a reader counts only the used ones.
    for (int i = 1; i <= kMergeFields; ++i) {
        if (UseString[i] == 1) {
            record += MergeValue[i];
            record += MergeFileSeperator;
        }
    }
    MergeFilePathName = MergeFilePath + "\\" + MergeFileName;
    // Text mode on purpose: an LF in a value or the separator becomes CR LF.
    File file{std::fopen(MergeFilePathName.c_str(), "w")};
    if (!file) {
        ReportJobFailure("Kann Merge Datei nicht schreiben");
        return false;
    }
    SetStatusText("Merge Datei kopieren");
    Pause(2000);
    if (!WriteAndClose(std::move(file), record)) {
        ReportJobFailure("Kann Merge Datei nicht schreiben");
        return false;
    }
    return true;
}
