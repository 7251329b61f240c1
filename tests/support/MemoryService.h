#pragma once
// A directory service held in memory, for tests and benchmarks of the client: entries, values,
// aliases and streams over a given schema, with the enforcement statuses of a real directory
// (a change is checked completely before anything is kept: all or none).

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/client/SchemaIndex.h"
#include "platform/service/DirectoryService.h"

namespace recast::client {

class MemoryService final : public service::DirectoryService {
 public:
  MemoryService(service::Schema schema, service::LoginInfo login);
  ~MemoryService() override;

  // ---- Seeding (not part of the service) ----
  // Adds an entry below its parent (which must exist; kErrNoSuchEntry otherwise);
  // kErrEntryAlreadyExists when a sibling has the same value. The entry is a container when
  // its class has kClassContainer. No schema checks: seeds may hold anything.
  DirStatus AddEntry(const service::EntryName& name, const std::string& baseClass, std::uint32_t modified = 0);
  // Appends a value without checks; the attribute must be in the schema.
  DirStatus AddValue(const service::EntryName& name, const std::string& attrName, service::DirValue value);
  // Makes name an alias of target (flag and "Aliased Object Name" value).
  DirStatus MakeAlias(const service::EntryName& name, const service::EntryName& target);
  // Every change fails with kErrNoAccess.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  std::size_t listCalls() const { return listCalls_; }
  std::size_t readSchemaCalls() const { return readSchemaCalls_; }
  std::size_t largestPage() const { return largestPage_; }
  // The prefetch setting of the latest listing page (a hint this service has no use for).
  bool listingPrefetch() const { return listingPrefetch_; }

  // ---- DirectoryService ----
  DirStatus Login(service::LoginInfo* info) override;
  DirStatus ReadSchema(service::Schema* schema) override;
  void SetListingPrefetch(bool prefetch) override { listingPrefetch_ = prefetch; }
  DirStatus ResolveName(const service::EntryName& name, bool derefAliases, service::EntryName* canonical) override;
  DirStatus ListChildren(const service::EntryName& parent, bool containersOnly, const std::string& cursor,
                         std::uint32_t pageSize, service::ListPage* page) override;
  void CancelListing(const std::string& cursor) override;
  DirStatus ReadAttribute(const service::EntryName& entry, const std::string& attrName, bool derefAliases,
                          service::AttributeValues* values) override;
  DirStatus Modify(const service::EntryName& entry, const std::vector<service::Change>& changes) override;
  DirStatus ChangeBaseClass(const service::EntryName& entry, const std::string& newClass) override;
  DirStatus ReadStream(const service::EntryName& entry, const std::string& attrName,
                       std::vector<std::uint8_t>* content) override;

 private:
  struct Node {
    service::NamePart rdn;
    std::string baseClass;
    std::uint32_t flags = 0;
    std::uint32_t modified = 0;
    Node* parent = nullptr;
    std::map<std::string, std::unique_ptr<Node>> children;         // by upper-case value
    std::map<std::string, std::vector<service::DirValue>> values;  // by upper-case attribute name
  };

  Node* Find(const service::EntryName& name) const;
  Node* Follow(Node* node) const;
  service::EntryName NameOf(const Node* node) const;
  bool Allowed(const std::string& className, const std::string& attrName) const;
  bool Mandatory(const std::string& className, const std::string& attrName) const;

  service::Schema schema_;
  SchemaIndex index_;
  service::LoginInfo login_;
  std::unique_ptr<Node> root_;
  bool readOnly_ = false;
  std::size_t listCalls_ = 0;
  std::size_t readSchemaCalls_ = 0;
  std::size_t largestPage_ = 0;
  bool listingPrefetch_ = false;
};

// The attribute that names an alias's target (its value a typed dotted name).
inline constexpr const char* kAliasedObjectName = "Aliased Object Name";

}  // namespace recast::client
