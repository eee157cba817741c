#include "Component.h"

#include "AnsiText.h"
#include "Exceptions.h"

TComponent::~TComponent()
{
    DestroyComponents();
}

void TComponent::DestroyComponents()
{
    while (!components_.empty())
        components_.pop_back();
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    for (const auto& component : components_) {
        if (component->Name == name)
            return component.get();
    }
    return nullptr;
}

void TComponent::SetProperty(const std::string& name, const FormValue&, TForm&)
{
    throw Exception(AnsiToWide("Eigenschaft " + name + " von " + Name + " unbekannt"));
}
