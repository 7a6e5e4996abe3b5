// Rows of a query as text (blobs as hex), read with plain SQLite: how the bag tests look into
// .db3 files without going through the code they test.
#ifndef SQLITE_ROWS_HPP_
#define SQLITE_ROWS_HPP_

#include <sqlite3.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace bag_test
{

using Rows = std::vector<std::vector<std::string>>;

inline std::string cellText(sqlite3_stmt * statement, int column)
{
  if (sqlite3_column_type(statement, column) == SQLITE_BLOB) {
    const auto * bytes = static_cast<const unsigned char *>(sqlite3_column_blob(statement, column));
    std::string hex;
    char digits[3];
    for (int i = 0; i < sqlite3_column_bytes(statement, column); ++i) {
      std::snprintf(digits, sizeof(digits), "%02x", bytes[i]);
      hex += digits;
    }
    return hex;
  }
  const auto * text = sqlite3_column_text(statement, column);
  return text == nullptr ? "NULL" : reinterpret_cast<const char *>(text);
}

inline Rows queryRows(const std::string & file, const std::string & sql)
{
  sqlite3 * db = nullptr;
  sqlite3_stmt * statement = nullptr;
  Rows rows;
  if (
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    const std::string error = sqlite3_errmsg(db);
    sqlite3_close(db);
    throw std::runtime_error(file + ": " + error);
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
    rows.emplace_back();
    for (int column = 0; column < sqlite3_column_count(statement); ++column) {
      rows.back().push_back(cellText(statement, column));
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

// Runs statements (no rows) on a database, creating it if needed.
inline void executeSql(const std::string & file, const std::string & sql)
{
  sqlite3 * db = nullptr;
  char * error = nullptr;
  sqlite3_open(file.c_str(), &db);
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error != nullptr ? error : "unknown error";
    sqlite3_free(error);
    sqlite3_close(db);
    throw std::runtime_error(file + ": " + message);
  }
  sqlite3_close(db);
}

}  // namespace bag_test

#endif  // SQLITE_ROWS_HPP_
