#include "Settings.h"

#include "Main.h"
#include "classlib/AnsiText.h"
#include "classlib/Registry.h"

const wchar_t* const kSettingsKey = L"\\Software\\Hollart\\Zarvik Tool";

namespace {

struct FieldDefaults {
    std::int32_t use;
    const char* start;
    const char* stop;
};

// Fields 1 to 4 are in use out of the box; field 3 holds a date.
const FieldDefaults kFieldDefaults[kMergeFields + 1] = {
    {0, "", ""},
    {1, "PatientName = \"", "\" "},
    {1, "PatientID = \"", "\" "},
    {1, "PhotoDate = \"", "\" "},
    {1, "INIAGL:", "@PRJAGL"},
    {0, "", ""}, {0, "", ""}, {0, "", ""}, {0, "", ""}, {0, "", ""}, {0, "", ""},
};

SettingRef Text(std::wstring name, std::string& member, const char* fallback)
{
    return SettingRef{std::move(name), &member, nullptr, fallback, 0};
}

SettingRef Number(std::wstring name, std::int32_t& member, std::int32_t fallback)
{
    return SettingRef{std::move(name), nullptr, &member, "", fallback};
}

void OpenSettingsKey(TRegistry& registry)
{
    registry.RootKey = HKEY_LOCAL_MACHINE;
    // A key that cannot be opened shows up as the first value that fails.
    registry.OpenKey(kSettingsKey);
}

} // namespace

std::vector<SettingRef> SettingsRecord(TZarviktool& w)
{
    std::vector<SettingRef> record{
        Text(L"ARCpath", w.ARCpath, "c:\\ARC"),
        Text(L"PrintFilePathName", w.PrintFilePathName, "c:\\Corvanta\\Print.dml"),
        Text(L"MergeFilePath", w.MergeFilePath, "c:\\ARC"),
        Text(L"MergeFileSeperator", w.MergeFileSeperator, ";"),
        Text(L"MergeFileName", w.MergeFileName, "Print.dmf"),
        Text(L"SourceFileName", w.SourceFileName, "ver_ctrl.txt"),
        Number(L"UsePrintFilePathName", w.UsePrintFilePathName, 1),
    };
    for (int i = 1; i <= kMergeFields; ++i) {
        const std::wstring n = std::to_wstring(i);
        record.push_back(Number(L"UseString" + n, w.UseString[i], kFieldDefaults[i].use));
        record.push_back(Text(L"StartString" + n, w.StartString[i], kFieldDefaults[i].start));
        record.push_back(Text(L"StoppString" + n, w.StoppString[i], kFieldDefaults[i].stop));
    }
    return record;
}

void TZarviktool::LoadSettings()
{
    TRegistry registry;
    OpenSettingsKey(registry);
    for (const SettingRef& setting : SettingsRecord(*this)) {
        // A missing value gets its default, written back at once.
        if (setting.text != nullptr) {
            if (const auto text = registry.ReadString(setting.name)) {
                *setting.text = WideToAnsi(*text);
            } else {
                *setting.text = setting.textDefault;
                registry.WriteString(setting.name, AnsiToWide(*setting.text));
            }
        } else if (const auto number = registry.ReadInteger(setting.name)) {
            *setting.number = *number;
        } else {
            *setting.number = setting.numberDefault;
            registry.WriteInteger(setting.name, *setting.number);
        }
    }
}

void TZarviktool::SaveSettings()
{
    TRegistry registry;
    OpenSettingsKey(registry);
    for (const SettingRef& setting : SettingsRecord(*this)) {
        if (setting.text != nullptr)
            registry.WriteString(setting.name, AnsiToWide(*setting.text));
        else
            registry.WriteInteger(setting.name, *setting.number);
    }
}
