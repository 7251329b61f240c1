#pragma once
// A small in-memory DirectoryClient for tests: connections, contexts, containers, schema and
// object values come from what the test puts into its public fields; every call is recorded;
// any operation can be told to fail on its next calls. Replies are consumed strictly in
// order, as the real client does: a reader called out of turn gets kErrOutOfTurn.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "directory/DirectoryClient.h"
#include "tests/directory/support/PackedValue.h"

namespace recast::testing {

// Orders names ignoring ASCII case, as the directory compares schema names.
struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

class ScriptedClient : public DirectoryClient {
 public:
  // ---- What the directory holds ----
  struct Connection {
    ConnRef ref = 0;
    std::string treeInfo;  // as GetConnectionRefInfo hands it out (padded or not)
  };
  ConnStatus initStatus = 0;
  std::optional<ConnRef> primary;
  std::vector<Connection> connections;
  ConnHandle openedHandle = 7;
  // Trees that key 11 accepts (upper case); empty accepts any.
  std::vector<std::string> knownTrees;
  // Default name context per tree (upper case); a tree without one fails the lookup.
  std::map<std::string, std::string> defaultNameContexts;
  std::string whoAmI = "admin.org";

  struct Entry {
    std::string name;
    std::uint32_t flags = 0;
    std::string baseClass;
  };
  // By the container name exactly as the list request names it.
  std::map<std::string, std::vector<Entry>> containers;
  std::size_t entriesPerReply = 3;
  // When set: the entry count of each successive reply of one listing (0 gives an empty
  // reply that still continues), then entriesPerReply.
  std::vector<std::size_t> replySizes;

  struct ClassDef {
    std::string name;
    std::uint32_t flags = 0;
    std::vector<std::string> items[5];  // by ClassItemKind
  };
  std::vector<ClassDef> classes;
  std::size_t classesPerReply = 2;

  struct AttrDef {
    std::string name;
    AttrInfo info;
  };
  std::vector<AttrDef> attributes;
  std::size_t attributesPerReply = 3;

  struct Attribute {
    std::string name;  // as the directory spells it
    std::uint32_t syntax = 0;
    std::vector<PackedValue> values;
  };
  struct Object {
    std::string aliasOf;  // an alias: reads follow it while the context dereferences aliases
    std::vector<Attribute> attributes;
  };
  std::map<std::string, Object> objects;  // by object name as given to ReadObject
  std::size_t valuesPerReply = 100;
  // Stream contents by "object|attribute".
  std::map<std::string, std::string> streams;
  // Replaces the stream lookup when set.
  std::function<DirStatus(const std::string& object, const std::string& attr, int* fd)> onOpenStream;

  // The next calls of operation (by its name, e.g. "ReadObject") return these statuses in
  // turn; a 0 lets that call behave normally. A value reader that is told to fail consumes
  // its value, as the client does for a value it cannot size or write.
  void FailNext(const std::string& operation, std::vector<DirStatus> statuses);

  // ---- What happened ----
  struct ContextState {
    std::uint32_t flags = kFlagDerefAliases | kFlagTypelessNames;
    std::uint32_t setting = 0xFFFFFFFF;
    std::string nameContext = "[Root]";
    std::string tree;
  };
  std::map<DirContext, ContextState> contexts;

  struct ListRequest {
    std::string name;
    IterationHandle iteration;
    ContextState context;  // the context as it was at the request
    bool containersOnly;
  };
  std::vector<ListRequest> listRequests;

  struct Change {
    std::uint32_t type;
    std::string attr;
    bool withValue;
    std::uint32_t syntax;
    const void* value;
    bool operator==(const Change&) const = default;
  };
  struct ModifyRequest {
    std::string object;
    std::vector<Change> changes;
  };
  std::vector<ModifyRequest> modifyRequests;
  // Per ReadObject: the object name and the flags word of the context used.
  struct ObjectRead {
    std::string object;
    std::uint32_t flags;
  };
  std::vector<ObjectRead> objectReads;
  std::vector<std::string> calls;  // operation names in call order
  std::vector<std::uint32_t> allocatedSizes;
  std::vector<std::string> preferredTrees;
  int liveBuffers() const { return static_cast<int>(buffers_.size()); }

  // Creates a context as CreateContext does and returns it.
  DirContext NewContext();

  // ---- DirectoryClient ----
  ConnStatus InitClient(std::uint32_t, std::uint32_t) override;
  ConnStatus GetPrimaryConnectionRef(ConnRef* ref) override;
  ConnStatus ScanConnectionRefs(std::uint32_t* iterator, ConnRef* ref) override;
  ConnStatus GetConnectionRefInfo(ConnRef ref, std::uint32_t infoType, std::uint32_t bufferLength,
                                  void* buffer) override;
  ConnStatus OpenConnectionByRef(ConnRef ref, std::uint32_t mode, std::uint32_t, ConnHandle* connection) override;
  DirStatus CreateContext(DirContext* ctx) override;
  DirStatus DuplicateContext(DirContext source, DirContext* ctx) override;
  DirStatus FreeContext(DirContext ctx) override;
  DirStatus GetContextValue(DirContext ctx, std::uint32_t key, void* value) override;
  DirStatus SetContextValue(DirContext ctx, std::uint32_t key, const void* value) override;
  DirStatus GetDefaultNameContext(DirContext ctx, std::uint32_t length, char* buffer) override;
  DirStatus SetPreferredTree(std::uint32_t length, const char* tree) override;
  DirStatus WhoAmI(DirContext ctx, char* buffer) override;
  DirStatus AllocBuffer(std::uint32_t size, DirBuffer* buffer) override;
  DirStatus FreeBuffer(DirBuffer buffer) override;
  DirStatus InitBuffer(DirContext ctx, std::uint32_t operation, DirBuffer buffer) override;
  DirStatus ListSubordinates(DirContext ctx, const char* name, IterationHandle* iteration, DirBuffer reply) override;
  DirStatus ListContainers(DirContext ctx, const char* name, IterationHandle* iteration, DirBuffer reply) override;
  DirStatus GetObjectCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) override;
  DirStatus GetObjectName(DirContext ctx, DirBuffer reply, char* name, std::uint32_t* attrCount,
                          ObjectInfo* info) override;
  DirStatus ReadClassDef(DirContext ctx, std::uint32_t infoType, bool allClasses, DirBuffer names,
                         IterationHandle* iteration, DirBuffer reply) override;
  DirStatus ReadAttrDef(DirContext ctx, std::uint32_t infoType, bool allAttributes, DirBuffer names,
                        IterationHandle* iteration, DirBuffer reply) override;
  DirStatus ReadObject(DirContext ctx, const char* object, std::uint32_t infoType, bool allAttributes, DirBuffer names,
                       IterationHandle* iteration, DirBuffer reply) override;
  DirStatus GetSyntaxId(DirContext ctx, const char* attrName, std::uint32_t* syntax) override;
  DirStatus GetClassDefCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) override;
  DirStatus GetClassDef(DirContext ctx, DirBuffer reply, char* name, ClassInfo* info) override;
  DirStatus GetClassItemCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) override;
  DirStatus GetClassItem(DirContext ctx, DirBuffer reply, char* name) override;
  DirStatus GetAttrCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) override;
  DirStatus GetAttrDef(DirContext ctx, DirBuffer reply, char* name, AttrInfo* info) override;
  DirStatus GetAttrName(DirContext ctx, DirBuffer reply, char* name, std::uint32_t* valueCount,
                        std::uint32_t* syntax) override;
  DirStatus ComputeAttrValSize(DirContext ctx, DirBuffer reply, std::uint32_t syntax, std::uint32_t* size) override;
  DirStatus GetAttrVal(DirContext ctx, DirBuffer reply, std::uint32_t syntax, void* value) override;
  DirStatus PutClassName(DirContext ctx, DirBuffer buffer, const char* name) override;
  DirStatus PutAttrName(DirContext ctx, DirBuffer buffer, const char* name) override;
  DirStatus PutChange(DirContext ctx, DirBuffer buffer, std::uint32_t changeType, const char* attrName) override;
  DirStatus PutChangeAndValue(DirContext ctx, DirBuffer buffer, std::uint32_t changeType, const char* attrName,
                              std::uint32_t syntax, const void* value) override;
  DirStatus ModifyObject(DirContext ctx, const char* object, IterationHandle* iteration, std::uint32_t,
                         DirBuffer changes) override;
  DirStatus NWDSMutateObject(DirContext ctx, const char* object, const char* newClass, std::uint32_t flags) override;
  DirStatus OpenStream(DirContext ctx, const char* object, const char* attrName, std::uint32_t flags, int* fd) override;

 private:
  enum class ItemKind {
    Count,
    ObjectName,
    ClassDefCount,
    ClassDef,
    ItemCount,
    Item,
    AttrCount,
    AttrDef,
    AttrName,
    Value
  };
  struct Item {
    ItemKind kind = ItemKind::Count;
    std::uint32_t number = 0;
    std::string text;
    ObjectInfo objectInfo;
    ClassInfo classInfo;
    AttrInfo attrInfo;
    std::uint32_t syntax = 0;
    const PackedValue* value = nullptr;
  };
  static Item NewItem(ItemKind kind, std::uint32_t number = 0, std::string text = {});
  struct Buffer {
    std::uint32_t size = 0;
    std::uint32_t operation = 0;
    std::vector<std::string> names;
    std::vector<Change> changes;
    std::deque<Item> reply;
  };

  DirStatus Scripted(const std::string& operation);
  Buffer* FindBuffer(DirBuffer buffer);
  ContextState* FindContext(DirContext ctx);
  DirStatus List(DirContext ctx, const char* name, IterationHandle* iteration, DirBuffer reply, bool containersOnly);
  // Takes the next reply item, which must be of kind; nullptr with *status set otherwise.
  const Item* Take(DirBuffer reply, ItemKind kind, DirStatus* status);
  // Consumes the next reply item when it is a value.
  void DropValue(DirBuffer reply);
  // Position stored behind an iteration handle; -1 starts at 0. False for an unknown handle.
  bool Position(IterationHandle handle, std::size_t* position);
  void Continue(IterationHandle* handle, std::size_t next, std::size_t total);

  std::map<std::string, std::deque<DirStatus>> scripted_;
  std::map<DirBuffer, Buffer> buffers_;
  std::map<IterationHandle, std::size_t> iterations_;
  Item lastTaken_;
  std::size_t replyIndex_ = 0;
  DirBuffer nextBuffer_ = 1;
  DirContext nextContext_ = 1;
  IterationHandle nextIteration_ = 100;
};

}  // namespace recast::testing
