// The dialog templates as the Linux build carries them: the same numbers the resource
// compiler puts into the Windows module, generated from the one resource script.
#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "resources/resource_dialogs.h"

namespace {

const ResourceDialogControl* FindControl(const ResourceDialog& dialog, int id) {
  for (int i = 0; i < dialog.controlCount; ++i)
    if (dialog.controls[i].id == id) return &dialog.controls[i];
  return nullptr;
}

}  // namespace

TEST(DialogResources, EveryTemplateHasItsSizeCaptionAndFont) {
  struct Case {
    UINT id;
    const char* caption;
    short cx, cy;
    int controls;
  };
  const Case cases[] = {{IDD_ABOUTBOX_QARNEDIT, "About Qarnedit Control", 260, 55, 4},
                        {IDD_PROPPAGE_QARNEDIT, "", 250, 110, 0},
                        {IDD_PROPPAGE_QARNEDIT2, "", 250, 110, 0},
                        {IDD_POLAR_POINT, "Get Polar Point", 242, 70, 10},
                        {IDD_POLAR_POINT_EX, "Get Polar Point", 242, 84, 16}};
  for (const Case& c : cases) {
    const ResourceDialog* dialog = QarneditFindDialog(c.id);
    ASSERT_NE(dialog, nullptr) << "template " << c.id;
    EXPECT_STREQ(dialog->caption, c.caption) << "template " << c.id;
    EXPECT_EQ(dialog->cx, c.cx) << "template " << c.id;
    EXPECT_EQ(dialog->cy, c.cy) << "template " << c.id;
    EXPECT_STREQ(dialog->fontName, "MS Sans Serif") << "template " << c.id;
    EXPECT_EQ(dialog->fontSize, 8) << "template " << c.id;
    EXPECT_EQ(dialog->controlCount, c.controls) << "template " << c.id;
  }
  EXPECT_EQ(QarneditFindDialog(202), nullptr);
  EXPECT_EQ(QarneditDialogResources().count, 5);
}

TEST(DialogResources, PolarControlsSitWhereTheTemplatesPutThem) {
  struct Case {
    UINT dialog;
    int id;
    const char* className;
    const char* text;
    short x, y, cx, cy;
  };
  const Case cases[] = {
      {IDD_POLAR_POINT, IDC_POLAR_DISTANCE_ON, "Button", "Distance:", 6, 29, 46, 10},
      {IDD_POLAR_POINT, 1, "Button", "OK", 132, 51, 50, 14},
      {IDD_POLAR_POINT, IDC_POLAR_DISTANCE, "Edit", "", 51, 28, 39, 12},
      {IDD_POLAR_POINT_EX, IDC_POLAR_BASE, "ComboBox", "", 3, 67, 126, 90},
      {IDD_POLAR_POINT_EX, IDC_POLAR_ADD_ON, "Button", "Angle to add after vertex drawing:", 6, 23, 120, 10},
      {IDD_POLAR_POINT_EX, IDC_POLAR_LAST_ANGLE, "Button", "Get last segment angle", 141, 5, 95, 12},
      {IDD_ABOUTBOX_QARNEDIT, 1, "Button", "OK", 221, 7, 32, 14},
  };
  for (const Case& c : cases) {
    const ResourceDialog* dialog = QarneditFindDialog(c.dialog);
    ASSERT_NE(dialog, nullptr);
    const ResourceDialogControl* control = FindControl(*dialog, c.id);
    ASSERT_NE(control, nullptr) << "control " << c.id << " of template " << c.dialog;
    EXPECT_STREQ(control->className, c.className) << "control " << c.id;
    EXPECT_STREQ(control->text, c.text) << "control " << c.id;
    EXPECT_EQ(control->x, c.x) << "control " << c.id;
    EXPECT_EQ(control->y, c.y) << "control " << c.id;
    EXPECT_EQ(control->cx, c.cx) << "control " << c.id;
    EXPECT_EQ(control->cy, c.cy) << "control " << c.id;
  }
}

TEST(DialogResources, ControlsKeepTheirTabOrder) {
  const ResourceDialog* dialog = QarneditFindDialog(IDD_POLAR_POINT);
  ASSERT_NE(dialog, nullptr);
  const int order[] = {IDC_POLAR_DISTANCE_ON, 1, 2, IDC_POLAR_ANGLE, IDC_POLAR_ANGLE_ON,
                       IDC_POLAR_ANGLE_PLUS90, IDC_POLAR_ANGLE_MINUS90, -1, -1, IDC_POLAR_DISTANCE};
  ASSERT_EQ(dialog->controlCount, 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(dialog->controls[i].id, order[i]) << "position " << i;
}
