#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "CxBase.h"
#include "CxString.h"
#include "CxValue.h"

// Schema rowsets for OpenSchema, by their engine numbers.
enum CxSchemaKind
{
    SchemaColumns = 4, // "TABLE_NAME", "COLUMN_NAME" (and "ORDINAL_POSITION")
    SchemaTables = 20, // "TABLE_NAME", "TABLE_TYPE": "TABLE", "VIEW" or "SYSTEM TABLE"
};

class CCxAdoBackend;
class CCxCursor;
class CCxPrepared;
struct CCxResult;

// The one gateway to a database. One object per task and thread:
//   Initialize, Connect(connection string), Execute or OpenRecordset and its
//   rows, CloseRecordset, Disconnect, Shutdown.
// The connection string picks the backend:
//   "Provider=SQLite;Data Source=PATH;"                 native SQLite file
//   "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH;" native when PATH is a
//       SQLite file, else an installed ODBC driver for Access files, else a
//       clear failure
//   anything else                                        unixODBC SQLDriverConnect
// Nothing throws; failures are results plus a text in LastMessage, and
// errors raised by the database engine are also written to the exceptions log.
class CCxAdo : public CCxBase
{
public:
    CCxAdo();
    ~CCxAdo() override;
    CCxAdo(const CCxAdo&) = delete;
    CCxAdo& operator=(const CCxAdo&) = delete;

    // Text of the last message any operation produced (success texts too).
    CCxString LastMessage;

    int Initialize();                 // 0 / -1
    void Shutdown();
    int Connect(const char* connectionString); // 0 / -1
    void Disconnect();
    int Execute(const char* sql);     // 0 / -1
    // Reads the whole result: 1 positioned on the first row, 0 open but
    // empty, -1 failure.
    int OpenRecordset(const char* sql);
    int OpenSchema(int kind);         // CxSchemaKind; 1 / 0 / -1 as above
    int GetRecordCount(int& count);   // 0 / -1
    int GetRecordCount(long& count);
    int MoveNext();                   // 1 on a row, 0 past the last row, -1 failure
    void CloseRecordset();

    // The field of the current row; the absent marker on failure.
    CCxValue GetFieldValue(const char* field);
    int GetFieldString(const char* field, CCxString& value); // 1 / 0
    int GetFieldString(const char* field, std::string& value);
    int GetFieldLong(const char* field, int& value);          // 1 / 0
    int GetFieldLong(const char* field, long& value);
    int GetFieldDouble(const char* field, double& value);     // 1 / 0
    // Writes the field of the current row and saves the row at once. The row
    // is found by its table's primary key, else by its original values; an
    // update that would touch no row or several rows is refused and writes
    // nothing. 1 / 0.
    int SetFieldDouble(const char* field, double value);

    // Transactions: the statements and prepared runs between BeginTrans and
    // CommitTrans or RollbackTrans are saved together or not at all. A failed
    // commit leaves the transaction open; roll it back. 0 / -1.
    int BeginTrans();
    int CommitTrans();
    int RollbackTrans();
    bool InTransaction() const { return inTransaction; }

    // A read-only, forward-only record set: rows come from the engine about
    // blockRows at a time and only those are held, so a table of any size
    // reads in bounded memory. The record count is not known. 1 / 0 / -1 as
    // OpenRecordset; MoveNext, GetFieldValue and the typed getters as usual.
    int OpenForwardOnly(const char* sql, int blockRows = 1000);
    // The same over the rows of one table in the order of its key: select
    // reads one table without WHERE or ORDER BY, keys are SQL expressions that
    // together name one row (never NULL), keyFields their positions in the
    // result. On SQLite no lock is held between blocks, so other programs may
    // write, and the caller may wait for their locks, between them.
    int OpenForwardOnlyByKey(const char* select, const std::vector<std::string>& keys,
                             const std::vector<int>& keyFields, int blockRows = 1000);
    // The fields of the open record set by position (0-based).
    int FieldCount() const;
    std::string FieldName(int index) const;
    // The value type of the field's declared SQL type, CxTypeEmpty when the
    // engine types each value on its own (SQLite); the decimals of a decimal
    // field, -1 when not known.
    CxValueType FieldDeclaredType(int index) const;
    int FieldScale(int index) const;
    // The field of the current row; the absent marker when there is none.
    const CCxValue& FieldAt(int index) const;

    // One parameterised statement ("?" markers) prepared for many runs. 0 / -1.
    int PrepareStatement(const char* sql);
    // Runs it once per row of parameters. With perRow, changed[i] is the
    // count of rows run i changed; without, the engine may send all rows as
    // one parameter array and changed holds their total. 0 / -1.
    int ExecutePrepared(const std::vector<std::vector<CCxValue>>& parameters, bool perRow,
                        std::vector<long long>& changed);
    void ClosePrepared();

    // The table's primary key columns in key order (none when it has no
    // key), and the engine's own row identifier column (SQLite's rowid) or
    // "" when it has none. 0 / -1.
    int GetPrimaryKey(const char* table, std::vector<std::string>& columns);
    int GetRowIdentifier(const char* table, std::string& column);
    // Whether the engine updates many rows from one statement with a VALUES
    // list faster than from an array of parameters (PostgreSQL).
    bool UpdatesFromValues() const;
    // Whether the engine runs in this process (SQLite): no connection to
    // lose, and savepoints inside transactions.
    bool IsEmbedded() const;

    bool IsInitialized() const { return initialised != 0; }
    bool IsConnected() const { return connected != 0; }
    bool IsRecordsetOpen() const { return recordsetOpen != 0; }

private:
    int initialised = 0;
    int connected = 0;
    int recordsetOpen = 0;
    std::unique_ptr<CCxAdoBackend> backend;
    std::unique_ptr<CCxResult> result;
    std::size_t currentRow = 0;
    std::unique_ptr<CCxCursor> cursor; // the forward-only record set's source
    bool cursorMore = false;
    std::size_t blockRows = 1000;
    std::unique_ptr<CCxPrepared> prepared;
    std::string preparedSql;
    bool inTransaction = false;

    void ReleaseStatements();
    static std::string Abbreviated(const std::string& sql);
    template <class Open> int OpenCursorWith(const char* sql, int rowsPerBlock, Open open);
    int Ready(const char* what, const char* argument);

    void EngineError(const char* prefix, const char* argument, int logLine, const std::string& errorText,
                     const std::string& description);
    int FindField(const char* field) const;
};
