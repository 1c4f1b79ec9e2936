#pragma once
// The file that remembers which font file fontconfig chose for a face name and style, so that a
// run whose fonts are all known never sets fontconfig up (reading its XML configuration costs
// more than everything else a signature run does).
//
// The file lives in the user's cache folder ($XDG_CACHE_HOME/brinkmoor/, else
// $HOME/.cache/brinkmoor/). Beside the answers it records what they were derived from: the
// environment variables fontconfig reads, fontconfig's configuration files and font folders, and
// a few places a configuration may appear later, each with its modification time and size (or the
// fact that it is missing). The answers count only while every one of those is unchanged and the
// answer's own font file is unchanged; otherwise the font layer asks fontconfig and rewrites the
// file. Whatever is in the file is checked field by field: a file that is damaged, truncated,
// oversized or not ours is worth nothing, and a bad answer line is merely a miss.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brinkmoor {

// The cache file for the given XDG_CACHE_HOME and HOME values (nullptr: not set); "" when neither
// names an absolute folder, which means no cache.
std::string font_cache_path_for(const char* xdg_cache_home, const char* home);

// A face name and style as the font layer asks fontconfig for it.
struct FaceQuery {
  std::string name;
  bool bold = false;
  bool italic = false;
  bool operator==(const FaceQuery&) const = default;
};

// What fontconfig answered: the font file, the face in it, and the synthetic style to apply.
struct ResolvedFace {
  std::string file;
  int index = 0;
  bool embolden = false;
  bool transform = false;
  // The 16.16 fixed-point transform xx, xy, yx, yy (used when transform is set).
  int32_t matrix[4] = {0x10000, 0, 0, 0x10000};
  bool operator==(const ResolvedFace&) const = default;
};

// A path's state as recorded: whether it exists, its modification time and its size.
struct PathStamp {
  enum class Kind : char { Config = 'c', FontDir = 'f' };
  Kind kind = Kind::Config;
  std::string path;
  bool exists = false;
  int64_t mtime = 0;  // in the file system clock's ticks
  uint64_t size = 0;
  bool operator==(const PathStamp&) const = default;
};
// The current state of a path.
PathStamp stamp_path(const std::string& path, PathStamp::Kind kind);

// The environment variables that change fontconfig's answers, with their current values.
std::vector<std::pair<std::string, std::optional<std::string>>> fontconfig_environment();

// Limits on what is read: a larger file, or more lines of a kind, makes the whole file worthless.
inline constexpr size_t kMaxFontCacheBytes = size_t{1} << 20;
inline constexpr size_t kMaxFontCacheStamps = 4096;
inline constexpr size_t kMaxFontCacheFaces = 256;

class FontCacheFile {
 public:
  // path "" keeps nothing anywhere (no cache folder).
  explicit FontCacheFile(std::string path) : path_(std::move(path)) {}

  // Reads the file. Its answers are kept only when it is well-formed, was written by a program
  // built against the same fontconfig version, and its environment and stamps all still hold.
  void load(int fontconfig_version);

  // The answer for a query, when one is known and its font file is unchanged.
  std::optional<ResolvedFace> find(const FaceQuery& query) const;

  // Once fontconfig is set up: what its answers now derive from. Answers read from the file
  // under a different configuration are dropped.
  void set_configuration(int fontconfig_version, std::vector<PathStamp> stamps);

  // Records an answer (replacing one for the same query), when its font file lies in one of the
  // configuration's font folders. Needs set_configuration first.
  void add(const FaceQuery& query, const ResolvedFace& face);
  void forget(const FaceQuery& query);

  // Writes the file atomically, making its folder; false when it cannot (the cache is then
  // simply not kept). Writes nothing without a configuration.
  bool save() const;

  const std::string& path() const { return path_; }
  size_t size() const { return faces_.size(); }

 private:
  struct Entry {
    FaceQuery query;
    ResolvedFace face;
    PathStamp file_stamp;
  };
  bool in_font_dir(const std::string& file) const;

  std::string path_;
  bool configured_ = false;
  int version_ = 0;
  std::vector<std::pair<std::string, std::optional<std::string>>> environment_;
  std::vector<PathStamp> stamps_;
  std::vector<Entry> faces_;
};

// How the run's faces were resolved, for tests and measurements.
struct FaceResolutionCounters {
  int fontconfig_setups = 0;   // times fontconfig read its configuration
  int fontconfig_lookups = 0;  // questions put to fontconfig
  int cache_hits = 0;          // answers taken from the cache file
};
FaceResolutionCounters face_resolution_counters();

// Starts face resolution afresh as a new run would: forgets loaded faces, fontconfig's setup and
// what was read from the cache file, and from now on keeps the cache file at cache_path ("" for
// none; nullopt for the usual place in the user's cache folder). Counters restart at zero.
void restart_face_resolution(std::optional<std::string> cache_path);

}  // namespace brinkmoor
