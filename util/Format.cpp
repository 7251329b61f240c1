#include "util/Format.h"

#include <algorithm>

namespace recast {
namespace {

std::string Digits(std::uint32_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  do {
    out.push_back(digits[value % base]);
    value /= base;
  } while (value != 0);
  std::reverse(out.begin(), out.end());
  return out;
}

std::string RenderNumber(const FormatArg& arg, char conversion, int precision) {
  std::uint32_t bits = arg.kind() == FormatArg::Kind::Text ? 0 : arg.bits();
  bool negative = false;
  std::string digits;
  switch (conversion) {
    case 'd': {
      auto value = static_cast<std::int32_t>(bits);
      negative = value < 0;
      std::uint32_t magnitude = negative ? 0u - bits : bits;
      digits = Digits(magnitude, 10, true);
      break;
    }
    case 'u':
      digits = Digits(bits, 10, true);
      break;
    case 'X':
      digits = Digits(bits, 16, true);
      break;
    default:  // 'x'
      digits = Digits(bits, 16, false);
      break;
  }
  if (precision > 0 && static_cast<int>(digits.size()) < precision) {
    digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
  }
  if (negative) digits.insert(0, 1, '-');
  return digits;
}

}  // namespace

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(fmt.size() + 16);
  auto next = args.begin();
  std::size_t i = 0;
  while (i < fmt.size()) {
    char c = fmt[i];
    if (c != '%') {
      // The text up to the next conversion, in one piece.
      const std::size_t stop = std::min(fmt.find('%', i), fmt.size());
      out.append(fmt.substr(i, stop - i));
      i = stop;
      continue;
    }
    std::size_t start = i++;
    if (i < fmt.size() && fmt[i] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    bool left = false;
    while (i < fmt.size() && (fmt[i] == '-' || fmt[i] == '0')) {
      if (fmt[i] == '-') left = true;
      ++i;
    }
    int width = 0;
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') width = width * 10 + (fmt[i++] - '0');
    int precision = -1;
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      precision = 0;
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') precision = precision * 10 + (fmt[i++] - '0');
    }
    if (i >= fmt.size()) {  // a dangling '%' stays as written
      out.append(fmt.substr(start));
      break;
    }
    char conversion = fmt[i++];
    std::string piece;
    bool known = true;
    switch (conversion) {
      case 'd':
      case 'u':
      case 'X':
      case 'x':
        if (next != args.end()) piece = RenderNumber(*next++, conversion, precision);
        break;
      case 's':
        if (next != args.end()) {
          const FormatArg& arg = *next++;
          if (arg.kind() == FormatArg::Kind::Text) {
            piece = std::string(arg.text());
          } else {
            piece = RenderNumber(arg, arg.kind() == FormatArg::Kind::Signed ? 'd' : 'u', -1);
          }
          if (precision >= 0 && static_cast<int>(piece.size()) > precision) piece.resize(precision);
        }
        break;
      default:
        known = false;
        break;
    }
    if (!known) {  // not a placeholder of ours: keep it literally
      out.append(fmt.substr(start, i - start));
      continue;
    }
    if (static_cast<int>(piece.size()) < width) {
      std::string pad(static_cast<std::size_t>(width) - piece.size(), ' ');
      piece = left ? piece + pad : pad + piece;
    }
    out += piece;
  }
  return out;
}

}  // namespace recast
