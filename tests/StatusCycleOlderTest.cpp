// The status cycle of the older build: its tick does not reload the settings,
// so it scans with what was loaded at start-up, and no registry fault can end
// one of its ticks.
#include "monitor/Main.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace testing_support;

namespace {

const std::wstring kRow1 = L"Okay, keine Dateien im ARC Verzeichnis vorhanden!";
const std::wstring kRow3 = L"Daten und Quelldatei im ARC Verzeichnis vorhanden!";
const std::wstring kRow4 = L"Daten, aber keine Quelldatei im ARC Verzeichnis vorhanden!";
const std::wstring kRow5 = L"Kallidor erzeugt Kopien";

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

class StatusCycleOlder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kOlderBuild);
        DeleteSettingsKey();
        arc = FreshDirectory("cycle-older-arc");
        other = FreshDirectory("cycle-older-other");
        WriteFile(other + "\\auftrag.ini", "x");
        SetString(L"ARCpath", Wide(arc));
        window = std::make_unique<TZarviktool>(nullptr);
    }

    std::wstring Text() const { return window->StatusBar1->SimpleText(); }

    std::string arc;
    std::string other;
    std::unique_ptr<TZarviktool> window;
};

} // namespace

TEST_F(StatusCycleOlder, TickScansWithTheSettingsLoadedAtStart)
{
    window->Timer1Timer(nullptr);
    EXPECT_EQ(Text(), kRow1);

    // Registry changes are not seen by the ticks.
    SetString(L"ARCpath", Wide(other));
    SetString(L"SourceFileName", L"auftrag.ini");
    window->Timer1Timer(nullptr);
    EXPECT_EQ(window->ARCpath, arc);
    EXPECT_EQ(window->SourceFileName, "ver_ctrl.txt");
    EXPECT_EQ(Text(), kRow1);

    // A deleted value is not written back, and the record keeps its value.
    DeleteValue(L"MergeFileName");
    window->Timer1Timer(nullptr);
    EXPECT_EQ(ValueType(L"MergeFileName"), DWORD(REG_NONE));
    EXPECT_EQ(window->MergeFileName, "Print.dmf");

    // A value of the wrong type ends no tick.
    SetDword(L"ARCpath", 5);
    EXPECT_NO_THROW(window->Timer1Timer(nullptr));
    EXPECT_EQ(Text(), kRow1);

    // What the record holds (as the settings dialog leaves it) is scanned.
    window->ARCpath = other;
    window->Timer1Timer(nullptr);
    EXPECT_EQ(Text(), kRow4);
    window->SourceFileName = "auftrag.ini";
    window->Timer1Timer(nullptr);
    EXPECT_EQ(Text(), kRow3);
    EXPECT_TRUE(window->BtnStart->Enabled());
    EXPECT_TRUE(window->LEDgreen->Visible());
}

TEST_F(StatusCycleOlder, CheckIsTheSameAsInTheCurrentBuild)
{
    // A job: row 5 while files remain, job end one tick late, then blue.
    WriteFile(arc + "\\bild001.jpg", "x");
    window->Idle = false;
    window->JobStarted = true;
    window->SetLEDState(4);
    window->Timer1->SetEnabled(false);
    window->Timer1Timer(nullptr);
    EXPECT_EQ(Text(), kRow5);
    EXPECT_TRUE(window->LEDgray->Visible());
    EXPECT_TRUE(window->Timer1->Enabled());

    DeleteFileA((arc + "\\bild001.jpg").c_str());
    window->Timer1Timer(nullptr);
    EXPECT_EQ(Text(), kRow5);
    EXPECT_TRUE(window->LEDgray->Visible());
    EXPECT_TRUE(window->Idle);
    EXPECT_FALSE(window->JobStarted);

    window->Timer1Timer(nullptr);
    EXPECT_EQ(Text(), kRow1);
    EXPECT_TRUE(window->LEDblue->Visible());
    EXPECT_FALSE(window->LEDgray->Visible());
    EXPECT_FALSE(window->BtnStart->Enabled());

    WriteFile(arc + "\\ver_ctrl.txt", "x");
    window->Timer1Timer(nullptr);
    EXPECT_EQ(Text(), kRow3);
    EXPECT_EQ(window->SourceFilePathName, arc + "\\ver_ctrl.txt");
}
