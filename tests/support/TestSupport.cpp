#include "support/TestSupport.h"

#include "classlib/Application.h"

#include <winternl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace testing_support {

const wchar_t* const kKeyPath = L"Software\\Hollart\\Zarvik Tool";

namespace {

HKEY OpenKey()
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

struct Key {
    HKEY handle = OpenKey();
    ~Key()
    {
        if (handle != nullptr)
            RegCloseKey(handle);
    }
};

} // namespace

void DeleteSettingsKey()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKeyPath);
}

void SetString(const wchar_t* name, const std::wstring& value, DWORD type)
{
    Key key;
    RegSetValueExW(key.handle, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetDword(const wchar_t* name, DWORD value)
{
    Key key;
    RegSetValueExW(key.handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void SetBinary(const wchar_t* name, const std::vector<BYTE>& data, DWORD type)
{
    using SetValueKey = NTSTATUS(NTAPI*)(HANDLE, UNICODE_STRING*, ULONG, ULONG, void*, ULONG);
    static const auto setValueKey = reinterpret_cast<SetValueKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
    ASSERT_NE(setValueKey, nullptr);
    Key key;
    std::wstring valueName = name;
    UNICODE_STRING ntName{static_cast<USHORT>(valueName.size() * sizeof(wchar_t)),
                          static_cast<USHORT>(valueName.size() * sizeof(wchar_t)), valueName.data()};
    std::vector<BYTE> bytes = data;
    EXPECT_EQ(setValueKey(key.handle, &ntName, 0, type, bytes.data(), static_cast<ULONG>(bytes.size())), 0)
        << "value " << std::string(valueName.begin(), valueName.end());
}

void DeleteValue(const wchar_t* name)
{
    Key key;
    RegDeleteValueW(key.handle, name);
}

DWORD ValueType(const wchar_t* name, std::vector<BYTE>* data)
{
    Key key;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExW(key.handle, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return REG_NONE;
    if (data != nullptr) {
        data->assign(size, 0);
        RegQueryValueExW(key.handle, name, nullptr, &type, data->data(), &size);
    }
    return type;
}

std::wstring StoredString(const wchar_t* name)
{
    std::vector<BYTE> data;
    ValueType(name, &data);
    data.resize(data.size() + 2, 0);
    return std::wstring(reinterpret_cast<const wchar_t*>(data.data()));
}

DWORD StoredDword(const wchar_t* name)
{
    std::vector<BYTE> data;
    ValueType(name, &data);
    DWORD value = 0;
    if (data.size() >= sizeof(value))
        memcpy(&value, data.data(), sizeof(value));
    return value;
}

std::vector<std::wstring> ValueNames()
{
    Key key;
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumValueW(key.handle, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

std::wstring Extended(const std::string& path)
{
    return L"\\\\?\\" + std::wstring(path.begin(), path.end()); // ASCII paths in these tests
}

namespace {

void RemoveWideTree(const std::wstring& path)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                && (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                RemoveWideTree(child);
            } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveDirectoryW(child.c_str());
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

} // namespace

void RemoveTree(const std::string& path)
{
    RemoveWideTree(Extended(path));
}

std::string FreshDirectory(const std::string& name)
{
    CreateDirectoryA("c:\\mervane-test", nullptr);
    const std::string path = "c:\\mervane-test\\" + name;
    RemoveTree(path);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

void MakeLongDirectories(const std::string& path)
{
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryW(Extended(path.substr(0, at)).c_str(), nullptr);
    CreateDirectoryW(Extended(path).c_str(), nullptr);
}

void PutLongFile(const std::string& path, const std::string& bytes)
{
    MakeLongDirectories(path.substr(0, path.find_last_of('\\')));
    const HANDLE file = CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path.size() << " bytes: " << GetLastError();
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void PumpMessages(DWORD milliseconds)
{
    const DWORD until = GetTickCount() + milliseconds;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void* ReplaceImport(const char* function, void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &protection);
            void* previous = reinterpret_cast<void*>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

struct ErrorBoxWatcher::State {
    DWORD hold;
    std::atomic<bool> stop{false};
    mutable std::mutex lock;
    std::vector<Box> boxes;
    std::set<HWND> seen;
    int mostOpen = 0;
    std::thread thread;
};

namespace {

struct Scan {
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBoxes(HWND hwnd, LPARAM data)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (pid == GetCurrentProcessId() && std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd))
        reinterpret_cast<Scan*>(data)->boxes.push_back(hwnd);
    return TRUE;
}

std::wstring BoxText(HWND box)
{
    // The message text is the static control with id 0xFFFF.
    HWND text = GetDlgItem(box, 0xFFFF);
    wchar_t buffer[1024] = {};
    if (text != nullptr)
        GetWindowTextW(text, buffer, 1024);
    return buffer;
}

} // namespace

ErrorBoxWatcher::ErrorBoxWatcher(DWORD holdMilliseconds) : state_(std::make_unique<State>())
{
    state_->hold = holdMilliseconds;
    state_->thread = std::thread([s = state_.get()] {
        std::vector<std::pair<HWND, DWORD>> pending;
        while (!s->stop) {
            Scan scan;
            EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&scan));
            {
                std::lock_guard<std::mutex> guard(s->lock);
                s->mostOpen = std::max(s->mostOpen, static_cast<int>(scan.boxes.size()));
                for (HWND box : scan.boxes) {
                    if (s->seen.insert(box).second) {
                        wchar_t caption[256] = {};
                        GetWindowTextW(box, caption, 256);
                        s->boxes.push_back({caption, BoxText(box), GetWindow(box, GW_OWNER)});
                        pending.emplace_back(box, GetTickCount() + s->hold);
                    }
                }
            }
            for (auto it = pending.begin(); it != pending.end();) {
                if (static_cast<LONG>(GetTickCount() - it->second) >= 0) {
                    PostMessageW(it->first, WM_COMMAND, IDOK, 0);
                    it = pending.erase(it);
                } else {
                    ++it;
                }
            }
            Sleep(20);
        }
    });
}

ErrorBoxWatcher::~ErrorBoxWatcher()
{
    state_->stop = true;
    state_->thread.join();
}

std::vector<ErrorBoxWatcher::Box> ErrorBoxWatcher::Boxes() const
{
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->boxes;
}

int ErrorBoxWatcher::MostOpenAtOnce() const
{
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->mostOpen;
}

} // namespace testing_support

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    Application->Initialize();
    return RUN_ALL_TESTS();
}
