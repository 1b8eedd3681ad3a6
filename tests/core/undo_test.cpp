// What one step is, when undo and redo refuse, the budget, and undo reached from the
// container's event handlers.
#include <string>
#include <vector>

#include "core_fixture.h"
#include "editcore/edit_history.h"
#include "refhost/record_maker.h"
#include "undo_scenario.h"

namespace {

using undo_test::SaveBytesNow;
using Bytes = std::vector<uint8_t>;

class UndoTest : public ControlTest {
 public:
  // A loaded polygon: a perimeter and a hole, waiting for a vertex to move.
  EditController& LoadPolygon() {
    Connect();
    RecordMaker::Polygon p;
    p.xy = {100, 100, 400, 100, 400, 350, 100, 350, 200, 200, 300, 200, 250, 280};
    p.rings = {{0, 4, ntt::kPerimeter}, {4, 3, ntt::kHole}};
    EXPECT_TRUE(ctl->editNTT(static_cast<LONG>(make.PolygonRecord(p))));
    return Editor();
  }
  POINT Pixel(double x, double y) {
    int px = 0, py = 0;
    Editor().WorldToPixel(x, y, 0, px, py);
    return POINT{px, py};
  }
  void Click(POINT p) {
    host.Press(p.x, p.y);
    host.Release(p.x, p.y);
  }

  RecordMaker make;
};

// Every kind of action is one step, undone and redone to the same bytes, in
// undo_property_test.cpp; the pivot is not in those bytes, so a centre drag is here.
TEST_F(UndoTest, UndoAndRedoOfACentreDragMoveThePivot) {
  EditController& ec = LoadPolygon();
  ec.OnMenuRotate();
  const Point3 centre = ec.DragPoint();
  DragPixels({Pixel(centre.x, centre.y), {77, 88}});
  const Point3 dropped = ec.DragPoint();
  ASSERT_NE(dropped.x, centre.x);
  ASSERT_TRUE(ec.Undo());
  EXPECT_EQ(ec.DragPoint().x, centre.x);
  EXPECT_EQ(ec.DragPoint().y, centre.y);
  ASSERT_TRUE(ec.Redo());
  EXPECT_EQ(ec.DragPoint().x, dropped.x);
  EXPECT_EQ(ec.DragPoint().y, dropped.y);
}

// A ring that grew after a move (its arrays replaced by larger ones) still gets the
// move's coordinates back, and the move replays over the regrown ring.
TEST_F(UndoTest, AMoveIsUndoneAfterTheRingGrew) {
  EditController& ec = LoadPolygon();
  const Bytes loaded = SaveBytesNow(ec);
  ec.OnMenuMove();
  DragPixels({{300, 300}, {311, 287}});
  const Bytes moved = SaveBytesNow(ec);
  const int32_t capacity = ec.GetFigure().Vertices(1).capacity;
  ec.OnMenuContinue();
  for (int i = 0; i < 3 * capacity; ++i) Click(POINT{40 + 7 * i % 560, 60 + 11 * i % 400});
  ASSERT_GT(ec.GetFigure().Vertices(1).capacity, capacity);
  const Bytes drawn = SaveBytesNow(ec);
  for (int i = 0; i < 3 * capacity; ++i) ASSERT_TRUE(ec.Undo());
  EXPECT_TRUE(SaveBytesNow(ec) == moved);
  ASSERT_TRUE(ec.Undo());
  EXPECT_TRUE(SaveBytesNow(ec) == loaded);
  ASSERT_TRUE(ec.Redo());
  EXPECT_TRUE(SaveBytesNow(ec) == moved);
  while (ec.Redo()) {
  }
  EXPECT_TRUE(SaveBytesNow(ec) == drawn);
}

TEST_F(UndoTest, ANewActionClearsTheRedoSide) {
  EditController& ec = LoadPolygon();
  ec.OnMenuBack();
  ec.OnMenuBack();
  ASSERT_TRUE(ec.Undo());
  EXPECT_TRUE(ec.CanRedo());
  ec.OnMenuInvert();
  EXPECT_FALSE(ec.CanRedo());
  EXPECT_FALSE(ec.Redo());
  EXPECT_EQ(ec.History().UndoCount(), 2u);
  // An action that changes nothing (a press beside every vertex) keeps the redo side.
  ASSERT_TRUE(ec.Undo());
  ec.OnMenuMoveVertex();
  Click(POINT{5, 5});
  EXPECT_TRUE(ec.CanRedo());
}

TEST_F(UndoTest, RefusedWhenIdleAndDuringEveryDrag) {
  EditController& idle = Editor();
  EXPECT_FALSE(idle.Undo());
  EXPECT_FALSE(idle.Redo());
  EXPECT_FALSE(idle.CanUndo());

  EditController& ec = LoadPolygon();
  ec.OnMenuBack();  // something to take back
  constexpr POINT kPivot{-1, -1};  // pressed on the rotation or scaling centre
  const struct {
    const char* what;
    void (EditController::*command)();
    POINT press;
  } drags[] = {
      {"vertex", &EditController::OnMenuMoveVertex, Pixel(100, 100)},
      {"split", &EditController::OnMenuInsertVertex, Pixel(250, 100)},
      {"delete", &EditController::OnMenuDeleteVertex, Pixel(100, 100)},
      {"move", &EditController::OnMenuMove, {300, 300}},
      {"rotate", &EditController::OnMenuRotate, {500, 300}},
      {"rotate centre", &EditController::OnMenuRotate, kPivot},
      {"scale", &EditController::OnMenuScale, {500, 300}},
      {"scale centre", &EditController::OnMenuScale, kPivot},
      {"draw", &EditController::OnMenuContinue, {30, 30}},
  };
  for (const auto& d : drags) {
    (ec.*d.command)();
    const POINT p = d.press.x < 0 ? Pixel(ec.DragPoint().x, ec.DragPoint().y) : d.press;
    const EditStep waiting = ec.Step();
    host.Press(p.x, p.y);
    if (std::string(d.what) != "draw") {
      EXPECT_NE(ec.Step(), waiting) << d.what << ": the press started a drag";
    }
    const Bytes during = SaveBytesNow(ec);
    EXPECT_FALSE(ec.CanUndo()) << d.what;
    EXPECT_FALSE(ec.Undo()) << d.what;
    EXPECT_FALSE(ec.Redo()) << d.what;
    EXPECT_TRUE(SaveBytesNow(ec) == during) << d.what;
    host.Release(p.x, p.y);
    EXPECT_TRUE(ec.CanUndo()) << d.what;
  }
}

// Over the control's undoMemoryLimit the oldest steps go; the newest is kept and still
// undoes exactly.
TEST_F(UndoTest, TheBudgetDropsTheOldestSteps) {
  EditController& ec = LoadPolygon();
  EXPECT_EQ(ec.UndoMemoryLimit(), EditController::kDefaultUndoMemoryLimit);
  ctl->SetUndoMemoryLimit(2000);
  ec.OnMenuMove();
  std::vector<Bytes> states{SaveBytesNow(ec)};
  // Enough drags that the dropped entries are erased in a batch at least once.
  constexpr int kDrags = 80;
  for (int i = 0; i < kDrags; ++i) {
    DragPixels({{300, 300}, {300 + 3 + i % 7, 300 - 2 - i % 5}});
    states.push_back(SaveBytesNow(ec));
  }
  const size_t kept = ec.History().UndoCount();
  EXPECT_GT(kept, 1u);
  EXPECT_LT(kept, 5u);
  EXPECT_LE(ec.History().Bytes(), 2000);
  for (size_t k = 1; k <= kept; ++k) {
    ASSERT_TRUE(ec.Undo());
    EXPECT_TRUE(SaveBytesNow(ec) == states[kDrags - k]) << "undo " << k;
  }
  EXPECT_FALSE(ec.Undo()) << "the oldest steps are gone";
}

// The step being recorded is no step yet: a limit lowered while it is open keeps the
// newest completed one, which is all that stays when the open one changes nothing.
TEST_F(UndoTest, ALimitLoweredDuringAnActionKeepsTheNewestCompletedStep) {
  EditController& ec = LoadPolygon();
  ec.OnMenuMove();
  std::vector<Bytes> states{SaveBytesNow(ec)};
  for (int i = 0; i < 3; ++i) {
    DragPixels({{300, 300}, {305 + i, 296 - i}});
    states.push_back(SaveBytesNow(ec));
  }
  host.Press(300, 300);
  ASSERT_TRUE(ec.History().Recording());
  ec.SetUndoMemoryLimit(1);
  EXPECT_EQ(ec.History().UndoCount(), 1u) << "while the press is held";
  EXPECT_EQ(ec.History().RedoCount(), 0u) << "the open step is not redoable";
  host.Release(300, 300);  // no move: the open step is dropped
  EXPECT_EQ(ec.History().UndoCount(), 1u);
  ASSERT_TRUE(ec.Undo());
  EXPECT_TRUE(SaveBytesNow(ec) == states[2]);
  EXPECT_FALSE(ec.Undo());
}

TEST_F(UndoTest, TheHistoryEndsWithTheEditAndWithNewRingStorage) {
  EditController& ec = LoadPolygon();
  ec.OnMenuBack();
  ctl->setMaxNumberOfRings(10);
  EXPECT_FALSE(ec.CanUndo());
  EXPECT_FALSE(ec.Undo());
  ctl->abortEdit();
  LoadPolygon();
  ec.OnMenuBack();
  EXPECT_TRUE(ctl->editNTT(static_cast<LONG>(make.Point(1, 1))));  // so is a load
  EXPECT_FALSE(ctl->GetCanUndo());
  ec.OnMenuBack();
  ctl->drawPolyline();  // and a restart
  EXPECT_FALSE(ec.CanUndo());
  ctl->abortEdit();
  LoadPolygon();
  ec.OnMenuBack();
  host.DropPointerHandler();  // the host ends the edit
  EXPECT_FALSE(ec.Undo());
}

// Undo repaints and sends the caption of the restored step, with the restored figure's
// measures: the same caption the editor sent when it was there before.
TEST_F(UndoTest, UndoRepaintsAndSendsTheRestoredCaption) {
  Connect();
  ctl->m_formatPolylineParams = "L=%.3f: ";
  ctl->drawPolyline();
  EditController& ec = Editor();
  Click(POINT{100, 100});
  Click(POINT{130, 140});
  const std::string twoVertices = sink.events.back();
  Click(POINT{200, 140});
  ASSERT_NE(sink.events.back(), twoVertices);
  const int repaints = host.repaintRequests;
  sink.events.clear();
  ASSERT_TRUE(ec.Undo());
  EXPECT_EQ(sink.events, std::vector<std::string>{twoVertices});
  EXPECT_EQ(twoVertices, "CaptionChanged(L=50.000: Click to draw)");
  EXPECT_GT(host.repaintRequests, repaints);
  sink.events.clear();
  ASSERT_TRUE(ec.Redo());
  EXPECT_EQ(sink.events, std::vector<std::string>{"CaptionChanged(L=120.000: Click to draw)"});
}

// Undo returns to the step the action started from, with its caption; inverting a lone
// vertex moves nothing and is no step.
TEST_F(UndoTest, UndoReturnsToTheStepBeforeTheAction) {
  EditController& ec = LoadPolygon();
  ec.OnMenuNewPerimeter();
  Click(POINT{30, 30});
  ec.OnMenuInvert();
  ASSERT_TRUE(ctl->undo());
  ASSERT_TRUE(ctl->undo());
  EXPECT_EQ(sink.events.back(), "CaptionChanged(Drag a vertex to move it)");
  EXPECT_FALSE(ctl->GetCanUndo());
}

// Container code run inside the events gets a defined answer.
TEST_F(UndoTest, UndoFromInsideEventHandlers) {
  EditController& ec = LoadPolygon();
  ec.OnMenuBack();
  ec.OnMenuMoveVertex();
  // A Snap handler during a vertex drag: refused, and the drag goes on.
  std::vector<BOOL> answers;
  sink.handler = [&](const std::string& e) {
    if (e == "Snap") answers.push_back(ec.Undo());
  };
  DragPixels({Pixel(100, 100), {150, 150}});
  ASSERT_FALSE(answers.empty());
  for (BOOL a : answers) EXPECT_FALSE(a);
  EXPECT_EQ(ec.History().UndoCount(), 2u);

  // The CaptionChanged fired by an undo undoes again from inside: both take effect.
  int nested = 0;
  sink.handler = [&](const std::string& e) {
    if (e == "CaptionChanged" && nested++ == 0) {
      EXPECT_TRUE(ec.Undo());
    }
  };
  EXPECT_TRUE(ec.Undo());
  EXPECT_EQ(ec.History().UndoCount(), 0u);
  EXPECT_EQ(ec.History().RedoCount(), 2u);

  // A handler that aborts the edit inside the undo's own caption: the edit is over.
  sink.handler = nullptr;
  ASSERT_TRUE(ec.Redo());
  sink.handler = [&](const std::string& e) {
    if (e == "CaptionChanged" && ctl->isEditing()) ctl->abortEdit();
  };
  EXPECT_TRUE(ec.Undo());
  EXPECT_FALSE(ctl->isEditing());
  EXPECT_FALSE(ec.Undo());
  EXPECT_FALSE(ec.Redo());
}

// Without a host the figure is still given back; there is nothing to repaint.
TEST_F(UndoTest, UndoWithTheHostCleared) {
  EditController& ec = LoadPolygon();
  const Bytes before = SaveBytesNow(ec);
  ec.OnMenuInvert();
  ctl->SetQarnocx(nullptr);
  ASSERT_TRUE(ctl->isEditing());
  EXPECT_TRUE(ec.Undo());
  EXPECT_TRUE(SaveBytesNow(ec) == before);
}

// Whole-figure drags keep the rings' arrays beside their entries; every way an entry
// leaves the history lets its arrays go with it.
TEST(EditHistoryKept, ArraysGoWithTheirEntries) {
  EditHistory h(1 << 30);
  const auto drag = [&h](bool changed) {
    HistoryEntry& e = h.Open(StepMarks{});
    e.change = StepChange::Coordinates;
    KeptCoordinates k;
    k.count = k.capacity = 4;
    k.x.reset(ring_storage::NewDoubles(4));
    k.y.reset(ring_storage::NewDoubles(4));
    h.Kept(e).push_back(std::move(k));
    h.Close(StepMarks{}, changed);
  };
  drag(true);
  drag(true);
  const int64_t twoDrags = h.Bytes();
  EXPECT_EQ(h.KeptCount(), 2u);
  drag(false);  // a drag that moved nothing is not history
  EXPECT_EQ(h.KeptCount(), 2u);
  h.Open(StepMarks{});
  h.Discard();
  h.StepBack();
  drag(true);  // the undone drag is on the redo side, which a new action ends
  EXPECT_EQ(h.KeptCount(), 2u);
  EXPECT_EQ(h.UndoCount(), 2u);
  EXPECT_EQ(h.Bytes(), twoDrags) << "the redo side's bytes went with it";
  h.SetLimit(1);  // the budget keeps the newest alone
  EXPECT_EQ(h.UndoCount(), 1u);
  EXPECT_EQ(h.KeptCount(), 1u);
  h.Clear();
  EXPECT_EQ(h.KeptCount(), 0u);
  // Still over budget, each drag replaces the one before, also when the dropped ones
  // are erased in a batch.
  for (int i = 0; i < 40; ++i) {
    drag(true);
    ASSERT_EQ(h.UndoCount(), 1u) << "drag " << i;
  }
}

}  // namespace
