#pragma once
// The directory client: the only way the program talks to a directory.
//
// A flat, status-returning interface. Every operation returns a status, 0 = success:
// connection operations a 16-bit ConnStatus, every other operation a signed 32-bit
// DirStatus (directory codes are negative; callers that test for a particular code compare
// absolute values). No operation throws.
//
// Texts are zero-terminated 8-bit texts (UTF-8 on this platform). Out-buffers for texts
// have the sizes named below; an operation never writes more than that size, terminating
// zero included. On failure an operation leaves its out-arguments unchanged unless its
// comment says otherwise.
//
// Batched operations (listing, schema reads, object reads, modify) take an iteration
// handle: -1 before the first call; each call fills one reply buffer and leaves the handle
// at the value that continues the batch, or at -1 when nothing more is to come.
//
// Buffers and contexts are handles owned by the client. Whoever allocates one frees it
// (FreeBuffer, FreeContext) on every path; the directory layer wraps them in RAII guards.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "directory/Statuses.h"
#include "directory/Syntaxes.h"

namespace recast {

using ConnRef = std::uint32_t;
using ConnHandle = std::uint32_t;
using DirContext = std::int32_t;
using DirBuffer = std::uint32_t;
using IterationHandle = std::int32_t;

inline constexpr DirContext kNoContext = -1;
inline constexpr DirBuffer kNoBuffer = 0;
inline constexpr IterationHandle kNoIteration = -1;

// ---- Sizes -------------------------------------------------------------------------------
inline constexpr std::uint32_t kDefaultBufferSize = 4096;
inline constexpr std::uint32_t kMaxBufferSize = 64512;  // the client's maximum
inline constexpr std::size_t kMaxSchemaNameBytes = 33;  // class and attribute names: 32 + zero
inline constexpr std::size_t kMaxNameBytes = 256;       // object names, context texts
inline constexpr std::size_t kWhoAmIBytes = 516;
inline constexpr std::size_t kTreeInfoBytes = 255;  // GetConnectionRefInfo buffers
inline constexpr std::size_t kAsn1IdBytes = 32;

// ---- Statuses ----------------------------------------------------------------------------
// ConnStatus, DirStatus and every status constant: directory/Statuses.h.

// ---- Context keys and flags --------------------------------------------------------------
inline constexpr std::uint32_t kKeyFlags = 1;        // std::uint32_t
inline constexpr std::uint32_t kKeySetting = 2;      // std::uint32_t (0 for listings)
inline constexpr std::uint32_t kKeyNameContext = 3;  // text, buffer of kMaxNameBytes
inline constexpr std::uint32_t kKeyTreeName = 11;    // text, buffer of kMaxNameBytes

inline constexpr std::uint32_t kFlagDerefAliases = 0x01;
inline constexpr std::uint32_t kFlagTypelessNames = 0x04;
inline constexpr std::uint32_t kFlagCanonicalize = 0x10;
// This system's own: a listing through this context also fetches the listed entries' values,
// so reading an entry of the current page costs no further request.
inline constexpr std::uint32_t kFlagPrefetchValues = 0x1000;

// ---- Buffer operations (InitBuffer) ------------------------------------------------------
inline constexpr std::uint32_t kOpReadObject = 3;
inline constexpr std::uint32_t kOpModifyObject = 9;
inline constexpr std::uint32_t kOpReadAttrDef = 12;
inline constexpr std::uint32_t kOpReadClassDef = 15;

// ---- Information types -------------------------------------------------------------------
inline constexpr std::uint32_t kClassInfoExpanded = 2;  // expanded definitions (inherited items)
inline constexpr std::uint32_t kClassInfoNames = 3;     // names with class information
inline constexpr std::uint32_t kAttrInfoNames = 0;      // names only
inline constexpr std::uint32_t kAttrInfoDefinitions = 1;
inline constexpr std::uint32_t kObjectInfoValues = 1;  // attribute names with values

// ---- Connection information --------------------------------------------------------------
inline constexpr std::uint32_t kConnInfoTreeName = 4;  // padded with '_' to 32 characters

// ---- Class items (GetClassItemCount / GetClassItem order) --------------------------------
enum ClassItemKind : std::uint32_t {
  kItemSuperClasses = 0,
  kItemContainmentClasses = 1,
  kItemNamingAttributes = 2,
  kItemMandatoryAttributes = 3,
  kItemOptionalAttributes = 4,
};

// Class flags.
inline constexpr std::uint32_t kClassContainer = 0x01;
inline constexpr std::uint32_t kClassEffective = 0x02;
inline constexpr std::uint32_t kClassNonRemovable = 0x04;
inline constexpr std::uint32_t kClassAmbiguousNaming = 0x08;
inline constexpr std::uint32_t kClassAmbiguousContainment = 0x10;
inline constexpr std::uint32_t kClassAuxiliary = 0x20;

// Attribute flags.
inline constexpr std::uint32_t kAttrSingleValued = 0x001;
inline constexpr std::uint32_t kAttrSized = 0x002;
inline constexpr std::uint32_t kAttrNonRemovable = 0x004;
inline constexpr std::uint32_t kAttrReadOnly = 0x008;
inline constexpr std::uint32_t kAttrHidden = 0x010;
inline constexpr std::uint32_t kAttrString = 0x020;
inline constexpr std::uint32_t kAttrSyncImmediate = 0x040;
inline constexpr std::uint32_t kAttrPublicRead = 0x080;
inline constexpr std::uint32_t kAttrServerRead = 0x100;
inline constexpr std::uint32_t kAttrWriteManaged = 0x200;
inline constexpr std::uint32_t kAttrPerReplica = 0x400;
inline constexpr std::uint32_t kAttrSyncNever = 0x800;
// This system's own: a password or key (octet string) whose values are never shown, only
// their size.
inline constexpr std::uint32_t kAttrSecret = 0x1000;

// Entry flags (ObjectInfo::objectFlags).
inline constexpr std::uint32_t kEntryAlias = 0x01;
inline constexpr std::uint32_t kEntryPartitionRoot = 0x02;
inline constexpr std::uint32_t kEntryContainer = 0x04;

// ---- Syntaxes ----------------------------------------------------------------------------
// SyntaxId and what each syntax's values look like: directory/Syntaxes.h.

// ---- Change types (PutChange / PutChangeAndValue) ----------------------------------------
enum ChangeType : std::uint32_t {
  kChangeAddAttribute = 0,
  kChangeRemoveAttribute = 1,
  kChangeAddValue = 2,
  kChangeRemoveValue = 3,
  kChangeAdditionalValue = 4,
  kChangeOverwriteValue = 5,
  kChangeClearAttribute = 6,
  kChangeClearValue = 7,
};

// ---- Reply records -----------------------------------------------------------------------
struct Asn1Id {
  std::uint32_t length = 0;
  std::uint8_t data[kAsn1IdBytes] = {};
};

// Filled by GetObjectName.
struct ObjectInfo {
  std::uint32_t objectFlags = 0;  // kEntryContainer marks a container
  std::uint32_t subordinateCount = 0;
  std::uint32_t modificationTime = 0;  // seconds since 1970-01-01 UTC
  char baseClass[kMaxSchemaNameBytes] = {};
};

// Filled by GetClassDef.
struct ClassInfo {
  std::uint32_t classFlags = 0;
  Asn1Id asn1Id;
};

// Filled by GetAttrDef (information type 1; with type 0 only the name is delivered).
struct AttrInfo {
  std::uint32_t attrFlags = 0;
  std::uint32_t syntaxId = 0;
  std::uint32_t lowerBound = 0;
  std::uint32_t upperBound = 0;
  Asn1Id asn1Id;
};

// ---- Value records -----------------------------------------------------------------------
// GetAttrVal writes one value into a block of ComputeAttrValSize bytes: the record of the
// value's syntax at the start, and everything it references (texts, elements, bytes) after it
// in the same block, so that every pointer points inside the block. The block must be
// suitably aligned (operator new / malloc alignment).
//
// By the syntax's value form (directory/Syntaxes.h): Text: the block is the zero-terminated
// text itself. Boolean: one byte (non-zero = true). Integer: std::int32_t. Seconds:
// std::uint32_t. Octets of a raw syntax: the bytes themselves. Every other form has its
// record below.

// Unknown. The data bytes stand inline from the fourth field on, length bytes of them.
struct UnknownValue {
  const char* attrName;
  std::uint32_t syntaxId;
  std::uint32_t length;
  std::uint8_t data[1];  // length bytes (the block is sized for all of them)
};

// CiList: a chain of elements.
struct CiListValue {
  const CiListValue* next;  // null after the last
  const char* text;
};

// Octets (of a syntax that is not raw).
struct OctetStringValue {
  std::uint32_t length;
  const std::uint8_t* data;
};

// Fax.
struct FaxNumberValue {
  const char* telephoneNumber;
  std::uint32_t parameterBits;
  const std::uint8_t* parameters;
};

// NetAddress.
struct NetAddressValue {
  std::uint32_t addressType;
  std::uint32_t length;
  const std::uint8_t* address;
};

// OctetList: a chain of elements.
struct OctetListValue {
  const OctetListValue* next;  // null after the last
  std::uint32_t length;
  const std::uint8_t* data;
};

// Email.
struct EmailAddressValue {
  std::uint32_t addressType;
  const char* address;
};

// Path.
struct PathValue {
  std::uint32_t nameSpaceType;
  const char* volumeName;
  const char* path;
};

// ReplicaPointer.
struct ReplicaPointerValue {
  const char* serverName;
  std::uint32_t replicaType;
  std::uint32_t replicaNumber;
  std::uint32_t addressCount;
  const NetAddressValue* addresses;  // addressCount records
};

// Acl.
struct ObjectAclValue {
  const char* protectedAttrName;
  const char* subjectName;
  std::uint32_t privileges;
};

// PostalAddress: six lines.
struct PostalAddressValue {
  const char* lines[6];
};

// Timestamp.
struct TimestampValue {
  std::uint32_t wholeSeconds;  // since 1970-01-01 00:00 UTC
  std::uint16_t replicaNumber;
  std::uint16_t eventId;
};

// BackLink.
struct BackLinkValue {
  std::uint32_t remoteId;
  const char* objectName;
};

// TypedName.
struct TypedNameValue {
  const char* objectName;
  std::uint32_t level;
  std::uint32_t interval;
};

// Hold.
struct HoldValue {
  const char* objectName;
  std::uint32_t amount;
};

// ---- The client --------------------------------------------------------------------------
class DirectoryClient {
 public:
  virtual ~DirectoryClient() = default;

  // ---- Connections (16-bit statuses) ----
  // Reads the client's configuration. kConnCannotInitialize when it is unreadable.
  virtual ConnStatus InitClient(std::uint32_t reserved1, std::uint32_t reserved2) = 0;
  // The primary connection's reference. kConnNoPrimary when none is marked primary.
  virtual ConnStatus GetPrimaryConnectionRef(ConnRef* ref) = 0;
  // Start with *iterator = 0. Each call yields the next reference and advances *iterator;
  // kConnNoMoreEntries after the last.
  virtual ConnStatus ScanConnectionRefs(std::uint32_t* iterator, ConnRef* ref) = 0;
  // infoType kConnInfoTreeName: the tree name padded with '_' to 32 characters, as text in
  // buffer (bufferLength bytes, terminating zero included).
  virtual ConnStatus GetConnectionRefInfo(ConnRef ref, std::uint32_t infoType, std::uint32_t bufferLength,
                                          void* buffer) = 0;
  // Opens the connection's service. kConnServiceUnavailable when it cannot be opened.
  virtual ConnStatus OpenConnectionByRef(ConnRef ref, std::uint32_t mode, std::uint32_t reserved,
                                         ConnHandle* connection) = 0;

  // ---- Contexts ----
  // A new context on the primary connection's tree: flags kFlagDerefAliases |
  // kFlagTypelessNames, name context "[Root]" until set.
  virtual DirStatus CreateContext(DirContext* ctx) = 0;
  // A new context with all values of source.
  virtual DirStatus DuplicateContext(DirContext source, DirContext* ctx) = 0;
  virtual DirStatus FreeContext(DirContext ctx) = 0;
  // value points to a std::uint32_t for keys 1 and 2, to a kMaxNameBytes buffer for 3 and 11.
  virtual DirStatus GetContextValue(DirContext ctx, std::uint32_t key, void* value) = 0;
  // Key 11 switches the context to that tree (kErrBadName if no connection has it).
  // Key 3 sets the name context as given (a dotted name without leading dot, or "[Root]").
  virtual DirStatus SetContextValue(DirContext ctx, std::uint32_t key, const void* value) = 0;
  // The login's container in the context's tree.
  virtual DirStatus GetDefaultNameContext(DirContext ctx, std::uint32_t length, char* buffer) = 0;
  virtual DirStatus SetPreferredTree(std::uint32_t length, const char* tree) = 0;
  // The login's full name in the context's tree (buffer of kWhoAmIBytes).
  virtual DirStatus WhoAmI(DirContext ctx, char* buffer) = 0;

  // ---- Buffers ----
  // size must be at most kMaxBufferSize; kErrBadBuffer otherwise.
  virtual DirStatus AllocBuffer(std::uint32_t size, DirBuffer* buffer) = 0;
  virtual DirStatus FreeBuffer(DirBuffer buffer) = 0;
  // Prepares a request for kOpReadObject, kOpModifyObject, kOpReadAttrDef or kOpReadClassDef.
  virtual DirStatus InitBuffer(DirContext ctx, std::uint32_t operation, DirBuffer buffer) = 0;

  // ---- Listing ----
  // One batch of the entries directly below name (resolved against ctx). Each entry's name
  // in the reply is its own relative name part.
  virtual DirStatus ListSubordinates(DirContext ctx, const char* name, IterationHandle* iteration, DirBuffer reply) = 0;
  virtual DirStatus ListContainers(DirContext ctx, const char* name, IterationHandle* iteration, DirBuffer reply) = 0;
  virtual DirStatus GetObjectCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) = 0;
  // name: kMaxNameBytes.
  virtual DirStatus GetObjectName(DirContext ctx, DirBuffer reply, char* name, std::uint32_t* attrCount,
                                  ObjectInfo* info) = 0;

  // ---- Schema and object reads ----
  // names: a kOpReadClassDef request naming the classes; ignored when allClasses.
  virtual DirStatus ReadClassDef(DirContext ctx, std::uint32_t infoType, bool allClasses, DirBuffer names,
                                 IterationHandle* iteration, DirBuffer reply) = 0;
  // names may be kNoBuffer when allAttributes.
  virtual DirStatus ReadAttrDef(DirContext ctx, std::uint32_t infoType, bool allAttributes, DirBuffer names,
                                IterationHandle* iteration, DirBuffer reply) = 0;
  // kErrNoSuchEntry for a missing object, kErrNoSuchAttribute when none of the named
  // attributes has a value.
  virtual DirStatus ReadObject(DirContext ctx, const char* object, std::uint32_t infoType, bool allAttributes,
                               DirBuffer names, IterationHandle* iteration, DirBuffer reply) = 0;
  virtual DirStatus GetSyntaxId(DirContext ctx, const char* attrName, std::uint32_t* syntax) = 0;

  // ---- Reply readers (consume a reply in order; out of turn: kErrOutOfTurn; past the end:
  // kErrBufferEmpty) ----
  virtual DirStatus GetClassDefCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) = 0;
  // name: kMaxSchemaNameBytes.
  virtual DirStatus GetClassDef(DirContext ctx, DirBuffer reply, char* name, ClassInfo* info) = 0;
  virtual DirStatus GetClassItemCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) = 0;
  virtual DirStatus GetClassItem(DirContext ctx, DirBuffer reply, char* name) = 0;
  virtual DirStatus GetAttrCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) = 0;
  // info may be null for information type 0.
  virtual DirStatus GetAttrDef(DirContext ctx, DirBuffer reply, char* name, AttrInfo* info) = 0;
  virtual DirStatus GetAttrName(DirContext ctx, DirBuffer reply, char* name, std::uint32_t* valueCount,
                                std::uint32_t* syntax) = 0;
  // Size of the block that GetAttrVal needs for the next value. Does not consume it, unless
  // the value itself fails: a value that cannot be sized, or that GetAttrVal cannot write, is
  // consumed all the same, so that the next call meets the next value. A refused call (another
  // syntax than the attribute's, no block) consumes nothing.
  virtual DirStatus ComputeAttrValSize(DirContext ctx, DirBuffer reply, std::uint32_t syntax, std::uint32_t* size) = 0;
  // Writes the next value into value (a block of ComputeAttrValSize bytes) and consumes it.
  virtual DirStatus GetAttrVal(DirContext ctx, DirBuffer reply, std::uint32_t syntax, void* value) = 0;

  // ---- Request writers ----
  virtual DirStatus PutClassName(DirContext ctx, DirBuffer buffer, const char* name) = 0;
  virtual DirStatus PutAttrName(DirContext ctx, DirBuffer buffer, const char* name) = 0;
  virtual DirStatus PutChange(DirContext ctx, DirBuffer buffer, std::uint32_t changeType, const char* attrName) = 0;
  // value: a value record of the syntax (see above), read during the call only.
  virtual DirStatus PutChangeAndValue(DirContext ctx, DirBuffer buffer, std::uint32_t changeType, const char* attrName,
                                      std::uint32_t syntax, const void* value) = 0;

  // ---- Changes ----
  // Applies all changes of the request as one: either all are made or none.
  virtual DirStatus ModifyObject(DirContext ctx, const char* object, IterationHandle* iteration,
                                 std::uint32_t moreIterations, DirBuffer changes) = 0;
  // Changes object's base class to newClass. Succeeds only when every attribute the object
  // holds is allowed for newClass, every mandatory attribute of newClass has a value and the
  // container may hold newClass; otherwise fails and changes nothing.
  virtual DirStatus NWDSMutateObject(DirContext ctx, const char* object, const char* newClass, std::uint32_t flags) = 0;
  // A readable file descriptor holding the whole stream; the caller reads and closes it.
  virtual DirStatus OpenStream(DirContext ctx, const char* object, const char* attrName, std::uint32_t flags,
                               int* fd) = 0;

  // ---- This system's own ----
  // A new user action begins: a connection that failed during the previous one may be tried
  // again (until then its operations fail at once with the same status).
  virtual void BeginUserAction() {}
  // Messages for the user that the services gathered since the last call (what they found
  // and repaired on connecting); each is handed out once.
  virtual std::vector<std::string> TakeNotices() { return {}; }
  // A hint that objects (names as ReadObject takes them) are read next, in this user action or
  // the one that begins next: the client may fetch them together, while the caller goes on.
  // Changes nothing and reports nothing; a name that cannot be read fails at its own read. The
  // default does nothing.
  virtual void PrefetchObjects(DirContext, const std::vector<std::string>&) {}
  // Replaces *typedPart with object's own name part as the directory names it, typed
  // ("CN=Anna"), whatever the context's name flags; aliases are not followed.
  // kErrNotSupported by default; *typedPart unchanged on failure.
  virtual DirStatus ReadTypedLeafName(DirContext, const char*, std::string*) { return kErrNotSupported; }

  // ---- Keeping what a change removes (this system's own) ----
  // Replaces *exported with every value of attrName on object, in a lossless one-line text
  // (no CR or LF) that ImportAttributeValues takes back on the same tree. kErrNoSuchAttribute
  // when the object holds no value; *exported unchanged on failure.
  virtual DirStatus ExportAttributeValues(DirContext, const char*, const char*, std::string*) {
    return kErrNotSupported;
  }
  // Adds every value that exported (an ExportAttributeValues text) holds to attrName of
  // object, in one request: all or none; values the object still holds count as added.
  // kErrBadArgument for a text that is not such an export.
  virtual DirStatus ImportAttributeValues(DirContext, const char*, const char*, const char*) {
    return kErrNotSupported;
  }
  // For trees served over LDAP: replaces *ldif with one LDIF change record (RFC 2849, lines
  // ended by LF, no blank line after it) that puts object's class values and the current
  // values of attrNames back as they are now ("dn:", "changetype: modify", a replace of
  // objectClass, an add per attribute that holds values). kErrNotSupported for other trees.
  virtual DirStatus DescribeRestoreLdif(DirContext, const char*, const std::vector<std::string>&, std::string*) {
    return kErrNotSupported;
  }
};

}  // namespace recast
