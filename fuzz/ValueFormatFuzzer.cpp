// Formats arbitrary values of every syntax as text, under every attribute name with a layout
// of its own and under names taken from the input: value records packed from decoded bytes,
// raw record blocks whose references point anywhere, octet layouts, network addresses,
// rights, stream contents and application templates, and times.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "directory/AttributeValues.h"
#include "directory/DirTime.h"
#include "directory/OctetFormatting.h"
#include "directory/StreamText.h"
#include "platform/client/ValueRecords.h"
#include "platform/service/ValueCodec.h"
#include "util/TaggedList.h"

using namespace recast;

namespace {

constexpr std::string_view kNames[] = {
    "App:GUID",
    "Bindery Property",
    "snmpTrapDescription",
    "CA Public Key",
    "Public Key",
    "memberQuery",
    "WM:INV DMA",
    "WM:INV Interrupt",
    "WM:INV Port",
    "WM:INV CPU Information",
    "WM:INV Shared Memory",
    "WM:INV Volume",
    "NGW: Location",
    "App:Folder List",
    "App:FS Rights Path",
    "bhConfig",
    "FW0 USER ADD",
    "Partition Status",
    "Local Received Up To",
    "Transitive Vector",
    "Printer Configuration",
    "App:Macros",
    "App:Copy Files",
    "App:Inventory",
    "App:Program Groups",
    "Aliased Object Name",
    "partition status",
    "Description",
};

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

// A malloc-aligned copy, as GetAttrVal's caller provides it.
std::unique_ptr<std::uint8_t, FreeDeleter> Block(const void* bytes, std::size_t size) {
  std::unique_ptr<std::uint8_t, FreeDeleter> block(static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size)));
  if (size > 0) std::memcpy(block.get(), bytes, size);
  return block;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::uint32_t syntax = in.ConsumeIntegralInRange<std::uint32_t>(0, 31);
  const std::uint8_t pick = in.ConsumeIntegral<std::uint8_t>();
  std::string ownName;
  std::string_view name;
  if (pick < std::size(kNames)) {
    name = kNames[pick];
  } else {
    ownName = in.ConsumeRandomLengthString(64);
    name = ownName;
  }
  const std::uint32_t number = in.ConsumeIntegral<std::uint32_t>();
  const std::vector<std::uint8_t> bytes = in.ConsumeRemainingBytes<std::uint8_t>();
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());

  VectorTaggedList values;
  // A record packed from decodable bytes, as the client hands it out.
  service::DirValue value;
  if (service::DecodeValue(syntax, text, &value) == 0) {
    std::size_t packedSize = 0;
    if (client::PackedValueSize(syntax, value, name, &packedSize) == 0 && packedSize <= 0x100000) {
      std::unique_ptr<std::uint8_t, FreeDeleter> block(
          static_cast<std::uint8_t*>(std::calloc(1, packedSize == 0 ? 1 : packedSize)));
      if (client::PackValue(syntax, value, name, block.get()) == 0) {
        FormatAttributeValue(block.get(), syntax, static_cast<std::uint32_t>(packedSize), name, values);
      }
    }
  }
  // The raw bytes as a record block: references into nowhere must be refused.
  {
    auto block = Block(bytes.data(), bytes.size());
    FormatAttributeValue(block.get(), syntax, static_cast<std::uint32_t>(bytes.size()), name, values);
  }

  for (std::string_view layout : kNames)
    FormatOctetValue(static_cast<std::uint32_t>(bytes.size()), bytes.data(), layout);
  FormatOctetValue(static_cast<std::uint32_t>(bytes.size()), bytes.data(), name);
  FormatNetAddress(number, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  FormatNetAddress(number % 16, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  FormatNetAddress(number, nullptr, 0);
  FormatRights(number, RightsKind::Entry);
  FormatRights(number, RightsKind::Attribute);
  FormatDirTime(number, false);
  FormatDirTime(number, true);

  // Stream contents, plain and as application templates.
  FormatStreamText(std::span<const std::uint8_t>(bytes), name);
  std::vector<std::uint8_t> aot = {'A', 'O', 'T', ' ', 'F', 'I', 'L', 'E'};
  aot.insert(aot.end(), bytes.begin(), bytes.end());
  const std::span<const std::uint8_t> aotView(aot);
  for (std::string_view templateName :
       {"App:Macros", "App:Copy Files", "App:Inventory", "App:Program Groups", "Other"}) {
    FormatStreamText(aotView, templateName);
  }
  return 0;
}
