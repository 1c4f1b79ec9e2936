#include <filesystem>

#include "shell/context.h"
#include "shell/text.h"
#include "shell/text_file.h"
#include "stats/stats.h"

namespace brinkmoor {
namespace {

enum class ArenaTable { None, Beasts, Players };

bool holds(std::string_view line, std::string_view marker) {
  return find_text(line, marker, 1) != 0;
}

int32_t low_32_bits(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// The page's race text is replaced by one of the game's five race names, chosen by its first
// character (exactly, so lower case falls through to the last one).
std::string race_name(const std::string& race_text) {
  const std::string first = left_text(race_text, 1);
  if (text_equals(first, "P")) return "POTĘPIONY";
  if (text_equals(first, "W")) return "WŁADCA KRWI";
  if (text_equals(first, "S")) return "SSAK";
  if (text_equals(first, "K")) return "KULTYSTA";
  return "ŁAPACZ MYŚLI";
}

}  // namespace

bool parse_bloodwars_page(const std::string& path, PlayerStats& stats) {
  // fopen happily opens a folder on some systems; only a regular file is a page.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  TextFileReader in;
  if (!in.open(path)) return false;

  ArenaTable arena_table = ArenaTable::None;
  bool draws_seen = false;
  int64_t rows_after_draws = 0;
  while (!in.at_end_of_file()) {
    const std::string line = strip_leading_spaces(in.read_line());
    if (holds(line, "<div class=\"profile-hdr")) {
      stats.nick = extract_between(line, "profile-hdr", "wampira ", " </div>", 100);
    }
    if (holds(line, "<td><b>PUNKTY")) {
      stats.points =
          low_32_bits(parse_int(extract_between(line, "PUNKTY", "</td><td>", "</td></tr>", 30)));
    }
    if (holds(line, "<b>RASA</b></td>")) {
      stats.race = race_name(extract_between(line, "RASA</b>", "</td><td>", "</td></tr>", 30));
    }
    if (holds(line, "<td><b>Miejsce w rankingu")) {
      stats.ranking =
          low_32_bits(parse_int(extract_between(line, "rankingu", "</td><td>", " </td></tr>", 20)));
    }
    if (holds(line, "<b>KLAN</b></td>")) {
      stats.clan = extract_between(line, "KLAN</b>", "</td><td>", "<br />", 40);
    }
    if (holds(line, "<b>ARENA - BESTIE</b>")) arena_table = ArenaTable::Beasts;
    if (holds(line, "<b>ARENA - GRACZE</b>")) arena_table = ArenaTable::Players;
    if (holds(line, ">Remisy</td>")) {
      draws_seen = true;
      rows_after_draws = 0;
    }
    // The three figures of a table stand in the 4th to 6th line after its "Remisy" heading.
    if (draws_seen && arena_table != ArenaTable::None && rows_after_draws >= 4 &&
        rows_after_draws <= 6) {
      const size_t first_slot = arena_table == ArenaTable::Beasts ? 0 : 4;
      const size_t slot = first_slot + static_cast<size_t>(rows_after_draws - 4);
      stats.arena[slot] =
          truncate_to_int(parse_float(extract_between(line, "<td>", ">", "</td>", 15)));
    }
    ++rows_after_draws;
  }
  in.close();
  return true;
}

}  // namespace brinkmoor
