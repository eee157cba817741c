#include "Handles.h"
#include "Main.h"
#include "classlib/AnsiText.h"

#include <algorithm>
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

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// The extended-length form (\\?\ or \\?\UNC\) of a directory path that ends
// with a backslash: the directory that the plain path names, below which no
// Win32 path parsing takes place (no length limit; names ending in a dot or
// a blank stay as they are). The plain path is made whole as the platform
// makes it: slashes read as backslashes (this Wine's GetFullPathNameW would
// take a leading "/" for a Linux path), relative parts and ".." resolved,
// the device forms recognised however their slashes are spelt. A path past
// the parsing already (\\?\, \??\) is kept, and so is one whose "\\" is not
// followed by a server and a share: each names what it always did.
std::wstring ExtendedPath(const std::wstring& path)
{
    if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\??\\"))
        return path;
    std::wstring slashed = path;
    std::replace(slashed.begin(), slashed.end(), L'/', L'\\');
    std::wstring full(slashed.size() + MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(slashed.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(slashed.c_str(), length, full.data(), nullptr);
    }
    if (length == 0 || length >= full.size())
        return path;
    full.resize(length);
    if (full.back() != L'\\')
        full += L'\\';
    if (StartsWith(full, L"\\\\?\\") || StartsWith(full, L"\\\\.\\"))
        return L"\\\\?\\" + full.substr(4);
    if (StartsWith(full, L"\\\\")) {
        const std::size_t server = full.find(L'\\', 2);
        const std::size_t share = server == std::wstring::npos ? server : full.find(L'\\', server + 1);
        if (server == 2 || share == std::wstring::npos || share == server + 1)
            return path;
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
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
    // Below a folder that only the extended form reaches, the 8-bit path
    // starts with the extended form of the start path instead.
    std::size_t startLength = 0; // of the start path in ansiDirectory
    std::size_t extendedStartLength = 0; // and in directory
    int extendedOnly = 0; // such folders on the way down to the directory
    WIN32_FIND_DATAW entry;
    char name[kAnsiNameSize];
    wchar_t back[MAX_PATH];

    // Appends the entry's name and "\" to the ANSI path; true when only the
    // extended form of the path reaches it. A name the code page cannot spell
    // (it does not convert back to itself) would lead the ANSI file functions
    // elsewhere or nowhere, and a name ending in a dot or a blank loses that
    // end to Win32 path parsing and so names a twin folder without it, if
    // there is one. Both are spelt by their short names where the file system
    // keeps them.
    bool AppendAnsiName()
    {
        ToAnsi(entry.cFileName, name);
        const bool lossy = MultiByteToWideChar(CP_ACP, 0, name, -1, back, MAX_PATH) == 0 ||
                           std::wcscmp(back, entry.cFileName) != 0;
        const std::size_t length = std::wcslen(entry.cFileName);
        const wchar_t last = length > 0 ? entry.cFileName[length - 1] : L'\0';
        const bool parsedAway = last == L'.' || last == L' ';
        const bool shortName = (lossy || parsedAway) && entry.cAlternateFileName[0] != L'\0';
        if (shortName)
            ToAnsi(entry.cAlternateFileName, name);
        ansiDirectory += name;
        ansiDirectory += '\\';
        return parsedAway && !shortName;
    }

    // The 8-bit path of a file of the current directory.
    std::string AnsiPathOf(const std::string& fileName) const
    {
        if (extendedOnly == 0)
            return ansiDirectory + fileName;
        return WideToAnsi(directory.substr(0, extendedStartLength)) + ansiDirectory.substr(startLength) + fileName;
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
    walk.startLength = SourceFilePathName.size();
    walk.extendedStartLength = walk.directory.size();
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
            const int extendedOnly = walk.AppendAnsiName() ? 1 : 0;
            walk.extendedOnly += extendedOnly;
            ScanDirectory(walk);
            walk.extendedOnly -= extendedOnly;
            walk.directory.resize(wideLength);
            walk.ansiDirectory.resize(ansiLength);
        } else {
            DataInARC = 1;
            ToAnsi(entry.cFileName, walk.name);
            if (std::strstr(walk.name, SourceFileName.c_str()) != nullptr) {
                SourceFilePathName = walk.AnsiPathOf(SourceFileName);
                SourceInARC = true;
            }
        }
    } while (FindNextFileW(find, &entry));
    return 1;
}
