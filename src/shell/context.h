#pragma once
// The program-wide records of the main program, in one object that is passed to every
// operation instead of living in globals.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/font.h"
#include "platform/http.h"
#include "platform/image.h"
#include "platform/ui.h"

namespace brinkmoor {

// The figures of the player whose profile page was fetched last; zero and empty at start,
// never cleared.
struct PlayerStats {
  int32_t id = 0;
  std::string nick;
  int32_t points = 0;
  std::string race;
  int32_t ranking = 0;
  std::string clan;
  std::array<int32_t, 8> arena{};
  std::array<int32_t, 20> fights{};
};

// Where the next text run starts; x and y survive from one generation to the next.
struct TextCursor {
  int32_t x = 0;
  int32_t y = 0;
  int32_t line_height = 0;
  std::string pending_text;
};

// The servers the program talks to. Tests point them at loopback servers; the program's own
// values are the defaults here.
struct Endpoints {
  std::string bw_profile_domain = "bloodwars.interia.pl";
  std::string sc2_profile_domain = "battle.net";
  HttpLimits http;
  int ftp_port = 21;
  long ftp_connect_timeout_s = 15;
  long ftp_stall_timeout_s = 30;
};

struct AppContext {
  Ui* ui = nullptr;
  // current_directory() at start-up: every file the program opens is named from it.
  std::string work_dir;
  bool auto_mode = false;
  bool main_running = false;
  bool window_open = false;

  PlayerStats stats;
  TextCursor cursor;
  std::unique_ptr<Font> ui_font;    // "Arial" 10, the gadgets' font
  std::unique_ptr<Font> draw_font;  // the font of the next text run
  std::unique_ptr<Image> canvas;    // the signature picture; none before the first generation

  Endpoints endpoints;
  // Pauses the program (the pause after a failed download); tests may replace it.
  std::function<void(int milliseconds)> pause_ms;
};

// Replaces the text of the status line.
void set_status(AppContext& ctx, const std::string& text);
// A modal message with one OK button.
void show_message(AppContext& ctx, const std::string& title, const std::string& text);

// The main program's message title.
inline constexpr const char* kMessageTitle = "Brinkmoor.";

}  // namespace brinkmoor
