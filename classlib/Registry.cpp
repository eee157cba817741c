#include "Registry.h"

#include "Exceptions.h"

#include <vector>

namespace {

const wchar_t* const kInvalidType = L"Ung\u00fcltiger Datentyp f\u00fcr '%s'";
const wchar_t* const kReadFailed = L"Fehler beim Holen der Daten f\u00fcr '%s'";
const wchar_t* const kWriteFailed = L"Fehler beim Setzen der Daten f\u00fcr '%s'";

[[noreturn]] void Fail(const wchar_t* pattern, const std::wstring& name)
{
    throw ERegistryException(FormatMessageText(pattern, name));
}

} // namespace

TRegistry::TRegistry() = default;

TRegistry::~TRegistry()
{
    CloseKey();
}

bool TRegistry::OpenKey(const std::wstring& path)
{
    CloseKey();
    const std::wstring relative = (!path.empty() && path[0] == L'\\') ? path.substr(1) : path;
    HKEY key = nullptr;
    if (RegCreateKeyExW(RootKey, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access, nullptr, &key,
                        nullptr)
        != ERROR_SUCCESS)
        return false;
    key_ = key;
    return true;
}

void TRegistry::CloseKey()
{
    if (key_ != nullptr) {
        RegCloseKey(key_);
        key_ = nullptr;
    }
}

std::optional<std::wstring> TRegistry::ReadString(const std::wstring& name) const
{
    if (key_ == nullptr)
        return std::nullopt;
    // One query for the usual short text; a longer one is asked for again in
    // its own size. The spare units end a text stored without its NUL.
    std::vector<wchar_t> buffer(256 + 2, L'\0');
    DWORD type = REG_NONE;
    DWORD bytes = 256 * sizeof(wchar_t);
    LONG status = RegQueryValueExW(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status == ERROR_MORE_DATA) {
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            Fail(kInvalidType, name);
        buffer.assign(bytes / sizeof(wchar_t) + 2, L'\0');
        status = RegQueryValueExW(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes);
        if (status != ERROR_SUCCESS)
            Fail(kReadFailed, name);
    } else if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (bytes == 0)
        return std::wstring(); // an empty content reads as the empty text, whatever its type
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        Fail(kInvalidType, name);
    return std::wstring(buffer.data());
}

std::optional<int> TRegistry::ReadInteger(const std::wstring& name) const
{
    if (key_ == nullptr)
        return std::nullopt;
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LONG status =
        RegQueryValueExW(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_MORE_DATA)
        Fail(kReadFailed, name);
    if (status != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_DWORD)
        Fail(kInvalidType, name);
    return static_cast<int>(value);
}

void TRegistry::WriteString(const std::wstring& name, const std::wstring& value)
{
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    if (key_ == nullptr
        || RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          bytes) != ERROR_SUCCESS)
        Fail(kWriteFailed, name);
}

void TRegistry::WriteInteger(const std::wstring& name, int value)
{
    const DWORD data = static_cast<DWORD>(value);
    if (key_ == nullptr
        || RegSetValueExW(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof(data)) != ERROR_SUCCESS)
        Fail(kWriteFailed, name);
}
