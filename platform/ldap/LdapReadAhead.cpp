// LdapService: asking for a batch of entries before their reads.
#include <ldap.h>

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapSearch.h"
#include "platform/ldap/LdapService.h"
#include "platform/ldap/LdapStatus.h"

namespace recast::ldap {

using service::EntryName;
using service::NamePart;

namespace {

bool SameParent(const EntryName& a, const EntryName& b) {
  return a.size() == b.size() && std::equal(a.begin() + 1, a.end(), b.begin() + 1);
}

}  // namespace

void LdapService::Prefetch(const std::vector<EntryName>& entries) {
  SigpipeGuard guard(!pipesIgnored_);
  AbandonAhead();
  combinedMissed_.clear();
  if (EnsureConnected() != 0) return;
  aheadGeneration_ = connectionGeneration_;
  // Each spelled as ResolveName spells a typed name, so that its reads find the entry.
  std::vector<std::pair<EntryName, std::string>> wanted;  // the name, its DN
  std::unordered_set<std::string> seen;
  for (const EntryName& entry : entries) {
    // Never more than can stay kept together: the first would be gone before its read.
    if (wanted.size() == kKeptEntries) break;
    EntryName resolved;
    resolved.reserve(entry.size());
    for (const NamePart& part : entry) {
      std::optional<NamePart> typed = TypedPart(part);
      if (!typed) break;
      resolved.push_back(std::move(*typed));
    }
    std::string dn;
    if (entry.empty() || resolved.size() != entry.size() || EntryNameToDn(resolved, &dn) != 0 || HeldEntry(dn) ||
        !seen.insert(dn).second)
      continue;
    wanted.emplace_back(std::move(resolved), std::move(dn));
  }
  // Children of one parent next to each other are asked for together; the rest one by one.
  for (std::size_t first = 0; first < wanted.size();) {
    std::size_t end = first + 1;
    while (end < wanted.size() && end - first < kCombinedEntries && SameParent(wanted[first].first, wanted[end].first))
      ++end;
    if (combinedReads_ && end - first > 1 && wanted[first].first.size() > 1) {
      if (!SendCombined(wanted.begin() + static_cast<std::ptrdiff_t>(first),
                        wanted.begin() + static_cast<std::ptrdiff_t>(end)))
        return;
    } else {
      for (std::size_t i = first; i < end; ++i) aheadQueued_.push_back(std::move(wanted[i].second));
    }
    first = end;
  }
  SendAhead();
}

bool LdapService::SendCombined(std::vector<std::pair<EntryName, std::string>>::iterator first,
                               std::vector<std::pair<EntryName, std::string>>::iterator end) {
  std::string parentDn;
  if (EntryNameToDn(EntryName(first->first.begin() + 1, first->first.end()), &parentDn) != 0) {
    for (auto it = first; it != end; ++it) aheadQueued_.push_back(std::move(it->second));
    return true;
  }
  CombinedRead read;
  std::string filter = "(|";
  for (auto it = first; it != end; ++it) {
    filter += "(entryDN=" + EscapeFilterValue(it->second) + ")";
    read.wanted.push_back({std::move(it->first.front()), std::move(it->second)});
  }
  filter += ")";
  LDAP* ld = connection_->get();
  SetDeref(ld, false);
  const char* attrs[] = {LDAP_ALL_USER_ATTRIBUTES, nullptr};
  ++requests_;
  const int rc = ldap_search_ext(ld, parentDn.c_str(), LDAP_SCOPE_ONELEVEL, filter.c_str(), const_cast<char**>(attrs),
                                 0, nullptr, nullptr, nullptr, static_cast<int>(read.wanted.size()), &read.msgid);
  if (rc != LDAP_SUCCESS) {
    // As SendAhead: a lost connection fails the reads after it at once.
    if (IsConnectionLost(rc)) Fail(rc, "reading entries ahead");
    return false;
  }
  combined_.push_back(std::move(read));
  return true;
}

bool LdapService::CollectCombined(const std::string& dn, const LdifEntry** entry, int* rc) {
  const auto isDn = [&dn](const CombinedRead::Wanted& w) { return w.dn == dn; };
  const auto found = std::find_if(combined_.begin(), combined_.end(), [&](const CombinedRead& read) {
    return std::any_of(read.wanted.begin(), read.wanted.end(), isDn);
  });
  if (found == combined_.end()) return false;
  CombinedRead read = std::move(*found);
  combined_.erase(found);
  if (!AheadValid()) return false;
  LDAP* ld = connection_->get();
  MessagePtr result;
  if (const int awaited = AwaitAnswer(ld, read.msgid, settings_.timeoutSeconds, &result); awaited != LDAP_SUCCESS) {
    if (!IsConnectionLost(awaited)) return false;
    *rc = awaited;
    return true;
  }
  // The scope holds only the parent's children: an entry whose first RDN is one asked for
  // (spelled as the server spells it) is the entry its DN names. Whatever the answer's result
  // code, its entries are whole; those not in it are read on their own.
  std::size_t kept = 0;
  for (LDAPMessage* e = ldap_first_entry(ld, result.get()); e; e = ldap_next_entry(ld, e)) {
    LdifEntry got = ToLdifEntry(ld, e);
    NamePart rdn;
    if (FirstRdnOfDn(got.dn, &rdn) != 0) continue;
    const auto wanted = std::find_if(read.wanted.begin(), read.wanted.end(),
                                     [&rdn](const CombinedRead::Wanted& w) { return w.rdn == rdn; });
    if (wanted == read.wanted.end()) continue;
    Keep(wanted->dn, std::move(got));
    read.wanted.erase(wanted);
    ++kept;
  }
  // An answer without any entry may come from a server that cannot search by entryDN: the
  // first of them that a read of its own finds ends the combined reads.
  if (kept == 0) {
    for (CombinedRead::Wanted& w : read.wanted) combinedMissed_.insert(std::move(w.dn));
  }
  *entry = HeldEntry(dn);
  if (!*entry) return false;
  *rc = LDAP_SUCCESS;
  return true;
}

void LdapService::SendAhead() {
  if (!AheadValid()) {
    aheadQueued_.clear();
    return;
  }
  LDAP* ld = connection_->get();
  SetDeref(ld, false);
  const char* attrs[] = {LDAP_ALL_USER_ATTRIBUTES, nullptr};
  while (ahead_.size() < kAheadWindow && !aheadQueued_.empty()) {
    std::string dn = std::move(aheadQueued_.front());
    aheadQueued_.pop_front();
    if (HeldEntry(dn)) continue;  // read meanwhile, by a listing or its own read
    int msgid = -1;
    ++requests_;
    const int rc = ldap_search_ext(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs), 0,
                                   nullptr, nullptr, nullptr, 1, &msgid);
    if (rc != LDAP_SUCCESS) {
      aheadQueued_.clear();
      // A lost connection is recorded as a read would record it, so that the reads after
      // this fail at once instead of waiting for the server once more each.
      if (IsConnectionLost(rc)) Fail(rc, "reading entries ahead");
      return;
    }
    ahead_.emplace(std::move(dn), msgid);
  }
}

bool LdapService::CollectAhead(const std::string& dn, const LdifEntry** entry, int* rc) {
  const auto found = ahead_.find(dn);
  if (found == ahead_.end()) {
    // Read before its turn came: it is read on its own, and not asked for again.
    if (const auto queued = std::find(aheadQueued_.begin(), aheadQueued_.end(), dn); queued != aheadQueued_.end())
      aheadQueued_.erase(queued);
    return false;
  }
  const int msgid = found->second;
  ahead_.erase(found);
  if (!AheadValid()) return false;
  SendAhead();  // the server works on the next while this answer is taken
  LDAP* ld = connection_->get();
  MessagePtr result;
  if (const int awaited = AwaitAnswer(ld, msgid, settings_.timeoutSeconds, &result); awaited != LDAP_SUCCESS) {
    // A lost or silent server is not asked once more: one wait is what it costs.
    if (!IsConnectionLost(awaited)) return false;
    *rc = awaited;
    return true;
  }
  int code = LDAP_OTHER;
  if (ldap_parse_result(ld, result.get(), &code, nullptr, nullptr, nullptr, nullptr, 0) != LDAP_SUCCESS ||
      code != LDAP_SUCCESS) {
    return false;  // the caller's own read meets the failure again and words it
  }
  LDAPMessage* first = ldap_first_entry(ld, result.get());
  if (!first) return false;
  *entry = Keep(dn, ToLdifEntry(ld, first));
  *rc = LDAP_SUCCESS;
  return true;
}

void LdapService::OwnReadFound(const std::string& dn) {
  if (!combinedMissed_.empty() && combinedMissed_.count(dn) != 0) combinedReads_ = false;
}

bool LdapService::AheadValid() const { return connection_ && aheadGeneration_ == connectionGeneration_; }

void LdapService::AbandonAhead(const std::string& dn) {
  if (dn.empty())
    aheadQueued_.clear();
  else
    aheadQueued_.erase(std::remove(aheadQueued_.begin(), aheadQueued_.end(), dn), aheadQueued_.end());
  for (auto it = ahead_.begin(); it != ahead_.end();) {
    if (!dn.empty() && it->first != dn) {
      ++it;
      continue;
    }
    if (AheadValid()) ldap_abandon_ext(connection_->get(), it->second, nullptr, nullptr);
    it = ahead_.erase(it);
  }
  // A combined read goes on for its other entries; the answer's copy of dn is not used.
  for (auto it = combined_.begin(); it != combined_.end();) {
    if (!dn.empty()) std::erase_if(it->wanted, [&dn](const CombinedRead::Wanted& w) { return w.dn == dn; });
    if (!dn.empty() && !it->wanted.empty()) {
      ++it;
    } else {
      if (AheadValid()) ldap_abandon_ext(connection_->get(), it->msgid, nullptr, nullptr);
      it = combined_.erase(it);
    }
  }
}

}  // namespace recast::ldap
