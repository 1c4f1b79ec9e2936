#include "render/script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/encoding.h"
#include "platform/font.h"
#include "platform/image.h"
#include "platform/memory_ui.h"
#include "render/canvas.h"
#include "render/text_run.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "stats/stats.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

Image grey_picture(int width = 300, int height = 100) {
  Image image;
  image.width = width;
  image.height = height;
  image.channels = 3;
  image.pixels.assign(static_cast<size_t>(width) * height * 3, 120);
  return image;
}

FontSpec arial(int size, bool bold = false, bool italic = false) {
  return FontSpec{"Arial", size, bold, italic};
}

// Layout figures taken from the font layer itself, so that the expectations follow the
// installed faces rather than numbers copied from one machine.
int64_t width_of(const FontSpec& spec, const std::string& text) {
  auto font = Font::load(spec);
  EXPECT_TRUE(font);
  return text_run_width(*font, text);
}
int cell_of(const FontSpec& spec) {
  auto font = Font::load(spec);
  EXPECT_TRUE(font);
  return font->cell_height();
}

// One text run as the interpreter should have drawn it.
struct Drawn {
  FontSpec font;
  int64_t x = 0;
  int64_t y = 0;
  std::string text;
  uint32_t front = 0;
  uint32_t back = kNoBackColour;
};

// The picture that the runs give on a fresh grey Canvas, painted straight with the font layer.
Image reference_picture(const std::vector<Drawn>& runs) {
  Image picture = grey_picture();
  for (const Drawn& run : runs) {
    auto font = Font::load(run.font);
    const std::u32string cps = decode_text(run.text);
    if (run.back == kNoBackColour) {
      draw_text(picture, *font, run.x, run.y, cps, run.front);
    } else {
      const TextBackground box{text_run_width(*font, run.text), font->cell_height(), run.back};
      draw_text(picture, *font, run.x, run.y, cps, run.front, &box);
    }
  }
  return picture;
}

// The program's context as start-up leaves it, with a grey Canvas and the window's gadgets.
class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx.ui = &ui;
    ctx.work_dir = dir.dir();
    dir.mkdir("grafika");
    ASSERT_TRUE(open_main_window(ctx, true));
    fresh();
  }
  // As after start-up: grey Canvas, cursor at (0, 0), no record, a new run's state.
  void fresh() {
    ctx.canvas = std::make_unique<Image>(grey_picture());
    ctx.cursor = TextCursor{};
    ctx.stats = PlayerStats{};
    state = ScriptState{};
    reset_draw_font(ctx);
  }
  void set_script(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\n" : "") + lines[i];
    ui.set_text(ScriptEditor, text);
  }
  // Runs one line as the first line of a run.
  void run_line(const std::string& line) { process_script_line(ctx, state, line); }

  test::TempDir dir;
  MemoryUi ui;
  AppContext ctx;
  ScriptState state;
};

struct Expect {
  int32_t x = 0;
  int32_t y = 0;
  std::vector<Drawn> runs;
  std::map<int, std::string> slots;
  std::function<void(const Image&)> colours;  // checks of the colours the example names
};

struct Example {
  const char* line;
  std::function<Expect()> expect;
};

bool has_pixel(const Image& picture, int64_t x0, int64_t x1, int y0, int y1,
               const std::function<bool(const uint8_t*)>& want) {
  for (int y = std::max(0, y0); y < std::min(picture.height, y1); ++y)
    for (int64_t x = std::max<int64_t>(0, x0); x < std::min<int64_t>(picture.width, x1); ++x)
      if (want(picture.at(static_cast<int>(x), y))) return true;
  return false;
}

TEST_F(ScriptTest, WorkedExamples) {
  const FontSpec a8 = arial(8);
  const int cell8 = cell_of(a8);
  const Example examples[] = {
      {"[posx-10][posy-5]Hello",
       [&] {
         return Expect{10, 5 + cell8, {{a8, 10, 5, "Hello"}}, {}, {}};
       }},
      {"[fcolor-255]red [fcolor-$FF0000]blue",
       [&] {
         const int64_t w = width_of(a8, "red ");
         Expect e{-1, cell8, {{a8, 0, 0, "red ", 0x0000FF}, {a8, w, 0, "blue", 0xFF0000}}, {}, {}};
         e.colours = [=](const Image& p) {
           EXPECT_TRUE(has_pixel(p, 0, w, 0, cell8,
                                 [](const uint8_t* c) { return c[0] > 200 && c[2] < 60; }));
           EXPECT_TRUE(has_pixel(p, w, 300, 0, cell8,
                                 [](const uint8_t* c) { return c[2] > 200 && c[0] < 60; }));
           EXPECT_FALSE(has_pixel(p, w, 300, 0, 100, [](const uint8_t* c) { return c[0] > 120; }));
         };
         return e;
       }},
      {"[fcolor-$FFFFFF][bcolor-0]box[bcolor-$FF00FF] free",
       [&] {
         const int64_t w = width_of(a8, "box");
         Expect e{
             -1, cell8, {{a8, 0, 0, "box", 0xFFFFFF, 0}, {a8, w, 0, " free", 0xFFFFFF}}, {}, {}};
         e.colours = [=](const Image& p) {
           // A black box exactly as wide as the advance, as high as the cell.
           EXPECT_EQ(p.at(0, 0)[0], 0);
           EXPECT_EQ(p.at(static_cast<int>(w) - 1, cell8 - 1)[0], 0);
           EXPECT_EQ(p.at(static_cast<int>(w), cell8 - 1)[0], 120);
           EXPECT_EQ(p.at(0, cell8)[0], 120);
           EXPECT_TRUE(has_pixel(p, 0, w, 0, cell8, [](const uint8_t* c) { return c[0] > 200; }));
           // "free" has no box: nothing darker than the background, some white.
           EXPECT_FALSE(has_pixel(p, w, 300, 0, 100, [](const uint8_t* c) { return c[0] < 120; }));
           EXPECT_TRUE(has_pixel(p, w, 300, 0, cell8, [](const uint8_t* c) { return c[0] > 200; }));
         };
         return e;
       }},
      {"[i][b]x[/b]y[/i]z",
       [&] {
         const FontSpec i10 = arial(10, false, true), bi10 = arial(10, true, true),
                        b10 = arial(10, true, false);
         const int64_t wx = width_of(i10, "x"), wy = width_of(bi10, "y");
         return Expect{-1,
                       cell_of(i10),
                       {{i10, 0, 0, "x"}, {bi10, wx, 0, "y"}, {b10, wx + wy, 0, "z"}},
                       {},
                       {}};
       }},
      {"a[foo]b",
       [&] {
         return Expect{-1, cell8, {{a8, 0, 0, "ab"}}, {}, {}};
       }},
      {"[posx-20][posy]",
       [&] {
         return Expect{20, 20, {}, {{1, "20"}}, {}};
       }},
      {"[posx--5]",
       [&] {
         return Expect{0, 0, {}, {{1, ""}, {2, "5"}}, {}};
       }},
      {"[posx-10",
       [&] {
         return Expect{1, 0, {}, {{1, "1"}}, {}};
       }},
      {"Total [points",
       [&] {
         return Expect{-1, cell8, {{a8, 0, 0, "Total "}}, {}, {}};
       }},
      {"[arena-9]",
       [&] {
         return Expect{-1, cell8, {{a8, 0, 0, "707"}}, {{1, "7"}}, {}};
       }},
  };
  for (const Example& example : examples) {
    SCOPED_TRACE(example.line);
    fresh();
    ctx.stats.arena[7] = 707;
    const Expect e = example.expect();
    run_line(example.line);
    EXPECT_EQ(ctx.cursor.x, e.x);
    EXPECT_EQ(ctx.cursor.y, e.y);
    EXPECT_EQ(ctx.cursor.line_height, 0);
    EXPECT_TRUE(ctx.cursor.pending_text.empty());
    for (const auto& [slot, text] : e.slots) EXPECT_EQ(state.tag_arguments.text(slot), text);
    EXPECT_TRUE(ctx.canvas->pixels == reference_picture(e.runs).pixels);
    if (e.colours) e.colours(*ctx.canvas);
  }
}

TEST_F(ScriptTest, OnlyTheFirstPosxSetsTheMargin) {
  set_script({"[posx-10]a", "[posx-50]b", "c"});
  generate_signature(ctx);
  const FontSpec a8 = arial(8);
  const int cell = cell_of(a8);
  EXPECT_TRUE(
      ctx.canvas->pixels ==
      reference_picture({{a8, 10, 0, "a"}, {a8, 50, cell, "b"}, {a8, 10, 2 * cell, "c"}}).pixels);
  EXPECT_EQ(ctx.cursor.x, 10);
  EXPECT_EQ(ctx.cursor.y, 3 * cell);
}

TEST_F(ScriptTest, WithoutPosxTheSecondLineStartsAtMinusOne) {
  set_script({"a", "b"});
  generate_signature(ctx);
  const FontSpec a8 = arial(8);
  const int cell = cell_of(a8);
  EXPECT_TRUE(ctx.canvas->pixels ==
              reference_picture({{a8, 0, 0, "a"}, {a8, -1, cell, "b"}}).pixels);
  EXPECT_EQ(ctx.cursor.x, -1);
  EXPECT_EQ(ctx.cursor.y, 2 * cell);
}

TEST_F(ScriptTest, ASecondRunContinuesWhereTheFirstStopped) {
  // No background selected: the second run paints over the first run's picture.
  set_script({"a", "", "b"});
  generate_signature(ctx);
  generate_signature(ctx);
  const FontSpec a8 = arial(8);
  const int cell = cell_of(a8);
  EXPECT_TRUE(
      ctx.canvas->pixels ==
      reference_picture(
          {{a8, 0, 0, "a"}, {a8, -1, cell, "b"}, {a8, -1, 2 * cell, "a"}, {a8, -1, 3 * cell, "b"}})
          .pixels);
  EXPECT_EQ(ctx.cursor.y, 4 * cell);
}

TEST_F(ScriptTest, RunStateStartsAfreshButDrawFontIsArial8UntilTheFirstFontTag) {
  // The previous run's style and colours do not leak: a run starts black, transparent, and
  // in "Arial" 8 plain; "b" as first font tag gives "Arial" 10 bold, not 8.
  set_script({"[fcolor-$FFFFFF][bcolor-0][size-20][i]x"});
  generate_signature(ctx);
  set_script({"[posx-0][posy-0]p[b]q"});
  ctx.canvas = std::make_unique<Image>(grey_picture());
  generate_signature(ctx);
  const FontSpec a8 = arial(8);
  EXPECT_TRUE(
      ctx.canvas->pixels ==
      reference_picture({{a8, 0, 0, "p"}, {arial(10, true), width_of(a8, "p"), 0, "q"}}).pixels);
  ASSERT_TRUE(ctx.draw_font);
  EXPECT_EQ(ctx.draw_font->spec().size_pt, 8);
  EXPECT_FALSE(ctx.draw_font->spec().bold);
}

TEST_F(ScriptTest, StyleTagsFollowTheirAsymmetricRules) {
  struct Case {
    const char* tags;
    int style;
  };
  const Case cases[] = {
      {"[b]", 0x100},     {"[i]", 0x200},        {"[i][b]", 0x200},  {"[b][i]", 0x300},
      {"[b][/b]", 0},     {"[i][/b]", 0x300},    {"[b][/i]", 0x300}, {"[/b]", 0},
      {"[/i]", 0},        {"[b][i][/b]", 0x200}, {"[i][i][/i]", 0},  {"[b][b]", 0x100},
      {"[B][ b][b ]", 0}, {"[i][/font]", 0},
  };
  for (const Case& c : cases) {
    state = ScriptState{};
    run_line(c.tags);
    EXPECT_EQ(state.font_style, c.style) << c.tags;
    if (c.style != 0) {
      ASSERT_TRUE(ctx.draw_font);
      EXPECT_EQ(ctx.draw_font->spec().bold, (c.style & 0x100) != 0) << c.tags;
      EXPECT_EQ(ctx.draw_font->spec().italic, (c.style & 0x200) != 0) << c.tags;
    }
  }
}

TEST(SplitTagArguments, FillsSlotsAndKeepsTheRest) {
  struct Case {
    const char* text;
    std::vector<std::string> slots;  // all five afterwards
  };
  const Case cases[] = {
      {"1", {"1", "o2", "o3", "o4", "o5"}},
      {"1-2", {"1", "2", "o3", "o4", "o5"}},
      {"", {"", "o2", "o3", "o4", "o5"}},
      {"-", {"", "", "o3", "o4", "o5"}},
      {"-5", {"", "5", "o3", "o4", "o5"}},
      {"a-b-c-d", {"a", "b", "c", "d", "o5"}},
      {"a-b-c-d-e", {"a", "b", "c", "d", "e"}},
      {"a-b-c-d-e-f--g-", {"a", "b", "c", "d", "e-f--g-"}},
      {"----", {"", "", "", "", ""}},
  };
  for (const Case& c : cases) {
    ScriptState state;
    for (int slot = 1; slot <= 5; ++slot) state.tag_arguments.set(slot, "o" + std::to_string(slot));
    split_tag_arguments(state, c.text);
    for (int slot = 1; slot <= 5; ++slot)
      EXPECT_EQ(state.tag_arguments.text(slot), c.slots[slot - 1]) << c.text << " slot " << slot;
  }
}

TEST_F(ScriptTest, TagSyntaxEdges) {
  struct Case {
    std::vector<std::string> lines;
    std::string drawn;  // everything drawn, in one run at (0, 0)
    FontSpec font = arial(8);
  };
  const Case cases[] = {
      {{"abc["}, "abc"},     // "[" last: empty tag name, "[" not drawn
      {{"x]y-z"}, "x]y-z"},  // "]" and "-" outside tags are text
      // "[" inside a tag opens "b" there; the face is "Ar[b", the rest of the line is text
      {{"[font-Ar[b]ial]"}, "ial]", FontSpec{"Ar[b", 10, true, false}},
      {{"a[]b"}, "ab"},                             // empty name
      {{"a[-]b[-x]c"}, "abc"},                      // empty name with arguments
      {{"[points-]7"}, "07"},                       // value tag with an empty argument
      {{"q[nick"}, "q"},                            // "nick" cut to "nic": nothing appended
      {{"[nick]"}, ""},                             // no fetch yet: empty
      {{"[id][points][ranking]"}, "000"},           // no fetch yet: zero
      {{"[foo-1-2]", "[fights]"}, "13"},            // slots carry over lines: fights-1
      {{"[posy-0][unknown-12x]", "[arena]"}, "0"},  // arena-12 reads slot 7 (0)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines.front());
    fresh();
    ctx.stats.fights[1] = 13;
    for (const auto& line : c.lines) {
      run_line(line);
      ctx.cursor.x = 0;
      ctx.cursor.y = 0;
    }
    const std::vector<Drawn> runs =
        c.drawn.empty() ? std::vector<Drawn>{} : std::vector<Drawn>{{c.font, 0, 0, c.drawn}};
    EXPECT_TRUE(ctx.canvas->pixels == reference_picture(runs).pixels);
  }
}

TEST_F(ScriptTest, ValueTags) {
  PlayerStats stats;
  stats.id = 4711;
  stats.nick = "Dr\xB9kula";  // Windows-1250 bytes kept as they are
  stats.points = -48213;
  stats.race = "Ssak";
  stats.ranking = 137;
  stats.clan = "Noc";
  for (int i = 0; i < 8; ++i) stats.arena[i] = 100 + i;
  for (int i = 0; i < 20; ++i) stats.fights[i] = 200 + i;
  struct Case {
    const char* line;
    std::string appended;
    const char* slot1_after;  // nullptr: not checked
  };
  const Case cases[] = {
      {"[nick]", "Dr\xB9kula", nullptr},
      {"[points]", "-48213", nullptr},
      {"[race][clan]", "SsakNoc", nullptr},
      {"[ranking] [id]", "137 4711", nullptr},
      {"[arena-0][arena-6]", "100106", nullptr},
      {"[arena-3]", "103", "3"},
      {"[arena-7]", "107", "7"},
      {"[arena-12]", "107", "7"},
      {"[arena-$100000002]", "102", nullptr},     // the low 32 bits: 2
      {"[arena-2147483648]", "0", "2147483648"},  // negative after the cut: no slot
      {"[arena-$FFFFFFFF]", "0", "$FFFFFFFF"},
      {"[fights-0][fights-19]", "200219", nullptr},
      {"[fights-20]", "0", nullptr},
      {"[fights-$FFFFFFFF]", "0", nullptr},
      {"[fights-99999999999]", "0", nullptr},
      {"[fights-abc]", "200", nullptr},  // non-numeric reads 0
      {"[fights-12abc]", "212", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    fresh();
    ctx.stats = stats;
    run_line(c.line);
    const std::vector<Drawn> runs = {{arial(8), 0, 0, c.appended}};
    EXPECT_TRUE(ctx.canvas->pixels == reference_picture(runs).pixels);
    if (c.slot1_after) {
      EXPECT_EQ(state.tag_arguments.text(1), c.slot1_after);
    }
  }
}

TEST_F(ScriptTest, FlushingTagsDrawTheTextBeforeThemInTheOldState) {
  // Colour and font tags flush; value tags and unknown tags do not.
  run_line("A[fcolor-255]B[zzz]C[size-12]D");
  const FontSpec a8 = arial(8);
  const int64_t wa = width_of(a8, "A"), wbc = width_of(a8, "BC");
  EXPECT_TRUE(ctx.canvas->pixels == reference_picture({{a8, 0, 0, "A", 0},
                                                       {a8, wa, 0, "BC", 0x0000FF},
                                                       {arial(12), wa + wbc, 0, "D", 0x0000FF}})
                                        .pixels);
  // The line height comes from the line's first run, in "Arial" 8.
  EXPECT_EQ(ctx.cursor.y, cell_of(a8));
}

TEST_F(ScriptTest, BackColourIsNoneOnlyForExactlyFF00FF) {
  // $01FF00FF differs only in the top byte: it paints a magenta box.
  run_line("[bcolor-$01FF00FF]m");
  const int64_t w = width_of(arial(8), "m");
  const uint8_t* corner = ctx.canvas->at(0, 0);
  EXPECT_EQ(corner[0], 255);
  EXPECT_EQ(corner[1], 0);
  EXPECT_EQ(corner[2], 255);
  EXPECT_EQ(ctx.canvas->at(static_cast<int>(w), 0)[0], 120);
  // The front colour's top byte plays no part either.
  fresh();
  run_line("[fcolor-$FF0000FF]m");
  EXPECT_TRUE(ctx.canvas->pixels == reference_picture({{arial(8), 0, 0, "m", 0x0000FF}}).pixels);
}

TEST_F(ScriptTest, EmptyEditorStillPreparesShowsAndSavesTheCanvas) {
  set_script({});
  ASSERT_EQ(ui.count(ScriptEditor), 0);
  generate_signature(ctx);
  EXPECT_EQ(ctx.canvas->pixels, grey_picture().pixels);
  EXPECT_TRUE(ui.gadget(PreviewImage).picture);
  EXPECT_TRUE(std::filesystem::exists(output_picture_path(ctx)));
  EXPECT_EQ(ui.text(StatusText), "Signature generation complete.");
  EXPECT_EQ(ctx.cursor.x, 0);
  EXPECT_EQ(ctx.cursor.y, 0);
}

TEST_F(ScriptTest, IdenticalScriptsGiveByteIdenticalJpegFiles) {
  dir.write("grafika/background.png", test::test_data("render/background.png"));
  ui.append(BackgroundList, "background.png");
  ui.set_state(BackgroundList, 0);
  set_script({"[posx-8][posy-6][size-12][b][fcolor-$FFFFFF]Drakula[/b]",
              "[size-9][i][fcolor-$7FD7FF]Punkty: 48213[/i]",
              "[/font][bcolor-0][fcolor-$FFFFFF]Nocne \xA3owy"});
  generate_signature(ctx);
  const std::string first = dir.read("grafika/brinkmoortest.jpg");
  // The cursor goes on from where the first run stopped, but the script places itself.
  generate_signature(ctx);
  const std::string second = dir.read("grafika/brinkmoortest.jpg");
  ASSERT_GT(first.size(), 100u);
  EXPECT_TRUE(first == second);
  EXPECT_EQ(ctx.canvas->width, 350);
}

TEST_F(ScriptTest, GetstatFillsTheRecordAndALaterFetchKeepsWhatItDoesNotFind) {
  // Fresh cached pages: nothing is downloaded.
  ctx.pause_ms = [](int) {};
  dir.mkdir("dane");
  const std::string bw_page = stats_cache_file(ctx.work_dir, "bw", "r7", 12);
  const std::string sc2_page = stats_cache_file(ctx.work_dir, "sc2", "eu", 2377239);
  std::ofstream(bw_page, std::ios::binary) << test::test_data("stats/bw_r7_12.html");
  std::ofstream(sc2_page, std::ios::binary) << test::test_data("stats/sc2_eu_2377239_demon.html");
  PlayerStats bw;
  ASSERT_TRUE(parse_bloodwars_page(bw_page, bw));
  ASSERT_NE(bw.ranking, 0);
  ASSERT_FALSE(bw.clan.empty());

  // The value tags before a fetch show the previous fetch; the player name ends at its "-".
  ctx.stats.nick = "earlier";
  run_line(
      "[nick]:[getstat-bw-r7-12][ranking] [clan] [arena-0]|"
      "[getstat-sc2-eu-2377239-Demon-rest][nick] [ranking] [clan] [id]");
  const std::string expected = "earlier:" + format_int(bw.ranking) + " " + bw.clan + " " +
                               format_int(bw.arena[0]) + "|Demon " + format_int(bw.ranking) + " " +
                               bw.clan + " 2377239";
  EXPECT_EQ(ctx.stats.nick, "Demon");
  EXPECT_EQ(ctx.stats.id, 2377239);
  EXPECT_EQ(ctx.stats.ranking, bw.ranking);
  EXPECT_EQ(state.tag_arguments.text(5), "rest");
  EXPECT_TRUE(ctx.canvas->pixels == reference_picture({{arial(8), 0, 0, expected}}).pixels);
}

TEST_F(ScriptTest, FontSizesOfAnyValueDrawSomethingSane) {
  struct Case {
    const char* size;
    int em;
  };
  const Case cases[] = {
      {"0", 13},
      {"", 13},
      {"abc", 13},
      {"$FFFFFFFF", 1},
      {"100000", kMaxEmPx},
      {"$7FFFFFFF", kMaxEmPx},
      {"$80000000", kMaxEmPx},
      {"-", 13},  // "-" cuts: empty slot 1
      {"1", 1},
  };
  for (const Case& c : cases) {
    state = ScriptState{};
    // 1000 pixels up, so that even the largest glyphs reach into the picture.
    run_line(std::string("[posy-$FFFFFC18][size-") + c.size + "]W[posy-0]");
    ASSERT_TRUE(ctx.draw_font) << c.size;
    EXPECT_EQ(ctx.draw_font->em_px(), c.em) << c.size;
  }
}

TEST_F(ScriptTest, UnknownOrOddFaceNamesStillDraw) {
  const std::string names[] = {"NoSuchFace", "\xFF\xFE\x01", std::string("A\0B", 3), "",
                               std::string(5000, 'x')};
  for (const std::string& name : names) {
    state = ScriptState{};
    run_line("[font-" + name + "]W");
    ASSERT_TRUE(ctx.draw_font);
    EXPECT_LE(state.font_name.size(), kMaxFaceName);
    EXPECT_GT(ctx.draw_font->cell_height(), 0);
  }
}

// Lines built to defeat naive scanning: each must finish, draw what the rules say, and leave
// the cursor sane. ctest's time-out catches a hang.
TEST_F(ScriptTest, HostileLinesFinish) {
  const size_t mb = size_t{1} << 20;
  std::string many_tags;
  for (int i = 0; i < 100000; ++i)
    many_tags += (i % 3 == 0) ? "[b]" : (i % 3 == 1) ? "[/b]x" : "[i]";
  std::string digits_then_tags = "[posx-" + std::string(mb / 2, '1');
  for (int i = 0; i < 50000; ++i) digits_then_tags += "[posy]";
  std::string sizes;
  for (int i = 0; i < 100000; ++i) sizes += "[size-" + std::to_string(i % 400) + "]";
  std::string faces;
  for (int i = 0; i < 5000; ++i) faces += "[font-F" + std::to_string(i) + "]";
  std::string values;
  for (int i = 0; i < 100000; ++i) values += "[nick]";
  const std::string lines[] = {
      std::string(mb, 'a'),
      std::string(mb, '['),
      std::string(mb, '-'),
      std::string(mb, ']'),
      [&] {
        std::string s;
        for (size_t i = 0; i < mb / 2; ++i) s += "[-";
        return s;
      }(),
      std::string(mb / 2, '[') + "-" + std::string(mb / 2, 'x'),
      "[font-" + std::string(mb, 'A') + "][font][font][font]",
      many_tags,
      digits_then_tags,
      sizes,
      faces,
      values,
  };
  ctx.stats.nick = std::string(1000, 'N');
  for (const std::string& line : lines) {
    state = ScriptState{};
    ctx.cursor = TextCursor{};
    run_line(line);
    EXPECT_TRUE(ctx.cursor.pending_text.empty());
    EXPECT_LE(ctx.cursor.pending_text.capacity(), kMaxPendingText + mb);
    EXPECT_EQ(ctx.canvas->width, 300);
  }
}

}  // namespace
}  // namespace brinkmoor
