#pragma once
// One test suite that every DirectoryService must pass, run against a service seeded with a
// small fixed data set. A service's tests instantiate it with a factory:
//
//   INSTANTIATE_TEST_SUITE_P(Embedded, DirectoryServiceConformance,
//                            ::testing::Values(MakeEmbeddedTarget));
//
// The seed, in the names of SeedNames (the defaults are the classic schema's names):
//   O=Seed                      organizationClass
//     OU=Sales                  unitClass
//       CN=Ann                  personClass: surname "Archer"; telephone "555 0101" and
//                               "555 0102"; integer 6; boolean TRUE; time 1700000000
//       CN=Bob                  personClass: surname "Baker"
//       CN=Cid                  personClass: surname "Cole"
//     OU=Empty                  unitClass, no children
//     CN=Ann Alias              an alias of CN=Ann.OU=Sales.O=Seed
//     CN=Admin                  personClass (surname "Admin"): the writing login
//     CN=Reader                 personClass (surname "Reader"): the read-only login
// Each factory call must give a freshly seeded directory (tests change it).

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/service/DirectoryService.h"

namespace recast::service::conformance {

struct SeedNames {
  EntryName organization{{"O", "Seed"}};
  EntryName sales{{"OU", "Sales"}, {"O", "Seed"}};
  EntryName empty{{"OU", "Empty"}, {"O", "Seed"}};
  EntryName ann{{"CN", "Ann"}, {"OU", "Sales"}, {"O", "Seed"}};
  EntryName bob{{"CN", "Bob"}, {"OU", "Sales"}, {"O", "Seed"}};
  EntryName cid{{"CN", "Cid"}, {"OU", "Sales"}, {"O", "Seed"}};
  EntryName alias{{"CN", "Ann Alias"}, {"O", "Seed"}};

  std::string organizationClass = "Organization";
  std::string unitClass = "Organizational Unit";
  std::string personClass = "User";
  // A class that allows the naming and surname attributes but none of integer, boolean, time.
  std::string narrowerClass = "Organizational Person";

  std::string surname = "Surname";             // text (3), mandatory for personClass
  std::string telephone = "Telephone Number";  // text (10), multi-valued, optional
  std::string integer = "Login Grace Limit";   // integer (8), single-valued
  std::string boolean = "Login Disabled";      // boolean (7), single-valued
  std::string time = "Login Time";             // time (24), single-valued
  std::string aliasTarget = "Aliased Object Name";
  std::string illegalForPerson = "Queue Directory";  // known, but not allowed for personClass
  std::string unknownAttribute = "No Such Attribute Here";
  std::string unknownClass = "No Such Class Here";
};

struct ConformanceTarget {
  std::unique_ptr<DirectoryService> writer;  // logged in with every right
  std::unique_ptr<DirectoryService> reader;  // read-only login on the same data; may be null
  SeedNames names;
};

// Builds a freshly seeded target; fails the test (ADD_FAILURE) and returns null services when
// it cannot, or skips it (GTEST_SKIP) when the service is not installed on this machine.
using ConformanceFactory = std::function<ConformanceTarget()>;

class DirectoryServiceConformance : public ::testing::TestWithParam<ConformanceFactory> {
 protected:
  void SetUp() override;

  DirectoryService& dir() { return *target_.writer; }
  const SeedNames& n() const { return target_.names; }

  ConformanceTarget target_;
};

}  // namespace recast::service::conformance
