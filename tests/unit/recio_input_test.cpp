#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "recio/connect.h"
#include "recio/freeform.h"
#include "recio/input.h"
#include "recio/report.h"
#include "runtime/fpenv.h"
#include "tests/support/child_run.h"

namespace zel::recio {
namespace {

// A stream over bytes in memory, handed out `chunk` bytes per read.
struct Source {
  std::string bytes;
  std::size_t chunk = kFileBlock;
  std::size_t at = 0;
  int reads = 0;
  static long Read(void* context, char* buffer, std::size_t size) {
    auto& s = *static_cast<Source*>(context);
    ++s.reads;
    std::size_t n = std::min({size, s.chunk, s.bytes.size() - s.at});
    s.bytes.copy(buffer, n, s.at);
    s.at += n;
    return static_cast<long>(n);
  }
};

ByteStream StreamOver(Source& source, bool console = false, bool terminal = false) {
  ByteStream stream;
  stream.read = &Source::Read;
  stream.read_context = &source;
  stream.block = console ? kConsoleBlock : kFileBlock;
  stream.console = console;
  stream.terminal = terminal;
  stream.limit_typed_line = console;
  return stream;
}

// Shortest round-trip text; "u" for a value left unchanged.
std::string Show(float v) {
  if (v == -99.0f) return "u";
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

// Reads pairs as the program does: "(t,c)" per complete pair, "[t]eof" for
// end of file after the time, "eof", or "E<number>" for a failure.
std::string ReadPairs(const std::string& bytes, std::size_t chunk) {
  Source source{bytes, chunk};
  ByteStream stream = StreamOver(source);
  std::string out;
  for (int guard = 0; guard < 100; ++guard) {
    FreeFormState state;
    float t = -99.0f, c = -99.0f;
    int status = ScanReal(stream, state, t);
    if (status == kEndOfFile) return out + "eof";
    if (status == 0) status = ScanReal(stream, state, c);
    if (status == kEndOfFile) return out + "[" + Show(t) + "]eof";
    if (status == 0) status = FinishRecord(stream, state);
    if (status != 0) return out + "E" + std::to_string(status);
    out += "(" + Show(t) + "," + Show(c) + ")";
  }
  return out + "...";
}

TEST(FreeFormRead, PairsAlikeWhateverTheReadSizes) {
  const std::string kLong(600, '1');
  struct Row { std::string input, pairs; } rows[] = {
      {"0 0\n1.5,2.5\n3 4\n", "(0,0)(1.5,2.5)(3,4)eof"},
      {"0 0\r\n1.5,2.5\r\n3 4\r\n", "(0,0)(1.5,2.5)(3,4)eof"},
      {"0 0\r1.5,2.5\r3 4\r", "(0,0)(1.5,2.5)(3,4)eof"},  // a lone CR is a line end
      {"1.0\n2.0\n\n\n3\n\n4\n", "(1,2)(3,4)eof"},
      {"1 2 3\n4 5\n", "(1,2)(4,5)eof"},
      {"2*5.0\n", "(5,5)eof"},
      {",7.0\n", "(u,7)eof"},
      {"1.0,,2.0\n", "(1,u)eof"},
      {"1.0 /\n3 4\n", "(1,u)(3,4)eof"},
      {"1e3 2d-1\n1.5-3 2+1\n", "(1000,0.2)(0.0015,20)eof"},
      {"5 6", "(5,6)eof"},
      {"5\n", "[5]eof"},
      {"1 , 2\n1\t,2\n1,\t2\n", "(1,2)(1,2)(1,2)eof"},
      {"1 ,,2\n, ,\n", "(1,u)(u,u)eof"},
      {"3*1\n7 8\n", "(1,1)(7,8)eof"},             // a repeat count ends with its statement
      {"2* 9\n2*,9\n2*\n9 8\n", "(u,u)(u,u)(u,u)(9,8)eof"},
      {"1*5 6\n+2*4\n", "(5,6)(4,4)eof"},
      {"2*/\n2*7/\n", "(u,u)(7,7)eof"},            // the repeat is served before the slash
      {"3.40282346638528859811704183484516925440e38 -1e-50\n", "(3.4028235e+38,-0)eof"},
      {"t c\n", "E6103"},
      {"5 6\n\x1a", "(5,6)E6103"},                // Ctrl-Z is no end of file in a data file
      {"1 2\n" + kLong + "\n", "(1,2)E6103"},      // longer than the token buffer
      {"*5\n", "E6101"},
      {"1.5*2\n", "E6101"},
      {"-2*1\n", "E6502"},
      {"0*1\n", "E6502"},
      {"2147483648*1\n", "E6100"},
      {"2147483647*1 \n", "(1,1)eof"},
      {"2*3*4\n", "E6503"},
      {"'a' 1\n", "E6504"},
      {"1 (1,2)\n", "E6504"},
      {"1e400 1\n", "E6102"},
      {"1e39 1\n", "E6104"},
  };
  for (const Row& row : rows) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, kFileBlock}) {
      SCOPED_TRACE(testing::PrintToString(row.input) + " read " + std::to_string(chunk) + " at a time");
      EXPECT_EQ(ReadPairs(row.input, chunk), row.pairs);
    }
  }
}

// A file without a final line end whose size is a whole number of blocks:
// the last pair is still read.
TEST(FreeFormRead, LastLineWithoutLineEndAtBlockBoundary) {
  for (std::size_t size : {kFileBlock, 2 * kFileBlock}) {
    std::string bytes = std::string(size - 4, '\n') + "5 6";
    bytes.insert(0, "1");
    SCOPED_TRACE(size);
    ASSERT_EQ(bytes.size(), size);
    EXPECT_EQ(ReadPairs(bytes, kFileBlock), "(1,5)eof");
  }
}

TEST(RealConversion, TokensToBitsOrErrors) {
  const std::string kFltMaxPlus2e75 = "340282346638528897590636046441678635008";  // the largest accepted value
  const std::string kNextDouble = "340282346638528935369567909398840344576";    // one double above it
  struct Row { std::string token; std::uint32_t bits; int error; } rows[] = {
      {"5", 0x40a00000, 0},           {"5.", 0x40a00000, 0},        {".5", 0x3f000000, 0},
      {"+1", 0x3f800000, 0},          {"-2.5", 0xc0200000, 0},      {"1D3", 0x447a0000, 0},
      {"0.1", 0x3dcccccd, 0},         {"1.5-3", 0x3ac49ba6, 0},     {"-0", 0x80000000, 0},
      {"0e999999999999", 0, 0},       {"1e-45", 0x00000001, 0},     {"1e-50", 0, 0},
      {"1e-99999999999", 0, 0},       {"3.40282346638528859811704183484516925440e38", 0x7f7fffff, 0},
      {"3.4028235e38", 0, 6104},  // FLT_MAX's shortest text lies above FLT_MAX + 2^75
      {"1.00000005960464477539062501", 0x3f800000, 0},  // through double: ties to even
      {kFltMaxPlus2e75, 0x7f7fffff, 0}, {kNextDouble, 0, 6104},  {"1e39", 0, 6104},
      {"1e309", 0, 6102},             {"-1e99999999999", 0, 6102},
      {"", 0, 6103},   {".", 0, 6103},   {"+", 0, 6103},   {"e5", 0, 6103},   {".e5", 0, 6103},
      {"1e", 0, 6103}, {"1e+", 0, 6103}, {"1+", 0, 6103},  {"1.5.3", 0, 6103}, {"1x", 0, 6103},
      {"inf", 0, 6103}, {"nan", 0, 6103}, {"0x10", 0, 6103}, {"1\x1a", 0, 6103}, {"--1", 0, 6103},
      {std::string(519, '0') + "7", 0x40e00000, 0}, {std::string(521, '0'), 0, 6103},
      // Either side of the limits of the one-pass conversion (2^53, 10^±22).
      {"9007199254740992", 0x5a000000, 0}, {"9007199254740993", 0x5a000000, 0},  {"1e22", 0x64078678, 0},
      {"1e23", 0x65a96816, 0},             {"4.5e-22", 0x1c080110, 0},           {"4.5e-23", 0x1a599b4d, 0},
      {"-0.0e5", 0x80000000, 0},
  };
  // Traps are on as in a real run: no conversion may raise one.
  test::ChildRun run = test::RunInChild([&] {
    fpenv::EnableTraps();
    for (const Row& row : rows) {
      float value = 0.0f;
      int error = ConvertReal(row.token, value);
      std::uint32_t bits = error == 0 ? std::bit_cast<std::uint32_t>(value) : 0;
      if (error != row.error || bits != row.bits) {
        std::printf("%s -> %d %08x\n", row.token.c_str(), error, static_cast<unsigned>(bits));
      }
    }
    std::fflush(stdout);
  });
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.status, 0);
}

TEST(ConsoleStream, RefillRules) {
  struct Row { const char* name; std::string bytes; bool terminal; std::size_t chunk; std::string expect; } rows[] = {
      {"Ctrl-Z third from the end", "ab\x1a\r\n", false, 132, "eof"},
      {"Ctrl-Z Enter from a terminal", "\x1a\n", true, 132, "eof"},
      {"Ctrl-Z LF from a pipe is data", "\x1a\n", false, 132, "1a|eof"},
      {"typed line of 130 characters", std::string(130, 'x') + "\r\n", true, 132, "x*130|eof"},
      {"typed line too long", std::string(132, 'x'), true, 132, "E6407"},
      {"piped line of 200 characters", std::string(200, 'x') + "\n", false, 132, "x*200|eof"},
      {"a reply in two pieces is one line", "ab\r\ncd", false, 3, "ab|cd|eof"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Source source{row.bytes, row.chunk};
    ByteStream stream = StreamOver(source, /*console=*/true, row.terminal);
    std::string got, line;
    for (;;) {
      int byte = Next(stream);
      if (byte == kLineEnd || !IsByte(byte)) {
        if (!line.empty()) got += (line.size() > 2 ? "x*" + std::to_string(line.size()) : line) + "|";
        line.clear();
        if (byte == kEndOfFile) got += "eof";
        if (byte > 0xFF) got += "E" + std::to_string(byte);
        if (!IsByte(byte)) break;
      } else {
        line += byte == 0x1a ? std::string("1a") : std::string(1, static_cast<char>(byte));
      }
    }
    EXPECT_EQ(got, row.expect);
    int reads = source.reads;
    EXPECT_FALSE(IsByte(Next(stream)));
    if (row.expect.ends_with("eof")) {
      EXPECT_EQ(source.reads, reads) << "end of input is not read twice";
    }
  }
}

// A reply whose pieces end inside a line, followed by a Ctrl-Z block: the
// Ctrl-Z is end of input, so the open line is completed first.
TEST(ConsoleStream, CtrlZBlockCompletesAnOpenLine) {
  for (bool terminal : {false, true}) {
    SCOPED_TRACE(terminal ? "terminal" : "pipe");
    Source source{"abc\x1a\r\n", 3};
    ByteStream stream = StreamOver(source, /*console=*/true, terminal);
    std::string got;
    for (int byte = Next(stream); IsByte(byte); byte = Next(stream)) {
      got += byte == kLineEnd ? '|' : static_cast<char>(byte);
    }
    EXPECT_EQ(got, "abc|");
    EXPECT_EQ(Next(stream), kEndOfFile);
  }
}

// Console reads in a child with standard input piped: the statements, their
// end-of-file handling and the failure reports.
TEST(ConsoleRead, ReplyWithA) {
  struct Row { std::string input, format; std::size_t length; std::string expect; } rows[] = {
      {"data.txt\n", "(a10)", 10, "[data.txt  ]"},
      {"mydata.text\n", "(a10)", 10, "[mydata.tex]"},
      {"\n", "(a10)", 10, "[          ]"},
      {" \tx\r\n", "(A10)", 10, "[ \tx       ]"},
      {"abcdef\n", "(a3)", 5, "[abc  ]"},
      {"abcdef\n", "(a6)", 3, "[def]"},
      {"abcdef\n", "( 2X, A )", 3, "[cde]"},
      {std::string(259, 'n') + "tail\n", "(a259)", 259, "[" + std::string(259, 'n') + "]"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.input + " " + row.format);
    test::ChildRun run = test::RunInChild(
        [&] {
          std::string name(row.length, '?');
          BeginRead(kDefaultUnit, row.format, false);
          GetCharacter(name.data(), name.size());
          EndRead();
          std::printf("[%s]", name.c_str());
          std::fflush(stdout);
        },
        row.input + "next\n");
    EXPECT_EQ(run.out, row.expect);
    EXPECT_EQ(run.status, 0);
  }
}

TEST(ConsoleRead, FailuresEndTheRunWithTheirReport) {
  struct Row { std::string input, format; std::string report; } rows[] = {
      {"", "(a10)", "\r\nrun-time error F6501: READ(CON)\r\n- end of file encountered\r\n"},
      {"\x1a\r\n", "(a10)", "\r\nrun-time error F6501: READ(CON)\r\n- end of file encountered\r\n"},
      {"x\n", "(f10.2)", "\r\nrun-time error F6200: READ(CON)\r\n- format not understood for input\r\n"},
      {"x\n", "(a10", "\r\nrun-time error F6200: READ(CON)\r\n- format not understood for input\r\n"},
      {"x\n", "(a10) x", "\r\nrun-time error F6200: READ(CON)\r\n- format not understood for input\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.format);
    test::ChildRun run = test::RunInChild(
        [&] {
          char name[10];
          BeginRead(kDefaultUnit, row.format, false);
          GetCharacter(name, sizeof name);
          std::printf("returned");
        },
        row.input);
    EXPECT_EQ(run.err, row.report);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.status, 1);
  }
}

TEST(DataFileRead, FailureReportNamesTheFile) {
  std::string dir = testing::TempDir() + "recio_input_XXXXXX";
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string path = dir + "/pairs.dat";
  FILE* f = std::fopen(path.c_str(), "w");
  std::fputs("1 2\nt c\n", f);
  std::fclose(f);
  test::ChildRun run = test::RunInChild([&] {
    Connect(kDataFileUnit, path);
    for (;;) {
      float t = 0, c = 0;
      if (BeginRead(Unit::Number(kDataFileUnit), true) != 0 || GetReal(t) != 0 || GetReal(c) != 0 || EndRead() != 0) break;
      std::printf("(%g,%g)", t, c);
      std::fflush(stdout);
    }
  });
  EXPECT_EQ(run.out, "(1,2)");
  EXPECT_EQ(run.err, "\r\nrun-time error F6103: READ(" + path + ")\r\n- invalid real number\r\n");
  EXPECT_EQ(run.status, 1);
}

}  // namespace
}  // namespace zel::recio
