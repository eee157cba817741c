// The merge file byte for byte, the writer's texts and pauses, and its
// failures: a directory that is missing and a disk that is full.
#include "monitor/Main.h"
#include "support/TestSupport.h"

#include "classlib/AnsiText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace testing_support;

namespace {

using Pauses = std::vector<std::pair<DWORD, std::string>>;

TZarviktool* g_window = nullptr;
Pauses g_pauses;

// Records each pause with the status text shown during it, and does not sleep.
void RecordPause(DWORD milliseconds)
{
    g_pauses.emplace_back(milliseconds, WideToAnsi(g_window->StatusBar1->SimpleText()));
}

const Pauses kBothPauses{{2000, " Merge Datei erzeugen"}, {2000, "Merge Datei kopieren"}};

// Made by tests/fixtures/full_disk.sh: the merge file there is a link to
// /dev/full, so every write into it fails.
const std::string kFullDiskDirectory = "c:\\mervane-test\\merge-full";

class MergeFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        directory_ = FreshDirectory("merge");
        window_ = std::make_unique<TZarviktool>(nullptr);
        g_window = window_.get();
        g_pauses.clear();
        savedPause_ = TZarviktool::Pause;
        TZarviktool::Pause = RecordPause;
        w().MergeFilePath = directory_;
        w().MergeFileName = "Print.dmf";
        w().MergeFileSeperator = ";";
        for (int i = 1; i <= kMergeFields; ++i) {
            w().UseString[i] = 0;
            w().MergeValue[i] = std::string(1, static_cast<char>('A' + i - 1));
        }
    }

    void TearDown() override
    {
        TZarviktool::Pause = savedPause_;
        g_window = nullptr;
        window_.reset();
    }

    TZarviktool& w() { return *window_; }
    std::string Status() const { return WideToAnsi(window_->StatusBar1->SimpleText()); }
    std::string MergeFilePath() const { return directory_ + "\\Print.dmf"; }
    // Uses exactly the given fields and writes the merge file; its bytes.
    std::string WriteWithFields(std::initializer_list<int> fields)
    {
        for (int i = 1; i <= kMergeFields; ++i)
            w().UseString[i] = 0;
        for (int field : fields)
            w().UseString[field] = 1;
        g_pauses.clear();
        EXPECT_TRUE(w().WriteMergeFile());
        EXPECT_EQ(g_pauses, kBothPauses);
        EXPECT_EQ(Status(), "Merge Datei kopieren");
        return ReadFile(MergeFilePath());
    }

    std::string directory_;
    std::unique_ptr<TZarviktool> window_;
    void (*savedPause_)(DWORD) = nullptr;
};

TEST_F(MergeFile, DefaultsGiveTheFourValuesEachWithItsSeparatorAndNoLineEnd)
{
    // The window as the registry's defaults leave it: fields 1 to 4, ";",
    // c:\ARC\Print.dmf.
    DeleteSettingsKey();
    window_.reset();
    window_ = std::make_unique<TZarviktool>(nullptr);
    g_window = window_.get();
    CreateDirectoryA("c:\\ARC", nullptr);
    DeleteFileA("c:\\ARC\\Print.dmf");
    w().MergeValue[1] = "Erika Muster";
    w().MergeValue[2] = "4711";
    w().MergeValue[3] = "07.03.2024  09:15:05";
    w().MergeValue[4] = "Tray 2";
    w().MergeValue[5] = "not used";

    EXPECT_TRUE(w().WriteMergeFile());

    EXPECT_EQ(w().MergeFilePathName, "c:\\ARC\\Print.dmf");
    EXPECT_EQ(ReadFile("c:\\ARC\\Print.dmf"), "Erika Muster;4711;07.03.2024  09:15:05;Tray 2;");
    EXPECT_EQ(g_pauses, kBothPauses);
    EXPECT_EQ(Status(), "Merge Datei kopieren");
    DeleteFileA("c:\\ARC\\Print.dmf");
}

TEST_F(MergeFile, OnlyFieldsWhoseUseIsExactlyOneTakePartInFieldOrder)
{
    EXPECT_EQ(WriteWithFields({5, 2}), "B;E;");
    EXPECT_EQ(WriteWithFields({1, 10}), "A;J;");

    // 2 and -1 read as ticked in the dialog, but only 1 means used.
    w().UseString[10] = 0;
    w().UseString[1] = 2;
    w().UseString[2] = 1;
    w().UseString[3] = -1;
    w().UseString[4] = 1;
    g_pauses.clear();
    EXPECT_TRUE(w().WriteMergeFile());
    EXPECT_EQ(ReadFile(MergeFilePath()), "B;D;");
}

TEST_F(MergeFile, ValuesAndSeparatorsAreWrittenWholeAndUnmarked)
{
    w().MergeValue[1] = "";
    EXPECT_EQ(WriteWithFields({1, 2}), ";B;") << "an empty value leaves its separator alone";
    w().MergeValue[1] = "A";
    w().MergeValue[2] = "";
    EXPECT_EQ(WriteWithFields({1, 2, 3}), "A;;C;");
    w().MergeValue[2] = "B";

    w().MergeFileSeperator = "";
    EXPECT_EQ(WriteWithFields({1, 2, 3}), "ABC");

    w().MergeFileSeperator = "<|>";
    EXPECT_EQ(WriteWithFields({1, 2}), "A<|>B<|>");

    // A value holding the separator is not quoted or escaped.
    w().MergeFileSeperator = ";";
    w().MergeValue[1] = "a;b";
    w().MergeValue[2] = "M\xfc" "ller \xa7 \xf6";
    EXPECT_EQ(WriteWithFields({1, 2}), "a;b;M\xfc" "ller \xa7 \xf6;");
}

TEST_F(MergeFile, TextModeTurnsEveryLineFeedIntoCarriageReturnLineFeed)
{
    w().MergeFileSeperator = "\n";
    EXPECT_EQ(WriteWithFields({1, 2}), "A\r\nB\r\n");

    // CR and 0x1A pass unchanged; a CR before an LF stays in front of the CR LF.
    w().MergeFileSeperator = "|";
    w().MergeValue[1] = "x\ry\x1az\r\nend";
    EXPECT_EQ(WriteWithFields({1}), "x\ry\x1az\r\r\nend|");
}

TEST_F(MergeFile, NoFieldUsedGivesAnEmptyFileAfterBothPauses)
{
    EXPECT_EQ(WriteWithFields({}), "");
    EXPECT_TRUE(FileExists(MergeFilePath())) << "the empty file is created";

    WriteFile(MergeFilePath(), "old content of an earlier job;");
    EXPECT_EQ(WriteWithFields({}), "") << "an existing file is emptied";
}

TEST_F(MergeFile, LongValuesReachTheFileWhole)
{
    std::string value600;
    for (int i = 0; i < 600; ++i)
        value600 += static_cast<char>('a' + i % 26);
    w().MergeValue[1] = value600;
    w().MergeValue[2] = std::string(70000, 'z');
    w().MergeFileSeperator = std::string(40, '#');

    EXPECT_EQ(WriteWithFields({1}), value600 + std::string(40, '#'));
    EXPECT_EQ(WriteWithFields({1, 2, 3}),
              value600 + std::string(40, '#') + std::string(70000, 'z') + std::string(40, '#') + "C"
                  + std::string(40, '#'));
}

TEST_F(MergeFile, AnEarlierLongerFileIsReplacedWhole)
{
    WriteFile(MergeFilePath(), std::string(5000, 'o') + "\r\n");
    EXPECT_EQ(WriteWithFields({1, 2}), "A;B;");
}

TEST_F(MergeFile, PathIsJoinedWithOneBackslashWithoutTests)
{
    w().MergeFilePath = directory_ + "\\";
    EXPECT_EQ(WriteWithFields({1}), "A;");
    EXPECT_EQ(w().MergeFilePathName, directory_ + "\\\\Print.dmf");

    w().MergeFilePath = directory_;
    w().MergeFileName = "Job 7.merge.txt";
    w().UseString[1] = 1;
    EXPECT_TRUE(w().WriteMergeFile());
    EXPECT_EQ(w().MergeFilePathName, directory_ + "\\Job 7.merge.txt");
    EXPECT_EQ(ReadFile(directory_ + "\\Job 7.merge.txt"), "A;");
}

TEST_F(MergeFile, AFileThatCannotBeOpenedIsReportedAfterTheFirstPauseOnly)
{
    w().UseString[1] = 1;
    w().MergeFilePath = directory_ + "\\missing";
    EXPECT_FALSE(w().WriteMergeFile());
    EXPECT_EQ(Status(), "Kann Merge Datei nicht schreiben");
    EXPECT_EQ(g_pauses, (Pauses{{2000, " Merge Datei erzeugen"}}));
    EXPECT_EQ(w().MergeFilePathName, directory_ + "\\missing\\Print.dmf");

    // A merge file name that names a directory.
    CreateDirectoryA((directory_ + "\\Print.dmf").c_str(), nullptr);
    w().MergeFilePath = directory_;
    g_pauses.clear();
    EXPECT_FALSE(w().WriteMergeFile());
    EXPECT_EQ(Status(), "Kann Merge Datei nicht schreiben");
    EXPECT_EQ(g_pauses.size(), 1u);
}

TEST_F(MergeFile, AWriteThatFailsOnAFullDiskIsReported)
{
    // (The link itself reads as no file here: Windows sees a device.)
    ASSERT_TRUE(FileExists(kFullDiskDirectory))
        << "run through ctest: the fixture tests/fixtures/full_disk.sh links the file to /dev/full";
    w().MergeFilePath = kFullDiskDirectory;
    w().UseString[1] = 1;
    w().UseString[2] = 1;

    EXPECT_FALSE(w().WriteMergeFile());

    EXPECT_EQ(Status(), "Kann Merge Datei nicht schreiben");
    EXPECT_EQ(g_pauses, kBothPauses) << "the file opened, so both pauses came before the write";

    // Nothing to write is no failure, even there.
    w().UseString[1] = 0;
    w().UseString[2] = 0;
    g_pauses.clear();
    EXPECT_TRUE(w().WriteMergeFile());
    EXPECT_EQ(Status(), "Merge Datei kopieren");
}

} // namespace
