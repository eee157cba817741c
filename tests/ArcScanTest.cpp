// The ARC tree scan on real directory trees on Wine's C: drive.
#include "monitor/Main.h"
#include "support/TestSupport.h"

#include <psapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// Creates every missing directory of a path below c:\.
void MakeDirectories(const std::string& path)
{
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

void PutFile(const std::string& path)
{
    MakeDirectories(path.substr(0, path.find_last_of('\\')));
    WriteFile(path, "x");
    ASSERT_TRUE(FileExists(path)) << path;
}

// The names of a directory in the order the platform lists them.
std::vector<std::string> Listing(const std::string& directory)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((directory + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

// Whether `later` comes after `earlier` in the directory's listing.
bool ListedAfter(const std::string& directory, const std::string& later, const std::string& earlier)
{
    const std::vector<std::string> names = Listing(directory);
    int laterAt = -1;
    int earlierAt = -1;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        if (names[i] == later)
            laterAt = i;
        if (names[i] == earlier)
            earlierAt = i;
    }
    EXPECT_GE(laterAt, 0) << later;
    EXPECT_GE(earlierAt, 0) << earlier;
    return laterAt > earlierAt;
}

std::string Slashed(std::string path)
{
    for (char& c : path)
        c = c == '\\' ? '/' : c;
    return path;
}

// A file system that keeps no short names, as NTFS with their creation
// switched off: the entries the scan lists come without them.
class NoShortNames {
public:
    NoShortNames()
    {
        first_ = reinterpret_cast<First>(ReplaceImport("FindFirstFileW", reinterpret_cast<void*>(&FindFirst)));
        next_ = reinterpret_cast<Next>(ReplaceImport("FindNextFileW", reinterpret_cast<void*>(&FindNext)));
    }
    ~NoShortNames()
    {
        ReplaceImport("FindFirstFileW", reinterpret_cast<void*>(first_));
        ReplaceImport("FindNextFileW", reinterpret_cast<void*>(next_));
    }
    NoShortNames(const NoShortNames&) = delete;
    NoShortNames& operator=(const NoShortNames&) = delete;
    bool Hooked() const { return first_ != nullptr && next_ != nullptr; }

private:
    using First = HANDLE(WINAPI*)(LPCWSTR, LPWIN32_FIND_DATAW);
    using Next = BOOL(WINAPI*)(HANDLE, LPWIN32_FIND_DATAW);

    static HANDLE WINAPI FindFirst(LPCWSTR pattern, LPWIN32_FIND_DATAW entry)
    {
        const HANDLE find = first_(pattern, entry);
        entry->cAlternateFileName[0] = L'\0';
        return find;
    }
    static BOOL WINAPI FindNext(HANDLE find, LPWIN32_FIND_DATAW entry)
    {
        const BOOL found = next_(find, entry);
        entry->cAlternateFileName[0] = L'\0';
        return found;
    }

    static inline First first_ = nullptr;
    static inline Next next_ = nullptr;
};

std::string Repeat(char c, std::size_t count)
{
    return std::string(count, c);
}

struct ScanResult {
    bool returned;
    std::int32_t data;
    bool source;
    std::string path;
};

class ArcScan : public ::testing::Test {
protected:
    // Scans with the given settings; the flags are set beforehand to what a
    // scan never leaves, so that a flag the scan failed to reset shows.
    ScanResult Scan(const std::string& arcPath, const std::string& sourceName = "ver_ctrl.txt")
    {
        window->ARCpath = arcPath;
        window->SourceFileName = sourceName;
        window->DataInARC = 7;
        window->SourceInARC = true;
        window->SourceFilePathName = "stale";
        const bool returned = window->ScanARC();
        return {returned, window->DataInARC, window->SourceInARC, window->SourceFilePathName};
    }

    // A walk that does not end fails the test at once instead of hanging it.
    ScanResult ScanWithin(const std::string& arcPath, const std::string& sourceName = "ver_ctrl.txt")
    {
        auto pending = std::async(std::launch::async, [&] { return Scan(arcPath, sourceName); });
        if (pending.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
            ADD_FAILURE() << "the scan of " << arcPath << " did not end";
            std::fflush(stdout);
            std::_Exit(1);
        }
        return pending.get();
    }

    void ExpectEmpty(const ScanResult& result, const std::string& arcPath)
    {
        EXPECT_FALSE(result.returned) << arcPath;
        EXPECT_EQ(result.data, 0) << arcPath;
        EXPECT_FALSE(result.source) << arcPath;
        EXPECT_EQ(result.path, arcPath + "\\");
    }

    void ExpectDataOnly(const ScanResult& result, const std::string& arcPath)
    {
        EXPECT_FALSE(result.returned) << arcPath;
        EXPECT_EQ(result.data, 1) << arcPath;
        EXPECT_FALSE(result.source) << arcPath;
        EXPECT_EQ(result.path, arcPath + "\\");
    }

    void ExpectSource(const ScanResult& result, const std::string& path)
    {
        EXPECT_TRUE(result.returned) << path;
        EXPECT_EQ(result.data, 1) << path;
        EXPECT_TRUE(result.source) << path;
        EXPECT_EQ(result.path, path);
    }

    std::unique_ptr<TZarviktool> window = std::make_unique<TZarviktool>(nullptr);
};

} // namespace

TEST_F(ArcScan, TopThatCannotBeListedCountsAsEmpty)
{
    const std::string top = FreshDirectory("scan-unlisted");
    ExpectEmpty(Scan(top + "\\missing"), top + "\\missing");
    ExpectEmpty(Scan(top + "\\missing\\deeper"), top + "\\missing\\deeper");
    PutFile(top + "\\plain.txt");
    ExpectEmpty(Scan(top + "\\plain.txt"), top + "\\plain.txt");
    ExpectEmpty(Scan(top + "\\bad|name"), top + "\\bad|name");
    ExpectEmpty(Scan("q:\\no-such-drive"), "q:\\no-such-drive");
}

TEST_F(ArcScan, TreeOfDirectoriesAloneIsEmpty)
{
    const std::string top = FreshDirectory("scan-dirs");
    MakeDirectories(top + "\\1\\2\\3\\4\\5\\6\\7");
    MakeDirectories(top + "\\1\\2b\\3b");
    MakeDirectories(top + "\\empty");
    // Directories are walked, not matched, whatever their names.
    MakeDirectories(top + "\\ver_ctrl.txt\\inner");
    MakeDirectories(top + "\\job_ver_ctrl.txt_old");
    ExpectEmpty(Scan(top), top);
    ExpectEmpty(Scan(top, ""), top);

    // Every level's find handle is closed again. Wine releases the directory
    // handle at the end of the listing by itself, but not the find handle's
    // own memory, so a forgotten FindClose shows as memory that grows.
    const auto privateBytes = [] {
        PROCESS_MEMORY_COUNTERS counters{};
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
        return counters.PagefileUsage; // the commit charge; Wine leaves PrivateUsage 0
    };
    Scan(top);
    const SIZE_T before = privateBytes();
    for (int i = 0; i < 300; ++i)
        Scan(top);
    EXPECT_LT(privateBytes() - before, SIZE_T(1) << 20) << before;
}

TEST_F(ArcScan, AnyFileAtAnyDepthIsData)
{
    const std::string top = FreshDirectory("scan-depth");

    const std::string deep = top + "\\deep";
    MakeDirectories(deep + "\\1\\empty");
    PutFile(deep + "\\1\\2\\3\\4\\5\\job.dat");
    ExpectDataOnly(Scan(deep), deep);

    const std::string hidden = top + "\\hidden";
    PutFile(hidden + "\\a\\b\\job.dat");
    ASSERT_TRUE(SetFileAttributesA((hidden + "\\a\\b\\job.dat").c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ExpectDataOnly(Scan(hidden), hidden);

    // A dot file comes back hidden under Wine.
    const std::string dot = top + "\\dot";
    PutFile(dot + "\\.lock");
    ExpectDataOnly(Scan(dot), dot);

    // Hidden directories are walked like any other.
    const std::string hiddenDirectory = top + "\\hidden-directory";
    PutFile(hiddenDirectory + "\\secret\\ver_ctrl.txt");
    ASSERT_TRUE(SetFileAttributesA((hiddenDirectory + "\\secret").c_str(),
                                   FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    ExpectSource(Scan(hiddenDirectory), hiddenDirectory + "\\secret\\ver_ctrl.txt");
}

TEST_F(ArcScan, SourceFileIsFoundByNameAndNamedBySetting)
{
    const std::string top = FreshDirectory("scan-names");

    const std::string exact = top + "\\exact";
    PutFile(exact + "\\ver_ctrl.txt");
    PutFile(exact + "\\other.dat");
    ExpectSource(Scan(exact), exact + "\\ver_ctrl.txt");

    // Text before and after the configured name: the path names the
    // configured name in that directory, not the file found.
    const std::string inside = top + "\\inside";
    PutFile(inside + "\\job\\2024_ver_ctrl.txt.bak");
    ExpectSource(Scan(inside), inside + "\\job\\ver_ctrl.txt");

    // Letter case counts: no match, but data.
    const std::string cased = top + "\\cased";
    PutFile(cased + "\\VER_CTRL.TXT");
    PutFile(cased + "\\sub\\Ver_Ctrl.txt");
    ExpectDataOnly(Scan(cased), cased);

    // Entry names hold no separator, so such a setting never matches.
    const std::string separated = top + "\\separated";
    PutFile(separated + "\\job\\ver_ctrl.txt");
    ExpectDataOnly(Scan(separated, "job\\ver_ctrl.txt"), separated);

    // Another configured name is looked for, the default no more.
    ExpectDataOnly(Scan(exact, "auftrag.ini"), exact);
    PutFile(exact + "\\deep\\er\\AUFTRAG.ini.auftrag.ini");
    ExpectSource(Scan(exact, "auftrag.ini"), exact + "\\deep\\er\\auftrag.ini");
}

TEST_F(ArcScan, LastMatchInWalkOrderWins)
{
    const std::string top = FreshDirectory("scan-order");

    // Two trees that differ only in where the subdirectory sorts against the
    // file: whichever the platform lists later is walked later and wins, even
    // when it lies less deep.
    for (const std::string sub : {"a_sub", "z_sub"}) {
        const std::string tree = top + "\\" + sub + "-tree";
        PutFile(tree + "\\ver_ctrl.txt");
        PutFile(tree + "\\" + sub + "\\x_ver_ctrl.txt");
        const bool subLater = ListedAfter(tree, sub, "ver_ctrl.txt");
        ExpectSource(Scan(tree), subLater ? tree + "\\" + sub + "\\ver_ctrl.txt" : tree + "\\ver_ctrl.txt");
    }

    // A subdirectory's whole subtree is walked where the subdirectory is met:
    // a match deep inside "m" comes before a match in "n" listed after it.
    const std::string nested = top + "\\nested";
    PutFile(nested + "\\m\\1\\2\\ver_ctrl.txt");
    PutFile(nested + "\\n\\ver_ctrl.txt");
    const bool nLater = ListedAfter(nested, "n", "m");
    ExpectSource(Scan(nested), nLater ? nested + "\\n\\ver_ctrl.txt" : nested + "\\m\\1\\2\\ver_ctrl.txt");
}

TEST_F(ArcScan, EmptySourceFileNameMatchesEveryFile)
{
    const std::string top = FreshDirectory("scan-empty-name");
    MakeDirectories(top + "\\dirs\\only");
    ExpectEmpty(Scan(top, ""), top);

    // The path becomes the directory of the last file met, separator included.
    PutFile(top + "\\dirs\\only\\job.dat");
    ExpectSource(Scan(top, ""), top + "\\dirs\\only\\");
}

TEST_F(ArcScan, ArcPathEndingInSeparatorIsTakenAsItIs)
{
    const std::string top = FreshDirectory("scan-trailing");
    ExpectEmpty(Scan(top + "\\"), top + "\\");
    EXPECT_EQ(window->SourceFilePathName, top + "\\\\");

    PutFile(top + "\\ver_ctrl.txt");
    ExpectSource(Scan(top + "\\"), top + "\\\\ver_ctrl.txt");
    PutFile(top + "\\sub\\ver_ctrl.txt.1");
    const bool subLater = ListedAfter(top, "sub", "ver_ctrl.txt");
    ExpectSource(Scan(top + "\\"), subLater ? top + "\\\\sub\\ver_ctrl.txt" : top + "\\\\ver_ctrl.txt");
}

TEST_F(ArcScan, FoldersOfAnyDepthAreWalked)
{
    const std::string top = FreshDirectory("scan-long");
    const std::string prefix = top + "\\";

    // A file only at the bottom of many short folders, past MAX_PATH.
    std::string nested = prefix + "x";
    while (nested.size() < 270)
        nested += "\\d";
    PutLongFile(nested + "\\job.dat");
    ExpectDataOnly(Scan(top), top);

    // Long names below a path past MAX_PATH; the source file there is named
    // by its 8-bit path as built, whatever its length.
    const std::string deep = prefix + Repeat('b', 250) + "\\" + Repeat('c', 200) + "\\" + Repeat('d', 200);
    PutLongFile(deep + "\\job_ver_ctrl.txt");
    ExpectSource(Scan(top), deep + "\\ver_ctrl.txt");
    ExpectSource(Scan(deep), deep + "\\ver_ctrl.txt");

    // An ARC path no file system takes: an empty tree, no overflow.
    const std::string huge = prefix + Repeat('e', 5000);
    ExpectEmpty(Scan(huge), huge);

    RemoveTree(top);
}

TEST_F(ArcScan, EveryFormOfTheArcPathNamesTheDirectoryThePlatformNamesByIt)
{
    // The test's tree holds the only forms.id; the share \\station\arc, made
    // by tests/fixtures/arc_scan_links.sh, holds job\ver_ctrl.txt.
    const std::string top = FreshDirectory("scan-forms");
    PutFile(top + "\\job\\forms.id");
    ASSERT_NE(GetFileAttributesA("\\\\station\\arc\\job"), INVALID_FILE_ATTRIBUTES)
        << "fixture arc_scan_links has not run";
    enum Names { Tree, Share, Nothing };
    const std::string slashed = Slashed(top);
    const std::string rooted = top.substr(2); // on the working directory's drive
    const struct {
        std::string arcPath;
        Names names;
    } forms[] = {
        {top, Tree},
        {slashed, Tree},
        {top + "\\job\\..", Tree},
        {".", Tree},
        {"..\\scan-forms", Tree},
        {rooted, Tree},
        {Slashed(rooted), Tree},
        {"\\\\?\\" + top, Tree},
        {"//?/" + slashed, Tree},
        {"\\\\?/" + slashed, Tree},
        {"\\\\.\\" + top, Tree},
        {"//./" + slashed, Tree},
        {"\\??\\" + top, Tree},
        {"\\\\station\\arc", Share},
        {"//station/arc", Share},
        {"\\\\?\\UNC\\station\\arc", Share},
        // No server and share behind the "\\".
        {"\\", Nothing},
        {"/", Nothing},
        // Below \\?\ nothing is parsed: "/" is no separator there.
        {"\\\\?\\" + slashed, Nothing},
    };
    char current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(top.c_str()));
    for (const auto& [arcPath, names] : forms) {
        SCOPED_TRACE(arcPath);
        const ScanResult result = Scan(arcPath, "forms.id");
        if (names == Tree) {
            // The source path keeps the ARC path as it is written.
            ExpectSource(result, arcPath + "\\job\\forms.id");
        } else if (names == Share) {
            ExpectDataOnly(result, arcPath);
            ExpectSource(Scan(arcPath), arcPath + "\\job\\ver_ctrl.txt");
        } else {
            ExpectEmpty(result, arcPath);
        }
    }
    SetCurrentDirectoryA(current);
}

// The trees of this test are made by tests/fixtures/arc_scan_links.sh.
TEST_F(ArcScan, DirectoryLinksAreNotFollowed)
{
    const std::string links = "c:\\mervane-test\\links";
    const std::string arc = links + "\\arc";
    const DWORD up = GetFileAttributesA((arc + "\\a\\b\\up").c_str());
    const DWORD back = GetFileAttributesA((arc + "\\a\\back").c_str());
    ASSERT_NE(up, INVALID_FILE_ATTRIBUTES) << "fixture arc_scan_links has not run";
    ASSERT_NE(back, INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(up & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
              DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    // Through the link the platform lists the ancestor's entries again.
    ASSERT_TRUE(FileExists(arc + "\\a\\b\\up\\outside\\ver_ctrl.txt"));
    ASSERT_TRUE(FileExists(arc + "\\a\\back\\a\\b\\data.txt"));

    // The walk ends, meets data.txt once and never reaches the source file
    // that only the link up to links\ would lead to.
    ExpectDataOnly(ScanWithin(arc), arc);
    ExpectSource(ScanWithin(arc, ""), arc + "\\a\\b\\");
    ExpectDataOnly(ScanWithin(arc + "\\a"), arc + "\\a");
    // The links lie below the top; a top reached through a link is listed.
    ExpectSource(ScanWithin(arc + "\\a\\b\\up"), arc + "\\a\\b\\up\\outside\\ver_ctrl.txt");

    // Only links are left out: reparse points that name another place, and
    // those the platform gives no tag (Wine's links above). Others hold files.
    const auto leftOut = [](DWORD attributes, DWORD tag) {
        WIN32_FIND_DATAW entry{};
        entry.dwFileAttributes = attributes;
        entry.dwReserved0 = tag;
        return TZarviktool::IsDirectoryLink(entry);
    };
    const DWORD reparse = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    EXPECT_TRUE(leftOut(reparse, IO_REPARSE_TAG_MOUNT_POINT));
    EXPECT_TRUE(leftOut(reparse, IO_REPARSE_TAG_SYMLINK));
    EXPECT_TRUE(leftOut(reparse, 0));
    EXPECT_FALSE(leftOut(reparse, IO_REPARSE_TAG_CLOUD));
    EXPECT_FALSE(leftOut(reparse, IO_REPARSE_TAG_DEDUP));
    EXPECT_FALSE(leftOut(FILE_ATTRIBUTE_DIRECTORY, 0));
    // Without the attribute the field holds no tag.
    EXPECT_FALSE(leftOut(FILE_ATTRIBUTE_DIRECTORY, IO_REPARSE_TAG_SYMLINK));
}

// These trees too are made by tests/fixtures/arc_scan_links.sh.
TEST_F(ArcScan, DirectoriesNamedOutsideTheCodePageAreWalked)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the names are chosen for code page 1252";
    const std::string names = "c:\\mervane-test\\names";
    ASSERT_NE(GetFileAttributesW(L"c:\\mervane-test\\names\\source\\\u0141ukasz\\\u65e5\u672c"),
              INVALID_FILE_ATTRIBUTES)
        << "fixture arc_scan_links has not run";

    ExpectDataOnly(Scan(names + "\\data"), names + "\\data");
    // A name the code page spells keeps its long form, though Wine gives it
    // a short one as well.
    ExpectSource(Scan(names + "\\kept"), names + "\\kept\\M\xfcller\\ver_ctrl.txt");

    // The source file is named through the short names of the directories
    // the code page cannot spell, and opens.
    window->ARCpath = names + "\\source";
    window->SourceFileName = "ver_ctrl.txt";
    window->CheckARC();
    EXPECT_TRUE(window->LEDgreen->Visible());
    window->UseString[1] = 1;
    window->StartString[1] = "PatientName = \"";
    window->StoppString[1] = "\" ";
    const auto pause = TZarviktool::Pause;
    TZarviktool::Pause = [](DWORD) {};
    EXPECT_TRUE(window->AnalyseDataFile()) << window->SourceFilePathName;
    TZarviktool::Pause = pause;
    EXPECT_EQ(window->MergeValue[1], "Kowalski");
}

// Folders named as another system or a share names them, with a dot or a
// blank at the end, each beside a twin without it, which Win32 path parsing
// would name instead.
TEST_F(ArcScan, FoldersWhoseNamesEndInADotOrBlankAreWalkedAndReadNotTheirTwins)
{
    const std::string top = FreshDirectory("scan-dotted");
    PutLongFile(top + "\\data\\serie.\\bild001.jpg");
    window->SourceFileName = "ver_ctrl.txt";
    window->ARCpath = top + "\\data";
    window->CheckARC();
    EXPECT_TRUE(window->LEDyellow->Visible());
    // A job whose last files lie there goes on.
    window->Idle = false;
    window->JobStarted = true;
    window->CheckARC();
    EXPECT_TRUE(window->JobStarted);
    EXPECT_EQ(window->StatusBar1->SimpleText(), L"Kallidor erzeugt Kopien");

    window->Idle = true;
    window->JobStarted = false;
    window->UseString[1] = 1;
    window->StartString[1] = "PatientName = \"";
    window->StoppString[1] = "\" ";
    const auto pause = TZarviktool::Pause;
    TZarviktool::Pause = [](DWORD) {};
    // The field read from the source file that the scan found there.
    const auto readAfterScan = [&](const std::string& arcPath) {
        window->ARCpath = arcPath;
        window->CheckARC();
        EXPECT_TRUE(window->LEDgreen->Visible());
        window->MergeValue[1] = "stale";
        EXPECT_TRUE(window->AnalyseDataFile()) << window->SourceFilePathName;
        return window->MergeValue[1];
    };
    for (const std::string twin : {"dot", "blank"}) {
        SCOPED_TRACE(twin);
        const std::string arc = top + "\\" + twin;
        const std::string folder = arc + (twin == "dot" ? "\\serie." : "\\serie ");
        PutLongFile(folder + "\\ver_ctrl.txt", "  PatientName = \"" + twin + "\" \n");
        PutLongFile(arc + "\\serie\\VER_CTRL.TXT", "  PatientName = \"plain\" \n");
        // Spelt by its short name.
        EXPECT_EQ(readAfterScan(arc), twin);
        // Without short names, through the extended-length form.
        NoShortNames noShortNames;
        ASSERT_TRUE(noShortNames.Hooked());
        EXPECT_EQ(readAfterScan(arc), twin);
        EXPECT_EQ(window->SourceFilePathName, "\\\\?\\" + folder + "\\ver_ctrl.txt");
        // So too from a relative ARC path.
        char current[MAX_PATH];
        ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, current), 0u);
        ASSERT_TRUE(SetCurrentDirectoryA(top.c_str()));
        EXPECT_EQ(readAfterScan(twin), twin);
        SetCurrentDirectoryA(current);
    }
    TZarviktool::Pause = pause;
    RemoveTree(top);
}

TEST_F(ArcScan, FirstEntryOfADriveRootCounts)
{
    // r: is mapped by tests/fixtures/arc_scan_links.sh to a directory that
    // holds ver_ctrl.txt alone; a drive root lists no "." or "..".
    const std::vector<std::string> names = Listing("r:");
    ASSERT_EQ(names, std::vector<std::string>{"ver_ctrl.txt"}) << "fixture arc_scan_links has not run";
    WIN32_FIND_DATAA first;
    const HANDLE find = FindFirstFileA("r:\\*.*", &first);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    ASSERT_STREQ(first.cFileName, "ver_ctrl.txt");

    ExpectSource(Scan("r:"), "r:\\ver_ctrl.txt");
    ExpectDataOnly(Scan("r:", "other.txt"), "r:");
}
