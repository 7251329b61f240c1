#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "directory/StreamText.h"
#include "tests/directory/support/PackedValue.h"
#include "tests/directory/support/ScriptedClient.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

using namespace recast::testing;

// The 24-byte template header with its five numbers, then body.
std::vector<std::uint8_t> Template(std::vector<std::uint8_t> body) {
  std::vector<std::uint8_t> data = BytesOf("AOT FILE");
  PutU32(data, 8, 1);
  PutU32(data, 12, 0x2B);
  PutU32(data, 16, 3);
  PutU16(data, 20, 4);
  PutU16(data, 22, 0xFFFF);
  data.insert(data.end(), body.begin(), body.end());
  return data;
}

std::vector<std::uint8_t> Word(std::uint32_t value) {
  std::vector<std::uint8_t> w;
  PutU32(w, 0, value);
  return w;
}

std::vector<std::uint8_t> Counted(std::string_view text) {
  std::vector<std::uint8_t> out = Word(static_cast<std::uint32_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
  return out;
}

std::vector<std::uint8_t> Join(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::string Text(const std::vector<std::uint8_t>& data, std::string_view attr) {
  // An exact-size copy: no rendering may look past the stream's end.
  auto copy = std::make_unique<std::uint8_t[]>(data.size() + 1);
  std::copy(data.begin(), data.end(), copy.get());
  return FormatStreamText(std::span(copy.get(), data.size()), attr);
}

constexpr std::string_view kHeaderNumbers = " (1/2B/3 4/FFFF)";

TEST(StreamText, PlainStreamsEndAtTheirFirstZero) {
  EXPECT_EQ(Text(BytesOf(std::string("abc\0def", 7)), "Login Script"), "Stream (7 bytes):\r\nabc");
  EXPECT_EQ(Text({}, "Login Script"), "Stream (0 bytes):\r\n");
  EXPECT_EQ(Text(BytesOf("AOT FIL"), "x"), "Stream (7 bytes):\r\nAOT FIL");
  EXPECT_EQ(Text(BytesOf("aot file and more"), "x"), "Stream (17 bytes):\r\naot file and more");
}

TEST(StreamText, TemplateHeaderAlone) {
  EXPECT_EQ(Text(Template({}), "App:Macros"),
            "Stream (24 bytes):\r\nAOT FILE (24 bytes)" + std::string(kHeaderNumbers));
  EXPECT_EQ(Text(BytesOf("AOT FILE1234"), "App:Macros"), "Stream (12 bytes):\r\nAOT FILE (12 bytes)");
}

TEST(StreamText, MacroRowsHoldThreeWordsAndTwoTexts) {
  const auto data = Template(Join({Word(1), Word(0x20), Word(3), Counted("ab"), Counted("cd")}));
  EXPECT_EQ(Text(data, "App:Macros"), "Stream (48 bytes):\r\nAOT FILE (48 bytes)" + std::string(kHeaderNumbers) +
                                          "\r\n\r\n (   1/  20/   3) ab / cd\r\n\r\n");
}

TEST(StreamText, CopyFileRowsStopAtAnOverlongText) {
  const auto data = Template(Join({Word(1), Word(2), Word(3), Word(4), Counted("file"), Word(1), Word(2), Word(3),
                                   Word(4), Word(2000), BytesOf("xx")}));
  EXPECT_EQ(Text(data, "App:Copy Files"), "Stream (70 bytes):\r\nAOT FILE (70 bytes)" + std::string(kHeaderNumbers) +
                                              "\r\n\r\n (   1/   2/   3/   4) file\r\n (   1/   2/   3/   4) \r\n");
}

TEST(StreamText, MacroRowStopsWhenTheSecondTextIsMissing) {
  // The separator before the second text is still added, and the row is closed.
  const auto data = Template(Join({Word(1), Word(2), Word(3), Counted("ab"), Word(0), Bytes({0})}));
  EXPECT_EQ(Text(data, "App:Macros"), "Stream (47 bytes):\r\nAOT FILE (47 bytes)" + std::string(kHeaderNumbers) +
                                          "\r\n\r\n (   1/   2/   3) ab / \r\n");
}

TEST(StreamText, FreeFormWalk) {
  const auto data = Template(Join({Counted("abc"), Word(0x1234), BytesOf(std::string("Hi there\0", 9))}));
  const std::string expected = "\r\n\r\nabc\r\n1234 Hi there\r\n";
  EXPECT_EQ(Text(data, "App:Inventory"),
            "Stream (44 bytes):\r\nAOT FILE (44 bytes)" + std::string(kHeaderNumbers) + expected);
  EXPECT_EQ(Text(data, "App:Program Groups"),
            "Stream (44 bytes):\r\nAOT FILE (44 bytes)" + std::string(kHeaderNumbers) + expected);
}

TEST(StreamText, FreeFormWalkEndsWhereAWordOrTextWouldReachPastTheEnd) {
  struct Case {
    std::vector<std::uint8_t> body;
    std::string rendering;
  } cases[] = {
      {Join({Counted("abc"), BytesOf("xyz")}), "\r\n\r\nabc\r\n"},                     // three bytes left
      {Join({Counted("abc"), Word(0x1234), BytesOf("Hi there")}), "\r\n\r\nabc\r\n"},  // no zero inside
  };
  for (const Case& c : cases) {
    const auto data = Template(c.body);
    const std::string size = std::to_string(data.size());
    EXPECT_EQ(Text(data, "App:Inventory"), "Stream (" + size + " bytes):\r\nAOT FILE (" + size + " bytes)" +
                                               std::string(kHeaderNumbers) + c.rendering);
  }
}

TEST(StreamText, PlainRenderingForOtherNamesAndOtherCase) {
  const auto data = Template(Bytes({5, 'A', 'B', 1, 2, 'C', 19, 20}));
  const std::string rendering = "\r\n\r\nAB\r\nC\r\n\x14";
  EXPECT_EQ(Text(data, "App:Something"),
            "Stream (32 bytes):\r\nAOT FILE (32 bytes)" + std::string(kHeaderNumbers) + rendering);
  // Template names compare with case: another spelling gets the plain rendering.
  EXPECT_EQ(Text(data, "app:macros"),
            "Stream (32 bytes):\r\nAOT FILE (32 bytes)" + std::string(kHeaderNumbers) + rendering);
}

TEST(StreamText, TruncatedTemplatesAreNeverReadPastTheirEnd) {
  const auto full = Template(Join({Word(1), Word(2), Word(3), Counted("abcdef"), Counted("gh"), Counted("abc"),
                                   Word(0x1234), BytesOf("Hi there")}));
  for (const char* attr : {"App:Macros", "App:Copy Files", "App:Inventory", "Other"}) {
    for (std::size_t length = 0; length <= full.size(); ++length) {
      const std::vector<std::uint8_t> part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
      const std::string text = Text(part, attr);
      EXPECT_TRUE(text.starts_with("Stream (" + std::to_string(length) + " bytes):\r\n")) << attr << length;
    }
  }
}

class ReadStreamTest : public ::testing::Test {
 protected:
  ReadStreamTest() : session(client, ui, "/nonexistent.so") { ctx = client.NewContext(); }
  ScriptedClient client;
  ScriptedUserInterface ui;
  DirectorySession session;
  DirContext ctx = kNoContext;
};

// A socket fed in chunks by a writer thread, so that single reads return part of the stream.
// The writer never raises SIGPIPE when the reader stops early.
class ChunkedStream {
 public:
  ChunkedStream(std::size_t total, std::size_t chunk) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) throw std::runtime_error("socketpair");
    readEnd_ = fds[0];
    writer_ = std::thread([write = fds[1], total, chunk] {
      const std::string piece(chunk, 'a');
      for (std::size_t sent = 0; sent < total; sent += chunk) {
        const std::size_t n = std::min(chunk, total - sent);
        if (send(write, piece.data(), n, MSG_NOSIGNAL) < 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      close(write);
    });
  }
  ~ChunkedStream() { writer_.join(); }
  int readEnd() const { return readEnd_; }

 private:
  int readEnd_ = -1;
  std::thread writer_;
};

TEST_F(ReadStreamTest, ReadsUntilTheEndOfTheStreamNotJustOnce) {
  ChunkedStream stream(40000, 10000);
  client.onOpenStream = [&](const std::string&, const std::string&, int* fd) {
    *fd = stream.readEnd();
    return 0;
  };
  std::string text;
  ASSERT_EQ(ReadStreamText(session, ctx, "clerk.org", "Login Script", &text), 0);
  EXPECT_EQ(text, "Stream (40000 bytes):\r\n" + std::string(40000, 'a'));
  EXPECT_EQ(fcntl(stream.readEnd(), F_GETFD), -1);  // closed by the reader
}

TEST_F(ReadStreamTest, LongStreamsAreCutAtTheMaximum) {
  ChunkedStream stream(70000, 30000);
  int readEnd = stream.readEnd();
  client.onOpenStream = [&](const std::string&, const std::string&, int* fd) {
    *fd = readEnd;
    return 0;
  };
  std::string text;
  ASSERT_EQ(ReadStreamText(session, ctx, "clerk.org", "Login Script", &text), 0);
  EXPECT_EQ(text, "Stream (64512 bytes):\r\n" + std::string(64512, 'a'));
}

TEST_F(ReadStreamTest, OpenAndReadFailures) {
  std::string text = "unchanged";
  client.FailNext("OpenStream", {kErrNoAccess});
  EXPECT_EQ(ReadStreamText(session, ctx, "clerk.org", "Login Script", &text), kErrNoAccess);
  EXPECT_EQ(text, "unchanged");

  int writeOnly = -1;
  client.onOpenStream = [&](const std::string&, const std::string&, int* fd) {
    writeOnly = open("/dev/null", O_WRONLY);
    *fd = writeOnly;
    return 0;
  };
  EXPECT_EQ(ReadStreamText(session, ctx, "clerk.org", "Login Script", &text), kStreamReadFailed);
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(fcntl(writeOnly, F_GETFD), -1);
}

}  // namespace
}  // namespace recast
