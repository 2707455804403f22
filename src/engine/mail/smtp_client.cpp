#include "engine/mail/smtp_client.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <sstream>
#include <vector>

#include "engine/mail/mail_address.h"
#include "engine/mail/mail_message.h"
#include "engine/mail/mail_texts.h"

namespace tallyscan {
namespace {

// A reply longer than this is not from an SMTP server.
constexpr std::size_t kMaxReplyLines = 512;

struct Reply {
  int code = 0;      // the number in the first three characters of the last line
  std::string text;  // every line, joined by line feeds
  std::vector<std::string> lines;
};

// The report is read and sent in blocks of this size, never held whole.
constexpr std::size_t kReportBlock = std::size_t{256} << 10;

// The report file, open from before the connection is made until the message is out.
class ReportFile {
 public:
  ReportFile(const std::string& path, ReportReadCall read) : read_(read ? read : ::read) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd_ >= 0 && (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))) {
      ::close(fd_);
      fd_ = -1;
    }
    if (fd_ >= 0) size_ = info.st_size;
  }
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;
  ~ReportFile() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool ok() const { return fd_ >= 0; }

  // The next block into `block`, empty at the end. False when reading fails, or when the file
  // ends short of the size it had when opened (it was cut while being sent): the body would
  // not be the report. Error() then says which.
  bool Next(std::string& block) {
    block.resize(kReportBlock);
    for (;;) {
      const ssize_t got = read_(fd_, block.data(), block.size());
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        error_ = std::strerror(errno);
        return false;
      }
      block.resize(static_cast<std::size_t>(got));
      read_so_far_ += got;
      if (got == 0 && read_so_far_ < size_) {
        error_ = "the file ended after " + std::to_string(read_so_far_) + " of " +
                 std::to_string(size_) + " bytes";
        return false;
      }
      return true;
    }
  }

  const std::string& Error() const { return error_; }

 private:
  ReportReadCall read_;
  int fd_ = -1;
  off_t size_ = 0;
  off_t read_so_far_ = 0;
  std::string error_;
};

std::string Concat(std::string_view a, std::string_view b) {
  std::string out(a);
  out.append(b);
  return out;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// The extensions of an EHLO reply, each line after the first upper-cased.
struct Extensions {
  bool starttls = false;
  bool auth_login = false;
  bool auth_plain = false;

  static Extensions Of(const Reply& reply) {
    Extensions found;
    for (std::size_t i = 1; i < reply.lines.size(); ++i) {
      if (reply.lines[i].size() < 4) continue;
      std::istringstream words(Upper(reply.lines[i].substr(4)));
      std::string keyword;
      words >> keyword;
      if (keyword == "STARTTLS") found.starttls = true;
      // "AUTH LOGIN PLAIN", or the older "AUTH=LOGIN PLAIN".
      if (keyword == "AUTH" || keyword.rfind("AUTH=", 0) == 0) {
        std::string mechanism = keyword == "AUTH" ? std::string() : keyword.substr(5);
        do {
          if (mechanism == "LOGIN") found.auth_login = true;
          if (mechanism == "PLAIN") found.auth_plain = true;
        } while (words >> mechanism);
      }
    }
    return found;
  }
};

class Conversation {
 public:
  explicit Conversation(MailConnection& connection) : connection_(connection) {}

  // Reads one whole reply ("250-..." lines up to the "250 ..." line).
  bool Read(Reply& reply) {
    reply = Reply();
    std::string line;
    while (reply.lines.size() < kMaxReplyLines) {
      if (!connection_.ReadLine(line)) return false;
      if (!reply.text.empty()) reply.text += '\n';
      reply.text += line;
      reply.lines.push_back(line);
      if (line.size() < 4 || line[3] != '-') {
        reply.code = 0;
        for (std::size_t i = 0; i < 3 && i < line.size(); ++i) {
          if (line[i] < '0' || line[i] > '9') {
            reply.code = 0;
            break;
          }
          reply.code = reply.code * 10 + (line[i] - '0');
        }
        return true;
      }
    }
    return false;
  }

  bool Command(std::string_view command, Reply& reply) {
    return connection_.Write(Concat(command, "\r\n")) && Read(reply);
  }

  std::string Error() const { return connection_.ErrorText(); }

 private:
  MailConnection& connection_;
};

MailOutcome Failure(std::string_view text, std::string_view detail) {
  return {false, Concat(text, detail)};
}

// The field's message, with the reason on a line of its own where the form is known.
MailOutcome AddressFailure(std::string_view text, AddressFault fault) {
  switch (fault) {
    case AddressFault::kQuoted:
      return Failure(text, Concat("\n", mail_texts::kAddressQuoted));
    case AddressFault::kLiteral:
      return Failure(text, Concat("\n", mail_texts::kAddressLiteral));
    case AddressFault::kNonAscii:
      return Failure(text, Concat("\n", mail_texts::kAddressNonAscii));
    case AddressFault::kNone:
    case AddressFault::kNotAnAddress:
      break;
  }
  return {false, std::string(text)};
}

}  // namespace

MailOutcome SendMail(const MailRequest& request, MailConnection& connection, ReportReadCall read) {
  namespace texts = mail_texts;
  const std::optional<MailServer> server = ParseMailServer(request.server);
  if (!server) return {false, std::string(texts::kNeedServer)};
  const FieldAddress sender_field = AddressOfField(request.sender);
  if (sender_field.fault != AddressFault::kNone) {
    return AddressFailure(texts::kBadSender, sender_field.fault);
  }
  const FieldAddress recipient_field = AddressOfField(request.recipient);
  if (recipient_field.fault != AddressFault::kNone) {
    return AddressFailure(texts::kBadRecipient, recipient_field.fault);
  }
  const std::string& sender = sender_field.address;
  const std::string& recipient = recipient_field.address;
  ReportFile report(request.report_path, read);
  if (!report.ok()) return Failure(texts::kReportUnreadable, request.report_path);

  Conversation talk(connection);
  Reply reply;
  if (!connection.Connect(server->host, server->port)) {
    return Failure(texts::kConnectFailed, "\n" + connection.ErrorText());
  }
  if (server->port == kImplicitTlsPort && !connection.StartTls()) {
    return Failure(texts::kTlsFailed, connection.ErrorText());
  }
  if (!talk.Read(reply)) return Failure(texts::kConnectFailed, "\n" + talk.Error());
  if (reply.code != 220) return Failure(texts::kConnectFailed, "\n" + reply.text);

  const std::string local = connection.LocalAddress();
  if (local.empty()) return {false, std::string(texts::kNoHostAddress)};
  // The standard wants our own name; where a name is not known, the address as a literal.
  const std::string literal =
      local.find(':') == std::string::npos ? "[" + local + "]" : "[IPv6:" + local + "]";

  Extensions extensions;
  const auto greet = [&]() -> std::optional<MailOutcome> {
    if (!talk.Command("EHLO " + literal, reply)) return Failure(texts::kHeloFailed, talk.Error());
    if (reply.code == 250) {
      extensions = Extensions::Of(reply);
      return std::nullopt;
    }
    extensions = Extensions();
    if (!talk.Command("HELO " + literal, reply)) return Failure(texts::kHeloFailed, talk.Error());
    if (reply.code != 250) return Failure(texts::kHeloFailed, reply.text);
    return std::nullopt;
  };
  if (auto failed = greet()) return *failed;

  if (!connection.Encrypted() && extensions.starttls) {
    if (!talk.Command("STARTTLS", reply)) return Failure(texts::kTlsFailed, talk.Error());
    if (reply.code != 220) return Failure(texts::kTlsFailed, reply.text);
    if (!connection.StartTls()) return Failure(texts::kTlsFailed, connection.ErrorText());
    // What the server said before the encryption no longer counts.
    if (auto failed = greet()) return *failed;
  }

  // Unencrypted, a report goes only to this computer or to the one server the user allowed by
  // its host and port; a password only to this computer.
  if (!connection.Encrypted() && !connection.PeerIsLoopback()) {
    const std::string key = MailServerKey(request.server);
    if (request.clear_text_server != key) {
      talk.Command("QUIT", reply);
      return Failure(texts::kClearTextRefused, key);
    }
    if (!request.user_name.empty()) {
      talk.Command("QUIT", reply);
      return {false, std::string(texts::kNoEncryption)};
    }
  }

  if (!request.user_name.empty()) {
    bool answered = false;
    if (extensions.auth_plain && !extensions.auth_login) {
      std::string credentials;
      credentials.append(1, '\0').append(request.user_name).append(1, '\0');
      credentials.append(request.password);
      answered = talk.Command("AUTH PLAIN " + Base64(credentials), reply);
    } else {
      answered = talk.Command("AUTH LOGIN", reply);
      if (answered && reply.code == 334) answered = talk.Command(Base64(request.user_name), reply);
      if (answered && reply.code == 334) answered = talk.Command(Base64(request.password), reply);
    }
    if (!answered) return Failure(texts::kAuthFailed, talk.Error());
    if (reply.code > 300) return Failure(texts::kAuthFailed, reply.text);
  }

  if (!talk.Command("MAIL FROM: <" + sender + ">", reply)) {
    return Failure(texts::kSenderRefused, talk.Error());
  }
  if (reply.code != 250) return Failure(texts::kSenderRefused, reply.text);
  if (!talk.Command("RCPT TO: <" + recipient + ">", reply)) {
    return Failure(texts::kRecipientRefused, talk.Error());
  }
  // 251: the server forwards to a mailbox elsewhere, which is as good.
  if (reply.code != 250 && reply.code != 251) return Failure(texts::kRecipientRefused, reply.text);
  if (!talk.Command("DATA", reply)) return Failure(texts::kDataFailed, talk.Error());
  if (reply.code != 354) return Failure(texts::kDataFailed, reply.text);

  MailMessage message;
  message.sender = sender;
  message.recipient = recipient;
  message.subject = request.subject;
  message.date = FormatMailDate(request.now, request.utc_offset_minutes);
  message.message_id =
      request.message_id.empty() ? NewMessageId(sender, request.now) : request.message_id;
  if (!connection.Write(MessageHead(message))) return Failure(texts::kDataFailed, talk.Error());
  BodyEncoder encoder;
  std::string block;
  std::string wire;
  for (;;) {
    if (!report.Next(block)) {
      // Without the closing "." the server keeps nothing of a message cut short.
      connection.Drop();
      return Failure(texts::kReportReadFailed, request.report_path + " (" + report.Error() + ")");
    }
    wire.clear();
    if (block.empty()) {
      encoder.Finish(wire);
      wire.append(kEndOfData);
    } else {
      encoder.Add(block, wire);
    }
    if (!connection.Write(wire)) return Failure(texts::kDataFailed, talk.Error());
    if (block.empty()) break;
  }
  if (!talk.Read(reply)) return Failure(texts::kDataFailed, talk.Error());
  // The server's refusal is the message; a blank one still reads as a failure.
  if (reply.code != 250) {
    return {false, reply.text.empty() ? std::string(texts::kDataFailed) : reply.text};
  }

  MailOutcome outcome{true, std::string(texts::kSent)};
  if (!talk.Command("QUIT", reply)) {
    outcome.message = Concat(texts::kQuitFailed, talk.Error());
  } else if (reply.code != 221) {
    outcome.message = Concat(texts::kQuitFailed, reply.text);
  }
  return outcome;
}

}  // namespace tallyscan
