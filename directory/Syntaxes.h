#pragma once
// Every syntax the client knows, each defined once: its constant, its number, its name, the
// form its values take, how two values compare and what the syntax narrows its form to. The
// SyntaxId constants and the lookups below are made from this list, and every layer (value
// records, the binary codec, the data files, the LDAP mapping, the window's texts) asks it
// instead of listing syntaxes itself, so adding a syntax is one line here plus the code for
// a new value form, if it brings one.
//
// X(constant, number, name, form, matching, detail)

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace recast {

// The forms a value can take, in the order of service::DirValue's alternatives (checked
// there): a form's position is its alternative's index.
// clang-format off
#define RECAST_VALUE_FORMS(X)                                                                       \
  X(Text) X(CiList) X(Boolean) X(Integer) X(Octets) X(Fax) X(NetAddress) X(OctetList) X(Email)      \
  X(Path) X(ReplicaPointer) X(Acl) X(PostalAddress) X(Timestamp) X(Seconds) X(BackLink) X(TypedName) \
  X(Hold) X(Unknown)
// clang-format on

enum class ValueForm : std::uint8_t {
#define RECAST_FORM_ENUM(form) k##form,
  RECAST_VALUE_FORMS(RECAST_FORM_ENUM)
#undef RECAST_FORM_ENUM
};

// How two values of a syntax are the same value.
enum class Matching : std::uint8_t {
  kExact,       // byte for byte
  kIgnoreCase,  // texts ignoring the case of the letters a to z
};

// What a syntax adds to its form.
enum class SyntaxDetail : std::uint8_t {
  kNone,
  kNumeric,      // text of digits and spaces
  kPrintable,    // text of letters, digits, spaces and ' ( ) + , - . / : = ?
  kClassName,    // text naming a class of the schema
  kPointInTime,  // seconds since 1970-01-01 00:00 UTC
  kDuration,     // a number of seconds
  kRaw,          // handed over as the bytes themselves, no record around them
};

#define RECAST_SYNTAXES(X)                                                            \
  X(kSynUnknown, 0, "UNKNOWN", Unknown, kExact, kNone)                                \
  X(kSynDistName, 1, "DIST_NAME", Text, kIgnoreCase, kNone)                           \
  X(kSynCeString, 2, "CE_STRING", Text, kExact, kNone)                                \
  X(kSynCiString, 3, "CI_STRING", Text, kIgnoreCase, kNone)                           \
  X(kSynPrString, 4, "PR_STRING", Text, kExact, kPrintable)                           \
  X(kSynNuString, 5, "NU_STRING", Text, kExact, kNumeric)                             \
  X(kSynCiList, 6, "CI_LIST", CiList, kIgnoreCase, kNone)                             \
  X(kSynBoolean, 7, "BOOLEAN", Boolean, kExact, kNone)                                \
  X(kSynInteger, 8, "INTEGER", Integer, kExact, kNone)                                \
  X(kSynOctetString, 9, "OCTET_STRING", Octets, kExact, kNone)                        \
  X(kSynTelNumber, 10, "TEL_NUMBER", Text, kIgnoreCase, kNone)                        \
  X(kSynFaxNumber, 11, "FAX_NUMBER", Fax, kExact, kNone)                              \
  X(kSynNetAddress, 12, "NET_ADDRESS", NetAddress, kExact, kNone)                     \
  X(kSynOctetList, 13, "OCTET_LIST", OctetList, kExact, kNone)                        \
  X(kSynEmailAddress, 14, "EMAIL_ADDRESS", Email, kExact, kNone)                      \
  X(kSynPath, 15, "PATH", Path, kExact, kNone)                                        \
  X(kSynReplicaPointer, 16, "REPLICA_POINTER", ReplicaPointer, kExact, kNone)         \
  X(kSynObjectAcl, 17, "OBJECT_ACL", Acl, kExact, kNone)                              \
  X(kSynPoAddress, 18, "PO_ADDRESS", PostalAddress, kExact, kNone)                    \
  X(kSynTimestamp, 19, "TIMESTAMP", Timestamp, kExact, kNone)                         \
  X(kSynClassName, 20, "CLASS_NAME", Text, kIgnoreCase, kClassName)                   \
  X(kSynStream, 21, "STREAM", Octets, kExact, kRaw)                                   \
  X(kSynCounter, 22, "COUNTER", Integer, kExact, kNone)                               \
  X(kSynBackLink, 23, "BACK_LINK", BackLink, kExact, kNone)                           \
  X(kSynTime, 24, "TIME", Seconds, kExact, kPointInTime)                              \
  X(kSynTypedName, 25, "TYPED_NAME", TypedName, kExact, kNone)                        \
  X(kSynHold, 26, "HOLD", Hold, kExact, kNone)                                        \
  X(kSynInterval, 27, "INTERVAL", Seconds, kExact, kDuration)                         \
  X(kSynCount, 28, "COMPONENT", Octets, kExact, kRaw) /* the first of the raw ones */ \
  X(kSynEnumComponent, 29, "ENUM_COMPONENT", Octets, kExact, kRaw)                    \
  X(kSynNull, 30, "NULL", Octets, kExact, kRaw)                                       \
  X(kSynOid, 31, "OID", Octets, kExact, kRaw)                                         \
  X(kSynEnumerated, 32, "ENUMERATED", Octets, kExact, kRaw)                           \
  X(kSynSet, 33, "SET", Octets, kExact, kRaw)                                         \
  X(kSynSequence, 34, "SEQUENCE", Octets, kExact, kRaw)                               \
  X(kSynChoice, 35, "CHOICE", Octets, kExact, kRaw)                                   \
  X(kSynAny, 36, "ANY", Octets, kExact, kRaw)                                         \
  X(kSynSyntaxCount, 37, "SYNTAX_COUNT", Octets, kExact, kRaw)

enum SyntaxId : std::uint32_t {
#define RECAST_SYNTAX_ENUM(constant, number, name, form, matching, detail) constant = number,
  RECAST_SYNTAXES(RECAST_SYNTAX_ENUM)
#undef RECAST_SYNTAX_ENUM
};

struct SyntaxInfo {
  std::uint32_t id;
  std::string_view name;
  ValueForm form;
  Matching matching;
  SyntaxDetail detail;
};

inline constexpr std::array kSyntaxes = {
#define RECAST_SYNTAX_INFO(constant, number, name, form, matching, detail) \
  SyntaxInfo{number, name, ValueForm::k##form, Matching::matching, SyntaxDetail::detail},
    RECAST_SYNTAXES(RECAST_SYNTAX_INFO)
#undef RECAST_SYNTAX_INFO
};

// What the client makes of a number the list does not hold: raw bytes.
inline constexpr SyntaxInfo kUnlistedSyntax{0xFFFFFFFF, "Unknown Syntax", ValueForm::kOctets, Matching::kExact,
                                            SyntaxDetail::kRaw};

constexpr bool SyntaxesNumberedInOrder() {
  for (std::size_t i = 0; i < kSyntaxes.size(); ++i)
    if (kSyntaxes[i].id != i) return false;
  return true;
}
static_assert(SyntaxesNumberedInOrder(), "the syntax list runs from 0 without gaps");

// The syntax's entry; kUnlistedSyntax (with its id) for a number beyond the list.
constexpr SyntaxInfo SyntaxOf(std::uint32_t syntax) {
  if (syntax < kSyntaxes.size()) return kSyntaxes[syntax];
  SyntaxInfo unlisted = kUnlistedSyntax;
  unlisted.id = syntax;
  return unlisted;
}

constexpr ValueForm FormOf(std::uint32_t syntax) { return SyntaxOf(syntax).form; }
constexpr std::size_t FormIndex(ValueForm form) { return static_cast<std::size_t>(form); }
// The syntaxes whose values are plain text (and whose records are the text itself).
constexpr bool IsTextSyntax(std::uint32_t syntax) { return FormOf(syntax) == ValueForm::kText; }
// Stream and the syntaxes from kSynCount on: the value is its bytes, with no record.
constexpr bool IsRawSyntax(std::uint32_t syntax) { return SyntaxOf(syntax).detail == SyntaxDetail::kRaw; }

}  // namespace recast
