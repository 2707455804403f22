// tallyscan-cli as scripts see it: exit codes, usage, help, Ctrl-C, and the choices of the
// commands that the golden outputs (tests/golden) do not cover. What the commands print is
// compared byte for byte there, and the JSON and CSV forms against the raw one in
// formats_test.py.
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/cli_runner.h"
#include "engine/common/version.h"

namespace tallyscan {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// Two generated sets shared by every test: one without faults and one whose import and
// checks both find some.
class CommandLineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sets_ = new testing::TempFolder;
    const std::string gen = std::string(TALLYSCAN_GEN) + " --quiet --movements 300 --documents 40";
    ASSERT_EQ(0, std::system((gen + " " + Valid()).c_str()));
    ASSERT_EQ(0, std::system((gen + " --fault bad-numeric --fault control-char" +
                              " --fault missing-cheque " + Faults())
                                 .c_str()));
  }
  static void TearDownTestSuite() { delete sets_; }

  static std::string Valid() { return sets_->File("valid"); }
  static std::string Faults() { return sets_->File("faults"); }
  // The data-file line the generator put a fault into, from its manifest.
  static std::string FaultLine(const std::string& fault) {
    for (const std::string& line : Lines(testing::ReadFile(Faults() + "/MANIFEST.TSV"))) {
      const std::string prefix = fault + "\tBKMVDATA.TXT\t";
      if (line.starts_with(prefix)) {
        return line.substr(prefix.size(), line.find('\t', prefix.size()) - prefix.size());
      }
    }
    return "0";
  }

  testing::CliRun Run(const std::string& arguments) { return testing::RunCli(arguments, scratch_); }

  static testing::TempFolder* sets_;
  testing::TempFolder scratch_;
};

testing::TempFolder* CommandLineTest::sets_ = nullptr;

TEST_F(CommandLineTest, ExitCodes) {
  struct Case {
    std::string arguments;
    int exit_code;
    std::string printed;  // a part of stdout, or of stderr when the exit code is not 0 or 3
  };
  const std::string valid = Valid(), faults = Faults();
  const std::string faulty_line = FaultLine("bad-numeric");
  const std::vector<Case> cases = {
      // completed, with or without findings
      {"import " + valid, 0, "ok  "},
      {"import --fail-on-findings " + valid, 0, "ok  "},
      {"import --fail-on-findings --format json " + faults, 3, "\"completed\":true"},
      {"check --format csv " + faults, 0, "\xEF\xBB\xBFok,"},
      {"check --fail-on-findings " + valid, 0, "ok  "},
      {"check --threads 1 --fail-on-findings " + valid, 0, "ok  "},
      {"view index --threads 3 --raw " + valid, 0, "\t"},
      {"summary records --threads 2 --raw " + valid, 0, "\t"},
      {"check --fail-on-findings --raw " + faults, 3, "\n1\t"},
      {"detail --fail-on-findings " + valid + "/BKMVDATA.TXT 2", 0, "info  1400"},
      {"detail --fail-on-findings " + faults + "/BKMVDATA.TXT " + faulty_line, 3, "error  "},
      // a failed file check, unreadable input, what was asked for not there
      {"import " + scratch_.path(), 1, "קובץ האתחול אינו קיים בספריה שצויינה\n"},
      {"check " + scratch_.path(), 1, "קובץ האתחול אינו קיים בספריה שצויינה\n"},
      {"detail " + valid + "/INI.TXT 9999", 1, "lines, no line 9999"},
      {"detail " + scratch_.File("NOPE.TXT") + " 1", 1, "cannot read"},
      {"isam dump " + scratch_.File("NOPE.IDX"), 1, "cannot open"},
      // usage
      {"", 2, "usage: tallyscan-cli COMMAND"},
      {"reprot " + valid, 2, "unknown command reprot (did you mean report?)"},
      {"chek " + valid, 2, "unknown command chek (did you mean check?)"},
      {"xyzzy " + valid, 2, "unknown command xyzzy\n"},
      // a mistyped option names the nearest of the command's own
      {"import --formt json " + valid, 2,
       "import: unknown option --formt (did you mean --format?)"},
      {"check --item B2 " + valid, 2, "(did you mean --items?)"},
      {"view index --srot 2 " + valid, 2, "view: unknown option --srot (did you mean --sort?)"},
      {"report checks --format htm --out - --tread 2 " + valid, 2, "(did you mean --threads?)"},
      {"transfer --to x --acounts " + valid, 2, "(did you mean --accounts?)"},
      {"jet --print-parms", 2, "(did you mean --print-params?)"},
      {"detail --threads 2 x 1", 2, "detail: unknown option --threads\n"},
      {"fields --xyzzy " + valid, 2, "fields: unknown option --xyzzy\nusage: tallyscan-cli fields"},
      {"report " + valid, 2,
       "the report is index, ledger, document, items, checks, import, jet, fields, "
       "summary-documents, summary-records, portfolio or compare"},
      {"report compare --format htm --out - " + valid, 2,
       "the two data folders, PRIOR and CURRENT, are needed"},
      {"report compare --format htm --out - " + valid + " " + valid + " " + valid, 2,
       "unexpected argument"},
      {"fields --record A000 " + valid, 2, "--record takes a record type of the data file"},
      {"fields", 2, "the data folder is missing"},
      {"summary totals " + valid, 2, "the summary is documents or records"},
      {"summary " + valid, 2, "the summary is documents or records"},
      {"import", 2, "usage: tallyscan-cli import"},
      {"import " + valid + " " + faults, 2, "unexpected argument"},
      {"import --format xml " + valid, 2, "--format takes"},
      {"import " + valid + " --format", 2, "--format takes"},
      {"check --items B9 " + valid, 2, "items are B1-B8"},
      {"check --items X1 " + valid, 2, "items are"},
      {"check --items B2, " + valid, 2, "items are"},
      {"check --items", 2, "usage: tallyscan-cli check"},
      {"import --threads 0 " + valid, 2, "--threads takes a whole number from 1"},
      {"check --threads x " + valid, 2, "--threads takes"},
      {"view index " + valid + " --threads", 2, "--threads takes"},
      {"report import --format htm --out - --threads 1025 " + valid, 2, "--threads takes"},
      {"transfer --to " + scratch_.path() + " --threads -1 " + valid, 2, "--threads takes"},
      {"jet --threads 0 " + valid, 2, "--threads takes"},
      {"fields --threads two " + valid, 2, "--threads takes"},
      {"summary records --threads 2000 " + valid, 2, "--threads takes"},
      {"detail " + valid + "/INI.TXT", 2, "usage: tallyscan-cli detail"},
      {"detail " + valid + "/INI.TXT 0", 2, "whole number from 1"},
      {"isam", 2, "usage: tallyscan-cli isam dump FILE"},
      // help and version
      {"--help", 0, "130  interrupted"},
      {"import --help", 0, "usage: tallyscan-cli import [--format F]"},
      {"check " + valid + " --help", 0, "--items LIST"},
      {"detail --help", 0, "  3    completed with findings"},
      {"isam --help", 0, "usage: tallyscan-cli isam dump FILE"},
      {"companies --help", 0, "usage: tallyscan-cli companies [--root DIR]"},
      {"jet --help", 0,
       "\n  --digit-lines TEST POPULATION DIGIT\n                       the lines"},
      {"report --help", 0, "\n  --out FILE           the file written"},
      {"--version", 0, "tallyscan-cli " + std::string(ProgramVersion()) + "\n"},
  };
  for (const Case& c : cases) {
    const testing::CliRun run = Run(c.arguments);
    EXPECT_EQ(c.exit_code, run.exit_code) << c.arguments << "\n" << run.err;
    const bool on_stdout = c.exit_code == 0 || c.exit_code == 3;
    EXPECT_NE(std::string::npos, (on_stdout ? run.out : run.err).find(c.printed))
        << c.arguments << "\nstdout: " << run.out.substr(0, 300) << "\nstderr: " << run.err;
    if (!on_stdout) {
      EXPECT_EQ("", run.out) << c.arguments;
    }
  }
}

// Each command's help lists every option its usage line names, and every option the help
// lists is one the command takes.
TEST_F(CommandLineTest, EachCommandsHelpListsTheOptionsItTakes) {
  const auto options_in = [](const std::string& text) {
    std::vector<std::string> found;
    for (std::size_t at = 0; (at = text.find("--", at)) != std::string::npos;) {
      std::size_t end = at + 2;
      while (end < text.size() &&
             (std::islower(static_cast<unsigned char>(text[end])) || text[end] == '-')) {
        ++end;
      }
      if (end > at + 2) found.push_back(text.substr(at, end - at));
      at = end;
    }
    return found;
  };
  std::vector<std::string> commands;
  for (const std::string& line : Lines(Run("--help").out)) {
    if (line.starts_with("  tallyscan-cli ")) {
      commands.push_back(line.substr(16, line.find(' ', 16) - 16));
    }
  }
  ASSERT_GE(commands.size(), 11u);
  for (const std::string& command : commands) {
    const testing::CliRun help = Run(command + " --help");
    ASSERT_EQ(0, help.exit_code) << command;
    const std::size_t listed_from = help.out.find("\noptions:\n");
    const std::string usage = help.out.substr(0, help.out.find("\n\n"));
    const std::string listed = listed_from == std::string::npos ? "" : help.out.substr(listed_from);
    for (const std::string& option : options_in(usage)) {
      EXPECT_NE(std::string::npos, listed.find("\n  " + option + " ")) << command << " " << option;
    }
    for (const std::string& line : Lines(listed)) {
      if (!line.starts_with("  --")) continue;
      const std::string option = line.substr(2, line.find(' ', 2) - 2);
      const testing::CliRun run = Run(command + " " + option + " x x x x x");
      EXPECT_EQ(std::string::npos, run.err.find("unknown option")) << command << " " << option;
    }
  }
}

TEST_F(CommandLineTest, CtrlCPrintsTheRowsSoFarAndExits130) {
  const testing::CliRun import =
      testing::RunCliInterrupted("import --format json " + Valid(), scratch_);
  EXPECT_EQ(130, import.exit_code) << import.err;
  EXPECT_TRUE(import.out.starts_with("{\"command\":\"import\"")) << import.out.substr(0, 200);
  EXPECT_NE(std::string::npos, import.out.find("\"completed\":false"));
  EXPECT_NE(
      std::string::npos,
      import.out.find("\n{\"status\":\"stopped\",\"cells\":[{\"text\":\"קריאת הקובץ הופרעה\""));

  // The check stopped while it imports prints the import's rows so far.
  const testing::CliRun check = testing::RunCliInterrupted("check --raw " + Valid(), scratch_);
  EXPECT_EQ(130, check.exit_code) << check.err;
  EXPECT_TRUE(check.out.starts_with("4\tקריאת הקובץ הופרעה\u200E\n")) << check.out.substr(0, 200);
}

TEST_F(CommandLineTest, TextFormShowsStatusWordsWithoutMarkers) {
  for (const std::string& arguments :
       {"import " + Faults(), "check " + Faults(), "detail " + Faults() + "/INI.TXT 1",
        "detail " + Faults() + "/BKMVDATA.TXT " + FaultLine("bad-numeric")}) {
    const testing::CliRun run = Run(arguments);
    ASSERT_EQ(0, run.exit_code) << arguments;
    for (const std::string& line : Lines(run.out)) {
      const std::string word = line.substr(0, line.find(' '));
      EXPECT_TRUE(word == "ok" || word == "error" || word == "info") << arguments << ": " << line;
      EXPECT_EQ(std::string::npos, line.find_first_of("\t\x1C\x1D")) << arguments << ": " << line;
      EXPECT_EQ(std::string::npos, line.find("\u200E")) << arguments << ": " << line;
    }
    EXPECT_TRUE(run.err.empty()) << run.err;  // no bar when stderr is not a terminal
  }
}

TEST_F(CommandLineTest, ItemsChooseTheChecks) {
  const testing::CliRun run = Run("check --raw --items B2 " + Valid());
  EXPECT_EQ(0, run.exit_code) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(5u, lines.size()) << run.out;
  EXPECT_EQ("0\tבדיקת איזון אינדקס\u200E", lines[1]);
  EXPECT_EQ("3\tיתרות האינדקס מאוזנות", lines[3]);

  // D1 stands for the whole documents list.
  const testing::CliRun documents = Run("check --raw --items D1 " + Faults());
  EXPECT_EQ(0, documents.exit_code);
  EXPECT_EQ(std::string::npos, documents.out.find("בדיקת איזון אינדקס"));
  EXPECT_NE(std::string::npos, documents.out.find("\n0\tבדיקת תעודות\u200E\n"));
  EXPECT_NE(std::string::npos, documents.out.find(" לא מצויינת מספר ההמחאה"));

  const testing::CliRun nothing = Run("check --raw --items D3 " + Faults());
  EXPECT_EQ(std::string::npos, nothing.out.find(" לא מצויינת מספר ההמחאה"));
}

TEST_F(CommandLineTest, StatsGoToStderr) {
  const testing::CliRun run = Run("import --stats --raw " + Valid());
  EXPECT_EQ(0, run.exit_code);
  EXPECT_TRUE(run.out.starts_with("0\tהקובץ נקרא בהצלחה\u200E\n"));
  EXPECT_NE(std::string::npos, run.err.find("lines/s"));
  EXPECT_NE(std::string::npos, run.err.find("peak memory"));
}

}  // namespace
}  // namespace tallyscan
