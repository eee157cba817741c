#include "Handles.h"
#include "Main.h"
#include "classlib/AnsiText.h"

#include <cstring>
#include <cwchar>

namespace {

// Room for any entry name in the ANSI code page, NUL included.
constexpr int kAnsiNameSize = 3 * MAX_PATH;

// A name as the ANSI file functions spell it: the system conversion, with its
// best-fit mappings.
void ToAnsi(const wchar_t* name, char (&ansi)[kAnsiNameSize])
{
    if (WideCharToMultiByte(CP_ACP, 0, name, -1, ansi, kAnsiNameSize, nullptr, nullptr) == 0)
        ansi[0] = '\0';
}

bool IsDotOrDotDot(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// The extended-length form (\\?\ or \\?\UNC\) of a directory path that ends
// with a backslash. Below it no Win32 path parsing takes place: no length
// limit, and names ending in a dot or a blank stay as they are. The path
// itself is made whole (relative, forward slashes, "..") as before; a path
// already in a device form is left alone.
std::wstring ExtendedPath(const std::wstring& path)
{
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0)
        return path;
    std::wstring full(path.size() + MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    }
    if (length == 0 || length >= full.size())
        return path;
    full.resize(length);
    if (full.back() != L'\\')
        full += L'\\';
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

} // namespace

// What the levels of one walk share: the directory's paths and the entry just
// listed. A level needs its entry only until it has entered a subdirectory,
// after which the next FindNextFileW fills it anew; so one entry serves all,
// and a deep tree costs each level little more than its find handle.
struct TZarviktool::ScanWalk {
    std::wstring directory; // extended-length, ends with "\"
    std::string ansiDirectory; // as SourceFilePathName names it, ends with "\"
    WIN32_FIND_DATAW entry;
    char name[kAnsiNameSize];
    wchar_t back[MAX_PATH];

    // Appends the entry's name and "\" to the ANSI path. A name the code page
    // cannot spell (it does not convert back to itself) would lead the ANSI
    // file functions elsewhere or nowhere: its short name is taken instead
    // when the platform has one, so that the source file found below it opens.
    void AppendAnsiName()
    {
        ToAnsi(entry.cFileName, name);
        const bool lossy = MultiByteToWideChar(CP_ACP, 0, name, -1, back, MAX_PATH) == 0 ||
                           std::wcscmp(back, entry.cFileName) != 0;
        if (lossy && entry.cAlternateFileName[0] != L'\0')
            ToAnsi(entry.cAlternateFileName, name);
        ansiDirectory += name;
        ansiDirectory += '\\';
    }
};

bool TZarviktool::ScanARC()
{
    SourceFilePathName = ARCpath + "\\";
    // The walk lists each directory by its extended-length wide path, so that
    // it enters every directory whatever its name or depth, and keeps the ANSI
    // path beside it for SourceFilePathName. Both grow only when the walk goes
    // deeper than ever before in this scan.
    ScanWalk walk;
    walk.directory = ExtendedPath(AnsiToWide(SourceFilePathName));
    walk.ansiDirectory = SourceFilePathName;
    walk.directory.reserve(4 * MAX_PATH);
    walk.ansiDirectory.reserve(2 * kAnsiNameSize);
    DataInARC = 0;
    SourceInARC = false;
    ScanDirectory(walk);
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

int TZarviktool::ScanDirectory(ScanWalk& walk)
{
    // A directory we cannot list (missing, no access) counts as empty.
    const std::size_t wideLength = walk.directory.size();
    const std::size_t ansiLength = walk.ansiDirectory.size();
    WIN32_FIND_DATAW& entry = walk.entry;
    walk.directory += L"*.*";
    const HANDLE find = FindFirstFileW(walk.directory.c_str(), &entry);
    walk.directory.resize(wideLength);
    if (find == INVALID_HANDLE_VALUE)
        return 1;
    FindHandle closer(find);
    do {
        if (IsDotOrDotDot(entry.cFileName))
            continue;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // Links are not followed: a link back to an ancestor would
            // otherwise walk the same directories again and again.
            if (IsDirectoryLink(entry))
                continue;
            walk.directory += entry.cFileName;
            walk.directory += L'\\';
            walk.AppendAnsiName();
            ScanDirectory(walk);
            walk.directory.resize(wideLength);
            walk.ansiDirectory.resize(ansiLength);
        } else {
            DataInARC = 1;
            ToAnsi(entry.cFileName, walk.name);
            if (std::strstr(walk.name, SourceFileName.c_str()) != nullptr) {
                SourceFilePathName = walk.ansiDirectory + SourceFileName;
                SourceInARC = true;
            }
        }
    } while (FindNextFileW(find, &entry));
    return 1;
}
