// Program entry of both builds.
#include "Main.h"
#include "classlib/Application.h"
#include "settings/Strg.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        Application->Initialize();
        Application->MainFormOnTaskBar = true;
        Application->Title = kOlderBuild ? "Mervane - Corvanta Control" : "Mervane - Corvanta Tool";
        Application->CreateForm(Zarviktool);
        Application->CreateForm(Steuerung); // hidden until shown modally
        Application->Run();
    } catch (const Exception& error) {
        // Through the application's guard: the main window's timer may tick
        // inside this box, and a failing tick must not open a second one.
        Application->HandleException(error);
    } catch (...) {
        // Anything else is shown as an empty message under the title.
        try {
            throw Exception();
        } catch (const Exception& error) {
            Application->HandleException(error);
        }
    }
    return 0;
}
