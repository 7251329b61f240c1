// Connections, contexts and buffers of the client.
#include "platform/client/NativeDirectoryClient.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "platform/client/DottedName.h"
#include "platform/errtext/ErrorTextLibrary.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::client {
namespace {

ConnRef RefOf(std::size_t index) { return static_cast<ConnRef>(index + 1); }

// Copies text with its terminating zero into out (capacity bytes); kErrBadArgument when it
// does not fit or out is null.
DirStatus CopyOut(std::string_view text, char* out, std::size_t capacity) {
  if (out == nullptr || text.size() + 1 > capacity) return kErrBadArgument;
  std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
  return 0;
}

}  // namespace

NativeDirectoryClient::NativeDirectoryClient(ClientOptions options) : options_(std::move(options)) {}

NativeDirectoryClient::~NativeDirectoryClient() {
  for (auto& [handle, iteration] : iterations_) {
    if (auto* list = std::get_if<ListState>(&iteration.state); list != nullptr && !list->cursor.empty()) {
      Connection& connection = connections_[iteration.connection];
      if (connection.service) connection.service->CancelListing(list->cursor);
    }
  }
}

// ---- Connections -------------------------------------------------------------------------

ConnStatus NativeDirectoryClient::InitClient(std::uint32_t, std::uint32_t) {
  if (initialized_) return 0;
  std::error_code ec;
  // A file whose existence cannot even be told is read all the same, to report why.
  const bool haveFile = std::filesystem::exists(options_.configFile, ec) || ec;
  std::vector<ConnectionEntry> entries;
  if (haveFile) {
    if (ConnStatus s = ReadConnectionFile(options_.configFile, options_.dataFolder, &entries); s != 0) return s;
  } else {
    entries = DemoConnections(options_.dataFolder);
  }
  connections_.clear();
  preferred_ = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].primary) preferred_ = i;
    connections_.push_back(Connection{std::move(entries[i]), nullptr, {}, nullptr, 0});
  }
  initialized_ = true;
  return 0;
}

ConnStatus NativeDirectoryClient::GetPrimaryConnectionRef(ConnRef* ref) {
  if (!initialized_) return kConnNotInitialized;
  if (ref == nullptr) return kConnBadArgument;
  for (std::size_t i = 0; i < connections_.size(); ++i) {
    if (connections_[i].entry.primary) {
      *ref = RefOf(i);
      return 0;
    }
  }
  return kConnNoPrimary;
}

ConnStatus NativeDirectoryClient::ScanConnectionRefs(std::uint32_t* iterator, ConnRef* ref) {
  if (!initialized_) return kConnNotInitialized;
  if (iterator == nullptr || ref == nullptr) return kConnBadArgument;
  if (*iterator >= connections_.size()) return kConnNoMoreEntries;
  *ref = RefOf(*iterator);
  ++*iterator;
  return 0;
}

ConnStatus NativeDirectoryClient::GetConnectionRefInfo(ConnRef ref, std::uint32_t infoType, std::uint32_t bufferLength,
                                                       void* buffer) {
  if (!initialized_) return kConnNotInitialized;
  if (ref == 0 || ref > connections_.size()) return kConnInvalidConnection;
  if (infoType != kConnInfoTreeName || buffer == nullptr) return kConnBadArgument;
  std::string padded = connections_[ref - 1].entry.config.treeName;
  if (padded.size() < 32) padded.append(32 - padded.size(), '_');
  if (bufferLength < padded.size() + 1) return kConnBadArgument;
  std::memcpy(buffer, padded.c_str(), padded.size() + 1);
  return 0;
}

ConnStatus NativeDirectoryClient::OpenConnectionByRef(ConnRef ref, std::uint32_t, std::uint32_t,
                                                      ConnHandle* connection) {
  if (!initialized_) return kConnNotInitialized;
  if (ref == 0 || ref > connections_.size()) return kConnInvalidConnection;
  if (connection == nullptr) return kConnBadArgument;
  if (const DirStatus s = OpenService(ref - 1); s != 0) {
    // The 16-bit status cannot carry the cause, so its text does: the start-up message then
    // says why (a full disk, a store that cannot be read, the server's own message).
    const std::string text = Format("The directory service of tree %s cannot be opened (%d): %s",
                                    {connections_[ref - 1].entry.config.treeName, s, NWstrerror(s)});
    RecastErrtextRecordDiagnostic(kConnServiceUnavailable, text.c_str());
    return kConnServiceUnavailable;
  }
  *connection = ref;
  return 0;
}

DirStatus NativeDirectoryClient::OpenService(std::size_t index) {
  Connection& connection = connections_[index];
  if (connection.service) return 0;
  const service::ConnectionConfig& config = connection.entry.config;
  if (connection.entry.demo) {
    std::error_code ec;
    const std::filesystem::path store(config.service);
    if (!std::filesystem::exists(store, ec)) {
      if (ec || !options_.createDemoStore) return kErrServerUnavailable;
      std::filesystem::create_directories(store.parent_path(), ec);
      if (ec) return kErrServerUnavailable;
      if (DirStatus s = options_.createDemoStore(options_.demoDataFiles, store); s != 0) return s;
    }
  }
  auto opener = options_.openers.find(ServiceKindOf(config.service));
  if (opener == options_.openers.end() || !opener->second) return kErrServerUnavailable;
  // An opener may wait the whole timeout of an unreachable server: once per user action.
  if (connection.openFailure != 0) return connection.openFailure;
  std::unique_ptr<service::DirectoryService> opened;
  DirStatus s = opener->second(config, &opened);
  if (s == 0 && !opened) s = kErrServerUnavailable;
  if (s != 0) {
    connection.openFailure = s;
    return s;
  }
  service::LoginInfo login;
  if (s = opened->Login(&login); s != 0) return s;
  connection.service = std::move(opened);
  connection.login = std::move(login);
  return 0;
}

void NativeDirectoryClient::BeginUserAction() {
  for (Connection& connection : connections_) {
    connection.openFailure = 0;
    if (connection.service) connection.service->BeginUserAction();
  }
}

void NativeDirectoryClient::PrefetchObjects(DirContext ctx, const std::vector<std::string>& objects) {
  Context* context = nullptr;
  Connection* connection = nullptr;
  if (ContextFor(ctx, &context) != 0 || ConnectionFor(*context, &connection) != 0) return;
  std::vector<service::EntryName> entries;
  for (const std::string& object : objects) {
    service::EntryName absolute;
    if (AbsoluteName(*context, object.c_str(), &absolute) == 0) entries.push_back(std::move(absolute));
  }
  connection->service->Prefetch(entries);
}

DirStatus NativeDirectoryClient::ReadTypedLeafName(DirContext ctx, const char* object, std::string* typedPart) {
  Context* context = nullptr;
  Connection* connection = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
  service::EntryName canonical;
  if (DirStatus s = Resolve(*context, *connection, object, false, &canonical); s != 0) return s;
  if (canonical.empty()) return kErrBadName;  // the top has no name part
  *typedPart = FormatNamePart(canonical.front(), false);
  return 0;
}

std::vector<std::string> NativeDirectoryClient::TakeNotices() {
  std::vector<std::string> notices;
  for (Connection& connection : connections_) {
    if (!connection.service) continue;
    for (std::string& notice : connection.service->TakeNotices()) notices.push_back(std::move(notice));
  }
  return notices;
}

DirStatus NativeDirectoryClient::ConnectionFor(const Context& context, Connection** connection) {
  if (DirStatus s = OpenService(context.connection); s != 0) return s;
  *connection = &connections_[context.connection];
  return 0;
}

DirStatus NativeDirectoryClient::SchemaFor(Connection& connection, const SchemaIndex** schema) {
  if (!connection.schema) {
    service::Schema read;
    if (DirStatus s = connection.service->ReadSchema(&read); s != 0) return s;
    connection.schema = std::make_unique<SchemaIndex>(std::move(read));
  }
  *schema = connection.schema.get();
  return 0;
}

std::size_t NativeDirectoryClient::FindTree(std::string_view tree) const {
  std::size_t found = connections_.size();
  for (std::size_t i = 0; i < connections_.size(); ++i) {
    if (!TextEquals(connections_[i].entry.config.treeName, tree)) continue;
    if (connections_[i].entry.primary) return i;
    if (found == connections_.size()) found = i;
  }
  return found;
}

// ---- Contexts ----------------------------------------------------------------------------

DirStatus NativeDirectoryClient::ContextFor(DirContext ctx, Context** context) {
  if (!initialized_) return kErrNotConnected;
  auto it = contexts_.find(ctx);
  if (it == contexts_.end()) return kErrBadContext;
  *context = &it->second;
  return 0;
}

DirStatus NativeDirectoryClient::CreateContext(DirContext* ctx) {
  if (!initialized_ || connections_.empty()) return kErrNotConnected;
  if (ctx == nullptr) return kErrBadArgument;
  Context context;
  context.connection = preferred_;
  const DirContext handle = nextContext_++;
  contexts_.emplace(handle, std::move(context));
  *ctx = handle;
  return 0;
}

DirStatus NativeDirectoryClient::DuplicateContext(DirContext source, DirContext* ctx) {
  Context* context = nullptr;
  if (DirStatus s = ContextFor(source, &context); s != 0) return s;
  if (ctx == nullptr) return kErrBadArgument;
  const DirContext handle = nextContext_++;
  Context copy = *context;
  contexts_.emplace(handle, std::move(copy));
  *ctx = handle;
  return 0;
}

DirStatus NativeDirectoryClient::FreeContext(DirContext ctx) {
  Context* context = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  std::vector<IterationHandle> begun;
  for (const auto& [handle, iteration] : iterations_) {
    if (iteration.ctx == ctx) begun.push_back(handle);
  }
  for (IterationHandle handle : begun) DropIteration(handle);
  contexts_.erase(ctx);
  return 0;
}

DirStatus NativeDirectoryClient::GetContextValue(DirContext ctx, std::uint32_t key, void* value) {
  Context* context = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (value == nullptr) return kErrBadArgument;
  switch (key) {
    case kKeyFlags:
      std::memcpy(value, &context->flags, sizeof context->flags);
      return 0;
    case kKeySetting:
      std::memcpy(value, &context->setting, sizeof context->setting);
      return 0;
    case kKeyNameContext:
      return CopyOut(context->nameContext, static_cast<char*>(value), kMaxNameBytes);
    case kKeyTreeName:
      return CopyOut(connections_[context->connection].entry.config.treeName, static_cast<char*>(value), kMaxNameBytes);
    default:
      return kErrBadKey;
  }
}

DirStatus NativeDirectoryClient::SetContextValue(DirContext ctx, std::uint32_t key, const void* value) {
  Context* context = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (value == nullptr) return kErrBadArgument;
  switch (key) {
    case kKeyFlags:
      std::memcpy(&context->flags, value, sizeof context->flags);
      return 0;
    case kKeySetting:
      std::memcpy(&context->setting, value, sizeof context->setting);
      return 0;
    case kKeyNameContext: {
      const char* text = static_cast<const char*>(value);
      const std::size_t length = strnlen(text, kMaxNameBytes);
      if (length == kMaxNameBytes) return kErrBadName;
      service::EntryName parsed;
      if (DirStatus s = ParseNameContext(std::string_view(text, length), &parsed); s != 0) return s;
      context->nameContext.assign(text, length);
      context->nameContextParts = std::move(parsed);
      return 0;
    }
    case kKeyTreeName: {
      const char* text = static_cast<const char*>(value);
      const std::size_t index = FindTree(std::string_view(text, strnlen(text, kMaxNameBytes)));
      if (index == connections_.size()) return kErrBadName;
      // A name context of another tree means nothing here.
      if (index != context->connection) {
        context->nameContext = std::string(kRootName);
        context->nameContextParts.clear();
      }
      context->connection = index;
      return 0;
    }
    default:
      return kErrBadKey;
  }
}

DirStatus NativeDirectoryClient::GetDefaultNameContext(DirContext ctx, std::uint32_t length, char* buffer) {
  Context* context = nullptr;
  Connection* connection = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
  const bool typeless = (context->flags & kFlagTypelessNames) != 0;
  return CopyOut(FormatDottedName(connection->login.defaultContainer, typeless), buffer, length);
}

DirStatus NativeDirectoryClient::SetPreferredTree(std::uint32_t length, const char* tree) {
  if (!initialized_) return kErrNotConnected;
  if (tree == nullptr || length == 0) return kErrBadArgument;
  const std::size_t textLength = strnlen(tree, length);
  if (textLength == length) return kErrBadArgument;
  const std::size_t index = FindTree(std::string_view(tree, textLength));
  if (index == connections_.size()) return kErrBadName;
  preferred_ = index;
  return 0;
}

DirStatus NativeDirectoryClient::WhoAmI(DirContext ctx, char* buffer) {
  Context* context = nullptr;
  Connection* connection = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
  const bool typeless = (context->flags & kFlagTypelessNames) != 0;
  return CopyOut(FormatDottedName(connection->login.fullName, typeless), buffer, kWhoAmIBytes);
}

DirStatus NativeDirectoryClient::AbsoluteName(const Context& context, const char* name, service::EntryName* absolute) {
  if (name == nullptr) return kErrBadArgument;
  return ResolveDottedName(name, context.nameContextParts, absolute);
}

DirStatus NativeDirectoryClient::Resolve(const Context& context, Connection& connection, const char* name,
                                         bool derefAliases, service::EntryName* canonical) {
  service::EntryName absolute;
  if (DirStatus s = AbsoluteName(context, name, &absolute); s != 0) return s;
  return connection.service->ResolveName(absolute, derefAliases, canonical);
}

// ---- Buffers -----------------------------------------------------------------------------

DirStatus NativeDirectoryClient::BufferFor(DirBuffer handle, Buffer** buffer) {
  auto it = buffers_.find(handle);
  if (it == buffers_.end()) return kErrBadBuffer;
  *buffer = &it->second;
  return 0;
}

DirStatus NativeDirectoryClient::AllocBuffer(std::uint32_t size, DirBuffer* buffer) {
  if (buffer == nullptr) return kErrBadArgument;
  if (size == 0 || size > kMaxBufferSize) return kErrBadBuffer;
  Buffer created;
  const auto spare = std::find_if(spareBytes_.begin(), spareBytes_.end(),
                                  [size](const std::vector<std::uint8_t>& bytes) { return bytes.size() == size; });
  if (spare != spareBytes_.end()) {
    created.bytes = std::move(*spare);
    spareBytes_.erase(spare);
  } else {
    created.bytes.assign(size, 0);
  }
  created.reader.Clear();
  const DirBuffer handle = nextBuffer_++;
  buffers_.emplace(handle, std::move(created));
  *buffer = handle;
  return 0;
}

DirStatus NativeDirectoryClient::FreeBuffer(DirBuffer buffer) {
  constexpr std::size_t kSpareBuffers = 4;  // a request and a reply, twice over
  const auto found = buffers_.find(buffer);
  if (found == buffers_.end()) return kErrBadBuffer;
  if (spareBytes_.size() < kSpareBuffers) spareBytes_.push_back(std::move(found->second.bytes));
  buffers_.erase(found);
  return 0;
}

DirStatus NativeDirectoryClient::InitBuffer(DirContext ctx, std::uint32_t operation, DirBuffer buffer) {
  Context* context = nullptr;
  Buffer* target = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = BufferFor(buffer, &target); s != 0) return s;
  if (operation != kOpReadObject && operation != kOpModifyObject && operation != kOpReadAttrDef &&
      operation != kOpReadClassDef) {
    return kErrBadArgument;
  }
  target->operation = operation;
  target->used = 0;
  target->reader.Clear();
  target->outsized.clear();
  target->names.reset();
  target->namesUsed = 0;
  return 0;
}

// ---- Iterations --------------------------------------------------------------------------

IterationHandle NativeDirectoryClient::AddIteration(Iteration iteration) {
  // An abandoned batch must not hold its memory for the rest of the run.
  while (iterations_.size() >= kMaxIterations) DropIteration(iterations_.begin()->first);
  if (nextIteration_ <= 0) nextIteration_ = 1;  // after a wrap, skip -1 and 0
  while (iterations_.count(nextIteration_) != 0) ++nextIteration_;
  const IterationHandle handle = nextIteration_++;
  iterations_.emplace(handle, std::move(iteration));
  return handle;
}

IterationHandle NativeDirectoryClient::Continue(IterationHandle handle) {
  auto node = iterations_.extract(handle);
  if (nextIteration_ <= 0) nextIteration_ = 1;
  while (iterations_.count(nextIteration_) != 0) ++nextIteration_;
  node.key() = nextIteration_++;
  const IterationHandle moved = node.key();
  iterations_.insert(std::move(node));
  return moved;
}

void NativeDirectoryClient::DropIteration(IterationHandle handle) {
  auto it = iterations_.find(handle);
  if (it == iterations_.end()) return;
  if (auto* list = std::get_if<ListState>(&it->second.state); list != nullptr && !list->cursor.empty()) {
    Connection& connection = connections_[it->second.connection];
    if (connection.service) connection.service->CancelListing(list->cursor);
  }
  iterations_.erase(it);
}

}  // namespace recast::client
