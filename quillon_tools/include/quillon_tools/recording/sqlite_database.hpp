// A thin owner of one SQLite database file and its prepared statements: every SQLite failure
// becomes a BagError that names the file and says in words what is wrong with it.
#ifndef QUILLON_TOOLS__RECORDING__SQLITE_DATABASE_HPP_
#define QUILLON_TOOLS__RECORDING__SQLITE_DATABASE_HPP_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace quillon_tools
{

class SqliteDatabase;

class SqliteStatement
{
public:
  SqliteStatement(const SqliteDatabase & database, const std::string & sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement &) = delete;
  SqliteStatement & operator=(const SqliteStatement &) = delete;

  // Parameters count from 1, as in SQL.
  void bind(int index, int64_t value);
  void bind(int index, const std::string & text);
  void bindBlob(int index, const uint8_t * data, size_t size);

  // True while a row is available; false once the statement is done.
  bool step();
  void reset();

  // Columns count from 0.
  int64_t integer(int column) const;
  std::string text(int column) const;
  void blob(int column, std::vector<uint8_t> & out) const;
  bool isNull(int column) const;

private:
  const SqliteDatabase & database_;
  std::string sql_;
  sqlite3_stmt * statement_ = nullptr;
};

class SqliteDatabase
{
public:
  enum class Mode
  {
    kReadOnly,
    // An existing file, for writing if its permissions allow: SQLite then rolls back a commit
    // that a killed writer left unfinished (its "-journal" file) before the first read.
    kReadWrite,
    kCreate
  };

  SqliteDatabase(const std::string & path, Mode mode);
  ~SqliteDatabase();
  SqliteDatabase(const SqliteDatabase &) = delete;
  SqliteDatabase & operator=(const SqliteDatabase &) = delete;

  // Runs statements that return no rows.
  void execute(const std::string & sql);
  bool hasTable(const std::string & table) const;
  std::vector<std::string> columnsOf(const std::string & table) const;
  // True between BEGIN and the COMMIT or ROLLBACK that ends it; false also once SQLite has
  // rolled a transaction back by itself after a failed write.
  bool inTransaction() const;

  const std::string & path() const { return path_; }
  sqlite3 * handle() const { return handle_; }
  [[noreturn]] void fail(int code, const std::string & doing) const;

private:
  std::string path_;
  sqlite3 * handle_ = nullptr;
};

}  // namespace quillon_tools

#endif  // QUILLON_TOOLS__RECORDING__SQLITE_DATABASE_HPP_
