// Escaping, names, values and schema texts, without a server.

#include <gtest/gtest.h>

#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapSchema.h"
#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/LdapValues.h"
#include "platform/ldap/Ldif.h"

namespace recast::ldap {
namespace {

using service::EntryName;
namespace value = service::value;

TEST(LdapEscapeTest, FilterAndDnValuesEscapeEverySpecialCharacter) {
  EXPECT_EQ(EscapeFilterValue(std::string("a*b(c)d\\e\0f", 11)), "a\\2Ab\\28c\\29d\\5Ce\\00f");
  EXPECT_EQ(EscapeFilterValue("plain, text=+"), "plain, text=+");
  EXPECT_EQ(EscapeFilterValue(""), "");
  struct Case {
    std::string raw;
    std::string escaped;
  };
  for (const Case& c :
       {Case{"a,b", "a\\2Cb"}, Case{"a+b", "a\\2Bb"}, Case{"b=c", "b\\3Dc"}, Case{"\"<>;", "\\22\\3C\\3E\\3B"},
        Case{"back\\slash", "back\\5Cslash"}, Case{" lead", "\\20lead"}, Case{"trail ", "trail\\20"},
        Case{"#hash", "\\23hash"}, Case{"in#side", "in#side"}, Case{std::string("nul\0", 4), "nul\\00"},
        Case{"J\xC3\xBCrgen", "J\xC3\xBCrgen"}, Case{"Anna  Lee-Smith_2.0", "Anna  Lee-Smith_2.0"}}) {
    SCOPED_TRACE(c.raw);
    std::string dn;
    ASSERT_EQ(EntryNameToDn({{"CN", c.raw}, {"O", "Org"}}, &dn), 0);
    EXPECT_EQ(dn, "cn=" + c.escaped + ",o=Org");
    // What is escaped parses back to the same single value.
    EntryName name;
    ASSERT_EQ(DnToEntryName(dn, &name), 0);
    ASSERT_EQ(name.size(), 2u);
    EXPECT_EQ(name[0].value, c.raw);
  }
}

TEST(LdapNameTest, DnsAndNamesMapBothWays) {
  EntryName name;
  ASSERT_EQ(DnToEntryName("cn=Sales,o=Org", &name), 0);
  EXPECT_EQ(name, (EntryName{{"CN", "Sales"}, {"O", "Org"}}));
  std::string dn;
  ASSERT_EQ(EntryNameToDn(name, &dn), 0);
  EXPECT_EQ(dn, "cn=Sales,o=Org");
  ASSERT_EQ(DnToEntryName("", &name), 0);
  EXPECT_TRUE(name.empty());
  // An RDN of several values stays whole; a single value that would read as several is
  // escaped. Each maps back to its own DN.
  struct Case {
    const char* dn;
    service::NamePart part;
  };
  for (const Case& c : {Case{"cn=a+sn=b,o=Org", {"CN", "a+SN=b"}}, Case{"cn=a\\+b+uid=x,o=Org", {"CN", "a\\+b+UID=x"}},
                        Case{"cn=a\\+sn\\=b,o=Org", {"CN", "a\\+sn=b"}}, Case{"cn=C\\+\\+,o=Org", {"CN", "C++"}},
                        Case{"cn=x\\5C\\2By,o=Org", {"CN", "x\\\\\\+y"}}, Case{"cn=x\\5Cy,o=Org", {"CN", "x\\y"}}}) {
    SCOPED_TRACE(c.dn);
    ASSERT_EQ(DnToEntryName(c.dn, &name), 0);
    EXPECT_EQ(name.front(), c.part);
    ASSERT_EQ(EntryNameToDn(name, &dn), 0);
    EntryName back;
    ASSERT_EQ(DnToEntryName(dn, &back), 0);
    EXPECT_EQ(back, name) << dn;
  }
  ASSERT_EQ(EntryNameToDn({{"CN", "Multi+uid=mv1"}, {"O", "Org"}}, &dn), 0);
  EXPECT_EQ(dn, "cn=Multi+uid=mv1,o=Org");

  dn = "unchanged";
  EXPECT_EQ(EntryNameToDn({{"", "typeless"}}, &dn), kErrBadName);
  EXPECT_EQ(EntryNameToDn({{"cn=x,o", "y"}}, &dn), kErrBadName);
  EXPECT_EQ(EntryNameToDn({{"c n", "y"}}, &dn), kErrBadName);
  EXPECT_EQ(EntryNameToDn({{"CN", "\xFF"}}, &dn), kErrBadName);
  EXPECT_EQ(dn, "unchanged");
  ASSERT_EQ(EntryNameToDn({{"2.5.4.3", "x"}}, &dn), 0);
  EXPECT_EQ(dn, "2.5.4.3=x");
  EXPECT_EQ(DnToEntryName("cn=a,,o=b", &name), kErrBadName);
}

// The first RDN of a DN, as every listed entry's name is taken: plain values are read without
// libldap, and must read as libldap reads them.
TEST(LdapNameTest, TheFirstRdnIsTheFirstPartOfTheName) {
  for (const char* dn : {"cn=p0,o=Org", "CN=Jane Doe,o=Org", "uid=a.b_c-9", "2.5.4.3=x,o=Org", "cn= lead,o=Org",
                         "cn=trail ,o=Org", "cn=a+sn=b,o=Org", "cn=x\\2Cy,o=Org", "cn=\"q\",o=Org", "cn=a=b,o=Org",
                         "cn=caf\\C3\\A9,o=Org", "c n=x,o=Org", "cn=,o=Org"}) {
    SCOPED_TRACE(dn);
    EntryName name;
    service::NamePart part{"unchanged", "unchanged"};
    const DirStatus status = FirstRdnOfDn(dn, &part);
    ASSERT_EQ(status, DnToEntryName(dn, &name) == 0 ? 0 : kErrBadName);
    if (status == 0) {
      EXPECT_EQ(part, name.front());
    }
  }
}

TEST(LdapNameTest, DottedTextsEscapeDotsAndBackslashes) {
  const EntryName name{{"CN", "a.b\\c"}, {"OU", "Sales"}, {"O", "Org"}};
  EXPECT_EQ(DottedText(name), "CN=a\\.b\\\\c.OU=Sales.O=Org");
  EntryName back;
  ASSERT_EQ(ParseDottedText(DottedText(name), &back), 0);
  EXPECT_EQ(back, name);
  ASSERT_EQ(ParseDottedText(".cn=x=y.o=Org", &back), 0);
  EXPECT_EQ(back, (EntryName{{"CN", "x=y"}, {"O", "Org"}}));
  for (const char* bad : {"Sales.O=Org", "CN=a.", "CN=a\\", "CN=a..O=b"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ParseDottedText(bad, &back), kErrBadName);
  }
}

TEST(LdapValueTest, GeneralizedTimesConvertToSeconds) {
  struct Case {
    const char* text;
    std::optional<std::uint32_t> seconds;
  };
  for (const Case& c :
       {Case{"20231114221320Z", 1700000000u}, Case{"19700101000000Z", 0u}, Case{"20231114221320.123Z", 1700000000u},
        Case{"20231115001320+0200", 1700000000u}, Case{"202311142213Z", 1699999980u}, Case{"2023111422Z", 1699999200u},
        Case{"20231114221320", 1700000000u}, Case{"19691231235959Z", std::nullopt},
        Case{"21060207062816Z", std::nullopt}, Case{"20231314221320Z", std::nullopt}, Case{"2023", std::nullopt},
        Case{"20231114221320Zjunk", std::nullopt}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseGeneralizedTime(c.text), c.seconds);
  }
  EXPECT_EQ(FormatGeneralizedTime(1700000000u), "20231114221320Z");
  EXPECT_EQ(FormatGeneralizedTime(0xFFFFFFFFu), "21060207062815Z");
}

TEST(LdapValueTest, DecodesEachSyntaxAndRefusesWhatDoesNotFit) {
  EXPECT_EQ(DecodeLdapValue(kSynBoolean, "TRUE"), service::DirValue(value::Boolean{true}));
  EXPECT_EQ(DecodeLdapValue(kSynBoolean, "yes"), std::nullopt);
  EXPECT_EQ(DecodeLdapValue(kSynInteger, "-2147483648"), service::DirValue(value::Integer{INT32_MIN}));
  EXPECT_EQ(DecodeLdapValue(kSynInteger, "2147483648"), std::nullopt);
  EXPECT_EQ(DecodeLdapValue(kSynInteger, "12abc"), std::nullopt);
  EXPECT_EQ(DecodeLdapValue(kSynDistName, "cn=a\\2Cb,o=Org"), service::DirValue(value::Text{"CN=a,b.O=Org"}));
  EXPECT_EQ(DecodeLdapValue(kSynOctetString, std::string("\0\xff", 2)), service::DirValue(value::Octets{{0, 255}}));
  const auto postal = DecodeLdapValue(kSynPoAddress, "a\\24b$c\\5Cd$$3$4$5$6$7");
  ASSERT_TRUE(postal);
  EXPECT_EQ(std::get<value::PostalAddress>(*postal).lines,
            (std::array<std::string, 6>{"a$b", "c\\d", "", "3", "4", "5\n6\n7"}));
  std::string bytes;
  ASSERT_EQ(EncodeLdapValue(kSynPoAddress, *postal, &bytes), 0);
  EXPECT_EQ(bytes, "a\\24b$c\\5Cd$$3$4$5$6$7");  // nothing lost on the way back
}

TEST(LdapValueTest, EncodesValuesOfTheirSyntaxOnly) {
  struct Case {
    std::uint32_t syntax;
    service::DirValue value;
    DirStatus status;
    std::string bytes;
  };
  for (const Case& c : {Case{kSynCiString, value::Text{"x"}, 0, "x"}, Case{kSynInteger, value::Integer{-7}, 0, "-7"},
                        Case{kSynBoolean, value::Boolean{false}, 0, "FALSE"},
                        Case{kSynTime, value::Seconds{1700000000u}, 0, "20231114221320Z"},
                        Case{kSynDistName, value::Text{"CN=a\\.b.O=Org"}, 0, "cn=a.b,o=Org"},
                        Case{kSynDistName, value::Text{"CN=a,b.O=Org"}, 0, "cn=a\\2Cb,o=Org"},
                        Case{kSynDistName, value::Text{"typeless.O=Org"}, kErrBadName, ""},
                        Case{kSynFaxNumber, value::Fax{"+1 555", 0, {}}, 0, "+1 555"},
                        Case{kSynTelNumber, value::Integer{5}, kErrSyntaxViolation, ""},
                        Case{kSynInteger, value::Text{"5"}, kErrSyntaxViolation, ""},
                        Case{kSynBoolean, value::Integer{1}, kErrSyntaxViolation, ""}}) {
    std::string bytes = "";
    EXPECT_EQ(EncodeLdapValue(c.syntax, c.value, &bytes), c.status) << c.syntax << " " << c.bytes;
    EXPECT_EQ(bytes, c.bytes);
  }
}

TEST(LdapSchemaTest, ParsesDefinitionsAndResolvesNames) {
  const auto schema = LdapSchema::Build(
      {"( 2.5.6.0 NAME 'top' ABSTRACT MUST objectClass )",
       "( 2.5.6.6 NAME 'person' SUP top STRUCTURAL MUST ( sn $ commonName ) MAY ( 2.5.4.20 ) )",
       "( 9.9.1 NAME 'employee' SUP person STRUCTURAL )", "( 9.9.2 NAME 'tagged' AUXILIARY )",
       "( 9.9.3 NAME 'division' SUP organizationalUnit STRUCTURAL )",
       "( 2.5.6.5 NAME 'organizationalUnit' SUP top STRUCTURAL MUST ou )", "not a definition"},
      {"( 2.5.4.0 NAME 'objectClass' EQUALITY objectIdentifierMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.38 )",
       "( 2.5.4.41 NAME 'name' EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15{32768} )",
       "( 2.5.4.3 NAME ( 'cn' 'commonName' ) SUP name )", "( 2.5.4.4 NAME ( 'sn' 'surname' ) SUP name )",
       "( 2.5.4.11 NAME 'ou' SUP name )",
       "( 2.5.4.20 NAME 'telephoneNumber' SYNTAX 1.3.6.1.4.1.1466.115.121.1.50{32} )",
       "( 9.9.9 NAME 'code' EQUALITY caseExactIA5Match SYNTAX 1.3.6.1.4.1.1466.115.121.1.26 SINGLE-VALUE "
       "NO-USER-MODIFICATION USAGE directoryOperation )",
       "( 9.9.10 NAME 'odd' SYNTAX 1.2.3.4 )",
       "( 2.5.4.35 NAME 'userPassword' EQUALITY octetStringMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.40{128} )",
       "( 9.9.11 NAME 'oldPassword' SUP userPassword )",
       "( 9.9.12 NAME 'sambaNTPassword' EQUALITY caseIgnoreIA5Match SYNTAX 1.3.6.1.4.1.1466.115.121.1.26{32} )"});
  const auto* person = schema.FindClass("PERSON");
  ASSERT_NE(person, nullptr);
  EXPECT_EQ(person->mandatoryAttributes, (std::vector<std::string>{"sn", "cn"}));  // aliases and OIDs -> names
  EXPECT_EQ(person->optionalAttributes, std::vector<std::string>{"telephoneNumber"});
  EXPECT_EQ(schema.FindClass("tagged")->flags, kClassAuxiliary);
  EXPECT_EQ(schema.FindClass("division")->flags, kClassEffective | kClassContainer);
  EXPECT_EQ(schema.ClassChain("employee"), (std::vector<std::string>{"employee", "person", "top"}));
  EXPECT_EQ(schema.MostSpecificStructural({"top", "person", "tagged", "employee"}), "employee");
  EXPECT_EQ(schema.MostSpecificStructural({"top", "tagged"}), "");

  EXPECT_EQ(schema.FindAttribute("surname"), schema.FindAttribute("sn"));
  EXPECT_EQ(schema.FindAttribute("Object Class"), schema.FindAttribute("objectClass"));
  EXPECT_EQ(schema.FindAttribute("objectClass")->syntax, kSynClassName);
  EXPECT_EQ(schema.FindAttribute("cn")->syntax, kSynCiString);
  EXPECT_EQ(schema.FindAttribute("cn")->upperBound, 32768u);
  const auto* code = schema.FindAttribute("code");
  EXPECT_EQ(code->syntax, kSynCeString);
  EXPECT_EQ(code->flags, kAttrSingleValued | kAttrReadOnly | kAttrHidden | kAttrString);
  EXPECT_EQ(schema.FindAttribute("odd")->syntax, kSynOctetString);
  EXPECT_EQ(schema.FindAttribute("odd")->flags & kAttrSecret, 0u);
  // Passwords, their sub-types and text-syntax password hashes are secrets, always octets.
  for (const char* secret : {"userPassword", "oldPassword", "sambaNTPassword"}) {
    SCOPED_TRACE(secret);
    EXPECT_EQ(schema.FindAttribute(secret)->syntax, kSynOctetString);
    EXPECT_EQ(schema.FindAttribute(secret)->flags, kAttrSecret | kAttrSized);
  }
  EXPECT_EQ(schema.FindAttribute("missing"), nullptr);
  // 2.5.4.3 in BER: 06 03 55 04 03.
  const auto& id = schema.FindAttribute("cn")->asn1Id;
  ASSERT_EQ(id.length, 5u);
  EXPECT_EQ(std::vector<std::uint8_t>(id.data, id.data + 5), (std::vector<std::uint8_t>{6, 3, 0x55, 4, 3}));
}

// Definitions a hostile or broken server might send, found by fuzzing: each is skipped and
// the good ones around it stay. The library reads the "SYNTAX)" ones past their end. (Those on
// which the library itself loses memory are left to the fuzz target, which expects that.)
TEST(LdapSchemaTest, MalformedDefinitionsAreSkippedAndTheRestKept) {
  const auto schema = LdapSchema::Build(
      {"( 2.5.6.0 NAME 'top' ABSTRACT MUST objectClass )", "( 1.2 NAME 'broken' SUP"},
      {"( eNumberMatch SYNTAX)", "( 1.2 SUP x SYNTAX)",
       "( 2.5.4.0 NAME 'objectClass' EQUALITY objectIdentifierMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.38 )",
       "( 2.5.4.1 NAME 'bad' EQUALITY objectIdentifierMatch SYNTAX 1.3.6.1.4.1.1466.115.121.'x"});
  ASSERT_EQ(schema.schema().classes.size(), 1u);
  EXPECT_EQ(schema.schema().classes[0].name, "top");
  ASSERT_EQ(schema.schema().attributes.size(), 1u);
  EXPECT_EQ(schema.schema().attributes[0].name, "objectClass");
  EXPECT_EQ(schema.FindAttribute("bad"), nullptr);
}

TEST(LdapStatusTest, ResultCodesMapOntoDirectoryCodes) {
  struct Case {
    int code;
    const char* message;
    DirStatus status;
  };
  for (const Case& c :
       {Case{0, "", 0}, Case{32, "", kErrNoSuchEntry}, Case{16, "", kErrNoSuchAttribute},
        Case{16, "modify/delete: description: no such value", kErrNoSuchValue},
        Case{65, "attribute 'dc' not allowed", kErrIllegalAttribute},
        Case{65, "object class 'person' requires attribute 'sn'", kErrMissingMandatory},
        Case{19, "attribute 'x' cannot have multiple values", kErrCannotHaveMultipleValues},
        Case{19, "", kErrSyntaxViolation}, Case{21, "", kErrSyntaxViolation}, Case{20, "", kErrDuplicateValue},
        Case{50, "", kErrNoAccess}, Case{66, "", kErrNotLeafEntry}, Case{49, "", -8049}, Case{69, "", -8069},
        Case{-1, "", kErrServerUnavailable}, Case{-5, "", kErrServerUnavailable}, Case{-7, "", -7993}}) {
    EXPECT_EQ(MapLdapResult(c.code, c.message), c.status) << c.code << " " << c.message;
  }
}

TEST(LdifTest, RecordsRoundTripByteForByte) {
  const LdifEntry entry{"cn=J\\C3\\BCrgen,o=Org",
                        {{"objectClass", {"person", "top"}},
                         {"cn", {"J\xC3\xBCrgen"}},
                         {"description", {" leading", "trailing ", ":colon", "<angle", "two\nlines", ""}},
                         {"jpegPhoto", {std::string("\0\x01\xff", 3)}}}};
  const std::string text = WriteLdif(entry);
  EXPECT_NE(text.find("cn:: SsO8cmdlbg==\n"), std::string::npos) << text;
  EXPECT_NE(text.find("objectClass: person\n"), std::string::npos);
  LdifEntry back;
  ASSERT_EQ(ParseLdif(text, &back), 0);
  EXPECT_EQ(back, entry);

  ASSERT_EQ(ParseLdif("# comment\ndn: cn=a,\n o=Org\ncn: a\n\ndn: cn=b,o=Org\n", &back), 0);
  EXPECT_EQ(back.dn, "cn=a,o=Org");
  EXPECT_EQ(ParseLdif("cn: no dn\n", &back), kErrBadSyntax);
  EXPECT_EQ(ParseLdif("dn: x\ncn:: !!!\n", &back), kErrBadSyntax);
  EXPECT_EQ(ParseLdif("dn: x\ncn:< file:///etc/hostname\n", &back), kErrBadSyntax);
  // Only attribute descriptions: anything else could not be written back as it was read.
  for (const char* line : {"\r#cn: a", "c n: a", "cn;: a", "cn;bin ary: a", "1..2: a", "-cn: a", "\xc3\xa9: a"}) {
    EXPECT_EQ(ParseLdif(std::string("dn: x\n") + line + "\n", &back), kErrBadSyntax) << line;
  }
  ASSERT_EQ(ParseLdif("dn: x\nuserCertificate;binary:: AAE=\n2.5.4.3: a\n", &back), 0);
  EXPECT_EQ(back.attributes,
            (decltype(back.attributes){{"userCertificate;binary", {std::string("\0\1", 2)}}, {"2.5.4.3", {"a"}}}));
}

}  // namespace
}  // namespace recast::ldap
