#include "platform/font_cache.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>

#include "platform/files.h"

namespace brinkmoor {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "brinkmoor font cache 1";
// A modification time that could not be read: such a stamp never holds.
constexpr int64_t kUnknownTime = std::numeric_limits<int64_t>::min();

bool absolute_folder(const char* value) {
  return value && *value && fs::path(value).is_absolute();
}

// Strings are written as '=' followed by the bytes, with spaces, controls, '%' and non-ASCII
// bytes as %XX, so that a field never holds a space or a line break.
std::string encode(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "=";
  for (unsigned char c : bytes) {
    if (c <= 0x20 || c >= 0x7F || c == '%') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The bytes of an encoded field; nullopt for anything else, and for NUL bytes, which no name
// or path holds.
std::optional<std::string> decode(std::string_view field) {
  if (field.empty() || field[0] != '=') return std::nullopt;
  std::string out;
  out.reserve(field.size());
  for (size_t i = 1; i < field.size(); ++i) {
    if (field[i] != '%') {
      out += field[i];
      continue;
    }
    if (i + 2 >= field.size()) return std::nullopt;
    const int hi = hex_digit(field[i + 1]);
    const int lo = hex_digit(field[i + 2]);
    if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

template <typename T>
std::optional<T> number(std::string_view field, T low, T high) {
  T value{};
  const char* end = field.data() + field.size();
  const auto result = std::from_chars(field.data(), end, value);
  if (field.empty() || result.ec != std::errc() || result.ptr != end) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<bool> flag(std::string_view field) {
  if (field == "0") return false;
  if (field == "1") return true;
  return std::nullopt;
}

std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    const size_t space = line.find(' ', start);
    fields.push_back(
        line.substr(start, space == std::string_view::npos ? line.npos : space - start));
    if (space == std::string_view::npos) break;
    start = space + 1;
  }
  return fields;
}

std::optional<PathStamp> parse_stamp(const std::vector<std::string_view>& f, size_t first) {
  if (f.size() != first + 5) return std::nullopt;
  PathStamp s;
  if (f[first] == "c") {
    s.kind = PathStamp::Kind::Config;
  } else if (f[first] == "f") {
    s.kind = PathStamp::Kind::FontDir;
  } else {
    return std::nullopt;
  }
  const auto exists = flag(f[first + 1]);
  const auto mtime = number<int64_t>(f[first + 2], std::numeric_limits<int64_t>::min(),
                                     std::numeric_limits<int64_t>::max());
  const auto size = number<uint64_t>(f[first + 3], 0, std::numeric_limits<uint64_t>::max());
  auto path = decode(f[first + 4]);
  if (!exists || !mtime || !size || !path || path->empty()) return std::nullopt;
  s.exists = *exists;
  s.mtime = *mtime;
  s.size = *size;
  s.path = std::move(*path);
  return s;
}

// Appends a line of fields separated by single spaces.
void put_line(std::string& text, const std::vector<std::string>& fields) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text += ' ';
    text += fields[i];
  }
  text += '\n';
}

// Whether a recorded stamp still describes its path.
bool holds(const PathStamp& recorded) {
  return recorded.mtime != kUnknownTime && stamp_path(recorded.path, recorded.kind) == recorded;
}

bool stamp_order(const PathStamp& a, const PathStamp& b) {
  return a.path != b.path ? a.path < b.path : a.kind < b.kind;
}

void sort_stamps(std::vector<PathStamp>& stamps) {
  std::sort(stamps.begin(), stamps.end(), stamp_order);
  stamps.erase(std::unique(stamps.begin(), stamps.end(),
                           [](const PathStamp& a, const PathStamp& b) {
                             return a.path == b.path && a.kind == b.kind;
                           }),
               stamps.end());
}

// At most max_bytes + 1 bytes of a file, so that an oversized file is seen as such without
// reading all of it.
std::optional<std::string> read_capped(const std::string& path, size_t max_bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[16384];
  while (bytes.size() <= max_bytes) {
    const size_t n = std::fread(buffer, 1, sizeof buffer, file);
    if (n == 0) break;
    bytes.append(buffer, n);
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return std::nullopt;
  return bytes;
}

}  // namespace

std::string font_cache_path_for(const char* xdg_cache_home, const char* home) {
  // A relative XDG_CACHE_HOME is not valid and is passed over, as with every XDG variable.
  if (absolute_folder(xdg_cache_home))
    return (fs::path(xdg_cache_home) / "brinkmoor" / "fonts.cache").string();
  if (absolute_folder(home))
    return (fs::path(home) / ".cache" / "brinkmoor" / "fonts.cache").string();
  return "";
}

PathStamp stamp_path(const std::string& path, PathStamp::Kind kind) {
  PathStamp s;
  s.kind = kind;
  s.path = path;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return s;
  s.exists = true;
  const fs::file_time_type time = fs::last_write_time(path, ec);
  s.mtime = ec ? kUnknownTime : static_cast<int64_t>(time.time_since_epoch().count());
  if (fs::is_regular_file(status)) {
    const uintmax_t size = fs::file_size(path, ec);
    if (ec) {
      s.mtime = kUnknownTime;
    } else {
      s.size = static_cast<uint64_t>(size);
    }
  }
  return s;
}

std::vector<std::pair<std::string, std::optional<std::string>>> fontconfig_environment() {
  // Where fontconfig finds its configuration and the user's folders, and the language it
  // prefers fonts for.
  static const char* const kNames[] = {"FONTCONFIG_FILE",
                                       "FONTCONFIG_PATH",
                                       "FONTCONFIG_SYSROOT",
                                       "HOME",
                                       "XDG_CONFIG_HOME",
                                       "XDG_DATA_HOME",
                                       "FC_LANG",
                                       "LC_ALL",
                                       "LC_CTYPE",
                                       "LANG"};
  std::vector<std::pair<std::string, std::optional<std::string>>> out;
  for (const char* name : kNames) {
    const char* value = std::getenv(name);
    out.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }
  return out;
}

void FontCacheFile::load(int fontconfig_version) {
  configured_ = false;
  stamps_.clear();
  faces_.clear();
  environment_.clear();
  if (path_.empty()) return;
  const std::optional<std::string> bytes = read_capped(path_, kMaxFontCacheBytes);
  if (!bytes || bytes->size() > kMaxFontCacheBytes || bytes->empty() || bytes->back() != '\n')
    return;

  std::vector<std::pair<std::string, std::optional<std::string>>> environment;
  std::vector<PathStamp> stamps;
  std::vector<Entry> faces;
  std::optional<int> version;
  size_t line_count = 0;
  bool ended = false;
  size_t face_lines = 0;
  std::string_view rest(*bytes);
  while (!rest.empty()) {
    if (ended) return;  // anything after the end line
    const size_t newline = rest.find('\n');
    const std::string_view line = rest.substr(0, newline);
    rest.remove_prefix(newline + 1);
    if (line_count == 0) {
      if (line != kMagic) return;
      ++line_count;
      continue;
    }
    const std::vector<std::string_view> f = fields_of(line);
    if (f[0] == "fontconfig") {
      if (version || f.size() != 2) return;
      version = number<int>(f[1], 0, INT_MAX);
      if (!version) return;
    } else if (f[0] == "env") {
      if (f.size() != 3 || environment.size() >= 64) return;
      std::optional<std::string> value;
      if (f[2] != "-") {
        value = decode(f[2]);
        if (!value) return;
      }
      environment.emplace_back(std::string(f[1]), std::move(value));
    } else if (f[0] == "stamp") {
      std::optional<PathStamp> s = parse_stamp(f, 1);
      if (!s || stamps.size() >= kMaxFontCacheStamps) return;
      stamps.push_back(std::move(*s));
    } else if (f[0] == "face") {
      // A damaged answer is only a miss, but too many lines make the file worthless.
      if (++face_lines > kMaxFontCacheFaces) return;
      if (f.size() != 15) {
        ++line_count;
        continue;
      }
      Entry e;
      auto name = decode(f[1]);
      const auto bold = flag(f[2]);
      const auto italic = flag(f[3]);
      auto file = decode(f[4]);
      const auto index = number<int>(f[5], 0, INT_MAX);
      const auto embolden = flag(f[6]);
      const auto transform = flag(f[7]);
      bool good = name && bold && italic && file && !file->empty() && index && embolden &&
                  transform && name->size() <= 1024;
      for (int k = 0; good && k < 4; ++k) {
        const auto m = number<int32_t>(f[8 + k], INT32_MIN, INT32_MAX);
        if (!m) good = false;
        if (m) e.face.matrix[k] = *m;
      }
      std::optional<PathStamp> file_stamp;
      if (good) {
        // The font file's own stamp: kind, then the same four fields as a stamp line.
        std::vector<std::string_view> sf = {"c", f[12], f[13], f[14], f[4]};
        file_stamp = parse_stamp(sf, 0);
        good = file_stamp && file_stamp->exists;
      }
      if (good) {
        e.query = FaceQuery{std::move(*name), *bold, *italic};
        e.face.file = std::move(*file);
        e.face.index = *index;
        e.face.embolden = *embolden;
        e.face.transform = *transform;
        e.file_stamp = std::move(*file_stamp);
        faces.erase(std::remove_if(faces.begin(), faces.end(),
                                   [&](const Entry& old) { return old.query == e.query; }),
                    faces.end());
        faces.push_back(std::move(e));
      }
    } else if (f[0] == "end") {
      if (f.size() != 2 || number<size_t>(f[1], 0, SIZE_MAX) != line_count) return;
      ended = true;
    } else {
      return;
    }
    ++line_count;
  }
  // A file cut short lacks its end line, and with it the proof that no stamp is missing.
  if (!ended || !version || *version != fontconfig_version) return;
  if (environment != fontconfig_environment()) return;
  sort_stamps(stamps);
  for (const PathStamp& s : stamps)
    if (!holds(s)) return;

  configured_ = true;
  version_ = *version;
  environment_ = std::move(environment);
  stamps_ = std::move(stamps);
  for (Entry& e : faces)
    if (in_font_dir(e.face.file)) faces_.push_back(std::move(e));
}

std::optional<ResolvedFace> FontCacheFile::find(const FaceQuery& query) const {
  if (!configured_) return std::nullopt;
  for (const Entry& e : faces_)
    if (e.query == query) return holds(e.file_stamp) ? std::optional(e.face) : std::nullopt;
  return std::nullopt;
}

void FontCacheFile::set_configuration(int fontconfig_version, std::vector<PathStamp> stamps) {
  sort_stamps(stamps);
  auto environment = fontconfig_environment();
  if (!configured_ || version_ != fontconfig_version || environment_ != environment ||
      stamps_ != stamps)
    faces_.clear();
  configured_ = true;
  version_ = fontconfig_version;
  environment_ = std::move(environment);
  stamps_ = std::move(stamps);
}

bool FontCacheFile::in_font_dir(const std::string& file) const {
  const std::string folder = fs::path(file).parent_path().string();
  for (const PathStamp& s : stamps_)
    if (s.kind == PathStamp::Kind::FontDir && s.path == folder) return true;
  return false;
}

void FontCacheFile::add(const FaceQuery& query, const ResolvedFace& face) {
  if (!configured_ || face.file.empty() || !in_font_dir(face.file)) return;
  // A name too long for the file's limits is simply not remembered.
  if (query.name.size() > 1024) return;
  PathStamp file_stamp = stamp_path(face.file, PathStamp::Kind::Config);
  if (!file_stamp.exists || file_stamp.mtime == kUnknownTime) return;
  forget(query);
  faces_.push_back(Entry{query, face, std::move(file_stamp)});
  if (faces_.size() > kMaxFontCacheFaces) faces_.erase(faces_.begin());
}

void FontCacheFile::forget(const FaceQuery& query) {
  faces_.erase(std::remove_if(faces_.begin(), faces_.end(),
                              [&](const Entry& e) { return e.query == query; }),
               faces_.end());
}

bool FontCacheFile::save() const {
  if (path_.empty() || !configured_ || stamps_.size() > kMaxFontCacheStamps) return false;
  std::string text(kMagic);
  text += '\n';
  put_line(text, {"fontconfig", std::to_string(version_)});
  size_t lines = 2;
  const auto bit = [](bool b) { return std::string(b ? "1" : "0"); };
  for (const auto& [name, value] : environment_) {
    put_line(text, {"env", name, value ? encode(*value) : std::string("-")});
    ++lines;
  }
  for (const PathStamp& s : stamps_) {
    put_line(text, {"stamp", std::string(1, static_cast<char>(s.kind)), bit(s.exists),
                    std::to_string(s.mtime), std::to_string(s.size), encode(s.path)});
    ++lines;
  }
  for (const Entry& e : faces_) {
    const ResolvedFace& r = e.face;
    const PathStamp& f = e.file_stamp;
    put_line(text, {"face", encode(e.query.name), bit(e.query.bold), bit(e.query.italic),
                    encode(r.file), std::to_string(r.index), bit(r.embolden), bit(r.transform),
                    std::to_string(r.matrix[0]), std::to_string(r.matrix[1]),
                    std::to_string(r.matrix[2]), std::to_string(r.matrix[3]), bit(f.exists),
                    std::to_string(f.mtime), std::to_string(f.size)});
    ++lines;
  }
  put_line(text, {"end", std::to_string(lines)});
  if (text.size() > kMaxFontCacheBytes) return false;

  std::error_code ec;
  fs::create_directories(fs::path(path_).parent_path(), ec);
  if (ec) return false;
  // Losing the cache costs one fontconfig setup, so it is not worth a sync.
  AtomicFileWriter writer(path_, 0644, AtomicFileWriter::Durability::Unsynced);
  if (!writer.file()) return false;
  if (std::fwrite(text.data(), 1, text.size(), writer.file()) != text.size()) return false;
  return writer.commit();
}

}  // namespace brinkmoor
