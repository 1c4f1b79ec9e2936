#pragma once
// FTP: the login check and the upload of the saved signature.
#include "platform/ftp.h"

namespace brinkmoor {
struct AppContext;

// The remote name of the signature, in the folder the server puts the user in after login.
inline constexpr const char* kRemotePictureName = "brinkmoortest.jpg";

// The login step of both operations: reads ServerField, UserField and PasswordField as they
// are at this moment and opens the session with them (passive mode). True when the session is
// open and logged in.
bool open_ftp_session(AppContext& ctx, FtpSession& session);

// CheckConnectionButton: logs in and reports the outcome in a message; on success the session
// is closed only after the message has been dismissed.
void check_connection(AppContext& ctx);

// UploadButton (and once in an unattended run): sends whatever the output picture file holds
// now as "brinkmoortest.jpg". Only a failed login is reported; the transfer's outcome is not.
void upload_signature(AppContext& ctx);
}  // namespace brinkmoor
