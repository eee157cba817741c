#include "Form.h"

#include "AnsiText.h"
#include "Application.h"
#include "Controls.h"
#include "Exceptions.h"
#include "Menu.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>

namespace {

using Factory = std::function<std::unique_ptr<TComponent>(TComponent* owner)>;

template <class T>
Factory Make()
{
    return [](TComponent* owner) { return std::make_unique<T>(owner); };
}

const std::map<std::string, Factory>& Factories()
{
    static const std::map<std::string, Factory> factories{
        {"TSpeedButton", Make<TSpeedButton>()}, {"TStatusBar", Make<TStatusBar>()},
        {"TPanel", Make<TPanel>()},             {"TImage", Make<TImage>()},
        {"TTimer", Make<TTimer>()},             {"TMainMenu", Make<TMainMenu>()},
        {"TMenuItem", Make<TMenuItem>()},       {"TLabel", Make<TLabel>()},
        {"TEdit", Make<TEdit>()},               {"TCheckBox", Make<TCheckBox>()},
        {"TButton", Make<TButton>()},
    };
    return factories;
}

std::string UpperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool HasIcon(const std::string& icons, const char* icon)
{
    return icons.find(icon) != std::string::npos;
}

std::string LoadLayoutText(const std::string& resourceName)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring name = AnsiToWide(resourceName);
    HRSRC resource = FindResourceW(instance, name.c_str(), MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL loaded = resource != nullptr ? LoadResource(instance, resource) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        throw EResNotFound(FormatMessageText(L"Ressource %s nicht gefunden", name));
    return std::string(static_cast<const char*>(data), SizeofResource(instance, resource));
}

HFONT CreateFormFont(const std::wstring& fontName, int fontHeight)
{
    return CreateFontW(fontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, fontName.c_str());
}

// The height of a line of text in the font of that character height.
int TextHeightOf(const std::wstring& fontName, int fontHeight)
{
    HFONT font = CreateFormFont(fontName, fontHeight);
    if (font == nullptr)
        return 0;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return metrics.tmHeight;
}

void AddGroupStyle(HWND hwnd)
{
    SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_GROUP);
}

// A visible, enabled control of the form's tab order.
bool TakesFocus(HWND form, HWND control)
{
    if (control == nullptr || !IsChild(form, control))
        return false;
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
    return (style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE);
}

} // namespace

TForm::TForm(TComponent* owner, const std::string& className, std::vector<PublishedMethod> methods)
    : TWinControl(owner), className_(className), methods_(std::move(methods))
{
    SetVisible(false);
    try {
        LoadLayout(UpperCase(className_));
    } catch (...) {
        ReleaseWindow();
        throw;
    }
}

TForm::~TForm()
{
    ReleaseWindow();
}

void TForm::ReleaseWindow()
{
    // The window would destroy an attached menu bar, which its component frees too.
    if (menu_ != nullptr && HandleAllocated())
        SetMenu(Handle(), nullptr);
    DestroyComponents();
    DestroyHandle();
    menu_ = nullptr;
    if (font_ != nullptr)
        DeleteObject(font_);
    if (bigIcon_ != nullptr)
        DestroyIcon(bigIcon_);
    if (smallIcon_ != nullptr)
        DestroyIcon(smallIcon_);
    font_ = nullptr;
    bigIcon_ = nullptr;
    smallIcon_ = nullptr;
}

void TForm::LoadLayout(const std::string& resourceName)
{
    const FormObject root = ParseForm(LoadLayoutText(resourceName));
    Name = root.name;
    for (const auto& [name, value] : root.properties)
        SetProperty(name, value, *this);

    // Designed at pixelsPerInch_; the layout grows with the screen's density.
    HDC screen = GetDC(nullptr);
    const int screenPpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    scaleNumerator_ = screenPpi;
    scaleDenominator_ = pixelsPerInch_;
    font_ = CreateFormFont(fontName_, Scale(fontHeight_));
    if (textHeight_ > 0) {
        // Scaled by the font's text height on this screen against its height at
        // the design density. The layout's TextHeight is the latter as measured
        // where the form was designed; a machine that substitutes the font
        // measures otherwise (Wine draws Tahoma 8 as a 12-pixel Liberation Sans,
        // not 13), so both heights are measured here: at the design density the
        // layout stays as designed, and it grows with the screen's density.
        const int designHeight = TextHeightOf(fontName_, fontHeight_);
        const int screenHeight = TextHeightOf(fontName_, Scale(fontHeight_));
        if (designHeight > 0 && screenHeight > 0) {
            scaleNumerator_ = screenHeight;
            scaleDenominator_ = designHeight;
        }
    }

    CreateFormWindow();
    CreateChildren(root, this);
    ApplyTabOrder();
    if (!menuName_.empty()) {
        menu_ = Component<TMainMenu>(menuName_);
        SetMenu(Handle(), menu_->Handle());
    }
    ApplyWindowSize();
    for (const auto& component : Components())
        component->Loaded();
}

void TForm::CreateChildren(const FormObject& object, TWinControl* parent)
{
    for (const FormObject& child : object.children) {
        const auto factory = Factories().find(child.className);
        if (factory == Factories().end())
            throw Exception(AnsiToWide("Klasse " + child.className + " nicht gefunden"));
        TComponent* component = InsertComponent(factory->second(this));
        component->Name = child.name;
        auto* control = dynamic_cast<TControl*>(component);
        if (control != nullptr)
            control->SetParent(parent);
        if (auto* item = dynamic_cast<TMenuItem*>(component)) {
            TComponent* holder = FindComponent(object.name);
            if (auto* menu = dynamic_cast<TMainMenu*>(holder))
                menu->Add(item);
            else if (auto* parentItem = dynamic_cast<TMenuItem*>(holder))
                parentItem->Add(item);
        }
        for (const auto& [name, value] : child.properties)
            component->SetProperty(name, value, *this);
        auto* windowed = dynamic_cast<TWinControl*>(component);
        if (windowed != nullptr)
            windowed->CreateWnd();
        CreateChildren(child, windowed != nullptr ? windowed : parent);
    }
}

void TForm::ApplyTabOrder()
{
    // The dialog manager tabs in the windows' z-order.
    std::vector<TWinControl*> ordered;
    for (TControl* control : Controls()) {
        if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed != nullptr && windowed->TabOrder >= 0)
            ordered.push_back(windowed);
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->TabOrder < b->TabOrder; });
    HWND previous = HWND_TOP;
    for (TWinControl* control : ordered) {
        SetWindowPos(control->Handle(), previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control->Handle();
    }
    // Windows outside the tab order (labels) lie beneath the others, so that a
    // caption a little wider in this font never covers an edit beside it.
    // The dialog manager moves the focus with the arrow keys round a group
    // (from a WS_GROUP window up to the next one): the tab order makes one
    // group and each label one of its own, so that the arrows follow the tab
    // order and pass the labels by.
    if (!ordered.empty())
        AddGroupStyle(ordered.front()->Handle());
    for (TControl* control : Controls()) {
        if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed != nullptr && windowed->TabOrder < 0) {
            SetWindowPos(windowed->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            AddGroupStyle(windowed->Handle());
        }
    }
}

void TForm::CreateFormWindow()
{
    const std::wstring windowClass = AnsiToWide(className_);
    RegisterOwnClass(windowClass.c_str(), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    DWORD style = WS_CAPTION | WS_CLIPCHILDREN;
    if (borderStyle_ == "bsSizeable")
        style |= WS_THICKFRAME;
    if (HasIcon(borderIcons_, "biSystemMenu"))
        style |= WS_SYSMENU;
    if (HasIcon(borderIcons_, "biMinimize"))
        style |= WS_MINIMIZEBOX;
    if (HasIcon(borderIcons_, "biMaximize"))
        style |= WS_MAXIMIZEBOX;
    // Other forms belong to the main form, which alone has the taskbar button.
    HWND owner = nullptr;
    if (Application->MainFormOnTaskBar && Application->MainForm() != nullptr)
        owner = Application->MainForm()->Handle();
    CreateHandle(windowClass.c_str(), style, 0, caption_, owner, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);
    // A form without an icon of its own shows the application's, the program's icon.
    const std::wstring icon = AnsiToWide(iconName_.empty() ? "MAINICON" : iconName_);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    bigIcon_ = static_cast<HICON>(LoadImageW(instance, icon.c_str(), IMAGE_ICON, 0, 0, 0));
    smallIcon_ = static_cast<HICON>(LoadImageW(instance, icon.c_str(), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void TForm::ApplyWindowSize()
{
    RECT frame{0, 0, Scale(clientWidth_), Scale(clientHeight_)};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE));
    AdjustWindowRectEx(&frame, style, menu_ != nullptr, exStyle);
    SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "Caption")
        caption_ = value.text;
    else if (name == "BorderStyle")
        borderStyle_ = value.identifier;
    else if (name == "BorderIcons")
        borderIcons_ = WideToAnsi(value.text);
    else if (name == "ClientWidth")
        clientWidth_ = static_cast<int>(value.number);
    else if (name == "ClientHeight")
        clientHeight_ = static_cast<int>(value.number);
    else if (name == "Font.Name")
        fontName_ = value.text;
    else if (name == "Font.Height")
        fontHeight_ = static_cast<int>(value.number);
    else if (name == "Icon")
        iconName_ = value.identifier;
    else if (name == "Menu")
        menuName_ = value.identifier;
    else if (name == "PixelsPerInch")
        pixelsPerInch_ = static_cast<int>(value.number);
    else if (name == "TextHeight")
        textHeight_ = static_cast<int>(value.number);
    else if (name == "Left" || name == "Top" || name == "Color" || name == "Font.Color" || name == "Font.Style"
             || name == "Font.Charset" || name == "Position" || name == "AutoScroll" || name == "OldCreateOrder")
        return; // the window system places the form; the rest are the defaults we draw with anyway
    else
        TWinControl::SetProperty(name, value, form);
}

TNotifyEvent TForm::Handler(const std::string& name)
{
    for (const PublishedMethod& entry : methods_) {
        if (name == entry.name) {
            const Method method = entry.method;
            return [this, method](TObject* sender) { (this->*method)(sender); };
        }
    }
    throw Exception(AnsiToWide("Methode " + name + " nicht gefunden"));
}

void TForm::ThrowMissingComponent(const std::string& name) const
{
    throw Exception(AnsiToWide("Komponente " + name + " fehlt in " + className_));
}

void TForm::Show()
{
    SetVisible(true);
    SetForegroundWindow(Handle());
}

void TForm::Hide()
{
    SetVisible(false);
}

void TForm::VisibleChanged()
{
    if (HandleAllocated())
        ShowWindow(Handle(), Visible() ? SW_SHOWNORMAL : SW_HIDE);
}

void TForm::Close()
{
    if (modal_)
        ModalResult = 2;
    else if (Application->MainForm() == this)
        Application->Terminate();
    else
        Hide();
}

TDisabledTaskWindows::TDisabledTaskWindows(HWND except) : except_(except)
{
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* self = reinterpret_cast<TDisabledTaskWindows*>(data);
            if (hwnd != self->except_ && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
                EnableWindow(hwnd, FALSE);
                self->windows_.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
}

TDisabledTaskWindows::~TDisabledTaskWindows()
{
    for (HWND hwnd : windows_)
        EnableWindow(hwnd, TRUE);
}

int TForm::ShowModal()
{
    if (Visible() || !Enabled() || modal_)
        throw EInvalidOperation(L"Ein sichtbares oder gesperrtes Fenster kann nicht modal angezeigt werden");
    {
        // The other windows are enabled again before this form is hidden, so
        // that one of them can become the active window.
        TDisabledTaskWindows disabled(Handle());
        ModalResult = 0;
        modal_ = true;
        Show();
        // The keyboard starts at the first control of the tab order.
        if (HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE))
            SetFocus(first);
        MSG msg;
        while (ModalResult == 0) {
            if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
                // The application ends while the dialog is open: leave as cancelled
                // and let the outer loop see the quit message too.
                PostQuitMessage(static_cast<int>(msg.wParam));
                ModalResult = 2;
                break;
            }
            if (!IsDialogMessageW(Handle(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    Hide();
    modal_ = false;
    return ModalResult;
}

void TForm::ClickFocusedButton()
{
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(Handle(), focus)
        && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0)
        SendMessageW(focus, BM_CLICK, 0, 0);
}

void TForm::RememberFocus()
{
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(Handle(), focus))
        focusedControl_ = focus;
}

// Moves the keyboard to a control of the tab order; an edit comes with its
// text selected, as when tabbed into.
void TForm::FocusControl(HWND control)
{
    if (!TakesFocus(Handle(), control))
        return;
    if ((SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0)
        SendMessageW(control, EM_SETSEL, 0, -1);
    SetFocus(control);
}

// The keyboard goes on to the control that had it when the form lost it, else
// to the first of the tab order; without one it stays here.
void TForm::RestoreFocus()
{
    HWND target = focusedControl_;
    if (!TakesFocus(Handle(), target))
        target = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    if (TakesFocus(Handle(), target))
        SetFocus(target);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        // As in a dialog, the keyboard comes back to the control that had it,
        // not to the form, where no key would do anything: the activation
        // gives the form the focus (not while minimised), and the form passes
        // it on. So the form notes that control whenever it loses the
        // keyboard: deactivated, minimised (a form whose owner is disabled
        // stays the active window then) or hidden.
        if (LOWORD(wParam) == WA_INACTIVE)
            RememberFocus();
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE)
            RememberFocus();
        break;
    case WM_SHOWWINDOW:
        if (wParam == FALSE)
            RememberFocus();
        break;
    case WM_SETFOCUS:
        RestoreFocus();
        return 0;
    case WM_NEXTDLGCTL:
        // An arrow key on a button or check box: the dialog manager names the
        // next or previous window of the group (lParam 1), which is the next
        // or previous one of the tab order (ApplyTabOrder).
        if (LOWORD(lParam) != 0) {
            FocusControl(reinterpret_cast<HWND>(wParam));
            return 0;
        }
        break;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_SIZE:
        // Status bars lie along the bottom edge.
        if (wParam != SIZE_MINIMIZED) {
            for (TControl* control : Controls()) {
                if (auto* bar = dynamic_cast<TStatusBar*>(control))
                    bar->AlignToBottom(LOWORD(lParam), HIWORD(lParam));
            }
        }
        break;
    case WM_COMMAND:
        if (lParam == 0 && wParam == IDOK) {
            // Return from the dialog manager (menu commands are numbered from
            // 1000). No button here is a default button: Return presses the
            // focused one and does nothing elsewhere.
            ClickFocusedButton();
            return 0;
        }
        if (lParam == 0 && HIWORD(wParam) == 0 && menu_ != nullptr) {
            menu_->Dispatch(LOWORD(wParam));
            return 0;
        }
        if (lParam == 0)
            return 0; // Esc from the dialog manager: no cancel buttons here
        break;
    default:
        break;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}
