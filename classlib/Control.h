// Controls: those without a window of their own are drawn and hit-tested by
// their parent; those with one own their HWND and destroy it with themselves.
#pragma once
#include "Component.h"

#include <windows.h>

class TWinControl;

// Registers a window class of this program once; later calls do nothing.
void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background);

class TControl : public TComponent {
public:
    using TComponent::TComponent;
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    void SetParent(TWinControl* parent);
    TForm* ParentForm() const;

    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int TabOrder = -1; // windowed controls only; -1: not in the tab order
    RECT BoundsRect() const { return RECT{Left, Top, Left + Width, Top + Height}; }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool value);
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool value);

    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;

protected:
    virtual void VisibleChanged() {}
    virtual void EnabledChanged() {}

private:
    TWinControl* parent_ = nullptr;
    bool visible_ = true;
    bool enabled_ = true;
};

// A control without a window: its parent paints it and routes the mouse to it.
class TGraphicControl : public TControl {
public:
    using TControl::TControl;
    virtual void Paint(HDC dc) = 0;
    virtual void MouseDown() {}
    virtual void MouseMove(bool /*inside*/) {}
    virtual void MouseUp(bool /*inside*/) {}
    void Invalidate();

protected:
    void VisibleChanged() override { Invalidate(); }
    void EnabledChanged() override { Invalidate(); }
};

class TWinControl : public TControl {
public:
    using TControl::TControl;
    ~TWinControl() override;

    HWND Handle() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }
    void InsertControl(TControl* control) { controls_.push_back(control); }
    void RemoveControl(TControl* control);

    // Creates the window from the current bounds; called by the layout loader
    // once the control's properties are set and its parent has a window.
    virtual void CreateWnd() {}

    // A WM_COMMAND from one of our child windows.
    virtual void Command(WORD /*code*/) {}

protected:
    // Creates handle_ as a child of the parent's window (or top-level when
    // parent is null), subclassing nothing: our own classes use WindowProc.
    void CreateHandle(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::wstring& text,
                      HWND parent, int x, int y, int width, int height, HMENU menu = nullptr);
    void DestroyHandle();

    // Window procedure for the window classes this layer registers.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static void RegisterOwnClass(const wchar_t* name, HBRUSH background);

    void PaintGraphicControls(HDC dc);
    void VisibleChanged() override;
    void EnabledChanged() override;

    const std::vector<TControl*>& Controls() const { return controls_; }

private:
    TGraphicControl* GraphicControlAt(POINT point) const;
    TWinControl* ChildByHandle(HWND hwnd) const;

    HWND handle_ = nullptr;
    std::vector<TControl*> controls_;
    TGraphicControl* captured_ = nullptr;
};
