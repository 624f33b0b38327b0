// The in-memory dialog host and the template reader, proved with the framework probe page and
// with a page that records every handler call.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fake/dialog_templates.h"
#include "fake/test_dialog_host.h"
#include "probe/framework_probe_page.h"

namespace velnora {
namespace {

using fake::ControlKind;
using fake::DialogTemplates;
using fake::PageDriver;
using fake::TestDialogHost;
using platform::ListCell;
using platform::Notification;
using platform::PageWindow;
using probe::FrameworkProbePage;

constexpr char kTestRc[] = R"rc(
// Ids are defined here and in headers; both must resolve.
#define IDD_TEST 500
#define IDC_EDIT 501
#define IDC_MEMO 502
#define IDC_HIDDEN 503
#define IDC_GO 504
#define IDC_ODLIST 505
#define IDC_TREE 506
#define IDC_COMBO 507
#define IDC_TICK 508
#define IDC_PIC 509
#define IDC_LIST 510
#define IDD_MODELESS 520

STRINGTABLE
BEGIN
    1 "not a dialog"
END

IDD_TEST DIALOGEX 0, 0, 200, 150
STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
CAPTION "Test ""page"""
FONT 9, "MS Shell Dlg", 400, 0, 0x1
BEGIN
    EDITTEXT        IDC_EDIT, 5, 5, 100, 12, ES_AUTOHSCROLL
    EDITTEXT        IDC_MEMO, 5, 20, 100, 30, ES_MULTILINE | ES_READONLY /* comment */
    PUSHBUTTON      "Hidden", IDC_HIDDEN, 5, 60, 40, 14, NOT WS_VISIBLE | WS_DISABLED
    DEFPUSHBUTTON   "Go", IDC_GO, 50, 60, 40, 14
    CONTROL         "", IDC_ODLIST, "SysListView32",
                    LVS_REPORT | LVS_OWNERDATA | WS_BORDER,
                    5, 80, 100, 40
    CONTROL         "", IDC_LIST, "SysListView32", LVS_REPORT, 110, 80, 80, 40
    CONTROL         "", IDC_TREE, WC_TREEVIEW, TVS_HASLINES, 110, 5, 80, 60
    COMBOBOX        IDC_COMBO, 5, 125, 80, 60, CBS_DROPDOWNLIST
    CONTROL         "Tick", IDC_TICK, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, 90, 125, 40, 10
    CONTROL         "", IDC_PIC, "Static", SS_BITMAP, 140, 125, 20, 20
    LTEXT           "Label", IDC_STATIC, 5, 140, 40, 8
    PUSHBUTTON      "OK", IDOK, 150, 130, 40, 14
END

IDD_MODELESS DIALOG 0, 0, 100, 50
STYLE WS_POPUP | WS_VISIBLE | WS_CAPTION
CAPTION "Modeless"
BEGIN
    PUSHBUTTON "Close", IDCANCEL, 5, 5, 40, 14
END
)rc";

enum : int {
    IDD_TEST = 500,
    IDC_EDIT,
    IDC_MEMO,
    IDC_HIDDEN,
    IDC_GO,
    IDC_ODLIST,
    IDC_TREE,
    IDC_COMBO,
    IDC_TICK,
    IDC_PIC,
    IDC_LIST,
    IDD_MODELESS = 520,
    IDD_NO_TEMPLATE = 600,
};

const DialogTemplates& TestTemplates() {
    static const DialogTemplates templates = [] {
        DialogTemplates parsed;
        std::string error;
        EXPECT_TRUE(parsed.ParseRc(kTestRc, ".", &error)) << error;
        return parsed;
    }();
    return templates;
}

// A page that writes every handler call into a log and lets each test plug in behaviour.
class RecordingPage : public platform::DialogPage {
  public:
    explicit RecordingPage(int templateId) : DialogPage(templateId) {}

    std::vector<std::string> log;
    std::function<void(PageWindow&)> init;
    std::function<bool(RecordingPage&, int, int)> command;  // true: handled
    std::function<void(int, int, int, ListCell&)> cell;
    std::function<void(RecordingPage&)> destroy;
    bool swallowEscape = false;
    bool refuseEndSession = false;

    PageWindow& W() { return Window(); }
    using DialogPage::EndDialog;

    void OnInitDialog() override {
        log.push_back("init");
        if (init)
            init(Window());
    }
    void OnCommand(int id, int code) override {
        log.push_back("command " + std::to_string(id) + " " + std::to_string(code));
        if (!command || !command(*this, id, code))
            DialogPage::OnCommand(id, code);
    }
    void OnNotify(const Notification& n) override {
        log.push_back("notify " + std::to_string(n.controlId) + " " + std::to_string(n.code) +
                      " item " + std::to_string(n.item) + " sub " + std::to_string(n.subItem) +
                      " new " + std::to_string(n.newState) + " old " + std::to_string(n.oldState) +
                      (n.onCheckBox ? " box" : "") +
                      (n.node != platform::kTreeRoot ? " node" : ""));
    }
    void OnGetCell(int id, int row, int column, ListCell& c) override {
        if (cell)
            cell(id, row, column, c);
    }
    bool OnMouseOver(int id) override {
        log.push_back("mouse " + std::to_string(id));
        return id == IDC_GO;
    }
    bool PreTranslateKeyDown(int key) override {
        log.push_back("key " + std::to_string(key));
        return swallowEscape && key == platform::kVirtualKeyEscape;
    }
    void OnShowWindow(bool visible) override { log.push_back(visible ? "shown" : "hidden"); }
    void OnSize(int w, int h) override {
        log.push_back("size " + std::to_string(w) + "x" + std::to_string(h));
    }
    void OnTimer(int id) override { log.push_back("timer " + std::to_string(id)); }
    bool OnQueryEndSession() override {
        log.push_back("query end");
        return !refuseEndSession;
    }
    void OnEndSession(bool ending) override {
        log.push_back(std::string("end session ") + (ending ? "1" : "0"));
    }
    void OnDestroy() override {
        log.push_back("destroy");
        if (destroy)
            destroy(*this);
    }
};

// Collects what the host reports instead of failing the test, for the cases that provoke it.
struct FailureLog {
    std::vector<std::string> messages;
    void Attach(TestDialogHost& host) {
        host.SetReporter([this](const std::string& m) { messages.push_back(m); });
    }
};

FrameworkProbePage::ModalRunner RunnerOf(TestDialogHost& host) {
    return [&host](platform::DialogPage& page, const platform::DialogPage* owner) {
        return host.RunModal(page, owner);
    };
}

// --- Template reader ---------------------------------------------------------------------

TEST(DialogTemplates, ReadsControlsKindsAndStatesFromResourceScripts) {
    const fake::DialogTemplate* dialog = TestTemplates().Find(IDD_TEST);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->caption, "Test \"page\"");
    EXPECT_EQ(dialog->rect, (platform::Rect{0, 0, 200, 150}));
    EXPECT_FALSE(dialog->visible);
    EXPECT_EQ(dialog->controls.size(), 11u) << "IDC_STATIC is not kept";

    struct Case {
        int id;
        ControlKind kind;
        bool visible, enabled, defaultButton, autoCheck, ownerData, multiline, readOnly;
    };
    const Case cases[] = {
        {IDC_EDIT, ControlKind::kEdit, true, true, false, false, false, false, false},
        {IDC_MEMO, ControlKind::kEdit, true, true, false, false, false, true, true},
        {IDC_HIDDEN, ControlKind::kPushButton, false, false, false, false, false, false, false},
        {IDC_GO, ControlKind::kPushButton, true, true, true, false, false, false, false},
        {IDC_ODLIST, ControlKind::kList, true, true, false, false, true, false, false},
        {IDC_LIST, ControlKind::kList, true, true, false, false, false, false, false},
        {IDC_TREE, ControlKind::kTree, true, true, false, false, false, false, false},
        {IDC_COMBO, ControlKind::kCombo, true, true, false, false, false, false, false},
        {IDC_TICK, ControlKind::kCheckBox, true, true, false, true, false, false, false},
        {IDC_PIC, ControlKind::kPicture, true, true, false, false, false, false, false},
        {platform::cmd::kOk, ControlKind::kPushButton, true, true, false, false, false, false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("control " + std::to_string(c.id));
        const fake::ControlTemplate* control = dialog->Find(c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->kind, c.kind);
        EXPECT_EQ(control->visible, c.visible);
        EXPECT_EQ(control->enabled, c.enabled);
        EXPECT_EQ(control->defaultButton, c.defaultButton);
        EXPECT_EQ(control->autoCheck, c.autoCheck);
        EXPECT_EQ(control->ownerData, c.ownerData);
        EXPECT_EQ(control->multiline, c.multiline);
        EXPECT_EQ(control->readOnly, c.readOnly);
    }
    EXPECT_EQ(dialog->Find(IDC_ODLIST)->rect, (platform::Rect{5, 80, 105, 120}));
    EXPECT_EQ(dialog->Units(), (fake::BaseUnits{6, 13})) << "MS Shell Dlg at 9 points";

    const fake::DialogTemplate* modeless = TestTemplates().Find(IDD_MODELESS);
    ASSERT_NE(modeless, nullptr);
    EXPECT_TRUE(modeless->visible);
    EXPECT_EQ(modeless->Units(), (fake::BaseUnits{8, 16})) << "no FONT: the system font";
}

TEST(DialogTemplates, ReportsScriptsItCannotRead) {
    const char* broken[] = {
        "1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  FROB 1, 2\nEND\n",
        "1 DIALOGEX 0, 0, 10, 10\nBEGIN\n  PUSHBUTTON \"x\", 5\nEND\n",
        "1 DIALOGEX 0, 0, 10, 10\nSTYLE WS_POPUP\n",
    };
    for (const char* text : broken) {
        DialogTemplates templates;
        std::string error;
        EXPECT_FALSE(templates.ParseRc(text, ".", &error)) << text;
        EXPECT_FALSE(error.empty());
    }
    DialogTemplates none;
    EXPECT_FALSE(none.LoadRcFile("/no/such/file.rc"));
}

TEST(DialogTemplates, TheProjectTemplatesHoldTheProbeAndTheProductsDoNot) {
    EXPECT_EQ(DialogTemplates::Product().Find(IDD_FRAMEWORK_PROBE), nullptr);
    const fake::DialogTemplate* probe = DialogTemplates::Project().Find(IDD_FRAMEWORK_PROBE);
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->Find(IDC_PROBE_NAME)->kind, ControlKind::kEdit);
    EXPECT_EQ(probe->Find(IDC_PROBE_ECHO)->kind, ControlKind::kStatic);
    EXPECT_EQ(probe->Find(IDC_PROBE_LIST)->kind, ControlKind::kList);
    EXPECT_FALSE(probe->Find(IDC_PROBE_LIST)->ownerData);
    EXPECT_TRUE(probe->Find(IDC_PROBE_CELLS)->ownerData);
    EXPECT_EQ(probe->Find(IDC_PROBE_AGREE)->kind, ControlKind::kCheckBox);
    EXPECT_TRUE(probe->Find(platform::cmd::kOk)->defaultButton);
    EXPECT_NE(probe->Find(platform::cmd::kCancel), nullptr);
}

// --- The probe through the in-memory host -------------------------------------------------

TEST(FrameworkProbe, ApplyAddsRowsAndOkEndsWithOnePlusTheRowCount) {
    TestDialogHost host;
    FrameworkProbePage probe(RunnerOf(host));
    host.OnNextRun(IDD_FRAMEWORK_PROBE, [](PageDriver& d) {
        EXPECT_EQ(d.Title(), probe::kProbeTitle);
        EXPECT_TRUE(d.IsWindowVisible());
        EXPECT_EQ(d.Focus(), IDC_PROBE_NAME);
        EXPECT_FALSE(d.IsEnabled(IDC_PROBE_APPLY));
        EXPECT_FALSE(d.Click(IDC_PROBE_APPLY)) << "a disabled button cannot be pressed";

        ASSERT_TRUE(d.Type(IDC_PROBE_NAME, "名前 one"));
        EXPECT_TRUE(d.IsEnabled(IDC_PROBE_APPLY));
        ASSERT_TRUE(d.Click(IDC_PROBE_APPLY));
        EXPECT_EQ(d.Text(IDC_PROBE_ECHO), "名前 one");
        // Apply empties the name itself, and the edit's change notice disables Apply again.
        EXPECT_EQ(d.Text(IDC_PROBE_NAME), "");
        EXPECT_FALSE(d.IsEnabled(IDC_PROBE_APPLY));

        ASSERT_TRUE(d.Click(IDC_PROBE_AGREE));
        EXPECT_TRUE(d.IsChecked(IDC_PROBE_AGREE));
        ASSERT_TRUE(d.Type(IDC_PROBE_NAME, "two"));
        ASSERT_TRUE(d.Click(IDC_PROBE_APPLY));
        EXPECT_EQ(d.Rows(IDC_PROBE_LIST),
                  (std::vector<std::vector<std::string>>{{"名前 one", "10"}, {"two", "3"}}));
        EXPECT_FALSE(d.IsRowChecked(IDC_PROBE_LIST, 0));
        EXPECT_TRUE(d.IsRowChecked(IDC_PROBE_LIST, 1));
        EXPECT_EQ(d.SelectedRow(IDC_PROBE_LIST), 1);

        // The owner-data list shows the page's own rows; its check box clicks come back to
        // the page, which toggles its data.
        EXPECT_EQ(d.Rows(IDC_PROBE_CELLS),
                  (std::vector<std::vector<std::string>>{{"#0 名前 one"}, {"#1 two"}}));
        EXPECT_FALSE(d.IsRowChecked(IDC_PROBE_CELLS, 0));
        EXPECT_TRUE(d.IsRowChecked(IDC_PROBE_CELLS, 1));
        EXPECT_EQ(d.OwnerCell(IDC_PROBE_CELLS, 1, 0).tip, "Row 1");
        const int redraws = d.Control(IDC_PROBE_CELLS).redrawCount;
        ASSERT_TRUE(d.ToggleRowCheck(IDC_PROBE_CELLS, 0));
        EXPECT_TRUE(d.IsRowChecked(IDC_PROBE_CELLS, 0));
        EXPECT_EQ(d.Control(IDC_PROBE_CELLS).redrawCount, redraws + 1);
        ASSERT_TRUE(d.Click(platform::cmd::kOk));
    });

    EXPECT_EQ(host.RunModal(probe, nullptr), 3);
    EXPECT_FALSE(probe.IsOpen());
    EXPECT_TRUE(probe.Destroyed());
    EXPECT_EQ(probe.SelectedRow(), 1) << "the page heard LVN_ITEMCHANGED of its own selection";
    EXPECT_EQ(probe.CellsTicked(), 2);
    // Type-ahead wraps from the start row and ignores case.
    EXPECT_EQ(probe.OnFindRow(IDC_PROBE_CELLS, 1, "#0"), 0);
    EXPECT_EQ(probe.OnFindRow(IDC_PROBE_CELLS, 0, "#1 TW"), 1);
    EXPECT_EQ(probe.OnFindRow(IDC_PROBE_CELLS, 7, "#0"), 0) << "a start past the end is row 0";
    EXPECT_EQ(probe.OnFindRow(IDC_PROBE_CELLS, 0, "#2"), -1);

    PageDriver after = host.LastWindow(IDD_FRAMEWORK_PROBE);
    EXPECT_FALSE(after.IsOpen());
    EXPECT_EQ(after.ColumnTitles(IDC_PROBE_LIST), (std::vector<std::string>{"Name", "Length"}));
    EXPECT_EQ(after.Control(IDC_PROBE_LIST).columns[1].width, 80);
    EXPECT_EQ(after.Control(IDC_PROBE_LIST).listStyle,
              platform::liststyle::kFullRowSelect | platform::liststyle::kCheckBoxes);
    EXPECT_EQ(after.Control(IDC_PROBE_ECHO).font, (platform::FontSpec{"Arial", -16, 700, 0}));
    EXPECT_EQ(after.Icon(), IDI_PROGRAM);
    EXPECT_FALSE(after.HasTimer(probe::kProbeTimer)) << "timers go with the window";
    ASSERT_EQ(host.Runs().size(), 1u);
    EXPECT_EQ(host.Runs()[0].result, 3);
    EXPECT_TRUE(host.Failures().empty());
}

struct KeyCase {
    const char* name;
    bool agree;
    int key;
    bool swallowed;
    int result;  // 0: still open
};

class ProbeKeys : public testing::TestWithParam<KeyCase> {};

TEST_P(ProbeKeys, EscapeIsSwallowedWhileAgreeIsUnchecked) {
    const KeyCase& c = GetParam();
    TestDialogHost host;
    FrameworkProbePage probe(RunnerOf(host));
    host.OnNextRun(IDD_FRAMEWORK_PROBE, [&](PageDriver& d) {
        if (c.agree)
            d.Click(IDC_PROBE_AGREE);
        EXPECT_EQ(d.PressKey(c.key), c.swallowed);
        EXPECT_EQ(d.IsEnded(), c.result != 0);
        if (!d.IsEnded())
            d.Click(platform::cmd::kCancel);
    });
    const int result = host.RunModal(probe, nullptr);
    EXPECT_EQ(result, c.result != 0 ? c.result : probe::kProbeCancelled);
    EXPECT_EQ(probe.EscapesSwallowed(), c.swallowed ? 1 : 0);
    if (c.swallowed) {
        EXPECT_EQ(host.LastWindow(IDD_FRAMEWORK_PROBE).Text(IDC_PROBE_ECHO), "Escape ignored");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ProbeKeys,
    testing::Values(KeyCase{"EscapeWithoutAgree", false, platform::kVirtualKeyEscape, true, 0},
                    KeyCase{"EscapeWithAgree", true, platform::kVirtualKeyEscape, false,
                            probe::kProbeCancelled},
                    KeyCase{"ReturnPressesTheDefaultButton", false, platform::kVirtualKeyReturn,
                            false, 1},
                    KeyCase{"OtherKeysDoNothing", false, 'A', false, 0}),
    [](const testing::TestParamInfo<KeyCase>& info) { return std::string(info.param.name); });

TEST(FrameworkProbe, TimerMouseSizeAndSessionEnd) {
    TestDialogHost host;
    FrameworkProbePage probe(RunnerOf(host));
    host.OnNextRun(IDD_FRAMEWORK_PROBE, [&](PageDriver& d) {
        EXPECT_TRUE(d.HasTimer(probe::kProbeTimer));
        EXPECT_EQ(d.TimerInterval(probe::kProbeTimer), probe::kProbeTimerMs);
        EXPECT_TRUE(d.FireTimer(probe::kProbeTimer));
        EXPECT_EQ(d.Title(), probe::kProbeReadyTitle);
        EXPECT_FALSE(d.FireTimer(probe::kProbeTimer)) << "the probe killed its timer";

        EXPECT_FALSE(d.HoverOver(IDC_PROBE_APPLY));
        d.HoverOver(IDC_PROBE_APPLY);
        d.HoverOver(0);

        d.Resize(500, 300);
        EXPECT_EQ(d.Control(IDC_PROBE_LIST).rect.right, 500 - probe::kListMargin);
        EXPECT_EQ(d.Control(IDC_PROBE_LIST).rect.left, 12) << "the template's 8 units stay";

        EXPECT_TRUE(host.QueryEndSession()) << "no rows yet";
        d.Type(IDC_PROBE_NAME, "x");
        d.Click(IDC_PROBE_APPLY);
        EXPECT_FALSE(d.QueryEndSession());
        EXPECT_FALSE(host.QueryEndSession());
        host.EndSession(true);
        d.Click(platform::cmd::kOk);
    });
    EXPECT_EQ(host.RunModal(probe, nullptr), 2);
    EXPECT_EQ(probe.Ticks(), 1);
    EXPECT_EQ(probe.Hovers(IDC_PROBE_APPLY), 2);
    EXPECT_EQ(probe.Hovers(0), 1);
    EXPECT_EQ(probe.SizeChanges(), 1);
    EXPECT_TRUE(probe.SessionEnding());
}

TEST(FrameworkProbe, APageRunsAnotherModallyFromItsHandler) {
    TestDialogHost host;
    FrameworkProbePage outer(RunnerOf(host));
    host.OnNextRun(IDD_FRAMEWORK_PROBE, [&](PageDriver& d) {
        d.Type(IDC_PROBE_NAME, "first");
        d.Click(IDC_PROBE_APPLY);
        ASSERT_TRUE(d.DoubleClickRow(IDC_PROBE_LIST, 0));
        EXPECT_EQ(d.Text(IDC_PROBE_ECHO), "Inner probe ended with 3");
        EXPECT_TRUE(d.IsWindowEnabled()) << "the owner is enabled again after the inner run";
        d.Click(platform::cmd::kOk);
    });
    // The inner probe's run: filled in from the row, owned by the outer probe.
    host.OnNextRun(IDD_FRAMEWORK_PROBE, [&](PageDriver& d) {
        EXPECT_NE(&d.Page(), &outer);
        EXPECT_EQ(d.Text(IDC_PROBE_NAME), "first");
        EXPECT_TRUE(d.IsEnabled(IDC_PROBE_APPLY));
        PageDriver owner = host.Driver(outer);
        EXPECT_FALSE(owner.IsWindowEnabled());
        EXPECT_FALSE(owner.Click(platform::cmd::kOk)) << "a modal page's owner takes no input";
        d.Click(IDC_PROBE_APPLY);
        d.Type(IDC_PROBE_NAME, "second");
        d.Click(IDC_PROBE_APPLY);
        d.Click(platform::cmd::kOk);
    });
    EXPECT_EQ(host.RunModal(outer, nullptr), 2);
    EXPECT_EQ(outer.InnerResult(), 3);
    ASSERT_EQ(host.Runs().size(), 2u);
    EXPECT_EQ(host.Runs()[0].ownerTemplateId, IDD_FRAMEWORK_PROBE);
    EXPECT_EQ(host.Runs()[0].result, 3);
    EXPECT_EQ(host.Runs()[1].ownerTemplateId, 0);
    EXPECT_TRUE(host.Failures().empty());
}

// --- Host mechanics with the recording page -----------------------------------------------

TEST(TestDialogHost, ControlsStartAsTheTemplateSaysAndUsersCannotReachHiddenOrDisabledOnes) {
    TestDialogHost host(TestTemplates());
    RecordingPage page(IDD_TEST);
    host.OnNextRun(IDD_TEST, [](PageDriver& d) {
        EXPECT_EQ(d.Title(), "Test \"page\"");
        EXPECT_EQ(d.ClientRect(), (platform::Rect{0, 0, 300, 244})) << "200 x 150 units of 6 x 13";
        EXPECT_FALSE(d.IsVisible(IDC_HIDDEN));
        EXPECT_FALSE(d.Click(IDC_HIDDEN));
        EXPECT_FALSE(d.Type(IDC_MEMO, "x")) << "read-only";
        EXPECT_TRUE(d.Click(IDC_TICK));
        EXPECT_TRUE(d.IsChecked(IDC_TICK)) << "an auto check box ticks itself";
        EXPECT_TRUE(d.Click(IDC_TICK));
        EXPECT_FALSE(d.IsChecked(IDC_TICK));
        EXPECT_TRUE(d.HoverOver(IDC_GO)) << "the page's answer";
        EXPECT_FALSE(d.HoverOver(IDC_HIDDEN));
        d.PressReturn();  // IDC_GO is the default button
        d.Click(platform::cmd::kOk);
    });
    EXPECT_EQ(host.RunModal(page, nullptr), platform::cmd::kOk);
    EXPECT_EQ(page.log, (std::vector<std::string>{"init", "shown", "command 508 0", "command 508 0",
                                                  "mouse 504", "key 13", "command 504 0",
                                                  "command 1 0", "destroy"}));
}

TEST(TestDialogHost, ReturnFollowsTheFocusedButtonOrTheEnabledDefaultButton) {
    struct Case {
        const char* name;
        int focus;
        bool goEnabled;
        const char* expected;  // last command, or "" for none
    };
    const Case cases[] = {
        {"DefaultButton", 0, true, "command 504 0"},
        {"DisabledDefaultButtonDoesNothing", 0, false, ""},
        {"FocusedPushButtonWins", platform::cmd::kOk, true, "command 1 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDialogHost host(TestTemplates());
        RecordingPage page(IDD_TEST);
        page.init = [&](PageWindow& w) {
            w.Enable(IDC_GO, c.goEnabled);
            if (c.focus != 0)
                w.SetFocus(c.focus);
        };
        page.command = [](RecordingPage&, int, int) { return true; };  // nothing ends
        host.OnNextRun(IDD_TEST, [&](PageDriver& d) {
            d.PressReturn();
            page.EndDialog(7);
        });
        EXPECT_EQ(host.RunModal(page, nullptr), 7);
        const std::string last = page.log[page.log.size() - 2];
        EXPECT_EQ(last, c.expected[0] != '\0' ? std::string(c.expected) : "key 13");
    }
}

TEST(TestDialogHost, SwallowedEscapeNeverBecomesACancel) {
    TestDialogHost host(TestTemplates());
    RecordingPage page(IDD_TEST);
    page.swallowEscape = true;
    host.OnNextRun(IDD_TEST, [](PageDriver& d) {
        EXPECT_TRUE(d.PressEscape());
        EXPECT_FALSE(d.IsEnded());
        d.CloseBox();  // the close box still cancels
    });
    EXPECT_EQ(host.RunModal(page, nullptr), platform::cmd::kCancel);
    EXPECT_EQ(page.log,
              (std::vector<std::string>{"init", "shown", "key 27", "command 2 0", "destroy"}));
}

TEST(TestDialogHost, ListSelectionClicksAndCheckBoxesNotifyLikeTheListView) {
    TestDialogHost host(TestTemplates());
    RecordingPage page(IDD_TEST);
    page.init = [](PageWindow& w) {
        w.SetListStyle(IDC_LIST, platform::liststyle::kCheckBoxes);
        w.InsertColumn(IDC_LIST, 0, "A", 50);
        for (int row = 0; row < 3; ++row)
            w.InsertRow(IDC_LIST, row, "r" + std::to_string(row));
    };
    host.OnNextRun(IDD_TEST, [](PageDriver& d) {
        auto& page = static_cast<RecordingPage&>(d.Page());
        page.log.clear();
        EXPECT_TRUE(d.ClickRow(IDC_LIST, 1));
        EXPECT_TRUE(d.SelectRow(IDC_LIST, 2));
        EXPECT_TRUE(d.ClickRow(IDC_LIST, -1));  // empty space
        EXPECT_FALSE(d.ClickRow(IDC_LIST, 3));
        EXPECT_TRUE(d.ToggleRowCheck(IDC_LIST, 0));
        EXPECT_TRUE(d.IsRowChecked(IDC_LIST, 0));
        EXPECT_EQ(d.Focus(), IDC_LIST);
        EXPECT_EQ(page.log, (std::vector<std::string>{
                                "notify 510 -101 item 1 sub 0 new 3 old 0",
                                "notify 510 -2 item 1 sub 0 new 0 old 0",
                                "notify 510 -101 item 1 sub 0 new 0 old 3",
                                "notify 510 -101 item 2 sub 0 new 3 old 0",
                                "notify 510 -101 item 2 sub 0 new 0 old 3",
                                "notify 510 -2 item -1 sub -1 new 0 old 0",
                                "notify 510 -101 item 0 sub 0 new 8192 old 4096",
                                "notify 510 -2 item 0 sub 0 new 0 old 0 box",
                            }));
        d.Click(platform::cmd::kOk);
    });
    host.RunModal(page, nullptr);
    EXPECT_TRUE(host.Failures().empty());
}

TEST(TestDialogHost, OwnerDataListsAskThePageForEveryCell) {
    TestDialogHost host(TestTemplates());
    RecordingPage page(IDD_TEST);
    std::vector<bool> ticks = {true, false};
    page.cell = [&](int id, int row, int column, ListCell& cell) {
        EXPECT_EQ(id, IDC_ODLIST);
        cell.text = "cell " + std::to_string(row) + "," + std::to_string(column);
        cell.hasCheckBox = column == 0;
        cell.checked = ticks[static_cast<std::size_t>(row)];
    };
    page.init = [](PageWindow& w) {
        w.SetListStyle(IDC_ODLIST, platform::liststyle::kCheckBoxes);
        w.InsertColumn(IDC_ODLIST, 0, "Only", -1);
        EXPECT_EQ(w.InsertRow(IDC_ODLIST, 0, "x"), -1) << "owner-data lists store no rows";
        w.SetRowCount(IDC_ODLIST, 2);
        EXPECT_EQ(w.GetCell(IDC_ODLIST, 1, 0), "cell 1,0");
        EXPECT_TRUE(w.IsRowChecked(IDC_ODLIST, 0));
    };
    host.OnNextRun(IDD_TEST, [&](PageDriver& d) {
        EXPECT_EQ(d.RowCount(IDC_ODLIST), 2);
        EXPECT_EQ(d.Rows(IDC_ODLIST),
                  (std::vector<std::vector<std::string>>{{"cell 0,0"}, {"cell 1,0"}}));
        // The list keeps nothing: the click only reports the box, the page toggles its data.
        EXPECT_TRUE(d.ToggleRowCheck(IDC_ODLIST, 1));
        EXPECT_EQ(page.log.back(), "notify 505 -2 item 1 sub 0 new 0 old 0 box");
        EXPECT_FALSE(d.IsRowChecked(IDC_ODLIST, 1));
        d.Click(platform::cmd::kOk);
    });
    host.RunModal(page, nullptr);
    EXPECT_TRUE(host.Failures().empty());
}

TEST(TestDialogHost, TreesCombosPicturesAndPlacement) {
    TestDialogHost host(TestTemplates());
    host.SetPictureLoader([](const std::string& path) { return path == "C:\\media\\logo.bmp"; });
    RecordingPage page(IDD_TEST);
    platform::TreeNode root = 0;
    page.init = [&](PageWindow& w) {
        root = w.InsertNode(IDC_TREE, platform::kTreeRoot, "C:\\Vantorix");
        const auto package = w.InsertNode(IDC_TREE, root, "Package");
        w.InsertNode(IDC_TREE, package, "ToolChain");
        w.InsertNode(IDC_TREE, root, "Version=4.08");
        w.SetNodeBold(IDC_TREE, root, true);
        w.ExpandNode(IDC_TREE, root);
        EXPECT_EQ(w.ChildNodes(IDC_TREE, root).size(), 2u);
        EXPECT_EQ(w.NodeText(IDC_TREE, package), "Package");
        EXPECT_EQ(w.InsertNode(IDC_TREE, 999, "orphan"), platform::kTreeRoot);

        EXPECT_EQ(w.AddComboItem(IDC_COMBO, "English"), 0);
        EXPECT_EQ(w.AddComboItem(IDC_COMBO, "日本語"), 1);
        w.SetComboSelection(IDC_COMBO, 5);
        EXPECT_EQ(w.ComboSelection(IDC_COMBO), -1);

        EXPECT_TRUE(w.SetPictureFile(IDC_PIC, "C:\\media\\logo.bmp"));
        EXPECT_FALSE(w.SetPictureFile(IDC_PIC, "C:\\media\\missing.bmp"));

        platform::Rect rect;
        EXPECT_TRUE(w.GetControlRect(IDC_GO, rect));
        // (50, 60, 40, 14) in the 6 x 13 pixel units of MS Shell Dlg at 9 points.
        EXPECT_EQ(rect, (platform::Rect{75, 98, 135, 121}));
        EXPECT_TRUE(w.SetControlRect(IDC_GO, platform::Rect{1, 2, 3, 4}));
        EXPECT_FALSE(w.GetControlRect(999, rect)) << "a probe for a missing control";
        EXPECT_EQ(w.TextWidth(IDC_EDIT, "日本"), 14);
    };
    host.OnNextRun(IDD_TEST, [&](PageDriver& d) {
        EXPECT_EQ(d.TreeLines(IDC_TREE),
                  (std::vector<std::string>{"C:\\Vantorix", "  Package", "    ToolChain",
                                            "  Version=4.08"}));
        EXPECT_TRUE(d.Node(IDC_TREE, root).bold);
        EXPECT_TRUE(d.Node(IDC_TREE, root).expanded);
        EXPECT_TRUE(d.SelectNode(IDC_TREE, root));
        EXPECT_EQ(page.log.back(), "notify 506 -451 item -1 sub -1 new 0 old 0 node");
        EXPECT_TRUE(d.SelectCombo(IDC_COMBO, 1));
        EXPECT_FALSE(d.SelectCombo(IDC_COMBO, 2));
        EXPECT_EQ(page.log.back(), "command 507 1");
        EXPECT_EQ(d.Control(IDC_PIC).picture, "C:\\media\\logo.bmp");
        EXPECT_EQ(d.Control(IDC_GO).rect, (platform::Rect{1, 2, 3, 4}));
        d.Click(platform::cmd::kOk);
    });
    host.RunModal(page, nullptr);
    EXPECT_TRUE(host.Failures().empty());
}

TEST(TestDialogHost, PageSideChangesSendWhatTheControlsWouldSend) {
    TestDialogHost host(TestTemplates());
    RecordingPage page(IDD_TEST);
    page.init = [](PageWindow& w) {
        w.SetText(IDC_EDIT, "one-line edit");  // EN_CHANGE
        w.SetText(IDC_MEMO, "multi-line edit, no notice");
        w.ShowWindow(platform::WindowShow::kMinimize);
        w.ShowWindow(platform::WindowShow::kRestore);
        w.ShowWindow(platform::WindowShow::kHide);
    };
    host.OnNextRun(IDD_TEST, [](PageDriver& d) { d.Click(platform::cmd::kOk); });
    host.RunModal(page, nullptr);
    // Hidden in its initialisation, the dialog is shown again by the dialog box itself.
    EXPECT_EQ(page.log, (std::vector<std::string>{"init", "command 501 768", "shown", "size 0x0",
                                                  "size 300x244", "hidden", "shown", "command 1 0",
                                                  "destroy"}));
}

TEST(TestDialogHost, ScriptsThatLeaveThePageOpenFailAndEndTheRun) {
    struct Case {
        const char* name;
        bool script;
        const char* failure;
    };
    const Case cases[] = {
        {"ScriptEndsEarly", true, "the script for template 500 ended, but the page is still open"},
        {"NoScript", false, "the modal run of template 500 has no script and did not end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FailureLog failures;
        TestDialogHost host(TestTemplates());
        failures.Attach(host);
        RecordingPage page(IDD_TEST);
        if (c.script)
            host.OnNextRun(IDD_TEST, [](PageDriver& d) { d.Click(IDC_TICK); });
        EXPECT_EQ(host.RunModal(page, nullptr), TestDialogHost::kRunNotEnded);
        EXPECT_EQ(failures.messages, std::vector<std::string>{c.failure});
        EXPECT_EQ(page.log.back(), "destroy");
        EXPECT_FALSE(page.IsOpen());
    }
}

TEST(TestDialogHost, ReportsMistakesOfPagesAndScripts) {
    FailureLog failures;
    {
        TestDialogHost host(TestTemplates());
        failures.Attach(host);
        RecordingPage page(IDD_TEST);
        page.init = [](PageWindow& w) {
            w.SetText(4242, "no such control");
            w.InsertColumn(IDC_LIST, 0, "A", 10);
            w.InsertRow(IDC_LIST, 0, "row");
            w.SetCell(IDC_LIST, 0, 3, "past the columns");
            w.SetRowCount(IDC_LIST, 3);
        };
        host.OnNextRun(IDD_TEST, [](PageDriver& d) {
            d.Click(IDC_EDIT);
            d.Click(4243);
            d.Click(platform::cmd::kOk);
            d.Click(platform::cmd::kOk);
        });
        host.OnNextRun(IDD_MODELESS, [](PageDriver&) {});
        host.RunModal(page, nullptr);
    }
    EXPECT_EQ(failures.messages,
              (std::vector<std::string>{
                  "the page of template 500 uses control 4242, which its dialog template does "
                  "not have",
                  "the page of template 500 writes column 3 of list 510, which has 1 columns",
                  "list 510 of template 500 has no owner data; its row count cannot be set",
                  "Click: control 501 of template 500 is not a button",
                  "Click: template 500 has no control 4243",
                  "Click on template 500, whose page is not open",
                  "1 script(s) for template 520 never ran",
              }));
}

TEST(TestDialogHost, ModelessPagesEndAfterTheHandlerThatEndedThem) {
    TestDialogHost host(TestTemplates());
    RecordingPage page(IDD_MODELESS);
    page.command = [](RecordingPage& p, int id, int) {
        if (id != platform::cmd::kCancel)
            return false;
        p.EndDialog(5);
        p.log.push_back(p.IsOpen() ? "still open in the handler" : "gone in the handler");
        p.W().SetText(0, "still usable");
        return true;
    };
    ASSERT_TRUE(host.OpenModeless(page, nullptr));
    PageDriver d = host.Driver(page);
    EXPECT_TRUE(d.IsWindowVisible()) << "WS_VISIBLE in the template";
    EXPECT_EQ(d.Title(), "Modeless");
    d.CloseBox();
    EXPECT_FALSE(host.IsOpen(&page));
    EXPECT_EQ(page.log, (std::vector<std::string>{"init", "shown", "command 2 0",
                                                  "still open in the handler", "destroy"}));
    ASSERT_EQ(host.Runs().size(), 1u);
    EXPECT_FALSE(host.Runs()[0].modal);
    EXPECT_EQ(host.Runs()[0].result, 5);
    EXPECT_EQ(host.LastWindow(IDD_MODELESS).Title(), "still usable");
}

TEST(TestDialogHost, APageDestroyedWhileOpenClosesItsWindowWithoutBeingCalled) {
    TestDialogHost host(TestTemplates());
    auto page = std::make_unique<RecordingPage>(IDD_MODELESS);
    const platform::DialogPage* address = page.get();
    ASSERT_TRUE(host.OpenModeless(*page, nullptr));
    page.reset();
    EXPECT_FALSE(host.IsOpen(address));
    EXPECT_FALSE(host.LastWindow(IDD_MODELESS).IsOpen());
    EXPECT_TRUE(host.QueryEndSession()) << "no page is left to ask";
    EXPECT_TRUE(host.Failures().empty());
}

TEST(TestDialogHost, EndOfSessionReachesOpenPagesInnermostFirstUntilOneRefuses) {
    TestDialogHost host(TestTemplates());
    RecordingPage outer(IDD_MODELESS);
    RecordingPage inner(IDD_TEST);
    outer.refuseEndSession = true;
    ASSERT_TRUE(host.OpenModeless(outer, nullptr));
    std::vector<std::string> order;
    host.OnNextRun(IDD_TEST, [&](PageDriver& d) {
        EXPECT_FALSE(host.QueryEndSession());
        inner.refuseEndSession = true;
        EXPECT_FALSE(host.QueryEndSession());
        host.EndSession(false);
        d.Click(platform::cmd::kOk);
    });
    host.RunModal(inner, &outer);
    EXPECT_EQ(inner.log, (std::vector<std::string>{"init", "shown", "query end", "query end",
                                                   "end session 0", "command 1 0", "destroy"}));
    // The second query stopped at the inner page.
    EXPECT_EQ(outer.log, (std::vector<std::string>{"init", "shown", "query end", "end session 0"}));
}

TEST(TestDialogHost, FailedRunsAndPagesWithoutTemplates) {
    TestDialogHost host(TestTemplates());
    RecordingPage page(IDD_TEST);
    host.FailNextRun(IDD_TEST);
    EXPECT_EQ(host.RunModal(page, nullptr), -1);
    EXPECT_TRUE(page.log.empty());
    host.FailNextRun(IDD_MODELESS);
    RecordingPage modeless(IDD_MODELESS);
    EXPECT_FALSE(host.OpenModeless(modeless, nullptr));

    // Without a template every control appears on first touch.
    RecordingPage free(IDD_NO_TEMPLATE);
    free.init = [](PageWindow& w) {
        w.SetText(77, "made on first touch");
        w.SetRowCount(78, 4);
    };
    host.OnNextRun(IDD_NO_TEMPLATE, [](PageDriver& d) {
        EXPECT_EQ(d.Text(77), "made on first touch");
        EXPECT_EQ(d.RowCount(78), 4);
        EXPECT_TRUE(d.Click(79));
        EXPECT_TRUE(d.Click(platform::cmd::kOk));
    });
    EXPECT_EQ(host.RunModal(free, nullptr), platform::cmd::kOk);
    EXPECT_EQ(free.log, (std::vector<std::string>{"init", "shown", "command 79 0", "command 1 0",
                                                  "destroy"}));
    EXPECT_TRUE(host.Failures().empty());
}

}  // namespace
}  // namespace velnora
