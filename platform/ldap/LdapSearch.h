#pragma once
// Search helpers shared by the parts of the LDAP service.

#include <ldap.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/ldap/LdapHandles.h"
#include "platform/service/DirectoryService.h"

namespace recast::ldap {

struct LdifEntry;

inline constexpr int kDefaultPageSize = 1000;
inline constexpr int kMaxPageSize = 10000;

std::string HexEncode(std::string_view bytes);
// False (and *bytes unchanged) for text that is not an even number of hex digits.
bool HexDecode(std::string_view text, std::string* bytes);

// Whether the following searches follow aliases (finding the base and searching).
void SetDeref(LDAP* ld, bool deref);

// The values of one attribute of a result entry, matched by name ignoring case.
std::vector<std::string> Values(LDAP* ld, LDAPMessage* entry, const char* attr);

// A result entry's DN with every attribute description and its values as the server sent them.
LdifEntry ToLdifEntry(LDAP* ld, LDAPMessage* entry);

// True when name ends with suffix and is longer.
bool IsBelow(const service::EntryName& name, const service::EntryName& suffix);

// One page of a paged search; the LDAP result code. *cookie: the server's cookie of the
// previous page on entry (empty for the first), the one for the next page on return (empty
// after the last). pageSize 0 with a cookie ends the paged search on the server.
int SearchPage(LDAP* ld, const std::string& base, int scope, const std::string& filter, const char* const* attrs,
               int pageSize, std::string* cookie, MessagePtr* out);

// SearchPage in two halves, so that the server prepares a page while the caller works on the
// previous one. SendPage asks for the page after cookie and leaves its message id in *msgid;
// CollectPage waits at most timeoutSeconds for that page's whole answer and returns as
// SearchPage does (*cookie: the one for the page after it).
int SendPage(LDAP* ld, const std::string& base, int scope, const std::string& filter, const char* const* attrs,
             int pageSize, const std::string& cookie, int* msgid);
int CollectPage(LDAP* ld, int msgid, int timeoutSeconds, std::string* cookie, MessagePtr* out);
// Waits at most timeoutSeconds for the whole answer to request msgid, into *out: LDAP_SUCCESS
// once it is there (whatever result code it holds), LDAP_TIMEOUT (the request abandoned) or
// the code of the failure that ended the wait.
int AwaitAnswer(LDAP* ld, int msgid, int timeoutSeconds, MessagePtr* out);
// Takes in what has arrived of that page without waiting, so that the server can go on
// sending while the caller works; true, with the whole answer in *ready, once it is complete.
// CollectPage then returns it (pass it as ready).
bool PollPage(LDAP* ld, int msgid, MessagePtr* ready);
int CollectPage(LDAP* ld, MessagePtr ready, std::string* cookie, MessagePtr* out);

// Adds entry as it stands (the values are not changed, only passed); the LDAP result code.
int AddEntry(LDAP* ld, LdifEntry& entry);

}  // namespace recast::ldap
