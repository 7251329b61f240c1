#include "engine/JsonLines.h"

#include <cstring>

#include <ctime>

#include "engine/JsonFields.h"
#include "util/Crc32.h"

namespace recast::engine {
namespace {

constexpr std::string_view kSealPrefix = ",\"crc\":\"";
// ,"crc":"xxxxxxxx"}
constexpr std::size_t kSealSize = kSealPrefix.size() + 8 + 2;

// Eight lower-case hex digits, as "%.8x" gives them; once per line of every plan and journal.
void AppendHex8(std::uint32_t value, std::string* out) {
  char digits[8];
  for (int i = 7; i >= 0; --i, value >>= 4) digits[i] = "0123456789abcdef"[value & 15];
  out->append(digits, sizeof digits);
}

}  // namespace

void SealInPlace(std::string* json) {
  const std::uint32_t crc = Crc32(*json);
  json->pop_back();  // the closing brace, put back after the seal
  json->append(kSealPrefix);
  AppendHex8(crc, json);
  json->append("\"}");
}

std::string SealLine(std::string_view json) {
  std::string line(json);
  SealInPlace(&line);
  return line;
}

LineSeal CheckLineSeal(std::string_view line, std::string* json) {
  if (line.size() < kSealSize + 2 || line.front() != '{' || line.substr(line.size() - 2) != "\"}") {
    return LineSeal::kUnsealed;
  }
  const std::size_t at = line.size() - kSealSize;
  if (line.substr(at, kSealPrefix.size()) != kSealPrefix) return LineSeal::kUnsealed;
  const std::string_view digits = line.substr(at + kSealPrefix.size(), 8);
  for (char c : digits) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return LineSeal::kUnsealed;
  }
  std::string covered(line.substr(0, at));
  covered += '}';
  std::string expected;
  AppendHex8(Crc32(covered), &expected);
  if (expected != digits) return LineSeal::kMismatch;
  *json = std::move(covered);
  return LineSeal::kSealed;
}

std::string UtcTimestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string ErrnoText(int error) { return std::strerror(error); }

}  // namespace recast::engine

namespace recast::engine::json {

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      n = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3;
      cp = c & 0x07;
    } else
      return false;
    for (std::size_t k = 1; k <= n; ++k) {
      if (i + k >= text.size()) return false;
      const auto d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    i += n + 1;
  }
  return true;
}

}  // namespace recast::engine::json
