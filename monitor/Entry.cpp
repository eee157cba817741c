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
        Application->ShowException(error);
    } catch (...) {
        // Anything else is shown as an empty message under the title.
        try {
            throw Exception();
        } catch (const Exception& error) {
            Application->ShowException(error);
        }
    }
    return 0;
}
