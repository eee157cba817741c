#include "Main.h"

#include <cstring>

namespace {

// Each flag is tested on its own width: the bools as one byte against 1.
bool IsOne(const bool& flag)
{
    unsigned char byte;
    std::memcpy(&byte, &flag, 1);
    return byte == 1;
}

} // namespace

void TZarviktool::Timer1Timer(TObject*)
{
    if constexpr (!kOlderBuild)
        LoadSettings();
    CheckARC();
}

bool TZarviktool::CheckARC()
{
    Timer1->SetEnabled(false);
    try {
        ScanARC();
        if (DataInARC == 0) {
            if (IsOne(Idle)) {
                SetLEDState(3);
                SetStatusText("Okay, keine Dateien im ARC Verzeichnis vorhanden!");
            } else {
                // The job ends; what it showed stays for one more tick.
                JobStarted = false;
                Idle = true;
                JobFailure.clear();
            }
        } else if (IsOne(Idle)) {
            if (IsOne(SourceInARC)) {
                SetLEDState(1);
                SetStatusText("Daten und Quelldatei im ARC Verzeichnis vorhanden!");
            } else {
                SetLEDState(5);
                SetStatusText("Daten, aber keine Quelldatei im ARC Verzeichnis vorhanden!");
            }
        } else if (IsOne(JobStarted)) {
            SetStatusText(JobFailure.empty() ? "Kallidor erzeugt Kopien" : JobFailure);
        }
    } catch (...) {
        // Without this the cycle would stop for good.
        Timer1->SetEnabled(true);
        throw;
    }
    // A fresh interval: the next tick comes 2000 ms after the end of this check.
    Timer1->SetEnabled(true);
    return true;
}
