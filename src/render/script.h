#pragma once
// The signature script interpreter.
namespace brinkmoor {
struct AppContext;
void generate_signature(AppContext& ctx);
}  // namespace brinkmoor
