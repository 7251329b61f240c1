#include "tests/support/MemoryService.h"

#include <algorithm>

#include "platform/client/DottedName.h"
#include "platform/service/ValueCodec.h"
#include "util/TextHelpers.h"

namespace recast::client {
namespace {

bool Contains(const std::vector<std::string>& list, const std::string& name) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& item) { return TextEquals(item, name); });
}

}  // namespace

MemoryService::MemoryService(service::Schema schema, service::LoginInfo login)
    : schema_(schema), index_(std::move(schema)), login_(std::move(login)), root_(std::make_unique<Node>()) {
  root_->flags = kEntryContainer;
}

MemoryService::~MemoryService() = default;

MemoryService::Node* MemoryService::Find(const service::EntryName& name) const {
  Node* node = root_.get();
  for (auto part = name.rbegin(); part != name.rend(); ++part) {
    auto it = node->children.find(UpperAscii(part->value));
    if (it == node->children.end()) return nullptr;
    if (!part->type.empty() && !TextEquals(part->type, it->second->rdn.type)) return nullptr;
    node = it->second.get();
  }
  return node;
}

MemoryService::Node* MemoryService::Follow(Node* node) const {
  // Bounded, so that a loop of aliases ends.
  for (int hops = 0; node != nullptr && (node->flags & kEntryAlias) != 0 && hops < 8; ++hops) {
    auto it = node->values.find(UpperAscii(kAliasedObjectName));
    if (it == node->values.end() || it->second.empty()) return nullptr;
    const auto* text = std::get_if<service::value::Text>(&it->second.front());
    service::EntryName target;
    if (text == nullptr || ParseNameContext(text->text, &target) != 0) return nullptr;
    node = Find(target);
  }
  return node;
}

service::EntryName MemoryService::NameOf(const Node* node) const {
  service::EntryName name;
  for (; node != nullptr && node != root_.get(); node = node->parent) name.push_back(node->rdn);
  return name;
}

bool MemoryService::Allowed(const std::string& className, const std::string& attrName) const {
  auto found = index_.FindClass(className);
  if (!found) return false;
  const auto& def = index_.Expanded(*found);
  return Contains(def.mandatoryAttributes, attrName) || Contains(def.optionalAttributes, attrName);
}

bool MemoryService::Mandatory(const std::string& className, const std::string& attrName) const {
  auto found = index_.FindClass(className);
  return found && Contains(index_.Expanded(*found).mandatoryAttributes, attrName);
}

DirStatus MemoryService::AddEntry(const service::EntryName& name, const std::string& baseClass,
                                  std::uint32_t modified) {
  if (name.empty()) return kErrEntryAlreadyExists;
  Node* parent = Find(service::EntryName(name.begin() + 1, name.end()));
  if (parent == nullptr) return kErrNoSuchEntry;
  const std::string key = UpperAscii(name.front().value);
  if (parent->children.count(key) != 0) return kErrEntryAlreadyExists;
  auto node = std::make_unique<Node>();
  node->rdn = name.front();
  node->baseClass = baseClass;
  node->modified = modified;
  node->parent = parent;
  if (auto found = index_.FindClass(baseClass); found && (index_.classes()[*found].flags & kClassContainer) != 0) {
    node->flags |= kEntryContainer;
  }
  parent->children.emplace(key, std::move(node));
  return 0;
}

DirStatus MemoryService::AddValue(const service::EntryName& name, const std::string& attrName,
                                  service::DirValue value) {
  Node* node = Find(name);
  if (node == nullptr) return kErrNoSuchEntry;
  auto attr = index_.FindAttribute(attrName);
  if (!attr) return kErrNoSuchAttribute;
  node->values[UpperAscii(attrName)].push_back(std::move(value));
  return 0;
}

DirStatus MemoryService::MakeAlias(const service::EntryName& name, const service::EntryName& target) {
  Node* node = Find(name);
  if (node == nullptr) return kErrNoSuchEntry;
  node->flags |= kEntryAlias;
  node->values[UpperAscii(kAliasedObjectName)] = {service::value::Text{FormatDottedName(target, false)}};
  return 0;
}

DirStatus MemoryService::Login(service::LoginInfo* info) {
  *info = login_;
  return 0;
}

DirStatus MemoryService::ReadSchema(service::Schema* schema) {
  ++readSchemaCalls_;
  *schema = schema_;
  return 0;
}

DirStatus MemoryService::ResolveName(const service::EntryName& name, bool derefAliases, service::EntryName* canonical) {
  Node* node = Find(name);
  if (node != nullptr && derefAliases) node = Follow(node);
  if (node == nullptr) return kErrNoSuchEntry;
  *canonical = NameOf(node);
  return 0;
}

DirStatus MemoryService::ListChildren(const service::EntryName& parent, bool containersOnly, const std::string& cursor,
                                      std::uint32_t pageSize, service::ListPage* page) {
  ++listCalls_;
  Node* node = Find(parent);
  if (node == nullptr) return kErrNoSuchEntry;
  if (pageSize == 0) pageSize = 1;
  // The cursor is the key of the last entry handed out: the next page starts after it.
  auto it = cursor.empty() ? node->children.begin() : node->children.upper_bound(cursor);
  service::ListPage result;
  std::string last;
  for (; it != node->children.end() && result.entries.size() < pageSize; ++it) {
    const Node& child = *it->second;
    last = it->first;
    if (containersOnly && (child.flags & kEntryContainer) == 0) continue;
    result.entries.push_back(service::EntrySummary{child.rdn, child.baseClass, child.flags,
                                                   static_cast<std::uint32_t>(child.children.size()), child.modified});
  }
  if (it != node->children.end()) result.cursor = last.empty() ? it->first : last;
  largestPage_ = std::max(largestPage_, result.entries.size());
  *page = std::move(result);
  return 0;
}

void MemoryService::CancelListing(const std::string&) {}

DirStatus MemoryService::ReadAttribute(const service::EntryName& entry, const std::string& attrName, bool derefAliases,
                                       service::AttributeValues* values) {
  Node* node = Find(entry);
  if (node != nullptr && derefAliases) node = Follow(node);
  if (node == nullptr) return kErrNoSuchEntry;
  auto attr = index_.FindAttribute(attrName);
  if (!attr) return kErrNoSuchAttribute;
  auto it = node->values.find(UpperAscii(attrName));
  if (it == node->values.end() || it->second.empty()) return kErrNoSuchAttribute;
  const auto& def = index_.attributes()[*attr];
  *values = service::AttributeValues{def.name, def.syntax, it->second};
  return 0;
}

DirStatus MemoryService::Modify(const service::EntryName& entry, const std::vector<service::Change>& changes) {
  Node* node = Find(entry);
  if (node == nullptr) return kErrNoSuchEntry;
  if (readOnly_) return kErrNoAccess;
  auto values = node->values;  // changed as a copy, kept only when every change succeeded
  for (const service::Change& change : changes) {
    auto attr = index_.FindAttribute(change.attrName);
    if (!attr) return kErrNoSuchAttribute;
    const auto& def = index_.attributes()[*attr];
    const std::string key = UpperAscii(def.name);
    auto& list = values[key];
    if (change.value) {
      if (change.value->index() != service::AlternativeForSyntax(def.syntax)) return kErrSyntaxViolation;
      if (!Allowed(node->baseClass, def.name)) return kErrIllegalAttribute;
    }
    const bool present = !list.empty();
    switch (change.type) {
      case kChangeAddAttribute:
        if (present) return kErrAttributeAlreadyExists;
        if (!Allowed(node->baseClass, def.name)) return kErrIllegalAttribute;
        if (change.value) list.push_back(*change.value);
        break;
      case kChangeRemoveAttribute:
        if (!present) return kErrNoSuchAttribute;
        list.clear();
        break;
      case kChangeAddValue:
      case kChangeAdditionalValue:
        if (!change.value) return kErrSyntaxViolation;
        if (std::find(list.begin(), list.end(), *change.value) != list.end()) return kErrDuplicateValue;
        if ((def.flags & kAttrSingleValued) != 0 && present) return kErrCannotHaveMultipleValues;
        list.push_back(*change.value);
        break;
      case kChangeRemoveValue:
      case kChangeClearValue: {
        if (!change.value) {
          if (change.type == kChangeRemoveValue) return kErrNoSuchValue;
          break;
        }
        auto it = std::find(list.begin(), list.end(), *change.value);
        if (it == list.end()) {
          if (change.type == kChangeRemoveValue) return kErrNoSuchValue;
          break;
        }
        list.erase(it);
        break;
      }
      case kChangeOverwriteValue:
        if (!change.value) return kErrSyntaxViolation;
        list.assign(1, *change.value);
        break;
      case kChangeClearAttribute:
        list.clear();
        break;
      default:
        return kErrSyntaxViolation;
    }
  }
  for (auto it = values.begin(); it != values.end();) {
    it = it->second.empty() ? values.erase(it) : std::next(it);
  }
  if (auto found = index_.FindClass(node->baseClass)) {
    for (const std::string& mandatory : index_.Expanded(*found).mandatoryAttributes) {
      if (values.count(UpperAscii(mandatory)) == 0) return kErrMissingMandatory;
    }
  }
  node->values = std::move(values);
  return 0;
}

DirStatus MemoryService::ChangeBaseClass(const service::EntryName& entry, const std::string& newClass) {
  Node* node = Find(entry);
  if (node == nullptr) return kErrNoSuchEntry;
  if (readOnly_) return kErrNoAccess;
  auto found = index_.FindClass(newClass);
  if (!found) return kErrNoSuchClass;
  const auto& def = index_.Expanded(*found);
  for (const auto& [key, list] : node->values) {
    auto attr = index_.FindAttribute(key);
    if (!list.empty() && attr && !Allowed(def.name, index_.attributes()[*attr].name)) return kErrIllegalAttribute;
  }
  for (const std::string& mandatory : def.mandatoryAttributes) {
    if (TextEquals(mandatory, "Object Class")) continue;  // rewritten below
    if (node->values.count(UpperAscii(mandatory)) == 0) return kErrMissingMandatory;
  }
  if (!def.containmentClasses.empty() && node->parent != nullptr && node->parent != root_.get() &&
      !Contains(def.containmentClasses, node->parent->baseClass)) {
    return kErrIllegalContainment;
  }
  node->baseClass = def.name;
  node->flags = (node->flags & ~kEntryContainer) | ((def.flags & kClassContainer) != 0 ? kEntryContainer : 0);
  if (index_.FindAttribute("Object Class")) {
    auto& classes = node->values[UpperAscii("Object Class")];
    classes.clear();
    classes.push_back(service::value::Text{def.name});
    for (const std::string& super : def.superClasses) classes.push_back(service::value::Text{super});
  }
  return 0;
}

DirStatus MemoryService::ReadStream(const service::EntryName& entry, const std::string& attrName,
                                    std::vector<std::uint8_t>* content) {
  Node* node = Find(entry);
  if (node == nullptr) return kErrNoSuchEntry;
  auto it = node->values.find(UpperAscii(attrName));
  if (it == node->values.end() || it->second.empty()) return kErrNoSuchAttribute;
  const auto* octets = std::get_if<service::value::Octets>(&it->second.front());
  if (octets == nullptr) return kErrSyntaxViolation;
  *content = octets->bytes;
  return 0;
}

}  // namespace recast::client
