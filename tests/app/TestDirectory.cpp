#include "TestDirectory.h"

#include <fstream>

#include "directory/AttributeValues.h"
#include "directory/Connection.h"
#include "directory/Contexts.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/embedded/StoreCreator.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast::app::testing {

const char* TestDirectoryData() {
  return R"(schema: test

attribute: Object Class
syntax: 20
flags: NonRem SyncImdt

attribute: CN
syntax: 3

attribute: O
syntax: 3

attribute: OU
syntax: 3

attribute: Surname
syntax: 3

attribute: Title
syntax: 3

attribute: Full Name
syntax: 3

attribute: Description
syntax: 3

attribute: Telephone Number
syntax: 10

attribute: Room
syntax: 3
flags: SglVal Sized
bounds: 1 16

attribute: Employee ID
syntax: 3

attribute: Photo
syntax: 9

class: Top
flags: NonRemovable
mandatory: Object Class

class: Organization
flags: Container Effective
super: Top
containment: Tree Root
naming: O
mandatory: O
optional: Description

class: Organizational Unit
flags: Container Effective
super: Top
containment: Organization, Organizational Unit
naming: OU
mandatory: OU
optional: Description

class: Person
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: CN, Surname
optional: Description, Telephone Number, Full Name, Title

class: Contact
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: CN
optional: Description, Telephone Number

class: Staff
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: CN, Surname, Room
optional: Description, Telephone Number, Full Name

class: Member
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: CN, Surname
optional: Description, Telephone Number, Full Name, Title, Room

class: Titled
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: CN, Surname, Title
optional: Description, Telephone Number, Full Name

class: Badge Holder
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: CN, Surname
optional: Description

class: Portrait
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: CN, Surname
optional: Description, Photo

class: Pictured
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: CN, Surname, Photo
optional: Description

tree: ALPHA
schema: test

login: CN=Admin.O=Org
rights: write

entry: O=Org
class: Organization

entry: CN=Admin.O=Org
class: Person
Surname: Admin

entry: OU=Sales.O=Org
class: Organizational Unit

entry: OU=Dev.O=Org
class: Organizational Unit

entry: OU=East.OU=Sales.O=Org
class: Organizational Unit

entry: CN=Alice.OU=Sales.O=Org
class: Person
Surname: Smith
Title: Boss
Telephone Number: 555 0101

entry: CN=Bob.OU=Sales.O=Org
class: Person
Surname: Jones
Title: Clerk
Telephone Number: 555 0102
Telephone Number: 555 0103

entry: CN=Carol.OU=Sales.O=Org
class: Person
Surname: Miller

entry: CN=Dave.OU=East.OU=Sales.O=Org
class: Portrait
Surname: Gray
Photo:#

entry: CN=Bob.OU=Dev.O=Org
class: Person
Surname: Other
Title: Developer

tree: BETA
schema: test

login: CN=Reader.O=Org
rights: read

entry: O=Org
class: Organization

entry: CN=Reader.O=Org
class: Person
Surname: Reader

entry: OU=Sales.O=Org
class: Organizational Unit

entry: CN=Bob.OU=Sales.O=Org
class: Person
Surname: Beta
Title: Guest

# A tree whose schema defines Person and Contact differently; no connection reaches it unless
# a test adds one (DeltaConnection).
schema: other

attribute: Object Class
syntax: 20
flags: NonRem SyncImdt

attribute: CN
syntax: 3

attribute: O
syntax: 3

attribute: OU
syntax: 3

attribute: Surname
syntax: 3

attribute: Title
syntax: 3

class: Top
flags: NonRemovable
mandatory: Object Class

class: Organization
flags: Container Effective
super: Top
containment: Tree Root
naming: O
mandatory: O

class: Organizational Unit
flags: Container Effective
super: Top
containment: Organization, Organizational Unit
naming: OU
mandatory: OU

class: Person
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: Surname
optional: CN, Title

class: Contact
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: CN, Title
optional: Surname

class: Visitor
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: Surname
optional: CN

tree: DELTA
schema: other

login: CN=Admin.O=Org
rights: write

entry: O=Org
class: Organization

entry: CN=Admin.O=Org
class: Person
Surname: Admin

entry: OU=Sales.O=Org
class: Organizational Unit

entry: CN=Eve.OU=Sales.O=Org
class: Person
Surname: Early
Title: Scout

entry: Title=Chief.OU=Sales.O=Org
class: Person
Surname: Head
)";
}

TestDirectory::TestDirectory(const std::string& extraData) {
  if (!dir_.isValid()) {
    error_ = "no temporary folder";
    return;
  }
  const std::filesystem::path data = folder() / "test-data.txt";
  std::ofstream(data) << TestDirectoryData() << "\n" << extraData;
  embedded::LoadError loadError;
  if (embedded::CreateStoreFromData({data}, folder() / "test.db", &loadError) != 0) {
    error_ = loadError.Text();
    return;
  }
  std::ofstream(folder() / "connections.ini") << "[Main]\nTree=ALPHA\nService=test.db\nLogin=CN=Admin.O=Org\n"
                                                 "Primary=1\n\n[Second]\nTree=BETA\nService=test.db\n"
                                                 "Login=CN=Reader.O=Org\n";
  ok_ = true;
}

client::ClientOptions TestDirectory::Options() const {
  client::ClientOptions options;
  options.configFile = folder() / "connections.ini";
  options.dataFolder = folder() / "data";
  return options;
}

std::unique_ptr<DirectoryClient> TestDirectory::NewClient() const { return client::CreateDirectoryClient(Options()); }

std::string TestDirectory::ValueOf(const std::string& tree, const std::string& object,
                                   const std::string& attrName) const {
  const std::unique_ptr<DirectoryClient> client = NewClient();
  ScriptedUserInterface ui;
  DirectorySession session(*client, ui, "");
  if (InitNetWare(session) != 0) return "<no connection>";
  DirContext ctx = kNoContext;
  if (client->CreateContext(&ctx) != 0) return "<no context>";
  std::string text;
  if (SetTree(session, ctx, tree, false) == 0) GetAttributeValueText(session, ctx, object, attrName, &text);
  client->FreeContext(ctx);
  return text;
}

const char* DeltaConnection() { return "\n[Third]\nTree=DELTA\nService=test.db\nLogin=CN=Admin.O=Org\n"; }

}  // namespace recast::app::testing
