#pragma once
// The conformance suite's seed on an LDAP server (suffix o=Seed), for every server product:
// the schema it adds, the entries, and their names for the suite.

#include <string>

#include "DirectoryServiceConformance.h"

namespace recast::ldap::testing {

// Definitions in RFC 4512 form; each server takes them in its own way.
inline constexpr const char* kConformanceAttributeTypes[] = {
    "( 1.3.6.1.4.1.99999.1.1 NAME 'recastGraceLimit' EQUALITY integerMatch "
    "SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 SINGLE-VALUE )",
    "( 1.3.6.1.4.1.99999.1.2 NAME 'recastDisabled' EQUALITY booleanMatch "
    "SYNTAX 1.3.6.1.4.1.1466.115.121.1.7 SINGLE-VALUE )",
    "( 1.3.6.1.4.1.99999.1.3 NAME 'recastLoginTime' EQUALITY generalizedTimeMatch "
    "SYNTAX 1.3.6.1.4.1.1466.115.121.1.24 SINGLE-VALUE )",
};
inline constexpr const char* kConformanceObjectClass =
    "( 1.3.6.1.4.1.99999.2.1 NAME 'recastUser' SUP inetOrgPerson STRUCTURAL "
    "MAY ( recastGraceLimit $ recastDisabled $ recastLoginTime ) )";

// Admin and Reader log in with the password "secret".
inline constexpr const char* kConformanceSeed =
    "dn: o=Seed\nobjectClass: organization\no: Seed\n\n"
    "dn: ou=Sales,o=Seed\nobjectClass: organizationalUnit\nou: Sales\n\n"
    "dn: cn=Ann,ou=Sales,o=Seed\nobjectClass: recastUser\ncn: Ann\nsn: Archer\n"
    "telephoneNumber: 555 0101\ntelephoneNumber: 555 0102\nrecastGraceLimit: 6\nrecastDisabled: TRUE\n"
    "recastLoginTime: 20231114221320Z\n\n"
    "dn: cn=Bob,ou=Sales,o=Seed\nobjectClass: recastUser\ncn: Bob\nsn: Baker\n\n"
    "dn: cn=Cid,ou=Sales,o=Seed\nobjectClass: recastUser\ncn: Cid\nsn: Cole\n\n"
    "dn: ou=Empty,o=Seed\nobjectClass: organizationalUnit\nou: Empty\n\n"
    "dn: cn=Ann Alias,o=Seed\nobjectClass: alias\nobjectClass: extensibleObject\ncn: Ann Alias\n"
    "aliasedObjectName: cn=Ann,ou=Sales,o=Seed\n\n"
    "dn: cn=Admin,o=Seed\nobjectClass: recastUser\ncn: Admin\nsn: Admin\nuserPassword: secret\n\n"
    "dn: cn=Reader,o=Seed\nobjectClass: recastUser\ncn: Reader\nsn: Reader\nuserPassword: secret\n\n";

inline service::conformance::SeedNames ConformanceSeedNames() {
  service::conformance::SeedNames n;
  n.organization = {{"O", "Seed"}};
  n.organizationClass = "organization";
  n.unitClass = "organizationalUnit";
  n.personClass = "recastUser";
  n.narrowerClass = "inetOrgPerson";
  n.surname = "sn";
  n.telephone = "telephoneNumber";
  n.integer = "recastGraceLimit";
  n.boolean = "recastDisabled";
  n.time = "recastLoginTime";
  n.aliasTarget = "aliasedObjectName";
  n.illegalForPerson = "dc";
  n.unknownAttribute = "noSuchAttributeHere";
  n.unknownClass = "noSuchClassHere";
  return n;
}

}  // namespace recast::ldap::testing
