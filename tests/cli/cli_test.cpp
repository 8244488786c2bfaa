// Runs of the real sievra-cli program: its bytes against the engine's for the same
// settings, its exit statuses and its messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli_runner.h"
#include "test_support.h"

namespace sievra::testing {
namespace {

const std::string kText = "b\r\na\r\nb\r\n\r\nc\ra\r\nx\ny\r\n\r\nb";
const std::string kLog =
    "N0CALL>APRS,WIDE1-1,WIDE2-1:hello\r\nn0call-9>APRS,RELAY*:hello\r\nK1ABC>APRS:hello\r\n"
    "N0CALL>APRS:world\r\nN0CALL>APRS,WIDE2-2:world\r\nn0call>BEACON,WIDE1-1:bye\r\nno colon\r\n";

const std::string kPrefixedLog =
    "2020-11-07 09:38:16 EST: W3EAX-10>APLIGA,K3TLB-13*,qAR,K3DO-11:/143807h3942.06N\r\n"
    "2020-11-07 09:38:18 EST: W3EAX-10>APLIGA,WIDE1*,qAR,N3KTX:/143807h3942.06N\r\n"
    "[0.3] W3EAX-11>APLIGA,WIDE1*:/143812h3942.10N\r\n";

struct SameBytesCase {
  const char* name;
  std::vector<std::string> args;
  const std::string* input;
  FileType type;
  const char* call;
  bool strip;
  LineEnd lineEnd;
  bool prefixes = true;
};

const SameBytesCase kSameBytes[] = {
    {"text_by_default", {}, &kText, FileType::Text, "", false, LineEnd::CrLf},
    {"text_with_lf", {"--lf"}, &kText, FileType::Text, "", false, LineEnd::Lf},
    {"packet_without_callsign", {"--packet"}, &kLog, FileType::Packet, "", false, LineEnd::CrLf},
    {"packet_callsign_and_cut",
     {"--packet", "--call", "n0call", "--strip"},
     &kLog,
     FileType::Packet,
     "n0call",
     true,
     LineEnd::CrLf},
    {"packet_callsign_attached_lf",
     {"--lf", "--call=N0CALL-9", "--packet"},
     &kLog,
     FileType::Packet,
     "N0CALL-9",
     false,
     LineEnd::Lf},
    {"packet_log_read_as_text", {"--text"}, &kLog, FileType::Text, "", false, LineEnd::CrLf},
    {"prefixed_log_callsign_and_cut",
     {"--packet", "--call", "w3eax-10", "--strip"},
     &kPrefixedLog,
     FileType::Packet,
     "w3eax-10",
     true,
     LineEnd::CrLf},
    {"prefixed_log_read_whole",
     {"--packet", "--no-prefix"},
     &kPrefixedLog,
     FileType::Packet,
     "",
     false,
     LineEnd::CrLf,
     false},
    {"nothing_kept_other_station",
     {"--packet", "--call", "K9XYZ"},
     &kLog,
     FileType::Packet,
     "K9XYZ",
     false,
     LineEnd::CrLf},
};

void PrintTo(const SameBytesCase& c, std::ostream* os) { *os << c.name; }

class CliSameBytes : public ::testing::TestWithParam<SameBytesCase> {};

// The command line and the window's engine must write the same bytes and agree on
// whether anything was kept, from a file to a file and from a pipe to a pipe.
TEST_P(CliSameBytes, AsTheEngineWrites) {
  const SameBytesCase& c = GetParam();
  EngineFixture engine;
  engine.settings.lineEnd = c.lineEnd;
  engine.settings.logPrefixes = c.prefixes;
  engine.Run(*c.input, c.type == FileType::Packet, c.call, c.strip);
  const bool kept = engine.result.outcome == RunOutcome::Completed;
  ASSERT_TRUE(kept || engine.result.outcome == RunOutcome::NothingKept) << MessageOf(engine.result);
  const std::string expected = kept ? engine.Output() : "";

  TempDir dir;
  WriteBytes(dir.File("in.txt"), *c.input);
  std::vector<std::string> args = c.args;
  args.insert(args.end(), {dir.File("in.txt"), "-o", dir.File("out.txt")});
  const CliRun toFile = RunCli(args);
  EXPECT_EQ(toFile.status, kept ? 0 : 1) << toFile.err;
  EXPECT_EQ(ReadBytes(dir.File("out.txt")), expected);
  EXPECT_EQ(toFile.out, "");

  const CliRun piped = RunCli(c.args, *c.input);
  EXPECT_EQ(piped.status, kept ? 0 : 1) << piped.err;
  EXPECT_EQ(piped.out, expected);
}

INSTANTIATE_TEST_SUITE_P(Cli, CliSameBytes, ::testing::ValuesIn(kSameBytes),
                         [](const auto& row) { return std::string(row.param.name); });

struct StatusCase {
  const char* name;
  std::vector<std::string> args;  // "@" stands for the scratch folder
  std::string input;              // standard input
  int status;
  std::string errHas;  // expected in standard error; empty: standard error stays empty
  std::string outHas;  // expected in standard output
};

const StatusCase kStatuses[] = {
    {"help", {"--help"}, "", 0, "", "Usage: sievra-cli [OPTION]... [INPUT]"},
    {"help_wins_over_later_trouble", {"-h", "--bogus"}, "", 0, "", "--packet"},
    {"version", {"--version"}, "", 0, "", "sievra-cli 1.00"},
    {"explicit_standard_streams", {"-", "-o", "-"}, "a\ra\r", 0, "", "a\r\n"},
    {"empty_input_keeps_nothing", {}, "", 1, "sievra-cli: No lines were kept", ""},
    {"quiet_hides_nothing_kept", {"-q"}, "", 1, "", ""},
    {"stats_text",
     {"--stats"},
     "b\r\na\r\nb\r\n\r\nc\ra\r\n",
     0,
     "sievra-cli: Read 6 lines; kept 4; removed 2 duplicates in ",
     "b\r\n"},
    {"stats_packet_skipped",
     {"--stats", "--packet", "--call", " n0call "},
     kLog,
     0,
     "; kept 3; removed 2 duplicates; skipped 2 lines not from N0CALL in ",
     ""},
    {"stats_prefixed",
     {"--stats", "--packet"},
     kPrefixedLog,
     0,
     "; kept 2; removed 1 duplicate in ",
     "2020-11-07 09:38:16 EST: W3EAX-10>APLIGA,K3TLB-13*"},
    {"stats_prefixed_counts",
     {"--stats", "--packet"},
     kPrefixedLog,
     0,
     " (2 lines had a time stamp and 1 a tag before the frame)",
     ""},
    {"stats_nothing_kept",
     {"--stats"},
     "",
     1,
     "sievra-cli: Read 0 lines; kept none; the output file was not written.",
     ""},
    {"stats_quiet", {"--stats", "--quiet"}, "a\r", 0, "", "a\r\n"},
    {"progress_asked_for", {"--progress"}, "a\r", 0, "sievra-cli: writing 100% (", "a\r\n"},
    {"progress_quiet", {"--progress", "-q"}, "a\r", 0, "", "a\r\n"},
    {"bad_option", {"--bogus"}, "", 2, "sievra-cli: unknown option '--bogus'", ""},
    {"value_on_a_flag", {"--lf=yes"}, "", 2, "option '--lf' takes no value", ""},
    {"standard_input_twice", {"-", "-"}, "", 2, "standard input ('-') may be given only once", ""},
    {"bad_keep_rule",
     {"--keep", "newest"},
     "",
     2,
     "sievra-cli: option '--keep' takes first, last, once or repeated, not 'newest'",
     ""},
    {"output_without_name", {"-o"}, "", 2, "option '-o' needs a file name", ""},
    {"empty_output_name", {"--output="}, "", 2, "empty file name", ""},
    {"call_without_packet", {"--call", "N0CALL"}, "", 2, "apply to --packet runs only", ""},
    {"no_prefix_without_packet", {"--no-prefix"}, "", 2, "apply to --packet runs only", ""},
    {"missing_input",
     {"@/missing.txt"},
     "",
     2,
     "sievra-cli: Cannot read the input file \"@/missing.txt\": ",
     ""},
    {"folder_as_input", {"@"}, "", 2, "sievra-cli: Cannot read the input file \"@\"", ""},
    {"output_in_missing_folder",
     {"-o", "@/none/out.txt"},
     "a\r",
     2,
     "sievra-cli: Cannot write the output file \"@/none/out.txt\": ",
     ""},
};

std::string WithFolder(std::string text, const std::string& folder) {
  for (std::size_t at = text.find('@'); at != std::string::npos;
       at = text.find('@', at + folder.size()))
    text.replace(at, 1, folder);
  return text;
}

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class CliStatus : public ::testing::TestWithParam<StatusCase> {};

TEST_P(CliStatus, ExitStatusAndOneLineOfWords) {
  const StatusCase& c = GetParam();
  TempDir dir;
  const std::string folder = dir.Path().string();
  std::vector<std::string> args;
  for (const std::string& arg : c.args) args.push_back(WithFolder(arg, folder));
  const CliRun run = RunCli(args, c.input);
  EXPECT_EQ(run.status, c.status) << run.err;
  if (c.errHas.empty()) {
    EXPECT_EQ(run.err, "");
  } else {
    EXPECT_NE(run.err.find(WithFolder(c.errHas, folder)), std::string::npos) << run.err;
    // grep's habit: trouble is one line, not a usage page.
    if (c.status != 0) {
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
  }
  EXPECT_NE(run.out.find(c.outHas), std::string::npos) << run.out;
  EXPECT_EQ(dir.Listing(), std::vector<std::string>{}) << "left behind in the folder";
}

INSTANTIATE_TEST_SUITE_P(Cli, CliStatus, ::testing::ValuesIn(kStatuses),
                         [](const auto& row) { return std::string(row.param.name); });

using Files = std::vector<std::pair<std::string, std::string>>;  // name, bytes

struct RulesCase {
  const char* name;
  Files files;                    // in the scratch folder before the run
  std::vector<std::string> args;  // "@" stands for the scratch folder
  std::string input;              // standard input
  int status;
  std::string out;     // standard output, exactly
  std::string errHas;  // expected in standard error; empty: standard error stays empty
  Files written;       // every file the run leaves in the folder, with its bytes
};

const std::string kCaseFolded = "B\r\na\r\nb\r\nc\r\n";

const RulesCase kRules[] = {
    // The first file's last line ends at its end, not in the second's first line.
    {"two_inputs_read_as_one",
     {{"in1.txt", "a\r\nb"}, {"in2.txt", "b\r\na\r\nc"}},
     {"@/in1.txt", "@/in2.txt"},
     "",
     0,
     "a\r\nb\r\nc\r\n",
     "",
     {}},
    {"file_then_standard_input",
     {{"in1.txt", "a\r\nb"}},
     {"@/in1.txt", "-"},
     "b\nc",
     0,
     "a\r\nb\r\nc\r\n",
     "",
     {}},
    {"keep_last", {}, {"--keep", "last", "--lf"}, "b\na\nb\nc\na\n", 0, "b\nc\na\n", "", {}},
    {"keep_once", {}, {"--keep=once", "--lf"}, "b\na\nb\nc\na\n", 0, "c\n", "", {}},
    {"keep_repeated", {}, {"--keep", "repeated", "--lf"}, "b\na\nb\nc\na\n", 0, "b\na\n", "", {}},
    {"ignore_case_and_spacing",
     {},
     {"--ignore-case", "--ignore-spacing", "--lf"},
     "A  b\na b \n\tA B\nc\n",
     0,
     "A  b\nc\n",
     "",
     {}},
    // Its first two frames share a payload, stamped two seconds apart.
    {"packet_window_keeps_both",
     {},
     {"--packet", "--window", "1"},
     kPrefixedLog,
     0,
     kPrefixedLog,
     "",
     {}},
    {"missing_second_input_writes_nothing",
     {{"in1.txt", "a\r\n"}},
     {"@/in1.txt", "@/missing.txt", "-o", "@/out.txt", "--removed", "@/removed.txt"},
     "",
     2,
     "",
     "sievra-cli: Cannot read the input file \"@/missing.txt\": ",
     {}},
    {"reports_beside_the_output",
     {{"in.txt", kCaseFolded}},
     {"--ignore-case", "--keep", "last", "@/in.txt", "-o", "@/out.txt", "--removed",
      "@/out.removed.txt", "--counts", "@/out.counts.csv"},
     "",
     0,
     "",
     "",
     {{"out.txt", "a\r\nb\r\nc\r\n"},
      {"out.removed.txt", "B\r\n"},
      {"out.counts.csv", "line,count,first_line,last_line\r\n2,1,2,2\r\n3,2,1,3\r\n4,1,4,4\r\n"}}},
    // Kept lines on standard output do not stop the reports going to their files.
    {"report_beside_standard_output",
     {},
     {"--ignore-case", "--removed", "@/removed.txt"},
     kCaseFolded,
     0,
     "B\r\na\r\nc\r\n",
     "",
     {{"removed.txt", "b\r\n"}}},
    {"report_in_missing_folder_writes_nothing",
     {},
     {"-o", "@/out.txt", "--removed", "@/none/removed.txt"},
     "a\r\na\r\n",
     2,
     "",
     "sievra-cli: Cannot write the report file \"@/none/removed.txt\": ",
     {}},
};

void PrintTo(const RulesCase& c, std::ostream* os) { *os << c.name; }

class CliRules : public ::testing::TestWithParam<RulesCase> {};

TEST_P(CliRules, OutputReportsAndStatus) {
  const RulesCase& c = GetParam();
  TempDir dir;
  const std::string folder = dir.Path().string();
  std::vector<std::string> expectedListing;
  for (const auto& [name, bytes] : c.files) {
    WriteBytes(dir / name, bytes);
    expectedListing.push_back(name);
  }
  std::vector<std::string> args;
  for (const std::string& arg : c.args) args.push_back(WithFolder(arg, folder));
  const CliRun run = RunCli(args, c.input);
  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_EQ(run.out, c.out);
  if (c.errHas.empty()) {
    EXPECT_EQ(run.err, "");
  } else {
    EXPECT_NE(run.err.find(WithFolder(c.errHas, folder)), std::string::npos) << run.err;
  }
  for (const auto& [name, bytes] : c.written) {
    EXPECT_EQ(ReadBytes(dir / name), bytes) << name;
    expectedListing.push_back(name);
  }
  std::sort(expectedListing.begin(), expectedListing.end());
  EXPECT_EQ(dir.Listing(), expectedListing);
}

INSTANTIATE_TEST_SUITE_P(Cli, CliRules, ::testing::ValuesIn(kRules),
                         [](const auto& row) { return std::string(row.param.name); });

// With -o, an old output survives every run that does not complete.
TEST(CliOutputFile, UntouchedUnlessLinesWereKept) {
  TempDir dir;
  const std::string out = dir.File("out.txt");
  const std::string old = "old output\r\n";
  for (const auto& [args, input] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"--packet", "-o", out}, "no colon here\r\n"},
           {{"-o", out, dir.File("missing.txt")}, ""},
           {{"-o", out}, ""}}) {
    WriteBytes(out, old);
    const CliRun run = RunCli(args, input);
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(ReadBytes(out), old) << run.err;
    EXPECT_EQ(dir.Listing(), std::vector<std::string>{"out.txt"});
  }
}

}  // namespace
}  // namespace sievra::testing
