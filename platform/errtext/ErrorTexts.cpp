#include "platform/errtext/ErrorTexts.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "directory/Statuses.h"
#include "util/Format.h"

namespace recast::errtext {
namespace {

struct Entry {
  std::int32_t status;
  const char* text;
};

// Every status of the registry with its text, sorted by status for the binary search below.
consteval auto SortedTexts() {
#define RECAST_STATUS_ENTRY(name, code, text) Entry{static_cast<std::int32_t>(code), text},
  std::array texts{Entry{0, "Success"}, RECAST_ALL_STATUSES(RECAST_STATUS_ENTRY)};
#undef RECAST_STATUS_ENTRY
  std::sort(texts.begin(), texts.end(), [](const Entry& a, const Entry& b) { return a.status < b.status; });
  return texts;
}
constexpr auto kTexts = SortedTexts();

consteval bool CodesAreDistinct() {
  for (std::size_t i = 1; i < kTexts.size(); ++i) {
    if (kTexts[i - 1].status == kTexts[i].status) return false;
  }
  return true;
}
static_assert(CodesAreDistinct(), "two statuses in directory/Statuses.h share a code");

// Standard LDAP result codes (RFC 4511) whose names help the user.
constexpr Entry kLdapResults[] = {
    {1, "operations error"},
    {2, "protocol error"},
    {3, "time limit exceeded"},
    {4, "size limit exceeded"},
    {7, "authentication method not supported"},
    {8, "stronger authentication required"},
    {10, "referral"},
    {11, "administrative limit exceeded"},
    {12, "unavailable critical extension"},
    {13, "confidentiality required"},
    {14, "SASL bind in progress"},
    {16, "no such attribute"},
    {17, "undefined attribute type"},
    {18, "inappropriate matching"},
    {19, "constraint violation"},
    {20, "attribute or value exists"},
    {21, "invalid attribute syntax"},
    {32, "no such object"},
    {33, "alias problem"},
    {34, "invalid DN syntax"},
    {36, "alias dereferencing problem"},
    {48, "inappropriate authentication"},
    {49, "invalid credentials"},
    {50, "insufficient access rights"},
    {51, "busy"},
    {52, "unavailable"},
    {53, "unwilling to perform"},
    {54, "loop detected"},
    {64, "naming violation"},
    {65, "object class violation"},
    {66, "not allowed on non-leaf"},
    {67, "not allowed on RDN"},
    {68, "entry already exists"},
    {69, "object class modifications prohibited"},
    {71, "affects multiple servers"},
    {80, "other"},
};

}  // namespace

std::string DescribeStatus(std::int32_t status) {
  auto it = std::lower_bound(std::begin(kTexts), std::end(kTexts), status,
                             [](const Entry& entry, std::int32_t s) { return entry.status < s; });
  if (it != std::end(kTexts) && it->status == status) return it->text;
  using ldap::kErrLdapResultBase;
  if (status < kErrLdapResultBase && status >= kErrLdapResultBase - 255) {
    const std::int32_t code = kErrLdapResultBase - status;
    for (const Entry& result : kLdapResults) {
      if (result.status == code) return Format("LDAP server error %d: %s", {code, result.text});
    }
    return Format("LDAP server error %d", {code});
  }
  if (status > kErrLdapResultBase && status <= ldap::kErrLdapLibraryLast) {
    return Format("LDAP client library error %d", {kErrLdapResultBase - status});
  }
  return std::string();
}

}  // namespace recast::errtext
