// Registry object over the Win32 registry API: one open key at a time, closed
// when the object goes. Reads check type and size before believing a value.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

class TRegistry {
public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey = HKEY_CURRENT_USER;
    REGSAM Access = KEY_ALL_ACCESS;

    // Opens the key, creating it when missing; a leading "\" makes the path
    // absolute from RootKey. Closes a key opened before. No exception.
    bool OpenKey(const std::wstring& path);
    void CloseKey();

    // A value is tested and read in one query: nothing when it does not exist
    // (or no key is open), else its content, checked for type and size.
    std::optional<std::wstring> ReadString(const std::wstring& name) const;
    std::optional<int> ReadInteger(const std::wstring& name) const;
    void WriteString(const std::wstring& name, const std::wstring& value);
    void WriteInteger(const std::wstring& name, int value);

private:
    HKEY key_ = nullptr;
};
