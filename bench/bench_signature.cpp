// One whole signature: the 350 × 100 PNG background loaded, three lines of text in three fonts
// (one bold, one italic, one opaque run) drawn, and the JPEG written; fonts cached.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/image.h"
#include "platform/memory_ui.h"
#include "render/canvas.h"
#include "render/script.h"
#include "render/text_run.h"
#include "settings/background_list.h"
#include "settings/settings.h"
#include "shell/context.h"
#include "shell/main_window.h"

namespace brinkmoor {
namespace {

class Workspace {
 public:
  Workspace() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("brinkmoor-bench-" + std::to_string(rd()));
    std::filesystem::create_directories(path_ / "grafika");
    std::filesystem::copy_file(std::string(BRINKMOOR_BENCH_DATA) + "/render/background.png",
                               path_ / "grafika" / "noc.png");
  }
  ~Workspace() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string dir() const { return path_.string() + "/"; }

 private:
  std::filesystem::path path_;
};

void BM_GenerateSignature(benchmark::State& bench) {
  Workspace workspace;
  MemoryUi ui;
  AppContext ctx;
  ctx.ui = &ui;
  ctx.work_dir = workspace.dir();
  if (!open_main_window(ctx, true)) {
    bench.SkipWithError("no window");
    return;
  }
  ui.append(BackgroundList, "noc.png");
  ui.set_state(BackgroundList, 0);
  ui.set_state(QualitySlider, 9);
  ui.set_text(ScriptEditor,
              "[posx-8][posy-6][font-Arial][size-12][b][fcolor-$FFFFFF]Drakula[/b]\n"
              "[size-9][i][fcolor-$7FD7FF]Punkty: 48213  Ranking: 137[/i]\n"
              "[/font][size-9][bcolor-0][fcolor-$FFFFFF]Nocne Lowy");
  reset_draw_font(ctx);
  generate_signature(ctx);  // fonts into the cache
  for (auto _ : bench) generate_signature(ctx);
  if (!std::filesystem::exists(output_picture_path(ctx))) bench.SkipWithError("no picture");
}
BENCHMARK(BM_GenerateSignature)->Unit(benchmark::kMicrosecond);

// The demo folder's signature (example/): two "getstat" over fresh cached pages, value tags,
// five fonts and sizes, bold, italic, colours and a back colour; fonts warm.
void BM_GenerateDemoSignature(benchmark::State& bench) {
  Workspace workspace;
  std::filesystem::copy(
      BRINKMOOR_EXAMPLE_DIR, workspace.dir(),
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  MemoryUi ui;
  AppContext ctx;
  ctx.ui = &ui;
  ctx.work_dir = workspace.dir();
  if (!open_main_window(ctx, true)) {
    bench.SkipWithError("no window");
    return;
  }
  ctx.window_open = true;
  fill_background_list(ctx);
  load_settings(ctx);
  reset_draw_font(ctx);
  generate_signature(ctx);
  for (auto _ : bench) generate_signature(ctx);
  if (ctx.stats.nick != "Demon") bench.SkipWithError("the sample pages were not read");
}
BENCHMARK(BM_GenerateDemoSignature)->Unit(benchmark::kMicrosecond);

// The same three lines drawn on a copy of a ready Canvas: the interpreter and text runs alone,
// without the picture codecs and the file system.
void BM_DrawScriptLines(benchmark::State& bench) {
  AppContext ctx;
  Image background;
  background.width = 350;
  background.height = 100;
  background.pixels.assign(350 * 100 * 3, 90);
  ctx.canvas = std::make_unique<Image>(background);
  reset_draw_font(ctx);
  const std::string lines[] = {
      "[posx-8][posy-6][font-Arial][size-12][b][fcolor-$FFFFFF]Drakula[/b]",
      "[size-9][i][fcolor-$7FD7FF]Punkty: 48213  Ranking: 137[/i]",
      "[/font][size-9][bcolor-0][fcolor-$FFFFFF]Nocne Lowy"};
  for (auto _ : bench) {
    *ctx.canvas = background;
    ScriptState state;
    ctx.cursor.line_height = 0;
    for (const std::string& line : lines) process_script_line(ctx, state, line);
    reset_draw_font(ctx);
    benchmark::DoNotOptimize(ctx.canvas->pixels.data());
  }
}
BENCHMARK(BM_DrawScriptLines)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace brinkmoor

BENCHMARK_MAIN();
