#include "platform/embedded/StoreCreator.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <random>
#include <unordered_map>

#include "directory/ObjectIds.h"
#include "platform/embedded/NameText.h"
#include "platform/embedded/SchemaIndex.h"
#include "platform/embedded/StoreFormat.h"
#include "platform/service/ValueCodec.h"

namespace recast::embedded {
namespace {

// Removes the temporary file (and a journal SQLite may have left) unless released.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
    std::filesystem::remove(path_.string() + "-journal", ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

int WriteSchema(sqlite3* db, std::int64_t schemaId, const service::Schema& schema) {
  Statement cls(db, "INSERT INTO classes(schema_id, name, name_key, flags, oid) VALUES(?1, ?2, ?3, ?4, ?5)");
  Statement item(db, "INSERT INTO class_items(class_id, kind, position, item) VALUES(?1, ?2, ?3, ?4)");
  Statement attr(db,
                 "INSERT INTO attributes(schema_id, name, name_key, flags, syntax, lower_bound, upper_bound, oid) "
                 "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
  if (!cls.valid() || !item.valid() || !attr.valid()) return SQLITE_ERROR;
  for (const auto& a : schema.attributes) {
    attr.Reset();
    attr.Bind(1, schemaId);
    attr.Bind(2, a.name);
    attr.Bind(3, NameKey(a.name));
    attr.Bind(4, static_cast<std::int64_t>(a.flags));
    attr.Bind(5, static_cast<std::int64_t>(a.syntax));
    attr.Bind(6, static_cast<std::int64_t>(a.lowerBound));
    attr.Bind(7, static_cast<std::int64_t>(a.upperBound));
    attr.BindBlob(8, ObjectIdContent(a.asn1Id));
    if (int rc = attr.Step(); rc != SQLITE_DONE) return rc;
  }
  for (const auto& c : schema.classes) {
    cls.Reset();
    cls.Bind(1, schemaId);
    cls.Bind(2, c.name);
    cls.Bind(3, NameKey(c.name));
    cls.Bind(4, static_cast<std::int64_t>(c.flags));
    cls.BindBlob(5, ObjectIdContent(c.asn1Id));
    if (int rc = cls.Step(); rc != SQLITE_DONE) return rc;
    std::int64_t classId = sqlite3_last_insert_rowid(db);
    const std::vector<std::string>* lists[] = {&c.superClasses, &c.containmentClasses, &c.namingAttributes,
                                               &c.mandatoryAttributes, &c.optionalAttributes};
    for (std::int64_t kind = 0; kind < 5; ++kind) {
      std::int64_t position = 0;
      for (const auto& name : *lists[kind]) {
        item.Reset();
        item.Bind(1, classId);
        item.Bind(2, kind);
        item.Bind(3, position++);
        item.Bind(4, name);
        if (int rc = item.Step(); rc != SQLITE_DONE) return rc;
      }
    }
  }
  return SQLITE_OK;
}

DirStatus WriteTree(sqlite3* db, const DataTree& tree, std::int64_t schemaId, const SchemaIndex& index,
                    const std::unordered_map<std::string, std::int64_t>& classIds,
                    const std::unordered_map<std::string, std::int64_t>& attrIds, std::int64_t* nextEntryId) {
  Statement put(db, "INSERT INTO trees(name, name_key, schema_id) VALUES(?1, ?2, ?3)");
  if (!put.valid()) return StatusFromSqlite(put.rc());
  put.Bind(1, tree.name);
  put.Bind(2, NameKey(tree.name));
  put.Bind(3, schemaId);
  if (int rc = put.Step(); rc != SQLITE_DONE) return StatusFromSqlite(rc);
  std::int64_t treeId = sqlite3_last_insert_rowid(db);

  Statement login(db, "INSERT INTO logins(tree_id, name, name_key, may_write, position) VALUES(?1, ?2, ?3, ?4, ?5)");
  if (!login.valid()) return StatusFromSqlite(login.rc());
  std::int64_t position = 0;
  for (const auto& l : tree.logins) {
    login.Reset();
    login.Bind(1, treeId);
    login.Bind(2, l.name);
    login.Bind(3, NameKey(l.name));
    login.Bind(4, static_cast<std::int64_t>(l.mayWrite ? 1 : 0));
    login.Bind(5, position++);
    if (int rc = login.Step(); rc != SQLITE_DONE) return StatusFromSqlite(rc);
  }

  // Children per entry, counted before writing so that each row is written once.
  std::unordered_map<std::string, std::size_t> indexByKey;
  std::vector<std::int64_t> childCount(tree.entries.size(), 0);
  std::vector<std::int64_t> parentIndex(tree.entries.size(), -1);
  for (std::size_t i = 0; i < tree.entries.size(); ++i) {
    const auto& name = tree.entries[i].name;
    indexByKey[NameKey(DottedName(name))] = i;
    if (name.size() > 1) {
      auto it = indexByKey.find(NameKey(DottedName(service::EntryName(name.begin() + 1, name.end()))));
      if (it == indexByKey.end()) return kErrNoSuchEntry;
      parentIndex[i] = static_cast<std::int64_t>(it->second);
      ++childCount[it->second];
    }
  }

  Statement entry(db,
                  "INSERT INTO entries(tree_id, parent_id, rdn_type, rdn_value, rdn_key, class_id, flags, container, "
                  "child_count, mtime, id) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
  Statement value(db, "INSERT INTO entry_values(entry_id, attr_id, position, value) VALUES(?1, ?2, ?3, ?4)");
  if (!entry.valid() || !value.valid()) return kErrDirectoryFailure;
  std::vector<std::int64_t> ids(tree.entries.size(), 0);
  std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  std::string encoded;
  for (std::size_t i = 0; i < tree.entries.size(); ++i) {
    const DataEntry& e = tree.entries[i];
    const service::ClassDefinition* def = index.FindClass(e.baseClass);
    if (def == nullptr) return kErrNoSuchClass;
    bool container = (def->flags & kClassContainer) != 0;
    bool alias = false;
    for (const auto& a : e.attributes) alias = alias || (NameKey(a.name) == "aliased object name" && !a.values.empty());
    std::uint32_t flags = (container ? kEntryContainer : 0u) | (alias ? kEntryAlias : 0u);
    entry.Reset();
    entry.Bind(1, treeId);
    entry.Bind(2, parentIndex[i] < 0 ? std::int64_t{0} : ids[static_cast<std::size_t>(parentIndex[i])]);
    entry.Bind(3, e.name[0].type);
    entry.Bind(4, e.name[0].value);
    entry.Bind(5, NameKey(e.name[0].value));
    entry.Bind(6, classIds.at(NameKey(def->name)));
    entry.Bind(7, static_cast<std::int64_t>(flags));
    entry.Bind(8, static_cast<std::int64_t>(container ? 1 : 0));
    entry.Bind(9, childCount[i]);
    entry.Bind(10, now);
    ids[i] = (*nextEntryId)++;
    entry.Bind(11, ids[i]);
    if (int rc = entry.Step(); rc != SQLITE_DONE)
      return (rc & 0xFF) == SQLITE_CONSTRAINT ? kErrEntryAlreadyExists : StatusFromSqlite(rc);
    for (const auto& a : e.attributes) {
      auto attrId = attrIds.find(NameKey(a.name));
      if (attrId == attrIds.end()) return kErrNoSuchAttribute;
      std::int64_t valuePosition = 0;
      for (const auto& v : a.values) {
        if (DirStatus st = service::EncodeValue(a.syntax, v, &encoded)) return st;
        value.Reset();
        value.Bind(1, ids[i]);
        value.Bind(2, attrId->second);
        value.Bind(3, valuePosition++);
        value.BindBlob(4, encoded);
        if (int rc = value.Step(); rc != SQLITE_DONE) return StatusFromSqlite(rc);
      }
    }
  }
  return 0;
}

DirStatus WriteAll(sqlite3* db, const DataSet& data) {
  if (int rc = CreateStoreTables(db); rc != SQLITE_OK) return StatusFromSqlite(rc);
  Statement schemaRow(db, "INSERT INTO schemas(name) VALUES(?1)");
  if (!schemaRow.valid()) return StatusFromSqlite(schemaRow.rc());
  std::unordered_map<std::string, std::int64_t> schemaIds;
  std::int64_t nextEntryId = 1;  // 0 stands for the top of a tree
  for (const auto& s : data.schemas) {
    schemaRow.Reset();
    schemaRow.Bind(1, s.name);
    if (int rc = schemaRow.Step(); rc != SQLITE_DONE) return StatusFromSqlite(rc);
    std::int64_t id = sqlite3_last_insert_rowid(db);
    schemaIds[NameKey(s.name)] = id;
    if (int rc = WriteSchema(db, id, s.schema); rc != SQLITE_OK) return StatusFromSqlite(rc);
  }
  for (const auto& tree : data.trees) {
    auto schemaIt = schemaIds.find(NameKey(tree.schemaName));
    if (schemaIt == schemaIds.end()) return kErrNoSuchClass;
    const DataSchema* schema = nullptr;
    for (const auto& s : data.schemas)
      if (NameKey(s.name) == NameKey(tree.schemaName)) schema = &s;
    SchemaIndex index(schema->schema);
    std::unordered_map<std::string, std::int64_t> classIds, attrIds;
    Statement ids(db,
                  "SELECT id, name_key, 0 FROM classes WHERE schema_id = ?1 "
                  "UNION ALL SELECT id, name_key, 1 FROM attributes WHERE schema_id = ?1");
    if (!ids.valid()) return StatusFromSqlite(ids.rc());
    ids.Bind(1, schemaIt->second);
    while (ids.Step() == SQLITE_ROW) (ids.Int(2) == 0 ? classIds : attrIds)[ids.Text(1)] = ids.Int(0);
    if (DirStatus st = WriteTree(db, tree, schemaIt->second, index, classIds, attrIds, &nextEntryId)) return st;
  }
  return 0;
}

constexpr std::string_view kTemporaryMark = ".tmp-";

std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target) {
  std::random_device random;
  std::string suffix = std::string(kTemporaryMark) + std::to_string(::getpid()) + "-" + std::to_string(random());
  return target.string() + suffix;
}

// Removes what an interrupted creation of target left beside it (a temporary store and its
// journal), once the process that wrote them is gone; one still running may be writing now.
void RemoveLeftovers(const std::filesystem::path& target) {
  const std::string prefix = target.filename().string() + std::string(kTemporaryMark);
  std::error_code ec;
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = item.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    if (end == name.c_str() + prefix.size() || *end != '-' || pid <= 0) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    std::error_code removeError;
    std::filesystem::remove(item.path(), removeError);
  }
}

// Writing past the file size limit fails the write (EFBIG) instead of killing the process,
// so that a failed creation ends in a message; the previous disposition comes back after.
class FileSizeSignalIgnored {
 public:
  FileSizeSignalIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    active_ = ::sigaction(SIGXFSZ, &ignore, &previous_) == 0;
  }
  ~FileSizeSignalIgnored() {
    if (active_) ::sigaction(SIGXFSZ, &previous_, nullptr);
  }
  FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
  FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

 private:
  struct sigaction previous_ {};
  bool active_ = false;
};

// Flushes the finished file to disk before it becomes visible under its name.
DirStatus Flush(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return StatusFromErrno(errno, kErrStoreUnreadable);
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  return synced ? 0 : StatusFromErrno(error, kErrStoreUnreadable);
}

DirStatus FillTemporary(sqlite3* raw, const DataSet& data) {
  int rc = Execute(raw, "PRAGMA journal_mode = DELETE; PRAGMA synchronous = OFF; PRAGMA page_size = 4096;");
  if (rc != SQLITE_OK) return StatusFromSqlite(rc);
  Transaction tx(raw);
  if ((rc = tx.BeginImmediate()) != SQLITE_OK) return StatusFromSqlite(rc);
  if (DirStatus st = WriteAll(raw, data)) return st;
  if ((rc = tx.Commit()) != SQLITE_OK) return StatusFromSqlite(rc);
  if ((rc = Execute(raw, "PRAGMA synchronous = FULL; ANALYZE;")) != SQLITE_OK) return StatusFromSqlite(rc);
  return 0;
}

DirStatus WriteTemporary(const DataSet& data, const std::filesystem::path& path) {
  sqlite3* raw = nullptr;
  int rc =
      sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
  SqliteHandle db(raw);
  if (rc != SQLITE_OK) {
    return raw != nullptr ? StatusFromErrno(sqlite3_system_errno(raw), kErrStoreUnreadable) : kErrStoreUnreadable;
  }
  return WriteFailureOf(FillTemporary(raw, data), raw);
}

DirStatus PlaceStore(const DataSet& data, const std::filesystem::path& storePath) {
  std::error_code ec;
  if (std::filesystem::exists(storePath, ec) || ec) return kErrStoreExists;
  if (storePath.has_parent_path()) std::filesystem::create_directories(storePath.parent_path(), ec);
  RemoveLeftovers(storePath);
  const FileSizeSignalIgnored noSignal;
  TemporaryFile temp(TemporaryPathBeside(storePath));
  if (DirStatus st = WriteTemporary(data, temp.path())) return st;
  if (DirStatus st = Flush(temp.path())) return st;
  // link() never replaces an existing file, unlike rename().
  if (::link(temp.path().c_str(), storePath.c_str()) == 0) return 0;
  if (errno == EEXIST) return kErrStoreExists;
  std::filesystem::rename(temp.path(), storePath, ec);  // file systems without hard links
  return ec ? StatusFromErrno(ec.value(), kErrStoreUnreadable) : 0;
}

}  // namespace

DirStatus WriteStore(const DataSet& data, const std::filesystem::path& storePath) {
  return RecordStoreProblem(PlaceStore(data, storePath), storePath);
}

DirStatus CreateStoreFromData(const std::vector<std::filesystem::path>& dataFiles,
                              const std::filesystem::path& storePath, LoadError* error) {
  DataSet data;
  if (DirStatus st = LoadDataFiles(dataFiles, &data, error)) return st;
  return WriteStore(data, storePath);
}

}  // namespace recast::embedded
