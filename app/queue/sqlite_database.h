// The few pieces of the sqlite3 C library the queue store uses, as owning
// objects: a connection, a prepared statement, a transaction. SQLite's result
// codes become ESqliteError here, with SQLite's own words for them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/exception.h"

struct sqlite3;
struct sqlite3_stmt;

class ESqliteError : public Exception {
public:
  ESqliteError(int code, std::string message) : Exception(std::move(message)), Code(code) {}
  int Code;  // the primary result code
};

class TSqliteDatabase {
public:
  // Opens or creates the file; nothing is read from it yet.
  explicit TSqliteDatabase(const std::string& path);
  ~TSqliteDatabase();
  TSqliteDatabase(const TSqliteDatabase&) = delete;
  TSqliteDatabase& operator=(const TSqliteDatabase&) = delete;

  // Runs statements that give no rows.
  void Execute(const std::string& sql);
  int64_t LastInsertId() const;
  sqlite3* Handle() const { return db_; }

private:
  sqlite3* db_ = nullptr;
};

class TSqliteStatement {
public:
  TSqliteStatement(TSqliteDatabase& database, const char* sql);
  ~TSqliteStatement();
  TSqliteStatement(const TSqliteStatement&) = delete;
  TSqliteStatement& operator=(const TSqliteStatement&) = delete;

  // Parameters count from 1, columns from 0.
  TSqliteStatement& Bind(int index, int64_t value);
  TSqliteStatement& Bind(int index, const std::string& value);
  // True while a row is there to read.
  bool Step();
  // Ready to run again with new parameters.
  void Reset();
  int64_t Int(int column) const;
  std::string Text(int column) const;

private:
  TSqliteDatabase& database_;
  sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE at once; rolled back unless committed.
class TSqliteTransaction {
public:
  explicit TSqliteTransaction(TSqliteDatabase& database);
  ~TSqliteTransaction();
  TSqliteTransaction(const TSqliteTransaction&) = delete;
  TSqliteTransaction& operator=(const TSqliteTransaction&) = delete;
  void Commit();

private:
  TSqliteDatabase& database_;
  bool done_ = false;
};
