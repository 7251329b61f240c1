#include "tests/directory/support/ScriptedClient.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "util/TextHelpers.h"

namespace recast::testing {

namespace {

void CopyText(const std::string& text, char* out, std::size_t size) {
  const std::size_t n = std::min(text.size(), size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = 0;
}

std::string CleanTree(const std::string& info) {
  std::string name = info.substr(0, 32);
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name;
}

}  // namespace

ScriptedClient::Item ScriptedClient::NewItem(ItemKind kind, std::uint32_t number, std::string text) {
  Item item;
  item.kind = kind;
  item.number = number;
  item.text = std::move(text);
  return item;
}

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  return UpperAscii(a) < UpperAscii(b);
}

void ScriptedClient::FailNext(const std::string& operation, std::vector<DirStatus> statuses) {
  auto& queue = scripted_[operation];
  queue.insert(queue.end(), statuses.begin(), statuses.end());
}

DirStatus ScriptedClient::Scripted(const std::string& operation) {
  calls.push_back(operation);
  auto it = scripted_.find(operation);
  if (it == scripted_.end() || it->second.empty()) return 0;
  const DirStatus status = it->second.front();
  it->second.pop_front();
  return status;
}

ScriptedClient::Buffer* ScriptedClient::FindBuffer(DirBuffer buffer) {
  auto it = buffers_.find(buffer);
  return it == buffers_.end() ? nullptr : &it->second;
}

ScriptedClient::ContextState* ScriptedClient::FindContext(DirContext ctx) {
  auto it = contexts.find(ctx);
  return it == contexts.end() ? nullptr : &it->second;
}

bool ScriptedClient::Position(IterationHandle handle, std::size_t* position) {
  if (handle == kNoIteration) {
    *position = 0;
    return true;
  }
  auto it = iterations_.find(handle);
  if (it == iterations_.end()) return false;
  *position = it->second;
  iterations_.erase(it);
  return true;
}

void ScriptedClient::Continue(IterationHandle* handle, std::size_t next, std::size_t total) {
  if (next >= total && (next > 0 || replyIndex_ >= replySizes.size())) {
    *handle = kNoIteration;
    return;
  }
  *handle = nextIteration_++;
  iterations_[*handle] = next;
}

const ScriptedClient::Item* ScriptedClient::Take(DirBuffer reply, ItemKind kind, DirStatus* status) {
  Buffer* buffer = FindBuffer(reply);
  if (buffer == nullptr) {
    *status = kErrBadBuffer;
    return nullptr;
  }
  if (buffer->reply.empty()) {
    *status = kErrBufferEmpty;
    return nullptr;
  }
  if (buffer->reply.front().kind != kind) {
    *status = kErrOutOfTurn;
    return nullptr;
  }
  lastTaken_ = buffer->reply.front();
  buffer->reply.pop_front();
  *status = 0;
  return &lastTaken_;
}

DirContext ScriptedClient::NewContext() {
  ContextState state;
  if (primary) {
    for (const Connection& c : connections) {
      if (c.ref == *primary) state.tree = CleanTree(c.treeInfo);
    }
  }
  const DirContext ctx = nextContext_++;
  contexts[ctx] = state;
  return ctx;
}

// ---- Connections ----

ConnStatus ScriptedClient::InitClient(std::uint32_t, std::uint32_t) {
  if (const DirStatus s = Scripted("InitClient")) return static_cast<ConnStatus>(s);
  return initStatus;
}

ConnStatus ScriptedClient::GetPrimaryConnectionRef(ConnRef* ref) {
  if (const DirStatus s = Scripted("GetPrimaryConnectionRef")) return static_cast<ConnStatus>(s);
  if (!primary) return kConnNoPrimary;
  *ref = *primary;
  return 0;
}

ConnStatus ScriptedClient::ScanConnectionRefs(std::uint32_t* iterator, ConnRef* ref) {
  if (const DirStatus s = Scripted("ScanConnectionRefs")) return static_cast<ConnStatus>(s);
  if (*iterator >= connections.size()) return kConnNoMoreEntries;
  *ref = connections[*iterator].ref;
  ++*iterator;
  return 0;
}

ConnStatus ScriptedClient::GetConnectionRefInfo(ConnRef ref, std::uint32_t infoType, std::uint32_t bufferLength,
                                                void* buffer) {
  if (const DirStatus s = Scripted("GetConnectionRefInfo")) return static_cast<ConnStatus>(s);
  if (infoType != kConnInfoTreeName) return kConnBadArgument;
  for (const Connection& c : connections) {
    if (c.ref == ref) {
      CopyText(c.treeInfo, static_cast<char*>(buffer), bufferLength);
      return 0;
    }
  }
  return kConnInvalidConnection;
}

ConnStatus ScriptedClient::OpenConnectionByRef(ConnRef ref, std::uint32_t, std::uint32_t, ConnHandle* connection) {
  if (const DirStatus s = Scripted("OpenConnectionByRef")) return static_cast<ConnStatus>(s);
  for (const Connection& c : connections) {
    if (c.ref == ref) {
      *connection = openedHandle;
      return 0;
    }
  }
  return kConnInvalidConnection;
}

// ---- Contexts ----

DirStatus ScriptedClient::CreateContext(DirContext* ctx) {
  if (const DirStatus s = Scripted("CreateContext")) return s;
  *ctx = NewContext();
  return 0;
}

DirStatus ScriptedClient::DuplicateContext(DirContext source, DirContext* ctx) {
  if (const DirStatus s = Scripted("DuplicateContext")) return s;
  const ContextState* state = FindContext(source);
  if (state == nullptr) return kErrBadContext;
  const DirContext copy = nextContext_++;
  contexts[copy] = *state;
  *ctx = copy;
  return 0;
}

DirStatus ScriptedClient::FreeContext(DirContext ctx) {
  if (const DirStatus s = Scripted("FreeContext")) return s;
  return contexts.erase(ctx) == 1 ? 0 : kErrBadContext;
}

DirStatus ScriptedClient::GetContextValue(DirContext ctx, std::uint32_t key, void* value) {
  if (const DirStatus s = Scripted("GetContextValue")) return s;
  ContextState* state = FindContext(ctx);
  if (state == nullptr) return kErrBadContext;
  switch (key) {
    case kKeyFlags:
      *static_cast<std::uint32_t*>(value) = state->flags;
      return 0;
    case kKeySetting:
      *static_cast<std::uint32_t*>(value) = state->setting;
      return 0;
    case kKeyNameContext:
      CopyText(state->nameContext, static_cast<char*>(value), kMaxNameBytes);
      return 0;
    case kKeyTreeName:
      CopyText(state->tree, static_cast<char*>(value), kMaxNameBytes);
      return 0;
    default:
      return kErrBadKey;
  }
}

DirStatus ScriptedClient::SetContextValue(DirContext ctx, std::uint32_t key, const void* value) {
  if (const DirStatus s = Scripted("SetContextValue")) return s;
  ContextState* state = FindContext(ctx);
  if (state == nullptr) return kErrBadContext;
  switch (key) {
    case kKeyFlags:
      state->flags = *static_cast<const std::uint32_t*>(value);
      return 0;
    case kKeySetting:
      state->setting = *static_cast<const std::uint32_t*>(value);
      return 0;
    case kKeyNameContext:
      state->nameContext = static_cast<const char*>(value);
      return 0;
    case kKeyTreeName: {
      const std::string tree = static_cast<const char*>(value);
      if (!knownTrees.empty() &&
          std::find(knownTrees.begin(), knownTrees.end(), UpperAscii(tree)) == knownTrees.end()) {
        return kErrBadName;
      }
      state->tree = tree;
      return 0;
    }
    default:
      return kErrBadKey;
  }
}

DirStatus ScriptedClient::GetDefaultNameContext(DirContext ctx, std::uint32_t length, char* buffer) {
  if (const DirStatus s = Scripted("GetDefaultNameContext")) return s;
  const ContextState* state = FindContext(ctx);
  if (state == nullptr) return kErrBadContext;
  auto it = defaultNameContexts.find(UpperAscii(state->tree));
  if (it == defaultNameContexts.end()) return kErrNoSuchEntry;
  CopyText(it->second, buffer, length);
  return 0;
}

DirStatus ScriptedClient::SetPreferredTree(std::uint32_t length, const char* tree) {
  if (const DirStatus s = Scripted("SetPreferredTree")) return s;
  preferredTrees.emplace_back(tree, length > 0 ? length - 1 : 0);
  return 0;
}

DirStatus ScriptedClient::WhoAmI(DirContext ctx, char* buffer) {
  if (const DirStatus s = Scripted("WhoAmI")) return s;
  if (FindContext(ctx) == nullptr) return kErrBadContext;
  CopyText(whoAmI, buffer, kWhoAmIBytes);
  return 0;
}

// ---- Buffers ----

DirStatus ScriptedClient::AllocBuffer(std::uint32_t size, DirBuffer* buffer) {
  if (const DirStatus s = Scripted("AllocBuffer")) return s;
  if (size == 0 || size > kMaxBufferSize) return kErrBadBuffer;
  allocatedSizes.push_back(size);
  *buffer = nextBuffer_++;
  buffers_[*buffer].size = size;
  return 0;
}

DirStatus ScriptedClient::FreeBuffer(DirBuffer buffer) {
  if (const DirStatus s = Scripted("FreeBuffer")) return s;
  return buffers_.erase(buffer) == 1 ? 0 : kErrBadBuffer;
}

DirStatus ScriptedClient::InitBuffer(DirContext ctx, std::uint32_t operation, DirBuffer buffer) {
  if (const DirStatus s = Scripted("InitBuffer")) return s;
  if (FindContext(ctx) == nullptr) return kErrBadContext;
  Buffer* b = FindBuffer(buffer);
  if (b == nullptr) return kErrBadBuffer;
  b->operation = operation;
  b->names.clear();
  b->changes.clear();
  b->reply.clear();
  return 0;
}

// ---- Listing ----

DirStatus ScriptedClient::List(DirContext ctx, const char* name, IterationHandle* iteration, DirBuffer reply,
                               bool containersOnly) {
  ContextState* state = FindContext(ctx);
  if (state == nullptr) return kErrBadContext;
  Buffer* buffer = FindBuffer(reply);
  if (buffer == nullptr) return kErrBadBuffer;
  listRequests.push_back({name, *iteration, *state, containersOnly});
  auto it = containers.find(name);
  if (it == containers.end()) return kErrNoSuchEntry;
  std::vector<const Entry*> entries;
  for (const Entry& e : it->second) {
    if (!containersOnly || (e.flags & kEntryContainer) != 0) entries.push_back(&e);
  }
  std::size_t position = 0;
  if (!Position(*iteration, &position)) return kErrBadIteration;
  if (*iteration == kNoIteration) replyIndex_ = 0;
  const std::size_t batch = replyIndex_ < replySizes.size() ? replySizes[replyIndex_] : entriesPerReply;
  ++replyIndex_;
  const std::size_t end = std::min(entries.size(), position + batch);
  buffer->reply.clear();
  buffer->reply.push_back(NewItem(ItemKind::Count, static_cast<std::uint32_t>(end - position)));
  for (std::size_t i = position; i < end; ++i) {
    Item item = NewItem(ItemKind::ObjectName, 0, entries[i]->name);
    item.objectInfo.objectFlags = entries[i]->flags;
    CopyText(entries[i]->baseClass, item.objectInfo.baseClass, sizeof item.objectInfo.baseClass);
    buffer->reply.push_back(item);
  }
  Continue(iteration, end, entries.size());
  return 0;
}

DirStatus ScriptedClient::ListSubordinates(DirContext ctx, const char* name, IterationHandle* iteration,
                                           DirBuffer reply) {
  if (const DirStatus s = Scripted("ListSubordinates")) return s;
  return List(ctx, name, iteration, reply, false);
}

DirStatus ScriptedClient::ListContainers(DirContext ctx, const char* name, IterationHandle* iteration,
                                         DirBuffer reply) {
  if (const DirStatus s = Scripted("ListContainers")) return s;
  return List(ctx, name, iteration, reply, true);
}

DirStatus ScriptedClient::GetObjectCount(DirContext, DirBuffer reply, std::uint32_t* count) {
  if (const DirStatus s = Scripted("GetObjectCount")) return s;
  DirStatus status = 0;
  if (const Item* item = Take(reply, ItemKind::Count, &status)) *count = item->number;
  return status;
}

DirStatus ScriptedClient::GetObjectName(DirContext, DirBuffer reply, char* name, std::uint32_t* attrCount,
                                        ObjectInfo* info) {
  if (const DirStatus s = Scripted("GetObjectName")) return s;
  DirStatus status = 0;
  if (const Item* item = Take(reply, ItemKind::ObjectName, &status)) {
    CopyText(item->text, name, kMaxNameBytes);
    *attrCount = 0;
    *info = item->objectInfo;
  }
  return status;
}

// ---- Schema ----

DirStatus ScriptedClient::ReadClassDef(DirContext ctx, std::uint32_t infoType, bool allClasses, DirBuffer names,
                                       IterationHandle* iteration, DirBuffer reply) {
  if (const DirStatus s = Scripted("ReadClassDef")) return s;
  if (FindContext(ctx) == nullptr) return kErrBadContext;
  Buffer* out = FindBuffer(reply);
  const Buffer* request = FindBuffer(names);
  if (out == nullptr || (!allClasses && request == nullptr)) return kErrBadBuffer;
  std::vector<const ClassDef*> selected;
  if (allClasses) {
    for (const ClassDef& c : classes) selected.push_back(&c);
  } else {
    for (const std::string& wanted : request->names) {
      auto it =
          std::find_if(classes.begin(), classes.end(), [&](const ClassDef& c) { return TextEquals(c.name, wanted); });
      if (it == classes.end()) return kErrNoSuchClass;
      selected.push_back(&*it);
    }
  }
  std::size_t position = 0;
  if (!Position(*iteration, &position)) return kErrBadIteration;
  const std::size_t end = std::min(selected.size(), position + classesPerReply);
  out->reply.clear();
  out->reply.push_back(NewItem(ItemKind::ClassDefCount, static_cast<std::uint32_t>(end - position)));
  for (std::size_t i = position; i < end; ++i) {
    Item def = NewItem(ItemKind::ClassDef, 0, selected[i]->name);
    def.classInfo.classFlags = selected[i]->flags;
    out->reply.push_back(def);
    if (infoType != kClassInfoExpanded) continue;
    for (const auto& items : selected[i]->items) {
      out->reply.push_back(NewItem(ItemKind::ItemCount, static_cast<std::uint32_t>(items.size())));
      for (const std::string& item : items) out->reply.push_back(NewItem(ItemKind::Item, 0, item));
    }
  }
  Continue(iteration, end, selected.size());
  return 0;
}

DirStatus ScriptedClient::ReadAttrDef(DirContext ctx, std::uint32_t infoType, bool allAttributes, DirBuffer names,
                                      IterationHandle* iteration, DirBuffer reply) {
  if (const DirStatus s = Scripted("ReadAttrDef")) return s;
  if (FindContext(ctx) == nullptr) return kErrBadContext;
  Buffer* out = FindBuffer(reply);
  const Buffer* request = FindBuffer(names);
  if (out == nullptr || (!allAttributes && request == nullptr)) return kErrBadBuffer;
  std::vector<const AttrDef*> selected;
  if (allAttributes) {
    for (const AttrDef& a : attributes) selected.push_back(&a);
  } else {
    for (const std::string& wanted : request->names) {
      auto it = std::find_if(attributes.begin(), attributes.end(),
                             [&](const AttrDef& a) { return TextEquals(a.name, wanted); });
      if (it == attributes.end()) return kErrNoSuchAttribute;
      selected.push_back(&*it);
    }
  }
  std::size_t position = 0;
  if (!Position(*iteration, &position)) return kErrBadIteration;
  const std::size_t end = std::min(selected.size(), position + attributesPerReply);
  out->reply.clear();
  out->reply.push_back(NewItem(ItemKind::AttrCount, static_cast<std::uint32_t>(end - position)));
  for (std::size_t i = position; i < end; ++i) {
    Item def = NewItem(ItemKind::AttrDef, 0, selected[i]->name);
    if (infoType == kAttrInfoDefinitions) def.attrInfo = selected[i]->info;
    out->reply.push_back(def);
  }
  Continue(iteration, end, selected.size());
  return 0;
}

DirStatus ScriptedClient::ReadObject(DirContext ctx, const char* object, std::uint32_t, bool, DirBuffer names,
                                     IterationHandle* iteration, DirBuffer reply) {
  if (const DirStatus s = Scripted("ReadObject")) return s;
  const ContextState* state = FindContext(ctx);
  if (state == nullptr) return kErrBadContext;
  Buffer* out = FindBuffer(reply);
  const Buffer* request = FindBuffer(names);
  if (out == nullptr || request == nullptr) return kErrBadBuffer;
  objectReads.push_back({object, state->flags});
  auto it = objects.find(object);
  if (it == objects.end()) return kErrNoSuchEntry;
  const Object* target = &it->second;
  if (!target->aliasOf.empty() && (state->flags & kFlagDerefAliases) != 0) {
    auto aliased = objects.find(target->aliasOf);
    if (aliased == objects.end()) return kErrNoSuchEntry;
    target = &aliased->second;
  }
  const Attribute* attribute = nullptr;
  for (const Attribute& a : target->attributes) {
    if (!request->names.empty() && TextEquals(a.name, request->names.front())) attribute = &a;
  }
  if (attribute == nullptr) return kErrNoSuchAttribute;
  std::size_t position = 0;
  if (!Position(*iteration, &position)) return kErrBadIteration;
  const std::size_t total = attribute->values.size();
  const std::size_t end = std::min(total, position + valuesPerReply);
  out->reply.clear();
  out->reply.push_back(NewItem(ItemKind::AttrCount, 1));
  Item name = NewItem(ItemKind::AttrName, static_cast<std::uint32_t>(end - position), attribute->name);
  name.syntax = attribute->syntax;
  out->reply.push_back(name);
  for (std::size_t i = position; i < end; ++i) {
    Item value = NewItem(ItemKind::Value);
    value.syntax = attribute->syntax;
    value.value = &attribute->values[i];
    out->reply.push_back(value);
  }
  Continue(iteration, end, total);
  return 0;
}

DirStatus ScriptedClient::GetSyntaxId(DirContext, const char* attrName, std::uint32_t* syntax) {
  if (const DirStatus s = Scripted("GetSyntaxId")) return s;
  for (const AttrDef& a : attributes) {
    if (TextEquals(a.name, attrName)) {
      *syntax = a.info.syntaxId;
      return 0;
    }
  }
  return kErrNoSuchAttribute;
}

// ---- Readers ----

DirStatus ScriptedClient::GetClassDefCount(DirContext, DirBuffer reply, std::uint32_t* count) {
  if (const DirStatus s = Scripted("GetClassDefCount")) return s;
  DirStatus status = 0;
  if (const Item* item = Take(reply, ItemKind::ClassDefCount, &status)) *count = item->number;
  return status;
}

DirStatus ScriptedClient::GetClassDef(DirContext, DirBuffer reply, char* name, ClassInfo* info) {
  if (const DirStatus s = Scripted("GetClassDef")) return s;
  DirStatus status = 0;
  if (const Item* item = Take(reply, ItemKind::ClassDef, &status)) {
    CopyText(item->text, name, kMaxSchemaNameBytes);
    *info = item->classInfo;
  }
  return status;
}

DirStatus ScriptedClient::GetClassItemCount(DirContext, DirBuffer reply, std::uint32_t* count) {
  if (const DirStatus s = Scripted("GetClassItemCount")) return s;
  DirStatus status = 0;
  if (const Item* item = Take(reply, ItemKind::ItemCount, &status)) *count = item->number;
  return status;
}

DirStatus ScriptedClient::GetClassItem(DirContext, DirBuffer reply, char* name) {
  if (const DirStatus s = Scripted("GetClassItem")) return s;
  DirStatus status = 0;
  if (const Item* item = Take(reply, ItemKind::Item, &status)) CopyText(item->text, name, kMaxSchemaNameBytes);
  return status;
}

DirStatus ScriptedClient::GetAttrCount(DirContext, DirBuffer reply, std::uint32_t* count) {
  if (const DirStatus s = Scripted("GetAttrCount")) return s;
  DirStatus status = 0;
  if (const Item* item = Take(reply, ItemKind::AttrCount, &status)) *count = item->number;
  return status;
}

DirStatus ScriptedClient::GetAttrDef(DirContext, DirBuffer reply, char* name, AttrInfo* info) {
  if (const DirStatus s = Scripted("GetAttrDef")) return s;
  DirStatus status = 0;
  if (const Item* item = Take(reply, ItemKind::AttrDef, &status)) {
    CopyText(item->text, name, kMaxSchemaNameBytes);
    if (info != nullptr) *info = item->attrInfo;
  }
  return status;
}

DirStatus ScriptedClient::GetAttrName(DirContext, DirBuffer reply, char* name, std::uint32_t* valueCount,
                                      std::uint32_t* syntax) {
  if (const DirStatus s = Scripted("GetAttrName")) return s;
  DirStatus status = 0;
  if (const Item* item = Take(reply, ItemKind::AttrName, &status)) {
    CopyText(item->text, name, kMaxSchemaNameBytes);
    *valueCount = item->number;
    *syntax = item->syntax;
  }
  return status;
}

void ScriptedClient::DropValue(DirBuffer reply) {
  Buffer* buffer = FindBuffer(reply);
  if (buffer != nullptr && !buffer->reply.empty() && buffer->reply.front().kind == ItemKind::Value) {
    buffer->reply.pop_front();
  }
}

DirStatus ScriptedClient::ComputeAttrValSize(DirContext, DirBuffer reply, std::uint32_t syntax, std::uint32_t* size) {
  if (const DirStatus s = Scripted("ComputeAttrValSize")) {
    DropValue(reply);
    return s;
  }
  Buffer* buffer = FindBuffer(reply);
  if (buffer == nullptr) return kErrBadBuffer;
  if (buffer->reply.empty()) return kErrBufferEmpty;
  const Item& item = buffer->reply.front();
  if (item.kind != ItemKind::Value) return kErrOutOfTurn;
  if (item.syntax != syntax) return kErrBadSyntax;
  *size = item.value->size();
  return 0;
}

DirStatus ScriptedClient::GetAttrVal(DirContext, DirBuffer reply, std::uint32_t syntax, void* value) {
  if (const DirStatus s = Scripted("GetAttrVal")) {
    DropValue(reply);
    return s;
  }
  Buffer* buffer = FindBuffer(reply);
  if (buffer == nullptr) return kErrBadBuffer;
  if (buffer->reply.empty()) return kErrBufferEmpty;
  const Item& item = buffer->reply.front();
  if (item.kind != ItemKind::Value) return kErrOutOfTurn;
  if (item.syntax != syntax) return kErrBadSyntax;
  if (value == nullptr && item.value->size() > 0) return kErrBadArgument;
  if (item.value->size() > 0) item.value->WriteTo(value);
  buffer->reply.pop_front();
  return 0;
}

// ---- Requests and changes ----

DirStatus ScriptedClient::PutClassName(DirContext, DirBuffer buffer, const char* name) {
  if (const DirStatus s = Scripted("PutClassName")) return s;
  Buffer* b = FindBuffer(buffer);
  if (b == nullptr) return kErrBadBuffer;
  if (b->operation != kOpReadClassDef) return kErrBadVerb;
  b->names.emplace_back(name);
  return 0;
}

DirStatus ScriptedClient::PutAttrName(DirContext, DirBuffer buffer, const char* name) {
  if (const DirStatus s = Scripted("PutAttrName")) return s;
  Buffer* b = FindBuffer(buffer);
  if (b == nullptr) return kErrBadBuffer;
  if (b->operation != kOpReadObject && b->operation != kOpReadAttrDef) return kErrBadVerb;
  b->names.emplace_back(name);
  return 0;
}

DirStatus ScriptedClient::PutChange(DirContext, DirBuffer buffer, std::uint32_t changeType, const char* attrName) {
  if (const DirStatus s = Scripted("PutChange")) return s;
  Buffer* b = FindBuffer(buffer);
  if (b == nullptr) return kErrBadBuffer;
  if (b->operation != kOpModifyObject) return kErrBadVerb;
  b->changes.push_back({changeType, attrName, false, 0, nullptr});
  return 0;
}

DirStatus ScriptedClient::PutChangeAndValue(DirContext, DirBuffer buffer, std::uint32_t changeType,
                                            const char* attrName, std::uint32_t syntax, const void* value) {
  if (const DirStatus s = Scripted("PutChangeAndValue")) return s;
  Buffer* b = FindBuffer(buffer);
  if (b == nullptr) return kErrBadBuffer;
  if (b->operation != kOpModifyObject) return kErrBadVerb;
  b->changes.push_back({changeType, attrName, true, syntax, value});
  return 0;
}

DirStatus ScriptedClient::ModifyObject(DirContext ctx, const char* object, IterationHandle*, std::uint32_t,
                                       DirBuffer changes) {
  const Buffer* b = FindBuffer(changes);
  if (b != nullptr) modifyRequests.push_back({object, b->changes});
  if (const DirStatus s = Scripted("ModifyObject")) return s;
  if (FindContext(ctx) == nullptr) return kErrBadContext;
  if (b == nullptr) return kErrBadBuffer;
  return 0;
}

DirStatus ScriptedClient::NWDSMutateObject(DirContext, const char*, const char*, std::uint32_t) {
  return Scripted("NWDSMutateObject");
}

DirStatus ScriptedClient::OpenStream(DirContext ctx, const char* object, const char* attrName, std::uint32_t, int* fd) {
  if (const DirStatus s = Scripted("OpenStream")) return s;
  if (FindContext(ctx) == nullptr) return kErrBadContext;
  if (onOpenStream) return onOpenStream(object, attrName, fd);
  auto it = streams.find(std::string(object) + "|" + attrName);
  if (it == streams.end()) return kErrNoSuchAttribute;
  const int file = memfd_create("stream", 0);
  if (file < 0) return kErrDirectoryFailure;
  const std::string& content = it->second;
  if (write(file, content.data(), content.size()) != static_cast<ssize_t>(content.size()) ||
      lseek(file, 0, SEEK_SET) != 0) {
    close(file);
    return kErrDirectoryFailure;
  }
  *fd = file;
  return 0;
}

}  // namespace recast::testing
