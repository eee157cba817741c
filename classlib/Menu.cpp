#include "Menu.h"

#include "Form.h"

void TMenuItem::SetProperty(const std::string& name, const FormValue& value, TForm& form)
{
    if (name == "Caption")
        Caption = value.text;
    else if (name == "OnClick")
        OnClick = form.Handler(value.identifier);
    else
        TComponent::SetProperty(name, value, form);
}

TMainMenu::~TMainMenu()
{
    if (handle_ != nullptr)
        DestroyMenu(handle_);
}

HMENU TMainMenu::Handle()
{
    if (handle_ == nullptr)
        handle_ = Build(items_, true);
    return handle_;
}

HMENU TMainMenu::Build(const std::vector<TMenuItem*>& items, bool bar)
{
    HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
    for (TMenuItem* item : items) {
        if (!item->Items().empty()) {
            AppendMenuW(menu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(Build(item->Items(), false)),
                        item->Caption.c_str());
        } else {
            item->command_ = nextCommand_++;
            AppendMenuW(menu, MF_STRING, item->command_, item->Caption.c_str());
        }
    }
    return menu;
}

void TMainMenu::Dispatch(UINT command)
{
    std::vector<const std::vector<TMenuItem*>*> pending{&items_};
    while (!pending.empty()) {
        const auto* items = pending.back();
        pending.pop_back();
        for (TMenuItem* item : *items) {
            if (item->command_ == command && item->OnClick) {
                item->OnClick(item);
                return;
            }
            pending.push_back(&item->Items());
        }
    }
}
