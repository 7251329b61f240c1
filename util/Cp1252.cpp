#include "util/Cp1252.h"

#include <array>

namespace recast {
namespace {

// Code points of the bytes 0x80 to 0x9F; the undefined ones keep their own number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one well-formed UTF-8 sequence at pos (rejecting overlong forms, surrogates and
// values above U+10FFFF). Returns its length, or 0 when the bytes there are not one.
std::size_t DecodeUtf8(std::string_view s, std::size_t pos, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  std::size_t len;
  char32_t min;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, min = 0x80, cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, min = 0x800, cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, min = 0x10000, cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (pos + len > s.size()) return 0;
  for (std::size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

int Cp1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == cp) return static_cast<int>(0x80 + i);
  }
  return -1;
}

}  // namespace

std::string ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    const std::size_t len = DecodeUtf8(utf8, pos, cp);
    if (len == 0) {
      out.push_back(utf8[pos]);
      ++pos;
      continue;
    }
    const int byte = Cp1252Byte(cp);
    out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    pos += len;
  }
  return out;
}

std::string FromCp1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    const char32_t cp = (b >= 0x80 && b <= 0x9F) ? kHighControls[b - 0x80] : b;
    AppendUtf8(out, cp);
  }
  return out;
}

std::size_t ReadCp1252Character(std::string_view text, std::size_t pos, char32_t* cp) {
  const std::size_t len = DecodeUtf8(text, pos, *cp);
  if (len > 0) return len;
  const auto b = static_cast<unsigned char>(text[pos]);
  *cp = (b >= 0x80 && b <= 0x9F) ? kHighControls[b - 0x80] : b;
  return 1;
}

bool IsCp1252Character(char32_t cp) { return Cp1252Byte(cp) >= 0 && (cp < 0x80 || cp > 0x9F); }

bool IsValidUtf8(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    char32_t cp = 0;
    const std::size_t len = DecodeUtf8(bytes, pos, cp);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

std::string DisplayUtf8(std::string_view bytes) { return IsValidUtf8(bytes) ? std::string(bytes) : FromCp1252(bytes); }

std::string Utf16LeToUtf8(const std::uint8_t* bytes, std::size_t maxBytes) {
  std::string out;
  if (bytes == nullptr) return out;
  const std::size_t units = maxBytes / 2;
  auto unit = [bytes](std::size_t i) -> char32_t {
    return static_cast<char32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  };
  for (std::size_t i = 0; i < units; ++i) {
    const char32_t u = unit(i);
    if (u == 0) break;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const char32_t low = unit(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
  }
  return out;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  return Utf16LeToUtf8(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace recast
