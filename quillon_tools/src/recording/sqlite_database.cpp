#include "quillon_tools/recording/sqlite_database.hpp"

#include <sqlite3.h>

#include <string>
#include <vector>

#include "quillon_tools/recording/bag_error.hpp"

namespace quillon_tools
{
namespace
{

// What the user should learn from the code; SQLite's own text follows in parentheses.
std::string problemOf(int code)
{
  if (code == SQLITE_READONLY_ROLLBACK) {
    return "holds a commit its writer did not finish (the '-journal' file beside it), which only "
           "a writable open rolls back: run `quillon_bag_reindex` on its bag folder";
  }
  switch (code & 0xff) {
    case SQLITE_NOTADB:
      return "is not an SQLite database";
    case SQLITE_CORRUPT:
      return "is truncated or corrupt";
    case SQLITE_CANTOPEN:
      return "cannot be opened";
    case SQLITE_IOERR:
      return "cannot be read or written";
    case SQLITE_FULL:
      return "cannot grow: the disk is full";
    case SQLITE_READONLY:
      return "is read-only";
    default:
      return "failed";
  }
}

}  // namespace

SqliteDatabase::SqliteDatabase(const std::string & path, Mode mode) : path_(path)
{
  const int flags = mode == Mode::kReadOnly    ? SQLITE_OPEN_READONLY
                    : mode == Mode::kReadWrite ? SQLITE_OPEN_READWRITE
                                               : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  const int code = sqlite3_open_v2(path.c_str(), &handle_, flags, nullptr);
  if (code != SQLITE_OK) {
    // The handle exists even on failure and holds the message; fail() needs it, then it goes.
    try {
      fail(code, "opening it");
    } catch (...) {
      sqlite3_close(handle_);
      handle_ = nullptr;
      throw;
    }
  }
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close(handle_); }

void SqliteDatabase::fail(int code, const std::string & doing) const
{
  // The extended code tells a file with an unfinished commit apart from a read-only one.
  int detailed_code = code;
  if (handle_ != nullptr && (sqlite3_extended_errcode(handle_) & 0xff) == (code & 0xff)) {
    detailed_code = sqlite3_extended_errcode(handle_);
  }
  const char * detail = handle_ != nullptr ? sqlite3_errmsg(handle_) : sqlite3_errstr(code);
  throw BagError(
    "bag file '" + path_ + "' " + problemOf(detailed_code) + " (SQLite: " + detail + ", while " +
    doing + ")");
}

void SqliteDatabase::execute(const std::string & sql)
{
  const int code = sqlite3_exec(handle_, sql.c_str(), nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) {
    fail(code, "running '" + sql + "'");
  }
}

bool SqliteDatabase::hasTable(const std::string & table) const
{
  SqliteStatement query(*this, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?;");
  query.bind(1, table);
  return query.step() && query.integer(0) > 0;
}

std::vector<std::string> SqliteDatabase::columnsOf(const std::string & table) const
{
  // PRAGMA table_info takes no parameters; the name is quoted as an SQL identifier.
  std::string quoted = "\"";
  for (char c : table) {
    quoted += c;
    if (c == '"') {
      quoted += c;
    }
  }
  SqliteStatement query(*this, "PRAGMA table_info(" + quoted + "\");");
  std::vector<std::string> columns;
  while (query.step()) {
    columns.push_back(query.text(1));
  }
  return columns;
}

bool SqliteDatabase::inTransaction() const { return sqlite3_get_autocommit(handle_) == 0; }

SqliteStatement::SqliteStatement(const SqliteDatabase & database, const std::string & sql)
: database_(database), sql_(sql)
{
  const int code = sqlite3_prepare_v2(
    database_.handle(), sql.c_str(), static_cast<int>(sql.size() + 1), &statement_, nullptr);
  if (code != SQLITE_OK) {
    sqlite3_finalize(statement_);
    statement_ = nullptr;
    database_.fail(code, "preparing '" + sql_ + "'");
  }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

void SqliteStatement::bind(int index, int64_t value)
{
  const int code = sqlite3_bind_int64(statement_, index, value);
  if (code != SQLITE_OK) {
    database_.fail(code, "binding parameter " + std::to_string(index) + " of '" + sql_ + "'");
  }
}

void SqliteStatement::bind(int index, const std::string & text)
{
  const int code = sqlite3_bind_text(
    statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  if (code != SQLITE_OK) {
    database_.fail(code, "binding parameter " + std::to_string(index) + " of '" + sql_ + "'");
  }
}

void SqliteStatement::bindBlob(int index, const uint8_t * data, size_t size)
{
  // SQLITE_STATIC: the caller's bytes stay valid until step(), which copies them into the page.
  // A null pointer would bind NULL rather than an empty blob.
  static const uint8_t kNoBytes = 0;
  const int code =
    sqlite3_bind_blob64(statement_, index, data != nullptr ? data : &kNoBytes, size, SQLITE_STATIC);
  if (code != SQLITE_OK) {
    database_.fail(code, "binding parameter " + std::to_string(index) + " of '" + sql_ + "'");
  }
}

bool SqliteStatement::step()
{
  const int code = sqlite3_step(statement_);
  if (code == SQLITE_ROW) {
    return true;
  }
  if (code == SQLITE_DONE) {
    return false;
  }
  database_.fail(code, "running '" + sql_ + "'");
}

void SqliteStatement::reset()
{
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
}

int64_t SqliteStatement::integer(int column) const
{
  return sqlite3_column_int64(statement_, column);
}

std::string SqliteStatement::text(int column) const
{
  const auto * chars = sqlite3_column_text(statement_, column);
  if (chars == nullptr) {
    return std::string();
  }
  return std::string(
    reinterpret_cast<const char *>(chars),
    static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

void SqliteStatement::blob(int column, std::vector<uint8_t> & out) const
{
  const auto * bytes = static_cast<const uint8_t *>(sqlite3_column_blob(statement_, column));
  const auto size = static_cast<size_t>(sqlite3_column_bytes(statement_, column));
  if (bytes == nullptr) {
    out.clear();
    return;
  }
  out.assign(bytes, bytes + size);
}

bool SqliteStatement::isNull(int column) const
{
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

}  // namespace quillon_tools
