#include "Application.h"

#include "AnsiText.h"
#include "Form.h"

#include <commctrl.h>

namespace {
TApplication theApplication;
}

TApplication* Application = &theApplication;

TApplication::~TApplication()
{
    mainForm_ = nullptr;
    DestroyComponents();
}

void TApplication::Initialize()
{
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

void TApplication::Run()
{
    if (mainForm_ == nullptr)
        return;
    mainForm_->Show();
    MSG msg;
    while (!terminated_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    terminated_ = true;
}

void TApplication::Terminate()
{
    if (!terminated_)
        PostQuitMessage(0);
}

std::wstring ErrorBoxText(const std::wstring& message)
{
    if (!message.empty() && message.back() > L'.')
        return message + L".";
    return message;
}

void TApplication::ShowException(const Exception& error)
{
    // The box belongs to the program: to its active window, or to the main
    // window while another program is active. Without an owner it would have
    // a taskbar button of its own and could stay behind the other program.
    const HWND active = GetActiveWindow();
    HWND owner = active;
    if (owner == nullptr && mainForm_ != nullptr && mainForm_->HandleAllocated()
        && IsWindowVisible(mainForm_->Handle()))
        owner = mainForm_->Handle();
    {
        // The box blocks the whole application, not its owner alone.
        TDisabledTaskWindows disabled;
        MessageBoxW(owner, ErrorBoxText(error.Message()).c_str(), AnsiToWide(Title).c_str(),
                    MB_OK | MB_ICONERROR);
    }
    // The window that was active was disabled when the box went, so the box
    // could not hand the activation back to it.
    if (active != nullptr && GetActiveWindow() == nullptr && IsWindow(active))
        SetActiveWindow(active);
}

void TApplication::HandleException(const Exception& error)
{
    // Ticks go on inside the error box; a fault that repeats at every tick must
    // not stack up boxes while the first one is still open.
    if (showingError_)
        return;
    showingError_ = true;
    ShowException(error);
    showingError_ = false;
}

std::wstring TApplication::WidenWhat(const std::exception& error)
{
    return AnsiToWide(error.what());
}
