#include "directory/OctetFormatting.h"

#include <array>
#include <initializer_list>
#include <span>

#include "directory/ByteView.h"
#include "directory/DirTime.h"
#include "util/Format.h"
#include "util/RawBuffers.h"
#include "util/TextHelpers.h"

namespace recast {

namespace {

using Names = std::initializer_list<std::string_view>;

std::int32_t Signed(std::uint32_t value) { return static_cast<std::int32_t>(value); }

std::uint16_t ClampedLength(std::size_t length) {
  return static_cast<std::uint16_t>(std::min<std::size_t>(length, kBufferTextLimit));
}

std::string BinderyProperty(const ByteView& v) {
  std::string value = v.Text(47);
  if (value.empty()) value = TrimRightChars(v.Hex(47, v.size() - 51), "0");
  return Format("%s: %s", {v.Text(5), value});
}

std::string PartitionStatus(const ByteView& v) {
  static constexpr std::array<std::string_view, 3> kFlags = {"(Local Error)", "(Remote Error)", "(In Sync)"};
  const std::uint32_t flags = v.U32(4);
  std::string text = Format("%s ", {v.WideText(28)});
  text += Format("/ v%d ", {Signed(v.U32(0))});
  text += Format("/ Replica %d ", {Signed(v.U32(12))});
  text += Format("/ Flags: %04X ", {flags});
  text += Format("/ Last Sync:  %s", {FormatDirTime(v.U32(8), false)});
  text += Format("/ Error %4X", {v.U32(16)});
  text += flags < kFlags.size() ? std::string(kFlags[flags]) : std::string("(Unknown flag)");
  return text;
}

constexpr std::array<std::string_view, 7> kPrinterTypes = {"Other", "Parallel", "Serial", "XNP",
                                                           "Apple", "Unix",     "AIO"};
constexpr std::array<std::string_view, 3> kStopBits = {"1", "1.5", "2"};
constexpr std::array<std::string_view, 3> kParities = {"no", "even", "odd"};
constexpr std::array<std::string_view, 4> kFormChanges = {"as needed", "minimize within Qs", "never",
                                                          "minimize across Qs"};

// Bytes a printer configuration of that type needs for every field it reads.
std::size_t PrinterConfigurationSize(std::uint16_t type) {
  switch (type) {
    case 1:
      return 56;
    case 2:
      return 66;
    case 4:
      return 117;
    case 5:
      return 305;
    default:
      return 17;
  }
}

std::string PortAndLoad(const ByteView& v) {
  std::string text = Format(" / %s", {v.U16(52) == 0 ? std::string("Polling") : Format("IRQ %d", {v.U16(54)})});
  text += Format(" / %s load", {v.U16(50) == 0 ? "Manual" : "Auto"});
  return text;
}

std::string PrinterConfiguration(const ByteView& v) {
  const std::uint16_t type = v.U16(0);
  const std::string typeName = PickText(type, std::span<const std::string_view>(kPrinterTypes));
  std::string text;
  switch (type) {
    case 1:
      text = typeName + Format(" (LPT%d:)", {v.U16(48) + 1}) + PortAndLoad(v);
      break;
    case 2: {
      const std::uint16_t speedStep = v.U16(58);
      const std::uint32_t baud = speedStep < 32 ? 300u * (1u << speedStep) : 0u;
      text = Format("Serial (COM%d:)", {v.U16(48) + 1}) + PortAndLoad(v);
      if (v.U16(56) != 0) text += " / Xon/Xoff ";
      text += Format(" / %d bd", {Signed(baud)});
      text += Format(" / %d Data bits", {v.U16(60)});
      text += Format(" / %s Stop bits", {PickText(v.U16(62), std::span<const std::string_view>(kStopBits))});
      text += Format(" / %s parity", {PickText(v.U16(64), std::span<const std::string_view>(kParities))});
      break;
    }
    case 4:
      text = typeName + Format(" %s %s (%s)", {v.Text(48), v.Text(116), v.Text(82)});
      break;
    case 5:
      text = typeName + Format(" %s/%s", {v.Text(48), v.Text(304)});
      break;
    default:
      text = typeName;
      break;
  }
  text += Format(" / %s", {v.U16(10) == 0 ? "Text" : "Postscript"});
  text += Format(" / Service Interval: %d", {v.U16(8)});
  text += Format(" / Buffer Size: %dkB", {v.U16(4)});
  text += Format(" / Starting Form: %d", {v.U16(2)});
  text += Format(" / Form Change: %s", {PickText(v.U16(6), std::span<const std::string_view>(kFormChanges))});
  text += Format(" / Driver Name: %s", {v.Text(16)});
  text += "\r\n";
  return text;
}

// The layouts by name, in matching order. minSize covers every fixed field and the first
// byte (or wide character) of every text the layout reads.
struct OctetLayout {
  Names names;
  std::size_t minSize;
  std::string (*format)(const ByteView&);
};

const std::array<OctetLayout, 17>& Layouts() {
  static const std::array<OctetLayout, 17> layouts = {{
      {{"App:GUID", "App:Drive Mappings", "App:Parameters", "App:Path", "App:Version String", "App:Working Directory",
        "ZEN:INV Disk Info", "bhObjectGUID", "rbsTaskRights"},
       0,
       [](const ByteView& v) { return BufferText(std::span(v.data(), v.size()), 0, ClampedLength(v.size())); }},
      {{"Bindery Property"}, 51, BinderyProperty},
      {{"snmpTrapDescription"},
       0,
       [](const ByteView& v) { return BufferLines(std::span(v.data(), v.size()), 0, ClampedLength(v.size())); }},
      {{"CA Public Key", "Public Key"},
       28,
       [](const ByteView& v) {
         return Format("[%X,%X,%s,%X] %s", {v.U32(0), v.U32(4), v.Hex(8, 14), v.U32(22), v.WideText(26)});
       }},
      {{"memberQuery"},
       14,
       [](const ByteView& v) {
         return Format("%s - %s", {v.WideText(12), v.Hex(0, v.size())});
       }},
      {{"WM:INV DMA", "WM:INV Interrupt"},
       18,
       [](const ByteView& v) {
         return Format("[%.02X,%d,%d,%d] %s",
                       {v.U32(0), Signed(v.U32(4)), Signed(v.U32(8)), Signed(v.U32(12)), v.WideText(16)});
       }},
      {{"WM:INV Port"},
       18,
       [](const ByteView& v) {
         return Format("[%.04X,%d,%d,%d] %s",
                       {v.U16(0), Signed(v.U32(4)), Signed(v.U32(8)), Signed(v.U32(12)), v.WideText(16)});
       }},
      {{"WM:INV CPU Information"},
       10,
       [](const ByteView& v) {
         return Format("[%d] %s", {Signed(v.U32(0)), v.WideText(8)});
       }},
      {{"WM:INV Shared Memory", "WM:INV Volume"},
       22,
       [](const ByteView& v) {
         return Format("[%X,%X,%X,%X,%X] %s", {v.U32(0), v.U32(4), v.U32(8), v.U32(12), v.U32(16), v.WideText(20)});
       }},
      {{"NGW: Location"},
       14,
       [](const ByteView& v) {
         return Format("[%s] %s", {v.Hex(0, 13), v.Text(13)});
       }},
      {{"App:Folder List"},
       13,
       [](const ByteView& v) {
         return Format("(%X/%X/%X) %s", {v.U32(0), v.U32(4), v.U32(8), v.Text(12)});
       }},
      {{"App:FS Rights Path"},
       14,
       [](const ByteView& v) {
         return Format("(%X/%X/%X/%X) %s", {v.U32(0), v.U32(4), v.U32(8), v.Byte(12), v.Text(13)});
       }},
      {{"bhConfig"},
       93,
       [](const ByteView& v) {
         return Format("[%d] ", {Signed(v.U32(0))}) + Format("%s ", {v.Text(4)}) + Format("%s ", {v.Text(92)});
       }},
      {{"FW0 USER ADD"}, 16, [](const ByteView& v) { return v.Text(15); }},
      {{"Partition Status"}, 30, PartitionStatus},
      {{"Local Received Up To", "Transitive Vector"},
       14,
       [](const ByteView& v) {
         return Format("(%04X/%04X/%04X) %s", {v.U32(0), v.U32(4), v.U32(8), v.WideText(12)});
       }},
      {{"Printer Configuration"}, 0, PrinterConfiguration},
  }};
  return layouts;
}

bool NamesMatch(Names names, std::string_view attrName) {
  for (std::string_view name : names) {
    if (TextEquals(name, attrName)) return true;
  }
  return false;
}

}  // namespace

std::string FormatOctetValue(std::uint32_t length, const std::uint8_t* data, std::string_view attrName) {
  const ByteView value(data, length);
  for (const OctetLayout& layout : Layouts()) {
    if (!NamesMatch(layout.names, attrName)) continue;
    std::size_t minSize = layout.minSize;
    if (layout.format == PrinterConfiguration) {
      minSize = value.Has(0, 2) ? PrinterConfigurationSize(value.U16(0)) : 2;
    }
    // A value too short for its layout is shown like a value of unknown layout.
    if (value.size() < minSize) break;
    return layout.format(value);
  }
  return value.Hex(0, value.size());
}

std::string FormatNetAddress(std::uint32_t addressType, const std::uint8_t* address, std::uint32_t length) {
  std::string text = Format("(%d) ", {Signed(addressType)});
  if (address == nullptr) return text;
  const ByteView v(address, length);
  const auto port = [&v](std::size_t offset) { return (v.Byte(offset) << 8) | v.Byte(offset + 1); };
  switch (addressType) {
    case 0:
      if (v.size() >= 10) return text + Format("%s:%s", {v.Hex(0, 4), v.Hex(4, 6)});
      break;
    case 1:
    case 7:
    case 10:
    case 11:
      if (v.size() >= 6) return text + Format("%d.%d.%d.%d:%d", {v.Byte(0), v.Byte(1), v.Byte(2), v.Byte(3), port(4)});
      break;
    case 8:
    case 9:
      if (v.size() >= 6) return text + Format("%d.%d.%d.%d:%d", {v.Byte(2), v.Byte(3), v.Byte(4), v.Byte(5), port(0)});
      break;
    case 13:
      return text + v.WideText(0);
    default:
      break;
  }
  return text + Format("[%s]", {v.Hex(0, 12)});
}

std::string FormatRights(std::uint32_t rights, RightsKind kind) {
  struct Position {
    char letter;
    std::uint32_t bit;
  };
  static constexpr std::array<Position, 5> kEntry = {{{'B', 0x01}, {'C', 0x02}, {'D', 0x04}, {'R', 0x08}, {'A', 0x10}}};
  static constexpr std::array<Position, 5> kAttribute = {
      {{'C', 0x01}, {'R', 0x02}, {'W', 0x04}, {'S', 0x08}, {'A', 0x20}}};
  constexpr std::uint32_t kInheritanceBlocked = 0x40;
  std::string positions;
  for (const Position& p : kind == RightsKind::Entry ? kEntry : kAttribute) {
    positions += (rights & p.bit) != 0 ? p.letter : ' ';
  }
  positions += (rights & kInheritanceBlocked) == 0 ? 'I' : ' ';
  return Format("[%s]", {positions});
}

}  // namespace recast
