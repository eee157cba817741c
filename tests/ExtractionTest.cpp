// Cutting the merge fields out of the job's source file (current build).
#include "monitor/Main.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

struct PauseSeen {
    DWORD milliseconds;
    std::wstring status;
};

// The pause seam records instead of sleeping, with the text shown meanwhile.
TZarviktool* watchedWindow = nullptr;
std::vector<PauseSeen> pausesSeen;
std::function<void()> atPause;

void RecordPause(DWORD milliseconds)
{
    pausesSeen.push_back({milliseconds, watchedWindow->StatusBar1->SimpleText()});
    if (atPause)
        atPause();
}

bool WesternCodePage()
{
    return GetACP() == 1252;
}

class Extraction : public ::testing::Test {
protected:
    void SetUp() override
    {
        directory = FreshDirectory("extraction");
        window = std::make_unique<TZarviktool>(nullptr);
        watchedWindow = window.get();
        pausesSeen.clear();
        atPause = nullptr;
        savedPause = TZarviktool::Pause;
        TZarviktool::Pause = RecordPause;
        window->SourceFilePathName = directory + "\\ver_ctrl.txt";
        DefaultFields();
    }

    void TearDown() override
    {
        TZarviktool::Pause = savedPause;
        atPause = nullptr;
        watchedWindow = nullptr;
        window.reset();
        RemoveTree(directory);
    }

    // Fields 1 to 4 as shipped, 5 to 10 not in use.
    void DefaultFields()
    {
        const char* const starts[] = {"PatientName = \"", "PatientID = \"", "PhotoDate = \"", "INIAGL:"};
        const char* const stops[] = {"\" ", "\" ", "\" ", "@PRJAGL"};
        for (int k = 1; k <= kMergeFields; ++k) {
            window->UseString[k] = k <= 4 ? 1 : 0;
            window->StartString[k] = k <= 4 ? starts[k - 1] : "";
            window->StoppString[k] = k <= 4 ? stops[k - 1] : "";
        }
    }

    void UseOnly(int field, const std::string& start, const std::string& stop)
    {
        for (int k = 1; k <= kMergeFields; ++k)
            window->UseString[k] = 0;
        window->UseString[field] = 1;
        window->StartString[field] = start;
        window->StoppString[field] = stop;
    }

    void Source(const std::string& bytes) { WriteFile(window->SourceFilePathName, bytes); }

    // One job on the given file; the value of one field.
    std::string Cut(const std::string& bytes, int field = 1)
    {
        Source(bytes);
        EXPECT_TRUE(window->AnalyseDataFile());
        return window->MergeValue[field];
    }

    std::array<std::string, kMergeFields + 1> Values() const
    {
        std::array<std::string, kMergeFields + 1> values;
        for (int k = 0; k <= kMergeFields; ++k)
            values[k] = window->MergeValue[k];
        return values;
    }

    std::wstring Status() const { return window->StatusBar1->SimpleText(); }

    std::string directory;
    std::unique_ptr<TZarviktool> window;
    const std::vector<PauseSeen>& pauses = pausesSeen;

private:
    void (*savedPause)(DWORD) = nullptr;
};

const char kAllFour[] = "PatientName = \"Smith\" \n"
                        "PatientID = \"0815\" \n"
                        "PhotoDate = \"20240307091505\" \n"
                        "INIAGL:Station@PRJAGL\n";

TEST_F(Extraction, WorkedExamplesOfTheDefaultFields)
{
    Source("  PatientName = \"Sample value\" \n"
           "PatientID = \"4711\" \n"
           "PhotoDate = \"20240307091505\" \n"
           "INIAGL:Station 2@PRJAGL\n");
    EXPECT_TRUE(window->AnalyseDataFile());
    EXPECT_EQ(window->MergeValue[1], "Sample value");
    EXPECT_EQ(window->MergeValue[2], "4711");
    EXPECT_EQ(window->MergeValue[3], "07.03.2024  09:15:05");
    EXPECT_EQ(window->MergeValue[4], "Station 2");
    // One pause, after the analysis text; the text stays for the writer.
    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(pauses[0].milliseconds, 2000u);
    EXPECT_EQ(pauses[0].status, L"Datendatei analysieren");
    EXPECT_EQ(Status(), L"Datendatei analysieren");
    // The search reverses the start text for itself only.
    EXPECT_EQ(window->StartString[3], "PhotoDate = \"");
}

TEST_F(Extraction, DateRuleRearrangesTheFirstFourteenBytes)
{
    UseOnly(1, "Date of birth: ", ";");
    EXPECT_EQ(Cut("Date of birth: 19991231235958;\n"), "31.12.1999  23:59:58");
    // No byte is tested, and bytes after the 14th are dropped.
    EXPECT_EQ(Cut("Date of birth: ABCDEFGHIJKLMN;\n"), "GH.EF.ABCD  IJ:KL:MN");
    EXPECT_EQ(Cut("Date of birth: 20240307091505123;\n"), "07.03.2024  09:15:05");
    // Far longer than any date: still only its first 14 bytes count.
    EXPECT_EQ(Cut("Date of birth: 20240307091505" + std::string(500, '9') + ";\n"), "07.03.2024  09:15:05");
    // Shorter values stay as cut, the empty one included.
    EXPECT_EQ(Cut("Date of birth: 2024030709150;\n"), "2024030709150");
    EXPECT_EQ(Cut("Date of birth: 19991231\n"), "");
    EXPECT_EQ(Cut("Date of birth: ;\n"), "");

    // "Date" anywhere in the start text, with its case.
    UseOnly(7, "PhotoDate-", ";");
    EXPECT_EQ(Cut("PhotoDate-20240307091505;\n", 7), "07.03.2024  09:15:05");
    UseOnly(7, "photodate-", ";");
    EXPECT_EQ(Cut("photodate-20240307091505;\n", 7), "20240307091505");
    UseOnly(7, "Datum: ", ";");
    EXPECT_EQ(Cut("Datum: 20240307091505;\n", 7), "20240307091505");
}

TEST_F(Extraction, TheLastLineThatHoldsTheStartTextDecides)
{
    EXPECT_EQ(Cut("PatientName = \"First\" \nother\nPatientName = \"Second\" \n"), "Second");
    // Also when the later line gives "".
    EXPECT_EQ(Cut("PatientName = \"First\" \nPatientName = \"no stop text\n"), "");
    EXPECT_EQ(Cut("PatientName = \"First\" \nPatientName = \"\" \n"), "");
}

TEST_F(Extraction, CutOfOneLine)
{
    // Fields 1 and 2 on one line: the stop text is searched from the line
    // start, so the field that comes second finds it ahead of its start text.
    Source("PatientName = \"Smith\" PatientID = \"0815\" \n");
    EXPECT_TRUE(window->AnalyseDataFile());
    EXPECT_EQ(window->MergeValue[1], "Smith");
    EXPECT_EQ(window->MergeValue[2], "");

    // The last start text counts: the first stop text lies ahead of it.
    EXPECT_EQ(Cut("PatientName = \"A\" PatientName = \"B\" \n"), "");
    // A value that begins with a blank: the start text's quote and that blank
    // are the first stop text.
    EXPECT_EQ(Cut("PatientName = \" Smith\" \n"), "");
    EXPECT_EQ(Cut("PatientName = \"\" \n"), "");
    // Everything between the two texts, and nothing around them.
    EXPECT_EQ(Cut("x PatientName = \"a b = c\" y\n"), "a b = c");
    // The file's last line without its line end.
    EXPECT_EQ(Cut("PatientName = \"Last\" "), "Last");
    // Case counts.
    EXPECT_EQ(Cut("patientname = \"Smith\" \n"), "");
    EXPECT_EQ(Cut("PATIENTNAME = \"Smith\" \n"), "");

    // A missing or empty stop text gives "" on every line with the start text,
    // replacing an earlier value.
    EXPECT_EQ(Cut("PatientName = \"Smith\" \nPatientName = \"Jones\"\n"), "");
    UseOnly(1, "PatientName = \"", "");
    EXPECT_EQ(Cut("PatientName = \"Smith\" \n"), "");
    // A stop text inside the start text.
    UseOnly(1, "Name=", "=");
    EXPECT_EQ(Cut("Name=Smith=\n"), "");
    // The line end belongs to the line.
    UseOnly(4, "INIAGL:", "\n");
    EXPECT_EQ(Cut("INIAGL:to the end\n", 4), "to the end");
}

TEST_F(Extraction, OnlyFieldsInUseWithAStartTextAreLookedFor)
{
    Source(kAllFour);
    window->UseString[1] = 0;
    window->UseString[2] = 2;
    window->UseString[3] = -1;
    window->StartString[4] = "";
    EXPECT_TRUE(window->AnalyseDataFile());
    for (int k = 1; k <= kMergeFields; ++k)
        EXPECT_EQ(window->MergeValue[k], "") << "field " << k;
    EXPECT_EQ(pauses.size(), 1u);

    // Fields 5 to 10 take part like the first four.
    DefaultFields();
    window->UseString[10] = 1;
    window->StartString[10] = "INIAGL:";
    window->StoppString[10] = "@";
    EXPECT_TRUE(window->AnalyseDataFile());
    EXPECT_EQ(window->MergeValue[10], "Station");
    EXPECT_EQ(window->MergeValue[4], "Station");
    EXPECT_EQ(window->MergeValue[1], "Smith");
}

TEST_F(Extraction, SourceFileAsTextModeReadsIt)
{
    const std::string lines[] = {"PatientName = \"Smith\" ", "PatientID = \"0815\" ", "PhotoDate = \"20240307091505\" ",
                                 "INIAGL:Station@PRJAGL"};
    std::string lf;
    std::string crlf;
    for (const auto& line : lines) {
        lf += line + "\n";
        crlf += line + "\r\n";
    }
    Source(lf);
    window->AnalyseDataFile();
    const auto fromLf = Values();
    EXPECT_EQ(fromLf[4], "Station");
    Source(crlf);
    window->AnalyseDataFile();
    EXPECT_EQ(Values(), fromLf);

    // Lines ending in CR alone make one line: the stop text of field 1 now
    // stands ahead of the start text of field 2.
    Source("PatientName = \"Smith\" \rPatientID = \"0815\" \rINIAGL:Station@PRJAGL\r");
    window->AnalyseDataFile();
    EXPECT_EQ(window->MergeValue[1], "Smith");
    EXPECT_EQ(window->MergeValue[2], "");
    EXPECT_EQ(window->MergeValue[4], "Station");
    // Every CR is dropped, also one inside a value or a second one before LF.
    EXPECT_EQ(Cut("PatientName = \"Sm\rith\" \r\r\n"), "Smith");
    UseOnly(4, "INIAGL:", "\n");
    EXPECT_EQ(Cut("INIAGL:Station\r\r\n", 4), "Station");

    // 0x1A ends the file, also in the middle of a line.
    DefaultFields();
    Source("PatientName = \"Smith\" \x1a\nPatientID = \"0815\" \nINIAGL:Station@PRJAGL\n");
    window->AnalyseDataFile();
    EXPECT_EQ(window->MergeValue[1], "Smith");
    EXPECT_EQ(window->MergeValue[2], "");
    EXPECT_EQ(window->MergeValue[4], "");

    // A NUL hides the rest of its line, not the next line.
    const std::string nul(1, '\0');
    Source("PatientName = \"Smith\" " + nul + "PatientID = \"0815\" \n" + "INIAGL:Sta" + nul
           + "tion@PRJAGL\nPhotoDate = \"20240307091505\" \n");
    window->AnalyseDataFile();
    EXPECT_EQ(window->MergeValue[1], "Smith");
    EXPECT_EQ(window->MergeValue[2], "");
    EXPECT_EQ(window->MergeValue[3], "07.03.2024  09:15:05");
    EXPECT_EQ(window->MergeValue[4], "");
}

TEST_F(Extraction, LongLinesAreReadInPieces)
{
    // A line of 100,000 bytes before its LF is read as a first piece of 99,998
    // bytes and a second one. Field 4 stands whole in the first piece; field 1
    // starts in it, and its stop text is in the second.
    std::string first = "INIAGL:Station@PRJAGL";
    const std::string field1 = "PatientName = \"ab";
    first += std::string(99998 - first.size() - field1.size(), 'x') + field1;
    ASSERT_EQ(first.size(), 99998u);
    // The next line's start text straddles the border of its pieces.
    std::string second(99998 - 5, 'y');
    second += "PhotoDate = \"20240307091505\" ";
    Source(first + "\" \n" + second + "\nPatientID = \"0815\" \n");

    window->AnalyseDataFile();
    EXPECT_EQ(window->MergeValue[1], "");
    EXPECT_EQ(window->MergeValue[2], "0815");
    EXPECT_EQ(window->MergeValue[3], "");
    EXPECT_EQ(window->MergeValue[4], "Station");

    // A second piece is tested as a line of its own.
    UseOnly(4, "INIAGL:", "@PRJAGL");
    EXPECT_EQ(Cut(std::string(99998, 'z') + "INIAGL:Piece two@PRJAGL\n", 4), "Piece two");

    // The pieces are counted once every CR is gone: a CR that took room would
    // push the stop text into the next piece. Without its CR this line is
    // 99,999 bytes, its first piece ends with the stop text.
    EXPECT_EQ(Cut("\r" + std::string(99983, '.') + "INIAGL:v@PRJAGL\n", 4), "v");
    // Lines ending in CR alone are one line; with its 9,999 CRs counted, the
    // border of the first piece would fall inside the field.
    std::string crOnly;
    for (int i = 0; i < 12000; ++i)
        crOnly += i == 9999 ? "INIAGL:v@PRJAGL\r" : ".........\r";
    EXPECT_EQ(Cut(crOnly, 4), "v");
}

TEST_F(Extraction, NothingOfAnEarlierJobRemains)
{
    Source(kAllFour);
    window->AnalyseDataFile();
    EXPECT_EQ(window->MergeValue[1], "Smith");

    // The next job's file holds field 2 alone.
    Source("PatientID = \"0816\" \n");
    window->AnalyseDataFile();
    EXPECT_EQ(window->MergeValue[1], "");
    EXPECT_EQ(window->MergeValue[2], "0816");
    EXPECT_EQ(window->MergeValue[3], "");
    EXPECT_EQ(window->MergeValue[4], "");

    // An empty file, or no field in use: the same text and pause, no value.
    Source(kAllFour);
    window->AnalyseDataFile();
    Source("");
    pausesSeen.clear();
    EXPECT_TRUE(window->AnalyseDataFile());
    EXPECT_EQ(Values(), decltype(Values()){});
    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(pauses[0].status, L"Datendatei analysieren");
    Source(kAllFour);
    window->AnalyseDataFile();
    for (int k = 1; k <= kMergeFields; ++k)
        window->UseString[k] = 0;
    pausesSeen.clear();
    EXPECT_TRUE(window->AnalyseDataFile());
    EXPECT_EQ(Values(), decltype(Values()){});
    EXPECT_EQ(pauses.size(), 1u);
}

TEST_F(Extraction, SourceFileThatDoesNotOpen)
{
    Source(kAllFour);
    window->AnalyseDataFile();
    EXPECT_EQ(window->MergeValue[4], "Station");
    pausesSeen.clear();

    window->SourceFilePathName = directory + "\\missing.txt";
    EXPECT_FALSE(window->AnalyseDataFile());
    EXPECT_EQ(Values(), decltype(Values()){});
    EXPECT_TRUE(pauses.empty());
    if (WesternCodePage()) {
        EXPECT_EQ(Status(), L"Kann Datendatei nicht \u00f6ffnen");
    }

    // A directory does not open as a file either.
    window->SourceFilePathName = directory;
    EXPECT_FALSE(window->AnalyseDataFile());
    EXPECT_TRUE(pauses.empty());
}

TEST_F(Extraction, SourceFileLostDuringThePauseFailsTheJob)
{
    // Removed, or held open without sharing, while the window pauses: every
    // field stays "", and the job keeps the failure as it does a failed
    // opening test.
    const std::string kCannotOpen = "Kann Datendatei nicht \xf6" "ffnen";
    HANDLE lock = INVALID_HANDLE_VALUE;
    const std::function<void()> losses[] = {
        [this] { ASSERT_TRUE(DeleteFileA(window->SourceFilePathName.c_str())); },
        [this, &lock] {
            lock = CreateFileA(window->SourceFilePathName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                               nullptr);
            ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        },
    };
    for (const auto& loss : losses) {
        atPause = nullptr;
        Source(kAllFour);
        window->AnalyseDataFile();
        window->JobFailure.clear();
        atPause = loss;
        EXPECT_TRUE(window->AnalyseDataFile());
        EXPECT_EQ(Values(), decltype(Values()){});
        EXPECT_EQ(window->JobFailure, kCannotOpen);
        EXPECT_EQ(Status(), L"Kann Datendatei nicht \u00f6ffnen");
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);
        lock = INVALID_HANDLE_VALUE;
    }
}

TEST_F(Extraction, DoubleByteCodePageCutsByBytes)
{
    // Run by its own test entry with a Japanese locale, which Wine turns into
    // code page 932.
    char locale[64] = "";
    GetEnvironmentVariableA("LC_ALL", locale, sizeof(locale));
    if (std::string(locale).rfind("ja_JP", 0) != 0)
        GTEST_SKIP() << "needs LC_ALL=ja_JP.UTF-8";
    ASSERT_EQ(GetACP(), 932u);
    // Two double-byte characters ahead of the value and one in it: the value is
    // the bytes between the texts.
    const std::string nihon = "\x93\xfa\x96\x7b";
    UseOnly(5, "Name=", ";");
    EXPECT_EQ(Cut(nihon + " Name=\x93\xfa" "A;\n", 5), "\x93\xfa" "A");
    // The trail byte of the ideographic space is "@": a start text "@" found
    // there would not begin on a character boundary, so the line does not hold it.
    UseOnly(5, "@", ";");
    EXPECT_EQ(Cut("\x81\x40x;\n", 5), "");
    EXPECT_EQ(Cut("\x81\x40@x;\n", 5), "x");
    // The last start text is found through the reversal that keeps double-byte
    // characters whole.
    UseOnly(5, "\x96\x7b:", ";");
    EXPECT_EQ(Cut(nihon + ":a; " + nihon + ":b;\n", 5), "");
    EXPECT_EQ(Cut("x " + nihon + ":b;\n", 5), "b");
}

} // namespace
