#pragma once
// The directory service of an LDAPv3 server, reached through libldap.
//
// Names: an EntryName is the entry's full DN, most specific part first, types upper-cased
// (cn=Sales,o=Org <-> [CN=Sales, O=Org]); the empty name is the server's root, whose children
// are the top parts of its naming contexts. Schema, values and result codes are mapped as
// LdapSchema.h, LdapValues.h and LdapStatus.h say. Every failure with a server message
// records that message (LastDiagnostic, and the error-text library when it is linked).
//
// A connection that drops (or a server that does not answer within the timeout) fails the
// operation that meets it with kErrServerUnavailable. Until the next BeginUserAction every
// further operation fails at once with the status and text of that failure (or of the failed
// reconnect); after it, the next operation connects again. Not thread-safe: one service per
// thread.
//
// Kept entry: the first read of an entry (a name resolved to it, a value read) fetches all of
// its user attributes in one base search, aliases not followed; the reads of that entry after
// it (values, its name, a restore record) use what was fetched. It is dropped by any change
// through the service, by BeginUserAction, by a failed read and when another entry is read;
// only its classes outlive a change of it that leaves them alone, for ChangeBaseClass.
// Operational attributes, and the values of an alias read through to its target, are asked
// for on their own. With SetListingPrefetch(true) the entries of the listing's current server
// page are kept the same way until the next page, a change of that entry, or BeginUserAction.
// Prefetch asks for a batch of entries at once and returns; each answer is taken, and its
// entries kept the same way, when one of them is first read. Children of one parent are asked
// for together, a search of their entryDNs one level below it; entries it does not bring are
// read on their own. The requests outlive BeginUserAction (they were sent for the action to
// come) but not the next Prefetch.

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/ldap/LdapConfig.h"
#include "platform/ldap/LdapConnection.h"
#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapSchema.h"
#include "platform/ldap/Ldif.h"
#include "platform/ldap/SigpipeGuard.h"
#include "platform/service/DirectoryService.h"

typedef struct ldapmsg LDAPMessage;

namespace recast::ldap {

class LdapService : public service::DirectoryService {
 public:
  // Connects and binds (LdapConnection::Open) and reads the root DSE. The base entry is
  // settings.baseDn, else the first naming context. On failure *service is unchanged and
  // *diagnostic says why.
  static DirStatus Open(const LdapSettings& settings, std::unique_ptr<LdapService>* service, std::string* diagnostic);

  DirStatus Login(service::LoginInfo* info) override;
  DirStatus ReadSchema(service::Schema* schema) override;
  DirStatus ResolveName(const service::EntryName& name, bool derefAliases, service::EntryName* canonical) override;
  // The cursor holds the server's paging cookie (hex), the parent's DN and a position in the
  // server's page; a cursor of another parent fails with kErrBadIteration. The server is
  // asked for pages of at least 1000 entries; the rest of a page waits for the next call, so
  // at most one server page is held. One listing at a time per service (servers keep one
  // paged search per connection). containersOnly pages may hold fewer entries than asked for
  // (even none) while the cursor goes on.
  DirStatus ListChildren(const service::EntryName& parent, bool containersOnly, const std::string& cursor,
                         std::uint32_t pageSize, service::ListPage* page) override;
  void CancelListing(const std::string& cursor) override;
  DirStatus ReadAttribute(const service::EntryName& entry, const std::string& attrName, bool derefAliases,
                          service::AttributeValues* values) override;
  void ReadAttributes(const service::EntryName& entry, const std::vector<std::string>& attrNames, bool derefAliases,
                      std::vector<AttributeResult>* results) override;
  DirStatus Modify(const service::EntryName& entry, const std::vector<service::Change>& changes) override;
  // One modify that replaces the structural chain and keeps the auxiliary classes; when the
  // server refuses a structural change, the Relax Rules retry and the safe re-create follow
  // if their settings are on (README.md).
  DirStatus ChangeBaseClass(const service::EntryName& entry, const std::string& newClass) override;
  // One base search of objectClass and attrNames; the values as the server holds them.
  DirStatus DescribeRestoreLdif(const service::EntryName& entry, const std::vector<std::string>& attrNames,
                                std::string* ldif) override;
  // LDAP has no stream attributes: kErrNotSupported.
  DirStatus ReadStream(const service::EntryName& entry, const std::string& attrName,
                       std::vector<std::uint8_t>* content) override;

  // Ends the fail-at-once state of a failed connection (the next operation connects again)
  // and drops the kept entries.
  void BeginUserAction() override;
  // Listings from now on also fetch the listed entries' user attributes (see above).
  void SetListingPrefetch(bool prefetch) override;
  // Asks for the entries not yet kept (names of typed parts only) without waiting: up to
  // kCombinedEntries children of one parent next to each other in one search, any other
  // entry in a base search of its own, kAheadWindow of those at a time. A read of one of them
  // takes its answer. Gives up the answers of the previous call not taken. Once a server
  // answered a combined search without any entry and one of them then was found on its own
  // (it cannot search by entryDN), every entry is asked for on its own.
  void Prefetch(const std::vector<service::EntryName>& entries) override;
  // What the service repaired on connecting (see README.md), each message once.
  std::vector<std::string> TakeNotices() override;

  // Runs between the delete and the add of every re-create (tests end the program there).
  void SetRecreateHook(std::function<void()> hook) { recreateHook_ = std::move(hook); }

  // The server's message (or the service's own reason) for the latest failure.
  const std::string& LastDiagnostic() const { return lastDiagnostic_; }
  const std::string& BaseDn() const { return baseDn_; }
  // Requests sent for entries (names, listings, values, changes) since Open; the
  // connection's own (root DSE, schema, login) are not counted. For tests and benchmarks.
  std::uint64_t RequestsSent() const { return requests_; }

  explicit LdapService(LdapSettings settings) : settings_(std::move(settings)) {}

 private:
  DirStatus Connect(std::string* diagnostic);
  DirStatus EnsureConnected();
  DirStatus EnsureSchema();
  // Maps a libldap or result code, records the diagnostic and drops a lost connection.
  DirStatus Fail(int resultCode, const std::string& context);
  // Sends one change (send returns libldap's result code). A read-only copy answers with a
  // referral: with FollowReferrals the change goes once more to the server it names, over a
  // connection of the same login and TLS settings; otherwise Fail words the referral.
  int SendChange(const std::function<int(LDAP*)>& send);
  // The server's diagnostic of the connection that answered the latest SendChange.
  std::string ChangeDiagnostic() const;
  DirStatus Record(DirStatus status, std::string text);

  DirStatus ToDn(const service::EntryName& name, std::string* dn);
  // EntryNameToDn, remembering the last name: ToDn without recording a failure.
  DirStatus KnownDn(const service::EntryName& name, std::string* dn);
  DirStatus ResolvePart(const std::string& parentDn, const service::EntryName& parent, const std::string& value,
                        service::NamePart* part);
  std::vector<service::NamePart> VirtualChildren(const service::EntryName& parent) const;
  DirStatus ReadEntry(const std::string& dn, LdifEntry* entry, int* resultCode);
  DirStatus HasChildren(const std::string& dn, bool* children);
  DirStatus Recreate(const std::string& dn, const std::vector<std::string>& newClasses);
  // Puts back the entries of this server's pending re-create backups (README.md) and tells
  // the user through the notices.
  void RecoverPendingBackups();
  std::filesystem::path BackupFolder() const { return settings_.dataFolder / "ldap-backups"; }
  // The listed entry's name part, base class, flags and stamp: from its encoding, or from the
  // entry as kept (its dn the server's).
  void SummarizeEntry(LDAPMessage* entry, service::EntrySummary* summary);
  void SummarizeEntry(const LdifEntry& entry, service::EntrySummary* summary);
  // The user attributes of dn (aliases not followed) from the kept entries, else fetched in
  // one base search and kept; the LDAP result code (LDAP_NO_SUCH_OBJECT also when the
  // server sent no entry). *entry points into the service until the next call that reads or
  // changes anything.
  int FetchEntry(const std::string& dn, const LdifEntry** entry);
  // A typed name part as resolved names spell it (the type upper-cased), which the kept
  // entries' DNs are built from; none for a typeless part or one whose type is not valid.
  static std::optional<service::NamePart> TypedPart(const service::NamePart& part);
  // Keeps entry under dn (the oldest kept entry goes beyond kKeptEntries); where it is kept.
  const LdifEntry* Keep(const std::string& dn, LdifEntry entry);
  // The kept or page entry under dn, else null.
  const LdifEntry* HeldEntry(const std::string& dn) const;
  // The values of def's attribute from the server's texts: the base class first for
  // objectClass; all as text when one is beyond the client's form.
  service::AttributeValues ToValues(const service::AttributeDefinition& def, std::vector<std::string> texts) const;
  // Forgets what is kept of dn (everything when dn is empty), and the classes kept after a
  // change.
  void DropKept(const std::string& dn = {});
  // The classes of the entry a change through the service left them alone, as read before it
  // (DN, values), until the next change, read failure or user action.
  std::optional<std::pair<std::string, service::AttributeValues>> classesAfterChange_;

  // The latest page the server sent for a listing, with what the caller has not had yet.
  struct ServerPage {
    std::string parentDn;
    std::string requestCookie;  // the cookie this page was asked for with (empty: the first)
    std::string nextCookie;     // the server's cookie for the page after it (empty: last page)
    std::size_t number = 0;     // in its listing, 0 the first
    bool containersOnly = false;
    std::vector<service::EntrySummary> entries;
    std::size_t handedOut = 0;  // entries already given to the caller (moved out)
  };

  // The page after serverPage_, asked for while the caller works on serverPage_.
  struct NextPage {
    std::string parentDn;
    std::string cookie;  // the cookie it was asked for with
    std::size_t number = 0;
    bool containersOnly = false;
    bool prefetch = false;
    int msgid = -1;
    MessagePtr ready;  // the whole answer, once PollPage took it in
  };
  // Waits for the page asked for ahead, if any, and ends its paged search on the server.
  void DropNextPage();

  LdapSettings settings_;
  std::unique_ptr<LdapConnection> connection_;
  std::optional<NextPage> nextPage_;
  // The server a read-only copy referred the latest change to, and the connection to it.
  std::string referralUrl_;
  std::unique_ptr<LdapConnection> referralConnection_;
  bool lastChangeReferred_ = false;
  std::optional<ServerPage> serverPage_;
  // The entries the last reads of this user action fetched, by the DN asked for: a bulk change
  // reads a batch of entries, then changes them. The oldest goes beyond kKeptEntries.
  static constexpr std::size_t kKeptEntries = 256;
  // Takes the answer Prefetch asked for dn: true with *rc LDAP_SUCCESS and the entry kept, or
  // true with *rc the code of a lost or silent server (which the caller records as its own
  // read's); false when there was no such request or the server refused it: the caller then
  // reads dn itself, and words the failure.
  bool CollectAhead(const std::string& dn, const LdifEntry** entry, int* rc);
  // Sends Prefetch's next requests, up to kAheadWindow unanswered.
  void SendAhead();
  // Prefetch's requests go out this many at a time, the next as each answer is taken: libldap
  // looks through every answer waiting when asked for one, so many waiting answers slow every
  // wait for an answer, the changes' too.
  static constexpr std::size_t kAheadWindow = 16;
  // Prefetch's search of the children of one parent, and the entries still wanted of its
  // answer (the one of a changed entry is not used): by their first part as resolved names
  // spell it, and the DN their reads ask for.
  struct CombinedRead {
    int msgid = -1;
    struct Wanted {
      service::NamePart rdn;
      std::string dn;
    };
    std::vector<Wanted> wanted;
  };
  // Sends the search of the entries [first, end), children of one parent (or queues them for
  // base searches when the parent has no DN); false when it could not be sent.
  bool SendCombined(std::vector<std::pair<service::EntryName, std::string>>::iterator first,
                    std::vector<std::pair<service::EntryName, std::string>>::iterator end);
  // As CollectAhead, for the combined search that asked for dn: every entry of its answer is
  // kept.
  bool CollectCombined(const std::string& dn, const LdifEntry** entry, int* rc);
  // A read of its own found dn: when a combined answer without entries left it out, the
  // server cannot be asked that way.
  void OwnReadFound(const std::string& dn);
  // Beyond a few dozen alternatives a filter costs some servers more than the base searches
  // it saves (389 Directory Server).
  static constexpr std::size_t kCombinedEntries = 32;
  std::vector<CombinedRead> combined_;
  std::unordered_set<std::string> combinedMissed_;
  bool combinedReads_ = true;
  // Gives up the answers sent ahead for dn, or for every entry when dn is empty.
  void AbandonAhead(const std::string& dn = {});
  bool AheadValid() const;  // the requests sent ahead went out on the current connection
  std::unordered_map<std::string, LdifEntry> kept_;
  // Prefetch's requests whose answers were not taken yet: message id by DN, on the connection
  // of aheadGeneration_ (one connection replaces another: connectionGeneration_ counts them).
  std::unordered_map<std::string, int> ahead_;
  std::deque<std::string> aheadQueued_;  // Prefetch's DNs not asked for yet, in their order
  std::uint64_t aheadGeneration_ = 0;
  std::uint64_t connectionGeneration_ = 0;
  std::deque<std::string> keptOrder_;
  bool prefetch_ = false;
  bool refusesStructuralChange_ = false;  // this server refused a structural change in place
  bool sendsStructuralClass_ = false;     // a listed entry came with structuralObjectClass
  // The current prefetched server page's entries, by the DN a read of each asks for.
  std::unordered_map<std::string, LdifEntry> pageEntries_;
  std::unordered_map<std::string, LdifEntry> previousPageEntries_;  // the page before it
  std::uint64_t requests_ = 0;
  // The program ignores SIGPIPE (its main does), so the service need not block it per call.
  const bool pipesIgnored_ = SigpipeIgnored();
  service::EntryName lastDnName_;  // the name ToDn turned into lastDn_ last
  std::string lastDn_;
  std::size_t lastDnFirstSize_ = 0;  // the size of its first RDN in lastDn_ when that was plain, else 0
  // The objectClass values ToValues ordered last, and their order.
  mutable std::vector<std::string> lastClassTexts_;
  mutable std::vector<std::string> lastClassOrder_;
  // What ReadAttributes worked out for its last call: a bulk analysis asks the same names of
  // entry after entry, and entries of one class usually come with the same descriptions.
  struct ReadMemo {
    std::vector<std::string> names;  // asked for
    std::vector<const service::AttributeDefinition*> nameDefs;
    std::vector<std::string> descriptions;  // of the entry read
    std::vector<const service::AttributeDefinition*> descriptionDefs;
    bool alias = false;  // one of the descriptions is aliasedObjectName
    // For each name, the indexes of the descriptions that hold its values.
    std::vector<std::vector<std::size_t>> matches;
  };
  ReadMemo readMemo_;
  std::optional<LdapSchema> schema_;
  std::vector<service::EntryName> namingContexts_;
  std::string baseDn_;
  std::string subschemaDn_;
  std::string lastDiagnostic_;
  // The failure of the connection in the current user action (0: none): returned at once.
  DirStatus connectionFailure_ = 0;
  std::string connectionFailureText_;
  std::vector<std::string> notices_;
  std::function<void()> recreateHook_;
};

// The ServiceOpener for ldap://, ldaps:// and ldapi:// services.
DirStatus OpenLdapService(const service::ConnectionConfig& config, std::unique_ptr<service::DirectoryService>* service);

}  // namespace recast::ldap
