#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tallyscan {

// One message as it goes over the wire: an HTML report in code page 1255 as its body.
struct MailMessage {
  std::string sender;  // bare addresses
  std::string recipient;
  std::string subject;     // UTF-8; an empty subject sends no Subject line
  std::string body;        // the report's bytes, code page 1255
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

// The message: its header lines, an empty line and the body in Base64 lines of 76 characters,
// every line ending in CR LF. The body's line breaks (CR LF, CR or LF) are made CR LF first,
// the form a text body has on the wire, so the receiver's decoded text equals a report
// written with CR LF exactly.
std::string ComposeMessage(const MailMessage& message);

// What follows the DATA command: every line of `text` (split at CR LF, CR or LF) with CR LF,
// a line that begins with "." getting one more "." in front, and the closing ".".
std::string DataSection(std::string_view text);

}  // namespace tallyscan
