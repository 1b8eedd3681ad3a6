// Menus as USER32 keeps them: loaded from the module's resources, changed by command
// or by position, and tracked through the desktop backend.
#include <gtest/gtest.h>

#include "platform/desktop.h"
#include "platform/menu.h"
#include "resources/resource.h"
#include "resources/resource_data.h"

namespace {

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QarnSetModuleResources(&QarneditModuleResources());
    QarnDesktop().Reset();
    ASSERT_TRUE(menu.LoadMenu(IDR_CONTEXT_MENU));
  }
  void TearDown() override { QarnDesktop().Reset(); }
  CMenu menu;
};

}  // namespace

// Each popup's title, item count and first command, reading a string by command, the
// state EnableMenuItem gives back, an item moving up after a removal and a grayed or
// unknown choice that runs nothing are the editor's (tests/core/context_menu_test.cpp,
// string_file_test.cpp); here, what the editor does not reach.
TEST_F(MenuTest, PopupEntriesAndSeparatorsHaveNoCommandId) {
  ASSERT_EQ(menu.GetMenuItemCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_NE(menu.GetSubMenu(i), nullptr) << "popup " << i;
  EXPECT_EQ(menu.GetSubMenu(3), nullptr);
  EXPECT_EQ(menu.GetMenuItemID(0), static_cast<UINT>(-1)) << "a popup entry has no command id";
  EXPECT_EQ(menu.GetSubMenu(0)->GetMenuItemID(3), 0u) << "separator";
}

TEST_F(MenuTest, MenuStringsAreReadByPositionAndCutToTheBuffer) {
  CMenu* popup = menu.GetSubMenu(0);
  char text[64];
  EXPECT_EQ(popup->GetMenuString(2, text, sizeof(text), MF_BYPOSITION), 5);
  EXPECT_STREQ(text, "Bac&k");
  EXPECT_EQ(popup->GetMenuString(ID_POLYLINE_INVERT, text, 4, MF_BYCOMMAND), 3);
  EXPECT_STREQ(text, "Inv");
  EXPECT_EQ(popup->GetMenuString(12345, text, sizeof(text), MF_BYCOMMAND), 0) << "unknown command";
}

TEST_F(MenuTest, EnablingAnUnknownItemFailsAndModifyResetsTheState) {
  CMenu* popup = menu.GetSubMenu(0);
  EXPECT_EQ(popup->EnableMenuItem(99999, MF_BYCOMMAND | MF_ENABLED), static_cast<UINT>(-1));
  popup->EnableMenuItem(ID_POLYLINE_BACK, MF_BYCOMMAND | MF_GRAYED);
  ASSERT_TRUE(popup->ModifyMenu(ID_POLYLINE_BACK, MF_BYCOMMAND | MF_STRING, ID_POLYLINE_BACK, "Zurueck"));
  EXPECT_EQ(popup->GetMenuState(ID_POLYLINE_BACK, MF_BYCOMMAND) & MF_GRAYED, 0u)
      << "the new flags replace the item's state";
  CString text;
  popup->GetMenuString(ID_POLYLINE_BACK, text, MF_BYCOMMAND);
  EXPECT_EQ(text, CString("Zurueck"));
}

TEST_F(MenuTest, RemovingWhatIsNotThereFails) {
  CMenu* popup = menu.GetSubMenu(2);
  ASSERT_TRUE(popup->RemoveMenu(ID_POINT_SET, MF_BYCOMMAND));
  EXPECT_FALSE(popup->RemoveMenu(ID_POINT_SET, MF_BYCOMMAND)) << "already gone";
  EXPECT_FALSE(popup->RemoveMenu(40, MF_BYPOSITION));
  EXPECT_EQ(popup->GetMenuState(6, MF_BYPOSITION), static_cast<UINT>(-1)) << "one past the last item";
  EXPECT_FALSE(popup->RemoveMenu(6, MF_BYPOSITION));
  EXPECT_EQ(popup->GetMenuItemCount(), 6);
}

// The editor asks for the command back (TPM_RETURNCMD); a menu without it posts it.
TEST_F(MenuTest, WithoutReturnCmdTheChoiceIsPostedAndNoAnswerDismisses) {
  CMenu* popup = menu.GetSubMenu(2);
  QarnDesktop().onMenu = [](HMENU, int, int) { return static_cast<UINT>(ID_POINT_ABORT); };
  EXPECT_TRUE(popup->TrackPopupMenu(0, 10, 20, nullptr));
  ASSERT_EQ(QarnDesktop().postedCommands.size(), 1u) << "without TPM_RETURNCMD the owner gets WM_COMMAND";
  EXPECT_EQ(QarnDesktop().postedCommands[0].second, static_cast<UINT>(ID_POINT_ABORT));
  QarnDesktop().onMenu = nullptr;
  EXPECT_EQ(popup->TrackPopupMenu(TPM_RETURNCMD, 0, 0, nullptr), 0) << "nobody answers: dismissed";
}

TEST(MenuHandles, BadHandlesFailWithoutCrashing) {
  HMENU bogus = reinterpret_cast<HMENU>(static_cast<uintptr_t>(0xdead0));
  EXPECT_EQ(GetMenuItemCount(bogus), -1);
  EXPECT_EQ(GetSubMenu(bogus, 0), nullptr);
  EXPECT_FALSE(ModifyMenuA(bogus, 0, MF_BYPOSITION, 1, "x"));
  EXPECT_FALSE(DestroyMenu(bogus));
  EXPECT_EQ(LoadMenuA(nullptr, MAKEINTRESOURCEA(4040)), nullptr) << "no such resource";
  HMENU popup = CreatePopupMenu();
  EXPECT_TRUE(DestroyMenu(popup));
  EXPECT_EQ(GetMenuItemCount(popup), -1) << "destroyed";
}

TEST(MessageBoxes, AreRecordedAndGetTheDefaultButtonUnlessAnswered) {
  QarnDesktop().Reset();
  EXPECT_EQ(MessageBoxA(nullptr, "text", "title", MB_OK | MB_ICONSTOP), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "sure?", "title", MB_YESNO), IDYES);
  QarnDesktop().onMessageBox = [](const MessageBoxRecord& box) { return box.flags & MB_YESNO ? IDNO : 0; };
  EXPECT_EQ(MessageBoxA(nullptr, "sure?", nullptr, MB_YESNO), IDNO);
  ASSERT_EQ(QarnDesktop().messageBoxes.size(), 3u);
  EXPECT_EQ(QarnDesktop().messageBoxes[0].flags, static_cast<UINT>(MB_ICONSTOP));
  EXPECT_EQ(QarnDesktop().messageBoxes[2].caption, CString("Error")) << "a box without a caption";
  QarnSetModuleResources(&QarneditModuleResources());
  AfxMessageBox(IDS_ERR_CONNECT, MB_ICONSTOP | MB_OK);  // its text is the editor's (tests/core)
  EXPECT_EQ(QarnDesktop().messageBoxes.back().caption, CString("QARNEDIT")) << "titled with the module's name";
  QarnDesktop().Reset();
}

TEST(KeyState, HeldKeysHaveTheHighBitSet) {
  QarnDesktop().Reset();
  QarnDesktop().keysDown = {VK_SHIFT};
  EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
  EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
  QarnDesktop().Reset();
}
