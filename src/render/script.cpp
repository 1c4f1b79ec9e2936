#include "render/script.h"

#include "platform/font.h"
#include "render/canvas.h"
#include "render/text_run.h"
#include "shell/context.h"
#include "shell/main_window.h"
#include "shell/text.h"
#include "stats/stats.h"

namespace brinkmoor {

namespace {

// Numbers in tags keep the low 32 bits of what parse_int reads.
int32_t low32(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

void append_pending(AppContext& ctx, std::string_view text) {
  std::string& pending = ctx.cursor.pending_text;
  if (pending.size() >= kMaxPendingText) return;
  pending.append(text.substr(0, kMaxPendingText - pending.size()));
}

// Positions count from 1; 0 when the character does not occur at or after from.
int64_t find_char(std::string_view line, char c, int64_t from) {
  if (from < 1 || from > static_cast<int64_t>(line.size())) return 0;
  const size_t at = line.find(c, static_cast<size_t>(from - 1));
  return at == std::string_view::npos ? 0 : static_cast<int64_t>(at) + 1;
}

// The next occurrence of one character after a position that only ever grows: the previous
// answer is reused while it still lies ahead, so a whole line costs one scan.
class NextChar {
 public:
  NextChar(std::string_view line, char c) : line_(line), c_(c) {}
  int64_t from(int64_t start) {
    if (!known_ || (found_ != 0 && found_ < start)) {
      found_ = find_char(line_, c_, start);
      known_ = true;
    }
    return found_;
  }

 private:
  std::string_view line_;
  char c_;
  bool known_ = false;
  int64_t found_ = 0;
};

// mid_text(line, start, length) without a copy; start is at least 1 here.
std::string_view mid_view(std::string_view line, int64_t start, int64_t length) {
  const int64_t size = static_cast<int64_t>(line.size());
  if (length <= 0 || start > size) return {};
  return line.substr(static_cast<size_t>(start - 1),
                     static_cast<size_t>(std::min(length, size - start + 1)));
}

void reselect(AppContext& ctx, const ScriptState& state) {
  select_draw_font(ctx, state.font_name, state.font_size, state.font_style);
}

void act_on_tag(AppContext& ctx, ScriptState& state, std::string_view name) {
  TagArguments& args = state.tag_arguments;
  const PlayerStats& stats = ctx.stats;
  if (name == "getstat") {
    fetch_stats(ctx, args.text(1), args.text(2), low32(args.number(3)), args.text(4));
  } else if (name == "nick") {
    append_pending(ctx, stats.nick);
  } else if (name == "points") {
    append_pending(ctx, format_int(stats.points));
  } else if (name == "race") {
    append_pending(ctx, stats.race);
  } else if (name == "ranking") {
    append_pending(ctx, format_int(stats.ranking));
  } else if (name == "clan") {
    append_pending(ctx, stats.clan);
  } else if (name == "id") {
    append_pending(ctx, format_int(stats.id));
  } else if (name == "arena") {
    int32_t index = low32(args.number(1));
    if (index > 7) {
      args.set(1, "7");
      index = 7;
    }
    // A negative index names no slot.
    append_pending(ctx, index < 0 ? "0" : format_int(stats.arena[static_cast<size_t>(index)]));
  } else if (name == "fights") {
    const int32_t index = low32(args.number(1));
    const bool named = index >= 0 && index < static_cast<int32_t>(stats.fights.size());
    append_pending(ctx, named ? format_int(stats.fights[static_cast<size_t>(index)]) : "0");
  } else if (name == "fcolor") {
    flush_pending(ctx, state);
    state.front_colour = static_cast<uint32_t>(args.number(1));
  } else if (name == "bcolor") {
    flush_pending(ctx, state);
    state.back_colour = static_cast<uint32_t>(args.number(1));
  } else if (name == "font") {
    flush_pending(ctx, state);
    state.font_name = args.text(1).substr(0, kMaxFaceName);
    reselect(ctx, state);
  } else if (name == "/font") {
    flush_pending(ctx, state);
    state.font_name = "Arial";
    state.font_size = 10;
    state.font_style = 0;
    reselect(ctx, state);
  } else if (name == "size") {
    flush_pending(ctx, state);
    state.font_size = low32(args.number(1));
    reselect(ctx, state);
  } else if (name == "/size") {
    flush_pending(ctx, state);
    state.font_size = 10;
    reselect(ctx, state);
  } else if (name == "b") {
    // Bold only from plain: on an italic text "b" changes nothing.
    flush_pending(ctx, state);
    if (state.font_style == 0) state.font_style = kStyleBold;
    reselect(ctx, state);
  } else if (name == "/b") {
    // Flips whenever any style is on, so on an italic text it switches bold on.
    flush_pending(ctx, state);
    if (state.font_style != 0) state.font_style ^= kStyleBold;
    reselect(ctx, state);
  } else if (name == "i") {
    flush_pending(ctx, state);
    state.font_style |= kStyleItalic;
    reselect(ctx, state);
  } else if (name == "/i") {
    flush_pending(ctx, state);
    if (state.font_style != 0) state.font_style ^= kStyleItalic;
    reselect(ctx, state);
  } else if (name == "posx") {
    flush_pending(ctx, state);
    ctx.cursor.x = low32(args.number(1));
    if (state.margin == -1) state.margin = ctx.cursor.x;
  } else if (name == "posy") {
    flush_pending(ctx, state);
    ctx.cursor.y = low32(args.number(1));
  }
  // Any other name: the tag vanishes, the text before it stays pending.
}

// Fills the slots with views into the argument text (which lives as long as the line).
void split_into(TagArguments& args, std::string_view text) {
  int slot = 1;
  int64_t from = 1;
  int64_t sep = find_char(text, '-', 1);
  while (sep > 0) {
    args.refer(slot, mid_view(text, from, sep - from));
    ++slot;
    from = sep + 1;
    sep = find_char(text, '-', sep + 1);
    if (slot == TagArguments::kSlots) break;
  }
  args.refer(slot, from <= static_cast<int64_t>(text.size()) ? text.substr(from - 1) : "");
}

}  // namespace

std::string_view TagArguments::view(int slot) const {
  if (slot < 1 || slot > kSlots) return {};
  const size_t i = static_cast<size_t>(slot - 1);
  return refers_[i] ? view_[i] : std::string_view(owned_[i]);
}

const std::string& TagArguments::text(int slot) {
  static const std::string none;
  if (slot < 1 || slot > kSlots) return none;
  const size_t i = static_cast<size_t>(slot - 1);
  if (refers_[i]) {
    owned_[i].assign(view_[i]);
    refers_[i] = false;
  }
  return owned_[i];
}

int64_t TagArguments::number(int slot) {
  if (slot < 1 || slot > kSlots) return 0;
  const size_t i = static_cast<size_t>(slot - 1);
  if (!number_[i]) number_[i] = parse_int(view(slot));
  return *number_[i];
}

void TagArguments::refer(int slot, std::string_view bytes) {
  if (slot < 1 || slot > kSlots) return;
  const size_t i = static_cast<size_t>(slot - 1);
  view_[i] = bytes;
  refers_[i] = true;
  number_[i].reset();
  ++generation_;
}

void TagArguments::set(int slot, std::string text) {
  if (slot < 1 || slot > kSlots) return;
  const size_t i = static_cast<size_t>(slot - 1);
  owned_[i] = std::move(text);
  refers_[i] = false;
  number_[i].reset();
  ++generation_;
}

void TagArguments::own() {
  for (int slot = 1; slot <= kSlots; ++slot) text(slot);
}

void split_tag_arguments(ScriptState& state, std::string_view arguments) {
  split_into(state.tag_arguments, arguments);
  state.tag_arguments.own();
}

void flush_pending(AppContext& ctx, const ScriptState& state) {
  draw_text_run(ctx, ctx.cursor.x, ctx.cursor.y, ctx.cursor.pending_text, state.front_colour,
                state.back_colour, false);
}

void process_script_line(AppContext& ctx, ScriptState& state, std::string_view line) {
  const int64_t length = static_cast<int64_t>(line.size());
  NextChar next_dash(line, '-');
  NextChar next_close(line, ']');
  int64_t last_dash = -1;
  int64_t last_close = -1;
  uint64_t last_generation = 0;
  int64_t start = 1;
  int64_t open = find_char(line, '[', 1);
  while (open > 0) {
    int64_t dash = next_dash.from(open + 1);
    int64_t close = next_close.from(open + 1);
    // A missing "-" or "]" counts as the line's last character.
    if (dash == 0) dash = length;
    if (close == 0) close = length;
    const int64_t end = dash < close ? dash : close;
    const std::string_view name = mid_view(line, open + 1, end - open - 1);
    // Tags nested in one argument text share it: cutting it again would fill the same slots.
    if (dash < close && !(dash == last_dash && close == last_close &&
                          state.tag_arguments.generation() == last_generation)) {
      split_into(state.tag_arguments, mid_view(line, dash + 1, close - dash - 1));
      last_dash = dash;
      last_close = close;
      last_generation = state.tag_arguments.generation();
    }
    append_pending(ctx, mid_view(line, start, open - start));
    act_on_tag(ctx, state, name);
    start = close + 1;
    // The next tag is looked for right after this tag's "[", not after its "]".
    open = find_char(line, '[', open + 1);
  }
  if (start <= length) append_pending(ctx, line.substr(static_cast<size_t>(start - 1)));
  draw_text_run(ctx, ctx.cursor.x, ctx.cursor.y, ctx.cursor.pending_text, state.front_colour,
                state.back_colour, true);
  ctx.cursor.x = state.margin;
  state.tag_arguments.own();
}

void generate_signature(AppContext& ctx) {
  ScriptState state;
  ctx.cursor.line_height = 0;
  ctx.cursor.pending_text.clear();
  load_background(ctx);
  state.front_colour = 0;
  state.back_colour = kNoBackColour;
  if (ctx.ui) {
    const int lines = ctx.ui->count(ScriptEditor);
    for (int i = 0; i < lines; ++i) process_script_line(ctx, state, ctx.ui->item(ScriptEditor, i));
  }
  reset_draw_font(ctx);
  save_signature(ctx);
}

}  // namespace brinkmoor
