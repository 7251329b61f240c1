// Decodes arbitrary bytes as a value of every syntax; whatever decodes must encode again and
// decode to the same value.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/service/ValueCodec.h"

using namespace recast;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint32_t syntax = data[0] < 0xF0 ? data[0] % 32 : 0xFFFFFFF0u + (data[0] & 0x0F);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  service::DirValue value;
  if (service::DecodeValue(syntax, bytes, &value) != 0) return 0;
  std::string encoded;
  if (service::EncodeValue(syntax, value, &encoded) != 0) std::abort();
  service::DirValue again;
  if (service::DecodeValue(syntax, encoded, &again) != 0) std::abort();
  if (!(again == value)) std::abort();
  return 0;
}
