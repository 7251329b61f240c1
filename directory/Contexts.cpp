#include "directory/Contexts.h"

#include <array>
#include <cstring>

#include "directory/Names.h"
#include "util/TextHelpers.h"

namespace recast {

namespace {

std::string BufferString(const char* buffer, std::size_t size) { return std::string(buffer, strnlen(buffer, size)); }

}  // namespace

std::string GetContextText(DirectorySession& session, DirContext ctx, std::uint32_t key) {
  std::array<char, kMaxNameBytes> buffer{};
  if (session.client.GetContextValue(ctx, key, buffer.data()) != 0) return {};
  std::string text = BufferString(buffer.data(), buffer.size());
  if (const auto pos = text.find("CN="); pos != std::string::npos) text.erase(pos, 3);
  return text;
}

std::string GetContextTreeName(DirectorySession& session, DirContext ctx) {
  return GetContextText(session, ctx, kKeyTreeName);
}

std::string GetNameContext(DirectorySession& session, DirContext ctx) {
  return GetContextText(session, ctx, kKeyNameContext);
}

DirStatus SelectTreeAndContext(DirectorySession& session, DirContext ctx, std::string_view tree,
                               std::string_view nameContext, bool setPreferred) {
  DirectoryClient& client = session.client;
  DirStatus status = 0;
  if (!tree.empty() && UpperAscii(tree) != UpperAscii(GetContextTreeName(session, ctx))) {
    const std::string treeText(tree);
    status = client.SetContextValue(ctx, kKeyTreeName, treeText.c_str());
    if (status == 0 && setPreferred) {
      client.SetPreferredTree(static_cast<std::uint32_t>(treeText.size() + 1), treeText.c_str());
    }
  }
  if (status != 0) return status;

  std::string name(nameContext);
  if (name.empty()) {
    std::array<char, kMaxNameBytes> buffer{};
    if (client.GetDefaultNameContext(ctx, kMaxNameBytes, buffer.data()) == 0) {
      name = BufferString(buffer.data(), buffer.size());
    }
    if (name.empty()) name = kRootName;
  }
  name = StripLeadingDot(name);
  return client.SetContextValue(ctx, kKeyNameContext, name.c_str());
}

DirStatus SetTree(DirectorySession& session, DirContext ctx, std::string_view tree, bool setPreferred) {
  return SelectTreeAndContext(session, ctx, tree, {}, setPreferred);
}

DirStatus SetNameContext(DirectorySession& session, DirContext ctx, std::string_view name) {
  return SelectTreeAndContext(session, ctx, {}, name, false);
}

void ChangeContextFlags(DirectorySession& session, DirContext ctx, char op, std::uint32_t bits) {
  std::uint32_t value = 0;
  session.client.GetContextValue(ctx, kKeyFlags, &value);
  if (op == '+') value |= bits;
  if (op == '-') value &= ~bits;
  session.client.SetContextValue(ctx, kKeyFlags, &value);
}

}  // namespace recast
