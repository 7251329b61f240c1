#pragma once
// A thin RAII layer over the SQLite C API: a connection and its prepared statements.
// Errors are SQLite result codes; callers turn them into directory statuses.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace recast::embedded {

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

// One prepared statement. Reset before each use with Reset(); binds are 1-based.
class Statement {
 public:
  Statement() = default;
  // Leaves the statement empty (valid() false) when preparing fails; the code is in rc().
  Statement(sqlite3* db, std::string_view sql);

  bool valid() const { return stmt_ != nullptr; }
  int rc() const { return rc_; }

  void Reset();
  void Bind(int index, std::int64_t value);
  void Bind(int index, std::string_view text);
  void BindBlob(int index, std::string_view bytes);
  void BindNull(int index);

  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step();
  std::int64_t Int(int column) const;
  std::string Text(int column) const;
  std::string_view Blob(int column) const;  // valid until the next Step or Reset
  bool IsNull(int column) const;

 private:
  std::unique_ptr<sqlite3_stmt, StatementFinalizer> stmt_;
  int rc_ = SQLITE_OK;
};

// Runs SQL without results (several statements allowed). Returns the SQLite code.
int Execute(sqlite3* db, std::string_view sql);

// A transaction that rolls back unless committed. Begin with BEGIN IMMEDIATE so that a
// read-modify-write holds the write lock from its first read.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) {}
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  int BeginImmediate();
  int Commit();

 private:
  sqlite3* db_;
  bool open_ = false;
};

}  // namespace recast::embedded
