#include "directory/StreamText.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "directory/ByteView.h"
#include "util/FileDescriptor.h"
#include "util/Format.h"

namespace recast {

namespace {

constexpr std::string_view kTemplateMarker = "AOT FILE";
constexpr std::size_t kTemplateHeaderBytes = 24;
constexpr std::uint32_t kMaxCountedText = 1024;
const std::string kLineBreak = "\r\n";

// Reads until the end of the stream or until buffer is full; false on a read error.
bool ReadAll(int fd, std::vector<std::uint8_t>& buffer, std::size_t* size) {
  std::size_t total = 0;
  while (total < buffer.size()) {
    const ssize_t n = read(fd, buffer.data() + total, buffer.size() - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    total += static_cast<std::size_t>(n);
  }
  *size = total;
  return true;
}

// A template's cursor: every read checks the end of the stream first.
class TemplateWalk {
 public:
  explicit TemplateWalk(const ByteView& data) : data_(data) {}

  std::size_t cursor = kTemplateHeaderBytes;

  bool HasWord() const { return data_.Has(cursor, 4); }
  std::uint32_t Word() const { return data_.U32(cursor); }
  std::uint32_t WordAt(std::size_t offset) const { return data_.U32(offset); }
  bool HasWordAt(std::size_t offset) const { return data_.Has(offset, 4); }
  std::size_t TextLength(std::size_t offset) const { return data_.TextLength(offset); }
  std::uint8_t Byte(std::size_t offset) const { return data_.Byte(offset); }
  // Up to count characters from offset, ending early at a zero byte.
  std::string Chars(std::size_t offset, std::size_t count) const {
    const std::string text = data_.Text(offset);
    return text.substr(0, count);
  }

  // A word whose four bytes hold exactly one non-zero byte above the first moves the cursor
  // onto that byte.
  void Realign() {
    if (!HasWord() || Word() < 256) return;
    int zeros = 0;
    std::size_t nonZero = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      if (Byte(cursor + i) == 0) {
        ++zeros;
      } else {
        nonZero = i;
      }
    }
    if (zeros == 3) cursor += nonZero;
  }

 private:
  const ByteView& data_;
};

std::string FixedShapeRows(const ByteView& data, int words, int texts) {
  TemplateWalk walk(data);
  std::string rendering = kLineBreak;
  bool stopped = false;
  while (!stopped) {
    std::string wordPart;
    for (int i = 0; i < words; ++i) {
      if (!walk.HasWord()) {
        stopped = true;
        break;
      }
      if (!wordPart.empty()) wordPart += "/";
      wordPart += Format("%04X", {walk.Word()});
      walk.cursor += 4;
    }
    if (!wordPart.empty()) rendering += " (" + wordPart + ") ";
    std::string textPart;
    for (int i = 0; i < texts && !stopped; ++i) {
      if (i > 0) textPart += " / ";
      if (!walk.HasWord()) {
        stopped = true;
        break;
      }
      const std::uint32_t length = walk.Word();
      const std::size_t start = walk.cursor + 4;
      if (length > kMaxCountedText || !data.Has(start, 1) || walk.Byte(start) == 0 || !data.Has(start, length)) {
        stopped = true;
        break;
      }
      textPart += walk.Chars(start, length);
      walk.cursor = start + length;
    }
    rendering += textPart + kLineBreak;
  }
  return rendering;
}

std::string FreeFormWalk(const ByteView& data) {
  TemplateWalk walk(data);
  std::string rendering = kLineBreak;
  std::string pending;
  // Every step begins by reading the word at the cursor, so fewer than four bytes left end
  // the walk, as does a text that would reach past the end (counted beyond it, or without
  // its terminating zero inside the stream).
  while (walk.HasWord()) {
    const std::size_t at = walk.cursor;
    if (walk.Word() < 255 && walk.TextLength(at + 4) >= 2) {
      const std::uint32_t length = walk.Word();
      if (!data.Has(at + 4, length)) break;
      pending += walk.Chars(at + 4, length);
      walk.cursor = at + 4 + length;
      walk.Realign();
      rendering += pending + kLineBreak;
      pending.clear();
    } else if (walk.TextLength(at) >= 2 && walk.Byte(at) >= 32 && walk.Byte(at + 1) >= 32) {
      const std::size_t length = walk.TextLength(at);
      if (!data.Has(at, length + 1)) break;
      pending += walk.Chars(at, length);
      walk.cursor = at + length;
      walk.Realign();
      rendering += pending + kLineBreak;
      pending.clear();
    } else if (walk.TextLength(at + 2) >= 2 && walk.Byte(at + 2) >= 32) {
      walk.cursor = at + 2;
    } else {
      pending += Format("%04X ", {walk.Word()});
      walk.cursor = at + 4;
    }
  }
  return rendering;
}

std::string PlainRendering(const ByteView& data) {
  std::string rendering;
  for (std::size_t i = kTemplateHeaderBytes; i < data.size(); ++i) {
    const std::uint8_t byte = data.Byte(i);
    if (byte >= 20) {
      rendering += static_cast<char>(byte);
    } else if (i == kTemplateHeaderBytes || data.Byte(i - 1) >= 20) {
      rendering += kLineBreak;
    }
  }
  return rendering;
}

std::string TemplateText(const ByteView& data, std::string_view attrName) {
  const auto size = static_cast<std::int32_t>(data.size());
  std::string text = Format("%s (%d bytes)", {kTemplateMarker, size});
  if (data.size() >= kTemplateHeaderBytes) {
    text += Format(" (%X/%X/%X %X/%X)", {data.U32(8), data.U32(12), data.U32(16), data.U16(20), data.U16(22)});
  }
  if (data.size() > kTemplateHeaderBytes) {
    text += kLineBreak;
    if (attrName == "App:Macros") {
      text += FixedShapeRows(data, 3, 2);
    } else if (attrName == "App:Copy Files") {
      text += FixedShapeRows(data, 4, 1);
    } else if (attrName == "App:Inventory" || attrName == "App:Program Groups") {
      text += FreeFormWalk(data);
    } else {
      text += PlainRendering(data);
    }
  }
  return text;
}

}  // namespace

std::string FormatStreamText(std::span<const std::uint8_t> data, std::string_view attrName) {
  if (data.size() > kMaxStreamBytes) data = data.first(kMaxStreamBytes);
  const ByteView view(data.data(), data.size());
  const bool isTemplate = data.size() >= kTemplateMarker.size() &&
                          std::memcmp(data.data(), kTemplateMarker.data(), kTemplateMarker.size()) == 0;
  const std::string content = isTemplate ? TemplateText(view, attrName) : view.Text(0);
  return Format("Stream (%d bytes):", {static_cast<std::int32_t>(data.size())}) + kLineBreak + content;
}

DirStatus ReadStreamText(DirectorySession& session, DirContext ctx, std::string_view objectName,
                         std::string_view attrName, std::string* text) {
  const std::string object(objectName);
  const std::string attr(attrName);
  int fd = -1;
  const DirStatus status = session.client.OpenStream(ctx, object.c_str(), attr.c_str(), 1, &fd);
  if (status != 0) return status;
  const FileDescriptor stream(fd);
  try {
    std::vector<std::uint8_t> buffer(kMaxStreamBytes, 0);
    std::size_t size = 0;
    if (!ReadAll(stream.get(), buffer, &size)) return kStreamReadFailed;
    *text = FormatStreamText(std::span(buffer.data(), size), attrName);
  } catch (...) {
    return kStreamReadFailed;
  }
  return 0;
}

}  // namespace recast
