// The application object: owns the forms, runs the message loop and shows the
// exceptions that escape event handlers in its error box.
#pragma once
#include "Component.h"
#include "Exceptions.h"

#include <windows.h>

#include <memory>
#include <string>

class TForm;

class TApplication : public TComponent {
public:
    TApplication() : TComponent(nullptr) {}
    ~TApplication() override;

    void Initialize();
    bool MainFormOnTaskBar = false;
    std::string Title; // 8-bit, in the system ANSI code page
    TForm* MainForm() const { return mainForm_; }

    // Creates a form owned by the application; the first one becomes the main
    // form. When the constructor throws, reference is null again.
    template <class T>
    void CreateForm(T*& reference)
    {
        reference = nullptr;
        reference = InsertComponent(std::make_unique<T>(this));
        if (mainForm_ == nullptr)
            mainForm_ = reference;
    }

    void Run();
    void Terminate();

    void ShowException(const Exception& error);
    void HandleException(const Exception& error);

    // Runs f; an exception is passed to HandleException. False when one came.
    template <class F>
    bool Guard(F&& f)
    {
        try {
            f();
            return true;
        } catch (const Exception& error) {
            HandleException(error);
        } catch (const std::exception& error) {
            HandleException(Exception(WidenWhat(error)));
        } catch (...) {
            HandleException(Exception());
        }
        return false;
    }

private:
    static std::wstring WidenWhat(const std::exception& error);

    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    bool showingError_ = false;
};

extern TApplication* Application;

// The text of the error box: a "." is added to a message that does not end in
// "." or a character of lower code.
std::wstring ErrorBoxText(const std::wstring& message);
