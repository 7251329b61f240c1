// Batched reads (listing, schema, object values) and the reply readers.
#include <algorithm>
#include <cstring>

#include "platform/client/ClientStatus.h"
#include "platform/client/DottedName.h"
#include "platform/client/NativeDirectoryClient.h"
#include "platform/client/RequestFormat.h"
#include "platform/client/ValueRecords.h"
#include "platform/service/ValueCodec.h"

namespace recast::client {
namespace {

// Entries asked of the service per page: about what one reply holds, so that no more than one
// page waits between calls.
std::uint32_t PageSizeFor(std::size_t replyCapacity) {
  return static_cast<std::uint32_t>(std::clamp<std::size_t>(replyCapacity / 40, 16, 2048));
}

DirStatus CopyName(std::string_view text, char* out, std::size_t capacity) {
  if (out == nullptr) return kErrBadArgument;
  if (text.size() + 1 > capacity) return kErrReplyTextTooLong;
  std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
  return 0;
}

}  // namespace

template <class State>
DirStatus NativeDirectoryClient::IterationFor(IterationHandle handle, Iteration** iteration) {
  auto it = iterations_.find(handle);
  if (it == iterations_.end() || !std::holds_alternative<State>(it->second.state)) return kErrBadIteration;
  *iteration = &it->second;
  return 0;
}

// ---- Listing -----------------------------------------------------------------------------

DirStatus NativeDirectoryClient::ListSubordinates(DirContext ctx, const char* name, IterationHandle* iteration,
                                                  DirBuffer reply) {
  return List(ctx, name, false, iteration, reply);
}

DirStatus NativeDirectoryClient::ListContainers(DirContext ctx, const char* name, IterationHandle* iteration,
                                                DirBuffer reply) {
  return List(ctx, name, true, iteration, reply);
}

DirStatus NativeDirectoryClient::List(DirContext ctx, const char* name, bool containersOnly, IterationHandle* iteration,
                                      DirBuffer reply) {
  Context* context = nullptr;
  Buffer* buffer = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = BufferFor(reply, &buffer); s != 0) return s;
  if (iteration == nullptr) return kErrBadArgument;
  const bool typeless = (context->flags & kFlagTypelessNames) != 0;
  IterationHandle handle = *iteration;
  if (handle == kNoIteration) {
    Connection* connection = nullptr;
    if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
    ListState state;
    state.containersOnly = containersOnly;
    state.prefetch = (context->flags & kFlagPrefetchValues) != 0;
    const bool deref = (context->flags & kFlagDerefAliases) != 0;
    if (DirStatus s = Resolve(*context, *connection, name, deref, &state.parent); s != 0) return s;
    handle = AddIteration(Iteration{ctx, context->connection, std::move(state)});
  }
  Iteration* current = nullptr;
  if (DirStatus s = IterationFor<ListState>(handle, &current); s != 0) return s;
  auto& state = std::get<ListState>(current->state);
  if (state.containersOnly != containersOnly) return kErrBadIteration;
  if (DirStatus s = FillList(connections_[current->connection], state, *buffer, typeless); s != 0) {
    DropIteration(handle);
    return s;
  }
  if (state.serviceDone && state.pendingAt == state.pending.size()) {
    iterations_.erase(handle);
    handle = kNoIteration;
  } else {
    handle = Continue(handle);
  }
  *iteration = handle;
  return 0;
}

DirStatus NativeDirectoryClient::FillList(Connection& connection, ListState& state, Buffer& reply, bool typeless) {
  ReplyEncoder encoder(reply.bytes.data(), reply.bytes.size());
  reply.operation = 0;
  reply.used = 0;
  reply.reader.Clear();
  if (!encoder.Begin(ReplyKind::kList, 0)) return kErrReplyTooSmall;
  std::string name;
  for (;;) {
    if (state.pendingAt == state.pending.size()) {
      if (state.serviceDone) break;
      service::ListPage page;
      connection.service->SetListingPrefetch(state.prefetch);
      DirStatus s = connection.service->ListChildren(state.parent, state.containersOnly, state.cursor,
                                                     PageSizeFor(reply.bytes.size()), &page);
      if (s != 0) {
        state.cursor.clear();  // the service ended the listing itself
        return s;
      }
      state.pending = std::move(page.entries);
      state.pendingAt = 0;
      state.cursor = std::move(page.cursor);
      state.serviceDone = state.cursor.empty();
      continue;
    }
    const service::EntrySummary& entry = state.pending[state.pendingAt];
    name = FormatNamePart(entry.rdn, typeless);
    if (!encoder.AddEntry(name, entry)) {
      if (encoder.count() == 0) return kErrReplyTooSmall;
      break;
    }
    ++state.pendingAt;
  }
  reply.used = encoder.Finish();
  reply.reader.Reset(reply.bytes.data(), reply.used);
  return 0;
}

// ---- Schema ------------------------------------------------------------------------------

DirStatus NativeDirectoryClient::RequestNames(DirBuffer handle, std::uint32_t operation, NameList* names) {
  Buffer* request = nullptr;
  if (DirStatus s = BufferFor(handle, &request); s != 0) return s;
  if (request->operation != operation) return kErrBadVerb;
  if (!request->names || request->namesUsed != request->used || request->used == 0) {
    request->names.reset();
    request->namesUsed = 0;
    auto decoded = std::make_shared<std::vector<std::string>>();
    if (DirStatus s = DecodeNameItems(request->bytes.data(), request->used, decoded.get()); s != 0) return s;
    request->names = std::move(decoded);
    request->namesUsed = request->used;
  }
  *names = request->names;
  return 0;
}

DirStatus NativeDirectoryClient::ReadClassDef(DirContext ctx, std::uint32_t infoType, bool allClasses, DirBuffer names,
                                              IterationHandle* iteration, DirBuffer reply) {
  return ReadSchemaItems(ctx, true, infoType, allClasses, names, iteration, reply);
}

DirStatus NativeDirectoryClient::ReadAttrDef(DirContext ctx, std::uint32_t infoType, bool allAttributes,
                                             DirBuffer names, IterationHandle* iteration, DirBuffer reply) {
  return ReadSchemaItems(ctx, false, infoType, allAttributes, names, iteration, reply);
}

DirStatus NativeDirectoryClient::ReadSchemaItems(DirContext ctx, bool classes, std::uint32_t infoType, bool all,
                                                 DirBuffer names, IterationHandle* iteration, DirBuffer reply) {
  Context* context = nullptr;
  Buffer* buffer = nullptr;
  Connection* connection = nullptr;
  const SchemaIndex* schema = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = BufferFor(reply, &buffer); s != 0) return s;
  if (iteration == nullptr || infoType > (classes ? 3u : 1u)) return kErrBadArgument;
  IterationHandle handle = *iteration;
  if (handle == kNoIteration) {
    if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
    if (DirStatus s = SchemaFor(*connection, &schema); s != 0) return s;
    SchemaState state;
    state.classes = classes;
    state.infoType = infoType;
    if (all) {
      const std::size_t n = classes ? schema->classes().size() : schema->attributes().size();
      for (std::size_t i = 0; i < n; ++i) state.items.push_back(i);
    } else {
      NameList requested;
      if (DirStatus s = RequestNames(names, classes ? kOpReadClassDef : kOpReadAttrDef, &requested); s != 0) return s;
      for (const std::string& item : *requested) {
        auto found = classes ? schema->FindClass(item) : schema->FindAttribute(item);
        if (!found) return classes ? kErrNoSuchClass : kErrNoSuchAttribute;
        state.items.push_back(*found);
      }
    }
    handle = AddIteration(Iteration{ctx, context->connection, std::move(state)});
  }
  Iteration* current = nullptr;
  if (DirStatus s = IterationFor<SchemaState>(handle, &current); s != 0) return s;
  auto& state = std::get<SchemaState>(current->state);
  if (state.classes != classes || state.infoType != infoType) return kErrBadIteration;
  connection = &connections_[current->connection];
  if (DirStatus s = SchemaFor(*connection, &schema); s != 0) {
    DropIteration(handle);
    return s;
  }
  if (DirStatus s = FillSchema(*schema, state, *buffer); s != 0) {
    DropIteration(handle);
    return s;
  }
  if (state.next == state.items.size()) {
    iterations_.erase(handle);
    handle = kNoIteration;
  } else {
    handle = Continue(handle);
  }
  *iteration = handle;
  return 0;
}

DirStatus NativeDirectoryClient::FillSchema(const SchemaIndex& schema, SchemaState& state, Buffer& reply) {
  ReplyEncoder encoder(reply.bytes.data(), reply.bytes.size());
  reply.operation = 0;
  reply.used = 0;
  reply.reader.Clear();
  const ReplyKind kind = state.classes ? ReplyKind::kClassDefs : ReplyKind::kAttrDefs;
  if (!encoder.Begin(kind, static_cast<std::uint8_t>(state.infoType))) return kErrReplyTooSmall;
  for (; state.next < state.items.size(); ++state.next) {
    const std::size_t item = state.items[state.next];
    bool added = false;
    if (state.classes) {
      added = encoder.AddClass(state.infoType == kClassInfoExpanded ? schema.Expanded(item) : schema.classes()[item]);
    } else {
      added = encoder.AddAttrDef(schema.attributes()[item]);
    }
    if (!added) {
      if (encoder.count() == 0) return kErrReplyTooSmall;
      break;
    }
  }
  reply.used = encoder.Finish();
  reply.reader.Reset(reply.bytes.data(), reply.used);
  return 0;
}

DirStatus NativeDirectoryClient::GetSyntaxId(DirContext ctx, const char* attrName, std::uint32_t* syntax) {
  Context* context = nullptr;
  Connection* connection = nullptr;
  const SchemaIndex* schema = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (attrName == nullptr || syntax == nullptr) return kErrBadArgument;
  if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
  if (DirStatus s = SchemaFor(*connection, &schema); s != 0) return s;
  auto found = schema->FindAttribute(attrName);
  if (!found) return kErrNoSuchAttribute;
  *syntax = schema->attributes()[*found].syntax;
  return 0;
}

// ---- Object values -----------------------------------------------------------------------

DirStatus NativeDirectoryClient::ReadObject(DirContext ctx, const char* object, std::uint32_t infoType,
                                            bool allAttributes, DirBuffer names, IterationHandle* iteration,
                                            DirBuffer reply) {
  Context* context = nullptr;
  Buffer* buffer = nullptr;
  Connection* connection = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = BufferFor(reply, &buffer); s != 0) return s;
  if (iteration == nullptr || infoType > kObjectInfoValues) return kErrBadArgument;
  IterationHandle handle = *iteration;
  if (handle == kNoIteration) {
    if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
    ObjectState state;
    state.infoType = infoType;
    state.derefAliases = (context->flags & kFlagDerefAliases) != 0;
    if (allAttributes) {
      const SchemaIndex* schema = nullptr;
      if (DirStatus s = SchemaFor(*connection, &schema); s != 0) return s;
      auto all = std::make_shared<std::vector<std::string>>();
      for (const auto& attr : schema->attributes()) all->push_back(attr.name);
      state.names = std::move(all);
    } else if (DirStatus s = RequestNames(names, kOpReadObject, &state.names); s != 0) {
      return s;
    }
    if (DirStatus s = Resolve(*context, *connection, object, state.derefAliases, &state.entry); s != 0) return s;
    state.read = std::move(spareResults_);
    // Most reads fit one reply: they need no iteration kept.
    const DirStatus filled = FillObject(*connection, state, *buffer);
    if (filled != 0 || state.nextName == state.names->size()) {
      spareResults_ = std::move(state.read);
      if (filled != 0) return filled;
      *iteration = kNoIteration;
      return 0;
    }
    *iteration = AddIteration(Iteration{ctx, context->connection, std::move(state)});
    return 0;
  }
  Iteration* current = nullptr;
  if (DirStatus s = IterationFor<ObjectState>(handle, &current); s != 0) return s;
  auto& state = std::get<ObjectState>(current->state);
  if (state.infoType != infoType) return kErrBadIteration;
  if (DirStatus s = FillObject(connections_[current->connection], state, *buffer); s != 0) {
    DropIteration(handle);
    return s;
  }
  if (state.nextName == state.names->size()) {
    iterations_.erase(handle);
    handle = kNoIteration;
  } else {
    handle = Continue(handle);
  }
  *iteration = handle;
  return 0;
}

DirStatus NativeDirectoryClient::FillObject(Connection& connection, ObjectState& state, Buffer& reply) {
  ReplyEncoder encoder(reply.bytes.data(), reply.bytes.size());
  reply.operation = 0;
  reply.used = 0;
  reply.reader.Clear();
  reply.outsized.clear();
  if (!encoder.Begin(ReplyKind::kObject, static_cast<std::uint8_t>(state.infoType))) return kErrReplyTooSmall;
  std::string encoded;
  bool full = false;
  while (!full && state.nextName < state.names->size()) {
    if (!state.haveCurrent) {
      if (state.names->size() > 1 && !state.readDone) {
        connection.service->ReadAttributes(state.entry, *state.names, state.derefAliases, &state.read);
        state.readDone = true;
      }
      const auto absent = [](DirStatus s, const service::AttributeValues& values) {
        return s == kErrNoSuchAttribute || (s == 0 && values.values.empty());
      };
      service::AttributeValues values;
      DirStatus s = 0;
      if (!state.readDone) {
        s = connection.service->ReadAttribute(state.entry, (*state.names)[state.nextName], state.derefAliases, &values);
      } else {
        // Most names asked for have no value: those are passed over where they lie.
        auto& read = state.read[state.nextName];
        s = read.status;
        if (!absent(s, read.values)) values = std::move(read.values);
      }
      if (absent(s, values)) {
        ++state.nextName;
        continue;
      }
      if (s != 0) return s;
      if (values.syntax == kSynStream) {
        for (auto& value : values.values) value = service::value::Octets{};
      }
      state.current = std::move(values);
      state.haveCurrent = true;
      state.nextValue = 0;
      state.anyFound = true;
    }
    if (!encoder.BeginAttribute(state.current.name, state.current.syntax)) {
      if (encoder.count() == 0) return kErrReplyTooSmall;
      break;
    }
    if (state.infoType == kObjectInfoValues) {
      while (state.nextValue < state.current.values.size()) {
        // A value that cannot be encoded (a text holding a zero byte, say) goes out empty: its
        // readers fail on it and skip it, and the attribute's other values still arrive.
        if (service::EncodeValue(state.current.syntax, state.current.values[state.nextValue], &encoded) != 0) {
          encoded.clear();
        }
        if (!encoder.AddValue(encoded)) {
          // Alone in the reply it would never fit: it goes beside the reply. Otherwise it
          // waits for the next one.
          const bool alone = encoder.count() == 0 && encoder.attributeValues() == 0;
          if (!alone || !encoder.AddOutsizedValue(static_cast<std::uint32_t>(reply.outsized.size()))) {
            full = true;
            break;
          }
          reply.outsized.push_back(std::move(encoded));
        }
        ++state.nextValue;
      }
      if (encoder.attributeValues() == 0) {
        encoder.EndAttribute(false);
        if (encoder.count() == 0) return kErrReplyTooSmall;
        break;
      }
      encoder.EndAttribute(true);
      if (full) break;
    } else {
      encoder.EndAttribute(true);
    }
    state.haveCurrent = false;
    state.current = {};
    ++state.nextName;
  }
  if (!state.anyFound && state.nextName == state.names->size()) return kErrNoSuchAttribute;
  reply.used = encoder.Finish();
  reply.reader.Reset(reply.bytes.data(), reply.used, &reply.outsized);
  return 0;
}

// ---- Reply readers -----------------------------------------------------------------------

DirStatus NativeDirectoryClient::ReplyFor(DirContext ctx, DirBuffer reply, Buffer** buffer) {
  Context* context = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  return BufferFor(reply, buffer);
}

DirStatus NativeDirectoryClient::ReaderFor(DirContext ctx, DirBuffer reply, ReplyReader** reader) {
  Buffer* buffer = nullptr;
  if (DirStatus s = ReplyFor(ctx, reply, &buffer); s != 0) return s;
  *reader = &buffer->reader;
  return 0;
}

DirStatus NativeDirectoryClient::ReadCount(DirContext ctx, DirBuffer reply, std::uint32_t* count,
                                           DirStatus (ReplyReader::*take)(std::uint32_t*)) {
  ReplyReader* reader = nullptr;
  if (DirStatus s = ReaderFor(ctx, reply, &reader); s != 0) return s;
  if (count == nullptr) return kErrBadArgument;
  return (reader->*take)(count);
}

DirStatus NativeDirectoryClient::GetObjectCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) {
  return ReadCount(ctx, reply, count, &ReplyReader::ObjectCount);
}

DirStatus NativeDirectoryClient::GetObjectName(DirContext ctx, DirBuffer reply, char* name, std::uint32_t* attrCount,
                                               ObjectInfo* info) {
  ReplyReader* reader = nullptr;
  if (DirStatus s = ReaderFor(ctx, reply, &reader); s != 0) return s;
  if (name == nullptr) return kErrBadArgument;
  std::string_view entryName;
  if (DirStatus s = reader->ObjectName(&entryName, attrCount, info); s != 0) return s;
  return CopyName(entryName, name, kMaxNameBytes);
}

DirStatus NativeDirectoryClient::GetClassDefCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) {
  return ReadCount(ctx, reply, count, &ReplyReader::ClassDefCount);
}

DirStatus NativeDirectoryClient::GetClassDef(DirContext ctx, DirBuffer reply, char* name, ClassInfo* info) {
  ReplyReader* reader = nullptr;
  if (DirStatus s = ReaderFor(ctx, reply, &reader); s != 0) return s;
  if (name == nullptr) return kErrBadArgument;
  std::string_view className;
  if (DirStatus s = reader->ClassDef(&className, info); s != 0) return s;
  return CopyName(className, name, kMaxSchemaNameBytes);
}

DirStatus NativeDirectoryClient::GetClassItemCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) {
  return ReadCount(ctx, reply, count, &ReplyReader::ClassItemCount);
}

DirStatus NativeDirectoryClient::GetClassItem(DirContext ctx, DirBuffer reply, char* name) {
  ReplyReader* reader = nullptr;
  if (DirStatus s = ReaderFor(ctx, reply, &reader); s != 0) return s;
  if (name == nullptr) return kErrBadArgument;
  std::string_view item;
  if (DirStatus s = reader->ClassItem(&item); s != 0) return s;
  return CopyName(item, name, kMaxSchemaNameBytes);
}

DirStatus NativeDirectoryClient::GetAttrCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) {
  return ReadCount(ctx, reply, count, &ReplyReader::AttrCount);
}

DirStatus NativeDirectoryClient::GetAttrDef(DirContext ctx, DirBuffer reply, char* name, AttrInfo* info) {
  ReplyReader* reader = nullptr;
  if (DirStatus s = ReaderFor(ctx, reply, &reader); s != 0) return s;
  if (name == nullptr) return kErrBadArgument;
  std::string_view attrName;
  if (DirStatus s = reader->AttrDef(&attrName, info); s != 0) return s;
  return CopyName(attrName, name, kMaxSchemaNameBytes);
}

DirStatus NativeDirectoryClient::GetAttrName(DirContext ctx, DirBuffer reply, char* name, std::uint32_t* valueCount,
                                             std::uint32_t* syntax) {
  ReplyReader* reader = nullptr;
  if (DirStatus s = ReaderFor(ctx, reply, &reader); s != 0) return s;
  if (name == nullptr) return kErrBadArgument;
  std::string_view attrName;
  if (DirStatus s = reader->AttrName(&attrName, valueCount, syntax); s != 0) return s;
  return CopyName(attrName, name, kMaxSchemaNameBytes);
}

DirStatus NativeDirectoryClient::DecodeNext(DirContext ctx, DirBuffer reply, std::uint32_t syntax, bool consume,
                                            std::size_t* size, void* value) {
  Buffer* buffer = nullptr;
  if (DirStatus s = ReplyFor(ctx, reply, &buffer); s != 0) return s;
  ReplyReader* reader = &buffer->reader;
  std::string_view encoded;
  std::uint32_t attrSyntax = 0;
  if (DirStatus s = reader->PeekValue(&encoded, &attrSyntax); s != 0) return s;
  if (syntax != attrSyntax) return kErrBadSyntax;
  // A value that cannot be sized or written is consumed all the same, so that the caller
  // skips it and meets the next one; a refused call (wrong syntax, no block) consumes nothing.
  const auto fail = [&](DirStatus status) {
    reader->NextValue(&encoded, &attrSyntax);
    return status;
  };
  const auto at = reader->Position();
  if (buffer->peekedAt != at) {
    buffer->peekedAt = {};  // positions start at {1, 0}: this one matches none
    if (DirStatus s = service::DecodeValue(attrSyntax, encoded, &buffer->peeked); s != 0) return fail(s);
    if (DirStatus s = PackedValueSize(attrSyntax, buffer->peeked, reader->currentAttribute(), &buffer->peekedSize);
        s != 0) {
      return fail(s);
    }
    buffer->peekedAt = at;
  }
  const std::size_t needed = buffer->peekedSize;
  if (!consume) {
    *size = needed;
    return 0;
  }
  if (value == nullptr && needed > 0) return kErrBadArgument;
  if (DirStatus s = PackValue(attrSyntax, buffer->peeked, reader->currentAttribute(), value); s != 0) return fail(s);
  return reader->NextValue(&encoded, &attrSyntax);
}

DirStatus NativeDirectoryClient::ComputeAttrValSize(DirContext ctx, DirBuffer reply, std::uint32_t syntax,
                                                    std::uint32_t* size) {
  if (size == nullptr) return kErrBadArgument;
  std::size_t needed = 0;
  if (DirStatus s = DecodeNext(ctx, reply, syntax, false, &needed, nullptr); s != 0) return s;
  *size = static_cast<std::uint32_t>(needed);
  return 0;
}

DirStatus NativeDirectoryClient::GetAttrVal(DirContext ctx, DirBuffer reply, std::uint32_t syntax, void* value) {
  std::size_t needed = 0;
  return DecodeNext(ctx, reply, syntax, true, &needed, value);
}

}  // namespace recast::client
