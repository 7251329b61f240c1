#pragma once
// A client over in-memory services: a small schema, two trees (ACME with a full-rights login,
// LAB read-only), a configuration file in a fresh temporary folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "platform/client/NativeDirectoryClient.h"
#include "tests/support/MemoryService.h"

namespace recast::client::testing {

inline service::NamePart Part(const std::string& type, const std::string& value) { return {type, value}; }

inline service::AttributeDefinition Attr(const std::string& name, std::uint32_t syntax, std::uint32_t flags = 0) {
  service::AttributeDefinition def;
  def.name = name;
  def.syntax = syntax;
  def.flags = flags;
  return def;
}

inline service::ClassDefinition Class(const std::string& name, std::uint32_t flags, std::vector<std::string> supers,
                                      std::vector<std::string> mandatory, std::vector<std::string> optional,
                                      std::vector<std::string> containment = {}) {
  service::ClassDefinition def;
  def.name = name;
  def.flags = flags;
  def.superClasses = std::move(supers);
  def.mandatoryAttributes = std::move(mandatory);
  def.optionalAttributes = std::move(optional);
  def.containmentClasses = std::move(containment);
  return def;
}

inline service::Schema SmallSchema() {
  service::Schema schema;
  schema.attributes = {Attr("Object Class", kSynClassName),
                       Attr("CN", kSynCiString),
                       Attr("O", kSynCiString),
                       Attr("OU", kSynCiString),
                       Attr("Surname", kSynCiString, kAttrSingleValued),
                       Attr("Telephone Number", kSynTelNumber),
                       Attr("Description", kSynCiString),
                       Attr("Login Disabled", kSynBoolean, kAttrSingleValued),
                       Attr("Aliased Object Name", kSynDistName, kAttrSingleValued),
                       Attr("Login Script", kSynStream, kAttrSingleValued),
                       Attr("Postal Address", kSynPoAddress),
                       Attr("Member", kSynDistName)};
  schema.classes = {
      Class("Top", 0, {}, {"Object Class"}, {"Description"}),
      Class("Organization", kClassContainer | kClassEffective, {"Top"}, {"O"}, {"Telephone Number", "Login Script"}),
      Class("Organizational Unit", kClassContainer | kClassEffective, {"Top"}, {"OU"},
            {"Telephone Number", "Login Script"}, {"Organization", "Organizational Unit"}),
      Class("Person", 0, {"Top"}, {"CN", "Surname"}, {"Telephone Number", "Postal Address"},
            {"Organization", "Organizational Unit"}),
      Class("User", kClassEffective, {"Person"}, {}, {"Login Disabled", "Login Script", "Description"}),
      Class("Group", kClassEffective, {"Top"}, {"CN"}, {"Member"}, {"Organization", "Organizational Unit"}),
      Class("Alias", kClassEffective, {"Top"}, {"Aliased Object Name"}, {}),
  };
  return schema;
}

// O=ACME { OU=Sales { CN=Clerk1 (User), CN=Clerk.Alias (Alias of Clerk1) }, OU=Lab, CN=Admin (User) }
inline std::unique_ptr<MemoryService> SmallTree(const std::string& org, bool readOnly) {
  service::LoginInfo login;
  login.fullName = {Part("CN", "Admin"), Part("O", org)};
  login.defaultContainer = {Part("O", org)};
  auto service = std::make_unique<MemoryService>(SmallSchema(), login);
  const service::EntryName top = {Part("O", org)};
  const service::EntryName sales = {Part("OU", "Sales"), Part("O", org)};
  const service::EntryName clerk = {Part("CN", "Clerk1"), Part("OU", "Sales"), Part("O", org)};
  const service::EntryName admin = {Part("CN", "Admin"), Part("O", org)};
  const service::EntryName alias = {Part("CN", "Clerk.Alias"), Part("OU", "Sales"), Part("O", org)};
  service->AddEntry(top, "Organization");
  service->AddValue(top, "Object Class", service::value::Text{"Organization"});
  service->AddValue(top, "O", service::value::Text{org});
  service->AddEntry(sales, "Organizational Unit");
  service->AddValue(sales, "Object Class", service::value::Text{"Organizational Unit"});
  service->AddValue(sales, "OU", service::value::Text{"Sales"});
  service->AddEntry({Part("OU", "Lab"), Part("O", org)}, "Organizational Unit");
  for (const auto& user : {clerk, admin}) {
    service->AddEntry(user, "User");
    service->AddValue(user, "Object Class", service::value::Text{"User"});
    service->AddValue(user, "CN", service::value::Text{user.front().value});
    service->AddValue(user, "Surname", service::value::Text{"Surname of " + user.front().value});
  }
  service->AddValue(clerk, "Telephone Number", service::value::Text{"555-0101"});
  service->AddValue(clerk, "Telephone Number", service::value::Text{"555-0102"});
  service->AddEntry(alias, "Alias");
  service->AddValue(alias, "Object Class", service::value::Text{"Alias"});
  service->MakeAlias(alias, clerk);
  service->SetReadOnly(readOnly);
  return service;
}

// A temporary folder removed at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "recast-client-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
}

inline constexpr const char* kTwoTrees =
    "[Main]\nTree=ACME\nService=mem-acme\nLogin=Admin.ACME\nPrimary=1\nColour=Blue\n"
    "[Lab]\nTree=LAB\nService=mem-lab\nLogin=Guest.LAB\n";

class ClientTest : public ::testing::Test {
 protected:
  // Builds the client over config text (none: no configuration file).
  void MakeClient(const char* config = kTwoTrees) {
    ClientOptions options;
    options.configFile = folder.path() / "connections.ini";
    options.dataFolder = folder.path() / "data";
    if (config != nullptr) WriteFile(options.configFile, config);
    options.openers[std::string(kEmbeddedServiceKind)] = [this](const service::ConnectionConfig& config,
                                                                std::unique_ptr<service::DirectoryService>* out) {
      ++opens;
      opened[config.treeName] = config;
      if (failOpen) return kErrDirectoryFailure;
      auto service = SmallTree(config.treeName, config.treeName == "LAB");
      services[config.treeName] = service.get();
      *out = std::move(service);
      return DirStatus{0};
    };
    client = std::make_unique<NativeDirectoryClient>(std::move(options));
  }

  // InitClient and a context on the primary tree.
  DirContext Start() {
    if (!client) MakeClient();
    EXPECT_EQ(client->InitClient(0, 0), 0);
    DirContext ctx = kNoContext;
    EXPECT_EQ(client->CreateContext(&ctx), 0);
    return ctx;
  }

  // The primary tree's service, opened.
  MemoryService* Acme() {
    ConnHandle handle = 0;
    EXPECT_EQ(client->OpenConnectionByRef(1, 1, 0, &handle), 0);
    return services["ACME"];
  }

  void SetNameContext(DirContext ctx, const char* name) {
    ASSERT_EQ(client->SetContextValue(ctx, kKeyNameContext, name), 0);
  }

  TempFolder folder;
  std::unique_ptr<NativeDirectoryClient> client;
  std::map<std::string, MemoryService*> services;
  std::map<std::string, service::ConnectionConfig> opened;
  int opens = 0;
  bool failOpen = false;
};

}  // namespace recast::client::testing
