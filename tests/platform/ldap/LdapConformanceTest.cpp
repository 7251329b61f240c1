// The conformance suite every directory service passes, run against slapd.

#include <memory>

#include "DirectoryServiceConformance.h"
#include "tests/platform/ldap/LdapConformanceSeed.h"
#include "tests/platform/ldap/support/LdapTestSupport.h"

namespace recast::ldap::testing {
namespace {

using namespace service;

std::string SlapdSchema() {
  std::string schema;
  for (const char* type : kConformanceAttributeTypes) schema += std::string("attributetype ") + type + "\n";
  return schema + "objectclass " + kConformanceObjectClass + "\n";
}

// Keeps the server running for as long as a service of it is in use.
class ServerBoundService : public DirectoryService {
 public:
  ServerBoundService(std::shared_ptr<SlapdServer> server, std::unique_ptr<LdapService> service)
      : server_(std::move(server)), service_(std::move(service)) {}
  DirStatus Login(LoginInfo* info) override { return service_->Login(info); }
  DirStatus ReadSchema(Schema* schema) override { return service_->ReadSchema(schema); }
  DirStatus ResolveName(const EntryName& name, bool deref, EntryName* canonical) override {
    return service_->ResolveName(name, deref, canonical);
  }
  DirStatus ListChildren(const EntryName& parent, bool containersOnly, const std::string& cursor,
                         std::uint32_t pageSize, ListPage* page) override {
    return service_->ListChildren(parent, containersOnly, cursor, pageSize, page);
  }
  void CancelListing(const std::string& cursor) override { service_->CancelListing(cursor); }
  DirStatus ReadAttribute(const EntryName& entry, const std::string& attr, bool deref,
                          AttributeValues* values) override {
    return service_->ReadAttribute(entry, attr, deref, values);
  }
  DirStatus Modify(const EntryName& entry, const std::vector<Change>& changes) override {
    return service_->Modify(entry, changes);
  }
  DirStatus ChangeBaseClass(const EntryName& entry, const std::string& newClass) override {
    return service_->ChangeBaseClass(entry, newClass);
  }
  DirStatus ReadStream(const EntryName& entry, const std::string& attr, std::vector<std::uint8_t>* content) override {
    return service_->ReadStream(entry, attr, content);
  }

 private:
  std::shared_ptr<SlapdServer> server_;  // outlives service_ (declared first, destroyed last)
  std::unique_ptr<LdapService> service_;
};

conformance::ConformanceTarget MakeLdapTarget() {
  conformance::ConformanceTarget target;
  SlapdOptions options;
  options.suffix = "o=Seed";
  options.withBaseEntries = false;
  options.seedLdif = kConformanceSeed;
  options.extraSchema = SlapdSchema();
  std::string error;
  std::shared_ptr<SlapdServer> server = SlapdServer::Start(options, &error);
  if (!server) {
    ADD_FAILURE() << error;
    return target;
  }
  DirStatus status = 0;
  // The writer is the root DN, and slapd only changes a structural class with Relax Rules.
  auto writer = OpenService(*server, {"cn=admin,o=Seed", {{"relaxrules", "yes"}}}, &status);
  if (!writer) ADD_FAILURE() << "writer login failed: " << status;
  auto reader = OpenService(*server, {"cn=reader,o=Seed", {}}, &status);
  if (!reader) ADD_FAILURE() << "reader login failed: " << status;
  if (writer) target.writer = std::make_unique<ServerBoundService>(server, std::move(writer));
  if (reader) target.reader = std::make_unique<ServerBoundService>(server, std::move(reader));

  target.names = ConformanceSeedNames();
  return target;
}

}  // namespace
}  // namespace recast::ldap::testing

namespace recast::service::conformance {
INSTANTIATE_TEST_SUITE_P(Ldap, DirectoryServiceConformance,
                         ::testing::Values(ConformanceFactory(recast::ldap::testing::MakeLdapTarget)),
                         [](const auto&) { return std::string("Slapd"); });
}  // namespace recast::service::conformance
