#include "Handles.h"
#include "Main.h"
#include "classlib/AnsiText.h"

#include <cstring>
#include <cwchar>

namespace {

// The longest search pattern the ANSI find functions take. The walk keeps to
// it, so a directory deeper than that counts as empty as it always has.
constexpr std::size_t kLongestPattern = MAX_PATH;

// Room for any entry name in the ANSI code page, NUL included.
constexpr int kAnsiNameSize = 3 * MAX_PATH;

// A name as the ANSI file functions spell it: the system conversion, with its
// best-fit mappings.
void ToAnsi(const wchar_t* name, char (&ansi)[kAnsiNameSize])
{
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, kAnsiNameSize, nullptr, nullptr) == 0)
        ansi[0] = '\0';
}

// Appends a subdirectory's name and "\" to its ANSI path. A name the code
// page cannot spell (it does not convert back to itself) would lead the ANSI
// file functions elsewhere or nowhere: its short name is taken instead when
// the platform has one, so that the source file found below it opens.
void AppendAnsiName(std::string& path, const WIN32_FIND_DATAW& entry)
{
    char ansi[kAnsiNameSize];
    ToAnsi(entry.cFileName, ansi);
    wchar_t back[MAX_PATH];
    const bool lossy = MultiByteToWideChar(CP_ACP, 0, ansi, -1, back, MAX_PATH) == 0 ||
                       std::wcscmp(back, entry.cFileName) != 0;
    if (lossy && entry.cAlternateFileName[0] != L'\0')
        ToAnsi(entry.cAlternateFileName, ansi);
    path += ansi;
    path += '\\';
}

bool IsDotOrDotDot(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

} // namespace

bool TZarviktool::ScanARC()
{
    SourceFilePathName = ARCpath + "\\";
    // The walk lists each directory by its wide path, so that it enters every
    // directory whatever its name, and keeps the ANSI path beside it for
    // SourceFilePathName. Both have room for the deepest path walked: the
    // walk itself allocates nothing.
    std::wstring directory = AnsiToWide(SourceFilePathName);
    std::string ansiDirectory = SourceFilePathName;
    directory.reserve(kLongestPattern + MAX_PATH + 1);
    ansiDirectory.reserve(2 * kAnsiNameSize);
    DataInARC = 0;
    SourceInARC = false;
    ScanDirectory(directory, ansiDirectory);
    return SourceInARC;
}

bool TZarviktool::IsDirectoryLink(const WIN32_FIND_DATAW& entry)
{
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return false;
    // Symbolic links, junctions and their like name another place. Wine gives
    // its links no tag at all. Other reparse points (cloud files, deduplicated
    // folders) hold their own files.
    const DWORD tag = entry.dwReserved0;
    return tag == 0 || IsReparseTagNameSurrogate(tag);
}

int TZarviktool::ScanDirectory(std::wstring& directory, std::string& ansiDirectory)
{
    // A directory we cannot list (missing, no access, a path too long for the
    // ANSI find functions) counts as empty.
    if (directory.size() + 3 > kLongestPattern)
        return 1;
    const std::size_t wideLength = directory.size();
    const std::size_t ansiLength = ansiDirectory.size();
    directory += L"*.*";
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW(directory.c_str(), &entry);
    directory.resize(wideLength);
    if (find == INVALID_HANDLE_VALUE)
        return 1;
    FindHandle closer(find);
    char name[kAnsiNameSize];
    do {
        if (IsDotOrDotDot(entry.cFileName))
            continue;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // Links are not followed: a link back to an ancestor would
            // otherwise walk the same directories again and again.
            if (IsDirectoryLink(entry))
                continue;
            directory += entry.cFileName;
            directory += L'\\';
            AppendAnsiName(ansiDirectory, entry);
            ScanDirectory(directory, ansiDirectory);
            directory.resize(wideLength);
            ansiDirectory.resize(ansiLength);
        } else {
            DataInARC = 1;
            ToAnsi(entry.cFileName, name);
            if (std::strstr(name, SourceFileName.c_str()) != nullptr) {
                SourceFilePathName = ansiDirectory + SourceFileName;
                SourceInARC = true;
            }
        }
    } while (FindNextFileW(find, &entry));
    return 1;
}
