// Shared helpers of the test programs: the real registry key, directories on
// Wine's C: drive, message pumping and the error boxes the program shows.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace testing_support {

// HKLM\Software\Hollart\Zarvik Tool, as the program uses it.
extern const wchar_t* const kKeyPath;

void DeleteSettingsKey();
void SetString(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ);
void SetDword(const wchar_t* name, DWORD value);
// Stores exactly these bytes (RegSetValueExW would add a NUL to a text
// given without one).
void SetBinary(const wchar_t* name, const std::vector<BYTE>& data, DWORD type);
void DeleteValue(const wchar_t* name);
// The stored type (REG_NONE when missing) and raw bytes of a value.
DWORD ValueType(const wchar_t* name, std::vector<BYTE>* data = nullptr);
std::wstring StoredString(const wchar_t* name);
DWORD StoredDword(const wchar_t* name);
// Names of the key's values in the order the registry lists them.
std::vector<std::wstring> ValueNames();

// A fresh, empty directory below c:\mervane-test; returns its path without a
// trailing backslash.
std::string FreshDirectory(const std::string& name);
// Removes a directory given by its full path with everything below it,
// whatever the length of the paths and the names (trailing dots included);
// links are removed, not followed.
void RemoveTree(const std::string& path);
// The extended-length form (\\?\) of a full path, for the wide file functions.
std::wstring Extended(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Makes the directories of a full path, or the file with these bytes,
// through the wide \\?\ form: paths past MAX_PATH, and names ending in a
// dot or a blank, which the 8-bit functions would alter.
void MakeLongDirectories(const std::string& path);
void PutLongFile(const std::string& path, const std::string& bytes = "");
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// Dispatches messages for about the given time.
void PumpMessages(DWORD milliseconds);

// Puts replacement into this program's import slot of the named Win32
// function; returns what was there (null when the program imports no such
// function). Calls from the program's logic then reach the replacement.
void* ReplaceImport(const char* function, void* replacement);

// Watches for message boxes of this process from a second thread, records
// their texts, captions and owners and presses OK after holdMilliseconds.
class ErrorBoxWatcher {
public:
    explicit ErrorBoxWatcher(DWORD holdMilliseconds = 0);
    ~ErrorBoxWatcher();
    ErrorBoxWatcher(const ErrorBoxWatcher&) = delete;
    ErrorBoxWatcher& operator=(const ErrorBoxWatcher&) = delete;

    struct Box {
        std::wstring caption;
        std::wstring text;
        HWND owner;
    };
    std::vector<Box> Boxes() const;
    // Most boxes that were open at one time.
    int MostOpenAtOnce() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace testing_support
