#pragma once
// FTP: the login check and the upload of the saved signature.
namespace brinkmoor {
struct AppContext;
void check_connection(AppContext& ctx);
void upload_signature(AppContext& ctx);
}  // namespace brinkmoor
