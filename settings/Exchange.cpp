// The exchange between the settings record and the settings dialog: load, fill
// the dialog, run it, and on OK read it back and save.
#include "Strg.h"
#include "classlib/AnsiText.h"
#include "classlib/Exceptions.h"
#include "monitor/Main.h"
#include "monitor/Settings.h"

#include <string>
#include <vector>

namespace {

// One control and the setting it shows: an edit holds a text setting, a check
// box a number setting (ticked when not 0).
struct Binding {
    TEdit* edit;
    TCheckBox* box;
    const wchar_t* setting; // registry value name, numbered ones without their number
    int field;              // 1 to 10 for the merge-field settings, else 0
};

// The dialog's controls in the order of the exchange.
std::vector<Binding> Bindings(TSteuerung& d)
{
    std::vector<Binding> bindings{
        {d.EditARCpath, nullptr, L"ARCpath", 0},
        {d.EditMergeFilePath, nullptr, L"MergeFilePath", 0},
        {d.EditMergeFileName, nullptr, L"MergeFileName", 0},
        {d.EditSourceFileName, nullptr, L"SourceFileName", 0},
        {d.EditSeperator, nullptr, L"MergeFileSeperator", 0},
        {d.EditPrintFilePathName, nullptr, L"PrintFilePathName", 0},
        {nullptr, d.CheckBoxCopyPrintFile, L"UsePrintFilePathName", 0},
    };
    TCheckBox* const boxes[kMergeFields] = {
        d.CheckBoxMergeField1, d.CheckBoxMergeField2, d.CheckBoxMergeField3, d.CheckBoxMergeField4,
        d.CheckBoxMergeField5, d.CheckBoxMergeField6, d.CheckBoxMergeField7, d.CheckBoxMergeField8,
        d.CheckBoxMergeField9, d.CheckBoxMergeField10};
    TEdit* const starts[kMergeFields] = {
        d.EditStartMergeField1, d.EditStartMergeField2, d.EditStartMergeField3, d.EditStartMergeField4,
        d.EditStartMergeField5, d.EditStartMergeField6, d.EditStartMergeField7, d.EditStartMergeField8,
        d.EditStartMergeField9, d.EditStartMergeField10};
    TEdit* const stops[kMergeFields] = {
        d.EditStoppMergeField1, d.EditStoppMergeField2, d.EditStoppMergeField3, d.EditStoppMergeField4,
        d.EditStoppMergeField5, d.EditStoppMergeField6, d.EditStoppMergeField7, d.EditStoppMergeField8,
        d.EditStoppMergeField9, d.EditStoppMergeField10};
    for (int i = 1; i <= kMergeFields; ++i) {
        bindings.push_back({nullptr, boxes[i - 1], L"UseString", i});
        bindings.push_back({starts[i - 1], nullptr, L"StartString", i});
        bindings.push_back({stops[i - 1], nullptr, L"StoppString", i});
    }
    return bindings;
}

// A binding with the setting member it stands for.
struct BoundSetting {
    Binding control;
    SettingRef setting;
};

std::vector<BoundSetting> Bind(TSteuerung& dialog, TZarviktool& window)
{
    const std::vector<SettingRef> record = SettingsRecord(window);
    std::vector<BoundSetting> bound;
    for (const Binding& binding : Bindings(dialog)) {
        std::wstring name = binding.setting;
        if (binding.field != 0)
            name += std::to_wstring(binding.field);
        const SettingRef* match = nullptr;
        for (const SettingRef& setting : record) {
            if (setting.name == name) {
                match = &setting;
                break;
            }
        }
        // Edits hold texts, boxes numbers: anything else is a fault of the table.
        if (match == nullptr || (binding.edit != nullptr) != (match->text != nullptr))
            throw Exception(L"Einstellung " + name + L" passt zu keinem Element des Dialogs");
        bound.push_back({binding, *match});
    }
    return bound;
}

} // namespace

void TZarviktool::ARCSteuerung1Click(TObject*)
{
    LoadSettings();
    const std::vector<BoundSetting> bound = Bind(*Steuerung, *this);
    for (const BoundSetting& b : bound) {
        if (b.control.edit != nullptr)
            b.control.edit->SetText(AnsiToWide(*b.setting.text));
        else
            b.control.box->SetChecked(*b.setting.number != 0);
    }
    if (Steuerung->ShowModal() == 1) {
        for (const BoundSetting& b : bound) {
            if (b.control.edit != nullptr)
                *b.setting.text = WideToAnsi(b.control.edit->Text());
            else
                *b.setting.number = b.control.box->Checked() ? 1 : 0;
        }
        SaveSettings();
    } else {
        LoadSettings();
    }
}
