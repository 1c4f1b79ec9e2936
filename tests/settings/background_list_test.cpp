#include "settings/background_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/memory_ui.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

class BackgroundListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_.ui = &ui_;
    ctx_.work_dir = dir_.dir();
    ASSERT_TRUE(open_main_window(ctx_, /*hidden=*/true));
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> out;
    for (int i = 0; i < ui_.count(BackgroundList); ++i) out.push_back(ui_.item(BackgroundList, i));
    return out;
  }

  test::TempDir dir_;
  MemoryUi ui_;
  AppContext ctx_;
};

TEST_F(BackgroundListTest, ListsPictureFilesByTheirLastExtension) {
  const struct {
    const char* name;
    bool listed;
  } files[] = {
      {"las.png", true},
      {"ZAMEK.PNG", true},
      {"noc.Jpg", true},
      {"stary.bMp", true},
      {"brinkmoortest.jpg", true},  // an earlier run's output is a background like any other
      {".png", true},
      {".ukryty.jpg", true},  // hidden files count
      {"notatki.txt.png", true},
      {"\xb3\xb9ka.png", true},  // a Windows-1250 name keeps its bytes
      {"zdjecie.jpeg", false},
      {"anim.gif", false},
      {"bez_rozszerzenia", false},
      {"png", false},
      {"kropka.", false},
      {"obraz.png.txt", false},
      {"obraz.png.", false},
  };
  for (const auto& f : files) dir_.write(std::string("grafika/") + f.name, "x");
  for (const char* folder : {"grafika/folder.png", "grafika/Folder.JPG", "grafika/sub.bmp"})
    dir_.mkdir(folder);

  fill_background_list(ctx_);

  // The list keeps the folder listing's order: it is the listing with the others left out.
  const auto listing = list_directory(dir_.dir() + "grafika");
  ASSERT_TRUE(listing);
  std::vector<std::string> expected;
  for (const auto& e : *listing) {
    for (const auto& f : files)
      if (f.listed && e.name == f.name) expected.push_back(e.name);
  }
  EXPECT_EQ(expected.size(), 9u);
  EXPECT_EQ(entries(), expected);
  EXPECT_EQ(ui_.state(BackgroundList), -1);
  EXPECT_EQ(ui_.text(BackgroundList), "");
  EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(BackgroundListTest, EmptyOrMissingFolderGivesAnEmptyListQuietly) {
  fill_background_list(ctx_);
  EXPECT_EQ(ui_.count(BackgroundList), 0);
  dir_.mkdir("grafika");
  fill_background_list(ctx_);
  EXPECT_EQ(ui_.count(BackgroundList), 0);
  // A file in the folder's place is no folder either.
  test::TempDir other;
  other.write("grafika", "not a folder");
  ctx_.work_dir = other.dir();
  fill_background_list(ctx_);
  EXPECT_EQ(ui_.count(BackgroundList), 0);
  EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(BackgroundListTest, GraphicsFolderEndsInTheSeparator) {
  EXPECT_EQ(graphics_folder(ctx_), dir_.dir() + "grafika/");
  ctx_.work_dir = dir_.path().string();
  EXPECT_EQ(graphics_folder(ctx_), dir_.dir() + "grafika/");
}

}  // namespace
}  // namespace brinkmoor
