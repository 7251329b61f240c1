#include "util/RawBuffers.h"

#include <algorithm>

#include "util/TextHelpers.h"

namespace recast {

namespace {
std::string_view Window(std::span<const std::uint8_t> bytes, std::uint16_t offset, std::uint16_t length) {
  if (offset >= bytes.size()) return {};
  const std::size_t n = std::min<std::size_t>(MinWord(length, kBufferTextLimit), bytes.size() - offset);
  return {reinterpret_cast<const char*>(bytes.data() + offset), n};
}

std::span<const std::uint8_t> PointerSpan(const std::uint8_t* bytes, std::uint16_t offset, std::uint16_t length) {
  if (bytes == nullptr) return {};
  return {bytes, static_cast<std::size_t>(offset) + MinWord(length, kBufferTextLimit)};
}
}  // namespace

std::string HexText(const std::uint8_t* bytes, std::uint16_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  if (bytes == nullptr) return out;
  out.reserve(2u * count);
  for (std::uint16_t i = 0; i < count; ++i) {
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return out;
}

std::string ZeroTermToText(const char* chars) { return chars == nullptr ? std::string() : std::string(chars); }

const char* TextPtr(const std::string& text) { return text.c_str(); }

char* TerminatedTextPtr(std::string* text) {
  if (text->size() < 255 && (text->empty() || text->back() != '\0')) text->push_back('\0');
  return text->data();
}

char LastChar(std::string_view text) { return text.empty() ? '\0' : text.back(); }

std::string AppendZeroChar(std::string_view text) {
  std::string out(text);
  AppendZeroChar(&out);
  return out;
}

void AppendZeroChar(std::string* text) {
  if (text->empty() || LastChar(*text) != '\0') text->push_back('\0');
}

std::string BufferText(std::span<const std::uint8_t> bytes, std::uint16_t offset, std::uint16_t length) {
  const std::string_view area = Window(bytes, offset, length);
  return std::string(area.substr(0, area.find('\0')));
}

std::string BufferLines(std::span<const std::uint8_t> bytes, std::uint16_t offset, std::uint16_t length) {
  std::string area(Window(bytes, offset, length));
  std::replace(area.begin(), area.end(), '\0', '\t');
  return ReplaceText(area, "\t", "\r\n", true, true);
}

std::string BufferText(const std::uint8_t* bytes, std::uint16_t offset, std::uint16_t length) {
  return BufferText(PointerSpan(bytes, offset, length), offset, length);
}

std::string BufferLines(const std::uint8_t* bytes, std::uint16_t offset, std::uint16_t length) {
  return BufferLines(PointerSpan(bytes, offset, length), offset, length);
}

}  // namespace recast
