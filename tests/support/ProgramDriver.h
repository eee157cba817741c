// Drives one of the real programs from a test, as a user would: starts the
// .exe in the same Wine prefix and desktop, reads its status bar, looks at the
// LED on the screen and clicks with the real mouse.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

enum class Led { Blue, Red, Green, Gray, Yellow, None };
const char* LedName(Led led);

// The path of "MervaneCT.exe" or "MervaneCC.exe": in the build folder, beside the tests' folder.
std::wstring ProgramPath(const std::wstring& exeName);

class RunningProgram {
public:
    // exeName: "MervaneCT.exe" or "MervaneCC.exe", found beside the tests' folder.
    explicit RunningProgram(const std::wstring& exeName);
    // Ends the program if it still runs (WM_CLOSE, then terminate).
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The program's main window (class "TZarviktool"), once it is visible; null
    // when none appears in time.
    HWND WaitForMainWindow(DWORD timeoutMilliseconds = 15000);
    HWND MainWindow() const { return window_; }

    // The status bar's text, read across the process boundary. The program
    // answers only between handlers, so this waits for a running job to end.
    std::wstring StatusText(DWORD timeoutMilliseconds = 15000) const;
    // Polls StatusText until it equals text; false on time-out.
    bool WaitForStatus(const std::wstring& text, DWORD timeoutMilliseconds = 15000) const;

    // The LED as the screen shows it (the colour at the LED's centre).
    Led LedOnScreen() const;
    // Polls the screen until it shows that LED; returns what it showed last.
    Led WaitForLed(Led wanted, DWORD timeoutMilliseconds = 3000) const;
    COLORREF PixelAt(int clientX, int clientY) const;
    // Whether the Start button's caption is drawn in the disabled colour.
    bool StartLooksEnabled() const;

    // A real mouse click (SendInput) at a point of the main window's client area.
    void ClickAt(int clientX, int clientY) const;
    // Clicks the face of Start beside the LED panel (the panel takes clicks itself).
    void ClickStart() const;
    // The same click through the display (see ClickThroughDisplay).
    bool ClickStartThroughDisplay() const;

    bool WaitForExit(DWORD timeoutMilliseconds, DWORD* exitCode = nullptr) const;
    bool Running() const;
    HANDLE Process() const { return process_; }
    DWORD ProcessId() const { return processId_; }

private:
    POINT OnScreen(int clientX, int clientY) const;

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

// Another program (Wine's notepad) for the lifetime of the object: the
// desktop makes its new window the active one, so that none of the program's
// windows is.
class OtherProgram {
public:
    OtherProgram();
    ~OtherProgram();
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    // Its window once it has become the active one; null when it did not in time.
    HWND Window() const { return window_; }

private:
    PROCESS_INFORMATION info_{};
    HWND window_ = nullptr;
};

// Real input (SendInput), as from the user's mouse and keyboard.
void ClickAtScreen(int x, int y);
void MoveMouseTo(int x, int y);
// A click that the X display delivers, as from a user's mouse (xdotool):
// Wine reads it from the display in the program's own thread, where a click
// made with SendInput arrives through Wine's input queue instead. False when
// xdotool cannot be started.
bool ClickThroughDisplay(int x, int y);
// Presses the keys in order and releases them in reverse: {VK_MENU, VK_F4} is Alt+F4.
void PressKeys(const std::vector<WORD>& chord);
// Types each character with the key (and Shift) that makes it in the current layout.
void TypeText(const std::wstring& text);

// The top-level windows of a process with the given window class ("#32770"
// for message boxes); the visible ones only unless hiddenToo.
std::vector<HWND> WindowsOfProcess(DWORD processId, const wchar_t* windowClass, bool hiddenToo = false);
// The first visible one, once there is one; null on time-out.
HWND WaitForWindowOfProcess(DWORD processId, const wchar_t* windowClass, DWORD timeoutMilliseconds = 5000);
// Whether the window is hidden, or becomes so in time.
bool WaitForHidden(HWND window, DWORD timeoutMilliseconds = 5000);
// Clicks a menu title at a screen point, then the one item of the menu that
// opens, with SendInput or through the display; false when no menu opens.
bool ChooseOnlyMenuItem(DWORD processId, POINT title, bool throughDisplay = false);
// The text of a message box (its static text control).
std::wstring MessageBoxText(HWND box);

} // namespace testing_support
