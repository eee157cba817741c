// Field extraction in the older build: its own status text and no date rule.
#include "monitor/Main.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

TZarviktool* watchedWindow = nullptr;
std::vector<std::wstring> statusAtPause;

void RecordPause(DWORD milliseconds)
{
    EXPECT_EQ(milliseconds, 2000u);
    statusAtPause.push_back(watchedWindow->StatusBar1->SimpleText());
}

class OlderExtraction : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kOlderBuild);
        directory = FreshDirectory("extraction-older");
        window = std::make_unique<TZarviktool>(nullptr);
        watchedWindow = window.get();
        statusAtPause.clear();
        savedPause = TZarviktool::Pause;
        TZarviktool::Pause = RecordPause;
        window->SourceFilePathName = directory + "\\ver_ctrl.txt";
        const char* const starts[] = {"PatientName = \"", "PatientID = \"", "PhotoDate = \"", "INIAGL:"};
        const char* const stops[] = {"\" ", "\" ", "\" ", "@PRJAGL"};
        for (int k = 1; k <= kMergeFields; ++k) {
            window->UseString[k] = k <= 4 ? 1 : 0;
            window->StartString[k] = k <= 4 ? starts[k - 1] : "";
            window->StoppString[k] = k <= 4 ? stops[k - 1] : "";
        }
    }

    void TearDown() override
    {
        TZarviktool::Pause = savedPause;
        watchedWindow = nullptr;
        window.reset();
        RemoveTree(directory);
    }

    std::string directory;
    std::unique_ptr<TZarviktool> window;

private:
    void (*savedPause)(DWORD) = nullptr;
};

TEST_F(OlderExtraction, ValuesStayAsCutAndTheTextIsDruckdateiErzeugen)
{
    // A start text with "Date" in it, and a value longer than a date.
    window->UseString[6] = 1;
    window->StartString[6] = "Date of birth: ";
    window->StoppString[6] = ";";
    WriteFile(window->SourceFilePathName, "  PatientName = \"Sample value\" \r\n"
                                          "PatientID = \"4711\" \r\n"
                                          "PhotoDate = \"20240307091505\" \r\n"
                                          "Date of birth: 19991231235958123;\r\n"
                                          "INIAGL:Station 2@PRJAGL\r\n");
    EXPECT_TRUE(window->AnalyseDataFile());
    EXPECT_EQ(window->MergeValue[1], "Sample value");
    EXPECT_EQ(window->MergeValue[2], "4711");
    EXPECT_EQ(window->MergeValue[3], "20240307091505");
    EXPECT_EQ(window->MergeValue[4], "Station 2");
    EXPECT_EQ(window->MergeValue[6], "19991231235958123");
    ASSERT_EQ(statusAtPause.size(), 1u);
    EXPECT_EQ(statusAtPause[0], L"Druckdatei erzeugen");
    EXPECT_EQ(window->StatusBar1->SimpleText(), L"Druckdatei erzeugen");
}

TEST_F(OlderExtraction, SourceFileThatDoesNotOpen)
{
    WriteFile(window->SourceFilePathName, "PatientName = \"Smith\" \n");
    window->AnalyseDataFile();
    EXPECT_EQ(window->MergeValue[1], "Smith");
    statusAtPause.clear();

    window->SourceFilePathName = directory + "\\missing.txt";
    EXPECT_FALSE(window->AnalyseDataFile());
    EXPECT_EQ(window->MergeValue[1], "");
    EXPECT_TRUE(statusAtPause.empty());
    if (GetACP() == 1252) {
        EXPECT_EQ(window->StatusBar1->SimpleText(), L"Kann Datendatei nicht \u00f6ffnen");
    }
}

} // namespace
