#include <filesystem>

#include "shell/context.h"
#include "shell/text.h"
#include "shell/text_file.h"
#include "stats/stats.h"

namespace brinkmoor {
namespace {

bool holds(std::string_view line, std::string_view marker) {
  return find_text(line, marker, 1) != 0;
}

// A figure of the page: read as a single-precision number, cut toward zero.
int32_t figure(std::string_view text) {
  return truncate_to_int(parse_float(text));
}

}  // namespace

bool parse_sc2_page(const std::string& path, const std::string& name, PlayerStats& stats) {
  stats.nick = name;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  TextFileReader in;
  if (!in.open(path)) return false;

  const std::string name_heading = ">" + name + "</a></h2>";
  int division = 0;  // 1v1 .. 4v4 of the totals met next; 0 before any division
  int bar = 0;       // 1 primary, 2 secondary graph bars; 0 before any
  std::string last_span;
  while (!in.at_end_of_file()) {
    std::string line = strip_leading_spaces(in.read_line());
    if (holds(line, "Most Played Race:")) {
      stats.race = extract_between(line, "race-", "\">", "</a>", 40);
    }
    // The points and the league wins stand on the line after their headings; that line then
    // takes the current line's place for the tests below. At the end of the file it is empty.
    if (holds(line, name_heading)) {
      line = strip_leading_spaces(in.read_line());
      stats.points = figure(extract_between(line, "<h3", ">", "</", 15));
    }
    if (holds(line, "<h4>League Wins</h4>")) {
      line = strip_leading_spaces(in.read_line());
      stats.fights[0] = figure(extract_between(line, "<h2", ">", "</", 15));
    }
    if (holds(line, "<div class=\"division\">1v1</div>")) division = 1;
    if (holds(line, "<div class=\"division\">2v2</div>")) division = 2;
    if (holds(line, "<div class=\"division\">3v3</div>")) division = 3;
    if (holds(line, "<div class=\"division\">4v4</div>")) division = 4;
    if (holds(line, "<div class=\"graph-bars primary")) bar = 1;
    if (holds(line, "<div class=\"graph-bars secondary")) bar = 2;
    if (holds(line, "<span class=\"totals") && division > 0) {
      const std::string value =
          replace_text(extract_between(line, "totals", ">", "</span>", 40), ",", "");
      stats.fights[static_cast<size_t>(2 * division + bar + 2)] = figure(value);
    }
    if (holds(line, "<span>")) last_span = extract_between(line, "span", ">", "</span>", 15);
    if (holds(line, "League Games")) stats.fights[1] = figure(last_span);
    if (holds(line, "Custom Games")) stats.fights[2] = figure(last_span);
    if (holds(line, "Co-Op vs AI")) stats.fights[3] = figure(last_span);
    if (holds(line, "FFA")) stats.fights[4] = figure(last_span);
  }
  in.close();
  return true;
}

}  // namespace brinkmoor
