#include "support/TestSupport.h"

#include "classlib/Application.h"

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
    Key key;
    RegSetValueExW(key.handle, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
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

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                && (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                RemoveTree(child);
            } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveDirectoryA(child.c_str());
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

std::string FreshDirectory(const std::string& name)
{
    CreateDirectoryA("c:\\mervane-test", nullptr);
    const std::string path = "c:\\mervane-test\\" + name;
    RemoveTree(path);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
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
