// Base of the object tree: an owner owns and frees the components it holds.
#pragma once
#include "FormData.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TForm;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TComponent : public TObject {
public:
    explicit TComponent(TComponent*) {}
    ~TComponent() override;

    std::string Name;

    // Takes ownership; components are freed in the reverse order of insertion.
    template <class T>
    T* InsertComponent(std::unique_ptr<T> component)
    {
        T* raw = component.get();
        components_.push_back(std::move(component));
        return raw;
    }
    TComponent* FindComponent(const std::string& name) const;
    const std::vector<std::unique_ptr<TComponent>>& Components() const { return components_; }

    // Applies one property of a form layout; unknown names are refused so that
    // a typo in a layout does not pass unnoticed.
    virtual void SetProperty(const std::string& name, const FormValue& value, TForm& form);
    // Called once the layout has set every property of the component.
    virtual void Loaded() {}

protected:
    void DestroyComponents();

private:
    std::vector<std::unique_ptr<TComponent>> components_;
};
