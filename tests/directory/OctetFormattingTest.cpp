#include <gtest/gtest.h>

#include <memory>

#include "directory/DirTime.h"
#include "directory/OctetFormatting.h"
#include "tests/directory/support/PackedValue.h"
#include "tests/directory/support/ScopedEnvironment.h"
#include "util/RawBuffers.h"

namespace recast {
namespace {

using namespace recast::testing;

std::string Hex(const std::vector<std::uint8_t>& bytes, std::size_t count) {
  return HexText(bytes.data(), static_cast<std::uint16_t>(count));
}

// A named layout, a full value for it, its text, and the fewest bytes the layout reads.
struct Layout {
  std::string name;
  std::vector<std::uint8_t> value;
  std::string expected;
  std::size_t minSize;
};

std::vector<Layout> Layouts() {
  std::vector<Layout> layouts;
  {
    auto v = BytesOf(std::string("C:\\APPS\0junk", 12));
    layouts.push_back({"app:path", v, "C:\\APPS", 0});
  }
  {
    std::vector<std::uint8_t> v(60, 0);
    PutText(v, 5, "PROP");
    PutText(v, 47, "VALUE");
    layouts.push_back({"Bindery Property", v, "PROP: VALUE", 51});
  }
  layouts.push_back({"snmpTrapDescription", Bytes({'A', 0, 'B', 0}), "A\r\nB\r\n", 0});
  {
    std::vector<std::uint8_t> v;
    PutU32(v, 0, 1);
    PutU32(v, 4, 0x2F);
    for (int i = 0; i < 14; ++i) v.push_back(0xA0 + i);
    PutU32(v, 22, 0x10);
    PutWideText(v, 26, "key");
    layouts.push_back({"CA Public Key", v, "[1,2F,A0A1A2A3A4A5A6A7A8A9AAABACAD,10] key", 28});
    layouts.push_back({"public key", v, "[1,2F,A0A1A2A3A4A5A6A7A8A9AAABACAD,10] key", 28});
  }
  {
    std::vector<std::uint8_t> v(12, 0x01);
    PutWideText(v, 12, "q");
    layouts.push_back({"memberQuery", v, "q - " + Hex(v, v.size()), 14});
  }
  {
    std::vector<std::uint8_t> v;
    PutU32(v, 0, 5);
    PutU32(v, 4, 1);
    PutU32(v, 8, 0xFFFFFFFF);
    PutU32(v, 12, 3);
    PutWideText(v, 16, "dma");
    layouts.push_back({"WM:INV DMA", v, "[05,1,-1,3] dma", 18});
    layouts.push_back({"WM:INV Interrupt", v, "[05,1,-1,3] dma", 18});
    PutU32(v, 0, 0x123);
    layouts.push_back({"WM:INV DMA", v, "[123,1,-1,3] dma", 18});
  }
  {
    std::vector<std::uint8_t> v;
    PutU32(v, 0, 0xAB0003F8);  // only the low 16 bits are the port
    PutU32(v, 4, 8);
    PutU32(v, 8, 0);
    PutU32(v, 12, 2);
    PutWideText(v, 16, "COM1");
    layouts.push_back({"WM:INV Port", v, "[03F8,8,0,2] COM1", 18});
  }
  {
    std::vector<std::uint8_t> v;
    PutU32(v, 0, 2);
    PutU32(v, 4, 0xFFFF);
    PutWideText(v, 8, "cpu");
    layouts.push_back({"WM:INV CPU Information", v, "[2] cpu", 10});
  }
  {
    std::vector<std::uint8_t> v;
    for (int i = 0; i < 5; ++i) PutU32(v, 4 * i, 10 + i);
    PutWideText(v, 20, "mem");
    layouts.push_back({"WM:INV Shared Memory", v, "[A,B,C,D,E] mem", 22});
    layouts.push_back({"WM:INV Volume", v, "[A,B,C,D,E] mem", 22});
  }
  {
    std::vector<std::uint8_t> v;
    for (int i = 0; i < 13; ++i) v.push_back(i);
    PutText(v, 13, "loc");
    layouts.push_back({"NGW: Location", v, "[000102030405060708090A0B0C] loc", 14});
  }
  {
    std::vector<std::uint8_t> v;
    PutU32(v, 0, 1);
    PutU32(v, 4, 0x2A);
    PutU32(v, 8, 3);
    PutText(v, 12, "dir");
    layouts.push_back({"App:Folder List", v, "(1/2A/3) dir", 13});
  }
  {
    std::vector<std::uint8_t> v;
    PutU32(v, 0, 1);
    PutU32(v, 4, 2);
    PutU32(v, 8, 3);
    v.push_back(0x1F);
    PutText(v, 13, "path");
    layouts.push_back({"App:FS Rights Path", v, "(1/2/3/1F) path", 14});
  }
  {
    std::vector<std::uint8_t> v;
    PutU32(v, 0, 7);
    PutText(v, 4, "a");
    PutText(v, 92, "b");
    layouts.push_back({"bhConfig", v, "[7] a b ", 93});
  }
  {
    std::vector<std::uint8_t> v(15, 'x');
    PutText(v, 15, "user");
    layouts.push_back({"FW0 USER ADD", v, "user", 16});
  }
  {
    std::vector<std::uint8_t> v;
    PutU32(v, 0, 3);
    PutU32(v, 4, 2);
    PutU32(v, 8, 0);
    PutU32(v, 12, 1);
    PutU32(v, 16, 0x2C);
    PutU32(v, 20, 0);
    PutU32(v, 24, 0);
    PutWideText(v, 28, "ORG");
    layouts.push_back({"Partition Status", v,
                       "ORG / v3 / Replica 1 / Flags:    2 / Last Sync:  01/01/70 00:00:00/ Error   2C(In Sync)", 30});
    PutU32(v, 4, 7);
    layouts.push_back({"Partition Status", v,
                       "ORG / v3 / Replica 1 / Flags:    7 / Last Sync:  01/01/70 00:00:00/ Error   2C(Unknown flag)",
                       30});
  }
  {
    std::vector<std::uint8_t> v;
    PutU32(v, 0, 10);
    PutU32(v, 4, 0x1234);
    PutU32(v, 8, 0x12345);
    PutWideText(v, 12, "x");
    layouts.push_back({"Local Received Up To", v, "(   A/1234/12345) x", 14});
    layouts.push_back({"Transitive Vector", v, "(   A/1234/12345) x", 14});
  }
  {
    std::vector<std::uint8_t> v(56, 0);
    PutU16(v, 0, 1);
    PutU16(v, 4, 3);
    PutU16(v, 8, 5);
    PutText(v, 16, "HPDRV");
    PutU16(v, 50, 1);
    layouts.push_back({"Printer Configuration", v,
                       "Parallel (LPT1:) / Polling / Auto load / Text / Service Interval: 5 / Buffer Size: 3kB / "
                       "Starting Form: 0 / Form Change: as needed / Driver Name: HPDRV\r\n",
                       56});
  }
  {
    std::vector<std::uint8_t> v(66, 0);
    PutU16(v, 0, 2);
    PutU16(v, 2, 4);
    PutU16(v, 6, 9);
    PutU16(v, 10, 1);
    PutU16(v, 48, 1);
    PutU16(v, 52, 1);
    PutU16(v, 54, 4);
    PutU16(v, 56, 1);
    PutU16(v, 58, 5);
    PutU16(v, 60, 8);
    PutU16(v, 62, 1);
    PutU16(v, 64, 3);
    layouts.push_back({"Printer Configuration", v,
                       "Serial (COM2:) / IRQ 4 / Manual load / Xon/Xoff  / 9600 bd / 8 Data bits / 1.5 Stop bits / "
                       "n/a parity / Postscript / Service Interval: 0 / Buffer Size: 0kB / Starting Form: 4 / "
                       "Form Change: n/a / Driver Name: \r\n",
                       66});
  }
  {
    std::vector<std::uint8_t> v(117, 0);
    PutU16(v, 0, 4);
    PutU16(v, 6, 3);
    PutText(v, 48, "Zone");
    PutText(v, 82, "LaserWriter");
    PutText(v, 116, "");
    PutText(v, 16, "drv");
    layouts.push_back({"Printer Configuration", v,
                       "Apple Zone  (LaserWriter) / Text / Service Interval: 0 / Buffer Size: 0kB / Starting Form: 0 / "
                       "Form Change: minimize across Qs / Driver Name: drv\r\n",
                       117});
  }
  {
    std::vector<std::uint8_t> v(305, 0);
    PutU16(v, 0, 5);
    PutText(v, 48, "host");
    PutText(v, 304, "");
    layouts.push_back({"Printer Configuration", v,
                       "Unix host/ / Text / Service Interval: 0 / Buffer Size: 0kB / Starting Form: 0 / "
                       "Form Change: as needed / Driver Name: \r\n",
                       305});
  }
  {
    std::vector<std::uint8_t> v(17, 0);
    PutU16(v, 0, 12);
    layouts.push_back({"printer configuration", v,
                       "n/a / Text / Service Interval: 0 / Buffer Size: 0kB / Starting Form: 0 / "
                       "Form Change: as needed / Driver Name: \r\n",
                       17});
  }
  layouts.push_back({"Anything Else", Bytes({0x00, 0x10, 0xFF}), "0010FF", 0});
  return layouts;
}

class OctetFormattingTest : public ::testing::Test {
 protected:
  ScopedEnvironment environment{{"TZ", "UTC"}, {"LC_ALL", "C"}};
};

TEST_F(OctetFormattingTest, EveryNamedLayoutWithAFullValue) {
  for (const Layout& layout : Layouts()) {
    EXPECT_EQ(FormatOctetValue(static_cast<std::uint32_t>(layout.value.size()), layout.value.data(), layout.name),
              layout.expected)
        << layout.name;
  }
}

TEST_F(OctetFormattingTest, TruncatedValuesOfEveryLayoutShowAsHexAndAreNeverOverread) {
  for (const Layout& layout : Layouts()) {
    for (std::size_t length = 0; length < layout.value.size(); ++length) {
      // An exact-size copy, so that a read past its end is a real overread.
      auto copy = std::make_unique<std::uint8_t[]>(length == 0 ? 1 : length);
      std::copy_n(layout.value.begin(), length, copy.get());
      const std::string text =
          FormatOctetValue(static_cast<std::uint32_t>(length), length == 0 ? nullptr : copy.get(), layout.name);
      if (length < layout.minSize) {
        EXPECT_EQ(text, Hex(layout.value, length)) << layout.name << " " << length;
      }
    }
  }
}

TEST_F(OctetFormattingTest, BinderyPropertyHexValuePart) {
  std::vector<std::uint8_t> v(60, 0);
  PutText(v, 5, "PROP");
  EXPECT_EQ(FormatOctetValue(60, v.data(), "bindery property"), "PROP: ");  // all-zero value part
  v[48] = 0x12;
  v[49] = 0x30;
  EXPECT_EQ(FormatOctetValue(60, v.data(), "Bindery Property"), "PROP: 00123");
}

TEST_F(OctetFormattingTest, BufferTextRowsReadAtMost2303Bytes) {
  std::vector<std::uint8_t> v(3000, 'x');
  EXPECT_EQ(FormatOctetValue(3000, v.data(), "App:Parameters"), std::string(2303, 'x'));
}

TEST_F(OctetFormattingTest, NetworkAddresses) {
  struct Case {
    std::uint32_t type;
    std::vector<std::uint8_t> address;
    std::string expected;
  };
  const std::vector<std::uint8_t> ip = Bytes({10, 0, 0, 1, 0x01, 0xBB});
  const Case cases[] = {
      {0, Bytes({1, 2, 3, 4, 0xA, 0xB, 0xC, 0xD, 0xE, 0xF}), "(0) 01020304:0A0B0C0D0E0F"},
      {1, ip, "(1) 10.0.0.1:443"},
      {7, ip, "(7) 10.0.0.1:443"},
      {10, ip, "(10) 10.0.0.1:443"},
      {11, ip, "(11) 10.0.0.1:443"},
      {8, Bytes({0x01, 0xBB, 192, 168, 1, 2}), "(8) 192.168.1.2:443"},
      {9, Bytes({0x00, 0x50, 127, 0, 0, 1}), "(9) 127.0.0.1:80"},
      {13, Bytes({'a', 0, 'b', 0, 0, 0}), "(13) ab"},
      {5, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}), "(5) [0102030405060708090A0B0C]"},
      {5, Bytes({1, 2}), "(5) [0102]"},
      // Too short for the type's form: the bracketed hex of what is there.
      {1, Bytes({10, 0, 0, 1}), "(1) [0A000001]"},
      {0, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9}), "(0) [010203040506070809]"},
      {8, Bytes({}), "(8) []"},
  };
  for (const Case& c : cases) {
    auto copy = std::make_unique<std::uint8_t[]>(c.address.size() + 1);
    std::copy(c.address.begin(), c.address.end(), copy.get());
    EXPECT_EQ(FormatNetAddress(c.type, copy.get(), static_cast<std::uint32_t>(c.address.size())), c.expected);
  }
  EXPECT_EQ(FormatNetAddress(1, nullptr, 0), "(1) ");
  EXPECT_EQ(FormatNetAddress(0xFFFFFFFF, nullptr, 0), "(-1) ");
}

TEST_F(OctetFormattingTest, Rights) {
  EXPECT_EQ(FormatRights(0x09, RightsKind::Entry), "[B  R I]");
  EXPECT_EQ(FormatRights(0x43, RightsKind::Attribute), "[CR    ]");
  EXPECT_EQ(FormatRights(0x3F, RightsKind::Entry), "[BCDRAI]");
  EXPECT_EQ(FormatRights(0x2F, RightsKind::Attribute), "[CRWSAI]");
  EXPECT_EQ(FormatRights(0x10, RightsKind::Attribute), "[     I]");  // 0x10 is no attribute right
  EXPECT_EQ(FormatRights(0x40, RightsKind::Entry), "[      ]");
}

TEST(DirTime, LocaleTextTimeZoneAndFallback) {
  {
    ScopedEnvironment environment{{"TZ", "UTC"}, {"LC_ALL", "C"}};
    EXPECT_EQ(LocalTimeBias(), 0);
    EXPECT_EQ(FormatDirTime(0, true), "01/01/70 00:00:00");
    EXPECT_EQ(FormatDirTime(86400 + 3661, false), "01/02/70 01:01:01");
    EXPECT_EQ(FormatDirTime(0xFFFFFFFF, false), "02/07/06 06:28:15");  // unsigned: 2106
  }
  {
    ScopedEnvironment environment{{"TZ", "EST5"}, {"LC_ALL", "C"}};
    EXPECT_EQ(LocalTimeBias(), 300);
    EXPECT_EQ(FormatDirTime(0, true), "12/31/69 19:00:00");
    EXPECT_EQ(FormatDirTime(0, false), "01/01/70 00:00:00");
  }
  {
    ScopedEnvironment environment{{"TZ", "CET-1"}, {"LC_ALL", "no_SUCH.locale"}};
    EXPECT_EQ(LocalTimeBias(), -60);
    EXPECT_EQ(FormatDirTime(0, true), "1970-01-01 01:00:00");
  }
}

}  // namespace
}  // namespace recast
