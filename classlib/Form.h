// Forms: top-level windows built from a layout resource named after their
// class in upper case. The layout creates the components, which the form owns.
#pragma once
#include "Control.h"

#include <string>
#include <vector>

class TMainMenu;

// What a modal window does to the rest of the application: for its lifetime
// every visible, enabled top-level window of this thread but one is disabled;
// at its end those, and only those, are enabled again.
class TDisabledTaskWindows {
public:
    explicit TDisabledTaskWindows(HWND except = nullptr);
    ~TDisabledTaskWindows();
    TDisabledTaskWindows(const TDisabledTaskWindows&) = delete;
    TDisabledTaskWindows& operator=(const TDisabledTaskWindows&) = delete;

private:
    HWND except_;
    std::vector<HWND> windows_;
};

class TForm : public TWinControl {
public:
    using Method = void (TForm::*)(TObject* Sender);
    struct PublishedMethod {
        const char* name;
        Method method;
    };

    // className is the derived class's name ("TZarviktool"); its layout is the
    // RCDATA resource of that name in upper case. Handlers named in the layout
    // are bound through methods.
    TForm(TComponent* owner, const std::string& className, std::vector<PublishedMethod> methods = {});
    ~TForm() override;

    void Show();
    void Hide();
    void Close();

    // Disables the application's other windows and dispatches every message
    // until ModalResult is set; hides the form and returns the result.
    int ShowModal();
    int ModalResult = 0;

    // The component of that name and class; throws when the layout lacks it.
    template <class T>
    T* Component(const std::string& name) const
    {
        auto* component = dynamic_cast<T*>(FindComponent(name));
        if (component == nullptr)
            ThrowMissingComponent(name);
        return component;
    }

    HFONT FontHandle() const { return font_; }
    int Scale(int value) const { return MulDiv(value, scaleNumerator_, scaleDenominator_); }
    TNotifyEvent Handler(const std::string& name);

    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void VisibleChanged() override;

private:
    void LoadLayout(const std::string& resourceName);
    void CreateChildren(const FormObject& object, TWinControl* parent);
    void CreateFormWindow();
    void ApplyTabOrder();
    void ApplyWindowSize();
    void ClickFocusedButton();
    void RememberFocus();
    void RestoreFocus();
    void FocusControl(HWND control);
    void ReleaseWindow();
    [[noreturn]] void ThrowMissingComponent(const std::string& name) const;

    std::string className_;
    std::vector<PublishedMethod> methods_;
    std::wstring caption_;
    std::string borderStyle_ = "bsSizeable";
    std::string borderIcons_ = "biSystemMenu,biMinimize,biMaximize";
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    std::wstring fontName_ = L"Tahoma";
    int fontHeight_ = -11;
    std::string iconName_;
    std::string menuName_;
    int pixelsPerInch_ = 96;
    int textHeight_ = 0;
    int scaleNumerator_ = 1;
    int scaleDenominator_ = 1;
    HFONT font_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    TMainMenu* menu_ = nullptr;
    HWND focusedControl_ = nullptr; // had the keyboard when the form last lost it
    bool modal_ = false;
};
