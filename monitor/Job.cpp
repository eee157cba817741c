#include "Main.h"

#include "classlib/AnsiText.h"

namespace {

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH * 4];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof(buffer), buffer, nullptr);
    if (length == 0 || length >= sizeof(buffer))
        return path;
    return std::string(buffer, length);
}

} // namespace

void TZarviktool::BtnStartClick(TObject*)
{
    JobStarted = true;
    Idle = false;
    SetLEDState(4);
    AnalyseDataFile();
    WriteMergeFile();
    if (UsePrintFilePathName == 1)
        CopyPrintFile();
}

void TZarviktool::CopyPrintFile()
{
    // The tail is the print path from its last backslash on.
    const std::string reversed = AnsiReverseString(PrintFilePathName);
    const auto backslash = static_cast<long long>(AnsiPos("\\", reversed));
    const std::string tail = AnsiReverseString(LeftStr(reversed, backslash));
    const std::string destination = ARCpath + tail;
    // A print file that already lies in the ARC directory is left as it is.
    if (!PrintFilePathName.empty() && lstrcmpiA(FullPath(PrintFilePathName).c_str(), FullPath(destination).c_str()) == 0)
        return;
    if (!CopyFileA(PrintFilePathName.c_str(), destination.c_str(), FALSE))
        SetStatusText("Kann Druckdatei nicht kopieren");
}
