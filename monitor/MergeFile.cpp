#include "Main.h"

#include <cstdio>

bool TZarviktool::WriteMergeFile()
{
    std::string record;
    SetStatusText(" Merge Datei erzeugen");
    Pause(2000);
    for (int i = 1; i <= kMergeFields; ++i) {
        if (UseString[i] == 1) {
            record += MergeValue[i];
            record += MergeFileSeperator;
        }
    }
    MergeFilePathName = MergeFilePath + "\\" + MergeFileName;
    FILE* file = std::fopen(MergeFilePathName.c_str(), "w");
    if (file == nullptr) {
        SetStatusText("Kann Merge Datei nicht schreiben");
        return false;
    }
    SetStatusText("Merge Datei kopieren");
    Pause(2000);
    // A full disk shows only at the flush, and fclose may not say so.
    bool written = std::fwrite(record.data(), 1, record.size(), file) == record.size();
    written = std::fflush(file) == 0 && written;
    written = std::ferror(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        SetStatusText("Kann Merge Datei nicht schreiben");
        return false;
    }
    return true;
}
