#pragma once
// Fonts by face name, size in points and style, over fontconfig and FreeType.
#include <memory>
#include <string>

namespace brinkmoor {

struct FontSpec {
  std::string name = "Arial";
  int size_pt = 10;
  bool bold = false;
  bool italic = false;
};

// A loaded face at one size and style.
class Font {
 public:
  // nullptr when no font can be made for the spec.
  static std::unique_ptr<Font> load(const FontSpec& spec);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  const FontSpec& spec() const;

  struct Impl;
  const Impl& impl() const { return *impl_; }

 private:
  explicit Font(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace brinkmoor
