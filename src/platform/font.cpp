#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_SIZES_H
#include FT_BITMAP_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <list>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/encoding.h"
#include "platform/font_cache.h"
#include "platform/image.h"

namespace brinkmoor {

namespace {

// Face names longer than this are cut: no installed family has a longer name, and a hostile
// script must not make every font lookup hash a megabyte.
constexpr size_t kMaxFaceNameBytes = 255;
// Glyph coverage masks up to this size are kept after the first use; larger glyphs (huge font
// sizes) are rasterised afresh, and only the part that lies on the picture.
constexpr int64_t kMaxCachedMaskBytes = 128 * 128;
constexpr size_t kMaxCachedMaskTotal = size_t{8} << 20;
constexpr size_t kMaxCachedCodePoints = 65536;
constexpr size_t kMaxMatches = 256;
constexpr size_t kMaxSizedFaces = 16;
constexpr size_t kMaxFaceFiles = 16;
constexpr int kMaxImmediateSaves = 16;

struct Library {
  FT_Library ft = nullptr;
  Library() {
    if (FT_Init_FreeType(&ft) != 0) ft = nullptr;
  }
  ~Library() {
    if (ft) FT_Done_FreeType(ft);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
};

// One face file opened once; every size of it shares the FT_Face.
struct FaceFile {
  std::shared_ptr<Library> library;
  FT_Face face = nullptr;
  ~FaceFile() {
    if (face) FT_Done_Face(face);
  }
};

struct MatchKey {
  std::string name;
  bool bold = false;
  bool italic = false;
  bool operator==(const MatchKey&) const = default;
};
struct MatchKeyHash {
  size_t operator()(const MatchKey& k) const {
    return std::hash<std::string>()(k.name) ^ (k.bold ? 0x9e3779b9u : 0u) ^
           (k.italic ? 0x7f4a7c15u : 0u);
  }
};

// What fontconfig made of a name and style.
struct Match {
  bool found = false;
  std::string file;
  int index = 0;
  bool embolden = false;
  bool transform = false;
  FT_Matrix matrix{0x10000, 0, 0, 0x10000};
  bool from_cache_file = false;
};

// Whether the cache file can hold an answer: its transform must fit 32 bits.
bool fits_cache_file(const Match& m) {
  for (FT_Fixed v : {m.matrix.xx, m.matrix.xy, m.matrix.yx, m.matrix.yy})
    if (v < INT32_MIN || v > INT32_MAX) return false;
  return true;
}

ResolvedFace resolved_of(const Match& m) {
  ResolvedFace r;
  r.file = m.file;
  r.index = m.index;
  r.embolden = m.embolden;
  r.transform = m.transform;
  r.matrix[0] = static_cast<int32_t>(m.matrix.xx);
  r.matrix[1] = static_cast<int32_t>(m.matrix.xy);
  r.matrix[2] = static_cast<int32_t>(m.matrix.yx);
  r.matrix[3] = static_cast<int32_t>(m.matrix.yy);
  return r;
}

Match match_of(const ResolvedFace& r) {
  Match m;
  m.found = true;
  m.file = r.file;
  m.index = r.index;
  m.embolden = r.embolden;
  m.transform = r.transform;
  m.matrix = FT_Matrix{r.matrix[0], r.matrix[1], r.matrix[2], r.matrix[3]};
  m.from_cache_file = true;
  return m;
}

// Everything fontconfig's answers derive from, as far as files tell: its configuration files
// and the folders they sit in (an optional include appears there), the places a user's
// configuration may be created later, and every font folder.
std::vector<PathStamp> configuration_stamps(FcConfig* config) {
  std::vector<PathStamp> stamps;
  auto add_list = [&](FcStrList* list, PathStamp::Kind kind, bool with_folder) {
    if (!list) return;
    while (FcChar8* item = FcStrListNext(list)) {
      const std::string path = reinterpret_cast<const char*>(item);
      stamps.push_back(stamp_path(path, kind));
      if (with_folder) {
        const std::string folder = std::filesystem::path(path).parent_path().string();
        if (!folder.empty()) stamps.push_back(stamp_path(folder, PathStamp::Kind::Config));
      }
    }
    FcStrListDone(list);
  };
  add_list(FcConfigGetConfigFiles(config), PathStamp::Kind::Config, true);
  add_list(FcConfigGetConfigDirs(config), PathStamp::Kind::Config, false);
  add_list(FcConfigGetFontDirs(config), PathStamp::Kind::FontDir, false);
  // The user's configuration is included only when it exists, so it is nowhere in the lists
  // while missing.
  const char* home = std::getenv("HOME");
  const char* xdg_config = std::getenv("XDG_CONFIG_HOME");
  std::vector<std::filesystem::path> places;
  if (xdg_config && *xdg_config) {
    places.push_back(std::filesystem::path(xdg_config) / "fontconfig" / "fonts.conf");
    places.push_back(std::filesystem::path(xdg_config) / "fontconfig" / "conf.d");
  }
  if (home && *home) {
    const std::filesystem::path h(home);
    for (const char* place : {".config/fontconfig/fonts.conf", ".config/fontconfig/conf.d",
                              ".fonts.conf", ".fonts.conf.d"})
      places.push_back(h / place);
  }
  for (const std::filesystem::path& place : places)
    stamps.push_back(stamp_path(place.string(), PathStamp::Kind::Config));
  return stamps;
}

FaceResolutionCounters counters;

struct GlyphInfo {
  bool loaded = false;
  bool empty = true;
  int32_t advance = 0;
  // Pixel box of the ink relative to the pen on the baseline, y pointing up: x0..x1, y0..y1.
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool have_mask = false;
  std::vector<uint8_t> mask;  // (x1 - x0) × (y1 - y0), rows from the top
};

// One face at one em height and synthetic style, with what has been learnt about its glyphs.
struct SizedFace {
  std::shared_ptr<FaceFile> file;
  FT_Size size = nullptr;
  std::string path;
  int index = 0;
  int em = 0;
  bool embolden = false;
  bool transform = false;
  FT_Matrix matrix{0x10000, 0, 0, 0x10000};
  int ascent = 0;
  int descent = 0;
  std::unordered_map<char32_t, FT_UInt> glyph_of;
  std::unordered_map<FT_UInt, GlyphInfo> glyphs;
  size_t mask_bytes = 0;

  ~SizedFace() {
    if (size) FT_Done_Size(size);
  }

  // Loads a glyph's outline into the face's slot at this size; false when it has none.
  bool load_outline(FT_UInt glyph) {
    FT_Face face = file->face;
    if (FT_Activate_Size(size) != 0) return false;
    FT_Matrix m = matrix;
    FT_Set_Transform(face, transform ? &m : nullptr, nullptr);
    const FT_Error error = FT_Load_Glyph(face, glyph, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL);
    FT_Set_Transform(face, nullptr, nullptr);
    if (error != 0) return false;
    if (embolden) FT_GlyphSlot_Embolden(face->glyph);
    return face->glyph->format == FT_GLYPH_FORMAT_OUTLINE;
  }

  FT_UInt glyph_index(char32_t cp) {
    auto it = glyph_of.find(cp);
    if (it != glyph_of.end()) return it->second;
    if (glyph_of.size() >= kMaxCachedCodePoints) glyph_of.clear();
    const FT_UInt gi = FT_Get_Char_Index(file->face, cp);
    glyph_of.emplace(cp, gi);
    return gi;
  }

  GlyphInfo& glyph(FT_UInt gi) {
    GlyphInfo& g = glyphs[gi];
    if (g.loaded) return g;
    g.loaded = true;
    if (!load_outline(gi)) return g;
    const FT_GlyphSlot slot = file->face->glyph;
    g.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    if (g.advance < 0) g.advance = 0;
    if (slot->outline.n_points == 0) return g;
    FT_BBox box;
    FT_Outline_Get_CBox(&slot->outline, &box);
    g.x0 = static_cast<int32_t>(std::floor(box.xMin / 64.0));
    g.y0 = static_cast<int32_t>(std::floor(box.yMin / 64.0));
    g.x1 = static_cast<int32_t>(std::ceil(box.xMax / 64.0));
    g.y1 = static_cast<int32_t>(std::ceil(box.yMax / 64.0));
    g.empty = g.x1 <= g.x0 || g.y1 <= g.y0;
    // Measured text is nearly always drawn next: make a small glyph's mask now, while its
    // hinted outline is in the slot, rather than hinting it a second time when it is drawn.
    const int64_t bytes = int64_t{g.x1 - g.x0} * (g.y1 - g.y0);
    if (!g.empty && bytes <= kMaxCachedMaskBytes &&
        mask_bytes + static_cast<size_t>(bytes) <= kMaxCachedMaskTotal) {
      rasterise(g, 0, 0, g.x1 - g.x0, g.y1 - g.y0, g.mask);
      g.have_mask = true;
      mask_bytes += static_cast<size_t>(bytes);
    }
    return g;
  }

  // Rasterises columns c0..c1 and rows r0..r1 (from the top) of a glyph's mask into out. The
  // outline must be in the slot (load_outline).
  void rasterise(const GlyphInfo& g, int32_t c0, int32_t r0, int32_t c1, int32_t r1,
                 std::vector<uint8_t>& out) {
    const int32_t w = c1 - c0;
    const int32_t h = r1 - r0;
    out.assign(static_cast<size_t>(w) * h, 0);
    FT_Outline* outline = &file->face->glyph->outline;
    FT_Outline_Translate(outline, -static_cast<FT_Pos>(g.x0 + c0) * 64,
                         -static_cast<FT_Pos>(g.y1 - r1) * 64);
    FT_Bitmap target;
    FT_Bitmap_Init(&target);
    target.rows = static_cast<unsigned>(h);
    target.width = static_cast<unsigned>(w);
    target.pitch = w;
    target.buffer = out.data();
    target.num_grays = 256;
    target.pixel_mode = FT_PIXEL_MODE_GRAY;
    FT_Outline_Get_Bitmap(file->library->ft, outline, &target);
  }

  // The whole mask of a small glyph, made once.
  const std::vector<uint8_t>* cached_mask(FT_UInt gi, GlyphInfo& g) {
    const int64_t bytes = int64_t{g.x1 - g.x0} * (g.y1 - g.y0);
    if (bytes > kMaxCachedMaskBytes) return nullptr;
    if (g.have_mask) return &g.mask;
    if (mask_bytes + static_cast<size_t>(bytes) > kMaxCachedMaskTotal) {
      for (auto& entry : glyphs) {
        entry.second.have_mask = false;
        std::vector<uint8_t>().swap(entry.second.mask);
      }
      mask_bytes = 0;
    }
    if (!load_outline(gi)) return nullptr;
    rasterise(g, 0, 0, g.x1 - g.x0, g.y1 - g.y0, g.mask);
    g.have_mask = true;
    mask_bytes += static_cast<size_t>(bytes);
    return &g.mask;
  }
};

struct SizedKey {
  std::string path;
  int index = 0;
  int em = 0;
  bool embolden = false;
  bool transform = false;
  FT_Matrix matrix{};
  bool matches(const SizedFace& f) const {
    return f.path == path && f.index == index && f.em == em && f.embolden == embolden &&
           f.transform == transform &&
           (!transform || (f.matrix.xx == matrix.xx && f.matrix.xy == matrix.xy &&
                           f.matrix.yx == matrix.yx && f.matrix.yy == matrix.yy));
  }
};

// The run's fontconfig setup and its caches.
class Registry {
 public:
  static Registry& get() {
    static Registry registry;
    return registry;
  }

  // The answer for a name and style: from this run's memory, else from the cache file, else
  // from fontconfig (which the cache file then remembers). ask_fontconfig passes over both
  // caches, for an answer from the cache file that turned out unusable.
  Match match(const MatchKey& key, bool ask_fontconfig = false) {
    if (!ask_fontconfig) {
      auto it = matches_.find(key);
      if (it != matches_.end()) return it->second;
    }
    const FaceQuery query{key.name, key.bold, key.italic};
    Match m;
    std::optional<ResolvedFace> cached;
    if (!ask_fontconfig) cached = cache_file().find(query);
    if (cached) {
      m = match_of(*cached);
      ++counters.cache_hits;
    } else {
      m = lookup(key);
      FontCacheFile& file = cache_file();
      if (m.found && fits_cache_file(m)) {
        file.add(query, resolved_of(m));
      } else {
        file.forget(query);
      }
      // The first answers of a run are written at once; a script with very many names
      // has the rest written when the run ends, not the whole file once per name.
      unsaved_ = true;
      if (saves_ < kMaxImmediateSaves) {
        ++saves_;
        file.save();
        unsaved_ = false;
      }
    }
    if (matches_.size() >= kMaxMatches) matches_.clear();
    matches_.insert_or_assign(key, m);
    return m;
  }

  std::shared_ptr<SizedFace> sized(const Match& m, int em) {
    SizedKey key{m.file, m.index, em, m.embolden, m.transform, m.matrix};
    for (auto it = sized_.begin(); it != sized_.end(); ++it) {
      if (key.matches(**it)) {
        sized_.splice(sized_.begin(), sized_, it);
        return sized_.front();
      }
    }
    std::shared_ptr<FaceFile> file = face_file(m.file, m.index);
    if (!file) return nullptr;
    auto sf = std::make_shared<SizedFace>();
    sf->file = file;
    sf->path = m.file;
    sf->index = m.index;
    sf->em = em;
    sf->embolden = m.embolden;
    sf->transform = m.transform;
    sf->matrix = m.matrix;
    if (FT_New_Size(file->face, &sf->size) != 0) {
      sf->size = nullptr;
      return nullptr;
    }
    if (FT_Activate_Size(sf->size) != 0 || FT_Set_Pixel_Sizes(file->face, 0, em) != 0)
      return nullptr;
    const FT_Size_Metrics& metrics = file->face->size->metrics;
    sf->ascent = static_cast<int>((metrics.ascender + 63) >> 6);
    sf->descent = static_cast<int>((-metrics.descender + 63) >> 6);
    if (sf->ascent < 0) sf->ascent = 0;
    if (sf->descent < 0) sf->descent = 0;
    sized_.push_front(sf);
    if (sized_.size() > kMaxSizedFaces) sized_.pop_back();
    return sf;
  }

  void clear() {
    matches_.clear();
    sized_.clear();
    files_.clear();
  }

  // Back to the state of a new run, with the cache file at cache_path (nullopt: the usual one).
  void restart(std::optional<std::string> cache_path) {
    clear();
    if (config_) FcConfigDestroy(config_);
    config_ = nullptr;
    config_tried_ = false;
    if (unsaved_ && cache_file_) cache_file_->save();
    unsaved_ = false;
    saves_ = 0;
    cache_file_.reset();
    cache_path_ = std::move(cache_path);
    counters = FaceResolutionCounters{};
  }

  ~Registry() {
    if (unsaved_ && cache_file_) cache_file_->save();
    clear();
    if (config_) FcConfigDestroy(config_);
  }

 private:
  Registry() : library_(std::make_shared<Library>()) {}

  FontCacheFile& cache_file() {
    if (!cache_file_) {
      cache_file_.emplace(
          cache_path_ ? *cache_path_
                      : font_cache_path_for(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME")));
      cache_file_->load(FcGetVersion());
    }
    return *cache_file_;
  }

  // fontconfig reads its configuration once a run, and only when an answer is not cached.
  FcConfig* config() {
    if (!config_tried_) {
      config_tried_ = true;
      config_ = FcInitLoadConfigAndFonts();
      ++counters.fontconfig_setups;
      if (config_) cache_file().set_configuration(FcGetVersion(), configuration_stamps(config_));
    }
    return config_;
  }

  Match lookup(const MatchKey& key) {
    Match m;
    FcConfig* const fc = config();
    if (!fc) return m;
    ++counters.fontconfig_lookups;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return m;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(key.name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, key.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, key.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(fc, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(fc, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found) return m;
    FcChar8* file = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file) {
      m.found = true;
      m.file = reinterpret_cast<const char*>(file);
      int index = 0;
      if (FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch) m.index = index;
      FcBool embolden = FcFalse;
      if (FcPatternGetBool(found, FC_EMBOLDEN, 0, &embolden) == FcResultMatch)
        m.embolden = embolden == FcTrue;
      FcMatrix* matrix = nullptr;
      if (FcPatternGetMatrix(found, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix) {
        m.matrix.xx = static_cast<FT_Fixed>(matrix->xx * 0x10000);
        m.matrix.xy = static_cast<FT_Fixed>(matrix->xy * 0x10000);
        m.matrix.yx = static_cast<FT_Fixed>(matrix->yx * 0x10000);
        m.matrix.yy = static_cast<FT_Fixed>(matrix->yy * 0x10000);
        m.transform = !(m.matrix.xx == 0x10000 && m.matrix.xy == 0 && m.matrix.yx == 0 &&
                        m.matrix.yy == 0x10000);
      }
    }
    FcPatternDestroy(found);
    return m;
  }

  std::shared_ptr<FaceFile> face_file(const std::string& path, int index) {
    for (auto it = files_.begin(); it != files_.end(); ++it) {
      if (it->first.first == path && it->first.second == index) {
        files_.splice(files_.begin(), files_, it);
        return files_.front().second;
      }
    }
    if (!library_->ft) return nullptr;
    auto file = std::make_shared<FaceFile>();
    file->library = library_;
    if (FT_New_Face(library_->ft, path.c_str(), index, &file->face) != 0) {
      file->face = nullptr;
      return nullptr;
    }
    if (!FT_IS_SCALABLE(file->face)) return nullptr;
    FT_Select_Charmap(file->face, FT_ENCODING_UNICODE);
    files_.emplace_front(std::make_pair(path, index), file);
    if (files_.size() > kMaxFaceFiles) files_.pop_back();
    return file;
  }

  std::shared_ptr<Library> library_;
  FcConfig* config_ = nullptr;
  bool config_tried_ = false;
  bool unsaved_ = false;
  int saves_ = 0;
  std::optional<std::string> cache_path_;
  std::optional<FontCacheFile> cache_file_;
  std::unordered_map<MatchKey, Match, MatchKeyHash> matches_;
  std::list<std::shared_ptr<SizedFace>> sized_;
  std::list<std::pair<std::pair<std::string, int>, std::shared_ptr<FaceFile>>> files_;
};

// The name as fontconfig wants it: UTF-8, no NUL, not absurdly long.
std::string face_name_for_lookup(const std::string& name) {
  std::string bytes = name.substr(0, std::min(name.find('\0'), kMaxFaceNameBytes));
  return to_utf8(bytes);
}

}  // namespace

int em_pixels_for_size(int64_t size_pt) {
  if (size_pt == 0) size_pt = kDefaultSizePt;
  const uint64_t magnitude =
      size_pt < 0 ? uint64_t{0} - static_cast<uint64_t>(size_pt) : static_cast<uint64_t>(size_pt);
  if (magnitude > 100000) return kMaxEmPx;
  // Rounded to the nearest pixel at 96 dots per inch.
  const int64_t em = static_cast<int64_t>((magnitude * 96 + 36) / 72);
  return static_cast<int>(std::clamp<int64_t>(em, kMinEmPx, kMaxEmPx));
}

struct Font::Impl {
  FontSpec spec;
  std::shared_ptr<SizedFace> face;
};

std::unique_ptr<Font> Font::load(const FontSpec& spec) {
  Registry& registry = Registry::get();
  const MatchKey key{face_name_for_lookup(spec.name), spec.bold, spec.italic};
  const int em = em_pixels_for_size(spec.size_pt);
  Match m = registry.match(key);
  if (!m.found) return nullptr;
  std::shared_ptr<SizedFace> face = registry.sized(m, em);
  if (!face && m.from_cache_file) {
    // The remembered file no longer opens as a face: ask fontconfig as if nothing were cached.
    m = registry.match(key, /*ask_fontconfig=*/true);
    if (!m.found) return nullptr;
    face = registry.sized(m, em);
  }
  if (!face) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->spec = spec;
  impl->face = std::move(face);
  return std::unique_ptr<Font>(new Font(std::move(impl)));
}

Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;
const FontSpec& Font::spec() const {
  return impl_->spec;
}
const std::string& Font::file() const {
  return impl_->face->path;
}
int Font::em_px() const {
  return impl_->face->em;
}
int Font::ascent() const {
  return impl_->face->ascent;
}
int Font::descent() const {
  return impl_->face->descent;
}

int64_t Font::advance_width(std::string_view text) const {
  return advance_width(decode_text(text));
}

int64_t Font::advance_width(std::u32string_view text) const {
  SizedFace& face = *impl_->face;
  int64_t width = 0;
  for (char32_t cp : text) width += face.glyph(face.glyph_index(cp)).advance;
  return width;
}

namespace {

inline uint8_t blend(uint8_t old_value, uint8_t new_value, unsigned coverage) {
  return static_cast<uint8_t>((old_value * (255u - coverage) + new_value * coverage + 127u) / 255u);
}

struct Painter {
  Image& picture;
  uint8_t rgb[3];

  void pixel(int64_t x, int64_t y, unsigned coverage) {
    uint8_t* p = picture.at(static_cast<int>(x), static_cast<int>(y));
    p[0] = blend(p[0], rgb[0], coverage);
    p[1] = blend(p[1], rgb[1], coverage);
    p[2] = blend(p[2], rgb[2], coverage);
    if (picture.channels == 4) p[3] = blend(p[3], 255, coverage);
  }
};

void colour_bytes(uint32_t colour, uint8_t out[3]) {
  out[0] = static_cast<uint8_t>(colour & 0xFF);
  out[1] = static_cast<uint8_t>((colour >> 8) & 0xFF);
  out[2] = static_cast<uint8_t>((colour >> 16) & 0xFF);
}

}  // namespace

void draw_text(Image& picture, const Font& font, int64_t x, int64_t y, std::u32string_view text,
               uint32_t front, const TextBackground* background) {
  if (picture.width <= 0 || picture.height <= 0) return;
  if (picture.channels != 3 && picture.channels != 4) return;
  if (picture.pixels.size() <
      static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * picture.channels)
    return;
  const int64_t width = picture.width;
  const int64_t height = picture.height;

  if (background) {
    Painter box{picture, {}};
    colour_bytes(background->colour, box.rgb);
    const int64_t bx0 = std::max<int64_t>(x, 0);
    const int64_t by0 = std::max<int64_t>(y, 0);
    const int64_t bx1 = std::min<int64_t>(x + background->width, width);
    const int64_t by1 = std::min<int64_t>(y + background->height, height);
    for (int64_t py = by0; py < by1; ++py)
      for (int64_t px = bx0; px < bx1; ++px) box.pixel(px, py, 255);
  }

  Painter ink{picture, {}};
  colour_bytes(front, ink.rgb);
  SizedFace& face = *font.impl().face;
  const int64_t baseline = y + face.ascent;
  std::vector<uint8_t> scratch;
  int64_t pen = x;
  for (char32_t cp : text) {
    const FT_UInt gi = face.glyph_index(cp);
    GlyphInfo& g = face.glyph(gi);
    const int64_t gx0 = pen + g.x0;
    const int64_t gy0 = baseline - g.y1;  // top row of the mask on the picture
    const int64_t gx1 = pen + g.x1;
    const int64_t gy1 = baseline - g.y0;
    pen += g.advance;
    if (g.empty || gx1 <= 0 || gy1 <= 0 || gx0 >= width || gy0 >= height) continue;
    // The part of the mask that lies on the picture.
    const int32_t c0 = static_cast<int32_t>(std::max<int64_t>(0, -gx0));
    const int32_t r0 = static_cast<int32_t>(std::max<int64_t>(0, -gy0));
    const int32_t c1 = static_cast<int32_t>(std::min<int64_t>(g.x1 - g.x0, width - gx0));
    const int32_t r1 = static_cast<int32_t>(std::min<int64_t>(g.y1 - g.y0, height - gy0));
    const int32_t mask_width = g.x1 - g.x0;
    if (const std::vector<uint8_t>* mask = face.cached_mask(gi, g)) {
      for (int32_t r = r0; r < r1; ++r) {
        const uint8_t* row = mask->data() + static_cast<size_t>(r) * mask_width;
        for (int32_t c = c0; c < c1; ++c)
          if (row[c]) ink.pixel(gx0 + c, gy0 + r, row[c]);
      }
      continue;
    }
    // A glyph too large to keep: rasterise only the visible part.
    if (!face.load_outline(gi)) continue;
    face.rasterise(g, c0, r0, c1, r1, scratch);
    const int32_t part_width = c1 - c0;
    for (int32_t r = r0; r < r1; ++r) {
      const uint8_t* row = scratch.data() + static_cast<size_t>(r - r0) * part_width;
      for (int32_t c = c0; c < c1; ++c)
        if (row[c - c0]) ink.pixel(gx0 + c, gy0 + r, row[c - c0]);
    }
  }
}

void clear_font_cache() {
  Registry::get().clear();
}

FaceResolutionCounters face_resolution_counters() {
  return counters;
}

void restart_face_resolution(std::optional<std::string> cache_path) {
  Registry::get().restart(std::move(cache_path));
}

}  // namespace brinkmoor
