#include "platform/font.h"

namespace brinkmoor {

// Placeholder until the FreeType layer lands: no font can be made.
struct Font::Impl {
  FontSpec spec;
};

std::unique_ptr<Font> Font::load(const FontSpec& /*spec*/) { return nullptr; }
Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;
const FontSpec& Font::spec() const { return impl_->spec; }

}  // namespace brinkmoor
