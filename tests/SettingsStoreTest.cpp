// The settings store against the real registry key of the test prefix: what
// the first load writes, what a load takes from existing values, how it fails,
// and that failing loads close their key.
#include "classlib/Exceptions.h"
#include "monitor/Main.h"
#include "support/TestSupport.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

struct Row {
    const wchar_t* name;
    DWORD type;
    const wchar_t* text; // REG_SZ default
    DWORD number;        // REG_DWORD default
};

// Written out here rather than taken from the program, so that a slip in the
// program's table shows up.
const Row kTable[37] = {
    {L"ARCpath", REG_SZ, L"c:\\ARC", 0},
    {L"PrintFilePathName", REG_SZ, L"c:\\Corvanta\\Print.dml", 0},
    {L"MergeFilePath", REG_SZ, L"c:\\ARC", 0},
    {L"MergeFileSeperator", REG_SZ, L";", 0},
    {L"MergeFileName", REG_SZ, L"Print.dmf", 0},
    {L"SourceFileName", REG_SZ, L"ver_ctrl.txt", 0},
    {L"UsePrintFilePathName", REG_DWORD, nullptr, 1},
    {L"UseString1", REG_DWORD, nullptr, 1},
    {L"StartString1", REG_SZ, L"PatientName = \"", 0},
    {L"StoppString1", REG_SZ, L"\" ", 0},
    {L"UseString2", REG_DWORD, nullptr, 1},
    {L"StartString2", REG_SZ, L"PatientID = \"", 0},
    {L"StoppString2", REG_SZ, L"\" ", 0},
    {L"UseString3", REG_DWORD, nullptr, 1},
    {L"StartString3", REG_SZ, L"PhotoDate = \"", 0},
    {L"StoppString3", REG_SZ, L"\" ", 0},
    {L"UseString4", REG_DWORD, nullptr, 1},
    {L"StartString4", REG_SZ, L"INIAGL:", 0},
    {L"StoppString4", REG_SZ, L"@PRJAGL", 0},
    {L"UseString5", REG_DWORD, nullptr, 0},
    {L"StartString5", REG_SZ, L"", 0},
    {L"StoppString5", REG_SZ, L"", 0},
    {L"UseString6", REG_DWORD, nullptr, 0},
    {L"StartString6", REG_SZ, L"", 0},
    {L"StoppString6", REG_SZ, L"", 0},
    {L"UseString7", REG_DWORD, nullptr, 0},
    {L"StartString7", REG_SZ, L"", 0},
    {L"StoppString7", REG_SZ, L"", 0},
    {L"UseString8", REG_DWORD, nullptr, 0},
    {L"StartString8", REG_SZ, L"", 0},
    {L"StoppString8", REG_SZ, L"", 0},
    {L"UseString9", REG_DWORD, nullptr, 0},
    {L"StartString9", REG_SZ, L"", 0},
    {L"StoppString9", REG_SZ, L"", 0},
    {L"UseString10", REG_DWORD, nullptr, 0},
    {L"StartString10", REG_SZ, L"", 0},
    {L"StoppString10", REG_SZ, L"", 0},
};

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end()); // ASCII only in these tests
}

// The 37 members in table order, numbers written as decimal text.
std::vector<std::string> Members(const TZarviktool& w)
{
    std::vector<std::string> m{w.ARCpath,       w.PrintFilePathName, w.MergeFilePath,
                               w.MergeFileSeperator, w.MergeFileName, w.SourceFileName,
                               std::to_string(w.UsePrintFilePathName)};
    for (int i = 1; i <= 10; ++i) {
        m.push_back(std::to_string(w.UseString[i]));
        m.push_back(w.StartString[i]);
        m.push_back(w.StoppString[i]);
    }
    return m;
}

// Puts a recognisable value into every member.
void FillMembers(TZarviktool& w)
{
    w.ARCpath = "old1";
    w.PrintFilePathName = "old2";
    w.MergeFilePath = "old3";
    w.MergeFileSeperator = "old4";
    w.MergeFileName = "old5";
    w.SourceFileName = "old6";
    w.UsePrintFilePathName = 107;
    for (int i = 1; i <= 10; ++i) {
        w.UseString[i] = 200 + i;
        w.StartString[i] = "oldStart" + std::to_string(i);
        w.StoppString[i] = "oldStopp" + std::to_string(i);
    }
}

std::vector<std::string> Defaults()
{
    std::vector<std::string> d;
    for (const Row& row : kTable)
        d.push_back(row.type == REG_SZ ? Narrow(row.text) : std::to_string(row.number));
    return d;
}

// Stores a value of its own for each of the 37 names ("v1", "v2", ... and
// 301, 302, ... for the numbers) and returns them as Members() would show them.
std::vector<std::string> StoreOwnValues()
{
    std::vector<std::string> stored;
    for (int i = 0; i < 37; ++i) {
        if (kTable[i].type == REG_SZ) {
            const std::wstring text = L"v" + std::to_wstring(i + 1);
            SetString(kTable[i].name, text);
            stored.push_back(Narrow(text));
        } else {
            SetDword(kTable[i].name, 301 + i);
            stored.push_back(std::to_string(301 + i));
        }
    }
    return stored;
}

// The message of the registry failure of one load; empty when it succeeds.
std::wstring LoadFailure(TZarviktool& w)
{
    try {
        w.LoadSettings();
    } catch (const ERegistryException& error) {
        return error.Message();
    }
    return L"";
}

std::wstring InvalidType(const wchar_t* name)
{
    return std::wstring(L"Ung\u00fcltiger Datentyp f\u00fcr '") + name + L"'";
}
std::wstring ReadFailed(const wchar_t* name)
{
    return std::wstring(L"Fehler beim Holen der Daten f\u00fcr '") + name + L"'";
}
std::wstring WriteFailed(const wchar_t* name)
{
    return std::wstring(L"Fehler beim Setzen der Daten f\u00fcr '") + name + L"'";
}

// Denies setting values and creating subkeys on the settings key for as long
// as it lives; the wineserver enforces it only while it runs, so it is set
// from here and taken back at the end.
class WriteDenied {
public:
    WriteDenied() { EXPECT_EQ(Apply(L"D:P(D;OICI;0x6;;;WD)(A;OICI;KA;;;WD)"), ERROR_SUCCESS); }
    ~WriteDenied() { EXPECT_EQ(Apply(L"D:P(A;OICI;KA;;;WD)"), ERROR_SUCCESS); }
    WriteDenied(const WriteDenied&) = delete;
    WriteDenied& operator=(const WriteDenied&) = delete;

private:
    static LONG Apply(const wchar_t* descriptor)
    {
        HKEY key = nullptr;
        LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKeyPath, 0, WRITE_DAC | READ_CONTROL, &key);
        if (status != ERROR_SUCCESS)
            return status;
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptor, SDDL_REVISION_1, &sd, nullptr)) {
            RegCloseKey(key);
            return static_cast<LONG>(GetLastError());
        }
        status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
        LocalFree(sd);
        RegCloseKey(key);
        return status;
    }
};

// Handles the process holds. Wine's GetProcessHandleCount always answers 0,
// so there the system handle list is counted instead.
DWORD OpenHandleCount()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0)
        return count;
    struct Entry {
        ULONG ownerPid;
        BYTE objectType;
        BYTE flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr)
        return 0;
    std::vector<BYTE> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(16 /* SystemHandleInformation */, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<LONG>(0xC0000004)) { // buffer too small
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0)
            return 0;
        break;
    }
    ULONG entries = 0;
    memcpy(&entries, buffer.data(), sizeof(entries));
    const auto* entry = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    for (ULONG i = 0; i < entries; ++i) {
        if (entry[i].ownerPid == GetCurrentProcessId())
            ++count;
    }
    return count;
}

// Records the names of the values written through RegSetValueExW while it
// lives, in the order of the calls, by taking that function's place in this
// program's import table. (The registry lists a key's values sorted by name,
// so the order of writing cannot be read back from it.)
class WriteRecorder {
public:
    WriteRecorder()
    {
        active_ = this;
        original_ = Patch(&Record);
    }
    ~WriteRecorder()
    {
        Patch(original_);
        active_ = nullptr;
    }
    WriteRecorder(const WriteRecorder&) = delete;
    WriteRecorder& operator=(const WriteRecorder&) = delete;

    bool Hooked() const { return original_ != nullptr; }
    std::vector<std::wstring> names;

private:
    using SetValue = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);

    static LONG WINAPI Record(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
    {
        if (active_ != nullptr)
            active_->names.emplace_back(name != nullptr ? name : L"");
        return original_(key, name, reserved, type, data, size);
    }

    static SetValue Patch(SetValue replacement)
    {
        if (replacement == nullptr)
            return nullptr;
        return reinterpret_cast<SetValue>(ReplaceImport("RegSetValueExW", reinterpret_cast<void*>(replacement)));
    }

    static inline WriteRecorder* active_ = nullptr;
    static inline SetValue original_ = nullptr;
};

std::vector<std::wstring> TableNames(int first, int count)
{
    std::vector<std::wstring> names;
    for (int i = first; i < first + count; ++i)
        names.emplace_back(kTable[i].name);
    return names;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names)
{
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    return names;
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(SettingsStore, FirstLoadCreatesTheKeyWithAllDefaultsInTableOrder)
{
    std::unique_ptr<TZarviktool> w;
    {
        WriteRecorder writes;
        ASSERT_TRUE(writes.Hooked());
        w = std::make_unique<TZarviktool>(nullptr);
        EXPECT_EQ(writes.names, TableNames(0, 37));
    }
    EXPECT_EQ(Sorted(ValueNames()), Sorted(TableNames(0, 37)));
    for (const Row& row : kTable) {
        SCOPED_TRACE(Narrow(row.name));
        std::vector<BYTE> data;
        ASSERT_EQ(ValueType(row.name, &data), row.type);
        if (row.type == REG_SZ) {
            // The text and one NUL unit; the empty text is the NUL alone.
            EXPECT_EQ(data.size(), (wcslen(row.text) + 1) * sizeof(wchar_t));
            EXPECT_EQ(StoredString(row.name), row.text);
        } else {
            EXPECT_EQ(data.size(), 4u);
            EXPECT_EQ(StoredDword(row.name), row.number);
        }
    }
    EXPECT_EQ(Members(*w), Defaults());

    // Nothing of the record goes to the user's part of the registry.
    HKEY user = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &user), ERROR_FILE_NOT_FOUND);
    if (user != nullptr)
        RegCloseKey(user);
}

TEST_F(SettingsStore, ExistingValuesAreTakenAsStoredAndNotRewritten)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    std::vector<std::string> expected = StoreOwnValues();
    // An empty text stays empty; a flag of 2 and all 32 bits of a number reach
    // their members; several separator characters are kept; an environment
    // reference is not expanded.
    SetString(L"ARCpath", L"");
    expected[0] = "";
    SetDword(L"UseString1", 2);
    expected[7] = "2";
    SetDword(L"UseString2", 0xFFFFFFFF);
    expected[10] = "-1";
    SetString(L"MergeFileSeperator", L";|; ");
    expected[3] = ";|; ";
    SetString(L"PrintFilePathName", L"%SystemRoot%\\Print.dml", REG_EXPAND_SZ);
    expected[1] = "%SystemRoot%\\Print.dml";
    // A text value of another type with nothing in it reads as the empty text.
    SetBinary(L"StoppString7", {}, REG_BINARY);
    expected[27] = "";

    {
        WriteRecorder writes;
        EXPECT_EQ(LoadFailure(*w), L"");
        EXPECT_EQ(writes.names, std::vector<std::wstring>{}); // the load wrote none of them back
    }
    EXPECT_EQ(Members(*w), expected);

    std::vector<BYTE> data;
    EXPECT_EQ(ValueType(L"ARCpath", &data), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data.size(), 2u);
    EXPECT_EQ(StoredDword(L"UseString1"), 2u);
    EXPECT_EQ(ValueType(L"PrintFilePathName"), static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(ValueType(L"StoppString7"), static_cast<DWORD>(REG_BINARY));

    // The save writes all 37 in table order, the reference as a plain text and
    // every member in the type of its value.
    {
        WriteRecorder writes;
        w->SaveSettings();
        EXPECT_EQ(writes.names, TableNames(0, 37));
    }
    EXPECT_EQ(ValueType(L"PrintFilePathName"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(StoredString(L"PrintFilePathName"), L"%SystemRoot%\\Print.dml");
    EXPECT_EQ(ValueType(L"StoppString7"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(StoredDword(L"UseString2"), 0xFFFFFFFFu);
}

TEST_F(SettingsStore, TextsAreCutAtTheirFirstNulAndConvertedThroughTheAnsiCodePage)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    StoreOwnValues();
    auto units = [](const std::wstring& text) {
        return std::vector<BYTE>(reinterpret_cast<const BYTE*>(text.data()),
                                 reinterpret_cast<const BYTE*>(text.data() + text.size()));
    };
    SetBinary(L"StartString8", units(std::wstring(L"ab\0cd\0", 6)), REG_SZ);
    // Texts stored without their NUL, a short one and one longer than the
    // first query takes.
    SetBinary(L"StoppString8", units(L"xyz"), REG_SZ);
    const std::wstring longText(300, L'k');
    SetBinary(L"StoppString9", units(longText), REG_SZ);
    std::vector<BYTE> stored;
    ValueType(L"StoppString8", &stored);
    ASSERT_EQ(stored.size(), 6u);
    ValueType(L"StoppString9", &stored);
    ASSERT_EQ(stored.size(), 600u);
    SetString(L"StartString9", L"Gr\u00f6\u00dfe \u4e2d");
    EXPECT_EQ(LoadFailure(*w), L"");
    EXPECT_EQ(w->StartString[8], "ab");
    EXPECT_EQ(w->StoppString[8], "xyz");
    EXPECT_EQ(w->StoppString[9], std::string(300, 'k'));
    if (GetACP() == 1252) {
        // A character the code page lacks becomes its default character, and
        // the save then stores that.
        EXPECT_EQ(w->StartString[9], "Gr\xf6\xdf" "e ?");
        w->SaveSettings();
        EXPECT_EQ(StoredString(L"StartString9"), L"Gr\u00f6\u00dfe ?");
    }
}

TEST_F(SettingsStore, AValueDeletedFromOutsideIsWrittenBackWithItsDefault)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    std::vector<std::string> expected = StoreOwnValues();
    DeleteValue(L"StoppString4");
    expected[18] = "@PRJAGL";
    DeleteValue(L"UseString10");
    expected[34] = "0";

    {
        WriteRecorder writes;
        EXPECT_EQ(LoadFailure(*w), L"");
        EXPECT_EQ(writes.names, (std::vector<std::wstring>{L"StoppString4", L"UseString10"}));
    }
    EXPECT_EQ(Members(*w), expected);
    EXPECT_EQ(ValueType(L"StoppString4"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(StoredString(L"StoppString4"), L"@PRJAGL");
    EXPECT_EQ(ValueType(L"UseString10"), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(StoredDword(L"UseString10"), 0u);
    EXPECT_EQ(StoredString(L"StoppString3"), L"v16"); // the others stay as they were
}

TEST_F(SettingsStore, ATextOfTheWrongTypeFailsAndChangesNoMember)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    StoreOwnValues();
    SetDword(L"ARCpath", 7);
    FillMembers(*w);
    const std::vector<std::string> before = Members(*w);

    EXPECT_EQ(LoadFailure(*w), InvalidType(L"ARCpath"));
    EXPECT_EQ(Members(*w), before);
    // The load does not mend the value.
    EXPECT_EQ(ValueType(L"ARCpath"), static_cast<DWORD>(REG_DWORD));
}

TEST_F(SettingsStore, AFlagStoredAsTextFailsAfterTheGeneralSettings)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    const std::vector<std::string> stored = StoreOwnValues();

    struct Case {
        const wchar_t* text;
        std::wstring message;
    };
    // One character and its NUL fit the four bytes of a number; two do not.
    const Case cases[] = {{L"1", InvalidType(L"UseString1")}, {L"12", ReadFailed(L"UseString1")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        SetString(L"UseString1", c.text);
        FillMembers(*w);
        std::vector<std::string> expected = Members(*w);
        for (int i = 0; i < 7; ++i)
            expected[i] = stored[i]; // rows 1 to 7 were read in this run

        EXPECT_EQ(LoadFailure(*w), c.message);
        EXPECT_EQ(Members(*w), expected);
        EXPECT_EQ(ValueType(L"UseString1"), static_cast<DWORD>(REG_SZ));
    }
}

TEST_F(SettingsStore, AFailedLoadKeepsTheDefaultsItHasWrittenAndWritesNoMore)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    // Only the failing flag exists: rows 1 to 7 are written back, then it stops.
    DeleteSettingsKey();
    SetString(L"UseString1", L"1");
    FillMembers(*w);
    std::vector<std::string> expected = Members(*w);
    const std::vector<std::string> defaults = Defaults();
    for (int i = 0; i < 7; ++i)
        expected[i] = defaults[i];

    {
        WriteRecorder writes;
        EXPECT_EQ(LoadFailure(*w), InvalidType(L"UseString1"));
        EXPECT_EQ(writes.names, TableNames(0, 7));
    }
    EXPECT_EQ(Members(*w), expected);
    std::vector<std::wstring> names = TableNames(0, 7);
    names.emplace_back(L"UseString1");
    EXPECT_EQ(Sorted(ValueNames()), Sorted(names));
    EXPECT_EQ(StoredString(L"SourceFileName"), L"ver_ctrl.txt");
    EXPECT_EQ(StoredDword(L"UsePrintFilePathName"), 1u);
}

TEST_F(SettingsStore, NumbersOfAnotherTypeFailByTheirSize)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    StoreOwnValues();
    SetBinary(L"UseString5", {1, 0, 0, 0}, REG_BINARY);
    EXPECT_EQ(LoadFailure(*w), InvalidType(L"UseString5"));
    SetBinary(L"UseString5", {1, 0, 0, 0, 0, 0, 0, 0}, REG_QWORD);
    EXPECT_EQ(LoadFailure(*w), ReadFailed(L"UseString5"));
    SetBinary(L"UseString5", {}, REG_BINARY);
    EXPECT_EQ(LoadFailure(*w), InvalidType(L"UseString5"));
}

TEST_F(SettingsStore, WithoutTheRightToWriteTheLoadFailsOnARCpath)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    // Once with all 37 values stored, once with the key empty.
    for (const bool valuesExist : {true, false}) {
        SCOPED_TRACE(valuesExist ? "values exist" : "key empty");
        DeleteSettingsKey();
        if (valuesExist)
            StoreOwnValues();
        else
            DeleteValue(L"ARCpath"); // creates the key alone
        FillMembers(*w);
        std::vector<std::string> expected = Members(*w);
        expected[0] = "c:\\ARC"; // given its default before its write-back fails
        {
            WriteDenied denied;
            EXPECT_EQ(LoadFailure(*w), WriteFailed(L"ARCpath"));
            EXPECT_EQ(Members(*w), expected);

            // The save fails on its first value in the same way.
            try {
                w->SaveSettings();
                ADD_FAILURE() << "save succeeded without the right to write";
            } catch (const ERegistryException& error) {
                EXPECT_EQ(error.Message(), WriteFailed(L"ARCpath"));
            }
        }
        EXPECT_EQ(ValueNames().size(), valuesExist ? 37u : 0u);
        if (valuesExist) {
            EXPECT_EQ(StoredString(L"ARCpath"), L"v1");
        }
    }
}

TEST_F(SettingsStore, FailingLoadsCloseTheirKey)
{
    auto w = std::make_unique<TZarviktool>(nullptr);
    StoreOwnValues();
    ASSERT_NE(OpenHandleCount(), 0u);

    SetString(L"UseString1", L"12"); // fails with the key open, after seven reads
    const DWORD before = OpenHandleCount();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(LoadFailure(*w), ReadFailed(L"UseString1"));
    EXPECT_EQ(OpenHandleCount(), before);

    WriteDenied denied; // fails without ever opening the key
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(LoadFailure(*w), WriteFailed(L"ARCpath"));
    EXPECT_EQ(OpenHandleCount(), before);
}

} // namespace
