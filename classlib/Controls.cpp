#include "Controls.h"

#include "AnsiText.h"
#include "Application.h"
#include "Exceptions.h"
#include "Form.h"

#include <commctrl.h>

// ---- TSpeedButton ---------------------------------------------------------

void TSpeedButton::Click()
{
    if (OnClick)
        OnClick(this);
}

void TSpeedButton::Paint(HDC dc)
{
    RECT face = BoundsRect();
    DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed_ ? DFCS_PUSHED : 0));
    if (pressed_)
        OffsetRect(&face, 1, 1);
    HGDIOBJ oldFont = nullptr;
    if (TForm* form = ParentForm(); form != nullptr && form->FontHandle() != nullptr)
        oldFont = SelectObject(dc, form->FontHandle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(Enabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawTextW(dc, Caption.c_str(), static_cast<int>(Caption.size()), &face,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (oldFont != nullptr)
        SelectObject(dc, oldFont);
}

void TSpeedButton::MouseDown()
{
    pressed_ = true;
    Invalidate();
}

void TSpeedButton::MouseMove(bool inside)
{
    if (pressed_ != inside) {
        pressed_ = inside;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(bool inside)
{
    pressed_ = false;
    Invalidate();
    if (inside && Enabled())
        Click();
}

void TSpeedButton::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "Caption")
        Caption = value.text;
    else if (name == "OnClick")
        OnClick = form.Handler(value.identifier);
    else
        TGraphicControl::SetProperty(name, value, form);
}

// ---- TImage ---------------------------------------------------------------

TImage::~TImage()
{
    if (picture_ != nullptr)
        DestroyIcon(picture_);
}

void TImage::Paint(HDC dc)
{
    if (picture_ != nullptr)
        DrawIconEx(dc, Left, Top, picture_, 0, 0, 0, nullptr, DI_NORMAL);
}

void TImage::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "Picture") {
        const std::wstring resource = AnsiToWide(value.identifier);
        // Width and height 0: the icon keeps its own size.
        picture_ = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), resource.c_str(), IMAGE_ICON, 0, 0, 0));
        if (picture_ == nullptr)
            throw EResNotFound(FormatMessageText(L"Ressource %s nicht gefunden", resource));
    } else if (name == "Stretch" || name == "Center" || name == "Transparent") {
        return; // drawn unstretched at the top-left, with its mask
    } else {
        TGraphicControl::SetProperty(name, value, form);
    }
}

// ---- TPanel ---------------------------------------------------------------

void TPanel::CreateWnd()
{
    RegisterOwnClass(L"TPanel", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    CreateHandle(L"TPanel", WS_CHILD | WS_CLIPSIBLINGS | (Visible() ? WS_VISIBLE : 0), 0, L"",
                 Parent()->Handle(), Left, Top, Width, Height);
}

void TPanel::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "BevelOuter" || name == "ParentBackground" || name == "Caption")
        return; // flat, own background, no caption: the only panel we draw
    TWinControl::SetProperty(name, value, form);
}

LRESULT TPanel::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCHITTEST)
        return HTCLIENT; // takes the clicks in its area, so they never reach what lies below
    return TWinControl::WndProc(message, wParam, lParam);
}

// ---- TStatusBar -----------------------------------------------------------

void TStatusBar::CreateWnd()
{
    // The common control would take the height of its font and place itself;
    // the form docks it instead (AlignToBottom).
    CreateHandle(STATUSCLASSNAMEW, WS_CHILD | CCS_NORESIZE | CCS_NOPARENTALIGN | (Visible() ? WS_VISIBLE : 0), 0,
                 L"", Parent()->Handle(), Left, Top, Width, Height);
    if (panelWidth_ > 0) {
        int right = panelWidth_;
        SendMessageW(Handle(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
    }
    SendMessageW(Handle(), SB_SIMPLE, simplePanel_ ? TRUE : FALSE, 0);
    SendMessageW(Handle(), SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::SetSimpleText(const std::wstring& text)
{
    if (text == simpleText_)
        return;
    simpleText_ = text;
    if (HandleAllocated())
        SendMessageW(Handle(), SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::AlignToBottom(int clientWidth, int clientHeight)
{
    Left = 0;
    Top = clientHeight - Height;
    Width = clientWidth;
    if (HandleAllocated())
        SetWindowPos(Handle(), nullptr, Left, Top, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TStatusBar::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "SimplePanel")
        simplePanel_ = value.AsBool();
    else if (name == "SimpleText")
        simpleText_ = value.text;
    else if (name == "PanelWidth")
        panelWidth_ = form.Scale(static_cast<int>(value.number));
    else if (name == "Align")
        return; // its form docks a status bar to the bottom
    else
        TWinControl::SetProperty(name, value, form);
}

// ---- TTimer ---------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner)
{
    RegisterWindowClass(L"TTimerWindow", &TTimer::WindowProc, nullptr);
    window_ = CreateWindowExW(0, L"TTimerWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr)
        throw EOutOfResources(L"Nicht gen\u00fcgend Timer verf\u00fcgbar");
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTimer::~TTimer()
{
    KillTimer(window_, 1);
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

void TTimer::SetEnabled(bool value)
{
    if (value == enabled_)
        return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value)
{
    if (value == interval_)
        return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::Loaded()
{
    loading_ = false;
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    if (loading_)
        return;
    KillTimer(window_, 1);
    if (enabled_ && interval_ != 0 && onTimer_) {
        if (SetTimer(window_, 1, interval_, nullptr) == 0)
            throw EOutOfResources(L"Nicht gen\u00fcgend Timer verf\u00fcgbar");
    }
}

LRESULT CALLBACK TTimer::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        auto* self = reinterpret_cast<TTimer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && self->onTimer_) {
            Application->Guard([self] { self->onTimer_(self); });
            return 0;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void TTimer::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "Interval")
        interval_ = static_cast<unsigned>(value.number);
    else if (name == "Enabled")
        enabled_ = value.AsBool();
    else if (name == "OnTimer")
        onTimer_ = form.Handler(value.identifier);
    else
        TComponent::SetProperty(name, value, form);
}

// ---- TLabel ---------------------------------------------------------------

void TLabel::CreateWnd()
{
    TForm* form = ParentForm();
    if (AutoSize && form != nullptr && form->FontHandle() != nullptr) {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, form->FontHandle());
        RECT text{0, 0, 0, 0};
        DrawTextW(dc, Caption.c_str(), static_cast<int>(Caption.size()), &text,
                  DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        Width = text.right;
        Height = text.bottom;
    }
    CreateHandle(L"STATIC", WS_CHILD | SS_LEFTNOWORDWRAP | SS_NOPREFIX | (Visible() ? WS_VISIBLE : 0), 0,
                 Caption, Parent()->Handle(), Left, Top, Width, Height);
}

void TLabel::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "Caption")
        Caption = value.text;
    else if (name == "AutoSize")
        AutoSize = value.AsBool();
    else
        TWinControl::SetProperty(name, value, form);
}

// ---- TEdit ----------------------------------------------------------------

void TEdit::CreateWnd()
{
    CreateHandle(L"EDIT", WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL | (Visible() ? WS_VISIBLE : 0),
                 WS_EX_CLIENTEDGE, designText_, Parent()->Handle(), Left, Top, Width, Height);
    // MaxLength 0 is no limit: the largest the control allows, not the
    // system's default of 30,000 characters.
    SendMessageW(Handle(), EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

std::wstring TEdit::Text() const
{
    const int length = GetWindowTextLengthW(Handle());
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(Handle(), text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

void TEdit::SetText(const std::wstring& text)
{
    SetWindowTextW(Handle(), text.c_str());
}

void TEdit::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "Text")
        designText_ = value.text;
    else if (name == "MaxLength")
        maxLength_ = static_cast<int>(value.number);
    else
        TWinControl::SetProperty(name, value, form);
}

// ---- TCheckBox ------------------------------------------------------------

void TCheckBox::CreateWnd()
{
    CreateHandle(L"BUTTON", WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX | (Visible() ? WS_VISIBLE : 0), 0, Caption,
                 Parent()->Handle(), Left, Top, Width, Height);
}

bool TCheckBox::Checked() const
{
    return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TCheckBox::SetChecked(bool value)
{
    SendMessageW(Handle(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "Caption")
        Caption = value.text;
    else
        TWinControl::SetProperty(name, value, form);
}

// ---- TButton --------------------------------------------------------------

void TButton::CreateWnd()
{
    CreateHandle(L"BUTTON", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (Visible() ? WS_VISIBLE : 0), 0, Caption,
                 Parent()->Handle(), Left, Top, Width, Height);
}

void TButton::Click()
{
    if (OnClick)
        OnClick(this);
    if (ModalResult != 0) {
        if (TForm* form = ParentForm())
            form->ModalResult = ModalResult;
    }
}

void TButton::Command(WORD code)
{
    if (code == BN_CLICKED)
        Click();
}

void TButton::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "Caption")
        Caption = value.text;
    else if (name == "ModalResult")
        ModalResult = static_cast<int>(value.number);
    else if (name == "OnClick")
        OnClick = form.Handler(value.identifier);
    else
        TWinControl::SetProperty(name, value, form);
}
