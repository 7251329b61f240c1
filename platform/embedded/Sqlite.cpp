#include "platform/embedded/Sqlite.h"

namespace recast::embedded {

Statement::Statement(sqlite3* db, std::string_view sql) {
  sqlite3_stmt* raw = nullptr;
  rc_ = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
  if (rc_ == SQLITE_OK)
    stmt_.reset(raw);
  else
    sqlite3_finalize(raw);
}

void Statement::Reset() {
  sqlite3_reset(stmt_.get());
  sqlite3_clear_bindings(stmt_.get());
}

void Statement::Bind(int index, std::int64_t value) { sqlite3_bind_int64(stmt_.get(), index, value); }

void Statement::Bind(int index, std::string_view text) {
  sqlite3_bind_text(stmt_.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void Statement::BindBlob(int index, std::string_view bytes) {
  // A zero-length blob must still bind as a blob, not as NULL.
  static const char kEmpty = 0;
  sqlite3_bind_blob(stmt_.get(), index, bytes.empty() ? &kEmpty : bytes.data(), static_cast<int>(bytes.size()),
                    SQLITE_TRANSIENT);
}

void Statement::BindNull(int index) { sqlite3_bind_null(stmt_.get(), index); }

int Statement::Step() { return sqlite3_step(stmt_.get()); }

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_.get(), column); }

std::string Statement::Text(int column) const {
  const unsigned char* text = sqlite3_column_text(stmt_.get(), column);
  int size = sqlite3_column_bytes(stmt_.get(), column);
  return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
}

std::string_view Statement::Blob(int column) const {
  const void* data = sqlite3_column_blob(stmt_.get(), column);
  int size = sqlite3_column_bytes(stmt_.get(), column);
  return data ? std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size)) : std::string_view();
}

bool Statement::IsNull(int column) const { return sqlite3_column_type(stmt_.get(), column) == SQLITE_NULL; }

int Execute(sqlite3* db, std::string_view sql) {
  std::string text(sql);
  return sqlite3_exec(db, text.c_str(), nullptr, nullptr, nullptr);
}

Transaction::~Transaction() {
  if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

int Transaction::BeginImmediate() {
  int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  open_ = rc == SQLITE_OK;
  return rc;
}

int Transaction::Commit() {
  int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) open_ = false;
  return rc;
}

}  // namespace recast::embedded
