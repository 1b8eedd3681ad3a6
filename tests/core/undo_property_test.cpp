// From fixed seeds, random actions on drawn and loaded figures in 2D and 3D, with undo
// and redo mixed in. After every action, undo and redo, what a save would write is
// compared with what it wrote when the history was last at the same place; at the end
// everything is undone (the start's bytes again) and redone (the end's bytes again).
#include <string>
#include <vector>

#include "core_fixture.h"
#include "entity_records.h"
#include "undo_scenario.h"

namespace {

using undo_test::Actions;
using undo_test::SaveBytesNow;
using Bytes = std::vector<uint8_t>;

enum class Start { DrawPolyline, DrawPolygon, DrawPoint, LoadPolyline, LoadPolygon, LoadPoint };

class UndoPropertyTest : public ControlTest {
 protected:
  // Starts the edit; false when the record was refused.
  bool Begin(Start start, bool is3D) {
    ctl->Set3DMode(is3D ? 1 : 0);
    if (is3D) host.SetWorkPlane(0.3, -0.2, 0.5, 10, -5, 25);
    Connect();
    switch (start) {
      case Start::DrawPolyline: ctl->drawPolyline(); return true;
      case Start::DrawPolygon: ctl->drawPolygon(); return true;
      case Start::DrawPoint: ctl->drawPoint(); return true;
      case Start::LoadPolyline: {
        RecordMaker::Polyline p({100, 100, 180, 150, 260, 120, 300, 220, 220, 300}, false, is3D);
        if (is3D) {  // in two parts, whose joining segment cannot be split
          p.z = {1, 2, 3, 4, 5};
          p.parts = {1, 1, 2, 2, 2};
          p.partCount = 2;
          p.flags = {1, 0};
        }
        return ctl->editNTT(static_cast<LONG>(make.PolylineRecord(p)));
      }
      case Start::LoadPolygon: {
        RecordMaker::Polygon p;
        p.xy = {100, 100, 400, 100, 400, 350, 100, 350, 200, 200, 300, 200, 250, 280};
        p.rings = {{0, 4, ntt::kPerimeter}, {4, 3, ntt::kHole}};
        p.is3D = is3D;
        if (is3D) p.z = {0, 1, 2, 3, 4, 5, 6};
        return ctl->editNTT(static_cast<LONG>(make.PolygonRecord(p)));
      }
      case Start::LoadPoint:
        return ctl->editNTT(static_cast<LONG>(is3D ? make.Point3D(250, 260, 7) : make.Point(250, 260)));
    }
    return false;
  }

  // One scenario; returns the number of steps undone at the end.
  size_t Run(Start start, bool is3D, uint32_t seed, const std::string& what) {
    if (!Begin(start, is3D)) {
      ADD_FAILURE() << what << ": the record was refused";
      return 0;
    }
    EditController& ec = Editor();
    Actions act(ec, host, seed);
    const EditStep startStep = ec.Step();
    // atUndoCount[k]: the bytes while k steps can be undone (redo entries included).
    std::vector<Bytes> atUndoCount{SaveBytesNow(ec)};
    // stepAt[k]: the step the action that made k undoable left, which its redo gives back.
    std::vector<EditStep> stepAt{startStep};
    for (int i = 0; i < 70; ++i) {
      const size_t undoBefore = ec.History().UndoCount(), redoBefore = ec.History().RedoCount();
      const int roll = act.Pick(20);
      if (roll <= 2) {
        const bool undo = roll < 2;
        const BOOL did = undo ? ec.Undo() : ec.Redo();
        EXPECT_EQ(did != FALSE, undo ? undoBefore > 0 : redoBefore > 0) << what << " action " << i;
      } else {
        act.Run(static_cast<Actions::Kind>(act.Pick(Actions::kKinds)));
      }
      EXPECT_FALSE(ec.History().Recording()) << what << " action " << i << ": an action left open";
      const size_t u = ec.History().UndoCount();
      const Bytes now = SaveBytesNow(ec);
      const bool recorded = u != undoBefore || ec.History().RedoCount() != redoBefore;
      if (recorded && roll > 2) {
        EXPECT_EQ(u, undoBefore + 1) << what << " action " << i << ": one action, one step";
        atUndoCount.resize(u);
        atUndoCount.push_back(now);
        stepAt.resize(u);
        stepAt.push_back(ec.Step());
      } else if (u < atUndoCount.size()) {
        // Undo, redo, or an action that recorded nothing: the figure is the one kept for here.
        EXPECT_TRUE(now == atUndoCount[u]) << what << " action " << i << " (roll " << roll << ")";
      }
    }
    // Whatever the random undos left to replay first, then everything back and forth.
    while (ec.Redo()) {
      EXPECT_TRUE(SaveBytesNow(ec) == atUndoCount[ec.History().UndoCount()]) << what;
      EXPECT_EQ(ec.Step(), stepAt[ec.History().UndoCount()]) << what << ": the step the action left";
    }
    const Bytes end = SaveBytesNow(ec);
    size_t undone = 0;
    while (ec.Undo()) ++undone;
    EXPECT_EQ(undone, atUndoCount.size() - 1) << what;
    EXPECT_TRUE(SaveBytesNow(ec) == atUndoCount[0]) << what << ": undoing everything";
    if (undone == 0) {
      EXPECT_EQ(ec.Step(), startStep) << what;
    }
    size_t redone = 0;
    while (ec.Redo()) {
      ++redone;
      EXPECT_EQ(ec.Step(), stepAt[redone]) << what << ": redo " << redone;
    }
    EXPECT_EQ(redone, undone) << what;
    EXPECT_TRUE(SaveBytesNow(ec) == end) << what << ": redoing everything";
    // The record read mid-edit is the one a real save writes.
    if (ctl->canSaveNow()) {
      const Bytes record = undo_test::RecordPart(ec, end);
      EXPECT_FALSE(record.empty()) << what;
      EXPECT_TRUE(ctl->saveEdit());
      const std::string saved = Flatten(static_cast<uint32_t>(ctl->getDrawnNTT()));
      EXPECT_TRUE(Bytes(saved.begin(), saved.end()) == record) << what;
      EXPECT_FALSE(ec.CanUndo()) << what << ": the history ends with the edit";
    } else {
      ctl->abortEdit();
    }
    return undone;
  }

  RecordMaker make;
};

TEST_F(UndoPropertyTest, RandomActionsAreUndoneAndRedoneToTheSameRecordBytes) {
  const Start starts[] = {Start::DrawPolyline, Start::DrawPolygon, Start::DrawPoint,
                          Start::LoadPolyline, Start::LoadPolygon, Start::LoadPoint};
  size_t totalUndone = 0;
  for (Start start : starts)
    for (bool is3D : {false, true})
      for (uint32_t seed = 1; seed <= 4; ++seed) {
        const std::string what = "start " + std::to_string(static_cast<int>(start)) + (is3D ? " 3D" : " 2D") +
                                 " seed " + std::to_string(seed);
        totalUndone += Run(start, is3D, seed, what);
      }
  // The scenarios must really have exercised the history.
  EXPECT_GT(totalUndone, 48u * 10);
}

}  // namespace
