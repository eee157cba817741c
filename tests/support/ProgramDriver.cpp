#include "support/ProgramDriver.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace testing_support {

namespace {

struct ColourName {
    Led led;
    int r, g, b;
};

// The pure colours at the middle of the LED pictures.
const ColourName kLedColours[] = {
    {Led::Blue, 0, 80, 255}, {Led::Red, 230, 0, 0},     {Led::Green, 0, 200, 0},
    {Led::Gray, 150, 150, 150}, {Led::Yellow, 255, 220, 0},
};

// Client position of the LED's middle: Panel1 at 56,64, the pictures at 16..17,7.
constexpr int kLedX = 80;
constexpr int kLedY = 79;

struct Search {
    DWORD processId;
    const wchar_t* windowClass;
    bool hiddenToo;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (pid == search->processId && wcscmp(cls, search->windowClass) == 0
        && (search->hiddenToo || IsWindowVisible(hwnd)))
        search->found.push_back(hwnd);
    return TRUE;
}

} // namespace

std::wstring ProgramPath(const std::wstring& exeName)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.find_last_of(L'\\')); // the tests' folder
    path.resize(path.find_last_of(L'\\')); // the build folder
    return path + L"\\" + exeName;
}

const char* LedName(Led led)
{
    switch (led) {
    case Led::Blue: return "blue";
    case Led::Red: return "red";
    case Led::Green: return "green";
    case Led::Gray: return "gray";
    case Led::Yellow: return "yellow";
    case Led::None: return "none";
    }
    return "none";
}

namespace {

INPUT MouseInput(int x, int y, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
    return input;
}

void SendKey(WORD vk, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    // The navigation keys of their own block, not those of the number pad.
    switch (vk) {
    case VK_HOME: case VK_END: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_DELETE: case VK_INSERT: case VK_PRIOR: case VK_NEXT:
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    SendInput(1, &input, sizeof(INPUT));
    Sleep(20);
}

} // namespace

void MoveMouseTo(int x, int y)
{
    INPUT move = MouseInput(x, y, MOUSEEVENTF_MOVE);
    SendInput(1, &move, sizeof(INPUT));
    Sleep(50);
}

void ClickAtScreen(int x, int y)
{
    MoveMouseTo(x, y);
    // Button events carry the position too: a late pointer report from the
    // display may have moved the cursor meanwhile.
    INPUT down = MouseInput(x, y, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN);
    INPUT up = MouseInput(x, y, MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP);
    SendInput(1, &down, sizeof(INPUT));
    Sleep(50);
    SendInput(1, &up, sizeof(INPUT));
}

bool ClickThroughDisplay(int x, int y)
{
    // Wine starts a Linux program like one of its own but gives no handle to
    // wait on, so the click is given time to arrive instead. Wine's virtual
    // desktop lies at the display's origin: the coordinates are the same.
    std::wstring command = L"xdotool mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y) + L" click 1";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(L"Z:\\usr\\bin\\xdotool", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &info) == 0)
        return false;
    for (HANDLE handle : {info.hThread, info.hProcess}) {
        if (handle != nullptr)
            CloseHandle(handle);
    }
    Sleep(300);
    return true;
}

void PressKeys(const std::vector<WORD>& chord)
{
    for (WORD vk : chord)
        SendKey(vk, false);
    for (auto it = chord.rbegin(); it != chord.rend(); ++it)
        SendKey(*it, true);
}

void TypeText(const std::wstring& text)
{
    for (wchar_t c : text) {
        const SHORT key = VkKeyScanW(c);
        const WORD vk = LOBYTE(key);
        if ((HIBYTE(key) & 1) != 0)
            PressKeys({VK_SHIFT, vk});
        else
            PressKeys({vk});
    }
}

std::vector<HWND> WindowsOfProcess(DWORD processId, const wchar_t* windowClass, bool hiddenToo)
{
    Search search{processId, windowClass, hiddenToo, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindowOfProcess(DWORD processId, const wchar_t* windowClass, DWORD timeoutMilliseconds)
{
    const DWORD start = GetTickCount();
    do {
        const auto windows = WindowsOfProcess(processId, windowClass);
        if (!windows.empty())
            return windows.front();
        Sleep(50);
    } while (GetTickCount() - start < timeoutMilliseconds);
    return nullptr;
}

bool WaitForHidden(HWND window, DWORD timeoutMilliseconds)
{
    const DWORD start = GetTickCount();
    while (IsWindowVisible(window)) {
        if (GetTickCount() - start > timeoutMilliseconds)
            return false;
        Sleep(50);
    }
    return true;
}

bool ChooseOnlyMenuItem(DWORD processId, POINT title, bool throughDisplay)
{
    const auto click = [throughDisplay](int x, int y) {
        if (throughDisplay)
            return ClickThroughDisplay(x, y);
        ClickAtScreen(x, y);
        return true;
    };
    if (!click(title.x, title.y))
        return false;
    HWND popup = WaitForWindowOfProcess(processId, L"#32768");
    if (popup == nullptr)
        return false;
    RECT rect;
    GetWindowRect(popup, &rect);
    return click((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

std::wstring MessageBoxText(HWND box)
{
    wchar_t text[1024] = {};
    if (HWND label = GetDlgItem(box, 0xFFFF))
        GetWindowTextW(label, text, 1024);
    return text;
}

RunningProgram::RunningProgram(const std::wstring& exeName)
{
    std::wstring path = ProgramPath(exeName);
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        processId_ = info.dwProcessId;
    }
}

RunningProgram::~RunningProgram()
{
    if (process_ == nullptr)
        return;
    if (Running()) {
        for (HWND box : WindowsOfProcess(processId_, L"#32770"))
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        // A test that stopped early may not have asked for the window yet.
        HWND window = window_;
        if (window == nullptr) {
            const auto windows = WindowsOfProcess(processId_, L"TZarviktool");
            window = windows.empty() ? nullptr : windows.front();
        }
        if (window != nullptr)
            PostMessageW(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_, 8000) != WAIT_OBJECT_0)
            TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

HWND RunningProgram::WaitForMainWindow(DWORD timeoutMilliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMilliseconds) {
        const auto windows = WindowsOfProcess(processId_, L"TZarviktool");
        if (!windows.empty()) {
            window_ = windows.front();
            return window_;
        }
        if (!Running())
            return nullptr;
        Sleep(50);
    }
    return nullptr;
}

std::wstring RunningProgram::StatusText(DWORD timeoutMilliseconds) const
{
    HWND bar = FindWindowExW(window_, nullptr, STATUSCLASSNAMEW, nullptr);
    if (bar == nullptr)
        return L"<no status bar>";
    constexpr SIZE_T kBytes = 4096;
    void* remote = VirtualAllocEx(process_, nullptr, kBytes, MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr)
        return L"<no memory>";
    std::wstring text;
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL,
                            timeoutMilliseconds, &result)) {
        std::vector<wchar_t> local(kBytes / sizeof(wchar_t) + 1, L'\0');
        SIZE_T read = 0;
        ReadProcessMemory(process_, remote, local.data(), kBytes, &read);
        text = local.data();
    } else {
        text = L"<no answer>";
    }
    VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
    return text;
}

bool RunningProgram::WaitForStatus(const std::wstring& text, DWORD timeoutMilliseconds) const
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMilliseconds) {
        if (StatusText() == text)
            return true;
        Sleep(100);
    }
    return false;
}

COLORREF RunningProgram::PixelAt(int clientX, int clientY) const
{
    POINT point{clientX, clientY};
    ClientToScreen(window_, &point);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

Led RunningProgram::LedOnScreen() const
{
    const COLORREF colour = PixelAt(kLedX, kLedY);
    for (const ColourName& known : kLedColours) {
        if (std::abs(GetRValue(colour) - known.r) < 16 && std::abs(GetGValue(colour) - known.g) < 16
            && std::abs(GetBValue(colour) - known.b) < 16)
            return known.led;
    }
    return Led::None;
}

Led RunningProgram::WaitForLed(Led wanted, DWORD timeoutMilliseconds) const
{
    const DWORD start = GetTickCount();
    Led seen = LedOnScreen();
    while (seen != wanted && GetTickCount() - start < timeoutMilliseconds) {
        Sleep(20);
        seen = LedOnScreen();
    }
    return seen;
}

bool RunningProgram::StartLooksEnabled() const
{
    // The caption "Start " stands in the middle of the button (47,56 194x49).
    const COLORREF text = GetSysColor(COLOR_BTNTEXT);
    for (int y = 72; y <= 90; ++y) {
        for (int x = 120; x <= 170; ++x) {
            if (PixelAt(x, y) == text)
                return true;
        }
    }
    return false;
}

POINT RunningProgram::OnScreen(int clientX, int clientY) const
{
    POINT point{clientX, clientY};
    ClientToScreen(window_, &point);
    return point;
}

void RunningProgram::ClickAt(int clientX, int clientY) const
{
    const POINT point = OnScreen(clientX, clientY);
    ClickAtScreen(point.x, point.y);
}

// The face of Start beside the LED panel, in the main window's client area.
constexpr POINT kStartFace{180, 80};

void RunningProgram::ClickStart() const
{
    ClickAt(kStartFace.x, kStartFace.y);
}

bool RunningProgram::ClickStartThroughDisplay() const
{
    const POINT point = OnScreen(kStartFace.x, kStartFace.y);
    return ClickThroughDisplay(point.x, point.y);
}

bool RunningProgram::WaitForExit(DWORD timeoutMilliseconds, DWORD* exitCode) const
{
    if (WaitForSingleObject(process_, timeoutMilliseconds) != WAIT_OBJECT_0)
        return false;
    if (exitCode != nullptr)
        GetExitCodeProcess(process_, exitCode);
    return true;
}

bool RunningProgram::Running() const
{
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

OtherProgram::OtherProgram()
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    wchar_t commandLine[] = L"notepad.exe";
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_))
        return;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        HWND active = GetForegroundWindow();
        DWORD pid = 0;
        GetWindowThreadProcessId(active, &pid);
        if (pid == info_.dwProcessId) {
            window_ = active;
            return;
        }
        Sleep(50);
    }
}

OtherProgram::~OtherProgram()
{
    if (info_.hProcess == nullptr)
        return;
    TerminateProcess(info_.hProcess, 0);
    WaitForSingleObject(info_.hProcess, 5000);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

} // namespace testing_support
