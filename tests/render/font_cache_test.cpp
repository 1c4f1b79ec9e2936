// The cache file of resolved fonts: a warm run answers as fontconfig would without setting it
// up, any change to what the answers derive from sends the run back to fontconfig, and no
// content of the file can crash the program or change its answers.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/font_cache.h"
#include "support/temp_dir.h"

namespace brinkmoor {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    ::setenv(name_.c_str(), value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Every test leaves face resolution as a new run would find it, with the cache file where the
// test environment puts it (never the real home).
class FontCacheTest : public ::testing::Test {
 protected:
  void TearDown() override { restart_face_resolution(std::nullopt); }
};

// What a program sees of a font.
struct Face {
  bool loaded = false;
  std::string file;
  int ascent = 0, descent = 0;
  int64_t width = 0;
  bool operator==(const Face&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Face& f) {
  return os << (f.loaded ? f.file : "(none)") << " " << f.ascent << "/" << f.descent << " w"
            << f.width;
}

Face face_of(const FontSpec& spec) {
  Face f;
  auto font = Font::load(spec);
  if (!font) return f;
  f.loaded = true;
  f.file = font->file();
  f.ascent = font->ascent();
  f.descent = font->descent();
  f.width = font->advance_width(std::string_view("Drakula Zażółć"));
  return f;
}

const std::vector<FontSpec> kSpecs = {
    {"Arial", 10, false, false},
    {"Arial", 12, true, false},
    {"Arial", 9, false, true},
    {"Arial", 9, true, true},
    {"Times New Roman", 11, false, false},
    {"Courier New", 10, true, false},
    {"DejaVu Sans", 10, false, false},
    {"No Such Face At All", 10, false, false},
    {"", 10, false, false},
    {"Za\xBF\xF3\xB3\xE6 face %41 with spaces\n", 10, false, true},  // Windows-1250 bytes
};

// Loads every font of the list as one run would: from a fresh start with the given cache file.
std::vector<Face> run(const std::optional<std::string>& cache_path,
                      const std::vector<FontSpec>& specs = kSpecs) {
  restart_face_resolution(cache_path);
  std::vector<Face> faces;
  for (const FontSpec& spec : specs) faces.push_back(face_of(spec));
  return faces;
}

std::string read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void write(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

TEST(FontCachePath, FollowsTheUsersCacheFolder) {
  struct Case {
    const char* xdg;
    const char* home;
    std::string expected;
  };
  const Case cases[] = {
      {"/x/cache", "/home/u", "/x/cache/brinkmoor/fonts.cache"},
      {nullptr, "/home/u", "/home/u/.cache/brinkmoor/fonts.cache"},
      {"", "/home/u", "/home/u/.cache/brinkmoor/fonts.cache"},
      {"relative/cache", "/home/u", "/home/u/.cache/brinkmoor/fonts.cache"},
      {nullptr, nullptr, ""},
      {"", "", ""},
      {"relative", "also-relative", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(font_cache_path_for(c.xdg, c.home), c.expected)
        << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
  }
}

// With the system's own configuration: no cache, cold and warm runs give the same faces, and
// the warm run never sets fontconfig up.
TEST_F(FontCacheTest, WarmRunGivesTheFacesOfAColdOneWithoutFontconfig) {
  TempDir dir;
  const std::string cache = dir.file("cache/brinkmoor/fonts.cache");
  const std::vector<Face> uncached = run("");
  EXPECT_EQ(face_resolution_counters().fontconfig_setups, 1);

  const std::vector<Face> cold = run(cache);
  EXPECT_EQ(face_resolution_counters().fontconfig_setups, 1);
  EXPECT_TRUE(fs::exists(cache));

  const std::vector<Face> warm = run(cache);
  const FaceResolutionCounters counters = face_resolution_counters();
  EXPECT_EQ(counters.fontconfig_setups, 0);
  EXPECT_EQ(counters.fontconfig_lookups, 0);
  EXPECT_EQ(counters.cache_hits, static_cast<int>(kSpecs.size()));

  ASSERT_EQ(uncached.size(), kSpecs.size());
  for (size_t i = 0; i < kSpecs.size(); ++i) {
    EXPECT_TRUE(uncached[i].loaded) << kSpecs[i].name;
    EXPECT_EQ(cold[i], uncached[i]) << kSpecs[i].name;
    EXPECT_EQ(warm[i], uncached[i]) << kSpecs[i].name;
  }
  // A new name in a warm run is asked once and remembered beside the others.
  run(cache, {{"Liberation Mono", 10, false, false}});
  EXPECT_EQ(face_resolution_counters().fontconfig_lookups, 1);
  run(cache, {{"Liberation Mono", 10, false, false}, {"Arial", 10, false, false}});
  EXPECT_EQ(face_resolution_counters().fontconfig_setups, 0);
  EXPECT_EQ(face_resolution_counters().cache_hits, 2);
}

// A run with very many names remembers all of them (up to the file's limit) for the next run.
TEST_F(FontCacheTest, ARunWithManyNamesRemembersThemAll) {
  TempDir dir;
  const std::string cache = dir.file("fonts.cache");
  std::vector<FontSpec> specs;
  for (int i = 0; i < 60; ++i) specs.push_back(FontSpec{"Face number " + std::to_string(i), 10});
  const std::vector<Face> cold = run(cache, specs);
  EXPECT_EQ(face_resolution_counters().fontconfig_lookups, 60);
  EXPECT_EQ(run(cache, specs), cold);
  EXPECT_EQ(face_resolution_counters().cache_hits, 60);
  EXPECT_EQ(face_resolution_counters().fontconfig_setups, 0);
}

// A font world of its own: a fontconfig configuration in a temporary folder with two fonts
// copied from the system, selected through FONTCONFIG_FILE.
class OwnFonts {
 public:
  OwnFonts() {
    restart_face_resolution("");
    sans_ = Font::load(FontSpec{"Liberation Sans", 10})->file();
    other_ = Font::load(FontSpec{"DejaVu Sans", 10})->file();
    fs::create_directories(fonts());
    fs::create_directories(dir_.path() / "conf");
    fs::copy_file(sans_, fonts() / "sans.ttf");
    fs::copy_file(other_, fonts() / "other.ttf");
    write(config(),
          "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
          "<fontconfig>\n  <dir>" +
              fonts().string() + "</dir>\n  <cachedir>" + (dir_.path() / "fccache").string() +
              "</cachedir>\n  <include ignore_missing=\"yes\">" + extra().string() +
              "</include>\n</fontconfig>\n");
    env_.emplace("FONTCONFIG_FILE", config().string());
    user_env_.emplace("XDG_CONFIG_HOME", (dir_.path() / "user").string());
  }
  fs::path fonts() const { return dir_.path() / "fonts"; }
  fs::path config() const { return dir_.path() / "conf" / "fonts.conf"; }
  fs::path extra() const { return dir_.path() / "conf" / "extra.conf"; }
  std::string cache() const { return dir_.file("cache/fonts.cache"); }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  std::string sans_, other_;
  std::optional<ScopedEnv> env_;
  std::optional<ScopedEnv> user_env_;
};

const std::vector<FontSpec> kOwnSpecs = {
    {"Liberation Sans", 10, false, false},
    {"Liberation Sans", 10, true, false},
    {"DejaVu Sans", 10, false, false},
    {"Brink Face", 10, false, false},
};

void age(const fs::path& p) {
  fs::last_write_time(p, fs::last_write_time(p) - std::chrono::seconds(5));
}

TEST_F(FontCacheTest, AnyChangeBehindTheAnswersSendsTheRunBackToFontconfig) {
  struct Case {
    const char* what;
    void (*change)(const OwnFonts&);
  };
  const Case cases[] = {
      {"configuration file touched", [](const OwnFonts& o) { age(o.config()); }},
      {"optional include created",
       [](const OwnFonts& o) {
         write(o.extra(),
               "<?xml version=\"1.0\"?>\n<fontconfig><alias binding=\"same\"><family>Brink "
               "Face</family><prefer><family>DejaVu Sans</family></prefer></alias>"
               "</fontconfig>\n");
       }},
      {"user's configuration created",
       [](const OwnFonts& o) {
         fs::create_directories(o.dir().path() / "user" / "fontconfig");
         write(o.dir().path() / "user" / "fontconfig" / "fonts.conf",
               "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
       }},
      {"font added to a font folder",
       [](const OwnFonts& o) { fs::copy_file(o.fonts() / "other.ttf", o.fonts() / "third.ttf"); }},
      {"font file touched", [](const OwnFonts& o) { age(o.fonts() / "sans.ttf"); }},
      {"font file replaced in place",
       [](const OwnFonts& o) {
         // Same folder entry, same time: only the size tells.
         const fs::path p = o.fonts() / "sans.ttf";
         const auto when = fs::last_write_time(p);
         fs::resize_file(p, fs::file_size(p) + 1);
         fs::last_write_time(p, when);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OwnFonts own;
    const std::vector<Face> cold = run(own.cache(), kOwnSpecs);
    ASSERT_EQ(face_resolution_counters().fontconfig_setups, 1);
    ASSERT_EQ(cold[0].file, (own.fonts() / "sans.ttf").string());
    ASSERT_EQ(run(own.cache(), kOwnSpecs), cold);
    ASSERT_EQ(face_resolution_counters().fontconfig_setups, 0);

    c.change(own);
    const std::vector<Face> after = run(own.cache(), kOwnSpecs);
    EXPECT_EQ(face_resolution_counters().fontconfig_setups, 1);
    EXPECT_EQ(after, run("", kOwnSpecs)) << "the answers fontconfig gives now";
    // The file is rewritten for the new state: the next run is warm again.
    EXPECT_EQ(run(own.cache(), kOwnSpecs), after);
    EXPECT_EQ(face_resolution_counters().fontconfig_setups, 0);
  }
}

TEST_F(FontCacheTest, ARemovedFontFileIsNeverAnswered) {
  OwnFonts own;
  const std::vector<Face> cold = run(own.cache(), kOwnSpecs);
  ASSERT_EQ(cold[0].file, (own.fonts() / "sans.ttf").string());
  fs::remove(own.fonts() / "sans.ttf");
  const std::vector<Face> after = run(own.cache(), kOwnSpecs);
  EXPECT_EQ(face_resolution_counters().fontconfig_setups, 1);
  EXPECT_EQ(after[0].file, (own.fonts() / "other.ttf").string());
  EXPECT_EQ(after, run("", kOwnSpecs));
}

TEST_F(FontCacheTest, AnotherConfigurationInTheEnvironmentIsNotAnsweredFromTheCache) {
  OwnFonts own;
  const std::vector<Face> cold = run(own.cache(), kOwnSpecs);
  // The system's configuration, same cache file: FONTCONFIG_FILE differs.
  ScopedEnv system_config("FONTCONFIG_FILE", "/etc/fonts/fonts.conf");
  const std::vector<Face> system = run(own.cache(), kOwnSpecs);
  EXPECT_EQ(face_resolution_counters().fontconfig_setups, 1);
  EXPECT_NE(system[0].file, cold[0].file);
  EXPECT_EQ(system, run("", kOwnSpecs));
}

// Replaces the fields of the cache file's face lines for one query (name field "=" + name).
std::string edit_face_line(const std::string& text, const std::string& name_field,
                           const std::function<std::string(std::vector<std::string>)>& edit) {
  std::istringstream in(text);
  std::string out, line;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::istringstream words(line);
    for (std::string w; std::getline(words, w, ' ');) f.push_back(w);
    if (f.size() > 3 && f[0] == "face" && f[1] == name_field && f[2] == "0" && f[3] == "0")
      line = edit(f);
    out += line + "\n";
  }
  return out;
}

std::string join(const std::vector<std::string>& f) {
  std::string s;
  for (const std::string& w : f) s += (s.empty() ? "" : " ") + w;
  return s;
}

// A damaged answer line is a miss for that answer alone; the others still come from the file.
TEST_F(FontCacheTest, ADamagedAnswerLineIsOnlyAMiss) {
  OwnFonts own;
  const std::vector<Face> cold = run(own.cache(), kOwnSpecs);
  const std::string good = read(own.cache());
  struct Case {
    const char* what;
    std::function<std::string(std::vector<std::string>)> edit;
  };
  auto field = [](size_t i, std::string value) {
    return [i, value](std::vector<std::string> f) {
      f[i] = value;
      return join(f);
    };
  };
  const Case cases[] = {
      {"a field missing",
       [](std::vector<std::string> f) {
         f.pop_back();
         return join(f);
       }},
      {"a field too many", [](std::vector<std::string> f) { return join(f) + " 1"; }},
      {"bold is not a flag", field(2, "2")},
      {"path not encoded", field(4, "/usr/share/fonts")},
      {"bad escape", field(4, "=%G1")},
      {"NUL in the path", field(4, "=/a%00b")},
      {"empty path", field(4, "=")},
      {"negative face index", field(5, "-1")},
      {"face index overflows", field(5, "99999999999999999999")},
      {"matrix overflows", field(8, "4294967296")},
      {"number with junk", field(13, "12x")},
      {"file said to be missing", field(12, "0")},
      {"wrong size", field(14, "1")},
      {"file outside every font folder", field(4, "=/etc/passwd")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string damaged = edit_face_line(good, "=Liberation%20Sans", c.edit);
    ASSERT_NE(damaged, good);
    write(own.cache(), damaged);
    EXPECT_EQ(run(own.cache(), kOwnSpecs), cold);
    const FaceResolutionCounters counters = face_resolution_counters();
    EXPECT_EQ(counters.fontconfig_lookups, 1);
    EXPECT_EQ(counters.cache_hits, static_cast<int>(kOwnSpecs.size()) - 1);
  }
}

// A remembered file that exists, unchanged, in a font folder, but does not open as a font:
// fontconfig is asked instead.
TEST_F(FontCacheTest, AnAnswerThatDoesNotOpenFallsBackToFontconfig) {
  OwnFonts own;
  write(own.fonts() / "notafont.ttf", "this is not a font");
  const std::vector<Face> cold = run(own.cache(), kOwnSpecs);
  const PathStamp bogus =
      stamp_path((own.fonts() / "notafont.ttf").string(), PathStamp::Kind::Config);
  write(own.cache(),
        edit_face_line(read(own.cache()), "=Liberation%20Sans", [&](std::vector<std::string> f) {
          f[4] = "=" + bogus.path;
          f[13] = std::to_string(bogus.mtime);
          f[14] = std::to_string(bogus.size);
          return join(f);
        }));
  EXPECT_EQ(run(own.cache(), kOwnSpecs), cold);
  EXPECT_EQ(face_resolution_counters().fontconfig_lookups, 1);
  // And the file holds the right answer again.
  EXPECT_EQ(run(own.cache(), kOwnSpecs), cold);
  EXPECT_EQ(face_resolution_counters().fontconfig_setups, 0);
}

// A cache file's lines before its end line, and a file made of such lines.
std::string body_of(const std::string& file) {
  return file.substr(0, file.rfind("end "));
}
std::string with_end(const std::string& body) {
  return body + "end " + std::to_string(std::count(body.begin(), body.end(), '\n')) + "\n";
}

// Files that are not a whole cache file are worth nothing, and never crash the run: the run
// asks fontconfig and gives its answers.
TEST_F(FontCacheTest, DamagedTruncatedOrHugeFilesAreIgnored) {
  OwnFonts own;
  const std::vector<Face> cold = run(own.cache(), kOwnSpecs);
  const std::string good = read(own.cache());
  ASSERT_GT(good.size(), 100u);

  ASSERT_EQ(with_end(body_of(good)), good);

  // Both would be whole files but for the limits.
  std::string many_faces = body_of(good);
  for (int i = 0; i < 300; ++i)
    many_faces += "face =F" + std::to_string(i) + " 0 0 =/x 0 0 0 65536 0 0 65536 1 1 1\n";
  many_faces = with_end(many_faces);
  const std::string huge =
      with_end(body_of(good) + "stamp c 0 0 0 =/" + std::string(kMaxFontCacheBytes, 'a') + "\n");
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
  std::string stamp_lost = good;
  stamp_lost.erase(stamp_lost.find("stamp "), stamp_lost.find('\n', stamp_lost.find("stamp ")) -
                                                  stamp_lost.find("stamp ") + 1);
  std::string env_changed = good;
  env_changed.replace(env_changed.find("env FONTCONFIG_FILE "), 20, "env FONTCONFIG_PATH ");
  std::string version_changed = good;
  version_changed.replace(version_changed.find("fontconfig "), 11, "fontconfig 1");

  const std::map<std::string, std::string> files = {
      {"empty", ""},
      {"text", "hello\n"},
      {"binary", binary},
      {"CRLF line ends",
       [&] {
         std::string s;
         for (char ch : good) s += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
         return s;
       }()},
      {"too many answer lines", many_faces},
      {"over the size limit", huge},
      {"a stamp line lost (count no longer matches)", stamp_lost},
      {"environment names differ", env_changed},
      {"another fontconfig version", version_changed},
      {"something after the end line", good + "face x\n"},
  };
  for (const auto& [what, bytes] : files) {
    SCOPED_TRACE(what);
    write(own.cache(), bytes);
    EXPECT_EQ(run(own.cache(), kOwnSpecs), cold);
    EXPECT_EQ(face_resolution_counters().cache_hits, 0);
  }
  // Cut short: every prefix lacks the end line or part of it. Cuts at and around every line
  // break, and at a stride inside the lines.
  std::vector<size_t> cuts;
  for (size_t length = 0; length < good.size(); ++length)
    if (length % 17 == 0 || good[length] == '\n' || (length > 0 && good[length - 1] == '\n'))
      cuts.push_back(length);
  for (size_t length : cuts) {
    write(own.cache(), good.substr(0, length));
    ASSERT_EQ(run(own.cache(), kOwnSpecs), cold) << length;
    ASSERT_EQ(face_resolution_counters().cache_hits, 0) << length;
  }
  // A folder where the file should be.
  fs::remove(own.cache());
  fs::create_directories(own.cache());
  EXPECT_EQ(run(own.cache(), kOwnSpecs), cold);
}

TEST_F(FontCacheTest, WithoutAUsableCacheFolderFontsStillLoad) {
  TempDir dir;
  dir.write("plain-file", "x");
  const std::vector<Face> reference = run("");
  for (const std::string& path : {std::string(""), dir.file("plain-file/brinkmoor/fonts.cache")}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(run(path), reference);
    EXPECT_EQ(run(path), reference);
    EXPECT_EQ(face_resolution_counters().fontconfig_setups, 1);
  }
  EXPECT_FALSE(fs::exists(dir.file("plain-file/brinkmoor")));
}

}  // namespace
}  // namespace brinkmoor
