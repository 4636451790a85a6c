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
};

std::unique_ptr<CCxAdoBackend> OpenSqliteBackend(const std::string& path, bool create);
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
