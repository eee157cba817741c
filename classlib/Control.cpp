#include "Control.h"

#include "Application.h"
#include "Form.h"

#include <algorithm>

TControl::~TControl()
{
    if (parent_ != nullptr)
        parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent)
{
    parent_ = parent;
    if (parent_ != nullptr)
        parent_->InsertControl(this);
}

TForm* TControl::ParentForm() const
{
    const TControl* control = this;
    while (control->Parent() != nullptr)
        control = control->Parent();
    return dynamic_cast<TForm*>(const_cast<TControl*>(control));
}

void TControl::SetVisible(bool value)
{
    if (visible_ == value)
        return;
    visible_ = value;
    VisibleChanged();
}

void TControl::SetEnabled(bool value)
{
    if (enabled_ == value)
        return;
    enabled_ = value;
    EnabledChanged();
}

void TControl::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "Left")
        Left = form.Scale(static_cast<int>(value.number));
    else if (name == "Top")
        Top = form.Scale(static_cast<int>(value.number));
    else if (name == "Width")
        Width = form.Scale(static_cast<int>(value.number));
    else if (name == "Height")
        Height = form.Scale(static_cast<int>(value.number));
    else if (name == "TabOrder")
        TabOrder = static_cast<int>(value.number);
    else if (name == "Visible")
        visible_ = value.AsBool();
    else if (name == "Enabled")
        enabled_ = value.AsBool();
    else
        TComponent::SetProperty(name, value, form);
}

void TGraphicControl::Invalidate()
{
    if (Parent() != nullptr && Parent()->HandleAllocated()) {
        const RECT bounds = BoundsRect();
        InvalidateRect(Parent()->Handle(), &bounds, TRUE);
    }
}

TWinControl::~TWinControl()
{
    DestroyHandle();
}

void TWinControl::RemoveControl(TControl* control)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
    if (captured_ == control)
        captured_ = nullptr;
}

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, name, &existing))
        return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

void TWinControl::RegisterOwnClass(const wchar_t* name, HBRUSH background)
{
    RegisterWindowClass(name, &TWinControl::WindowProc, background);
}

void TWinControl::CreateHandle(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::wstring& text,
                               HWND parent, int x, int y, int width, int height, HMENU menu)
{
    // Siblings overlap (the LED panel on Start, labels beside edits): each
    // child paints only what lies above its lower siblings.
    if ((style & WS_CHILD) != 0)
        style |= WS_CLIPSIBLINGS;
    handle_ = CreateWindowExW(exStyle, windowClass, text.c_str(), style, x, y, width, height, parent, menu,
                              GetModuleHandleW(nullptr), this);
    if (handle_ == nullptr)
        throw EOutOfResources(L"Fenster kann nicht erstellt werden");
    if (TForm* form = ParentForm(); form != nullptr && form != this && form->FontHandle() != nullptr)
        SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(form->FontHandle()), FALSE);
}

void TWinControl::DestroyHandle()
{
    if (handle_ == nullptr)
        return;
    // Messages sent while the window goes must not reach a half-destroyed object.
    if (reinterpret_cast<TWinControl*>(GetWindowLongPtrW(handle_, GWLP_USERDATA)) == this)
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
    handle_ = nullptr;
}

void TWinControl::VisibleChanged()
{
    if (handle_ != nullptr)
        ShowWindow(handle_, Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnabledChanged()
{
    if (handle_ != nullptr)
        EnableWindow(handle_, Enabled() ? TRUE : FALSE);
}

void TWinControl::PaintGraphicControls(HDC dc)
{
    for (TControl* control : controls_) {
        if (auto* graphic = dynamic_cast<TGraphicControl*>(control); graphic != nullptr && graphic->Visible())
            graphic->Paint(dc);
    }
}

TGraphicControl* TWinControl::GraphicControlAt(POINT point) const
{
    // The last one drawn lies on top.
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        auto* graphic = dynamic_cast<TGraphicControl*>(*it);
        if (graphic == nullptr || !graphic->Visible())
            continue;
        const RECT bounds = graphic->BoundsRect();
        if (PtInRect(&bounds, point))
            return graphic;
    }
    return nullptr;
}

TWinControl* TWinControl::ChildByHandle(HWND hwnd) const
{
    for (TControl* control : controls_) {
        if (auto* child = dynamic_cast<TWinControl*>(control); child != nullptr && child->Handle() == hwnd)
            return child;
    }
    return nullptr;
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        PaintGraphicControls(dc);
        EndPaint(handle_, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        TGraphicControl* target = GraphicControlAt(point);
        if (target != nullptr && target->Enabled()) {
            captured_ = target;
            SetCapture(handle_);
            target->MouseDown();
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (captured_ != nullptr) {
            const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const RECT bounds = captured_->BoundsRect();
            captured_->MouseMove(PtInRect(&bounds, point) != FALSE);
        }
        return 0;
    case WM_LBUTTONUP:
        if (captured_ != nullptr) {
            TGraphicControl* target = captured_;
            captured_ = nullptr;
            ReleaseCapture();
            const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const RECT bounds = target->BoundsRect();
            target->MouseUp(PtInRect(&bounds, point) != FALSE);
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (captured_ != nullptr && reinterpret_cast<HWND>(lParam) != handle_) {
            TGraphicControl* target = captured_;
            captured_ = nullptr;
            target->MouseMove(false);
        }
        return 0;
    case WM_COMMAND:
        if (lParam != 0) {
            if (TWinControl* child = ChildByHandle(reinterpret_cast<HWND>(lParam)))
                child->Command(HIWORD(wParam));
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TWinControl::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<TWinControl*>(create->lpCreateParams);
        self->handle_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    // No exception may cross the window system; the application shows it.
    if (!Application->Guard([&] { result = self->WndProc(message, wParam, lParam); }))
        result = DefWindowProcW(hwnd, message, wParam, lParam);
    return result;
}
