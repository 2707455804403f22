// E-mail sending without a network: addresses, the message's head and body encoder, the
// password's scrambled form, the recent recipients, the checks that come before any
// connection, and the whole message of a fixed report against its golden file. The
// conversation with a real server is tested in tests/mail/.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "engine/mail/mail_address.h"
#include "engine/mail/mail_message.h"
#include "engine/mail/mail_settings.h"
#include "engine/mail/mail_texts.h"
#include "engine/mail/password_scramble.h"
#include "engine/mail/recent_recipients.h"
#include "engine/mail/smtp_client.h"
#include "engine/program/program.h"
#include "engine/report/report.h"
#include "engine/report/report_writers.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

TEST(MailAddress, ServerNamesAndPorts) {
  struct Case {
    const char* text;
    const char* host;  // null: refused
    int port;
  };
  const Case cases[] = {
      {"smtp.example.com", "smtp.example.com", 587},
      {" mail.example.org:25 ", "mail.example.org", 25},
      {"127.0.0.1:465", "127.0.0.1", 465},
      {"localhost", nullptr, 0},
      {"", nullptr, 0},
      {":587", nullptr, 0},
      {"smtp.example.com:", nullptr, 0},
      {"smtp.example.com:0", nullptr, 0},
      {"smtp.example.com:65536", nullptr, 0},
      {"smtp.example.com:58x", nullptr, 0},
  };
  for (const Case& c : cases) {
    const auto server = ParseMailServer(c.text);
    if (c.host == nullptr) {
      EXPECT_FALSE(server.has_value()) << c.text;
      continue;
    }
    ASSERT_TRUE(server.has_value()) << c.text;
    EXPECT_EQ(c.host, server->host);
    EXPECT_EQ(c.port, server->port);
  }
}

TEST(MailAddress, TheWholeFieldIsTheAddressAsTyped) {
  const std::string local64(64, 'l');
  const std::string label63(63, 'd');
  // 64 + 1 + 63 + 1 + 63 + 1 + 61 = 254 bytes.
  const std::string longest = local64 + "@" + label63 + "." + label63 + "." + std::string(61, 'e');
  struct Case {
    std::string field;
    std::string address;  // empty: refused
    AddressFault fault;
  };
  const Case cases[] = {
      {"cfo+audit@company.example", "cfo+audit@company.example", AddressFault::kNone},
      {"  דנה לוי <Dana.Levi@Example.co.il> ", "Dana.Levi@Example.co.il", AddressFault::kNone},
      {"\"Levi, Dana\" < o'brien/x=y{z}~@mail-1.example.org >",
       "o'brien/x=y{z}~@mail-1.example.org", AddressFault::kNone},
      {longest, longest, AddressFault::kNone},
      {longest + "e", "", AddressFault::kNotAnAddress},
      {local64 + "l@example.com", "", AddressFault::kNotAnAddress},
      {"a@" + label63 + "d.com", "", AddressFault::kNotAnAddress},
      // Nothing is picked out of a longer text.
      {"Dana Levi dana.levi@example.co.il;", "", AddressFault::kNotAnAddress},
      {"@@ a_b-c@x.y@z", "", AddressFault::kNotAnAddress},
      {"<dana@example.com", "", AddressFault::kNotAnAddress},
      {"Dana <dana@example.com> (office)", "", AddressFault::kNotAnAddress},
      {"<a@example.com>, <b@example.com>", "", AddressFault::kNotAnAddress},
      {"dana@localhost", "", AddressFault::kNotAnAddress},
      {"Dana <dana.example.com>", "", AddressFault::kNotAnAddress},
      {".dana@example.com", "", AddressFault::kNotAnAddress},
      {"da..na@example.com", "", AddressFault::kNotAnAddress},
      {"dana@-example.com", "", AddressFault::kNotAnAddress},
      {"dana@example..com", "", AddressFault::kNotAnAddress},
      {"dana@example.com.", "", AddressFault::kNotAnAddress},
      {"da na@example.com", "", AddressFault::kNotAnAddress},
      {"dana@example.com\r\nRCPT TO:<x@evil.example>", "", AddressFault::kNotAnAddress},
      {"", "", AddressFault::kNotAnAddress},
      {"\"dana levi\"@example.com", "", AddressFault::kQuoted},
      {"dana@[192.0.2.1]", "", AddressFault::kLiteral},
      {"דנה@example.com", "", AddressFault::kNonAscii},
      {"Dana <dana@bücher.example>", "", AddressFault::kNonAscii},
  };
  for (const Case& c : cases) {
    const FieldAddress found = AddressOfField(c.field);
    EXPECT_EQ(c.address, found.address) << c.field;
    EXPECT_EQ(c.fault, found.fault) << c.field;
  }
}

TEST(MailMessage, Base64) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},        {"f", "Zg=="},          {"fo", "Zm8="},
      {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}, {std::string("\0\xFF\xFE", 3), "AP/+"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(text, Base64(bytes));
}

TEST(MailMessage, SubjectIsPlainOnlyWhenShortAscii) {
  EXPECT_EQ("Trial balance 2023", EncodeSubject("Trial balance 2023"));
  EXPECT_EQ("=?UTF-8?B?15DXmded?=", EncodeSubject("אים"));
  EXPECT_EQ("=?UTF-8?B?YSA9P3ggYg==?=", EncodeSubject("a =?x b"));
  std::string long_hebrew;
  for (int i = 0; i < 40; ++i) long_hebrew += "מאזן בוחן ";
  const std::string encoded = EncodeSubject(long_hebrew);
  std::istringstream lines("Subject: " + encoded);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    EXPECT_LE(line.size(), 76u) << line;
    if (count > 1) {
      EXPECT_EQ(' ', line.front());
    }
  }
  EXPECT_GT(count, 5);
}

TEST(MailMessage, DatesInTheMailForm) {
  EXPECT_EQ("Thu, 01 Jan 1970 00:00:00 +0000", FormatMailDate(0, 0));
  EXPECT_EQ("Tue, 05 Mar 2024 16:07:09 +0200", FormatMailDate(1709647629, 120));
  EXPECT_EQ("Tue, 05 Mar 2024 09:07:09 -0500", FormatMailDate(1709647629, -300));
  EXPECT_EQ("Tue, 29 Feb 2000 05:30:00 +0530", FormatMailDate(951782400, 330));
  EXPECT_EQ("Wed, 31 Dec 1969 23:59:59 +0000", FormatMailDate(-1, 0));
}

TEST(MailMessage, HeadLinesInOrderEndedByAnEmptyLine) {
  const MailMessage message{"a@example.com", "b@example.org", "", "Thu, 01 Jan 1970 00:00:00 +0000",
                            NewMessageId("a@example.com", 0)};
  EXPECT_EQ(
      "Date: Thu, 01 Jan 1970 00:00:00 +0000\r\nFrom: a@example.com\r\nTo: b@example.org\r\n"
      "Message-ID: " +
          message.message_id +
          "\r\nMIME-Version: 1.0\r\n"
          "Content-Type: text/html; charset=windows-1255\r\nContent-Transfer-Encoding: base64\r\n"
          "X-Mailer: Norva Software SMTP Server\r\n\r\n",
      MessageHead(message));
  EXPECT_EQ(0u, message.message_id.find('<'));
  EXPECT_NE(std::string::npos, message.message_id.find(".0@example.com>"));
  EXPECT_NE(message.message_id, NewMessageId("a@example.com", 0));
}

// The body as the encoder must make it, computed the plain way from the whole report.
std::string WholeBody(std::string_view report) {
  std::string canonical;
  for (std::size_t i = 0; i < report.size(); ++i) {
    if (report[i] == '\r' || report[i] == '\n') {
      canonical += "\r\n";
      if (report[i] == '\r' && i + 1 < report.size() && report[i + 1] == '\n') ++i;
    } else {
      canonical += report[i];
    }
  }
  const std::string encoded = Base64(canonical);
  std::string body;
  for (std::size_t i = 0; i < encoded.size(); i += 76) body += encoded.substr(i, 76) + "\r\n";
  return body;
}

TEST(MailMessage, TheBodyIsTheSameHoweverTheReportIsCutIntoPieces) {
  std::mt19937 random(20240305);
  const char bytes[] = {'a', '\r', '\n', '.', '\xE0', '\0', '\xFF'};
  for (int round = 0; round < 300; ++round) {
    std::string report(random() % 700, ' ');
    for (char& c : report) c = bytes[random() % sizeof bytes];
    BodyEncoder encoder;
    std::string body;
    for (std::size_t at = 0; at < report.size();) {
      const std::size_t piece = std::min<std::size_t>(random() % 130, report.size() - at);
      encoder.Add(std::string_view(report).substr(at, piece), body);
      at += piece;
    }
    encoder.Finish(body);
    ASSERT_EQ(WholeBody(report), body) << "round " << round;
  }
}

TEST(PasswordScramble, NeverTheClearTextAndAlwaysReversible) {
  const std::string passwords[] = {"", "s3cret!", "סיסמא-עברית", std::string(200, 'x'),
                                   std::string("\0\xFF", 2)};
  for (const std::string& password : passwords) {
    const std::string stored = ScramblePassword(password);
    EXPECT_EQ(password, UnscramblePassword(stored));
    EXPECT_NE(stored, ScramblePassword(password)) << "the same text twice";
    if (password.size() > 2) {
      EXPECT_EQ(std::string::npos, stored.find(password));
      EXPECT_EQ(std::string::npos, stored.find(Base64(password).substr(0, 4)));
    }
  }
  EXPECT_EQ("", UnscramblePassword("s3cret!"));
  EXPECT_EQ("", UnscramblePassword("S00112233445566778"));
  EXPECT_EQ("", UnscramblePassword("S0011223344556677XY"));
}

TEST(RecentRecipients, TheLastTwentyMostRecentFirstOnceEach) {
  MemorySettings settings;
  for (int i = 0; i < 25; ++i) RememberRecipient(settings, "r" + std::to_string(i) + "@x.com");
  RememberRecipient(settings, "Dana <R7@X.com>");
  RememberRecipient(settings, "not an address");
  const std::vector<std::string> kept = ReadRecentRecipients(settings);
  ASSERT_EQ(20u, kept.size());
  EXPECT_EQ("Dana <R7@X.com>", kept[0]);
  EXPECT_EQ("r24@x.com", kept[1]);
  EXPECT_EQ("r8@x.com", kept[17]);
  EXPECT_EQ("r5@x.com", kept[19]);
}

// A connection that must never be opened.
class UnusedConnection final : public MailConnection {
 public:
  bool Connect(const std::string&, int) override { return ++connects, false; }
  bool StartTls() override { return false; }
  bool Encrypted() const override { return false; }
  bool ReadLine(std::string&) override { return false; }
  bool Write(std::string_view) override { return false; }
  void Drop() override {}
  std::string LocalAddress() const override { return {}; }
  bool PeerIsLoopback() const override { return false; }
  std::string ErrorText() const override { return "refused"; }
  int connects = 0;
};

TEST(SendMail, FieldsAreCheckedInOrderBeforeAnyConnection) {
  const std::string report = testing::TempDir() + "/mail_test_report.htm";
  std::ofstream(report) << "<Html></Html>\r\n";
  struct Case {
    const char* server;
    const char* sender;
    const char* recipient;
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {"localhost", "bad", "bad", report, std::string(mail_texts::kNeedServer)},
      {"smtp.example.com", "no address", "bad", report, std::string(mail_texts::kBadSender)},
      {"smtp.example.com", "a@example.com", "Dana <dana@localhost>", report,
       std::string(mail_texts::kBadRecipient)},
      {"smtp.example.com", "a@example.com", "dana@[192.0.2.1]", report,
       std::string(mail_texts::kBadRecipient) + "\n" + std::string(mail_texts::kAddressLiteral)},
      {"smtp.example.com", "a@example.com", "b@example.com", report + ".missing",
       std::string(mail_texts::kReportUnreadable) + report + ".missing"},
  };
  for (const Case& c : cases) {
    UnusedConnection connection;
    MailRequest request;
    request.server = c.server;
    request.sender = c.sender;
    request.recipient = c.recipient;
    request.report_path = c.path;
    const MailOutcome outcome = SendMail(request, connection);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(c.message, outcome.message);
    EXPECT_EQ(0, connection.connects);
  }
  UnusedConnection connection;
  MailRequest request;
  request.sender = "a@example.com";
  request.server = "smtp.example.com";
  request.recipient = "b@example.com";
  request.report_path = report;
  const MailOutcome outcome = SendMail(request, connection);
  EXPECT_EQ(1, connection.connects);
  EXPECT_EQ(std::string(mail_texts::kConnectFailed) + "\nrefused", outcome.message);
}

// A server that answers from a script; what the client writes is kept.
class ScriptedConnection final : public MailConnection {
 public:
  explicit ScriptedConnection(std::vector<std::string> replies) : replies_(std::move(replies)) {}
  bool Connect(const std::string&, int) override { return true; }
  bool StartTls() override { return false; }
  bool Encrypted() const override { return false; }
  bool ReadLine(std::string& line) override {
    if (next_ == replies_.size()) return false;
    line = replies_[next_++];
    return true;
  }
  bool Write(std::string_view bytes) override { return written.append(bytes), true; }
  void Drop() override { dropped = true; }
  std::string LocalAddress() const override { return "192.0.2.1"; }
  bool PeerIsLoopback() const override { return loopback; }
  std::string ErrorText() const override { return "closed"; }
  std::string written;
  bool dropped = false;
  bool loopback = false;

 private:
  std::vector<std::string> replies_;
  std::size_t next_ = 0;
};

TEST(SendMail, APlainConnectionToAnotherComputerEndsAfterEhloUnlessAllowedAndNeverLogsIn) {
  const std::string report = testing::TempDir() + "/mail_test_plain.htm";
  std::ofstream(report) << "<Html></Html>\r\n";
  struct Case {
    const char* allowed;
    const char* user_name;
    std::string message;
  };
  const std::string refused = std::string(mail_texts::kClearTextRefused) + "mail.example.com:25";
  const Case cases[] = {
      {"", "", refused},
      {"mail.example.com:587", "", refused},
      {"mail.example.com", "", refused},
      {"mail.example.com:25", "user", std::string(mail_texts::kNoEncryption)},
  };
  for (const Case& c : cases) {
    ScriptedConnection server(
        {"220 mail.example.com", "250-mail.example.com", "250 AUTH LOGIN PLAIN", "221 bye"});
    MailRequest request;
    request.sender = "a@example.com";
    request.server = "MAIL.Example.com:25";
    request.user_name = c.user_name;
    request.password = "secret";
    request.recipient = "b@example.com";
    request.report_path = report;
    request.clear_text_server = c.allowed;
    const MailOutcome outcome = SendMail(request, server);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(c.message, outcome.message) << c.allowed;
    EXPECT_EQ("EHLO [192.0.2.1]\r\nQUIT\r\n", server.written);
  }
}

// Stand-ins for read(2): the first call reads at most 100 bytes, the next one fails or finds
// the file at its end.
int reads = 0;
ssize_t ReadThenFail(int fd, void* buffer, std::size_t count) {
  if (++reads == 1) return ::read(fd, buffer, std::min<std::size_t>(count, 100));
  errno = EIO;
  return -1;
}
ssize_t ReadThenEnd(int fd, void* buffer, std::size_t count) {
  return ++reads == 1 ? ::read(fd, buffer, std::min<std::size_t>(count, 100)) : 0;
}

TEST(SendMail, AReportThatCannotBeReadToItsEndDropsTheConnectionBeforeTheMessageEnds) {
  const std::string report = testing::TempDir() + "/mail_test_cut.htm";
  std::ofstream(report) << std::string(1000, 'x');
  const std::pair<ReportReadCall, std::string> cases[] = {
      {ReadThenFail, std::strerror(EIO)},
      {ReadThenEnd, "the file ended after 100 of 1000 bytes"},
  };
  for (const auto& [read, reason] : cases) {
    ScriptedConnection server({"220 here", "250 here", "250 ok", "250 ok", "354 go on"});
    server.loopback = true;
    MailRequest request;
    request.sender = "a@example.com";
    request.server = "localhost.localdomain:2525";
    request.recipient = "b@example.com";
    request.report_path = report;
    reads = 0;
    const MailOutcome outcome = SendMail(request, server, read);
    EXPECT_FALSE(outcome.accepted);
    EXPECT_EQ(std::string(mail_texts::kReportReadFailed) + report + " (" + reason + ")",
              outcome.message);
    EXPECT_TRUE(server.dropped);
    EXPECT_NE(std::string::npos, server.written.find("DATA\r\n"));
    EXPECT_EQ(std::string::npos, server.written.find("\r\n.\r\n"));
  }
}

// The checks report of three findings in the e-mail form, printed on a fixed date.
std::string WriteFixedReport(const std::string& path) {
  const std::string rows[] = {
      MakeRow(RowStatus::kHeading, {"בדיקת איזון מאזן בוחן\u200E"}),
      MakeRow(RowStatus::kInfo,
              {"סה'כ סכומי מאזן בוחן", "2,522,083.41\x1C", "2,522,083.41\x1D", "0.00\x1C"}),
      MakeRow(RowStatus::kError, {"סה'כ למנה 7", "39,045.50\x1C", "39,040.50\x1D", "5.00\x1C"}),
  };
  ReportHeader header;
  header.company = "מאפיית הגליל <בע\"מ>";
  header.second_line = "רחוב הרצל 1 חיפה";
  header.dealer_number = "123456782";
  header.fiscal_year = 2024;
  header.print_date = {2025, 1, 15};
  ReportFile file;
  if (const Status opened = ReportFile::Open(path, {}, file); !opened.ok()) return opened.message();
  FileSink sink(std::move(file));
  HtmlReportWriter writer(HtmlForm::kMail, sink);
  SilentProgress silent;
  const PrintFonts fonts = DefaultPrintFonts();
  ReportStream stream(header, fonts, {&writer}, silent);
  EXPECT_TRUE(WriteChecksReport(rows, stream));
  const Status ended = stream.End();
  return ended.ok() ? std::string() : ended.message();
}

// What the client wrote after DATA, up to and including the closing ".".
std::string MessageOnTheWire(const std::string& written) {
  const std::size_t data = written.find("DATA\r\n");
  const std::size_t end = written.find("\r\n.\r\n");
  if (data == std::string::npos || end == std::string::npos) return {};
  return written.substr(data + 6, end + 5 - (data + 6));
}

// The whole message as a receiver gets it, for a report fixed to the byte and a fixed date,
// offset and Message-ID. On a difference, or with no reference, the message sent is left
// among the test's temporary files, to be reviewed and copied over the reference when the
// change is meant.
TEST(SendMail, TheMessageOfAFixedReportEqualsItsGoldenFile) {
  const std::string report = testing::TempDir() + "/mail_test_checks.htm";
  ASSERT_EQ("", WriteFixedReport(report));
  ScriptedConnection server(
      {"220 here", "250 here", "250 ok", "250 ok", "354 go on", "250 taken", "221 bye"});
  server.loopback = true;
  MailRequest request;
  request.sender = "audit@example.com";
  request.server = "mail.example.com:2525";
  request.recipient = "דנה לוי <dana@example.org>";
  request.subject = "תוצאות בדיקות תקינות";
  request.report_path = report;
  request.now = 1736937000;
  request.utc_offset_minutes = 120;
  request.message_id = "<4f1c2a.1736937000@example.com>";
  const MailOutcome outcome = SendMail(request, server);
  ASSERT_TRUE(outcome.accepted) << outcome.message;
  const std::string actual = MessageOnTheWire(server.written);
  ASSERT_NE("", actual);

  const std::string golden = TALLYSCAN_SOURCE_DIR "/tests/golden/mail/checks_report.eml";
  const std::string sent = testing::TempDir() + "/checks_report.eml";
  std::ifstream in(golden, std::ios::binary);
  const std::string expected((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (actual == expected) return;
  std::ofstream(sent, std::ios::binary) << actual;
  if (!in) GTEST_SKIP() << "no reference " << golden << "; the message sent is in " << sent;
  ADD_FAILURE() << "the message differs from " << golden << "; the one sent is in " << sent;
}

}  // namespace
}  // namespace tallyscan
