#pragma once
// What the directory client needs from a directory service: one tree, seen through one login.
//
// The client (platform/client) owns contexts, buffers, reply encoding, name syntax and the
// schema expansion; a service only stores or fetches. Two services implement this: the
// embedded SQLite directory (platform/embedded) and LDAP servers (platform/ldap).
//
// Every operation returns a DirStatus (directory/DirectoryClient.h), 0 = success, and leaves
// its out-arguments unchanged on failure unless stated otherwise. A service never throws.
// Names are absolute: EntryName parts run from the most specific part to the top of the tree
// (the order of a dotted name); an empty EntryName is the top of the tree ("[Root]").

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "directory/DirectoryClient.h"

namespace recast::service {

// One part of a name: "CN=Sales" has type "CN" and value "Sales"; a typeless part has an
// empty type and is resolved by the service by its value among the entry's siblings.
struct NamePart {
  std::string type;
  std::string value;
  bool operator==(const NamePart&) const = default;
};
using EntryName = std::vector<NamePart>;  // most specific first; empty = the top

// ---- Values ------------------------------------------------------------------------------
// One value in a form independent of where it is stored. The alternative a syntax uses is
// its ValueForm in directory/Syntaxes.h; the alternatives stand in that list's order.
namespace value {
struct Text {
  std::string text;
  bool operator==(const Text&) const = default;
};
struct CiList {
  std::vector<std::string> items;
  bool operator==(const CiList&) const = default;
};
struct Boolean {
  bool value = false;
  bool operator==(const Boolean&) const = default;
};
struct Integer {
  std::int32_t value = 0;
  bool operator==(const Integer&) const = default;
};
struct Octets {
  std::vector<std::uint8_t> bytes;
  bool operator==(const Octets&) const = default;
};
struct Fax {
  std::string number;
  std::uint32_t parameterBits = 0;
  std::vector<std::uint8_t> parameters;
  bool operator==(const Fax&) const = default;
};
struct NetAddress {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> address;
  bool operator==(const NetAddress&) const = default;
};
struct OctetList {
  std::vector<std::vector<std::uint8_t>> items;
  bool operator==(const OctetList&) const = default;
};
struct Email {
  std::uint32_t type = 0;
  std::string address;
  bool operator==(const Email&) const = default;
};
struct Path {
  std::uint32_t nameSpace = 0;
  std::string volume;
  std::string path;
  bool operator==(const Path&) const = default;
};
struct ReplicaPointer {
  std::string server;
  std::uint32_t replicaType = 0;
  std::uint32_t replicaNumber = 0;
  std::vector<NetAddress> addresses;
  bool operator==(const ReplicaPointer&) const = default;
};
struct Acl {
  std::string protectedAttr;
  std::string subject;
  std::uint32_t privileges = 0;
  bool operator==(const Acl&) const = default;
};
struct PostalAddress {
  std::array<std::string, 6> lines;
  bool operator==(const PostalAddress&) const = default;
};
struct Timestamp {
  std::uint32_t seconds = 0;
  std::uint16_t replicaNumber = 0;
  std::uint16_t eventId = 0;
  bool operator==(const Timestamp&) const = default;
};
struct Seconds {
  std::uint32_t seconds = 0;
  bool operator==(const Seconds&) const = default;
};
struct BackLink {
  std::uint32_t remoteId = 0;
  std::string objectName;
  bool operator==(const BackLink&) const = default;
};
struct TypedName {
  std::string objectName;
  std::uint32_t level = 0;
  std::uint32_t interval = 0;
  bool operator==(const TypedName&) const = default;
};
struct Hold {
  std::string objectName;
  std::uint32_t amount = 0;
  bool operator==(const Hold&) const = default;
};
struct Unknown {
  std::string attrName;
  std::uint32_t syntax = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const Unknown&) const = default;
};
}  // namespace value

using DirValue = std::variant<value::Text, value::CiList, value::Boolean, value::Integer, value::Octets, value::Fax,
                              value::NetAddress, value::OctetList, value::Email, value::Path, value::ReplicaPointer,
                              value::Acl, value::PostalAddress, value::Timestamp, value::Seconds, value::BackLink,
                              value::TypedName, value::Hold, value::Unknown>;

#define RECAST_FORM_MATCHES(form) \
  static_assert(std::is_same_v<std::variant_alternative_t<FormIndex(ValueForm::k##form), DirValue>, value::form>);
RECAST_VALUE_FORMS(RECAST_FORM_MATCHES)
#undef RECAST_FORM_MATCHES
static_assert(std::variant_size_v<DirValue> == FormIndex(ValueForm::kUnknown) + 1);

// ---- Schema ------------------------------------------------------------------------------
// A class's own definition; the client expands inherited items along superClasses.
struct ClassDefinition {
  std::string name;
  std::uint32_t flags = 0;  // kClassContainer, kClassEffective, kClassAuxiliary, ...
  Asn1Id asn1Id;
  std::vector<std::string> superClasses;
  std::vector<std::string> containmentClasses;
  std::vector<std::string> namingAttributes;
  std::vector<std::string> mandatoryAttributes;
  std::vector<std::string> optionalAttributes;
};

struct AttributeDefinition {
  std::string name;
  std::uint32_t flags = 0;  // kAttrSingleValued, kAttrSized, ...
  std::uint32_t syntax = 0;
  std::uint32_t lowerBound = 0;
  std::uint32_t upperBound = 0;
  Asn1Id asn1Id;
};

struct Schema {
  std::vector<ClassDefinition> classes;         // in the service's order
  std::vector<AttributeDefinition> attributes;  // in the service's order
};

// ---- Entries -----------------------------------------------------------------------------
struct EntrySummary {
  NamePart rdn;  // the entry's own name part
  std::string baseClass;
  std::uint32_t flags = 0;  // kEntryContainer, kEntryAlias
  std::uint32_t subordinateCount = 0;
  std::uint32_t modificationTime = 0;
};

struct ListPage {
  std::vector<EntrySummary> entries;
  std::string cursor;  // continues the listing; empty when nothing more is to come
};

struct AttributeValues {
  std::string name;  // the attribute's name as the schema spells it
  std::uint32_t syntax = 0;
  std::vector<DirValue> values;
};

struct Change {
  std::uint32_t type = 0;  // ChangeType 0..7 (the client splits its own composites)
  std::string attrName;
  std::optional<DirValue> value;  // for the types that carry one
};

struct LoginInfo {
  EntryName fullName;          // the login's own entry
  EntryName defaultContainer;  // where its name context starts
};

class DirectoryService {
 public:
  virtual ~DirectoryService() = default;

  // The login this service acts as.
  virtual DirStatus Login(LoginInfo* info) = 0;

  // The whole schema. The client reads it once per connection and keeps it.
  virtual DirStatus ReadSchema(Schema* schema) = 0;

  // Resolves a name whose parts may be typeless into the canonical, fully typed name.
  // kErrNoSuchEntry when no entry has that name. Aliases are followed when derefAliases.
  virtual DirStatus ResolveName(const EntryName& name, bool derefAliases, EntryName* canonical) = 0;

  // One page of the entries directly below parent (canonical), at most pageSize entries.
  // cursor: empty for the first page, else the cursor of the previous page. The order is
  // stable for the service; a listing continues where the previous page ended (no re-scan).
  virtual DirStatus ListChildren(const EntryName& parent, bool containersOnly, const std::string& cursor,
                                 std::uint32_t pageSize, ListPage* page) = 0;
  // Ends a listing before its last page (frees what the service holds for cursor).
  virtual void CancelListing(const std::string& cursor) = 0;

  // All values of one attribute of entry (canonical). kErrNoSuchAttribute when the entry has
  // no value for it (or the schema has no such attribute); kErrNoSuchEntry when the entry is
  // missing. derefAliases: an alias entry is read through to the entry it points to.
  virtual DirStatus ReadAttribute(const EntryName& entry, const std::string& attrName, bool derefAliases,
                                  AttributeValues* values) = 0;

  // ReadAttribute for every name of attrNames: (*results)[i] is what ReadAttribute(entry,
  // attrNames[i], derefAliases, ...) gives, in one visit to the entry where the service can.
  // The default calls ReadAttribute for each name.
  struct AttributeResult {
    DirStatus status = 0;
    AttributeValues values;
  };
  virtual void ReadAttributes(const EntryName& entry, const std::vector<std::string>& attrNames, bool derefAliases,
                              std::vector<AttributeResult>* results) {
    results->assign(attrNames.size(), {});
    for (std::size_t i = 0; i < attrNames.size(); ++i) {
      (*results)[i].status = ReadAttribute(entry, attrNames[i], derefAliases, &(*results)[i].values);
    }
  }

  // Applies all changes to entry as one: all or none.
  virtual DirStatus Modify(const EntryName& entry, const std::vector<Change>& changes) = 0;

  // Changes entry's base class; fails and changes nothing unless the result fits the schema.
  virtual DirStatus ChangeBaseClass(const EntryName& entry, const std::string& newClass) = 0;

  // The whole content of a stream attribute.
  virtual DirStatus ReadStream(const EntryName& entry, const std::string& attrName,
                               std::vector<std::uint8_t>* content) = 0;

  // For services over LDAP: replaces *ldif with one LDIF change record that puts entry's
  // (canonical) objectClass values and the current values of attrNames back, as
  // DirectoryClient::DescribeRestoreLdif describes it. kErrNotSupported by default.
  virtual DirStatus DescribeRestoreLdif(const EntryName&, const std::vector<std::string>&, std::string*) {
    return kErrNotSupported;
  }

  // Whether the listings after this call also fetch the listed entries' values, so that a
  // read of an entry of the current page needs no further request (a hint: the results are
  // the same either way). The default does nothing.
  virtual void SetListingPrefetch(bool) {}

  // Reads these entries ahead, in one round of requests where the service can, so that the
  // reads of them that follow (in this user action or the next one: the requests may still be
  // on their way when that begins) need no request of their own; a hint: the results are the
  // same either way, and a failure is left to those reads. What an earlier call read ahead and
  // nothing read since is given up. The default does nothing.
  virtual void Prefetch(const std::vector<EntryName>&) {}

  // A new user action begins (DirectoryClient::BeginUserAction). The default does nothing.
  virtual void BeginUserAction() {}
  // Messages for the user gathered since the last call; none by default.
  virtual std::vector<std::string> TakeNotices() { return {}; }
};

// One connection of the client's configuration, as handed to the service that opens it.
struct ConnectionConfig {
  std::string treeName;  // as shown to the user
  std::string service;   // the store's path, or an ldap://, ldaps:// or ldapi:// URL
  std::string login;     // the login's dotted name (embedded) or bind DN (LDAP)
  // Every key of the connection's section, keys lower-cased, values as read.
  std::map<std::string, std::string> settings;
  std::filesystem::path dataFolder;  // the per-user data folder (backups, demo store)
};

// Opens the service of one connection; the client picks the opener by the service's form.
using ServiceOpener =
    std::function<DirStatus(const ConnectionConfig& config, std::unique_ptr<DirectoryService>* service)>;

}  // namespace recast::service
