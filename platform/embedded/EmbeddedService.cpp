#include "platform/embedded/EmbeddedService.h"

#include <ctime>
#include <filesystem>
#include <map>
#include <unordered_map>

#include "directory/ObjectIds.h"
#include "platform/embedded/NameText.h"
#include "platform/embedded/SchemaIndex.h"
#include "platform/embedded/Sqlite.h"
#include "platform/embedded/StoreFormat.h"
#include "platform/service/ValueCodec.h"

namespace recast::embedded {
namespace {

using service::AttributeValues;
using service::Change;
using service::DirValue;
using service::EntryName;
using service::ListPage;

constexpr const char* kObjectClassKey = "object class";
constexpr const char* kAliasedObjectNameKey = "aliased object name";
constexpr int kMaxAliasDepth = 8;
constexpr std::int64_t kTopId = 0;

struct EntryRow {
  std::int64_t id = kTopId;
  std::string rdnType;
  std::string rdnValue;
  std::int64_t classId = 0;
  std::uint32_t flags = 0;
  std::uint32_t childCount = 0;
  std::uint32_t mtime = 0;
};

// One attribute's values while a change is worked out.
struct WorkingAttribute {
  const service::AttributeDefinition* def = nullptr;
  std::int64_t id = 0;
  std::vector<DirValue> values;
  bool touched = false;
};

class EmbeddedService final : public service::DirectoryService {
  // One read transaction around a read operation: a single lock and change check for all
  // its statements, and a consistent view if another program writes meanwhile.
  class ReadScope {
   public:
    explicit ReadScope(EmbeddedService* service) : service_(service) {
      if (service_->inTransaction_) return;
      service_->begin_.Reset();
      open_ = service_->begin_.Step() == SQLITE_DONE;
      service_->begin_.Reset();
      service_->inTransaction_ = open_;
    }
    ~ReadScope() {
      if (!open_) return;
      service_->commit_.Reset();
      if (service_->commit_.Step() != SQLITE_DONE) Execute(service_->db_.get(), "ROLLBACK");
      service_->commit_.Reset();
      service_->inTransaction_ = false;
    }
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;

   private:
    EmbeddedService* service_;
    bool open_ = false;
  };

 public:
  EmbeddedService(SqliteHandle db, std::int64_t treeId, std::filesystem::path path)
      : db_(std::move(db)), treeId_(treeId), path_(std::move(path)) {}

  DirStatus Init(std::int64_t schemaId, const std::string& loginName, bool mayWriteColumn) {
    if (DirStatus st = LoadSchema(schemaId)) return st;
    findChild_ = Statement(db_.get(),
                           "SELECT id, rdn_type, rdn_value, class_id, flags, child_count, mtime FROM entries "
                           "WHERE tree_id = ?1 AND parent_id = ?2 AND rdn_key = ?3");
    listAll_ = Statement(db_.get(),
                         "SELECT id, rdn_type, rdn_value, class_id, flags, child_count, mtime FROM entries "
                         "WHERE tree_id = ?1 AND parent_id = ?2 AND rdn_key > ?3 ORDER BY rdn_key LIMIT ?4");
    listContainers_ = Statement(db_.get(),
                                "SELECT id, rdn_type, rdn_value, class_id, flags, child_count, mtime "
                                "FROM entries WHERE tree_id = ?1 AND parent_id = ?2 AND rdn_key > ?3 "
                                "AND container = 1 ORDER BY rdn_key LIMIT ?4");
    readValues_ =
        Statement(db_.get(), "SELECT value FROM entry_values WHERE entry_id = ?1 AND attr_id = ?2 ORDER BY position");
    readAllValues_ =
        Statement(db_.get(), "SELECT attr_id, value FROM entry_values WHERE entry_id = ?1 ORDER BY attr_id, position");
    deleteValues_ = Statement(db_.get(), "DELETE FROM entry_values WHERE entry_id = ?1 AND attr_id = ?2");
    insertValue_ =
        Statement(db_.get(), "INSERT INTO entry_values(entry_id, attr_id, position, value) VALUES(?1, ?2, ?3, ?4)");
    updateEntry_ =
        Statement(db_.get(), "UPDATE entries SET class_id = ?2, flags = ?3, container = ?4, mtime = ?5 WHERE id = ?1");
    parentOf_ = Statement(db_.get(), "SELECT parent_id FROM entries WHERE id = ?1");
    childClasses_ = Statement(db_.get(), "SELECT DISTINCT class_id FROM entries WHERE tree_id = ?1 AND parent_id = ?2");
    begin_ = Statement(db_.get(), "BEGIN");
    commit_ = Statement(db_.get(), "COMMIT");
    entryById_ = Statement(
        db_.get(), "SELECT id, rdn_type, rdn_value, class_id, flags, child_count, mtime FROM entries WHERE id = ?1");
    for (Statement* s : {&findChild_, &listAll_, &listContainers_, &readValues_, &readAllValues_, &deleteValues_,
                         &insertValue_, &updateEntry_, &parentOf_, &entryById_, &childClasses_, &begin_, &commit_})
      if (!s->valid()) return StatusFromSqlite(s->rc());

    mayWrite_ = mayWriteColumn;
    EntryName parsed;
    if (!ParseDottedName(loginName, &parsed) || parsed.empty()) return kErrBadName;
    EntryRow row;
    if (DirStatus st = Resolve(parsed, false, &row, &login_.fullName)) return st;
    login_.defaultContainer.assign(login_.fullName.begin() + 1, login_.fullName.end());
    return 0;
  }

  DirStatus Login(service::LoginInfo* info) override {
    if (info == nullptr) return kErrBadArgument;
    *info = login_;
    return 0;
  }

  DirStatus ReadSchema(service::Schema* schema) override {
    if (schema == nullptr) return kErrBadArgument;
    *schema = index_.schema();
    return 0;
  }

  DirStatus ResolveName(const EntryName& name, bool derefAliases, EntryName* canonical) override {
    if (canonical == nullptr) return kErrBadArgument;
    ReadScope scope(this);
    EntryRow row;
    EntryName result;
    if (DirStatus st = Resolve(name, derefAliases, &row, &result)) return st;
    *canonical = std::move(result);
    return 0;
  }

  DirStatus ListChildren(const EntryName& parent, bool containersOnly, const std::string& cursor,
                         std::uint32_t pageSize, ListPage* page) override {
    if (page == nullptr || pageSize == 0) return kErrBadArgument;
    std::string after;
    if (!cursor.empty()) {
      if (cursor[0] != 'k' || cursor.size() < 2) return kErrBadIteration;
      after = cursor.substr(1);
    }
    ReadScope scope(this);
    if (lastParentId_ < 0 || parent != lastParent_) {
      EntryRow parentRow;
      EntryName canonical;
      if (DirStatus st = Resolve(parent, false, &parentRow, &canonical)) return st;
      lastParent_ = parent;
      lastParentId_ = parentRow.id;
    }

    Statement& q = containersOnly ? listContainers_ : listAll_;
    q.Reset();
    q.Bind(1, treeId_);
    q.Bind(2, lastParentId_);
    q.Bind(3, after);
    q.Bind(4, static_cast<std::int64_t>(pageSize) + 1);
    ListPage result;
    result.entries.reserve(pageSize);
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW) {
      if (result.entries.size() == pageSize) {
        // One more row exists: the listing goes on after the last key delivered.
        std::string key = NameKey(result.entries.back().rdn.value);
        result.cursor.reserve(key.size() + 1);
        result.cursor.push_back('k');
        result.cursor.append(key);
        break;
      }
      service::EntrySummary s;
      s.rdn.type = q.Text(1);
      s.rdn.value = q.Text(2);
      s.baseClass = ClassName(q.Int(3));
      s.flags = static_cast<std::uint32_t>(q.Int(4));
      s.subordinateCount = static_cast<std::uint32_t>(q.Int(5));
      s.modificationTime = static_cast<std::uint32_t>(q.Int(6));
      result.entries.push_back(std::move(s));
    }
    q.Reset();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return StatusFromSqlite(rc);
    *page = std::move(result);
    return 0;
  }

  void CancelListing(const std::string&) override {}  // cursors hold no state here

  DirStatus ReadAttribute(const EntryName& entry, const std::string& attrName, bool derefAliases,
                          AttributeValues* values) override {
    if (values == nullptr) return kErrBadArgument;
    const service::AttributeDefinition* def = index_.FindAttribute(attrName);
    ReadScope scope(this);
    EntryRow row;
    EntryName canonical;
    if (DirStatus st = Resolve(entry, derefAliases, &row, &canonical)) return st;
    if (row.id == kTopId || def == nullptr) return row.id == kTopId ? kErrNoSuchEntry : kErrNoSuchAttribute;
    AttributeValues result{def->name, def->syntax, {}};
    if (DirStatus st = LoadValues(row.id, *def, &result.values)) return st;
    if (result.values.empty()) return kErrNoSuchAttribute;
    *values = std::move(result);
    return 0;
  }

  // A write-protected or full store is reported with its path.
  DirStatus Modify(const EntryName& entry, const std::vector<Change>& changes) override {
    return RecordStoreProblem(WriteFailureOf(ApplyChanges(entry, changes), db_.get()), path_);
  }

  DirStatus ChangeBaseClass(const EntryName& entry, const std::string& newClass) override {
    return RecordStoreProblem(WriteFailureOf(ApplyClassChange(entry, newClass), db_.get()), path_);
  }

  DirStatus ApplyChanges(const EntryName& entry, const std::vector<Change>& changes) {
    if (!mayWrite_) return kErrNoAccess;
    if (inTransaction_) return kErrDirectoryFailure;
    Transaction tx(db_.get());
    if (int rc = tx.BeginImmediate(); rc != SQLITE_OK) return StatusFromSqlite(rc);
    EntryRow row;
    EntryName canonical;
    if (DirStatus st = Resolve(entry, false, &row, &canonical)) return st;
    if (row.id == kTopId) return kErrNoSuchEntry;

    std::vector<std::string> classes;
    if (DirStatus st = ClassesOf(row, &classes)) return st;
    std::map<std::string, WorkingAttribute> working;
    for (const Change& change : changes) {
      const service::AttributeDefinition* def = index_.FindAttribute(change.attrName);
      if (def == nullptr) return kErrNoSuchAttribute;
      if ((def->flags & kAttrReadOnly) != 0) return kErrNoAccess;
      std::string key = NameKey(def->name);
      auto it = working.find(key);
      if (it == working.end()) {
        WorkingAttribute w{def, attrIds_.at(key), {}, false};
        if (DirStatus st = LoadValues(row.id, *def, &w.values)) return st;
        it = working.emplace(key, std::move(w)).first;
      }
      if (DirStatus st = ApplyChange(change, classes, &it->second)) return st;
    }
    std::vector<std::string> mandatory = index_.MandatoryAttributes(classes);
    for (const auto& [key, w] : working) {
      if (!w.touched || !w.values.empty()) continue;
      for (const auto& m : mandatory)
        if (NameKey(m) == key) return kErrMissingMandatory;
    }

    std::uint32_t flags = row.flags;
    for (const auto& [key, w] : working) {
      if (!w.touched) continue;
      if (DirStatus st = StoreValues(row.id, w)) return st;
      if (key == kAliasedObjectNameKey) flags = w.values.empty() ? (flags & ~kEntryAlias) : (flags | kEntryAlias);
    }
    if (DirStatus st = UpdateEntry(row.id, row.classId, flags)) return st;
    if (int rc = tx.Commit(); rc != SQLITE_OK) return StatusFromSqlite(rc);
    return 0;
  }

  DirStatus ApplyClassChange(const EntryName& entry, const std::string& newClass) {
    if (!mayWrite_) return kErrNoAccess;
    if (inTransaction_) return kErrDirectoryFailure;
    Transaction tx(db_.get());
    if (int rc = tx.BeginImmediate(); rc != SQLITE_OK) return StatusFromSqlite(rc);
    EntryRow row;
    EntryName canonical;
    if (DirStatus st = Resolve(entry, false, &row, &canonical)) return st;
    if (row.id == kTopId) return kErrNoSuchEntry;
    const service::ClassDefinition* def = index_.FindClass(newClass);
    if (def == nullptr) return kErrNoSuchClass;
    if ((def->flags & kClassEffective) == 0) return kErrNotEffectiveClass;
    bool container = (def->flags & kClassContainer) != 0;
    if (row.childCount > 0 && !container) return kErrNotLeafEntry;  // its children would be stranded

    // Every valued attribute must be allowed by the new class and the entry's auxiliary classes.
    std::map<std::int64_t, bool> valuedAttrs;
    readAllValues_.Reset();
    readAllValues_.Bind(1, row.id);
    int rc;
    while ((rc = readAllValues_.Step()) == SQLITE_ROW) valuedAttrs[readAllValues_.Int(0)] = true;
    readAllValues_.Reset();
    if (rc != SQLITE_DONE) return StatusFromSqlite(rc);
    std::vector<std::string> auxiliary;
    if (DirStatus st = AuxiliaryClasses(row.id, &auxiliary)) return st;
    std::vector<std::string> classes = index_.EffectiveClasses(def->name, auxiliary);
    for (const auto& [attrId, valued] : valuedAttrs) {
      auto name = attrNames_.find(attrId);
      if (name == attrNames_.end()) return kErrStoreCorrupt;
      if (NameKey(name->second) != kObjectClassKey && !index_.Allows(classes, name->second))
        return kErrIllegalAttribute;
    }
    for (const auto& m : index_.MandatoryAttributes(classes)) {
      if (NameKey(m) == kObjectClassKey) continue;  // rewritten below
      auto id = attrIds_.find(NameKey(m));
      if (id == attrIds_.end() || !valuedAttrs.count(id->second)) return kErrMissingMandatory;
    }
    std::vector<std::string> parentClasses;
    if (DirStatus st = ParentClasses(row.id, &parentClasses)) return st;
    if (!index_.MayContain(parentClasses, def->name)) return kErrIllegalContainment;
    // The entry's children must still be allowed below it.
    if (row.childCount > 0) {
      childClasses_.Reset();
      childClasses_.Bind(1, treeId_);
      childClasses_.Bind(2, row.id);
      DirStatus childStatus = 0;
      while (childStatus == 0 && (rc = childClasses_.Step()) == SQLITE_ROW)
        if (!index_.MayContain(classes, ClassName(childClasses_.Int(0)))) childStatus = kErrIllegalContainment;
      childClasses_.Reset();
      if (childStatus != 0) return childStatus;
      if (rc != SQLITE_DONE) return StatusFromSqlite(rc);
    }

    // Object Class follows the new chain; auxiliary classes stay.
    auto ocKey = attrIds_.find(kObjectClassKey);
    if (ocKey != attrIds_.end()) {
      WorkingAttribute oc{index_.FindAttribute(kObjectClassKey), ocKey->second, {}, true};
      for (const auto& c : classes) oc.values.push_back(service::value::Text{c});
      if (DirStatus st = StoreValues(row.id, oc)) return st;
    }
    std::uint32_t flags = container ? (row.flags | kEntryContainer) : (row.flags & ~kEntryContainer);
    if (DirStatus st = UpdateEntry(row.id, classIds_.at(NameKey(def->name)), flags)) return st;
    if ((rc = tx.Commit()) != SQLITE_OK) return StatusFromSqlite(rc);
    return 0;
  }

  DirStatus ReadStream(const EntryName& entry, const std::string& attrName,
                       std::vector<std::uint8_t>* content) override {
    if (content == nullptr) return kErrBadArgument;
    AttributeValues values;
    const service::AttributeDefinition* def = index_.FindAttribute(attrName);
    if (def == nullptr) return kErrNoSuchAttribute;
    if (def->syntax != kSynStream) return kErrSyntaxViolation;
    if (DirStatus st = ReadAttribute(entry, attrName, true, &values)) return st;
    const auto* octets = std::get_if<service::value::Octets>(&values.values.front());
    if (octets == nullptr) return kErrStoreCorrupt;
    *content = octets->bytes;
    return 0;
  }

 private:
  DirStatus LoadSchema(std::int64_t schemaId) {
    service::Schema schema;
    Statement attrs(db_.get(),
                    "SELECT id, name, flags, syntax, lower_bound, upper_bound, oid FROM attributes "
                    "WHERE schema_id = ?1 ORDER BY id");
    Statement classes(db_.get(), "SELECT id, name, flags, oid FROM classes WHERE schema_id = ?1 ORDER BY id");
    Statement items(db_.get(),
                    "SELECT class_id, kind, item FROM class_items WHERE class_id IN "
                    "(SELECT id FROM classes WHERE schema_id = ?1) ORDER BY class_id, kind, position");
    if (!attrs.valid() || !classes.valid() || !items.valid()) return kErrStoreCorrupt;
    attrs.Bind(1, schemaId);
    int rc;
    while ((rc = attrs.Step()) == SQLITE_ROW) {
      service::AttributeDefinition a;
      a.name = attrs.Text(1);
      a.flags = static_cast<std::uint32_t>(attrs.Int(2));
      a.syntax = static_cast<std::uint32_t>(attrs.Int(3));
      a.lowerBound = static_cast<std::uint32_t>(attrs.Int(4));
      a.upperBound = static_cast<std::uint32_t>(attrs.Int(5));
      a.asn1Id = ObjectIdFromContent(attrs.Blob(6));
      attrIds_[NameKey(a.name)] = attrs.Int(0);
      attrNames_[attrs.Int(0)] = a.name;
      schema.attributes.push_back(std::move(a));
    }
    if (rc != SQLITE_DONE) return StatusFromSqlite(rc);
    std::map<std::int64_t, std::size_t> classIndex;
    classes.Bind(1, schemaId);
    while ((rc = classes.Step()) == SQLITE_ROW) {
      service::ClassDefinition c;
      c.name = classes.Text(1);
      c.flags = static_cast<std::uint32_t>(classes.Int(2));
      c.asn1Id = ObjectIdFromContent(classes.Blob(3));
      classIds_[NameKey(c.name)] = classes.Int(0);
      classNames_[classes.Int(0)] = c.name;
      classIndex[classes.Int(0)] = schema.classes.size();
      schema.classes.push_back(std::move(c));
    }
    if (rc != SQLITE_DONE) return StatusFromSqlite(rc);
    items.Bind(1, schemaId);
    while ((rc = items.Step()) == SQLITE_ROW) {
      auto it = classIndex.find(items.Int(0));
      if (it == classIndex.end()) return kErrStoreCorrupt;
      service::ClassDefinition& c = schema.classes[it->second];
      std::vector<std::string>* lists[] = {&c.superClasses, &c.containmentClasses, &c.namingAttributes,
                                           &c.mandatoryAttributes, &c.optionalAttributes};
      std::int64_t kind = items.Int(1);
      if (kind < 0 || kind > 4) return kErrStoreCorrupt;
      lists[kind]->push_back(items.Text(2));
    }
    if (rc != SQLITE_DONE) return StatusFromSqlite(rc);
    index_ = SchemaIndex(std::move(schema));
    return 0;
  }

  const std::string& ClassName(std::int64_t classId) const {
    static const std::string kNone;
    auto it = classNames_.find(classId);
    return it == classNames_.end() ? kNone : it->second;
  }

  static void ReadRow(const Statement& q, EntryRow* row) {
    row->id = q.Int(0);
    row->rdnType = q.Text(1);
    row->rdnValue = q.Text(2);
    row->classId = q.Int(3);
    row->flags = static_cast<std::uint32_t>(q.Int(4));
    row->childCount = static_cast<std::uint32_t>(q.Int(5));
    row->mtime = static_cast<std::uint32_t>(q.Int(6));
  }

  DirStatus FindChild(std::int64_t parentId, const service::NamePart& part, EntryRow* row) {
    findChild_.Reset();
    findChild_.Bind(1, treeId_);
    findChild_.Bind(2, parentId);
    findChild_.Bind(3, NameKey(part.value));
    int rc = findChild_.Step();
    DirStatus st = 0;
    if (rc == SQLITE_ROW) {
      ReadRow(findChild_, row);
      if (!part.type.empty() && NameKey(part.type) != NameKey(row->rdnType)) st = kErrNoSuchEntry;
    } else {
      st = rc == SQLITE_DONE ? kErrNoSuchEntry : StatusFromSqlite(rc);
    }
    findChild_.Reset();
    return st;
  }

  DirStatus Resolve(const EntryName& name, bool deref, EntryRow* row, EntryName* canonical, int depth = 0) {
    if (depth > kMaxAliasDepth) return kErrNoSuchEntry;  // an alias loop
    EntryRow current;
    EntryName path;  // built top first, reversed at the end
    for (auto part = name.rbegin(); part != name.rend(); ++part) {
      EntryRow child;
      if (DirStatus st = FindChild(current.id, *part, &child)) return st;
      path.insert(path.begin(), service::NamePart{child.rdnType, child.rdnValue});
      if (deref && (child.flags & kEntryAlias) != 0) {
        std::vector<DirValue> target;
        const service::AttributeDefinition* def = index_.FindAttribute(kAliasedObjectNameKey);
        if (def == nullptr) return kErrNoSuchEntry;
        if (DirStatus st = LoadValues(child.id, *def, &target)) return st;
        const auto* text = target.empty() ? nullptr : std::get_if<service::value::Text>(&target.front());
        EntryName targetName;
        if (text == nullptr || !ParseDottedName(text->text, &targetName)) return kErrNoSuchEntry;
        if (DirStatus st = Resolve(targetName, true, &child, &path, depth + 1)) return st;
      }
      current = child;
    }
    *row = current;
    *canonical = std::move(path);
    return 0;
  }

  DirStatus LoadValues(std::int64_t entryId, const service::AttributeDefinition& def, std::vector<DirValue>* values) {
    auto id = attrIds_.find(NameKey(def.name));
    if (id == attrIds_.end()) return kErrNoSuchAttribute;
    readValues_.Reset();
    readValues_.Bind(1, entryId);
    readValues_.Bind(2, id->second);
    int rc;
    DirStatus st = 0;
    while (st == 0 && (rc = readValues_.Step()) == SQLITE_ROW) {
      DirValue v;
      if (service::DecodeValue(def.syntax, readValues_.Blob(0), &v) != 0)
        st = kErrStoreCorrupt;
      else
        values->push_back(std::move(v));
    }
    readValues_.Reset();
    if (st != 0) return st;
    return rc == SQLITE_DONE ? 0 : StatusFromSqlite(rc);
  }

  DirStatus AuxiliaryClasses(std::int64_t entryId, std::vector<std::string>* auxiliary) {
    const service::AttributeDefinition* def = index_.FindAttribute(kObjectClassKey);
    if (def == nullptr) return 0;
    std::vector<DirValue> values;
    if (DirStatus st = LoadValues(entryId, *def, &values)) return st;
    for (const auto& v : values) {
      const auto* text = std::get_if<service::value::Text>(&v);
      const service::ClassDefinition* c = text ? index_.FindClass(text->text) : nullptr;
      if (c != nullptr && (c->flags & kClassAuxiliary) != 0) auxiliary->push_back(c->name);
    }
    return 0;
  }

  DirStatus ClassesOf(const EntryRow& row, std::vector<std::string>* classes) {
    std::vector<std::string> auxiliary;
    if (DirStatus st = AuxiliaryClasses(row.id, &auxiliary)) return st;
    *classes = index_.EffectiveClasses(ClassName(row.classId), auxiliary);
    return 0;
  }

  DirStatus ParentClasses(std::int64_t entryId, std::vector<std::string>* classes) {
    parentOf_.Reset();
    parentOf_.Bind(1, entryId);
    int rc = parentOf_.Step();
    std::int64_t parentId = rc == SQLITE_ROW ? parentOf_.Int(0) : -1;
    parentOf_.Reset();
    if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? kErrNoSuchEntry : StatusFromSqlite(rc);
    if (parentId == kTopId) {
      *classes = {kTreeRootClass};
      return 0;
    }
    entryById_.Reset();
    entryById_.Bind(1, parentId);
    rc = entryById_.Step();
    EntryRow parent;
    if (rc == SQLITE_ROW) ReadRow(entryById_, &parent);
    entryById_.Reset();
    if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? kErrStoreCorrupt : StatusFromSqlite(rc);
    return ClassesOf(parent, classes);
  }

  DirStatus ApplyChange(const Change& change, const std::vector<std::string>& classes, WorkingAttribute* w) {
    const service::AttributeDefinition& def = *w->def;
    auto findValue = [&](const DirValue& v) {
      for (auto it = w->values.begin(); it != w->values.end(); ++it)
        if (ValuesMatch(def.syntax, *it, v)) return it;
      return w->values.end();
    };
    auto checkAdd = [&]() -> DirStatus {
      if (!index_.Allows(classes, def.name)) return kErrIllegalAttribute;
      if (!change.value) return kErrSyntaxViolation;
      return index_.CheckValue(def, *change.value);
    };
    switch (change.type) {
      case kChangeAddAttribute:
        if (!index_.Allows(classes, def.name)) return kErrIllegalAttribute;
        if (!w->values.empty()) return kErrAttributeAlreadyExists;
        if (!change.value) return 0;  // an attribute exists here only through its values
        [[fallthrough]];
      case kChangeAddValue:
      case kChangeAdditionalValue: {
        if (DirStatus st = checkAdd()) return st;
        if (findValue(*change.value) != w->values.end()) return kErrDuplicateValue;
        if ((def.flags & kAttrSingleValued) != 0 && !w->values.empty()) return kErrCannotHaveMultipleValues;
        w->values.push_back(*change.value);
        break;
      }
      case kChangeOverwriteValue: {
        if (DirStatus st = checkAdd()) return st;
        if (findValue(*change.value) != w->values.end()) return 0;
        if ((def.flags & kAttrSingleValued) != 0 && !w->values.empty()) return kErrCannotHaveMultipleValues;
        w->values.push_back(*change.value);
        break;
      }
      case kChangeRemoveAttribute:
        if (w->values.empty()) return kErrNoSuchAttribute;
        w->values.clear();
        break;
      case kChangeRemoveValue: {
        if (!change.value) return kErrNoSuchValue;
        auto it = findValue(*change.value);
        if (it == w->values.end()) return kErrNoSuchValue;
        w->values.erase(it);
        break;
      }
      case kChangeClearAttribute:
        w->values.clear();
        break;
      case kChangeClearValue: {
        if (!change.value) return 0;
        auto it = findValue(*change.value);
        if (it != w->values.end()) w->values.erase(it);
        break;
      }
      default:
        return kErrBadArgument;
    }
    w->touched = true;
    return 0;
  }

  DirStatus StoreValues(std::int64_t entryId, const WorkingAttribute& w) {
    deleteValues_.Reset();
    deleteValues_.Bind(1, entryId);
    deleteValues_.Bind(2, w.id);
    int rc = deleteValues_.Step();
    deleteValues_.Reset();
    if (rc != SQLITE_DONE) return StatusFromSqlite(rc);
    std::string encoded;
    std::int64_t position = 0;
    for (const auto& v : w.values) {
      if (service::EncodeValue(w.def->syntax, v, &encoded) != 0) return kErrSyntaxViolation;
      insertValue_.Reset();
      insertValue_.Bind(1, entryId);
      insertValue_.Bind(2, w.id);
      insertValue_.Bind(3, position++);
      insertValue_.BindBlob(4, encoded);
      rc = insertValue_.Step();
      insertValue_.Reset();
      if (rc != SQLITE_DONE) return StatusFromSqlite(rc);
    }
    return 0;
  }

  DirStatus UpdateEntry(std::int64_t entryId, std::int64_t classId, std::uint32_t flags) {
    updateEntry_.Reset();
    updateEntry_.Bind(1, entryId);
    updateEntry_.Bind(2, classId);
    updateEntry_.Bind(3, static_cast<std::int64_t>(flags));
    updateEntry_.Bind(4, static_cast<std::int64_t>((flags & kEntryContainer) != 0 ? 1 : 0));
    updateEntry_.Bind(5, static_cast<std::int64_t>(std::time(nullptr)));
    int rc = updateEntry_.Step();
    updateEntry_.Reset();
    return rc == SQLITE_DONE ? 0 : StatusFromSqlite(rc);
  }

  SqliteHandle db_;
  std::int64_t treeId_;
  std::filesystem::path path_;  // the store file, for messages
  SchemaIndex index_;
  std::unordered_map<std::string, std::int64_t> attrIds_;
  std::unordered_map<std::int64_t, std::string> attrNames_;
  std::unordered_map<std::string, std::int64_t> classIds_;
  std::unordered_map<std::int64_t, std::string> classNames_;
  service::LoginInfo login_;
  bool mayWrite_ = false;
  Statement findChild_, listAll_, listContainers_, readValues_, readAllValues_, deleteValues_, insertValue_,
      updateEntry_, parentOf_, entryById_, childClasses_, begin_, commit_;
  bool inTransaction_ = false;
  // Entries are never renamed, moved or removed, so a listed parent's id stays valid.
  EntryName lastParent_;
  std::int64_t lastParentId_ = -1;
};

}  // namespace

DirStatus OpenEmbeddedService(const service::ConnectionConfig& config,
                              std::unique_ptr<service::DirectoryService>* service) {
  if (service == nullptr) return kErrBadArgument;
  SqliteHandle db;
  if (DirStatus st = OpenStore(config.service, &db)) return st;

  Statement tree(db.get(), "SELECT id, schema_id FROM trees WHERE name_key = ?1");
  if (!tree.valid()) return StatusFromSqlite(tree.rc());
  tree.Bind(1, NameKey(config.treeName));
  int rc = tree.Step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? kErrStoreNoSuchTree : StatusFromSqlite(rc);
  std::int64_t treeId = tree.Int(0), schemaId = tree.Int(1);
  tree = Statement();

  std::string wanted = config.login;
  if (!wanted.empty() && wanted.front() == '.') wanted.erase(0, 1);
  Statement login(db.get(), wanted.empty()
                                ? "SELECT name, may_write FROM logins WHERE tree_id = ?1 ORDER BY position LIMIT 1"
                                : "SELECT name, may_write FROM logins WHERE tree_id = ?1 AND name_key = ?2");
  if (!login.valid()) return StatusFromSqlite(login.rc());
  login.Bind(1, treeId);
  if (!wanted.empty()) login.Bind(2, NameKey(wanted));
  rc = login.Step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? kErrNoAccess : StatusFromSqlite(rc);
  std::string loginName = login.Text(0);
  bool mayWrite = login.Int(1) != 0;
  login = Statement();

  auto result = std::make_unique<EmbeddedService>(std::move(db), treeId, config.service);
  if (DirStatus st = result->Init(schemaId, loginName, mayWrite)) return st;
  *service = std::move(result);
  return 0;
}

}  // namespace recast::embedded
