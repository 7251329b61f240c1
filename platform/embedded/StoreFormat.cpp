#include "platform/embedded/StoreFormat.h"

#include <sys/resource.h>

#include <array>
#include <cerrno>
#include <fstream>
#include <system_error>

#include "platform/errtext/ErrorTextLibrary.h"
#include "util/Format.h"

namespace recast::embedded {
namespace {

// trees point at a schema; every tree of the demo shares one. Names of entries are kept with
// an ASCII-lower-cased key so that lookups and the listing order ignore letter case. Entries
// are clustered by (tree, parent, key): a listing page is one range scan of the table and a
// name part one probe.
constexpr const char* kTablesSql = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE schemas(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE classes(
  id INTEGER PRIMARY KEY, schema_id INTEGER NOT NULL, name TEXT NOT NULL, name_key TEXT NOT NULL,
  flags INTEGER NOT NULL, oid BLOB NOT NULL, UNIQUE(schema_id, name_key));
CREATE TABLE class_items(
  class_id INTEGER NOT NULL, kind INTEGER NOT NULL, position INTEGER NOT NULL, item TEXT NOT NULL,
  PRIMARY KEY(class_id, kind, position)) WITHOUT ROWID;
CREATE TABLE attributes(
  id INTEGER PRIMARY KEY, schema_id INTEGER NOT NULL, name TEXT NOT NULL, name_key TEXT NOT NULL,
  flags INTEGER NOT NULL, syntax INTEGER NOT NULL, lower_bound INTEGER NOT NULL,
  upper_bound INTEGER NOT NULL, oid BLOB NOT NULL, UNIQUE(schema_id, name_key));
CREATE TABLE trees(id INTEGER PRIMARY KEY, name TEXT NOT NULL, name_key TEXT NOT NULL UNIQUE,
  schema_id INTEGER NOT NULL);
CREATE TABLE logins(tree_id INTEGER NOT NULL, name TEXT NOT NULL, name_key TEXT NOT NULL,
  may_write INTEGER NOT NULL, position INTEGER NOT NULL, PRIMARY KEY(tree_id, name_key)) WITHOUT ROWID;
CREATE TABLE entries(
  tree_id INTEGER NOT NULL, parent_id INTEGER NOT NULL, rdn_key TEXT NOT NULL,
  id INTEGER NOT NULL UNIQUE, rdn_type TEXT NOT NULL, rdn_value TEXT NOT NULL,
  class_id INTEGER NOT NULL, flags INTEGER NOT NULL, container INTEGER NOT NULL,
  child_count INTEGER NOT NULL, mtime INTEGER NOT NULL,
  PRIMARY KEY(tree_id, parent_id, rdn_key)) WITHOUT ROWID;
CREATE INDEX containers_by_parent ON entries(tree_id, parent_id, rdn_key) WHERE container = 1;
CREATE TABLE entry_values(
  entry_id INTEGER NOT NULL, attr_id INTEGER NOT NULL, position INTEGER NOT NULL, value BLOB NOT NULL,
  PRIMARY KEY(entry_id, attr_id, position)) WITHOUT ROWID;
)sql";

std::uint32_t BigEndian(const std::array<unsigned char, 100>& h, std::size_t at, std::size_t width) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < width; ++i) v = (v << 8) | h[at + i];
  return v;
}

// Checks the database file header ourselves: SQLite treats the missing pages of a truncated
// file as empty rather than failing. The size check is only meaningful under a read lock
// (another program may be in the middle of a commit), so it is asked for separately.
DirStatus CheckFileHeader(const std::filesystem::path& path, bool checkSize) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return ec ? kErrStoreUnreadable : kErrStoreMissing;
  if (!std::filesystem::is_regular_file(path, ec)) return kErrStoreUnreadable;
  std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return kErrStoreUnreadable;
  std::ifstream in(path, std::ios::binary);
  if (!in) return kErrStoreUnreadable;
  std::array<unsigned char, 100> h{};
  in.read(reinterpret_cast<char*>(h.data()), static_cast<std::streamsize>(h.size()));
  std::size_t got = static_cast<std::size_t>(in.gcount());
  static constexpr char kSqliteMagic[] = "SQLite format 3";
  if (got < 16 || std::string_view(reinterpret_cast<const char*>(h.data()), 16) != std::string_view(kSqliteMagic, 16))
    return got == 0 ? kErrStoreCorrupt : kErrStoreForeign;
  if (got < h.size()) return kErrStoreCorrupt;
  if (!checkSize) return 0;
  std::uint32_t pageSize = BigEndian(h, 16, 2);
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) return kErrStoreCorrupt;
  // The page count in the header is trustworthy only when its version stamp matches.
  std::uint32_t changeCounter = BigEndian(h, 24, 4);
  std::uint32_t validFor = BigEndian(h, 92, 4);
  std::uint32_t pages = BigEndian(h, 28, 4);
  if (size % pageSize != 0) return kErrStoreCorrupt;
  if (validFor == changeCounter && pages != 0 && size < static_cast<std::uintmax_t>(pages) * pageSize)
    return kErrStoreCorrupt;
  return 0;
}

}  // namespace

int CreateStoreTables(sqlite3* db) {
  int rc = Execute(db, kTablesSql);
  if (rc != SQLITE_OK) return rc;
  Statement put(db, "INSERT INTO meta(key, value) VALUES(?1, ?2)");
  if (!put.valid()) return put.rc();
  put.Bind(1, std::string_view("magic"));
  put.Bind(2, std::string_view(kStoreMagic));
  if ((rc = put.Step()) != SQLITE_DONE) return rc;
  put.Reset();
  put.Bind(1, std::string_view("format_version"));
  put.Bind(2, std::to_string(kStoreFormatVersion));
  if ((rc = put.Step()) != SQLITE_DONE) return rc;
  return SQLITE_OK;
}

DirStatus StatusFromSqlite(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return 0;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return kErrStoreCorrupt;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return kErrStoreUnreadable;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kErrServerUnavailable;
    case SQLITE_READONLY:
      return kErrStoreNotWritable;  // the file, or its folder for the journal
    case SQLITE_FULL:
      return kErrStoreDiskFull;
    default:
      return kErrDirectoryFailure;
  }
}

DirStatus StatusFromErrno(int error, DirStatus otherwise) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kErrStoreDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrStoreNotWritable;
    default:
      return otherwise;
  }
}

DirStatus WriteFailureOf(DirStatus status, sqlite3* db) {
  if (status != kErrDirectoryFailure || db == nullptr) return status;
  if (const int error = sqlite3_system_errno(db); error != 0) return StatusFromErrno(error, status);
  // A write cut short by the file size limit leaves no errno behind; under a limit that is the
  // likely cause of a failed write.
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) return kErrStoreDiskFull;
  return status;
}

DirStatus RecordStoreProblem(DirStatus status, const std::filesystem::path& path) {
  std::string text;
  if (status == kErrStoreNotWritable) {
    text = Format("The directory file %s cannot be written: give the user write access to it and to its folder",
                  {path.string()});
  } else if (status == kErrStoreDiskFull) {
    text = Format(
        "The directory file %s cannot grow: its disk is full or the file size limit is reached. Free "
        "some space and try again",
        {path.string()});
  }
  if (!text.empty()) RecastErrtextRecordDiagnostic(status, text.c_str());
  return status;
}

DirStatus OpenStore(const std::filesystem::path& path, SqliteHandle* db) {
  if (db == nullptr) return kErrBadArgument;
  if (DirStatus st = CheckFileHeader(path, false)) return st;
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  SqliteHandle handle(raw);
  if (rc != SQLITE_OK) return rc == SQLITE_CANTOPEN || rc == SQLITE_PERM ? kErrStoreUnreadable : StatusFromSqlite(rc);
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  sqlite3_extended_result_codes(raw, 1);

  // Is it ours? A database without our meta table is someone else's.
  Statement tables(raw, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'meta'");
  if (!tables.valid()) return tables.rc() == SQLITE_ERROR ? kErrStoreForeign : StatusFromSqlite(tables.rc());
  rc = tables.Step();
  if (rc != SQLITE_ROW) return StatusFromSqlite(rc);
  if (tables.Int(0) == 0) return kErrStoreForeign;

  Statement meta(raw, "SELECT value FROM meta WHERE key = ?1");
  if (!meta.valid()) return kErrStoreForeign;
  meta.Bind(1, std::string_view("magic"));
  rc = meta.Step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? kErrStoreForeign : StatusFromSqlite(rc);
  if (meta.Text(0) != kStoreMagic) return kErrStoreForeign;
  meta.Reset();
  meta.Bind(1, std::string_view("format_version"));
  rc = meta.Step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? kErrStoreForeign : StatusFromSqlite(rc);
  if (meta.Text(0) != std::to_string(kStoreFormatVersion)) return kErrStoreVersion;
  meta.Reset();
  // The size check runs under a read lock, so that another program's commit is never seen
  // half written.
  if (Execute(raw, "BEGIN") != SQLITE_OK) return kErrDirectoryFailure;
  Statement probe(raw, "SELECT count(*) FROM meta");
  rc = probe.valid() ? probe.Step() : probe.rc();
  DirStatus sizeStatus = rc == SQLITE_ROW ? CheckFileHeader(path, true) : StatusFromSqlite(rc);
  probe = Statement();
  Execute(raw, "COMMIT");
  if (sizeStatus != 0) return sizeStatus;

  Execute(raw, "PRAGMA synchronous = FULL; PRAGMA foreign_keys = OFF;");
  *db = std::move(handle);
  return 0;
}

}  // namespace recast::embedded
