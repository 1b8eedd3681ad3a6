// The "Get Polar Point" dialogs as a user works them: what they show, how each
// control reacts, which texts the string file changes and what the caller reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "commands/polar_point_dlg.h"
#include "platform/profile.h"
#include "resources/resource.h"
#include "tests/core/core_fixture.h"

namespace {

class PolarDialogTest : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    folder = std::filesystem::path(QARN_TEST_OUTPUT_DIR) / "polar_dialog" /
             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    stringFile = (folder / "strings.ini").string();
  }

  // Runs the dialog with the given script, then answers OK unless the script ended it.
  template <class D>
  INT_PTR Run(D& dialog, const std::function<void(DialogView&)>& script) {
    QarnDesktop().onDialog = [script](DialogView& view) {
      script(view);
      if (!view.Ended()) view.Ok();
    };
    return dialog.DoModal();
  }
  // The same script on the extended dialog or on the point dialog.
  void RunEither(bool extended, const std::function<void(DialogView&)>& script) {
    CPolarPointDlg simple;
    CPolarPointExDlg ex;
    if (extended)
      Run(ex, script);
    else
      Run(simple, script);
  }

  std::string Stored(const char* key) const {
    char value[512] = {};
    std::ifstream in(stringFile, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QarnProfileStringFromText(text.data(), text.size(), "POLAR_POINT_DLG", key, "<missing>", value, sizeof(value));
    return value;
  }

  std::filesystem::path folder;
  std::string stringFile;
};

}  // namespace

TEST_F(PolarDialogTest, TypingTicksTheBoxOfItsEditAndClearingUnticksIt) {
  struct Case {
    bool ex;
    int edit;
    int box;
  };
  const Case cases[] = {{false, IDC_POLAR_ANGLE, IDC_POLAR_ANGLE_ON},
                        {false, IDC_POLAR_DISTANCE, IDC_POLAR_DISTANCE_ON},
                        {true, IDC_POLAR_ANGLE, IDC_POLAR_ANGLE_ON},
                        {true, IDC_POLAR_DISTANCE, IDC_POLAR_DISTANCE_ON},
                        {true, IDC_POLAR_ADD, IDC_POLAR_ADD_ON}};
  for (const Case& c : cases) {
    bool afterTyping = false, afterClearing = true;
    auto script = [&](DialogView& v) {
      v.SetText(c.edit, "1");
      afterTyping = v.Checked(c.box);
      v.SetText(c.edit, "");
      afterClearing = v.Checked(c.box);
    };
    RunEither(c.ex, script);
    const char* which = c.ex ? "extended dialog, edit " : "point dialog, edit ";
    EXPECT_TRUE(afterTyping) << which << c.edit;
    EXPECT_FALSE(afterClearing) << which << c.edit;
  }
}

TEST_F(PolarDialogTest, PlusAndMinusNinetyStepTheNumberWithoutWrapping) {
  struct Case {
    bool ex;
    int button;
    int edit;
    int box;
    const char* before;
    const char* expected;
  };
  const Case cases[] = {
      {false, IDC_POLAR_ANGLE_PLUS90, IDC_POLAR_ANGLE, IDC_POLAR_ANGLE_ON, "", "90"},
      {false, IDC_POLAR_ANGLE_PLUS90, IDC_POLAR_ANGLE, IDC_POLAR_ANGLE_ON, "300", "390"},
      {false, IDC_POLAR_ANGLE_MINUS90, IDC_POLAR_ANGLE, IDC_POLAR_ANGLE_ON, "abc", "-90"},
      {true, IDC_POLAR_ANGLE_MINUS90, IDC_POLAR_ANGLE, IDC_POLAR_ANGLE_ON, "45.5", "-44.5"},
      {true, IDC_POLAR_ANGLE_PLUS90, IDC_POLAR_ANGLE, IDC_POLAR_ANGLE_ON, "0.1", "90.1"},
      {true, IDC_POLAR_ADD_PLUS90, IDC_POLAR_ADD, IDC_POLAR_ADD_ON, "", "90"},
      {true, IDC_POLAR_ADD_MINUS90, IDC_POLAR_ADD, IDC_POLAR_ADD_ON, "10", "-80"},
      {true, IDC_POLAR_ADD_MINUS90, IDC_POLAR_ADD, IDC_POLAR_ADD_ON, "-1e6", "-1.00009e+06"},
  };
  for (const Case& c : cases) {
    CString text;
    bool ticked = false;
    auto script = [&](DialogView& v) {
      v.SetText(c.edit, c.before);
      v.Click(c.box);  // untick what typing ticked: the step must tick it again
      v.Click(c.button);
      text = v.Text(c.edit);
      ticked = v.Checked(c.box);
    };
    RunEither(c.ex, script);
    EXPECT_EQ(text, CString(c.expected)) << "button " << c.button << " on \"" << c.before << "\"";
    EXPECT_TRUE(ticked) << "button " << c.button << " on \"" << c.before << "\"";
  }
}

TEST_F(PolarDialogTest, LastSegmentAngleFillsTheAngleFromTheMemberOnly) {
  struct Case {
    double angle;
    const char* expected;
  };
  const Case cases[] = {{0.0, "0"}, {33.25, "33.25"}, {-135.0, "-135"}};
  for (const Case& c : cases) {
    CPolarPointExDlg dlg;
    dlg.m_lastSegmentAngle = c.angle;
    CString text;
    bool angleBox = false, distanceBox = true;
    Run(dlg, [&](DialogView& v) {
      v.Click(IDC_POLAR_DISTANCE_ON);  // a click with no handler: the members do not know it
      v.Click(IDC_POLAR_LAST_ANGLE);
      text = v.Text(IDC_POLAR_ANGLE);
      angleBox = v.Checked(IDC_POLAR_ANGLE_ON);
      distanceBox = v.Checked(IDC_POLAR_DISTANCE_ON);
    });
    EXPECT_EQ(text, CString(c.expected)) << c.angle;
    EXPECT_TRUE(angleBox) << c.angle;
    EXPECT_FALSE(distanceBox) << "the dialog is not read first, so the stale member is written back";
  }
}

TEST_F(PolarDialogTest, UntickingAngleAlsoUnticksTheAddedAngle) {
  CPolarPointExDlg dlg;
  std::vector<bool> addBox;
  Run(dlg, [&](DialogView& v) {
    v.SetText(IDC_POLAR_ANGLE, "10");
    v.SetText(IDC_POLAR_ADD, "5");
    addBox.push_back(v.Checked(IDC_POLAR_ADD_ON));
    v.Click(IDC_POLAR_ANGLE_ON);  // unticks Angle
    addBox.push_back(v.Checked(IDC_POLAR_ADD_ON));
    v.Click(IDC_POLAR_ANGLE_ON);  // ticks Angle again: the added angle stays off
    addBox.push_back(v.Checked(IDC_POLAR_ADD_ON));
  });
  EXPECT_EQ(addBox, (std::vector<bool>{true, false, false}));
  EXPECT_EQ(dlg.m_angleOn, TRUE);
  EXPECT_EQ(dlg.m_addOn, FALSE);
  EXPECT_EQ(dlg.m_addText, CString("5")) << "only the box goes, the text stays";
}

TEST_F(PolarDialogTest, WithoutAControlTheTemplateTextsStayAndTheComboIsEmpty) {
  ctl->SetStringFile(stringFile.c_str());
  WritePrivateProfileStringA("POLAR_POINT_DLG", "TITLE", "Polar", stringFile.c_str());
  CPolarPointExDlg dlg;
  dlg.m_useBase = 0;
  CString title, angleBox;
  std::vector<CString> items = {"not read"};
  Run(dlg, [&](DialogView& v) {
    title = v.Title();
    angleBox = v.Text(IDC_POLAR_ANGLE_ON);
    items = v.ComboItems(IDC_POLAR_BASE);
  });
  EXPECT_EQ(title, CString("Get Polar Point"));
  EXPECT_EQ(angleBox, CString("Angle:"));
  EXPECT_TRUE(items.empty());
  EXPECT_EQ(dlg.m_useBase, 0) << "no selection: the preset stays";
  EXPECT_EQ(Stored("203"), "<missing>") << "nothing is written without a control";
}

// Both dialogs share one section; each renames its own texts and seeds only its own
// missing keys (an empty value counts as missing, string_file_test.cpp).
TEST_F(PolarDialogTest, TheStringFileRenamesEachDialogsTextsAndReceivesItsMissingOnes) {
  using Pairs = std::vector<std::pair<const char*, const char*>>;
  struct Case {
    bool ex;
    Pairs overrides;
    std::vector<CString> items;  // of the "measured from" list
    std::vector<std::pair<int, const char*>> shown;
    Pairs stored;
  };
  const char* kMissing = "<missing>";
  const Case cases[] = {
      {true,
       {{"TITLE", "Polarpunkt"}, {"203", "Winkel:"}, {"BASEP207", "Vom Benutzerpunkt"}},
       {"From last point", "Vom Benutzerpunkt"},
       {{IDC_POLAR_ANGLE_ON, "Winkel:"}, {IDC_POLAR_DISTANCE_ON, "Distance:"},
        {IDC_POLAR_ADD_ON, "Angle to add after vertex drawing:"}, {IDOK, "OK"}, {IDCANCEL, "Cancel"},
        {IDC_POLAR_LAST_ANGLE, "Get last segment angle"}},
       {{"TITLE", "Polarpunkt"}, {"203", "Winkel:"}, {"204", "Distance:"}, {"209", "Angle to add after vertex drawing:"},
        {"1", "OK"}, {"2", "Cancel"}, {"212", "Get last segment angle"}, {"LASTP207", "From last point"},
        {"BASEP207", "Vom Benutzerpunkt"}, {"205", kMissing} /* the ±90 buttons are not translated */, {"201", kMissing}}},
      {false,
       {{"TITLE", "Polarpunkt"}, {"1", "Gut"}},
       {},
       {{IDOK, "Gut"}},
       {{"203", "Angle:"}, {"204", "Distance:"}, {"2", "Cancel"}, {"209", kMissing}, {"212", kMissing},
        {"BASEP207", kMissing}, {"LASTP207", kMissing}}},
  };
  for (const Case& c : cases) {
    stringFile = (folder / (c.ex ? "extended.ini" : "point.ini")).string();
    ctl->SetStringFile(stringFile.c_str());
    for (const auto& [key, value] : c.overrides)
      WritePrivateProfileStringA("POLAR_POINT_DLG", key, value, stringFile.c_str());
    CPolarPointDlg simple;
    CPolarPointExDlg ex;
    simple.m_pSite = ex.m_pSite = ctl;
    CString title;
    std::vector<CString> items;
    std::vector<std::pair<int, CString>> shown;
    const auto script = [&](DialogView& v) {
      title = v.Title();
      if (c.ex) items = v.ComboItems(IDC_POLAR_BASE);
      for (const auto& [id, text] : c.shown) shown.push_back({id, v.Text(id)});
    };
    if (c.ex) {
      Run(ex, script);
    } else {
      Run(simple, script);
    }
    const char* which = c.ex ? "extended dialog" : "point dialog";
    EXPECT_EQ(title, CString("Polarpunkt")) << which;
    EXPECT_EQ(items, c.items) << which;
    for (size_t i = 0; i < shown.size(); ++i)
      EXPECT_EQ(shown[i].second, CString(c.shown[i].second)) << which << ", control " << shown[i].first;
    for (const auto& [key, value] : c.stored) EXPECT_EQ(Stored(key), value) << which << ", key " << key;
  }
}
