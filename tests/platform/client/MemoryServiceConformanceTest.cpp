// The in-memory service runs the suite every directory service passes.
#include "DirectoryServiceConformance.h"
#include "tests/support/MemoryService.h"

namespace recast::client {

using service::conformance::ConformanceTarget;

namespace {

service::Schema SeedSchema() {
  service::Schema schema;
  auto attr = [&](const char* name, std::uint32_t syntax, std::uint32_t flags) {
    service::AttributeDefinition def;
    def.name = name;
    def.syntax = syntax;
    def.flags = flags;
    schema.attributes.push_back(def);
  };
  attr("Object Class", kSynClassName, 0);
  attr("CN", kSynCiString, 0);
  attr("O", kSynCiString, 0);
  attr("OU", kSynCiString, 0);
  attr("Surname", kSynCiString, kAttrSingleValued);
  attr("Telephone Number", kSynTelNumber, 0);
  attr("Login Grace Limit", kSynInteger, kAttrSingleValued);
  attr("Login Disabled", kSynBoolean, kAttrSingleValued);
  attr("Login Time", kSynTime, kAttrSingleValued);
  attr("Aliased Object Name", kSynDistName, kAttrSingleValued);
  attr("Queue Directory", kSynCiString, kAttrSingleValued);
  auto cls = [&](const char* name, std::uint32_t flags, std::vector<std::string> supers,
                 std::vector<std::string> mandatory, std::vector<std::string> optional,
                 std::vector<std::string> containment) {
    service::ClassDefinition def;
    def.name = name;
    def.flags = flags;
    def.superClasses = std::move(supers);
    def.mandatoryAttributes = std::move(mandatory);
    def.optionalAttributes = std::move(optional);
    def.containmentClasses = std::move(containment);
    schema.classes.push_back(def);
  };
  cls("Top", 0, {}, {"Object Class"}, {}, {});
  cls("Organization", kClassContainer | kClassEffective, {"Top"}, {"O"}, {}, {});
  cls("Organizational Unit", kClassContainer | kClassEffective, {"Top"}, {"OU"}, {},
      {"Organization", "Organizational Unit"});
  cls("Organizational Person", kClassEffective, {"Top"}, {"CN", "Surname"}, {"Telephone Number"},
      {"Organization", "Organizational Unit"});
  cls("User", kClassEffective, {"Organizational Person"}, {}, {"Login Grace Limit", "Login Disabled", "Login Time"},
      {});
  cls("Alias", kClassEffective, {"Top"}, {"Aliased Object Name"}, {}, {});
  cls("Queue", kClassEffective, {"Top"}, {"CN", "Queue Directory"}, {}, {"Organization", "Organizational Unit"});
  return schema;
}

}  // namespace

// A freshly seeded in-memory directory.
ConformanceTarget MakeMemoryTarget() {
  using service::value::Text;
  ConformanceTarget target;
  const auto& n = target.names;
  service::LoginInfo login;
  login.fullName = {{"CN", "Admin"}, {"O", "Seed"}};
  login.defaultContainer = n.organization;
  auto memory = std::make_unique<MemoryService>(SeedSchema(), login);
  memory->AddEntry(n.organization, n.organizationClass);
  memory->AddEntry(n.sales, n.unitClass);
  memory->AddEntry(n.empty, n.unitClass);
  for (const auto* person : {&n.ann, &n.bob, &n.cid}) {
    memory->AddEntry(*person, n.personClass);
    memory->AddValue(*person, "Object Class", Text{n.personClass});
    memory->AddValue(*person, "CN", Text{person->front().value});
  }
  memory->AddValue(n.ann, n.surname, Text{"Archer"});
  memory->AddValue(n.bob, n.surname, Text{"Baker"});
  memory->AddValue(n.cid, n.surname, Text{"Cole"});
  memory->AddValue(n.ann, n.telephone, Text{"555 0101"});
  memory->AddValue(n.ann, n.telephone, Text{"555 0102"});
  memory->AddValue(n.ann, n.integer, service::value::Integer{6});
  memory->AddValue(n.ann, n.boolean, service::value::Boolean{true});
  memory->AddValue(n.ann, n.time, service::value::Seconds{1700000000});
  memory->AddEntry(n.alias, "Alias");
  memory->MakeAlias(n.alias, n.ann);
  for (const char* login : {"Admin", "Reader"}) {
    const service::EntryName entry = {{"CN", login}, {"O", "Seed"}};
    memory->AddEntry(entry, n.personClass);
    memory->AddValue(entry, n.surname, Text{login});
  }
  target.writer = std::move(memory);
  // A read-only login would need a second view of the same data, which this service has not.
  return target;
}

}  // namespace recast::client

namespace recast::service::conformance {
// A fixed name: the factory's bytes would make the test names change from run to run.
INSTANTIATE_TEST_SUITE_P(Memory, DirectoryServiceConformance, ::testing::Values(client::MakeMemoryTarget),
                         [](const auto&) { return std::string("Reference"); });
}  // namespace recast::service::conformance
