// Registry object over the Win32 registry API: one open key at a time, closed
// when the object goes. Reads check type and size before believing a value.
#pragma once
#include <windows.h>

#include <string>

class TRegistry {
public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey = HKEY_CURRENT_USER;
    REGSAM Access = KEY_ALL_ACCESS;

    // Opens (and, with canCreate, creates) the key; a leading "\" makes the path
    // absolute from RootKey. Closes a key opened before. No exception.
    bool OpenKey(const std::wstring& path, bool canCreate);
    void CloseKey();
    bool HasOpenKey() const { return key_ != nullptr; }

    bool ValueExists(const std::wstring& name) const;
    std::wstring ReadString(const std::wstring& name) const;
    int ReadInteger(const std::wstring& name) const;
    void WriteString(const std::wstring& name, const std::wstring& value);
    void WriteInteger(const std::wstring& name, int value);

private:
    HKEY key_ = nullptr;
};
