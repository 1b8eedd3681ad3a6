// Modal dialogs on the scripted desktop: closing, reading back, selections, the combo
// box and script errors. What typing and clicks do, and what a dialog shows when it
// opens, the editor's polar dialog tests cover (tests/core/polar_dialog_test.cpp).
#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/afx_dialog.h"
#include "platform/desktop.h"
#include "resources/resource.h"
#include "resources/resource_data.h"

namespace {

// A dialog on the polar template with one member per kind of exchange and a
// record of every notification that reached it.
class ProbeDialog : public CDialog {
 public:
  ProbeDialog() : CDialog(IDD_POLAR_POINT_EX) {}

  CString m_text;
  BOOL m_check = FALSE;
  CComboBox m_combo;
  std::vector<std::pair<UINT, UINT>> notifications;
  bool initialised = false;
  bool cancelled = false;
  int endWith = 0;  // ends the dialog from OnInitDialog when set

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    initialised = true;
    m_combo.AddString("first");
    m_combo.AddString("second");
    if (endWith) EndDialog(endWith);
    return TRUE;
  }
  void OnCancel() override {
    cancelled = true;
    CDialog::OnCancel();
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, IDC_POLAR_BASE, m_combo);
    DDX_Text(pDX, IDC_POLAR_ANGLE, m_text);
    DDX_Check(pDX, IDC_POLAR_ANGLE_ON, m_check);
  }
  std::span<const DialogCommandEntry> GetCommandMap() const override {
    using D = ProbeDialog;
    // The last two pair a control with a code it never sends: they must never run.
    static const std::array map = {ON_DIALOG_COMMAND(IDC_POLAR_BASE, CBN_SELCHANGE, D, OnBase),
                                   ON_DIALOG_COMMAND(IDC_POLAR_ANGLE, BN_CLICKED, D, OnStray),
                                   ON_DIALOG_COMMAND(IDC_POLAR_ANGLE_ON, EN_CHANGE, D, OnStray)};
    return map;
  }

 private:
  void OnBase() { notifications.emplace_back(IDC_POLAR_BASE, CBN_SELCHANGE); }
  void OnStray() { notifications.emplace_back(0u, 0u); }
};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QarnSetModuleResources(&QarneditModuleResources());
    QarnDesktop().Reset();
  }
  void TearDown() override { QarnDesktop().Reset(); }
};

}  // namespace

// Left open by its user, with or without typing, a dialog is closed by Cancel, which
// reads nothing back.
TEST_F(DialogTest, ADialogLeftOpenIsCancelledAndReadsNothingBack) {
  for (bool typed : {false, true}) {
    QarnDesktop().Reset();
    if (typed) QarnDesktop().onDialog = [](DialogView& view) { view.SetText(IDC_POLAR_ANGLE, "12"); };
    ProbeDialog dialog;
    dialog.m_text = "kept";
    EXPECT_EQ(dialog.DoModal(), IDCANCEL) << typed;
    EXPECT_TRUE(dialog.initialised) << typed;
    EXPECT_TRUE(dialog.cancelled) << typed;
    EXPECT_EQ(dialog.m_text, CString("kept")) << typed;
    EXPECT_EQ(QarnDesktop().dialogTitles.size(), 1u) << typed;
    EXPECT_EQ(dialog.m_hWnd, nullptr) << "the window is gone after DoModal";
  }
}

TEST_F(DialogTest, OkReadsTheControlsBack) {
  ProbeDialog dialog;
  dialog.m_text = "45";
  dialog.m_check = TRUE;
  char small[4] = "xyz";
  std::vector<int> copied;
  QarnDesktop().onDialog = [&](DialogView& view) {
    view.SetText(IDC_POLAR_ANGLE, "-12.5");
    HWND edit = ::GetDlgItem(dialog.m_hWnd, IDC_POLAR_ANGLE);
    copied = {::GetWindowTextA(edit, small, 4), ::GetWindowTextA(edit, small, 0)};
    view.Click(IDC_POLAR_ANGLE_ON);
    view.Ok();
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.m_text, CString("-12.5")) << "OK reads the edit back";
  EXPECT_EQ(dialog.m_check, FALSE) << "OK reads the clicked box back";
  EXPECT_EQ(copied, (std::vector<int>{3, 0})) << "at most max - 1 characters and a terminator";
  EXPECT_STREQ(small, "-12");
}

// Ended from OnInitDialog, a dialog is never shown and returns what it ended with.
TEST_F(DialogTest, ADialogEndedWhileOpeningIsNeverShown) {
  ProbeDialog dialog;
  dialog.endWith = IDOK;
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(QarnDesktop().dialogTitles.empty());
  EXPECT_FALSE(dialog.cancelled);
}

// A button's text changes silently and an edit is no button; only the selection notifies.
TEST_F(DialogTest, HandlersRunOnlyForTheNotificationsTheirControlsSend) {
  ProbeDialog dialog;
  int selected = -2;
  QarnDesktop().onDialog = [&](DialogView& view) {
    view.SetText(IDC_POLAR_ANGLE_ON, "Renamed");
    view.Click(IDC_POLAR_ANGLE);
    view.SetText(IDC_POLAR_ANGLE, "1");
    view.Click(IDC_POLAR_ANGLE_ON);
    view.Select(IDC_POLAR_BASE, 1);
    selected = view.ComboSelection(IDC_POLAR_BASE);
    view.Ok();
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.notifications, (std::vector<std::pair<UINT, UINT>>{{IDC_POLAR_BASE, CBN_SELCHANGE}}));
  EXPECT_EQ(selected, 1);
}

TEST_F(DialogTest, TheComboBoxKeepsItemsDataAndSelection) {
  ProbeDialog dialog;
  struct Check {
    const char* what;
    long long expected;
    long long actual;
  };
  std::vector<Check> checks;
  std::vector<CString> items;
  CString lbText, missingText = "untouched", selectedText, listedText;
  QarnDesktop().onDialog = [&](DialogView& view) {
    CComboBox& combo = dialog.m_combo;
    checks.push_back({"count after two adds", 2, combo.GetCount()});
    checks.push_back({"no selection at first", CB_ERR, combo.GetCurSel()});
    checks.push_back({"an add appends (unsorted)", 2, combo.AddString("a third")});
    checks.push_back({"set data", 0, combo.SetItemData(1, 77)});
    checks.push_back({"get data", 77, static_cast<long long>(combo.GetItemData(1))});
    checks.push_back({"data of a missing item", CB_ERR, static_cast<long long>(combo.GetItemData(5))});
    checks.push_back({"set data of a missing item", CB_ERR, combo.SetItemData(5, 1)});
    checks.push_back({"text length of a missing item", CB_ERR, ::SendMessageA(combo, CB_GETLBTEXTLEN, 8, 0)});
    checks.push_back({"no control 999", 0, dialog.GetDlgItem(999) != nullptr});
    checks.push_back({"no id for what is no control", 0, ::GetDlgCtrlID(nullptr)});
    checks.push_back({"select", 0, combo.SetCurSel(0)});
    checks.push_back({"selection", 0, combo.GetCurSel()});
    combo.GetLBText(0, lbText);
    combo.GetLBText(8, missingText);
    selectedText = view.Text(IDC_POLAR_BASE);
    for (const auto& c : view.Controls()) listedText += c.id == IDC_POLAR_BASE ? c.text : CString();
    checks.push_back({"select a missing item", CB_ERR, combo.SetCurSel(9)});
    checks.push_back({"which clears the selection", CB_ERR, combo.GetCurSel()});
    checks.push_back({"select again, for the reset to clear", 1, combo.SetCurSel(1)});
    items = view.ComboItems(IDC_POLAR_BASE);
    combo.ResetContent();
    checks.push_back({"count after reset", 0, combo.GetCount()});
    checks.push_back({"selection after reset", CB_ERR, combo.GetCurSel()});
    view.Cancel();
  };
  dialog.DoModal();
  for (const Check& c : checks) EXPECT_EQ(c.actual, c.expected) << c.what;
  EXPECT_EQ(lbText, CString("first"));
  EXPECT_EQ(missingText, CString("")) << "the text of a missing item is empty";
  EXPECT_EQ(selectedText, CString("first")) << "a drop-down list shows its selected item";
  EXPECT_EQ(listedText, CString("first")) << "and so does the list of controls";
  EXPECT_EQ(items, (std::vector<CString>{"first", "second", "a third"}));
}

TEST_F(DialogTest, ScriptErrorsNameTheControlAndLeaveNoWindowBehind) {
  struct Case {
    const char* what;
    std::function<void(DialogView&)> act;
  };
  const Case cases[] = {
      {"text of a missing control", [](DialogView& v) { v.Text(999); }},
      {"click on a missing control", [](DialogView& v) { v.Click(999); }},
      {"select on an edit", [](DialogView& v) { v.Select(IDC_POLAR_ANGLE, 0); }},
      {"select past the items", [](DialogView& v) { v.Select(IDC_POLAR_BASE, 2); }},
      {"select before the items", [](DialogView& v) { v.Select(IDC_POLAR_BASE, -1); }},
      {"OK after Cancel", [](DialogView& v) {
         v.Cancel();
         v.Ok();
       }},
      {"click after OK", [](DialogView& v) {
         v.Ok();
         v.Click(IDC_POLAR_ANGLE_ON);
       }},
  };
  for (const Case& c : cases) {
    QarnDesktop().onDialog = c.act;
    ProbeDialog dialog;
    EXPECT_THROW(dialog.DoModal(), std::invalid_argument) << c.what;
    EXPECT_EQ(dialog.m_hWnd, nullptr) << c.what;
    EXPECT_EQ(::GetDlgItem(dialog.m_hWnd, IDC_POLAR_ANGLE), nullptr) << c.what;
  }
}

TEST_F(DialogTest, TheAboutTemplateShowsItsTextsAndEndsWithItsOkButton) {
  std::vector<DialogView::Control> controls;
  QarnDesktop().onDialog = [&](DialogView& view) {
    controls = view.Controls();
    view.Click(IDOK);
  };
  CDialog about(IDD_ABOUTBOX_QARNEDIT);
  EXPECT_EQ(about.DoModal(), IDOK) << "the OK button ends the dialog";
  ASSERT_EQ(controls.size(), 4u);
  struct Expected {
    int id;
    const char* className;
    const char* text;
  };
  const Expected expected[] = {{-1, "Static", ""},  // the icon shows no text
                               {-1, "Static", "Qarnedit Control, Version 1.0"},
                               {-1, "Static", "Copyright (C) 2026 The qarnedit developers"},
                               {IDOK, "Button", "OK"}};
  for (size_t i = 0; i < controls.size(); ++i) {
    EXPECT_EQ(controls[i].id, expected[i].id) << "control " << i;
    EXPECT_EQ(controls[i].className, CString(expected[i].className)) << "control " << i;
    EXPECT_EQ(controls[i].text, CString(expected[i].text)) << "control " << i;
  }
}

TEST_F(DialogTest, AMissingTemplateFailsWithoutShowingAnything) {
  CDialog missing(202);
  EXPECT_EQ(missing.DoModal(), -1);
  EXPECT_TRUE(QarnDesktop().dialogTitles.empty());
  QarnSetModuleResources(nullptr);
  CDialog about(IDD_ABOUTBOX_QARNEDIT);
  EXPECT_EQ(about.DoModal(), -1) << "without module resources there is no template";
}
