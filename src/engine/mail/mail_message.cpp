#include "engine/mail/mail_message.h"

#include <array>
#include <cstdio>
#include <random>

namespace tallyscan {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::size_t kBodyLineLength = 76;
// The bytes that make one body line: every 3 bytes become 4 characters.
constexpr std::size_t kBodyLineBytes = kBodyLineLength / 4 * 3;
constexpr std::size_t kHeaderLineLength = 76;
constexpr std::string_view kSubjectName = "Subject: ";
// An encoded word of 39 bytes is "=?UTF-8?B?" + 52 characters + "?=": 64 characters, which
// fits behind "Subject: " and behind the folding space alike.
constexpr std::size_t kWordBytes = 39;

bool IsPlainSubject(std::string_view text) {
  if (kSubjectName.size() + text.size() > kHeaderLineLength) return false;
  if (text.find("=?") != std::string_view::npos) return false;
  for (const char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

// The length of the UTF-8 sequence that starts with `lead`; a stray byte counts alone.
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Days since 1970-01-01 -> civil date (the proleptic Gregorian calendar).
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t day_of_era = days - era * 146097;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
  day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  year = static_cast<int>(year_of_era + era * 400 + (month <= 2 ? 1 : 0));
}

// A byte of the text as an unsigned number, so that shifting it never meets a sign.
unsigned Octet(char byte) { return static_cast<unsigned char>(byte); }

void AppendBase64(std::string_view bytes, std::string& out) {
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned group = Octet(bytes[i]) << 16 | Octet(bytes[i + 1]) << 8 | Octet(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out += kAlphabet[(group >> shift) & 63];
  }
  if (i < bytes.size()) {
    const bool two = i + 1 < bytes.size();
    const unsigned group = Octet(bytes[i]) << 16 | (two ? Octet(bytes[i + 1]) << 8 : 0u);
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += two ? kAlphabet[(group >> 6) & 63] : '=';
    out += '=';
  }
}

}  // namespace

std::string Base64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  AppendBase64(bytes, out);
  return out;
}

std::string EncodeSubject(std::string_view utf8) {
  if (IsPlainSubject(utf8)) return std::string(utf8);
  std::string out;
  std::size_t start = 0;
  while (start < utf8.size()) {
    std::size_t end = start;
    while (end < utf8.size()) {
      const std::size_t next = end + SequenceLength(static_cast<unsigned char>(utf8[end]));
      if (next - start > kWordBytes) break;
      end = next;
    }
    if (end > utf8.size()) end = utf8.size();  // a sequence cut short at the end
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + Base64(utf8.substr(start, end - start)) + "?=";
    start = end;
  }
  return out;
}

std::string FormatMailDate(std::int64_t unix_seconds, int utc_offset_minutes) {
  static constexpr std::array<const char*, 7> kDays = {"Thu", "Fri", "Sat", "Sun",
                                                       "Mon", "Tue", "Wed"};
  static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::int64_t local = unix_seconds + std::int64_t{utc_offset_minutes} * 60;
  std::int64_t days = local / 86400;
  std::int64_t seconds = local % 86400;
  if (seconds < 0) {
    seconds += 86400;
    --days;
  }
  int year = 0;
  int month = 0;
  int day = 0;
  CivilFromDays(days, year, month, day);
  const int weekday = static_cast<int>(((days % 7) + 7) % 7);  // 1970-01-01 was a Thursday
  const int offset = utc_offset_minutes < 0 ? -utc_offset_minutes : utc_offset_minutes;
  char text[64];
  std::snprintf(
      text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02d%02d",
      kDays[static_cast<std::size_t>(weekday)], day, kMonths[static_cast<std::size_t>(month - 1)],
      year, static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
      static_cast<int>(seconds % 60), utc_offset_minutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

std::string NewMessageId(std::string_view sender, std::int64_t unix_seconds) {
  std::random_device random;
  const std::uint64_t value = (std::uint64_t{random()} << 32) ^ random();
  char unique[40];
  std::snprintf(unique, sizeof unique, "%016llx.%lld", static_cast<unsigned long long>(value),
                static_cast<long long>(unix_seconds));
  const auto at = sender.find('@');
  const std::string_view domain =
      at == std::string_view::npos ? std::string_view("localhost") : sender.substr(at + 1);
  return "<" + std::string(unique) + "@" + std::string(domain) + ">";
}

std::string MessageHead(const MailMessage& message) {
  std::string out;
  const auto header = [&out](std::string_view name, std::string_view value) {
    out.append(name).append(": ").append(value).append(kCrLf);
  };
  header("Date", message.date);
  header("From", message.sender);
  header("To", message.recipient);
  if (!message.subject.empty()) header("Subject", EncodeSubject(message.subject));
  header("Message-ID", message.message_id);
  header("MIME-Version", "1.0");
  header("Content-Type", "text/html; charset=windows-1255");
  header("Content-Transfer-Encoding", "base64");
  header("X-Mailer", "Norva Software SMTP Server");
  out.append(kCrLf);
  return out;
}

void BodyEncoder::Add(std::string_view bytes, std::string& out) {
  pending_.reserve(pending_.size() + bytes.size() + bytes.size() / 16);
  std::size_t at = 0;
  if (after_cr_ && !bytes.empty()) {
    after_cr_ = false;
    if (bytes.front() == '\n') at = 1;  // the LF of a CR LF already written
  }
  while (at < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", at);
    if (end == std::string_view::npos) {
      pending_.append(bytes.substr(at));
      break;
    }
    pending_.append(bytes.substr(at, end - at)).append(kCrLf);
    if (bytes[end] == '\r' && end + 1 == bytes.size()) after_cr_ = true;
    at = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
  }
  const std::size_t whole = pending_.size() - pending_.size() % kBodyLineBytes;
  out.reserve(out.size() + whole / kBodyLineBytes * (kBodyLineLength + kCrLf.size()));
  for (std::size_t line = 0; line < whole; line += kBodyLineBytes) {
    AppendBase64(std::string_view(pending_).substr(line, kBodyLineBytes), out);
    out.append(kCrLf);
  }
  pending_.erase(0, whole);
}

void BodyEncoder::Finish(std::string& out) {
  if (!pending_.empty()) {
    AppendBase64(pending_, out);
    out.append(kCrLf);
  }
  pending_.clear();
  after_cr_ = false;
}

}  // namespace tallyscan
