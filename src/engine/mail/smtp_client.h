#pragma once

// Private to mail/: the rest of the program includes mail/mail.h.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tallyscan {

// The connection an SMTP conversation runs over: a TCP stream that can turn into TLS. The
// conversation owns no socket; the app gives it one over QSslSocket (src/mail/), tests may
// give it a scripted one. Every call blocks until done, failed or timed out.
class MailConnection {
 public:
  virtual ~MailConnection() = default;

  // Opens the connection. False, with ErrorText() saying why, when it cannot be made.
  virtual bool Connect(const std::string& host, int port) = 0;
  // Turns the open connection into TLS, verifying the server's certificate and its name
  // against `host` of Connect. Bytes received before it are discarded. False when the
  // handshake fails or the certificate is not trusted.
  virtual bool StartTls() = 0;
  virtual bool Encrypted() const = 0;
  // One line from the server without its line end. False on a time-out, a closed connection
  // or a line beyond any reasonable length.
  virtual bool ReadLine(std::string& line) = 0;
  // Sends all of `bytes`; false when the connection fails before they are out.
  virtual bool Write(std::string_view bytes) = 0;
  // Closes the connection at once, saying nothing more to the server.
  virtual void Drop() = 0;
  // The local address of the connection ("192.0.2.1", "2001:db8::1"); empty when unknown.
  virtual std::string LocalAddress() const = 0;
  // The server is this computer (127.0.0.0/8 or ::1).
  virtual bool PeerIsLoopback() const = 0;
  // What went wrong with the last call that failed.
  virtual std::string ErrorText() const = 0;
};

// One sending as the dialog asks for it: the fields as the user typed them.
struct MailRequest {
  std::string sender;
  std::string server;  // "host" or "host:port"
  std::string user_name;
  std::string password;
  std::string recipient;    // an address, or `Name <address>`
  std::string subject;      // UTF-8
  std::string report_path;  // the report file (UTF-8 path), its bytes the body
  // The server ("host:port" as MailServerKey gives it) that the user allowed to take the
  // report without encryption; empty when none.
  std::string clear_text_server;
  std::int64_t now = 0;  // seconds since 1970 (UTC) and the local offset, for the Date line
  int utc_offset_minutes = 0;
  // The Message-ID with its angle brackets; empty for a new one (NewMessageId). Only a test
  // that compares the whole message sets it.
  std::string message_id;
};

struct MailOutcome {
  // The server accepted the message. It may be true beside a failure message: a reply to QUIT
  // that is not 221 comes after the message was taken.
  bool accepted = false;
  // The result for the user (UTF-8): the success text or the message of the step that failed.
  std::string message;
};

// The system call the report is read with: ::read, or a stand-in that fails on purpose.
using ReportReadCall = ssize_t (*)(int fd, void* buffer, std::size_t count);

// Sends the report as the body of one message. The fields are checked first (server, sender,
// recipient, in that order; each address as AddressOfField takes it, sent exactly as typed)
// and the report file opened; a failure there opens no connection. Then: the greeting, EHLO
// (HELO when EHLO is refused), STARTTLS whenever the server offers it (TLS from the start on
// port 465), AUTH when a user name is set (LOGIN, or PLAIN when only PLAIN is offered), MAIL,
// RCPT, DATA and QUIT. A connection left unencrypted after EHLO to a server that is not this
// computer ends there with QUIT, unless `clear_text_server` names that server; even then no
// AUTH is sent over it. Each step's failure ends the conversation with its message. A
// connection lost at any step is a failure of that step, never a success.
// The report is read in blocks while the message goes out, never held whole. When reading
// fails, or the file turns out shorter than when it was opened, the connection is dropped
// before the message's closing "." (so the server keeps nothing) and the failure reported.
// `read` stands in for read(2) in tests; null reads the file.
MailOutcome SendMail(const MailRequest& request, MailConnection& connection,
                     ReportReadCall read = nullptr);

}  // namespace tallyscan
