#include "app/queue/sqlite_database.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3* db, int code) {
  throw ESqliteError(code & 0xFF, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

void check(sqlite3* db, int code) {
  if (code != SQLITE_OK) fail(db, code);
}

}  // namespace

TSqliteDatabase::TSqliteDatabase(const std::string& path) {
  const int code =
      sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, nullptr);
  if (code != SQLITE_OK) {
    const ESqliteError error(code & 0xFF, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
    sqlite3_close(db_);
    throw error;
  }
  sqlite3_extended_result_codes(db_, 1);
}

TSqliteDatabase::~TSqliteDatabase() { sqlite3_close(db_); }

void TSqliteDatabase::Execute(const std::string& sql) {
  check(db_, sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr));
}

int64_t TSqliteDatabase::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

TSqliteStatement::TSqliteStatement(TSqliteDatabase& database, const char* sql) : database_(database) {
  check(database_.Handle(), sqlite3_prepare_v2(database_.Handle(), sql, -1, &statement_, nullptr));
}

TSqliteStatement::~TSqliteStatement() { sqlite3_finalize(statement_); }

TSqliteStatement& TSqliteStatement::Bind(int index, int64_t value) {
  check(database_.Handle(), sqlite3_bind_int64(statement_, index, value));
  return *this;
}

TSqliteStatement& TSqliteStatement::Bind(int index, const std::string& value) {
  check(database_.Handle(),
        sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT));
  return *this;
}

bool TSqliteStatement::Step() {
  const int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  fail(database_.Handle(), code);
}

void TSqliteStatement::Reset() {
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

int64_t TSqliteStatement::Int(int column) const { return sqlite3_column_int64(statement_, column); }

std::string TSqliteStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
  return text ? std::string(text, sqlite3_column_bytes(statement_, column)) : std::string();
}

TSqliteTransaction::TSqliteTransaction(TSqliteDatabase& database) : database_(database) {
  database_.Execute("BEGIN IMMEDIATE");
}

TSqliteTransaction::~TSqliteTransaction() {
  if (!done_) sqlite3_exec(database_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void TSqliteTransaction::Commit() {
  database_.Execute("COMMIT");
  done_ = true;
}
