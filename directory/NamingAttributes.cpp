#include "directory/NamingAttributes.h"

#include <array>
#include <cstring>

#include "directory/Contexts.h"
#include "directory/DirGuards.h"
#include "directory/Names.h"
#include "util/TextHelpers.h"

namespace recast {

namespace {

// Position of the first c at or after from that no backslash escapes; npos when none.
std::size_t FindUnescaped(std::string_view text, char c, std::size_t from = 0) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == c) {
      return i;
    }
  }
  return std::string_view::npos;
}

std::string Unescaped(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
    plain.push_back(text[i]);
  }
  return plain;
}

// The pieces of a part between unescaped "+" signs.
std::vector<std::string_view> Pieces(std::string_view part) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  for (std::size_t plus = FindUnescaped(part, '+'); plus != std::string_view::npos;
       plus = FindUnescaped(part, '+', start)) {
    pieces.push_back(part.substr(start, plus - start));
    start = plus + 1;
  }
  pieces.push_back(part.substr(start));
  return pieces;
}

// A listed typed part stands for the typeless value when its whole value or the value of its
// first piece is that value (a name part of several values may be shown by its first).
bool HasValue(std::string_view typedPart, std::string_view value) {
  const std::size_t equals = FindUnescaped(typedPart, '=');
  if (equals == std::string_view::npos) return false;
  const std::string_view rest = typedPart.substr(equals + 1);
  return TextEquals(Unescaped(rest), value) || TextEquals(Unescaped(Pieces(rest).front()), value);
}

}  // namespace

std::vector<std::string> NamePartAttributes(std::string_view typedPart) {
  std::vector<std::string> types;
  for (const std::string_view piece : Pieces(typedPart)) {
    const std::size_t equals = FindUnescaped(piece, '=');
    if (equals != std::string_view::npos && equals > 0) types.push_back(Unescaped(piece.substr(0, equals)));
  }
  return types;
}

DirStatus ReadTypedLeafPart(DirectorySession& session, DirContext ctx, std::string_view objectName,
                            std::string* typedPart) {
  const bool absolute = !objectName.empty() && objectName.front() == '.';
  const std::size_t start = absolute ? 1 : 0;
  const std::size_t dot = FindUnescaped(objectName, '.', start);
  const std::string_view leaf = objectName.substr(start, dot == std::string_view::npos ? dot : dot - start);
  if (FindUnescaped(leaf, '=') != std::string_view::npos) {
    *typedPart = std::string(leaf);
    return 0;
  }
  std::string parent = absolute ? std::string(kRootName) : std::string();
  if (dot != std::string_view::npos) {
    const std::string_view rest = objectName.substr(dot + 1);
    // Trailing dots climb from the name context; such names are not resolved here.
    if (rest.empty() || rest.front() == '.') return kErrBadName;
    parent = (absolute ? "." : "") + std::string(rest);
  }
  const std::string value = Unescaped(leaf);

  DirectoryClient& client = session.client;
  // The client knows the name part without listing the parent, which on a large container
  // would list every entry of it.
  if (const DirStatus s = client.ReadTypedLeafName(ctx, std::string(objectName).c_str(), typedPart);
      s != kErrNotSupported) {
    return s;
  }
  ScopedContext typed;
  if (const DirStatus s = typed.Duplicate(client, ctx); s != 0) return s;
  ChangeContextFlags(session, typed.get(), '-', kFlagTypelessNames);
  ScopedBuffer reply;
  if (const DirStatus s = reply.Allocate(client, kMaxBufferSize); s != 0) return s;
  IterationHandle iteration = kNoIteration;
  do {
    if (const DirStatus s = client.ListSubordinates(typed.get(), parent.c_str(), &iteration, reply.get()); s != 0)
      return s;
    std::uint32_t count = 0;
    if (const DirStatus s = client.GetObjectCount(typed.get(), reply.get(), &count); s != 0) return s;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::array<char, kMaxNameBytes> name{};
      std::uint32_t attrCount = 0;
      ObjectInfo info;
      if (const DirStatus s = client.GetObjectName(typed.get(), reply.get(), name.data(), &attrCount, &info); s != 0)
        return s;
      const std::string_view listed(name.data(), strnlen(name.data(), name.size()));
      // Stopping early is safe: freeing the duplicate ends its listing.
      if (HasValue(listed, value)) {
        *typedPart = std::string(listed);
        return 0;
      }
    }
  } while (iteration != kNoIteration);
  return kErrNoSuchEntry;
}

}  // namespace recast
