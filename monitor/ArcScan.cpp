#include "Handles.h"
#include "Main.h"

#include <cstring>

bool TZarviktool::ScanARC()
{
    SourceFilePathName = ARCpath + "\\";
    const std::string start = SourceFilePathName;
    DataInARC = 0;
    SourceInARC = false;
    ScanDirectory(start);
    return SourceInARC;
}

int TZarviktool::ScanDirectory(const std::string& directory)
{
    const std::string pattern = directory + "*.*";
    WIN32_FIND_DATAA entry;
    // A directory we cannot list (missing, no access, a path too long for the
    // platform) counts as empty.
    const HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return 1;
    FindHandle closer(find);
    do {
        const char* name = entry.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            // Directory links are not followed: a link back to an ancestor
            // would otherwise walk the same directories again and again.
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
                ScanDirectory(directory + name + "\\");
        } else {
            DataInARC = 1;
            if (std::strstr(name, SourceFileName.c_str()) != nullptr) {
                SourceFilePathName = directory + SourceFileName;
                SourceInARC = true;
            }
        }
    } while (FindNextFileA(find, &entry));
    return 1;
}
