// Menu bar of a form: menus and their items, each command routed to OnClick.
#pragma once
#include "Component.h"

#include <windows.h>

#include <string>
#include <vector>

class TMenuItem : public TComponent {
public:
    using TComponent::TComponent;
    std::wstring Caption;
    TNotifyEvent OnClick;
    void Add(TMenuItem* item) { items_.push_back(item); }
    const std::vector<TMenuItem*>& Items() const { return items_; }
    UINT Command() const { return command_; }
    void SetProperty(const std::string& name, const FormValue& value, TForm& form) override;

private:
    friend class TMainMenu;
    std::vector<TMenuItem*> items_;
    UINT command_ = 0;
};

class TMainMenu : public TComponent {
public:
    using TComponent::TComponent;
    ~TMainMenu() override;
    void Add(TMenuItem* item) { items_.push_back(item); }
    // Builds the menu bar on first use.
    HMENU Handle();
    void Dispatch(UINT command);

private:
    HMENU Build(const std::vector<TMenuItem*>& items, bool bar);
    std::vector<TMenuItem*> items_;
    HMENU handle_ = nullptr;
    UINT nextCommand_ = 1000;
};
