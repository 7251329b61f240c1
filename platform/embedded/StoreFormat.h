#pragma once
// The embedded directory's store file: its tables, its header and how it is opened.
//
// A store is one SQLite file in rollback-journal mode. Rollback journal rather than WAL:
// opening never writes to the file (switching to WAL rewrites the header, and WAL needs
// -wal/-shm files beside it), so a store we refuse stays byte for byte as it was; the write
// traffic (one administrator's changes) is far too small for WAL's concurrency to matter.
// Two programs share a store through SQLite's file locks and a busy timeout.

#include <filesystem>
#include <string>

#include "directory/DirectoryClient.h"
#include "platform/embedded/Sqlite.h"

namespace recast::embedded {

// Why a store could not be opened (kErrStoreMissing, kErrStoreUnreadable, kErrStoreForeign,
// kErrStoreVersion, kErrStoreCorrupt, kErrStoreNoSuchTree) or written (kErrStoreNotWritable,
// kErrStoreDiskFull): directory/Statuses.h. Every one leaves the file untouched.

inline constexpr const char* kStoreMagic = "recast-object directory store";
inline constexpr int kStoreFormatVersion = 1;
inline constexpr int kBusyTimeoutMs = 5000;

// Creates the tables and the header in an empty database.
int CreateStoreTables(sqlite3* db);

// Opens an existing store for reading and writing after checking that it is one of ours and
// undamaged as far as its header tells. *db unchanged on failure.
DirStatus OpenStore(const std::filesystem::path& path, SqliteHandle* db);

// Maps an SQLite code met while working on an open store to a directory status.
DirStatus StatusFromSqlite(int rc);

// The status of a file operation that failed with errno error: kErrStoreDiskFull for a full
// disk, quota or file size limit, kErrStoreNotWritable for missing rights or a read-only
// file system, otherwise.
DirStatus StatusFromErrno(int error, DirStatus otherwise);

// status, except that kErrDirectoryFailure (an I/O error) becomes the status that db's last
// system error tells, when that is one of StatusFromErrno's, or kErrStoreDiskFull when no
// error is known and the process has a file size limit.
DirStatus WriteFailureOf(DirStatus status, sqlite3* db);

// Returns status unchanged; for kErrStoreNotWritable and kErrStoreDiskFull it first records
// in the error-text library a message that names the store's path and what to do, so that
// the status text the user sees says which file is meant.
DirStatus RecordStoreProblem(DirStatus status, const std::filesystem::path& path);

}  // namespace recast::embedded
