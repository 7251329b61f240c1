// Drives the directory client with calls in an order the input chooses, with handles that
// are real, freed, or made up, names from the input, and reply readers called on any buffer:
// whatever the order, every call must answer with a status and never touch memory it does not
// own. The client works over an in-memory directory, so changes are allowed too.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "platform/client/NativeDirectoryClient.h"
#include "tests/support/MemoryService.h"

using namespace recast;
using namespace recast::client;

namespace {

service::AttributeDefinition Attr(const char* name, std::uint32_t syntax, std::uint32_t flags = 0) {
  service::AttributeDefinition def;
  def.name = name;
  def.syntax = syntax;
  def.flags = flags;
  return def;
}

service::ClassDefinition Class(const char* name, std::uint32_t flags, std::vector<std::string> supers,
                               std::vector<std::string> mandatory, std::vector<std::string> optional) {
  service::ClassDefinition def;
  def.name = name;
  def.flags = flags;
  def.superClasses = std::move(supers);
  def.mandatoryAttributes = std::move(mandatory);
  def.optionalAttributes = std::move(optional);
  def.containmentClasses = {"Organization", "Organizational Unit"};
  return def;
}

std::unique_ptr<service::DirectoryService> Tree() {
  service::Schema schema;
  schema.attributes = {Attr("Object Class", kSynClassName),
                       Attr("CN", kSynCiString),
                       Attr("O", kSynCiString),
                       Attr("OU", kSynCiString),
                       Attr("Surname", kSynCiString, kAttrSingleValued),
                       Attr("Member", kSynDistName),
                       Attr("Login Script", kSynStream, kAttrSingleValued),
                       Attr("Network Address", kSynNetAddress),
                       Attr("Postal Address", kSynPoAddress)};
  schema.classes = {
      Class("Top", 0, {}, {"Object Class"}, {}),
      Class("Organization", kClassContainer | kClassEffective, {"Top"}, {"O"}, {"Login Script"}),
      Class("Organizational Unit", kClassContainer | kClassEffective, {"Top"}, {"OU"}, {}),
      Class("User", kClassEffective, {"Top"}, {"CN", "Surname"}, {"Network Address", "Postal Address", "Login Script"}),
      Class("Group", kClassEffective, {"Top"}, {"CN"}, {"Member"}),
  };
  service::LoginInfo login;
  login.fullName = {{"CN", "Admin"}, {"O", "ACME"}};
  login.defaultContainer = {{"O", "ACME"}};
  auto tree = std::make_unique<MemoryService>(schema, login);
  const service::EntryName top = {{"O", "ACME"}};
  const service::EntryName unit = {{"OU", "Sales"}, {"O", "ACME"}};
  const service::EntryName admin = {{"CN", "Admin"}, {"O", "ACME"}};
  tree->AddEntry(top, "Organization");
  tree->AddValue(top, "Object Class", service::value::Text{"Organization"});
  tree->AddValue(top, "O", service::value::Text{"ACME"});
  tree->AddValue(top, "Login Script", service::value::Octets{{'M', 'A', 'P', '\n'}});
  tree->AddEntry(unit, "Organizational Unit");
  tree->AddValue(unit, "OU", service::value::Text{"Sales"});
  tree->AddEntry(admin, "User");
  tree->AddValue(admin, "Object Class", service::value::Text{"User"});
  tree->AddValue(admin, "CN", service::value::Text{"Admin"});
  tree->AddValue(admin, "Surname", service::value::Text{"Root"});
  tree->AddValue(admin, "Network Address", service::value::NetAddress{9, {10, 0, 0, 1, 2, 12}});
  tree->AddValue(admin, "Postal Address", service::value::PostalAddress{{"a", "b", "c", "", "", "f"}});
  for (int i = 0; i < 40; ++i) {
    const service::EntryName user = {{"CN", "U" + std::to_string(i)}, {"OU", "Sales"}, {"O", "ACME"}};
    tree->AddEntry(user, i % 2 ? "User" : "Group");
    tree->AddValue(user, "CN", service::value::Text{"U" + std::to_string(i)});
  }
  return tree;
}

const std::filesystem::path& ConfigFile() {
  static const std::filesystem::path file = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "recast-fuzz-XXXXXX").string();
    std::filesystem::path folder = ::mkdtemp(pattern.data());
    std::ofstream(folder / "connections.ini") << "[Main]\nTree=ACME\nService=mem\nLogin=Admin.ACME\nPrimary=1\n";
    return folder / "connections.ini";
  }();
  return file;
}

const char* const kNames[] = {"",
                              "[Root]",
                              "ACME",
                              ".O=ACME",
                              "Sales.ACME",
                              "Admin.ACME",
                              "CN=U3.OU=Sales.O=ACME",
                              "User",
                              "Group",
                              "Object Class",
                              "CN",
                              "Surname",
                              "Login Script",
                              "Network Address",
                              "Postal Address",
                              "Member",
                              "Nobody.ACME",
                              "..",
                              "."};

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  ClientOptions options;
  options.configFile = ConfigFile();
  options.dataFolder = ConfigFile().parent_path() / "data";
  options.openers[std::string(kEmbeddedServiceKind)] = [](const service::ConnectionConfig&,
                                                          std::unique_ptr<service::DirectoryService>* out) {
    *out = Tree();
    return DirStatus{0};
  };
  NativeDirectoryClient client(std::move(options));
  if (in.ConsumeBool()) client.InitClient(0, 0);

  std::vector<DirContext> contexts = {kNoContext};
  std::vector<DirBuffer> buffers = {kNoBuffer};
  std::vector<IterationHandle> iterations = {kNoIteration};
  std::deque<std::string> texts;  // a deque keeps earlier texts in place
  auto pick = [&](const auto& known) { return known[in.ConsumeIntegralInRange<std::size_t>(0, known.size() - 1)]; };
  auto context = [&] { return in.ConsumeBool() ? in.ConsumeIntegral<DirContext>() : pick(contexts); };
  auto buffer = [&] { return in.ConsumeBool() ? in.ConsumeIntegral<DirBuffer>() : pick(buffers); };
  auto iteration = [&] { return in.ConsumeBool() ? in.ConsumeIntegral<IterationHandle>() : pick(iterations); };
  auto name = [&]() -> const char* {
    if (in.ConsumeBool()) return in.PickValueInArray(kNames);
    texts.push_back(in.ConsumeRandomLengthString(300));
    return texts.back().c_str();
  };

  for (int step = 0; step < 200 && in.remaining_bytes() > 0; ++step) {
    char text[kWhoAmIBytes];
    std::uint32_t a = 0, b = 0;
    switch (in.ConsumeIntegralInRange<int>(0, 24)) {
      case 0: {
        DirContext c = kNoContext;
        if (client.CreateContext(&c) == 0) contexts.push_back(c);
        break;
      }
      case 1: {
        DirContext c = kNoContext;
        if (client.DuplicateContext(context(), &c) == 0) contexts.push_back(c);
        break;
      }
      case 2:
        client.FreeContext(context());
        break;
      case 3: {
        DirBuffer buf = kNoBuffer;
        const std::uint32_t want = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint32_t>(0, 70000)
                                                    : in.PickValueInArray({kDefaultBufferSize, kMaxBufferSize, 64u});
        if (client.AllocBuffer(want, &buf) == 0) buffers.push_back(buf);
        break;
      }
      case 4:
        client.FreeBuffer(buffer());
        break;
      case 5:
        client.InitBuffer(context(),
                          in.PickValueInArray({kOpReadObject, kOpModifyObject, kOpReadAttrDef, kOpReadClassDef,
                                               in.ConsumeIntegral<std::uint32_t>()}),
                          buffer());
        break;
      case 6: {
        IterationHandle it = iteration();
        const bool containers = in.ConsumeBool();
        const DirContext c = context();
        const char* n = name();
        const DirBuffer r = buffer();
        if ((containers ? client.ListContainers(c, n, &it, r) : client.ListSubordinates(c, n, &it, r)) == 0) {
          iterations.push_back(it);
        }
        break;
      }
      case 7: {
        IterationHandle it = iteration();
        const DirContext c = context();
        const std::uint32_t info = in.ConsumeIntegralInRange<std::uint32_t>(0, 4);
        const bool all = in.ConsumeBool();
        const DirBuffer names = buffer();
        if (client.ReadClassDef(c, info, all, names, &it, buffer()) == 0) iterations.push_back(it);
        break;
      }
      case 8: {
        IterationHandle it = iteration();
        const DirContext c = context();
        const std::uint32_t info = in.ConsumeIntegralInRange<std::uint32_t>(0, 2);
        const bool all = in.ConsumeBool();
        const DirBuffer names = buffer();
        if (client.ReadAttrDef(c, info, all, names, &it, buffer()) == 0) iterations.push_back(it);
        break;
      }
      case 9: {
        IterationHandle it = iteration();
        const DirContext c = context();
        const char* n = name();
        const std::uint32_t info = in.ConsumeIntegralInRange<std::uint32_t>(0, 2);
        const bool all = in.ConsumeBool();
        const DirBuffer names = buffer();
        if (client.ReadObject(c, n, info, all, names, &it, buffer()) == 0) iterations.push_back(it);
        break;
      }
      case 10:
        client.GetObjectCount(context(), buffer(), &a);
        break;
      case 11: {
        ObjectInfo info;
        client.GetObjectName(context(), buffer(), text, &a, &info);
        break;
      }
      case 12:
        client.GetClassDefCount(context(), buffer(), &a);
        break;
      case 13: {
        ClassInfo info;
        client.GetClassDef(context(), buffer(), text, in.ConsumeBool() ? &info : nullptr);
        break;
      }
      case 14:
        client.GetClassItemCount(context(), buffer(), &a);
        break;
      case 15:
        client.GetClassItem(context(), buffer(), text);
        break;
      case 16:
        client.GetAttrCount(context(), buffer(), &a);
        break;
      case 17: {
        AttrInfo info;
        client.GetAttrDef(context(), buffer(), text, in.ConsumeBool() ? &info : nullptr);
        break;
      }
      case 18:
        client.GetAttrName(context(), buffer(), text, &a, &b);
        break;
      case 19: {
        const DirContext c = context();
        const DirBuffer r = buffer();
        const std::uint32_t syntax = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint32_t>(0, 40) : b;
        std::uint32_t need = 0;
        if (client.ComputeAttrValSize(c, r, syntax, &need) == 0 && need <= 0x200000) {
          std::unique_ptr<void, FreeDeleter> block(std::malloc(need == 0 ? 1 : need));
          client.GetAttrVal(c, r, syntax, block.get());
        }
        break;
      }
      case 20: {
        const DirContext c = context();
        const DirBuffer r = buffer();
        if (in.ConsumeBool())
          client.PutClassName(c, r, name());
        else
          client.PutAttrName(c, r, name());
        break;
      }
      case 21: {
        const DirContext c = context();
        const DirBuffer r = buffer();
        const std::uint32_t change = in.ConsumeIntegralInRange<std::uint32_t>(0, 9);
        const char* attr = name();
        if (in.ConsumeBool()) {
          client.PutChange(c, r, change, attr);
        } else {
          // Text syntaxes take the zero-terminated text itself as their record.
          client.PutChangeAndValue(c, r, change, attr, in.PickValueInArray({kSynCiString, kSynDistName, kSynClassName}),
                                   name());
        }
        break;
      }
      case 22: {
        IterationHandle it = iteration();
        const DirContext c = context();
        const char* n = name();
        client.ModifyObject(c, n, &it, in.ConsumeIntegral<std::uint32_t>(), buffer());
        break;
      }
      case 23: {
        const DirContext c = context();
        const char* n = name();
        client.NWDSMutateObject(c, n, name(), in.ConsumeIntegral<std::uint32_t>());
        break;
      }
      default: {
        const DirContext c = context();
        const char* n = name();
        int fd = -1;
        if (client.OpenStream(c, n, name(), 0, &fd) == 0) ::close(fd);
        break;
      }
    }
  }
  return 0;
}
