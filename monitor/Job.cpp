#include "Handles.h"
#include "Main.h"

#include "classlib/AnsiText.h"

namespace {

// Volume and file index of an existing file; false for a directory or a
// file that cannot be opened.
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
    // No access asked for: this neither locks nor changes the file.
    const FileHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Get() != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file.Get(), &info)
           && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether two paths name one and the same file, however spelt (case, "\\",
// ".", a link): such a print file is already in place.
bool SameFile(const std::string& first, const std::string& second)
{
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    return FileIdentity(first, a) && FileIdentity(second, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber
           && a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

} // namespace

void TZarviktool::BtnStartClick(TObject*)
{
    // The job counts as started whatever fails below; only an empty ARC tree
    // ends it (CheckARC).
    JobStarted = true;
    Idle = false;
    JobFailure.clear();
    SetLEDState(4);
    // The job blocks the window for seconds; without painting now the screen
    // would go on showing the green LED and an enabled Start meanwhile.
    if (HandleAllocated())
        RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    AnalyseDataFile();
    WriteMergeFile();
    if (UsePrintFilePathName == 1)
        CopyPrintFile();
}

void TZarviktool::CopyPrintFile()
{
    // The tail is the print path from its last backslash on, backslash
    // included; a path without one gives an empty tail.
    const std::string reversed = AnsiReverseString(PrintFilePathName);
    const auto backslash = static_cast<long long>(AnsiPos("\\", reversed));
    const std::string tail = AnsiReverseString(LeftStr(reversed, backslash));
    const std::string destination = ARCpath + tail;
    // Copying a file onto itself fails, though nothing is wrong.
    if (SameFile(PrintFilePathName, destination))
        return;
    if (!CopyFileA(PrintFilePathName.c_str(), destination.c_str(), FALSE))
        ReportJobFailure("Kann Druckdatei nicht kopieren");
}
