#pragma once
// The signature script interpreter: plain text and bracketed tags, one script line per line of
// ScriptEditor, drawn on the Canvas through text runs.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "render/text_run.h"

namespace brinkmoor {
struct AppContext;

// The five argument slots of the most recent tags. A tag fills only as many slots as it has
// arguments; the others keep what earlier tags of the run left there. While a line is being
// read a slot may point into the line instead of holding a copy, so that a long line with many
// tags costs no more than its length; own() makes copies before the line goes away.
class TagArguments {
 public:
  static constexpr int kSlots = 5;

  // Slot i, counted from 1.
  std::string_view view(int slot) const;
  // The slot as a text of its own (a slot that refers into a line is copied once).
  const std::string& text(int slot);
  // parse_int of the slot, remembered until the slot changes.
  int64_t number(int slot);
  // The slot refers to bytes that must outlive it (or until own()).
  void refer(int slot, std::string_view bytes);
  void set(int slot, std::string text);
  // Copies every slot that refers into a line.
  void own();
  // Changes with every refer() and set().
  uint64_t generation() const { return generation_; }

 private:
  std::array<std::string, kSlots> owned_{};
  std::array<std::string_view, kSlots> view_{};
  std::array<bool, kSlots> refers_{};
  std::array<std::optional<int64_t>, kSlots> number_{};
  uint64_t generation_ = 0;
};

// The interpreter's state for one run.
struct ScriptState {
  std::string font_name = "Arial";
  int32_t font_size = 10;
  int font_style = 0;
  uint32_t front_colour = 0;
  uint32_t back_colour = kNoBackColour;
  int32_t margin = -1;  // x to which every line end returns; -1 until the run's first "posx"
  TagArguments tag_arguments;
};

// Runs the script in ScriptEditor: background, every line, DrawFont reset, picture saved.
void generate_signature(AppContext& ctx);
// One line of the script.
void process_script_line(AppContext& ctx, ScriptState& state, std::string_view line);
// Cuts a tag's argument text at "-" into the slots (the fifth takes the rest, "-" included).
void split_tag_arguments(ScriptState& state, std::string_view arguments);
// Draws the pending text at the cursor in the current colours, without ending the line.
void flush_pending(AppContext& ctx, const ScriptState& state);

// Pending text stops growing at this size: a line is limited by the editor, but value tags can
// add a long page value many times over.
inline constexpr size_t kMaxPendingText = size_t{4} << 20;
// Windows-style face names: only the first 31 bytes of a face name count.
inline constexpr size_t kMaxFaceName = 31;

}  // namespace brinkmoor
