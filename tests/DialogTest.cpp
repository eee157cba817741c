// The settings dialog in-process (older build): its layout, the modal run and
// the exchange with the settings record and the registry. The exchange is
// started through the main window's menu command, as a click on "Steuerung"
// does; while the dialog is open a thread timer plays the user.
#include "classlib/AnsiText.h"
#include "classlib/Application.h"
#include "monitor/Main.h"
#include "monitor/Settings.h"
#include "settings/Strg.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

using namespace testing_support;

namespace {

std::wstring TextOf(const TEdit* edit)
{
    return edit->Text();
}

RECT ClientBounds(HWND control)
{
    RECT bounds;
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

// The step runs inside the dialog's modal loop every 50 ms until it returns true.
std::function<bool(TSteuerung&)> g_step;
DWORD g_deadline = 0;
bool g_stepFinished = false;

void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (Steuerung == nullptr || !IsWindowVisible(Steuerung->Handle()))
        return;
    if (static_cast<LONG>(GetTickCount() - g_deadline) > 0) {
        // A step that never finishes must not hang the test run.
        KillTimer(nullptr, id);
        ADD_FAILURE() << "the dialog stayed open";
        Steuerung->ModalResult = 2;
        return;
    }
    // A step that opens a modal loop (an error box) meets this timer again
    // inside it; it must not run a second time meanwhile.
    static bool inStep = false;
    if (inStep)
        return;
    inStep = true;
    const bool finished = g_step(*Steuerung);
    inStep = false;
    if (finished) {
        KillTimer(nullptr, id);
        g_stepFinished = true;
    }
}

// Edits with the design-time text each one has in the layout (its own name).
std::vector<TEdit*> AllEdits(TSteuerung& d)
{
    return {d.EditARCpath,          d.EditMergeFileName,     d.EditSourceFileName,    d.EditSeperator,
            d.EditStartMergeField1, d.EditStoppMergeField1,  d.EditStartMergeField2,  d.EditStoppMergeField2,
            d.EditStartMergeField3, d.EditStoppMergeField3,  d.EditStartMergeField4,  d.EditStoppMergeField4,
            d.EditStartMergeField5, d.EditStoppMergeField5,  d.EditStartMergeField6,  d.EditStoppMergeField6,
            d.EditStartMergeField7, d.EditStoppMergeField7,  d.EditStartMergeField8,  d.EditStoppMergeField8,
            d.EditStartMergeField9, d.EditStoppMergeField9,  d.EditStartMergeField10, d.EditStoppMergeField10,
            d.EditMergeFilePath,    d.EditPrintFilePathName};
}

void ExpectNoDesignTexts(TSteuerung& d)
{
    for (TEdit* edit : AllEdits(d))
        EXPECT_NE(TextOf(edit), AnsiToWide(edit->Name)) << edit->Name;
}

// The width of an icon's picture; 0 for no icon.
int IconWidth(HICON icon)
{
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

void Click(TButton* button)
{
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
}

// Types into an edit as the keyboard would: all selected, then one WM_CHAR each.
void TypeInto(TEdit* edit, const std::wstring& text)
{
    SetFocus(edit->Handle());
    SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
    for (wchar_t c : text)
        SendMessageW(edit->Handle(), WM_CHAR, c, 1);
}

void Empty(TEdit* edit)
{
    SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
    SendMessageW(edit->Handle(), WM_CLEAR, 0, 0);
}

struct StoredValue {
    DWORD type;
    std::vector<BYTE> data;
    bool operator==(const StoredValue& other) const { return type == other.type && data == other.data; }
};

// Denies setting values and creating subkeys on the settings key for the
// lifetime of the object, as a user without write rights meets it.
class ReadOnlySettingsKey {
public:
    ReadOnlySettingsKey() { Apply(L"D:P(D;OICI;0x6;;;WD)(A;OICI;KA;;;WD)"); }
    ~ReadOnlySettingsKey() { Apply(L"D:P(A;OICI;KA;;;WD)"); }
    ReadOnlySettingsKey(const ReadOnlySettingsKey&) = delete;
    ReadOnlySettingsKey& operator=(const ReadOnlySettingsKey&) = delete;

private:
    static void Apply(const wchar_t* sddl)
    {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                                         nullptr));
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKeyPath, 0, READ_CONTROL | WRITE_DAC, &key), ERROR_SUCCESS);
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
        RegCloseKey(key);
        LocalFree(descriptor);
    }
};

// A real mouse click in the middle of the Start button's face.
void ClickOnStart(const TZarviktool& window)
{
    POINT start{180, 80};
    ClientToScreen(window.Handle(), &start);
    SetCursorPos(start.x, start.y);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Title = "Mervane - Corvanta Control";
        DeleteSettingsKey();
        arc_ = FreshDirectory("dialog-arc");
        SetString(L"ARCpath", AnsiToWide(arc_));
        SetString(L"MergeFilePath", AnsiToWide(arc_));
        window_ = std::make_unique<TZarviktool>(nullptr);
        Zarviktool = window_.get();
        dialog_ = std::make_unique<TSteuerung>(nullptr);
        Steuerung = dialog_.get();
        window_->Show();
        PumpMessages(50);
        pause_ = TZarviktool::Pause;
    }

    void TearDown() override
    {
        Steuerung = nullptr;
        dialog_.reset();
        Zarviktool = nullptr;
        window_.reset();
        TZarviktool::Pause = pause_;
    }

    // Chooses "Einstellungen" > "Steuerung"; step plays the user while the
    // dialog is open. True when the dialog was shown and the step finished.
    bool RunExchange(std::function<bool(TSteuerung&)> step)
    {
        g_step = std::move(step);
        g_deadline = GetTickCount() + 20000;
        g_stepFinished = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, StepTimer);
        SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(window_->ARCSteuerung1->Command(), 0), 0);
        KillTimer(nullptr, timer);
        return g_stepFinished;
    }

    std::map<std::wstring, StoredValue> Snapshot()
    {
        std::map<std::wstring, StoredValue> values;
        for (const SettingRef& setting : SettingsRecord(*window_)) {
            StoredValue value;
            value.type = ValueType(setting.name.c_str(), &value.data);
            values[setting.name] = value;
        }
        return values;
    }

    std::string arc_;
    void (*pause_)(DWORD) = nullptr;
    std::unique_ptr<TZarviktool> window_;
    std::unique_ptr<TSteuerung> dialog_;
};

} // namespace

TEST_F(DialogTest, IsBuiltHiddenWithTheDesignedLayoutAtTheDesignDensity)
{
    TSteuerung& d = *dialog_;
    HWND form = d.Handle();
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_EQ(d.Name, "Steuerung");
    wchar_t caption[64] = {};
    GetWindowTextW(form, caption, 64);
    EXPECT_STREQ(caption, L"Steuerung");
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(form, GWL_STYLE));
    EXPECT_EQ(style & (WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              static_cast<DWORD>(WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(ppi, 96) << "the positions below are those of 96 pixels per inch";
    RECT client;
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 575);
    EXPECT_EQ(client.bottom, 513);

    // Whatever the font measures here, the layout stands where it was designed.
    struct Expected {
        TWinControl* control;
        RECT bounds;
    };
    const Expected expected[] = {
        {d.Strg_OK, {144, 464, 219, 489}},
        {d.Strg_Abbruch, {344, 464, 419, 489}},
        {d.EditARCpath, {97, 24, 289, 45}},
        {d.EditSeperator, {512, 85, 545, 106}},
        {d.CheckBoxMergeField1, {32, 176, 129, 193}},
        {d.EditStoppMergeField10, {424, 417, 545, 438}},
        {d.CheckBoxMergeField10, {32, 419, 129, 436}},
        {d.CheckBoxCopyPrintFile, {424, 122, 536, 139}},
        {d.EditPrintFilePathName, {144, 120, 409, 141}},
    };
    for (const Expected& e : expected) {
        const RECT bounds = ClientBounds(e.control->Handle());
        EXPECT_TRUE(EqualRect(&bounds, &e.bounds))
            << e.control->Name << " at " << bounds.left << "," << bounds.top << " " << bounds.right - bounds.left
            << "x" << bounds.bottom - bounds.top;
    }
    // Labels keep their place and take the width their caption needs in this
    // font, so none is cut off.
    for (TLabel* label : {d.Label1, d.Label6, d.Label7, d.Label8}) {
        const RECT bounds = ClientBounds(label->Handle());
        HDC dc = GetDC(label->Handle());
        HGDIOBJ old = SelectObject(dc, d.FontHandle());
        SIZE text{};
        GetTextExtentPoint32W(dc, label->Caption.c_str(), static_cast<int>(label->Caption.size()), &text);
        SelectObject(dc, old);
        ReleaseDC(label->Handle(), dc);
        EXPECT_GE(bounds.right - bounds.left, text.cx) << label->Name;
    }
    EXPECT_EQ(ClientBounds(d.Label8->Handle()).left, 439);
    EXPECT_EQ(ClientBounds(d.Label8->Handle()).top, 137);

    // Tab order: the buttons, the upper edits, the first two boxes, the twenty
    // field edits, the other boxes, then merge directory, copy box, print file.
    std::vector<HWND> order;
    HWND item = GetNextDlgTabItem(form, nullptr, FALSE);
    for (int i = 0; i < 39 && item != nullptr; ++i) {
        order.push_back(item);
        item = GetNextDlgTabItem(form, item, FALSE);
    }
    ASSERT_EQ(order.size(), 39u);
    EXPECT_EQ(order[0], d.Strg_OK->Handle());
    EXPECT_EQ(order[1], d.Strg_Abbruch->Handle());
    EXPECT_EQ(order[2], d.EditARCpath->Handle());
    EXPECT_EQ(order[5], d.EditSeperator->Handle());
    EXPECT_EQ(order[7], d.CheckBoxMergeField2->Handle());
    EXPECT_EQ(order[8], d.EditStartMergeField1->Handle());
    EXPECT_EQ(order[27], d.EditStoppMergeField10->Handle());
    EXPECT_EQ(order[28], d.CheckBoxMergeField3->Handle());
    EXPECT_EQ(order[38], d.EditPrintFilePathName->Handle());
    EXPECT_EQ(item, order[0]) << "the tab order wraps round after the last control";

    // The layout gives the dialog no icon: it shows the program's, as the main window does.
    EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(form, WM_GETICON, ICON_BIG, 0))), 96);
    EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(form, WM_GETICON, ICON_SMALL, 0))),
              GetSystemMetrics(SM_CXSMICON));

    // The separator alone has a limit; the others take texts of any length.
    EXPECT_EQ(SendMessageW(d.EditSeperator->Handle(), EM_GETLIMITTEXT, 0, 0), 1);
    std::string limited;
    for (TEdit* edit : AllEdits(d)) {
        if (edit != d.EditSeperator && SendMessageW(edit->Handle(), EM_GETLIMITTEXT, 0, 0) < 0x7FFFFFFE)
            limited += edit->Name + " ";
    }
    EXPECT_EQ(limited, "");
    EXPECT_EQ(d.Strg_OK->ModalResult, 1);
    EXPECT_EQ(d.Strg_Abbruch->ModalResult, 2);
}

TEST_F(DialogTest, FlagsOtherThanZeroAreShownTickedAndOkSavesThemAsOne)
{
    SetDword(L"UseString1", 2);
    SetDword(L"UseString2", 0);
    SetDword(L"UseString5", 0xFFFFFFFF);
    SetDword(L"UsePrintFilePathName", 2);

    bool open = false;
    ASSERT_TRUE(RunExchange([&](TSteuerung& d) {
        open = !IsWindowEnabled(window_->Handle());
        EXPECT_TRUE(d.CheckBoxMergeField1->Checked());
        EXPECT_FALSE(d.CheckBoxMergeField2->Checked());
        EXPECT_TRUE(d.CheckBoxMergeField5->Checked());
        EXPECT_TRUE(d.CheckBoxCopyPrintFile->Checked());
        ExpectNoDesignTexts(d);
        Click(d.Strg_Abbruch);
        return true;
    }));
    EXPECT_TRUE(open) << "the main window is disabled while the dialog is open";
    EXPECT_TRUE(IsWindowEnabled(window_->Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog_->Handle()));
    // Abbruch saves nothing, and the reload leaves the odd values in effect.
    EXPECT_EQ(StoredDword(L"UseString1"), 2u);
    EXPECT_EQ(StoredDword(L"UseString5"), 0xFFFFFFFFu);
    EXPECT_EQ(StoredDword(L"UsePrintFilePathName"), 2u);
    EXPECT_EQ(window_->UseString[5], -1);

    ASSERT_TRUE(RunExchange([](TSteuerung& d) {
        Click(d.Strg_OK);
        return true;
    }));
    EXPECT_EQ(StoredDword(L"UseString1"), 1u);
    EXPECT_EQ(StoredDword(L"UseString2"), 0u);
    EXPECT_EQ(StoredDword(L"UseString5"), 1u);
    EXPECT_EQ(StoredDword(L"UsePrintFilePathName"), 1u);
    EXPECT_EQ(ValueType(L"UseString5"), static_cast<DWORD>(REG_DWORD));
    // In effect at once: the field now takes part, its flag being exactly 1.
    EXPECT_EQ(window_->UseString[5], 1);
    EXPECT_EQ(window_->UsePrintFilePathName, 1);

    // Ticking and unticking by the user.
    ASSERT_TRUE(RunExchange([](TSteuerung& d) {
        SendMessageW(d.CheckBoxMergeField2->Handle(), BM_CLICK, 0, 0);
        SendMessageW(d.CheckBoxMergeField1->Handle(), BM_CLICK, 0, 0);
        Click(d.Strg_OK);
        return true;
    }));
    EXPECT_EQ(StoredDword(L"UseString1"), 0u);
    EXPECT_EQ(StoredDword(L"UseString2"), 1u);
}

TEST_F(DialogTest, SeparatorIsShownAndSavedWholeButTypedAtMostOneCharacter)
{
    SetString(L"MergeFileSeperator", L"#|#");
    ASSERT_TRUE(RunExchange([](TSteuerung& d) {
        EXPECT_EQ(TextOf(d.EditSeperator), L"#|#");
        Click(d.Strg_OK);
        return true;
    }));
    EXPECT_EQ(StoredString(L"MergeFileSeperator"), L"#|#");
    EXPECT_EQ(window_->MergeFileSeperator, "#|#");

    // The other edits take a pasted text longer than the system's default limit.
    const std::wstring longText = std::wstring(39999, L'x') + L"!";
    ASSERT_TRUE(RunExchange([&](TSteuerung& d) {
        TypeInto(d.EditSeperator, L"xyz");
        EXPECT_EQ(TextOf(d.EditSeperator), L"x");
        TypeInto(d.EditSourceFileName, L"job.txt");
        HWND edit = d.EditStartMergeField2->Handle();
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(longText.c_str())); // as a paste does
        Click(d.Strg_OK);
        return true;
    }));
    EXPECT_EQ(StoredString(L"MergeFileSeperator"), L"x");
    EXPECT_EQ(StoredString(L"SourceFileName"), L"job.txt");
    EXPECT_EQ(StoredString(L"StartString2").size(), longText.size());

    // Emptied edits save empty texts.
    ASSERT_TRUE(RunExchange([](TSteuerung& d) {
        Empty(d.EditSeperator);
        Empty(d.EditStartMergeField1);
        Empty(d.EditPrintFilePathName);
        Click(d.Strg_OK);
        return true;
    }));
    for (const wchar_t* name : {L"MergeFileSeperator", L"StartString1", L"PrintFilePathName"}) {
        EXPECT_EQ(ValueType(name), static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(StoredString(name), L"") << name;
    }
    EXPECT_EQ(window_->MergeFileSeperator, "");
    EXPECT_EQ(window_->StartString[1], "");
}

TEST_F(DialogTest, OkWithoutChangeWritesAll37ValuesAgainUnchanged)
{
    // Texts with characters of the ANSI code page beyond ASCII, and a flag of 1.
    const bool westernCodePage = GetACP() == 1252;
    const std::wstring special = westernCodePage ? L"\u00c4rger \u00fc\u00df \u00a7" : L"plain";
    SetString(L"StartString7", special + L" = \"");
    SetString(L"PrintFilePathName", L"c:\\Dr\u00fcck\\" + std::wstring(westernCodePage ? L"\u00e9t\u00e9" : L"x")
                                        + L".dml");
    SetDword(L"UseString7", 1);
    const auto before = Snapshot();
    ASSERT_EQ(before.size(), 37u);

    ASSERT_TRUE(RunExchange([&](TSteuerung& d) {
        EXPECT_EQ(TextOf(d.EditStartMergeField7), special + L" = \"");
        ExpectNoDesignTexts(d);
        // Take every value away behind the dialog's back: OK must write all.
        for (const auto& [name, value] : before)
            DeleteValue(name.c_str());
        Click(d.Strg_OK);
        return true;
    }));
    const auto after = Snapshot();
    for (const auto& [name, value] : before)
        EXPECT_TRUE(after.at(name) == value) << "value " << WideToAnsi(name);
    EXPECT_EQ(ValueNames().size(), 37u);
}

TEST_F(DialogTest, CancelAndClosingSaveNothingAndReloadTheSettings)
{
    ASSERT_TRUE(RunExchange([](TSteuerung& d) {
        TypeInto(d.EditARCpath, L"c:\\typed");
        SendMessageW(d.CheckBoxMergeField9->Handle(), BM_CLICK, 0, 0);
        // Changed from outside while the dialog is open.
        SetString(L"SourceFileName", L"outside.txt");
        Click(d.Strg_Abbruch);
        return true;
    }));
    EXPECT_EQ(StoredString(L"ARCpath"), AnsiToWide(arc_));
    EXPECT_EQ(StoredDword(L"UseString9"), 0u);
    EXPECT_EQ(window_->SourceFileName, "outside.txt") << "Abbruch loads the settings again";
    EXPECT_EQ(window_->ARCpath, arc_);

    // Closing the window behaves as Abbruch; what was typed is not seen again.
    ASSERT_TRUE(RunExchange([](TSteuerung& d) {
        EXPECT_EQ(TextOf(d.EditSourceFileName), L"outside.txt");
        EXPECT_NE(TextOf(d.EditARCpath), L"c:\\typed");
        EXPECT_FALSE(d.CheckBoxMergeField9->Checked());
        TypeInto(d.EditSourceFileName, L"typed.txt");
        SetString(L"MergeFileName", L"outside.dmf");
        PostMessageW(d.Handle(), WM_CLOSE, 0, 0);
        return true;
    }));
    EXPECT_EQ(StoredString(L"SourceFileName"), L"outside.txt");
    EXPECT_EQ(window_->MergeFileName, "outside.dmf");

    // The system menu's close command (as Alt+F4 gives it) does the same.
    ASSERT_TRUE(RunExchange([](TSteuerung& d) {
        TypeInto(d.EditSourceFileName, L"typed.txt");
        PostMessageW(d.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }));
    EXPECT_EQ(StoredString(L"SourceFileName"), L"outside.txt");
    EXPECT_FALSE(IsWindowVisible(dialog_->Handle()));
    EXPECT_TRUE(IsWindowEnabled(window_->Handle()));
}

TEST_F(DialogTest, RegistryFaultInTheOpeningLoadShowsTheErrorBoxAndNoDialog)
{
    bool dialogSeen = false;
    {
        ReadOnlySettingsKey readOnly;
        ErrorBoxWatcher watcher(200);
        g_step = [&](TSteuerung&) {
            dialogSeen = true;
            return false;
        };
        g_deadline = GetTickCount() + 20000;
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, StepTimer);
        SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(window_->ARCSteuerung1->Command(), 0), 0);
        KillTimer(nullptr, timer);
        const auto boxes = watcher.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, L"Mervane - Corvanta Control");
        EXPECT_NE(boxes[0].text.find(L"'ARCpath'"), std::wstring::npos) << WideToAnsi(boxes[0].text);
    }
    EXPECT_FALSE(dialogSeen);
    // The dialog was never filled.
    EXPECT_EQ(TextOf(dialog_->EditARCpath), L"EditARCpath");
    EXPECT_TRUE(IsWindowEnabled(window_->Handle()));
}

TEST_F(DialogTest, TicksGoOnWhileTheDialogIsOpenAndStartCannotBePressed)
{
    TZarviktool::Pause = [](DWORD) {};
    window_->Timer1Timer(nullptr);
    ASSERT_EQ(window_->StatusBar1->SimpleText(), L"Okay, keine Dateien im ARC Verzeichnis vorhanden!");
    SetWindowPos(window_->Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    // Quicker ticks than the 2000 ms of the layout keep this test short.
    window_->Timer1->SetInterval(100);

    int phase = 0;
    std::wstring statusWhileOpen;
    bool startEnabledWhileOpen = false;
    bool boxOwnedByDialog = false;
    bool dialogBackAfterBox = false;
    bool mainEnabledAfterBox = true;
    ASSERT_TRUE(RunExchange([&](TSteuerung& d) {
        switch (phase) {
        case 0:
            // Keep the dialog clear of the Start button, then let a job arrive.
            SetWindowPos(d.Handle(), nullptr, 400, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            WriteFile(arc_ + "\\ver_ctrl.txt", "PatientName = \"Muster\" \n");
            phase = 1;
            return false;
        case 1:
            if (window_->StatusBar1->SimpleText() != L"Daten und Quelldatei im ARC Verzeichnis vorhanden!")
                return false;
            statusWhileOpen = window_->StatusBar1->SimpleText();
            startEnabledWhileOpen = window_->BtnStart->Enabled();
            // A real click on Start: the disabled window takes none.
            ClickOnStart(*window_);
            phase = 2;
            return false;
        default:
            // An error box over the dialog, which owns it: afterwards the
            // dialog is enabled and active again, the main window still disabled.
            {
                ErrorBoxWatcher watcher(200);
                Application->HandleException(Exception(L"Fehler"));
                const auto boxes = watcher.Boxes();
                boxOwnedByDialog = boxes.size() == 1 && boxes[0].owner == d.Handle();
            }
            dialogBackAfterBox = IsWindowEnabled(d.Handle()) && GetActiveWindow() == d.Handle();
            mainEnabledAfterBox = IsWindowEnabled(window_->Handle()) != FALSE;
            Click(d.Strg_Abbruch);
            return true;
        }
    }));
    EXPECT_TRUE(boxOwnedByDialog);
    EXPECT_TRUE(dialogBackAfterBox);
    EXPECT_FALSE(mainEnabledAfterBox) << "the box enabled the window that the dialog had disabled";
    EXPECT_EQ(statusWhileOpen, L"Daten und Quelldatei im ARC Verzeichnis vorhanden!");
    EXPECT_TRUE(startEnabledWhileOpen);
    PumpMessages(200);
    EXPECT_FALSE(window_->JobStarted);
    EXPECT_TRUE(window_->Idle);
    EXPECT_FALSE(FileExists(arc_ + "\\Print.dmf"));

    // The same click once the dialog is closed does start the job.
    ClickOnStart(*window_);
    PumpMessages(300);
    EXPECT_TRUE(window_->JobStarted);
    EXPECT_TRUE(FileExists(arc_ + "\\Print.dmf"));
}
