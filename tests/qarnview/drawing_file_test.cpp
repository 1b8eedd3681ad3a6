// Drawing files on disk: saving replaces a file only once the new one is complete, a
// failed save leaves the old file as it was, and opening checks the size first.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "drawing_samples.h"
#include "qarnview/drawing_file.h"
#include "qarnview/geojson_drawing.h"
#include "tests/files/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace qarnview;

class DrawingFileTest : public ::testing::Test {
 protected:
  void SetUp() override { dir = qarn_test::ScratchFolder(); }
  static std::string Contents(const fs::path& p) { return qarn_test::ReadText(p.string()); }
  static void Put(const fs::path& p, const std::string& text) { qarn_test::WriteText(p.string(), text); }
  // Everything in the folder, so a left-over temporary file shows.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static Drawing Sample() {
    Drawing d;
    d.figures = samples::All();
    return d;
  }

  fs::path dir;
};

TEST_F(DrawingFileTest, ASavedDrawingOpensEqualAndReplacesTheOldFileWhole) {
  const fs::path file = dir / "plan.geojson";
  Put(file, std::string(100000, 'x'));  // longer than the new file: nothing of it may stay
  ASSERT_EQ(SaveDrawing(file, Sample()), "");
  EXPECT_EQ(Names(), std::vector<std::string>{"plan.geojson"});
  EXPECT_EQ(Contents(file).find('x'), std::string::npos);
  Drawing back;
  ASSERT_EQ(LoadDrawing(file, back), "");
  EXPECT_EQ(back, Sample());
}

TEST_F(DrawingFileTest, AFailedSaveLeavesTheOldFileAndNoTemporaryFile) {
  const fs::path file = dir / "plan.geojson";
  ASSERT_EQ(SaveDrawing(file, Sample()), "");
  const std::string old = Contents(file);

  // A drawing that cannot be written: nothing is touched.
  Drawing bad = Sample();
  bad.figures[3].rings[0].vertices[0].x = 1e300;
  std::string problem = SaveDrawing(file, bad);
  EXPECT_NE(problem.find("nothing was saved: figure 4"), std::string::npos) << problem;
  EXPECT_EQ(Contents(file), old);

  // The target is a folder: the new file is complete but cannot take its place.
  const fs::path folder = dir / "folder.geojson";
  fs::create_directories(folder);
  Put(folder / "inside.txt", "keep");
  problem = SaveDrawing(folder, Sample());
  EXPECT_NE(problem.find("cannot replace"), std::string::npos) << problem;
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(Contents(folder / "inside.txt"), "keep");

  // The folder to write in does not exist.
  problem = SaveDrawing(dir / "missing" / "plan.geojson", Sample());
  EXPECT_NE(problem.find("cannot create"), std::string::npos) << problem;

  EXPECT_EQ(Contents(file), old);
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder.geojson", "plan.geojson"}));
}

TEST_F(DrawingFileTest, OpeningRefusesMissingFoldersOversizeAndBrokenFilesAndKeepsTheDrawing) {
  const Drawing original = Sample();
  Drawing d = original;
  EXPECT_NE(LoadDrawing(dir / "none.geojson", d).find("no such file"), std::string::npos);
  EXPECT_NE(LoadDrawing(dir, d).find("folder"), std::string::npos);

  // Over 1 GiB: a sparse file, refused by its size before a byte is read.
  const fs::path huge = dir / "huge.geojson";
  Put(huge, "");
  fs::resize_file(huge, kMaxDrawingFileSize + 1);
  std::string problem = LoadDrawing(huge, d);
  EXPECT_NE(problem.find("over 1073741824 bytes are not opened"), std::string::npos) << problem;
  fs::remove(huge);

  const fs::path small = dir / "small.geojson";
  ASSERT_EQ(SaveDrawing(small, original), "");
  std::string bytes = "kept";
  EXPECT_NE(ReadDrawingFile(small, bytes, fs::file_size(small) - 1), "") << "the limit is inclusive of one byte less";
  EXPECT_EQ(bytes, "kept");
  EXPECT_EQ(ReadDrawingFile(small, bytes, fs::file_size(small)), "");
  EXPECT_EQ(bytes, Contents(small));
#if !defined(_WIN32)
  // Files whose size says nothing of their contents are refused, not read as empty.
  EXPECT_NE(ReadDrawingFile("/proc/self/status", bytes).find("grew while it was read"), std::string::npos);
  EXPECT_NE(ReadDrawingFile("/dev/null", bytes).find("cannot open /dev/null: "), std::string::npos);
  EXPECT_EQ(bytes, Contents(small));
#endif

  const fs::path cut = dir / "cut.geojson";
  Put(cut, bytes.substr(0, bytes.size() / 3));
  problem = LoadDrawing(cut, d);
  EXPECT_NE(problem.find("cut.geojson: the file is truncated"), std::string::npos) << problem;
  EXPECT_EQ(d, original);
}

}  // namespace
