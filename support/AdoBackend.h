#pragma once

// The database layer's engines behind CCxAdo: native SQLite and unixODBC.
// Engine calls report failures by throwing CCxEngineError; CCxAdo catches
// them, one handler per operation, and turns them into its messages.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "CxValue.h"

struct CCxEngineError
{
    std::string errorText;   // the engine's text for the error code (SQLite's error string, SQLSTATE)
    std::string description; // the engine's detailed message
};

struct CCxColumn
{
    std::string name;       // label in the result
    std::string baseSchema; // where the column comes from, when the engine knows
    std::string baseTable;
    std::string baseColumn;
    // The value type the column's declared SQL type maps to; CxTypeEmpty
    // where the engine types each value on its own (SQLite).
    CxValueType declaredType = CxTypeEmpty;
    int scale = -1; // decimals of a decimal column, -1 when not known
};

// A whole result, read at once (a client-side record set).
struct CCxResult
{
    std::vector<CCxColumn> columns;
    std::vector<std::vector<CCxValue>> rows;
    bool updatable = true; // schema rowsets are not
};

// What SetFieldDouble writes: one column of one table, the row picked by
// equality of the match columns (a null as IS NULL).
struct CCxRowUpdate
{
    std::string schema;
    std::string table;
    std::string column;
    std::vector<std::pair<std::string, CCxValue>> match;
};

// A forward-only result read block by block: only the rows handed out by
// Fetch are held, never the whole result.
class CCxCursor
{
public:
    virtual ~CCxCursor() = default;
    // Replaces rows with the next max rows or fewer, in the storage of the
    // rows it holds; false once the result has no more rows.
    virtual bool Fetch(std::vector<std::vector<CCxValue>>& rows, std::size_t max) = 0;
    std::vector<CCxColumn> columns;
};

// A parameterised statement ("?" markers), prepared once, run many times.
class CCxPrepared
{
public:
    virtual ~CCxPrepared() = default;
    // Runs the statement once per row of parameters. With perRow, changed
    // receives each run's count of changed rows; without, the engine may send
    // the rows as one parameter array and changed holds the total only.
    virtual void Run(const std::vector<std::vector<CCxValue>>& parameters, bool perRow,
                     std::vector<long long>& changed) = 0;
};

class CCxAdoBackend
{
public:
    virtual ~CCxAdoBackend() = default;
    virtual void Execute(const std::string& sql) = 0;
    virtual CCxResult Query(const std::string& sql) = 0;
    virtual CCxResult Schema(int kind) = 0;
    // Primary key columns of a table in key order; empty when it has none.
    virtual std::vector<std::string> PrimaryKey(const std::string& schema, const std::string& table) = 0;
    // Writes value in one transaction; refuses (throws, nothing written)
    // unless exactly one row matches.
    virtual void UpdateOne(const CCxRowUpdate& update, double value) = 0;
    virtual void Close() = 0;

    // Explicit transactions: statements between Begin and Commit or Rollback
    // are one unit. Outside them every statement commits on its own.
    virtual void Begin() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual std::unique_ptr<CCxCursor> OpenCursor(const std::string& sql, std::size_t blockRows) = 0;
    // The rows of select (a query of one table, no WHERE or ORDER BY) in the
    // order of its key: keys are SQL expressions that together name one row
    // and are never NULL, keyFields their positions in the result. Engines
    // whose open cursors lock the data (SQLite) read each block with a
    // statement of its own, from the key of the last row read, and hold no
    // lock between blocks; others read as OpenCursor does.
    virtual std::unique_ptr<CCxCursor> OpenKeyedCursor(const std::string& select, const std::vector<std::string>& keys,
                                                       const std::vector<int>& keyFields, std::size_t blockRows)
    {
        (void)keys;
        (void)keyFields;
        return OpenCursor(select, blockRows);
    }
    virtual std::unique_ptr<CCxPrepared> Prepare(const std::string& sql) = 0;
    // Whether "UPDATE t SET ... FROM (VALUES (...), ...) AS v(...) WHERE ..."
    // writes many rows in one statement (PostgreSQL): one round trip for a
    // block where an array of parameters costs one per row.
    virtual bool UpdatesFromValues() const { return false; }
    // Whether the engine runs in this process (SQLite): its connection cannot
    // be lost half-way through a transaction, and SAVEPOINT, ROLLBACK TO
    // SAVEPOINT and RELEASE SAVEPOINT work inside one.
    virtual bool IsEmbedded() const { return false; }
    // A column that names each row of the table and is no column of its own
    // (SQLite's rowid), or "" when the engine has none.
    virtual std::string RowIdentifier(const std::string& schema, const std::string& table) = 0;
};

// busyMilliseconds: how long a statement waits for a lock another
// connection holds before it fails.
std::unique_ptr<CCxAdoBackend> OpenSqliteBackend(const std::string& path, bool create, int busyMilliseconds = 10000);
std::unique_ptr<CCxAdoBackend> OpenOdbcBackend(const std::string& connectionString);
// Name of an installed ODBC driver for Access files, or "".
std::string FindAccessOdbcDriver();

// Helpers shared by the backends.
std::string QuoteIdentifier(const std::string& name, char quote = '"');
std::string BuildUpdateStatement(const CCxRowUpdate& update, char quote = '"');
// The single table of "SELECT ... FROM [schema.]table [WHERE ...|ORDER BY ...]"
// (for engines that do not report where a column comes from); false when the
// query reads anything else.
bool SingleSourceTable(const std::string& sql, std::string& schema, std::string& table);
