// The right-button menu: which popup a right-click opens, what it grays, how the
// string file rewrites it, and which command each chosen id runs.
#include <functional>
#include <set>

#include "core_fixture.h"
#include "resources/resource.h"

namespace {

using Ids = std::set<UINT>;

class ContextMenuTest : public ControlTest {
 protected:

  void Start(int mode) {
    StartDrawing(mode);
    if (Editor().PolarFlags() != 0) Editor().OnMenuPolarOff();  // polar input outlives an aborted edit
    ClearLogs();
  }

  // Right-clicks in the view; the desktop answers the popup with `answer` and keeps
  // what it was shown.
  void RightClick(UINT answer, int x = 100, int y = 200) {
    shownCount = 0;
    QarnDesktop().onMenu = [this, answer](HMENU popup, int px, int py) {
      ++shownCount;
      shown = QarnDescribePopup(popup);
      shownAt = POINT{px, py};
      return answer;
    };
    host.RightPress(x, y);
  }

  Ids Grayed() const {
    Ids ids;
    for (const MenuItemView& item : shown.items)
      if (item.grayed) ids.insert(item.id);
    return ids;
  }

  PopupView shown;
  POINT shownAt{-1, -1};
  int shownCount = 0;
};

std::string Show(const Ids& ids) {
  std::string text = "{";
  for (UINT id : ids) text += (text.size() > 1 ? ", " : "") + std::to_string(id);
  return text + "}";
}

}  // namespace

TEST_F(ContextMenuTest, EachModeOpensItsOwnPopupAtTheCursor) {
  struct Case {
    int mode;
    const char* title;
    size_t itemCount;
    UINT first;
  };
  const Case cases[] = {{MODE_POLYLINE, "POLYLINE", 17, ID_POLYLINE_CONTINUE},
                        {MODE_POLYGON, "POLYGON", 20, ID_POLYGON_CONTINUE},
                        {MODE_POINT, "POINT", 7, ID_POINT_SET}};
  for (const Case& c : cases) {
    Start(c.mode);
    RightClick(0, 123, 45);
    ASSERT_EQ(shownCount, 1) << c.title;
    EXPECT_EQ(shown.title.str(), c.title);
    EXPECT_EQ(shown.items.size(), c.itemCount) << c.title;
    EXPECT_EQ(shown.items.front().id, c.first) << c.title;
    POINT expected{123, 45};
    ClientToScreen(host.ViewWindow(), &expected);
    EXPECT_EQ(shownAt.x, expected.x) << c.title << ": the popup opens at the cursor";
    EXPECT_EQ(shownAt.y, expected.y) << c.title;
    EXPECT_EQ(CallNames(), (Names{"GetViewWindow"})) << c.title << ": a dismissed popup runs nothing";
    EXPECT_TRUE(sink.events.empty()) << c.title;
    ctl->abortEdit();
  }
}

TEST_F(ContextMenuTest, NoPopupWhileIdle) {
  bool asked = false;
  QarnDesktop().onMenu = [&](HMENU, int, int) {
    asked = true;
    return static_cast<UINT>(ID_POLYLINE_DONE);
  };
  Editor().ShowContextMenu();
  EXPECT_FALSE(asked) << "mode 0 shows no menu";
}

TEST_F(ContextMenuTest, CommandsThatCannotApplyAreGrayed) {
  struct Case {
    const char* what;
    int mode;
    std::function<void()> setUp;
    Ids grayed;
  };
  auto vertices = [this](int ring, int count) {
    return [this, ring, count] {
      for (int i = 0; i < count; ++i) AddVertex(ring, 10.0 * i, 5.0 * (i % 2));
    };
  };
  const Case cases[] = {
      {"polyline before any vertex", MODE_POLYLINE, [] {},
       {ID_POLYLINE_DONE, ID_POLYLINE_BACK, ID_POLYLINE_POLAR_OFF}},
      {"polyline with one vertex", MODE_POLYLINE, vertices(0, 1), {ID_POLYLINE_DONE, ID_POLYLINE_POLAR_OFF}},
      {"polyline with two vertices", MODE_POLYLINE, vertices(0, 2), {ID_POLYLINE_POLAR_OFF}},
      {"polyline outside step 1", MODE_POLYLINE,
       [&, this] {
         vertices(0, 2)();
         Editor().OnMenuMoveVertex();
       },
       {ID_POLYLINE_BACK, ID_POLYLINE_POLAR_OFF}},
      {"polyline without begin/end editing", MODE_POLYLINE,
       [&, this] {
         vertices(0, 2)();
         ctl->disableBeginEndPolylineEdit();
       },
       {ID_POLYLINE_CONTINUE, ID_POLYLINE_POLAR_OFF}},
      {"polyline with only the base point known", MODE_POLYLINE,
       [&, this] {
         vertices(0, 2)();
         PolarDialog("", "", "", 1);  // measured from the base point, nothing fixed
       },
       {}},
      {"polygon with two vertices", MODE_POLYGON, vertices(0, 2),
       {ID_POLYGON_DONE, ID_POLYGON_NEW_PERIMETER, ID_POLYGON_NEW_HOLE, ID_POLYGON_POLAR_OFF}},
      {"polygon with three vertices", MODE_POLYGON, vertices(0, 3), {ID_POLYGON_POLAR_OFF}},
      {"polygon with polar input on", MODE_POLYGON,
       [&, this] {
         vertices(0, 3)();
         PolarDialog("30", "");
       },
       {}},
      {"polygon whose new last ring is empty", MODE_POLYGON,
       [&, this] {
         vertices(0, 3)();
         AddEmptyRing();
       },
       {ID_POLYGON_BACK, ID_POLYGON_NEW_PERIMETER, ID_POLYGON_NEW_HOLE, ID_POLYGON_POLAR_OFF}},
      {"polygon with no begin/end editing keeps Continue", MODE_POLYGON,
       [&, this] {
         vertices(0, 3)();
         ctl->disableBeginEndPolylineEdit();
       },
       {ID_POLYGON_POLAR_OFF}},
      {"point before its vertex", MODE_POINT, [] {}, {ID_POINT_DONE}},
      {"point with its vertex, polar input off", MODE_POINT, vertices(0, 1), {}},
  };
  for (const Case& c : cases) {
    Start(c.mode);
    c.setUp();
    RightClick(0);
    EXPECT_EQ(Show(Grayed()), Show(c.grayed)) << c.what;
    ctl->abortEdit();
  }
}

TEST_F(ContextMenuTest, BeforeAnyVertexInvertAndContinueSetNoReferencePoint) {
  for (UINT id : {ID_POLYLINE_INVERT, ID_POLYLINE_CONTINUE}) {
    Start(MODE_POLYLINE);
    RightClick(id);
    for (const HostCall& call : host.calls)
      EXPECT_NE(call.name, "SetReferencePoint") << "command " << id << ": " << call.ToString();
    EXPECT_EQ(host.calls.back().name, "RequestRepaint") << "command " << id;
    ctl->abortEdit();
  }
}

// Each id reaches the handler of its command: the state each leaves behind tells them apart.
TEST_F(ContextMenuTest, EveryIdRunsItsCommand) {
  struct Case {
    int mode;
    UINT id;
    std::string expected;
  };
  const Case cases[] = {
      {MODE_POLYLINE, ID_POLYLINE_CONTINUE, "step 1"},  {MODE_POLYLINE, ID_POLYLINE_MOVE_VERTEX, "step 2"},
      {MODE_POLYLINE, ID_POLYLINE_INSERT_VERTEX, "step 4"}, {MODE_POLYLINE, ID_POLYLINE_DELETE_VERTEX, "step 6"},
      {MODE_POLYLINE, ID_POLYLINE_ABORT, "EditAborted"}, {MODE_POLYLINE, ID_POLYLINE_DONE, "EditDone"},
      {MODE_POLYLINE, ID_POLYLINE_MOVE, "step 8"},     {MODE_POLYLINE, ID_POLYLINE_ROTATE, "step 10"},
      {MODE_POLYLINE, ID_POLYLINE_SCALE, "step 13"},   {MODE_POLYLINE, ID_POLYLINE_BACK, "vertices 2"},
      {MODE_POLYLINE, ID_POLYLINE_INVERT, "first x 20"}, {MODE_POLYLINE, ID_POLYLINE_POLAR_OFF, "polar 0"},
      {MODE_POLYLINE, ID_POLYLINE_POLAR_ON, "polar dialog with a base choice"},
      {MODE_POLYGON, ID_POLYGON_CONTINUE, "step 1"},   {MODE_POLYGON, ID_POLYGON_MOVE_VERTEX, "step 2"},
      {MODE_POLYGON, ID_POLYGON_INSERT_VERTEX, "step 4"}, {MODE_POLYGON, ID_POLYGON_DELETE_VERTEX, "step 6"},
      {MODE_POLYGON, ID_POLYGON_ABORT, "EditAborted"}, {MODE_POLYGON, ID_POLYGON_DONE, "EditDone"},
      {MODE_POLYGON, ID_POLYGON_NEW_PERIMETER, "rings 2 hole 0"}, {MODE_POLYGON, ID_POLYGON_NEW_HOLE, "rings 2 hole 1"},
      {MODE_POLYGON, ID_POLYGON_MOVE, "step 8"},       {MODE_POLYGON, ID_POLYGON_ROTATE, "step 10"},
      {MODE_POLYGON, ID_POLYGON_SCALE, "step 13"},     {MODE_POLYGON, ID_POLYGON_BACK, "vertices 2"},
      {MODE_POLYGON, ID_POLYGON_INVERT, "first x 20"}, {MODE_POLYGON, ID_POLYGON_POLAR_OFF, "polar 0"},
      {MODE_POLYGON, ID_POLYGON_POLAR_ON, "polar dialog with a base choice"},
      {MODE_POINT, ID_POINT_SET, "step 1"},            {MODE_POINT, ID_POINT_ABORT, "EditAborted"},
      {MODE_POINT, ID_POINT_DONE, "EditDone"},         {MODE_POINT, ID_POINT_POLAR_OFF, "polar 0"},
      {MODE_POINT, ID_POINT_POLAR_ON, "polar dialog without a base choice"},
  };
  for (const Case& c : cases) {
    Start(c.mode);
    const int count = c.mode == MODE_POINT ? 1 : 3;
    for (int i = 0; i < count; ++i) AddVertex(0, 10.0 * i, 7.0 * i);
    EditController& ec = Editor();
    ec.SetStep(c.id == ID_POLYLINE_CONTINUE || c.id == ID_POLYGON_CONTINUE || c.id == ID_POINT_SET ? EditStep::ChooseVertexToMove : EditStep::Draw);
    PolarDialog("30", "");
    std::string dialog;  // each polar dialog a command opened, cancelled at once
    QarnDesktop().onDialog = [&dialog](DialogView& d) {
      bool base = false;
      for (const DialogView::Control& control : d.Controls()) base = base || control.id == IDC_POLAR_BASE;
      dialog += base ? "polar dialog with a base choice" : "polar dialog without a base choice";
      d.Cancel();
    };
    RightClick(c.id);
    QarnDesktop().onDialog = nullptr;
    std::string got;
    if (!dialog.empty())
      got = dialog;
    else if (!sink.events.empty() && (sink.events.back() == "EditDone" || sink.events.back() == "EditAborted"))
      got = sink.events.back();
    else if (c.id == ID_POLYGON_NEW_PERIMETER || c.id == ID_POLYGON_NEW_HOLE)
      got = "rings " + std::to_string(ec.GetFigure().RingCount()) + " hole " +
            std::to_string(ec.GetFigure().IsHole(ec.GetFigure().LastRing()));
    else if (c.id == ID_POLYLINE_BACK || c.id == ID_POLYGON_BACK)
      got = "vertices " + std::to_string(ec.GetFigure().VertexCount(0));
    else if (c.id == ID_POLYLINE_INVERT || c.id == ID_POLYGON_INVERT)
      got = "first x " + std::to_string(static_cast<int>(ec.GetFigure().At(0, 0).x));
    else if (c.id == ID_POLYLINE_POLAR_OFF || c.id == ID_POLYGON_POLAR_OFF || c.id == ID_POINT_POLAR_OFF)
      got = "polar " + std::to_string(ec.PolarFlags());
    else
      got = "step " + std::to_string(StepNumber(ec.Step()));
    EXPECT_EQ(got, c.expected) << "command " << c.id;
    ctl->abortEdit();
  }
}

TEST_F(ContextMenuTest, AGrayedCommandOrAnUnknownIdRunsNothing) {
  Start(MODE_POLYLINE);
  AddVertex(0, 5, 5);
  for (UINT answer : {static_cast<UINT>(ID_POLYLINE_DONE), static_cast<UINT>(ID_POLYGON_DONE), 40000u}) {
    host.calls.clear();
    RightClick(answer);
    EXPECT_EQ(CallNames(), (Names{"GetViewWindow"})) << "answer " << answer;
    EXPECT_TRUE(ctl->isEditing()) << "answer " << answer;
  }
}

// The container may end the edit while the menu is up: the command chosen then takes no
// step of the edit that is over.
TEST_F(ContextMenuTest, ACommandChosenAfterTheEditEndedTakesNoStep) {
  Start(MODE_POLYLINE);
  QarnDesktop().onMenu = [this](HMENU, int, int) {
    ctl->abortEdit();
    return static_cast<UINT>(ID_POLYLINE_MOVE_VERTEX);
  };
  host.RightPress(100, 200);
  EXPECT_FALSE(ctl->isEditing());
  EXPECT_EQ(sink.events.back(), "EditAborted");
  EXPECT_EQ(ctl->m_caption, CString());
}
