#include "render/canvas.h"

#include <algorithm>

#include "platform/image.h"
#include "settings/background_list.h"
#include "shell/context.h"
#include "shell/main_window.h"

namespace brinkmoor {
namespace {

// A background may be at most this large, both limits inclusive.
constexpr int kMaxWidth = 350;
constexpr int kMaxHeight = 100;
// The picture that stands in for a background that is too large or cannot be loaded.
constexpr int kFallbackWidth = 300;
constexpr int kFallbackHeight = 100;
constexpr uint8_t kFallbackGrey = 120;

std::unique_ptr<Image> grey_fallback() {
  auto canvas = std::make_unique<Image>(make_image(kFallbackWidth, kFallbackHeight));
  // The new picture is uniformly black, so the fill from (1, 1) turns all of it grey.
  flood_fill(*canvas, 1, 1, kFallbackGrey, kFallbackGrey, kFallbackGrey);
  return canvas;
}

}  // namespace

std::string output_picture_path(const AppContext& ctx) {
  return graphics_folder(ctx) + "brinkmoortest.jpg";
}

void load_background(AppContext& ctx) {
  const int selected = ctx.ui != nullptr ? ctx.ui->state(BackgroundList) : -1;
  if (selected < 0) {
    // No background chosen: the previous run's picture, text included, is drawn on again. The
    // first run after start-up has no picture yet; it gets the grey one so that text is never
    // painted on a missing picture.
    if (!ctx.canvas) ctx.canvas = grey_fallback();
    return;
  }
  const std::string path = graphics_folder(ctx) + ctx.ui->text(BackgroundList);
  // The old Canvas goes first: at most one picture exists.
  ctx.canvas.reset();
  Image loaded;
  switch (load_image(path, kMaxWidth, kMaxHeight, &loaded)) {
    case LoadStatus::Ok:
      ctx.canvas = std::make_unique<Image>(std::move(loaded));
      break;
    case LoadStatus::TooLarge:
      // The oversized picture is never decoded; the result is the same discarded picture and a
      // black stand-in, neither scaled nor cropped.
      show_message(ctx, kMessageTitle, "Maximal size for signature is 350x100 pixels.");
      ctx.canvas = std::make_unique<Image>(make_image(kFallbackWidth, kFallbackHeight));
      break;
    case LoadStatus::Failed:
      ctx.canvas = grey_fallback();
      break;
  }
}

void save_signature(AppContext& ctx) {
  if (ctx.canvas) {
    if (ctx.ui != nullptr) ctx.ui->set_picture(PreviewImage, *ctx.canvas);
    const int position = ctx.ui != nullptr ? ctx.ui->state(QualitySlider) : 0;
    const int quality = std::clamp(position, 0, 10) * 10;
    // The result is deliberately not examined: the status is the same either way, and a failed
    // write leaves the previous file whole.
    (void)save_jpeg(*ctx.canvas, output_picture_path(ctx), quality);
  }
  set_status(ctx, "Signature generation complete.");
}

void free_canvas(AppContext& ctx) {
  ctx.canvas.reset();
}

}  // namespace brinkmoor
