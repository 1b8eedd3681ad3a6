// The entity records a save builds, byte for byte.
#include <cstring>

#include "core_fixture.h"
#include "hostlink/ntt_record.h"
#include "platform/record_memory.h"

namespace {

template <typename T>
T At(uint32_t addr, size_t offset) {
  T value{};
  EXPECT_TRUE(QarnRecordMemory().Read(addr + static_cast<uint32_t>(offset), &value, sizeof(T)))
      << "offset " << offset << " of record " << addr << " is not readable";
  return value;
}

void ExpectHeader(uint32_t rec, uint32_t size, uint32_t type) {
  EXPECT_EQ(At<uint32_t>(rec, 0), size) << "size";
  EXPECT_EQ(At<uint32_t>(rec, 4), type) << "type";
  EXPECT_EQ(At<uint32_t>(rec, 8), 0u);
  EXPECT_EQ(At<uint16_t>(rec, 12), 256u);
  EXPECT_EQ(At<uint32_t>(rec, 14), 0u);
  EXPECT_EQ(At<uint16_t>(rec, 18), 256u);
  EXPECT_EQ(At<uint32_t>(rec, 20), 0u);
}

class CommitTest : public ControlTest {
 protected:
  uint32_t Save() {
    EXPECT_TRUE(ctl->saveEdit());
    return static_cast<uint32_t>(ctl->getDrawnNTT());
  }
};

}  // namespace

TEST_F(CommitTest, CanSaveFollowsTheRulesOfEachMode) {
  struct Case {
    int mode;
    std::vector<int> counts;
    bool expected;
  };
  const Case cases[] = {
      {1, {0}, false}, {1, {1}, false}, {1, {2}, true},         {2, {2}, false},    {2, {3}, true},
      {2, {3, 0}, true}, {2, {3, 2}, false}, {2, {0, 0}, false}, {2, {4, 3}, true}, {3, {0}, false},
      {3, {1}, true},
  };
  for (const Case& c : cases) {
    StartDrawing(c.mode);
    for (size_t r = 0; r < c.counts.size(); ++r) {
      if (r > 0 && c.counts[r] == 0) AddEmptyRing();
      for (int i = 0; i < c.counts[r]; ++i) AddVertex(static_cast<int>(r), i, i * i);
    }
    EXPECT_EQ(ctl->canSaveNow() != FALSE, c.expected) << "mode " << c.mode << " with " << c.counts.size() << " rings";
    if (!c.expected) {
      EXPECT_FALSE(ctl->saveEdit()) << "mode " << c.mode << ": a save canSaveNow refuses";
      EXPECT_TRUE(ctl->isEditing()) << "mode " << c.mode << ": still editing after a refused save";
    }
    ctl->abortEdit();
  }
  EXPECT_FALSE(ctl->canSaveNow()) << "idle";
}

TEST_F(CommitTest, Polyline2DRecord) {
  StartDrawing(MODE_POLYLINE);
  AddVertices(0, {{1.5, 2.5}, {-3, 4}, {10, 20}});
  uint32_t rec = Save();
  ASSERT_NE(rec, 0u);
  EXPECT_EQ(QarnRecordMemory().BlockSize(rec), 49u) << "always allocated at the 3D size";
  ExpectHeader(rec, 33, 5);
  EXPECT_EQ(At<uint8_t>(rec, 24), 0) << "closed";
  EXPECT_EQ(At<uint32_t>(rec, 25), 3u) << "vertex count";
  uint32_t xy = At<uint32_t>(rec, 29);
  const double expected[] = {1.5, 2.5, -3, 4, 10, 20};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(At<double>(xy, i * 8), expected[i]) << "XY value " << i;
  EXPECT_EQ(QarnRecordMemory().BlockSize(xy), 48u);
  EXPECT_EQ(At<uint32_t>(rec, 33), 0u) << "no Z block in 2D";
  EXPECT_EQ(At<uint32_t>(rec, 37), 0u) << "no part block in 2D";
  EXPECT_EQ(At<uint32_t>(rec, 41), 1u) << "one part in 2D";
  EXPECT_EQ(At<uint32_t>(rec, 45), 0u) << "no part flags in 2D";
}

TEST_F(CommitTest, Polyline3DRecordCountsRunsOfPartNumbers) {
  StartDrawing(MODE_POLYLINE, true);
  const int parts[] = {1, 1, 1, 2, 2};
  for (int i = 0; i < 5; ++i) AddVertex(0, i, 10 + i, 100 + i, parts[i]);
  uint32_t rec = Save();
  ExpectHeader(rec, 49, 5);
  EXPECT_EQ(At<uint32_t>(rec, 25), 5u);
  uint32_t z = At<uint32_t>(rec, 33);
  uint32_t partBlock = At<uint32_t>(rec, 37);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(At<double>(z, i * 8), 100 + i) << "Z of vertex " << i;
    EXPECT_EQ(At<int32_t>(partBlock, i * 4), parts[i]) << "part of vertex " << i;
  }
  EXPECT_EQ(At<uint32_t>(rec, 41), 2u) << "number of parts";
  uint32_t flags = At<uint32_t>(rec, 45);
  EXPECT_EQ(QarnRecordMemory().BlockSize(flags), 8u);
  EXPECT_EQ(At<int32_t>(flags, 0), 0);
  EXPECT_EQ(At<int32_t>(flags, 4), 0);
}

TEST_F(CommitTest, PolygonWithAHoleAndAnEmptyRing) {
  Connect();
  ctl->m_fillStyle = -2;
  ctl->drawPolygon();
  AddVertices(0, {{0, 0}, {4, 0}, {4, 3}, {0, 3}});
  AddVertices(1, {{1, 1}, {1, 2}, {2, 2}});
  MakeHole(1);
  AddEmptyRing();  // a third ring left empty is skipped
  uint32_t rec = Save();
  EXPECT_EQ(QarnRecordMemory().BlockSize(rec), 119u);
  ExpectHeader(rec, 115, 6);
  EXPECT_EQ(At<int16_t>(rec, 24), -2) << "fill style";
  EXPECT_EQ(At<uint8_t>(rec, 26), 0);
  for (size_t off = 43; off < 83; ++off) EXPECT_EQ(At<uint8_t>(rec, off), 0) << "zero byte at " << off;
  for (size_t off = 99; off < 115; ++off) EXPECT_EQ(At<uint8_t>(rec, off), 0) << "zero byte at " << off;
  EXPECT_EQ(At<uint32_t>(rec, 83), 7u) << "total vertices";
  EXPECT_EQ(At<uint32_t>(rec, 91), 2u) << "rings written";
  uint32_t rings = At<uint32_t>(rec, 95);
  EXPECT_EQ(QarnRecordMemory().BlockSize(rings), 20u);
  EXPECT_EQ(At<uint32_t>(rings, 0), 0u);
  EXPECT_EQ(At<uint32_t>(rings, 4), 4u);
  EXPECT_EQ(At<int16_t>(rings, 8), 1) << "perimeter";
  EXPECT_EQ(At<uint32_t>(rings, 10), 4u);
  EXPECT_EQ(At<uint32_t>(rings, 14), 3u);
  EXPECT_EQ(At<int16_t>(rings, 18), 2) << "hole";
  uint32_t xy = At<uint32_t>(rec, 87);
  EXPECT_EQ(At<double>(xy, 4 * 16), 1.0) << "X of the hole's first vertex";
  EXPECT_EQ(At<double>(xy, 6 * 16 + 8), 2.0) << "Y of the hole's last vertex";
  EXPECT_EQ(At<uint32_t>(rec, 115), 0u) << "no Z block in 2D";
}

TEST_F(CommitTest, Polygon3DCarriesZRingAfterRing) {
  StartDrawing(MODE_POLYGON, true);
  for (int i = 0; i < 3; ++i) AddVertex(0, i, i, 5 + i);
  AddEmptyRing();  // an empty second ring is not written
  uint32_t rec = Save();
  ExpectHeader(rec, 119, 6);
  uint32_t z = At<uint32_t>(rec, 115);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(At<double>(z, i * 8), 5 + i);
  EXPECT_EQ(At<uint32_t>(rec, 91), 1u);
}

TEST_F(CommitTest, PointRecordsIn2DAnd3D) {
  StartDrawing(MODE_POINT);
  AddVertex(0, 7.25, -8.5, 99);
  uint32_t rec = Save();
  ExpectHeader(rec, 40, 1);
  EXPECT_EQ(QarnRecordMemory().BlockSize(rec), 48u);
  EXPECT_EQ(At<double>(rec, 24), 7.25);
  EXPECT_EQ(At<double>(rec, 32), -8.5);

  ctl->Set3DMode(1);
  ctl->drawPoint();
  AddVertex(0, 1, 2, 3);
  rec = Save();
  ExpectHeader(rec, 48, 1);
  EXPECT_EQ(At<double>(rec, 40), 3.0);

  // A 2D press keeps the slot's height from the 3D edit; the record still has none.
  ctl->Set3DMode(0);
  ctl->drawPoint();
  PressAt(7, 8);
  ReleaseAt(7, 8);
  rec = Save();
  EXPECT_EQ(At<double>(rec, 24), 7.0);
  EXPECT_EQ(At<double>(rec, 40), 0.0) << "Z in 2D";
}

// A save fires EditDone once; its record lives until the next abort.
TEST_F(CommitTest, ASavedRecordLivesUntilTheNextAbortAndIsFreedWithItsBlocks) {
  Connect();
  const size_t before = QarnRecordMemory().LiveBlockCount();
  ctl->drawPolyline();
  AddVertices(0, {{0, 0}, {1, 1}});
  uint32_t rec = Save();
  EXPECT_EQ(sink.events.back(), "EditDone");
  EXPECT_FALSE(ctl->saveEdit()) << "idle again";
  EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), "EditDone"), 1);
  EXPECT_EQ(QarnRecordMemory().LiveBlockCount(), before + 2) << "record and XY block";
  ctl->drawPolygon();
  EXPECT_EQ(static_cast<uint32_t>(ctl->getDrawnNTT()), rec) << "a start leaves the last record alone";
  ctl->abortEdit();
  EXPECT_EQ(ctl->getDrawnNTT(), 0);
  EXPECT_FALSE(QarnRecordMemory().IsLive(rec));
  EXPECT_EQ(QarnRecordMemory().LiveBlockCount(), before);
}

TEST_F(CommitTest, ANewSaveFreesTheOldRecordFirst) {
  Connect();
  const size_t before = QarnRecordMemory().LiveBlockCount();
  ctl->Set3DMode(1);
  for (int round = 0; round < 3; ++round) {
    ctl->drawPolyline();
    AddVertex(0, 0, 0, 0, 1);
    AddVertex(0, 1, 1, 0, 2);
    Save();
  }
  EXPECT_EQ(QarnRecordMemory().LiveBlockCount(), before + 5) << "record, XY, Z, part and part-flag blocks";
}
