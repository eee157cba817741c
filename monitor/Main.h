// The main window: holds the settings record, the job state and the merge
// values for the whole run, watches the ARC tree and runs a job on Start.
#pragma once
#include "classlib/Controls.h"
#include "classlib/Form.h"
#include "classlib/Menu.h"
#include "monitor/Build.h"

#include <windows.h>

#include <cstdint>
#include <string>

// Field slots 1 to 10; slot 0 is never used.
constexpr int kMergeFields = 10;

class TZarviktool : public TForm {
public:
    explicit TZarviktool(TComponent* owner);
    ~TZarviktool() override;

    // Components of the layout, owned by the form.
    TMainMenu* MainMenu1 = nullptr; // older build only
    TMenuItem* Datei1 = nullptr;
    TMenuItem* Beenden1 = nullptr;
    TMenuItem* Einstellungen1 = nullptr;
    TMenuItem* ARCSteuerung1 = nullptr;
    TStatusBar* StatusBar1;
    TSpeedButton* BtnStart;
    TPanel* Panel1;
    TImage* LEDblue;
    TImage* LEDred;
    TImage* LEDgreen;
    TImage* LEDgray;
    TImage* LEDyellow;
    TTimer* Timer1;

    // Handlers bound by the layout.
    void Beenden1Click(TObject* Sender);
    void ARCSteuerung1Click(TObject* Sender);
    void BtnStartClick(TObject* Sender);
    void Timer1Timer(TObject* Sender);

    // Job state.
    std::int32_t DataInARC = 0;
    bool Idle = true;
    bool SourceInARC = false;
    bool JobStarted = false;
    // The first failure text of the running job; the ticks show it in place
    // of "Kallidor erzeugt Kopien" so that a failed job never looks like a
    // good one. Forgotten when the job ends.
    std::string JobFailure;

    // Settings record (registry value names) and the paths made from it.
    std::string ARCpath;
    std::string MergeFileSeperator;
    std::string MergeFileName;
    std::string MergeFilePath;
    std::string MergeFilePathName;
    std::string SourceFileName;
    std::string SourceFilePathName;
    std::string PrintFilePathName;
    std::int32_t UsePrintFilePathName = 0;
    std::int32_t UseString[kMergeFields + 1] = {};
    std::string StartString[kMergeFields + 1];
    std::string StoppString[kMergeFields + 1];
    std::string MergeValue[kMergeFields + 1];

    void LoadSettings();
    void SaveSettings();
    void SetLEDState(std::uint32_t state);
    bool ScanARC();
    // Walks one directory, the walk's current one; its paths are given back
    // as they came.
    struct ScanWalk;
    int ScanDirectory(ScanWalk& walk);
    // Whether the walk leaves a directory entry out as a link.
    static bool IsDirectoryLink(const WIN32_FIND_DATAW& entry);
    bool CheckARC();
    bool AnalyseDataFile();
    bool WriteMergeFile();

    // Shows an 8-bit status text in the status bar.
    void SetStatusText(const std::string& text);
    // Shows a failure of a job step and keeps the job's first one.
    void ReportJobFailure(const std::string& text);

    // The job's pauses; the programs sleep, tests may watch instead.
    static void (*Pause)(DWORD milliseconds);

private:
    void CopyPrintFile();
};

extern TZarviktool* Zarviktool;
