// The Canvas as generation sees it: made from the background selected in MainWindow, with the
// size limit and its stand-ins, shown in the preview and written as the output JPEG.
#include "render/canvas.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/image.h"
#include "platform/memory_ui.h"
#include "platform/process.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

namespace fs = std::filesystem;

const char* const kTooLarge = "Maximal size for signature is 350x100 pixels.";

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_.ui = &ui_;
    ctx_.work_dir = dir_.dir();
    ASSERT_TRUE(open_main_window(ctx_, /*hidden=*/true));
    dir_.mkdir("grafika");
  }
  // Puts a test picture into the graphics folder under a name and offers it in the list.
  void offer(const std::string& data_file, const std::string& name) {
    if (!data_file.empty()) dir_.write("grafika/" + name, test::test_data(data_file));
    ui_.append(BackgroundList, name);
  }
  void select(const std::string& name) {
    for (int i = 0; i < ui_.count(BackgroundList); ++i)
      if (ui_.item(BackgroundList, i) == name) ui_.set_state(BackgroundList, i);
  }
  static bool uniform(const Image& image, uint8_t value) {
    for (uint8_t v : image.pixels)
      if (v != value) return false;
    return true;
  }

  test::TempDir dir_;
  MemoryUi ui_;
  AppContext ctx_;
};

TEST_F(CanvasTest, BackgroundsBySizeAndState) {
  enum Outcome { Loaded, Black, Grey };
  const struct {
    const char* data_file;  // "" for a listed file that is not there
    const char* name;
    Outcome outcome;
    int width;
    int height;
  } cases[] = {
      {"images/size_350x100.png", "exact.png", Loaded, 350, 100},
      {"images/size_350x100.bmp", "exact.BMP", Loaded, 350, 100},
      {"images/rgb8.png", "small.png", Loaded, 5, 3},
      {"images/size_351x100.png", "wide.png", Black, 300, 100},
      {"images/size_350x101.jpg", "high.jpg", Black, 300, 100},
      {"images/size_100x101.jpg", "narrow_high.jpg", Black, 300, 100},
      {"images/size_100x101.bmp", "narrow_high.bmp", Black, 300, 100},
      {"bad_images/png_huge.png", "huge.png", Black, 300, 100},
      {"bad_images/bmp_huge.bmp", "huge.bmp", Black, 300, 100},
      {"", "deleted.png", Grey, 300, 100},
      {"bad_images/not_a_picture.png", "html.png", Grey, 300, 100},
      {"bad_images/png_truncated_idat.png", "cut.png", Grey, 300, 100},
      {"bad_images/jpeg_truncated_scan.jpg", "cut.jpg", Grey, 300, 100},
      {"bad_images/bmp_truncated_pixels.bmp", "cut.bmp", Grey, 300, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    offer(c.data_file, c.name);
    select(c.name);
    const size_t messages_before = ui_.messages().size();
    load_background(ctx_);
    ASSERT_TRUE(ctx_.canvas);
    EXPECT_EQ(ctx_.canvas->width, c.width);
    EXPECT_EQ(ctx_.canvas->height, c.height);
    const auto& messages = ui_.messages();
    if (c.outcome == Black) {
      ASSERT_EQ(messages.size(), messages_before + 1);
      EXPECT_EQ(messages.back().title, "Brinkmoor.");
      EXPECT_EQ(messages.back().text, kTooLarge);
      EXPECT_EQ(ctx_.canvas->channels, 3);
      EXPECT_TRUE(uniform(*ctx_.canvas, 0));
    } else {
      EXPECT_EQ(messages.size(), messages_before);
    }
    if (c.outcome == Grey) {
      EXPECT_EQ(ctx_.canvas->channels, 3);
      EXPECT_TRUE(uniform(*ctx_.canvas, 120));
    }
  }
  // The loaded 350 x 100 picture is used unchanged.
  select("exact.png");
  load_background(ctx_);
  EXPECT_EQ(ctx_.canvas->at(349, 99)[0], 0);
  EXPECT_EQ(ctx_.canvas->at(349, 99)[1], 128);
  EXPECT_EQ(ctx_.canvas->at(349, 99)[2], 255);
}

TEST_F(CanvasTest, PictureWithAlphaKeepsItsChannel) {
  offer("images/rgba8.png", "glass.png");
  select("glass.png");
  load_background(ctx_);
  ASSERT_TRUE(ctx_.canvas);
  EXPECT_EQ(ctx_.canvas->channels, 4);
}

TEST_F(CanvasTest, NoSelectionKeepsThePreviousCanvasWithItsText) {
  offer("images/rgb8.png", "small.png");
  select("small.png");
  load_background(ctx_);
  ASSERT_TRUE(ctx_.canvas);
  // The run's "text" is painted on; a later run without a selection draws over it again.
  std::fill_n(ctx_.canvas->at(2, 1), 3, uint8_t{77});
  const Image* before = ctx_.canvas.get();
  ui_.set_state(BackgroundList, -1);
  load_background(ctx_);
  load_background(ctx_);
  ASSERT_EQ(ctx_.canvas.get(), before);
  EXPECT_EQ(ctx_.canvas->at(2, 1)[0], 77);
  EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(CanvasTest, FirstRunWithoutSelectionGetsAGreyCanvas) {
  ASSERT_FALSE(ctx_.canvas);
  load_background(ctx_);
  ASSERT_TRUE(ctx_.canvas);
  EXPECT_EQ(ctx_.canvas->width, 300);
  EXPECT_EQ(ctx_.canvas->height, 100);
  EXPECT_TRUE(uniform(*ctx_.canvas, 120));
  EXPECT_TRUE(ui_.messages().empty());
}

// What the reference encoder writes for the picture at quality q.
std::string reference_jpeg(const test::TempDir& dir, const Image& image, int quality) {
  std::string ppm =
      "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
  ppm.append(image.pixels.begin(), image.pixels.end());
  dir.write("reference.ppm", ppm);
  ChildProcess cjpeg;
  EXPECT_TRUE(
      cjpeg.start("/usr/bin/cjpeg", {"-quality", std::to_string(quality), "-outfile",
                                     dir.file("reference.jpg"), dir.file("reference.ppm")}));
  EXPECT_EQ(cjpeg.wait(60000), 0);
  return dir.read("reference.jpg");
}

TEST_F(CanvasTest, SaveShowsWritesAtSliderQualityAndReportsDone) {
  offer("images/rgb24.bmp", "tiny.bmp");
  select("tiny.bmp");
  load_background(ctx_);
  test::TempDir scratch;
  for (const int slider : {1, 5, 10}) {
    SCOPED_TRACE(slider);
    ui_.set_state(QualitySlider, slider);
    ui_.set_text(StatusText, "Status.");
    save_signature(ctx_);
    ASSERT_TRUE(ui_.gadget(PreviewImage).picture);
    EXPECT_EQ(ui_.gadget(PreviewImage).picture->pixels, ctx_.canvas->pixels);
    const std::string expected = reference_jpeg(scratch, *ctx_.canvas, slider * 10);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(dir_.read("grafika/brinkmoortest.jpg") == expected);
    EXPECT_EQ(ui_.text(StatusText), "Signature generation complete.");
  }
}

TEST_F(CanvasTest, FileTypeAndColourChoicesDoNotChangeTheOutput) {
  load_background(ctx_);
  save_signature(ctx_);
  const std::string first = dir_.read("grafika/brinkmoortest.jpg");
  for (const int gadget : {FileTypeCombo, ColorsCombo}) {
    ui_.set_state(gadget, ui_.count(gadget) > 1 ? ui_.count(gadget) - 1 : 0);
  }
  save_signature(ctx_);
  EXPECT_TRUE(dir_.read("grafika/brinkmoortest.jpg") == first);
  Image back;
  ASSERT_EQ(load_image(dir_.file("grafika/brinkmoortest.jpg"), 350, 100, &back), LoadStatus::Ok);
  EXPECT_EQ(back.channels, 3);
}

TEST_F(CanvasTest, UnwritableOutputStillReportsDone) {
  load_background(ctx_);
  // No graphics folder: nothing is written, nothing is created, the status is the same.
  fs::remove_all(dir_.file("grafika"));
  save_signature(ctx_);
  EXPECT_EQ(ui_.text(StatusText), "Signature generation complete.");
  EXPECT_FALSE(fs::exists(dir_.file("grafika")));
  // An output name taken by a folder: the write fails and the folder is left as it was.
  dir_.mkdir("grafika/brinkmoortest.jpg/keep");
  ui_.set_text(StatusText, "Status.");
  save_signature(ctx_);
  EXPECT_EQ(ui_.text(StatusText), "Signature generation complete.");
  EXPECT_TRUE(fs::is_directory(dir_.file("grafika/brinkmoortest.jpg/keep")));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.file("grafika")), fs::directory_iterator()),
            1);
}

TEST_F(CanvasTest, PreviousOutputCanBeTheNextBackground) {
  load_background(ctx_);
  std::fill_n(ctx_.canvas->at(10, 10), 3, uint8_t{255});
  ui_.set_state(QualitySlider, 10);
  save_signature(ctx_);
  offer("", "brinkmoortest.jpg");
  select("brinkmoortest.jpg");
  load_background(ctx_);
  ASSERT_TRUE(ctx_.canvas);
  EXPECT_EQ(ctx_.canvas->width, 300);
  EXPECT_EQ(ctx_.canvas->height, 100);
  EXPECT_NEAR(ctx_.canvas->at(50, 50)[0], 120, 3);
  EXPECT_GT(ctx_.canvas->at(10, 10)[0], 180);  // the earlier run's marks come along
  save_signature(ctx_);                        // and the run overwrites its own background
  EXPECT_TRUE(fs::exists(dir_.file("grafika/brinkmoortest.jpg")));
}

TEST_F(CanvasTest, FreeCanvasReleasesItOnce) {
  free_canvas(ctx_);
  load_background(ctx_);
  ASSERT_TRUE(ctx_.canvas);
  free_canvas(ctx_);
  EXPECT_FALSE(ctx_.canvas);
  free_canvas(ctx_);
  // Saving without a Canvas writes nothing and does not fail.
  save_signature(ctx_);
  EXPECT_FALSE(fs::exists(dir_.file("grafika/brinkmoortest.jpg")));
}

TEST_F(CanvasTest, OutputPathIsInTheGraphicsFolder) {
  EXPECT_EQ(output_picture_path(ctx_), dir_.dir() + "grafika/brinkmoortest.jpg");
  ctx_.work_dir = dir_.path().string();  // no trailing separator: one is added
  EXPECT_EQ(output_picture_path(ctx_), dir_.dir() + "grafika/brinkmoortest.jpg");
}

}  // namespace
}  // namespace brinkmoor
