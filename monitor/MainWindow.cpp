#include "Main.h"

#include "classlib/AnsiText.h"

#include <algorithm>

TZarviktool* Zarviktool = nullptr;

// A job's pause takes no message, click or tick. It waits for messages of no
// kind rather than sleeping: only such a wait lets Wine put what the window
// drew (the step's status text) on the screen, and only once the thread has
// been busy for a few tens of milliseconds, hence the short slices.
void (*TZarviktool::Pause)(DWORD milliseconds) = [](DWORD milliseconds) {
    constexpr ULONGLONG kSlice = 50;
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64())
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::min(end - now, kSlice)), 0, 0);
};

namespace {

std::vector<TForm::PublishedMethod> PublishedMethods()
{
    return {
        {"Beenden1Click", static_cast<TForm::Method>(&TZarviktool::Beenden1Click)},
        {"ARCSteuerung1Click", static_cast<TForm::Method>(&TZarviktool::ARCSteuerung1Click)},
        {"BtnStartClick", static_cast<TForm::Method>(&TZarviktool::BtnStartClick)},
        {"Timer1Timer", static_cast<TForm::Method>(&TZarviktool::Timer1Timer)},
    };
}

struct LedRow {
    bool green, red, blue, gray, yellow, start;
};

// States 1 to 5: green (Start enabled), red, blue, gray, yellow.
const LedRow kLedRows[5] = {
    {true, false, false, false, false, true},  {false, true, false, false, false, false},
    {false, false, true, false, false, false}, {false, false, false, true, false, false},
    {false, false, false, false, true, false},
};

} // namespace

TZarviktool::TZarviktool(TComponent* owner)
    : TForm(owner, "TZarviktool", PublishedMethods()),
      StatusBar1(Component<TStatusBar>("StatusBar1")),
      BtnStart(Component<TSpeedButton>("BtnStart")),
      Panel1(Component<TPanel>("Panel1")),
      LEDblue(Component<TImage>("LEDblue")),
      LEDred(Component<TImage>("LEDred")),
      LEDgreen(Component<TImage>("LEDgreen")),
      LEDgray(Component<TImage>("LEDgray")),
      LEDyellow(Component<TImage>("LEDyellow")),
      Timer1(Component<TTimer>("Timer1"))
{
    if constexpr (kOlderBuild) {
        MainMenu1 = Component<TMainMenu>("MainMenu1");
        Datei1 = Component<TMenuItem>("Datei1");
        Beenden1 = Component<TMenuItem>("Beenden1");
        Einstellungen1 = Component<TMenuItem>("Einstellungen1");
        ARCSteuerung1 = Component<TMenuItem>("ARCSteuerung1");
    }
    LoadSettings();
    Idle = true;
    SourceInARC = false;
    SetLEDState(4);
}

TZarviktool::~TZarviktool() = default;

void TZarviktool::Beenden1Click(TObject*)
{
    Close();
}

void TZarviktool::SetLEDState(std::uint32_t state)
{
    if (state < 1 || state > 5)
        return;
    const LedRow& row = kLedRows[state - 1];
    LEDgreen->SetVisible(row.green);
    LEDred->SetVisible(row.red);
    LEDblue->SetVisible(row.blue);
    LEDgray->SetVisible(row.gray);
    LEDyellow->SetVisible(row.yellow);
    BtnStart->SetEnabled(row.start);
}

void TZarviktool::SetStatusText(const std::string& text)
{
    StatusBar1->SetSimpleText(AnsiToWide(text));
}

void TZarviktool::ReportJobFailure(const std::string& text)
{
    SetStatusText(text);
    if (JobFailure.empty())
        JobFailure = text;
}
