// Reads arbitrary reply buffers with the reply readers in an order the input chooses (the
// right order and every wrong one), and turns every value read into a value record and its
// text, as the client and the directory layer do with a reply.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "directory/AttributeValues.h"
#include "platform/client/ReplyFormat.h"
#include "platform/client/ValueRecords.h"
#include "platform/service/ValueCodec.h"
#include "util/TaggedList.h"

using namespace recast;

namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

void FormatValue(std::string_view encoded, std::uint32_t syntax, std::string_view attrName) {
  service::DirValue value;
  if (service::DecodeValue(syntax, encoded, &value) != 0) return;
  std::size_t size = 0;
  if (client::PackedValueSize(syntax, value, attrName, &size) != 0 || size > 0x100000) return;
  std::unique_ptr<std::uint8_t, FreeDeleter> block(static_cast<std::uint8_t*>(std::calloc(1, size == 0 ? 1 : size)));
  if (client::PackValue(syntax, value, attrName, block.get()) != 0) return;
  VectorTaggedList values;
  FormatAttributeValue(block.get(), syntax, static_cast<std::uint32_t>(size), attrName, values);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::vector<std::uint8_t> script = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 64));
  const std::vector<std::uint8_t> reply = in.ConsumeRemainingBytes<std::uint8_t>();

  client::ReplyReader reader;
  reader.Reset(reply.data(), reply.size());
  // With no script the readers run in the order a well-formed reply of its kind asks for.
  const std::uint8_t kind = reply.empty() ? 0 : reply[0];
  std::size_t step = 0;
  for (int calls = 0; calls < 4096; ++calls) {
    std::uint8_t op;
    if (!script.empty()) {
      if (step >= script.size()) break;
      op = script[step++] % 13;
    } else {
      op = static_cast<std::uint8_t>(calls == 0 ? (kind == 1 ? 0 : kind == 2 ? 2 : kind == 3 ? 6 : 8) : 255);
    }
    std::uint32_t count = 0, syntax = 0, attrCount = 0;
    std::string_view name;
    DirStatus status = 0;
    switch (op) {
      case 0:
        status = reader.ObjectCount(&count);
        break;
      case 1: {
        ObjectInfo info{};
        status = reader.ObjectName(&name, &attrCount, &info);
        break;
      }
      case 2:
        status = reader.ClassDefCount(&count);
        break;
      case 3: {
        ClassInfo info{};
        status = reader.ClassDef(&name, (calls & 1) ? &info : nullptr);
        break;
      }
      case 4:
        status = reader.ClassItemCount(&count);
        break;
      case 5:
        status = reader.ClassItem(&name);
        break;
      case 6:
        status = reader.AttrCount(&count);
        break;
      case 7: {
        AttrInfo info{};
        status = reader.AttrDef(&name, (calls & 1) ? &info : nullptr);
        break;
      }
      case 8:
        status = reader.AttrName(&name, &count, &syntax);
        break;
      case 9: {
        std::string_view encoded;
        status = reader.PeekValue(&encoded, &syntax);
        break;
      }
      case 10: {
        std::string_view encoded;
        status = reader.NextValue(&encoded, &syntax);
        if (status == 0) FormatValue(encoded, syntax, reader.currentAttribute());
        break;
      }
      case 11:
        reader.Clear();
        break;
      case 12:
        reader.Reset(reply.data(), reply.size());
        break;
      default: {
        // Follow the reply's own order: try each reader until none succeeds.
        bool any = false;
        for (std::uint8_t next : {1, 3, 4, 5, 7, 8, 10}) {
          std::uint32_t n = 0, s = 0;
          std::string_view v;
          DirStatus st;
          switch (next) {
            case 1: {
              ObjectInfo info{};
              st = reader.ObjectName(&v, &n, &info);
              break;
            }
            case 3: {
              ClassInfo info{};
              st = reader.ClassDef(&v, &info);
              break;
            }
            case 4:
              st = reader.ClassItemCount(&n);
              break;
            case 5:
              st = reader.ClassItem(&v);
              break;
            case 7: {
              AttrInfo info{};
              st = reader.AttrDef(&v, &info);
              break;
            }
            case 8:
              st = reader.AttrName(&v, &n, &s);
              break;
            default:
              st = reader.NextValue(&v, &s);
              if (st == 0) FormatValue(v, s, reader.currentAttribute());
              break;
          }
          if (st == 0) {
            any = true;
            break;
          }
        }
        if (!any) calls = 4096;
        break;
      }
    }
    // Every view handed out lies inside the reply.
    if (status == 0 && !name.empty()) {
      const auto* begin = reinterpret_cast<const char*>(reply.data());
      if (name.data() < begin || name.data() + name.size() > begin + reply.size()) std::abort();
    }
  }
  return 0;
}
