#pragma once
// Every status the client and its services can return, each defined once: the constant's
// name, its code and its description. The constants below are made from these lists, and so
// is the error-text library's table (platform/errtext/ErrorTexts.cpp), so adding a status is
// one line here. The codes must be distinct across all lists (the library checks that when
// it is compiled).
//
// Each list is a macro taking X(name, code, text) and belongs to one namespace:
//   RECAST_CONNECTION_STATUSES  recast          16-bit ConnStatus of the connection calls
//   RECAST_DIRECTORY_STATUSES   recast          the directory's codes (-6xx)
//   RECAST_CLIENT_STATUSES      recast          the client's own failures (-301 ..)
//   RECAST_REPLY_STATUSES       recast::client  malformed reply and request buffers (-340 ..)
//   RECAST_VALUE_STATUSES       recast::service malformed values (-321 ..)
//   RECAST_STORE_STATUSES       recast::embedded the embedded store and its data files (-689 ..)
//   RECAST_LDAP_STATUSES        recast::ldap    the LDAP service's own failures (-7900 ..)
// LDAP result codes and libldap's own codes are not listed: they arrive as
// ldap::kErrLdapResultBase minus the code and are described by number.

#include <cstdint>

namespace recast {

using DirStatus = std::int32_t;
using ConnStatus = std::uint16_t;

#define RECAST_CONNECTION_STATUSES(X)                                                       \
  X(kConnCannotInitialize, 0xFFFF, "The client configuration cannot be read")               \
  X(kConnInvalidConnection, 0x8801, "Invalid connection reference")                         \
  X(kConnNoPrimary, 0x880F, "No primary connection")                                        \
  X(kConnNoMoreEntries, 0x88FF, "No more connections")                                      \
  X(kConnServiceUnavailable, 0x8810, "The connection's directory service cannot be opened") \
  X(kConnNotInitialized, 0x8811, "The client is not initialized")                           \
  X(kConnBadArgument, 0x8812, "Invalid argument for a connection operation")

#define RECAST_DIRECTORY_STATUSES(X)                                                    \
  X(kErrNoSuchEntry, -601, "No such entry")                                             \
  X(kErrNoSuchValue, -602, "No such value")                                             \
  X(kErrNoSuchAttribute, -603, "No such attribute")                                     \
  X(kErrNoSuchClass, -604, "No such class")                                             \
  X(kErrEntryAlreadyExists, -606, "The entry already exists")                           \
  X(kErrNotEffectiveClass, -607, "The class is not an effective class")                 \
  X(kErrIllegalAttribute, -608, "The attribute is not allowed for the object's class")  \
  X(kErrMissingMandatory, -609, "A mandatory attribute has no value")                   \
  X(kErrIllegalContainment, -611, "The container may not hold an object of this class") \
  X(kErrCannotHaveMultipleValues, -612, "The attribute is single-valued")               \
  X(kErrSyntaxViolation, -613, "The value violates the attribute's syntax or bounds")   \
  X(kErrDuplicateValue, -614, "The attribute already holds this value")                 \
  X(kErrAttributeAlreadyExists, -615, "The attribute already exists")                   \
  X(kErrNoAccess, -672, "No access: the login lacks the rights for this operation")     \
  X(kErrNotLeafEntry, -654, "The entry has subordinate entries")                        \
  X(kErrServerUnavailable, -625, "The directory service cannot be reached")             \
  X(kErrDirectoryFailure, -699, "The directory service failed")

#define RECAST_CLIENT_STATUSES(X)                                       \
  X(kErrNotEnoughMemory, -301, "Not enough memory")                     \
  X(kErrBadKey, -302, "Invalid context key")                            \
  X(kErrBadContext, -303, "Invalid context handle")                     \
  X(kErrBufferFull, -304, "The request does not fit into its buffer")   \
  X(kErrListEmpty, -305, "The list is empty")                           \
  X(kErrBadSyntax, -306, "Unknown syntax or value record")              \
  X(kErrBufferEmpty, -307, "The reply holds nothing more")              \
  X(kErrBadVerb, -308, "The buffer was prepared for another operation") \
  X(kErrOutOfTurn, -309, "A reply reader was called out of turn")       \
  X(kErrBadBuffer, -310, "Invalid buffer handle or size")               \
  X(kErrBadIteration, -311, "Unknown iteration handle")                 \
  X(kErrBadName, -312, "The name cannot be resolved as written")        \
  X(kErrBadArgument, -313, "Invalid argument")                          \
  X(kErrNotConnected, -314, "No connection is open")                    \
  X(kErrNotSupported, -315, "The operation is not supported")

#define RECAST_REPLY_STATUSES(X)                                                            \
  X(kErrReplyUnknownKind, -340, "The buffer holds no reply of a known kind")                \
  X(kErrReplyTruncatedNumber, -341, "Malformed reply: a number is cut short")               \
  X(kErrReplyTruncatedText, -342, "Malformed reply: a text or value is cut short")          \
  X(kErrReplyTextTooLong, -343, "A name in the reply is longer than its buffer")            \
  X(kErrReplyCountTooLarge, -344, "Malformed reply: a count exceeds the data")              \
  X(kErrReplyBadObjectId, -345, "Malformed reply: object identifier too long")              \
  X(kErrReplyBadInfoType, -346, "Malformed reply: unknown information type")                \
  X(kErrRequestBadChange, -347, "Malformed request: unknown change type")                   \
  X(kErrRequestBadValueFlag, -348, "Malformed request: a change's value marker is invalid") \
  X(kErrReplyTooSmall, -349, "One item alone does not fit into the reply buffer")

#define RECAST_VALUE_STATUSES(X)                                                            \
  X(kErrValueTruncatedLength, -321, "Malformed value: a length is cut short")               \
  X(kErrValueTruncatedField, -322, "Malformed value: a number is cut short")                \
  X(kErrValueTruncatedText, -323, "Malformed value: a text is cut short")                   \
  X(kErrValueCountTooLarge, -324, "Malformed value: a count exceeds the data")              \
  X(kErrValueTrailingBytes, -325, "Malformed value: bytes after its end")                   \
  X(kErrValueWrongAlternative, -326, "The value does not belong to the attribute's syntax") \
  X(kErrValueBadBoolean, -327, "Malformed value: a boolean other than 0 or 1")              \
  X(kErrValueEmbeddedZero, -328, "Malformed value: a text holds a zero byte")

// Every store status leaves the store file untouched.
#define RECAST_STORE_STATUSES(X)                                                                \
  X(kErrStoreMissing, -690, "The directory store does not exist")                               \
  X(kErrStoreUnreadable, -691, "The directory store cannot be opened or read")                  \
  X(kErrStoreForeign, -692, "The file is not a directory store")                                \
  X(kErrStoreVersion, -693, "The directory store has another format version")                   \
  X(kErrStoreCorrupt, -694, "The directory store is damaged")                                   \
  X(kErrStoreNoSuchTree, -695, "The directory store holds no tree of that name")                \
  X(kErrDataBadInput, -696, "The directory data file holds bad input")                          \
  X(kErrStoreExists, -697, "A file already exists where the directory store was to be created") \
  X(kErrStoreNotWritable, -698,                                                                 \
    "The directory file cannot be written: give the user write access to it and to its folder") \
  X(kErrStoreDiskFull, -689, "The directory file cannot grow: its disk is full or the file size limit is reached")

#define RECAST_LDAP_STATUSES(X)                                                                          \
  X(kErrLdapBadConfiguration, -7900, "The LDAP connection settings are missing or malformed")            \
  X(kErrLdapPasswordFileExposed, -7901, "The password file may be read by other users")                  \
  X(kErrLdapPasswordFileUnreadable, -7902, "The password file is missing or not a regular file")         \
  X(kErrLdapCertificateNotVerified, -7903, "The LDAP server's certificate was not accepted")             \
  X(kErrLdapTlsFailed, -7904, "The secure connection (StartTLS) to the LDAP server failed")              \
  X(kErrLdapBackupFailed, -7905, "The backup of the entry could not be written before its re-creation")  \
  X(kErrLdapRestoreFailed, -7906, "The original entry could not be restored after a failed re-creation") \
  X(kErrLdapPlaintextPassword, -7908, "The password would be sent unencrypted to the LDAP server")       \
  X(kErrLdapReadOnlyCopy, -7909, "The LDAP server is a read-only copy: the change must go to the server it names")

// The engine's own: plans, journals and journaled changes.
#define RECAST_ENGINE_STATUSES(X)                                                       \
  X(kErrJournalWrite, -390, "The journal could not be written, so nothing was changed") \
  X(kErrCancelledChange, -391, "The change was cancelled part-way; the journal keeps what was removed")

#define RECAST_ALL_STATUSES(X)  \
  RECAST_CONNECTION_STATUSES(X) \
  RECAST_DIRECTORY_STATUSES(X)  \
  RECAST_CLIENT_STATUSES(X)     \
  RECAST_REPLY_STATUSES(X)      \
  RECAST_VALUE_STATUSES(X) RECAST_STORE_STATUSES(X) RECAST_LDAP_STATUSES(X) RECAST_ENGINE_STATUSES(X)

#define RECAST_DEFINE_CONN_STATUS(name, code, text) inline constexpr ConnStatus name = code;
#define RECAST_DEFINE_DIR_STATUS(name, code, text) inline constexpr DirStatus name = code;

RECAST_CONNECTION_STATUSES(RECAST_DEFINE_CONN_STATUS)
RECAST_DIRECTORY_STATUSES(RECAST_DEFINE_DIR_STATUS)
RECAST_CLIENT_STATUSES(RECAST_DEFINE_DIR_STATUS)

namespace client {
RECAST_REPLY_STATUSES(RECAST_DEFINE_DIR_STATUS)
}  // namespace client

namespace service {
RECAST_VALUE_STATUSES(RECAST_DEFINE_DIR_STATUS)
}  // namespace service

namespace embedded {
RECAST_STORE_STATUSES(RECAST_DEFINE_DIR_STATUS)
}  // namespace embedded

namespace engine {
RECAST_ENGINE_STATUSES(RECAST_DEFINE_DIR_STATUS)
}  // namespace engine

namespace ldap {
RECAST_LDAP_STATUSES(RECAST_DEFINE_DIR_STATUS)

// An LDAP result code r (1 to 255) arrives as kErrLdapResultBase - r, a libldap API code
// (negative r) as kErrLdapResultBase - r as well; the service's own failures above stay
// clear of both.
inline constexpr DirStatus kErrLdapResultBase = -8000;
inline constexpr DirStatus kErrLdapLibraryLast = -7910;  // libldap's codes: -7999 .. -7910
}  // namespace ldap

#undef RECAST_DEFINE_CONN_STATUS
#undef RECAST_DEFINE_DIR_STATUS

}  // namespace recast
