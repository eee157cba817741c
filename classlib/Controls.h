// The controls the program's forms are made of.
#pragma once
#include "Control.h"

#include <string>

// A push button without a window: never focused, pressed with the mouse only.
class TSpeedButton : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    std::wstring Caption;
    TNotifyEvent OnClick;

    void Click();
    void Paint(HDC dc) override;
    void MouseDown() override;
    void MouseMove(bool inside) override;
    void MouseUp(bool inside) override;
    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;

private:
    bool pressed_ = false;
};

// A picture drawn at its top-left corner in its own size.
class TImage : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    ~TImage() override;
    void Paint(HDC dc) override;
    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;

private:
    HICON picture_ = nullptr;
};

// A window of its own that paints its background and its pictures.
class TPanel : public TWinControl {
public:
    using TWinControl::TWinControl;
    void CreateWnd() override;
    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A common-controls status bar; in simple-panel mode it shows SimpleText alone.
class TStatusBar : public TWinControl {
public:
    using TWinControl::TWinControl;
    void CreateWnd() override;
    const std::wstring& SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::wstring& text);
    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;
    // Docks the bar to the bottom edge of its parent's client area of that
    // size, at the height of the layout.
    void AlignToBottom(int clientWidth, int clientHeight);

private:
    std::wstring simpleText_;
    bool simplePanel_ = false;
    int panelWidth_ = 0;
};

// A Windows timer behind a message-only window. Switching Enabled on starts a
// fresh interval; setting the value it already has does nothing.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned value);

    void Loaded() override;
    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void UpdateTimer();

    HWND window_ = nullptr;
    bool enabled_ = true;
    bool loading_ = true;
    unsigned interval_ = 1000;
    TNotifyEvent onTimer_;
};

// Static text on one line. With AutoSize (the default) it takes the size of its
// caption in the form's font, so no caption is cut where the font runs wider.
class TLabel : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::wstring Caption;
    bool AutoSize = true;
    void CreateWnd() override;
    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;
};

class TEdit : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::wstring Text() const;
    void SetText(const std::wstring& text);
    void CreateWnd() override;
    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;

private:
    std::wstring designText_;
    int maxLength_ = 0;
};

class TCheckBox : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::wstring Caption;
    bool Checked() const;
    void SetChecked(bool value);
    void CreateWnd() override;
    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;

};

class TButton : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::wstring Caption;
    int ModalResult = 0;
    TNotifyEvent OnClick;
    void Click();
    void CreateWnd() override;
    void Command(WORD code) override;
    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;

};
