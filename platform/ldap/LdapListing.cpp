// LdapService: an entry's children, page by page.
#include "platform/ldap/LdapService.h"

#include <ldap.h>

#include <algorithm>
#include <optional>

#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapSearch.h"
#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/LdapValues.h"
#include "platform/ldap/SigpipeGuard.h"
#include "util/Format.h"

namespace recast::ldap {
namespace {

// Entries taken apart between two looks at the socket for the next page.
constexpr std::size_t kPollEvery = 200;

using service::EntryName;

// A listing cursor: "<hex cookie>/<hex parent DN>/<page>/<offset>": the server's paging
// cookie that requested the current server page, that page's number in the listing (0 the
// first), and how many of its entries were delivered. The number tells the pages apart where
// the cookie does not: 389 Directory Server sends the same cookie with every page.
struct Cursor {
  std::string cookie;
  std::string parentDn;
  std::size_t page = 0;
  std::size_t offset = 0;
};

std::string MakeCursor(const Cursor& cursor) {
  return HexEncode(cursor.cookie) + "/" + HexEncode(cursor.parentDn) + "/" + std::to_string(cursor.page) + "/" +
         std::to_string(cursor.offset);
}

bool ParseNumber(std::string_view text, std::size_t* number) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
  *number = static_cast<std::size_t>(std::stoul(std::string(text)));
  return true;
}

bool ParseCursor(std::string_view text, Cursor* cursor) {
  const auto first = text.find('/');
  const auto second = first == std::string_view::npos ? first : text.find('/', first + 1);
  const auto third = second == std::string_view::npos ? second : text.find('/', second + 1);
  if (third == std::string_view::npos) return false;
  Cursor out;
  if (!ParseNumber(text.substr(second + 1, third - second - 1), &out.page) ||
      !ParseNumber(text.substr(third + 1), &out.offset) || !HexDecode(text.substr(0, first), &out.cookie) ||
      !HexDecode(text.substr(first + 1, second - first - 1), &out.parentDn)) {
    return false;
  }
  *cursor = std::move(out);
  return true;
}

}  // namespace

// What the values of a listed entry tell of it, taken one value at a time.
class SummaryBuilder {
 public:
  // What an attribute tells, by its name; worked out once for all its values.
  enum class Kind { kOther, kStructural, kClass, kSubordinates, kModified };
  static Kind KindOf(std::string_view name) {
    if (TextEquals(name, "structuralObjectClass")) return Kind::kStructural;
    if (TextEquals(name, "objectClass")) return Kind::kClass;
    if (TextEquals(name, "hasSubordinates")) return Kind::kSubordinates;
    if (TextEquals(name, "modifyTimestamp")) return Kind::kModified;
    return Kind::kOther;
  }

  explicit SummaryBuilder(service::EntrySummary* summary) : summary_(summary) {}
  void Take(Kind kind, std::string_view text) {
    switch (kind) {
      case Kind::kStructural:
        structural_.assign(text);
        break;
      case Kind::kClass:
        classes_.emplace_back(text);
        if (TextEquals(text, "alias")) summary_->flags |= kEntryAlias;
        break;
      case Kind::kSubordinates:
        hasChildren_ = TextEquals(text, "TRUE");
        break;
      case Kind::kModified:
        summary_->modificationTime = ParseGeneralizedTime(text).value_or(0);
        break;
      case Kind::kOther:
        break;
    }
  }
  // The base class and flags from what was taken; true when the server sent the structural
  // class itself.
  bool Finish(const LdapSchema& schema) {
    const bool sentStructural = !structural_.empty();
    summary_->baseClass = sentStructural ? std::move(structural_) : schema.MostSpecificStructural(classes_);
    bool containerClass = false;
    if (const auto* def = schema.FindClass(summary_->baseClass)) {
      if (summary_->baseClass != def->name) summary_->baseClass = def->name;
      if (TextEquals(def->name, "alias")) summary_->flags |= kEntryAlias;
      containerClass = (def->flags & kClassContainer) != 0;
    }
    if (hasChildren_ || containerClass) summary_->flags |= kEntryContainer;
    return sentStructural;
  }

 private:
  service::EntrySummary* summary_;
  std::string structural_;
  std::vector<std::string> classes_;
  bool hasChildren_ = false;
};

void LdapService::SummarizeEntry(LDAPMessage* entry, service::EntrySummary* summary) {
  // One pass over the entry's encoding: this runs for every entry of every listing.
  LDAP* ld = connection_->get();
  BerElement* rawBer = nullptr;
  berval dn{};
  if (ldap_get_dn_ber(ld, entry, &rawBer, &dn) != LDAP_SUCCESS) return;
  BerPtr ber(rawBer);
  FirstRdnOfDn(std::string_view(dn.bv_val, dn.bv_len), &summary->rdn);
  SummaryBuilder builder(summary);
  berval attr{};
  BerVarray values = nullptr;
  while (ldap_get_attribute_ber(ld, entry, rawBer, &attr, &values) == LDAP_SUCCESS && attr.bv_val) {
    const auto kind = SummaryBuilder::KindOf(std::string_view(attr.bv_val, attr.bv_len));
    for (BerVarray v = values; kind != SummaryBuilder::Kind::kOther && v && v->bv_val; ++v)
      builder.Take(kind, std::string_view(v->bv_val, v->bv_len));
    ber_memfree(values);
    values = nullptr;
  }
  if (builder.Finish(*schema_)) sendsStructuralClass_ = true;
}

void LdapService::SummarizeEntry(const LdifEntry& entry, service::EntrySummary* summary) {
  if (entry.dn.empty()) return;  // its encoding could not be read
  FirstRdnOfDn(entry.dn, &summary->rdn);
  SummaryBuilder builder(summary);
  for (const auto& [name, values] : entry.attributes) {
    const auto kind = SummaryBuilder::KindOf(name);
    if (kind == SummaryBuilder::Kind::kOther) continue;
    for (const std::string& value : values) builder.Take(kind, value);
  }
  if (builder.Finish(*schema_)) sendsStructuralClass_ = true;
}

DirStatus LdapService::ListChildren(const EntryName& parent, bool containersOnly, const std::string& cursor,
                                    std::uint32_t pageSize, service::ListPage* page) {
  SigpipeGuard guard(!pipesIgnored_);
  if (const DirStatus status = EnsureSchema(); status != 0) return status;
  std::string dn;
  if (const DirStatus status = ToDn(parent, &dn); status != 0) return status;
  Cursor position;
  if (!cursor.empty() && (!ParseCursor(cursor, &position) || position.parentDn != dn)) {
    return Record(kErrBadIteration, "listing cursor of another container");
  }
  LDAP* ld = connection_->get();
  SetDeref(ld, false);
  // The structural class where the server keeps it as an attribute, and the classes for those
  // that define the attribute but never send it (389 Directory Server).
  const bool structuralAttr = schema_->FindAttribute("structuralObjectClass") != nullptr;
  const char* allClasses[] = {"objectClass", "hasSubordinates", structuralAttr ? "structuralObjectClass" : nullptr,
                              nullptr};
  // Once the server has sent the structural class, every class value need not come along.
  const char* structuralOnly[] = {"structuralObjectClass", "hasSubordinates", nullptr};
  const char* const* attrs = sendsStructuralClass_ ? structuralOnly : allClasses;
  // With the values, the modification time too: a plan keeps it as the entry's state.
  const char* prefetchAttrs[] = {LDAP_ALL_USER_ATTRIBUTES, "hasSubordinates", "modifyTimestamp",
                                 structuralAttr ? "structuralObjectClass" : nullptr, nullptr};

  if (cursor.empty()) {
    const auto virtualChildren = VirtualChildren(parent);
    bool virtualOnly = parent.empty();
    if (!virtualOnly && !virtualChildren.empty()) {
      LDAPMessage* raw = nullptr;
      const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
      ++requests_;
      const int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(noAttrs),
                                       0, nullptr, nullptr, nullptr, 1, &raw);
      MessagePtr result(raw);
      if (rc == LDAP_NO_SUCH_OBJECT)
        virtualOnly = true;
      else if (rc != LDAP_SUCCESS)
        return Fail(rc, Format("listing %s", {dn}));
    }
    if (virtualOnly) {
      service::ListPage out;
      for (const auto& child : virtualChildren) {
        service::EntrySummary summary;
        EntryName childName = parent;
        childName.insert(childName.begin(), child);
        std::string childDn;
        EntryNameToDn(childName, &childDn);
        LDAPMessage* raw = nullptr;
        ++requests_;
        const int rc = ldap_search_ext_s(ld, childDn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)",
                                         const_cast<char**>(attrs), 0, nullptr, nullptr, nullptr, 1, &raw);
        MessagePtr result(raw);
        LDAPMessage* entry = rc == LDAP_SUCCESS ? ldap_first_entry(ld, raw) : nullptr;
        if (rc != LDAP_SUCCESS && rc != LDAP_NO_SUCH_OBJECT) return Fail(rc, Format("listing %s", {childDn}));
        if (entry) SummarizeEntry(entry, &summary);
        summary.rdn = child;
        summary.flags |= kEntryContainer;
        out.entries.push_back(std::move(summary));
      }
      *page = std::move(out);
      return 0;
    }
  }

  // The server is asked for pages of at least kDefaultPageSize; what the caller's smaller
  // pages leave over waits in serverPage_ for the next call (one server page at most).
  const std::size_t wanted = pageSize == 0 ? kDefaultPageSize : std::min<std::uint32_t>(pageSize, kMaxPageSize);
  // An empty cursor always starts afresh, even when an earlier listing was not finished.
  const bool cached = !cursor.empty() && serverPage_ && serverPage_->parentDn == dn &&
                      serverPage_->requestCookie == position.cookie && serverPage_->number == position.page &&
                      serverPage_->containersOnly == containersOnly;
  if (!cached) {
    serverPage_.reset();
    if (position.offset > 0) return Record(kErrBadIteration, "listing cursor no longer valid");
    std::string cookie = position.cookie;
    MessagePtr result;
    const int size = static_cast<int>(std::max<std::size_t>(wanted, kDefaultPageSize));
    ++requests_;
    // The entries of the page before stay too: a caller reading them in batches may still
    // be at the end of that page when it asks for this one.
    previousPageEntries_ = std::move(pageEntries_);
    pageEntries_.clear();
    const char* const* asked = prefetch_ ? prefetchAttrs : attrs;
    int rc = LDAP_SUCCESS;
    if (nextPage_ && nextPage_->parentDn == dn && nextPage_->cookie == position.cookie && !position.cookie.empty() &&
        nextPage_->number == position.page && nextPage_->containersOnly == containersOnly &&
        nextPage_->prefetch == prefetch_) {
      NextPage next = std::move(*nextPage_);
      nextPage_.reset();
      rc = next.ready ? CollectPage(ld, std::move(next.ready), &cookie, &result)
                      : CollectPage(ld, next.msgid, settings_.timeoutSeconds, &cookie, &result);
    } else {
      DropNextPage();
      rc = SearchPage(ld, dn, LDAP_SCOPE_ONELEVEL, "(objectClass=*)", asked, size, &cookie, &result);
    }
    if (rc != LDAP_SUCCESS) return Fail(rc, Format("listing %s", {dn}));
    if (position.cookie.empty() && cookie.empty() && ldap_count_entries(ld, result.get()) == 0) {
      // 389 Directory Server answers a paged search below a missing entry with no entries and
      // success: an empty first page is checked.
      LDAPMessage* raw = nullptr;
      const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
      ++requests_;
      const int exists = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)",
                                           const_cast<char**>(noAttrs), 0, nullptr, nullptr, nullptr, 1, &raw);
      MessagePtr base(raw);
      if (exists != LDAP_SUCCESS) return Fail(exists, Format("listing %s", {dn}));
    }
    ServerPage fetched{dn, position.cookie, std::move(cookie), position.page, containersOnly, {}, 0};
    // The server prepares the next page while this one is taken apart and handed out.
    if (!fetched.nextCookie.empty()) {
      int msgid = -1;
      ++requests_;
      if (SendPage(ld, dn, LDAP_SCOPE_ONELEVEL, "(objectClass=*)", asked, size, fetched.nextCookie, &msgid) ==
          LDAP_SUCCESS) {
        nextPage_ = NextPage{dn, fetched.nextCookie, position.page + 1, containersOnly, prefetch_, msgid, nullptr};
      }
    }
    fetched.entries.reserve(static_cast<std::size_t>(ldap_count_entries(ld, result.get())));
    std::size_t taken = 0;
    for (LDAPMessage* e = ldap_first_entry(ld, result.get()); e; e = ldap_next_entry(ld, e)) {
      // What the server sent of the next page meanwhile is taken in now and then, so that it
      // can go on sending instead of waiting on a full socket.
      if (++taken % kPollEvery == 0 && nextPage_ && !nextPage_->ready)
        PollPage(ld, nextPage_->msgid, &nextPage_->ready);
      service::EntrySummary summary;
      // With prefetch the entry is taken apart once, then summarized from what is kept.
      std::optional<LdifEntry> kept;
      if (prefetch_) {
        kept = ToLdifEntry(ld, e);
        SummarizeEntry(*kept, &summary);
      } else {
        SummarizeEntry(e, &summary);
      }
      if (containersOnly && !(summary.flags & kEntryContainer)) continue;
      if (kept) {
        // Kept under the DN a read of the listed name asks for.
        EntryName child;
        child.reserve(parent.size() + 1);
        child.push_back(summary.rdn);
        child.insert(child.end(), parent.begin(), parent.end());
        std::string childDn;
        if (KnownDn(child, &childDn) == 0) {
          kept->dn = childDn;
          pageEntries_.insert_or_assign(std::move(childDn), std::move(*kept));
        }
      }
      fetched.entries.push_back(std::move(summary));
    }
    serverPage_ = std::move(fetched);
  }
  // Entries are moved out as they are handed out, so only the cursor that continues where
  // the last page ended is valid; an older one would see emptied entries.
  auto& pending = serverPage_->entries;
  if (position.offset != serverPage_->handedOut || position.offset > pending.size()) {
    return Record(kErrBadIteration, "listing cursor no longer valid");
  }
  const std::size_t end = std::min(pending.size(), position.offset + wanted);
  service::ListPage out;
  out.entries.assign(std::make_move_iterator(pending.begin() + static_cast<std::ptrdiff_t>(position.offset)),
                     std::make_move_iterator(pending.begin() + static_cast<std::ptrdiff_t>(end)));
  serverPage_->handedOut = end;
  // Take in what the server sent of the next page meanwhile, so that it can go on sending
  // instead of waiting on a full socket until the caller is through this one.
  if (nextPage_ && !nextPage_->ready) PollPage(ld, nextPage_->msgid, &nextPage_->ready);
  if (end < pending.size()) {
    out.cursor = MakeCursor({position.cookie, dn, position.page, end});
  } else if (!serverPage_->nextCookie.empty()) {
    out.cursor = MakeCursor({serverPage_->nextCookie, dn, position.page + 1, 0});
    serverPage_->entries.clear();  // used up; kept only to know the next cookie
    serverPage_->entries.shrink_to_fit();
  } else {
    serverPage_.reset();
  }
  *page = std::move(out);
  return 0;
}

void LdapService::DropNextPage() {
  if (!nextPage_) return;
  NextPage next = std::move(*nextPage_);
  nextPage_.reset();
  if (!connection_) return;
  LDAP* ld = connection_->get();
  std::string cookie;
  MessagePtr result;
  const int rc = next.ready ? CollectPage(ld, std::move(next.ready), &cookie, &result)
                            : CollectPage(ld, next.msgid, settings_.timeoutSeconds, &cookie, &result);
  if (IsConnectionLost(rc)) {
    connection_.reset();
    return;
  }
  if (rc != LDAP_SUCCESS || cookie.empty()) return;
  // A page size of 0 with the cookie tells the server to drop the paged search.
  const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
  ++requests_;
  const int ended = SearchPage(ld, next.parentDn, LDAP_SCOPE_ONELEVEL, "(objectClass=*)", noAttrs, 0, &cookie, &result);
  if (IsConnectionLost(ended)) connection_.reset();
}

void LdapService::CancelListing(const std::string& cursor) {
  SigpipeGuard guard(!pipesIgnored_);
  Cursor position;
  if (!ParseCursor(cursor, &position)) return;
  std::string cookie = position.cookie;
  std::size_t page = position.page;
  if (serverPage_ && serverPage_->parentDn == position.parentDn && serverPage_->requestCookie == position.cookie &&
      serverPage_->number == position.page) {
    cookie = serverPage_->nextCookie;  // the server is one page ahead of the caller
    ++page;
  }
  serverPage_.reset();
  if (nextPage_ && nextPage_->parentDn == position.parentDn && nextPage_->cookie == cookie &&
      nextPage_->number == page) {
    DropNextPage();  // the page asked for ahead moved the server on: it is ended there
    return;
  }
  if (!connection_ || cookie.empty()) return;
  // A page size of 0 with the cookie tells the server to drop the paged search.
  const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
  MessagePtr result;
  ++requests_;
  const int rc = SearchPage(connection_->get(), position.parentDn, LDAP_SCOPE_ONELEVEL, "(objectClass=*)", noAttrs, 0,
                            &cookie, &result);
  if (IsConnectionLost(rc)) connection_.reset();
}

}  // namespace recast::ldap
