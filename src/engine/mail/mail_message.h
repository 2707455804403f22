#pragma once

// Private to mail/: the rest of the program includes mail/mail.h.

#include <cstdint>
#include <string>
#include <string_view>

namespace tallyscan {

// The header of one message: its body is an HTML report in code page 1255, which goes
// through a BodyEncoder.
struct MailMessage {
  std::string sender;  // bare addresses
  std::string recipient;
  std::string subject;     // UTF-8; an empty subject sends no Subject line
  std::string date;        // as FormatMailDate gives it
  std::string message_id;  // as NewMessageId gives it, with its angle brackets
};

// Standard Base64 ("A-Z a-z 0-9 + /", "=" padding), no line breaks.
std::string Base64(std::string_view bytes);

// The value of a Subject line: the text itself when it is short printable ASCII, otherwise
// RFC 2047 encoded words in UTF-8, split between characters and folded so that every line of
// the header, "Subject: " included, stays within 76 characters.
std::string EncodeSubject(std::string_view utf8);

// "Tue, 05 Mar 2024 14:07:09 +0200": the moment `unix_seconds` as local time
// `utc_offset_minutes` east of UTC, in the form mail headers use.
std::string FormatMailDate(std::int64_t unix_seconds, int utc_offset_minutes);

// "<random.seconds@domain>" where the domain is the sender's; unique for every call.
std::string NewMessageId(std::string_view sender, std::int64_t unix_seconds);

// The message's header lines and the empty line that ends them, every line ending in CR LF.
// The body follows from a BodyEncoder. No line of the head or of the body begins with "."
// (header lines begin with their name or a folding space, Base64 has no "."), so the message
// goes after DATA as it is, closed by kEndOfData.
std::string MessageHead(const MailMessage& message);

inline constexpr std::string_view kEndOfData = ".\r\n";

// The message body made from the report's bytes as they are read, in pieces of any size: the
// line breaks (CR LF, CR or LF) made CR LF, the form a text body has on the wire, so that the
// receiver's decoded text equals a report written with CR LF exactly; then Base64 in lines of
// 76 characters, each ending in CR LF. It holds less than one line between calls.
class BodyEncoder {
 public:
  // Appends to `out` the whole lines that the bytes so far complete.
  void Add(std::string_view bytes, std::string& out);
  // Appends the last, shorter line, padded; nothing when the lines came out even.
  void Finish(std::string& out);

 private:
  bool after_cr_ = false;  // the last byte was a CR, whose LF may open the next piece
  std::string pending_;    // body bytes, breaks made CR LF, not yet a whole line
};

}  // namespace tallyscan
