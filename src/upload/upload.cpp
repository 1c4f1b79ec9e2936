#include "upload/upload.h"

#include "render/canvas.h"
#include "shell/context.h"
#include "shell/main_window.h"

namespace brinkmoor {

bool open_ftp_session(AppContext& ctx, FtpSession& session) {
  if (ctx.ui == nullptr) return false;
  // Taken exactly as the fields hold them: no trimming, no port split off the host.
  const std::string host = ctx.ui->text(ServerField);
  const std::string user = ctx.ui->text(UserField);
  const std::string password = ctx.ui->text(PasswordField);
  const FtpLimits limits{ctx.endpoints.ftp_connect_timeout_s, ctx.endpoints.ftp_stall_timeout_s};
  return session.open(host, user, password, ctx.endpoints.ftp_port, /*passive=*/true, limits);
}

void check_connection(AppContext& ctx) {
  FtpSession session;
  if (open_ftp_session(ctx, session)) {
    // The session stays logged in while the message is on screen.
    show_message(ctx, kMessageTitle, "Connection established correctly.");
    session.close();
  } else {
    show_message(ctx, kMessageTitle, "Unable to connect!");
  }
}

void upload_signature(AppContext& ctx) {
  FtpSession session;
  if (!open_ftp_session(ctx, session)) {
    show_message(ctx, kMessageTitle, "Nie można się połączyć z serwerem.");
    return;
  }
  // A failed transfer (refused, broken, picture missing) is deliberately not reported.
  session.send_file(output_picture_path(ctx), kRemotePictureName);
  session.close();
}

}  // namespace brinkmoor
