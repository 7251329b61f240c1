#include "platform/errtext/ErrorTexts.h"

#include <algorithm>
#include <iterator>

#include "directory/DirectoryClient.h"
#include "platform/client/ClientStatus.h"
#include "platform/service/ValueCodec.h"
#include "util/Format.h"

namespace recast::errtext {
namespace {

struct Entry {
  std::int32_t status;
  const char* text;
};

// Sorted by status for the binary search below (checked at first use in tests).
constexpr Entry kTexts[] = {
    {-7910, "The LDAP server is a read-only copy: the change must go to the server it names"},
    {-7909, "The LDAP service failed"},
    {-7908, "The password would be sent unencrypted to the LDAP server"},
    {-7907, "The value does not fit the LDAP server's attribute syntax"},
    {-7906, "The original entry could not be restored after a failed re-creation"},
    {-7905, "The backup of the entry could not be written before its re-creation"},
    {-7904, "The secure connection (StartTLS) to the LDAP server failed"},
    {-7903, "The LDAP server's certificate was not accepted"},
    {-7902, "The password file is missing or not a regular file"},
    {-7901, "The password file may be read by other users"},
    {-7900, "The LDAP connection settings are missing or malformed"},
    {-699, "The directory service failed"},
    {-698, "The directory file cannot be written: give the user write access to it and to its folder"},
    {-697, "A file already exists where the directory store was to be created"},
    {-696, "The directory data file holds bad input"},
    {-695, "The directory store holds no tree of that name"},
    {-694, "The directory store is damaged"},
    {-693, "The directory store has another format version"},
    {-692, "The file is not a directory store"},
    {-691, "The directory store cannot be opened or read"},
    {-690, "The directory store does not exist"},
    {-689, "The directory file cannot grow: its disk is full or the file size limit is reached"},
    {kErrNoAccess, "No access: the login lacks the rights for this operation"},
    {kErrNotLeafEntry, "The entry has subordinate entries"},
    {kErrServerUnavailable, "The directory service cannot be reached"},
    {kErrAttributeAlreadyExists, "The attribute already exists"},
    {kErrDuplicateValue, "The attribute already holds this value"},
    {kErrSyntaxViolation, "The value violates the attribute's syntax or bounds"},
    {kErrCannotHaveMultipleValues, "The attribute is single-valued"},
    {kErrIllegalContainment, "The container may not hold an object of this class"},
    {kErrMissingMandatory, "A mandatory attribute has no value"},
    {kErrIllegalAttribute, "The attribute is not allowed for the object's class"},
    {kErrNotEffectiveClass, "The class is not an effective class"},
    {kErrEntryAlreadyExists, "The entry already exists"},
    {kErrNoSuchClass, "No such class"},
    {kErrNoSuchAttribute, "No such attribute"},
    {kErrNoSuchValue, "No such value"},
    {kErrNoSuchEntry, "No such entry"},
    {client::kErrReplyTooSmall, "One item alone does not fit into the reply buffer"},
    {client::kErrRequestBadValueFlag, "Malformed request: a change's value marker is invalid"},
    {client::kErrRequestBadChange, "Malformed request: unknown change type"},
    {client::kErrReplyBadInfoType, "Malformed reply: unknown information type"},
    {client::kErrReplyBadObjectId, "Malformed reply: object identifier too long"},
    {client::kErrReplyCountTooLarge, "Malformed reply: a count exceeds the data"},
    {client::kErrReplyTextTooLong, "A name in the reply is longer than its buffer"},
    {client::kErrReplyTruncatedText, "Malformed reply: a text or value is cut short"},
    {client::kErrReplyTruncatedNumber, "Malformed reply: a number is cut short"},
    {client::kErrReplyUnknownKind, "The buffer holds no reply of a known kind"},
    {service::kErrValueEmbeddedZero, "Malformed value: a text holds a zero byte"},
    {service::kErrValueBadBoolean, "Malformed value: a boolean other than 0 or 1"},
    {service::kErrValueWrongAlternative, "The value does not belong to the attribute's syntax"},
    {service::kErrValueTrailingBytes, "Malformed value: bytes after its end"},
    {service::kErrValueCountTooLarge, "Malformed value: a count exceeds the data"},
    {service::kErrValueTruncatedText, "Malformed value: a text is cut short"},
    {service::kErrValueTruncatedField, "Malformed value: a number is cut short"},
    {service::kErrValueTruncatedLength, "Malformed value: a length is cut short"},
    {kErrNotSupported, "The operation is not supported"},
    {kErrNotConnected, "No connection is open"},
    {kErrBadArgument, "Invalid argument"},
    {kErrBadName, "The name cannot be resolved as written"},
    {kErrBadIteration, "Unknown iteration handle"},
    {kErrBadBuffer, "Invalid buffer handle or size"},
    {kErrOutOfTurn, "A reply reader was called out of turn"},
    {kErrBadVerb, "The buffer was prepared for another operation"},
    {kErrBufferEmpty, "The reply holds nothing more"},
    {kErrBadSyntax, "Unknown syntax or value record"},
    {kErrListEmpty, "The list is empty"},
    {kErrBufferFull, "The request does not fit into its buffer"},
    {kErrBadContext, "Invalid context handle"},
    {kErrBadKey, "Invalid context key"},
    {kErrNotEnoughMemory, "Not enough memory"},
    {0, "Success"},
    {kConnInvalidConnection, "Invalid connection reference"},
    {kConnNoPrimary, "No primary connection"},
    {kConnServiceUnavailable, "The connection's directory service cannot be opened"},
    {kConnNotInitialized, "The client is not initialized"},
    {kConnBadArgument, "Invalid argument for a connection operation"},
    {kConnNoMoreEntries, "No more connections"},
    {kConnCannotInitialize, "The client configuration cannot be read"},
};

// Standard LDAP result codes (RFC 4511) whose names help the user.
constexpr Entry kLdapResults[] = {
    {1, "operations error"}, {2, "protocol error"}, {3, "time limit exceeded"}, {4, "size limit exceeded"},
    {7, "authentication method not supported"}, {8, "stronger authentication required"}, {10, "referral"},
    {11, "administrative limit exceeded"}, {12, "unavailable critical extension"},
    {13, "confidentiality required"}, {14, "SASL bind in progress"}, {16, "no such attribute"},
    {17, "undefined attribute type"}, {18, "inappropriate matching"}, {19, "constraint violation"},
    {20, "attribute or value exists"}, {21, "invalid attribute syntax"}, {32, "no such object"},
    {33, "alias problem"}, {34, "invalid DN syntax"}, {36, "alias dereferencing problem"},
    {48, "inappropriate authentication"}, {49, "invalid credentials"}, {50, "insufficient access rights"},
    {51, "busy"}, {52, "unavailable"}, {53, "unwilling to perform"}, {54, "loop detected"},
    {64, "naming violation"}, {65, "object class violation"}, {66, "not allowed on non-leaf"},
    {67, "not allowed on RDN"}, {68, "entry already exists"}, {69, "object class modifications prohibited"},
    {71, "affects multiple servers"}, {80, "other"},
};

}  // namespace

std::string DescribeStatus(std::int32_t status) {
  auto it = std::lower_bound(std::begin(kTexts), std::end(kTexts), status,
                             [](const Entry& entry, std::int32_t s) { return entry.status < s; });
  if (it != std::end(kTexts) && it->status == status) return it->text;
  if (status < -8000 && status >= -8255) {
    const std::int32_t code = -8000 - status;
    for (const Entry& result : kLdapResults) {
      if (result.status == code) return Format("LDAP server error %d: %s", {code, result.text});
    }
    return Format("LDAP server error %d", {code});
  }
  if (status > -8000 && status <= -7910) {
    return Format("LDAP client library error %d", {-8000 - status});
  }
  return std::string();
}

}  // namespace recast::errtext
