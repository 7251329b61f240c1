#pragma once
// The directory client: connections from the configuration, contexts, real byte buffers and
// batched replies over the services of platform/service.
//
// Decisions beyond DirectoryClient.h:
// - A connection's service is opened by OpenConnectionByRef, or on demand by the first
//   operation on a context of its tree (so a second tree works without an explicit open). An
//   open that fails returns the opener's status (kErrServerUnavailable when it gave none).
//   Every directory operation before InitClient returns kErrNotConnected. When
//   OpenConnectionByRef fails, the error-text library's text for kConnServiceUnavailable
//   names the tree and the cause.
// - The schema is read once per connection, at its first use, and kept.
// - Names handed out (listing, WhoAmI, default name context) are typeless when the context's
//   flag 0x04 is set, typed otherwise; they are always canonical, so 0x10 changes nothing.
//   Key 2 is kept and returned and has no other effect. kFlagPrefetchValues is passed to the
//   service with every page of a listing begun on the context (SetListingPrefetch).
// - A batched operation keeps at most one page of the service's entries, or one attribute's
//   values, between calls. Each call that leaves more to come hands out a new handle value
//   (a caller that stops when the handle repeats stays correct). A handle that is not known,
//   or that belongs to another operation, gives kErrBadIteration; a failed call drops its
//   iteration. Freeing a context drops the iterations begun on it, and at most
//   kMaxIterations unfinished batches are kept (the oldest is dropped).
// - A value larger than a whole reply (a photo, a certificate chain) is held beside the reply
//   that refers to it, and ComputeAttrValSize and GetAttrVal hand it over whole like any other:
//   values of any size are read, whatever the reply buffer's size and whichever the service.
//   A reply in which not even one other item fits gives kErrReplyTooSmall. Stream attributes
//   (syntax 21) appear in object replies with empty values; their content comes from
//   OpenStream.
// - Not thread-safe: one thread at a time, as the window uses it.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "directory/DirectoryClient.h"
#include "platform/client/ClientOptions.h"
#include "platform/client/Connections.h"
#include "platform/client/ReplyFormat.h"
#include "platform/client/SchemaIndex.h"
#include "platform/service/DirectoryService.h"

namespace recast::client {

class NativeDirectoryClient final : public DirectoryClient {
 public:
  static constexpr std::size_t kMaxIterations = 64;

  explicit NativeDirectoryClient(ClientOptions options);
  ~NativeDirectoryClient() override;
  NativeDirectoryClient(const NativeDirectoryClient&) = delete;
  NativeDirectoryClient& operator=(const NativeDirectoryClient&) = delete;

  ConnStatus InitClient(std::uint32_t reserved1, std::uint32_t reserved2) override;
  ConnStatus GetPrimaryConnectionRef(ConnRef* ref) override;
  ConnStatus ScanConnectionRefs(std::uint32_t* iterator, ConnRef* ref) override;
  ConnStatus GetConnectionRefInfo(ConnRef ref, std::uint32_t infoType, std::uint32_t bufferLength,
                                  void* buffer) override;
  ConnStatus OpenConnectionByRef(ConnRef ref, std::uint32_t mode, std::uint32_t reserved,
                                 ConnHandle* connection) override;

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

  DirStatus ModifyObject(DirContext ctx, const char* object, IterationHandle* iteration, std::uint32_t moreIterations,
                         DirBuffer changes) override;
  DirStatus NWDSMutateObject(DirContext ctx, const char* object, const char* newClass, std::uint32_t flags) override;
  DirStatus OpenStream(DirContext ctx, const char* object, const char* attrName, std::uint32_t flags, int* fd) override;
  // Passed on to every open service; a connection whose opening failed in this action is
  // tried again only after it (until then it fails at once with the opener's status).
  void BeginUserAction() override;
  std::vector<std::string> TakeNotices() override;
  void PrefetchObjects(DirContext ctx, const std::vector<std::string>& objects) override;
  DirStatus ReadTypedLeafName(DirContext ctx, const char* object, std::string* typedPart) override;
  // The export is the attribute's values as the service reads them (see ValueExport.h); the
  // import reads the attribute first and sends one Modify with the values it lacks (none: no
  // request, 0). The values go to the service as exported; it refuses those that do not fit.
  DirStatus ExportAttributeValues(DirContext ctx, const char* object, const char* attrName,
                                  std::string* exported) override;
  DirStatus ImportAttributeValues(DirContext ctx, const char* object, const char* attrName,
                                  const char* exported) override;
  DirStatus DescribeRestoreLdif(DirContext ctx, const char* object, const std::vector<std::string>& attrNames,
                                std::string* ldif) override;

 private:
  // A request's names, shared by the reads that send it: bulk work sends one request per entry.
  using NameList = std::shared_ptr<const std::vector<std::string>>;
  struct Connection {
    ConnectionEntry entry;
    std::unique_ptr<service::DirectoryService> service;
    service::LoginInfo login;
    std::unique_ptr<SchemaIndex> schema;
    DirStatus openFailure = 0;  // the opener's failure in the current user action
  };
  struct Context {
    std::size_t connection = 0;
    std::uint32_t flags = kFlagDerefAliases | kFlagTypelessNames;
    std::uint32_t setting = 0;
    std::string nameContext{"[Root]"};
    service::EntryName nameContextParts;  // nameContext parsed (when it was set): every name is resolved against it
  };
  struct Buffer {
    std::vector<std::uint8_t> bytes;  // the whole capacity
    std::uint32_t operation = 0;      // the request's operation; 0 when it holds none
    std::size_t used = 0;
    ReplyReader reader;
    // The values of the reply that are larger than the whole buffer, referred to by the reply.
    std::vector<std::string> outsized;
    // The names of the request as last decoded, while it holds namesUsed bytes since its
    // InitBuffer (names are only ever appended): bulk reads send one request again and again.
    NameList names;
    std::size_t namesUsed = 0;
    // The value last decoded at the reader's position peekedAt, and its packed size: a value is
    // sized, then read, and decoded once for both.
    std::pair<std::uint64_t, std::size_t> peekedAt{0, 0};
    service::DirValue peeked;
    std::size_t peekedSize = 0;
  };
  struct ListState {
    service::EntryName parent;
    bool containersOnly = false;
    bool prefetch = false;  // the context's kFlagPrefetchValues when the listing began
    std::string cursor;
    bool serviceDone = false;
    std::vector<service::EntrySummary> pending;  // at most one page
    std::size_t pendingAt = 0;
  };
  struct SchemaState {
    bool classes = false;
    std::uint32_t infoType = 0;
    std::vector<std::size_t> items;  // indexes into the schema
    std::size_t next = 0;
  };
  struct ObjectState {
    service::EntryName entry;
    bool derefAliases = true;
    std::uint32_t infoType = 1;
    NameList names;
    // With several names: what the service read for each, all in one visit to the entry.
    std::vector<service::DirectoryService::AttributeResult> read;
    bool readDone = false;
    std::size_t nextName = 0;
    bool haveCurrent = false;
    service::AttributeValues current;  // one attribute's values
    std::size_t nextValue = 0;
    bool anyFound = false;
  };
  struct Iteration {
    DirContext ctx = kNoContext;
    std::size_t connection = 0;
    std::variant<ListState, SchemaState, ObjectState> state;
  };

  DirStatus ContextFor(DirContext ctx, Context** context);
  DirStatus BufferFor(DirBuffer handle, Buffer** buffer);
  DirStatus OpenService(std::size_t index);
  DirStatus ConnectionFor(const Context& context, Connection** connection);
  DirStatus SchemaFor(Connection& connection, const SchemaIndex** schema);
  // The absolute name that name means in context (its name context applied), not resolved.
  static DirStatus AbsoluteName(const Context& context, const char* name, service::EntryName* absolute);
  DirStatus Resolve(const Context& context, Connection& connection, const char* name, bool derefAliases,
                    service::EntryName* canonical);
  std::size_t FindTree(std::string_view tree) const;
  DirStatus RequestNames(DirBuffer handle, std::uint32_t operation, NameList* names);
  DirStatus List(DirContext ctx, const char* name, bool containersOnly, IterationHandle* iteration, DirBuffer reply);
  DirStatus ReadSchemaItems(DirContext ctx, bool classes, std::uint32_t infoType, bool all, DirBuffer names,
                            IterationHandle* iteration, DirBuffer reply);
  DirStatus FillList(Connection& connection, ListState& state, Buffer& reply, bool typeless);
  DirStatus FillSchema(const SchemaIndex& schema, SchemaState& state, Buffer& reply);
  DirStatus FillObject(Connection& connection, ObjectState& state, Buffer& reply);
  // The iteration of handle, checked against the operation's state type.
  template <class State>
  DirStatus IterationFor(IterationHandle handle, Iteration** iteration);
  IterationHandle AddIteration(Iteration iteration);
  // Moves the iteration to a new handle value; returns it.
  IterationHandle Continue(IterationHandle handle);
  void DropIteration(IterationHandle handle);
  // The reply buffer, checked with the context it is read in.
  DirStatus ReplyFor(DirContext ctx, DirBuffer reply, Buffer** buffer);
  DirStatus ReaderFor(DirContext ctx, DirBuffer reply, ReplyReader** reader);
  // The four count readers differ only in which count of the reply they take.
  DirStatus ReadCount(DirContext ctx, DirBuffer reply, std::uint32_t* count,
                      DirStatus (ReplyReader::*take)(std::uint32_t*));
  DirStatus DecodeNext(DirContext ctx, DirBuffer reply, std::uint32_t syntax, bool consume, std::size_t* size,
                       void* value);
  DirStatus PutRequestName(DirContext ctx, DirBuffer buffer, const char* name, std::uint32_t op1, std::uint32_t op2);

  ClientOptions options_;
  bool initialized_ = false;
  std::vector<Connection> connections_;
  std::size_t preferred_ = 0;  // the connection of new contexts
  std::unordered_map<DirContext, Context> contexts_;
  DirContext nextContext_ = 1;
  std::unordered_map<DirBuffer, Buffer> buffers_;
  // The bytes of freed buffers, for the next ones of the same size: a read per entry would
  // otherwise fill a fresh 64 KiB every time.
  std::vector<std::vector<std::uint8_t>> spareBytes_;
  DirBuffer nextBuffer_ = 1;
  std::map<IterationHandle, Iteration> iterations_;
  IterationHandle nextIteration_ = 1;
  // The results of the last read of several names that fitted one reply, kept for the next
  // one: a read per entry would otherwise make and free them every time.
  std::vector<service::DirectoryService::AttributeResult> spareResults_;
};

}  // namespace recast::client
