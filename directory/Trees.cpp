#include "directory/Trees.h"

#include <array>
#include <cstring>

#include "directory/Names.h"

namespace recast {

namespace {
constexpr std::uint32_t kConnectionInfoBytes = 255;
}

ConnStatus GetConnectionInfoText(DirectorySession& session, ConnRef reference, std::uint32_t infoType,
                                 std::string* text) {
  std::array<char, kConnectionInfoBytes> buffer{};
  const ConnStatus status =
      session.client.GetConnectionRefInfo(reference, infoType, kConnectionInfoBytes, buffer.data());
  text->clear();
  if (status == 0) text->assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
  return status;
}

std::string GetConnectionTreeName(DirectorySession& session, ConnRef reference, ConnStatus* status) {
  std::string text;
  const ConnStatus infoStatus = GetConnectionInfoText(session, reference, kConnInfoTreeName, &text);
  if (status != nullptr) *status = infoStatus;
  return CleanTreeName(text);
}

std::string GetPrimaryTreeName(DirectorySession& session) {
  ConnRef reference = 0;
  if (session.client.GetPrimaryConnectionRef(&reference) != 0) return {};
  return GetConnectionTreeName(session, reference);
}

void EnumerateTrees(DirectorySession& session, TaggedList& list) {
  std::uint32_t iterator = 0;
  for (;;) {
    ConnRef reference = 0;
    const ConnStatus status = session.client.ScanConnectionRefs(&iterator, &reference);
    session.LastStatus = status;
    if (status != 0) break;
    session.ui.ProcessPendingMessages();
    const std::string name = GetConnectionTreeName(session, reference);
    if (!name.empty() && list.IndexOf(name) < 0) list.Add(name, static_cast<std::int32_t>(reference));
  }
}

}  // namespace recast
