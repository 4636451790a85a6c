#include "CxAdo.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <new>
#include <regex>
#include <string>

#include "AdoBackend.h"
#include "ConnectionString.h"
#include "ExceptionsLog.h"

namespace {

const char* Safe(const char* text)
{
    return text != nullptr ? text : "";
}

bool IsSqliteFile(const std::string& path, bool& exists)
{
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!in)
        return false;
    char header[16] = {};
    in.read(header, sizeof header);
    // An empty file is an empty SQLite database to the engine.
    if (in.gcount() == 0)
        return true;
    return in.gcount() == 16 && std::string(header, 16) == std::string("SQLite format 3\0", 16);
}

// "Default Timeout=N": seconds a statement waits for a lock on a SQLite file
// (1 to 3600); 10 without it.
int BusyMilliseconds(const CConnectionString& cs)
{
    const std::string text = cs.Get("Default Timeout");
    char* end = nullptr;
    const long seconds = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || *end != '\0' || seconds < 1 || seconds > 3600)
        return 10000;
    return static_cast<int>(seconds) * 1000;
}

std::unique_ptr<CCxAdoBackend> OpenBackend(const std::string& text)
{
    const CConnectionString cs(text);
    const std::string provider = cs.Get("Provider");
    const std::string source = cs.Get("Data Source");
    if (EqualNoCase(provider, "SQLite")) {
        if (source.empty())
            throw CCxEngineError{"No data source", "the connection string names no Data Source file"};
        const std::string create = cs.Get("Create");
        const bool mayCreate = EqualNoCase(create, "yes") || EqualNoCase(create, "true") || create == "1";
        return OpenSqliteBackend(source, mayCreate, BusyMilliseconds(cs));
    }
    if (EqualNoCase(provider, "Microsoft.Jet.OLEDB.4.0") ||
        EqualNoCase(provider.substr(0, 19), "Microsoft.ACE.OLEDB")) {
        if (source.empty())
            throw CCxEngineError{"No data source", "the connection string names no Data Source file"};
        bool exists = false;
        if (IsSqliteFile(source, exists))
            return OpenSqliteBackend(source, false, BusyMilliseconds(cs));
        if (!exists)
            throw CCxEngineError{"File not found", "the database file cannot be opened: " + source};
        const std::string driver = FindAccessOdbcDriver();
        if (driver.empty())
            throw CCxEngineError{"No driver for Access files",
                                 "the file is not a SQLite database, and no ODBC driver for Access files is "
                                 "installed to open it: " +
                                     source};
        return OpenOdbcBackend("Driver={" + driver + "};DBQ=" + source + ";");
    }
    return OpenOdbcBackend(text);
}

} // namespace

bool SingleSourceTable(const std::string& sql, std::string& schema, std::string& table)
{
    static const std::regex pattern(
        R"(^\s*select\s[\s\S]*?\sfrom\s+((?:"(?:[^"]|"")+"|\[[^\]]+\]|`[^`]+`|[A-Za-z_][A-Za-z0-9_$]*)(?:\.(?:"(?:[^"]|"")+"|\[[^\]]+\]|`[^`]+`|[A-Za-z_][A-Za-z0-9_$]*))?)\s*(?:(?:where|order)\b[\s\S]*)?;?\s*$)",
        std::regex::icase);
    std::smatch m;
    if (!std::regex_match(sql, m, pattern))
        return false;
    // Split at the dot outside quotes, then unquote each part.
    const std::string name = m[1].str();
    std::vector<std::string> parts(1);
    char quote = '\0';
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (quote != '\0') {
            if (c == quote) {
                if (quote == '"' && i + 1 < name.size() && name[i + 1] == '"') {
                    parts.back() += '"';
                    ++i;
                } else {
                    quote = '\0';
                }
            } else {
                parts.back() += c;
            }
        } else if (c == '"' || c == '`') {
            quote = c;
        } else if (c == '[') {
            quote = ']';
        } else if (c == '.') {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    schema = parts.size() > 1 ? parts[0] : std::string();
    table = parts.back();
    return !table.empty();
}

CCxAdo::CCxAdo() = default;

CCxAdo::~CCxAdo()
{
    Disconnect();
    Shutdown();
}

void CCxAdo::EngineError(const char* prefix, const char* argument, int logLine, const std::string& errorText,
                         const std::string& description)
{
    std::string m = prefix;
    if (argument != nullptr) {
        m += argument;
        m += "],[";
    }
    // Engine texts may span lines; the message and its log entry are one line.
    auto oneLine = [](std::string t) {
        while (!t.empty() && (t.back() == '\n' || t.back() == '\r'))
            t.pop_back();
        for (auto& c : t)
            if (c == '\n' || c == '\r')
                c = ' ';
        return t;
    };
    m += oneLine(errorText);
    m += "],[";
    m += oneLine(description);
    m += "]";
    LastMessage = CCxString::Truncated(MaskPasswords(m));
    LogException(logLine, LastMessage);
}

int CCxAdo::Initialize()
{
    if (initialised) {
        LastMessage = "ADODB: Failed to initialize, already initialized.";
        return -1;
    }
    // There is no component system to start per thread. The record set is
    // created here and reused by every query; the connection comes with Connect.
    result.reset(new (std::nothrow) CCxResult);
    if (!result) {
        LastMessage = "ADODB: Failed to initialize, cannot create instance of ADODB.Connection object.";
        return -1;
    }
    initialised = 1;
    LastMessage = "ADODB: Successfully initialized.";
    return 0;
}

void CCxAdo::Shutdown()
{
    if (!initialised) {
        LastMessage = "ADODB: Failed to shutdown, not initialized.";
        return;
    }
    ReleaseStatements();
    result.reset();
    recordsetOpen = 0;
    inTransaction = false;
    backend.reset(); // releasing the engine objects closes their handles
    connected = 0;
    initialised = 0;
}

int CCxAdo::Connect(const char* connectionString)
{
    const std::string shown = MaskPasswords(Safe(connectionString));
    if (!initialised) {
        LastMessage.Format("ADODB: Failed to connect [%s], initialize first.", shown.c_str());
        return -1;
    }
    if (connected) {
        LastMessage.Format("ADODB: Failed to connect [%s], already connected.", shown.c_str());
        return -1;
    }
    try {
        backend = OpenBackend(Safe(connectionString));
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to connect [", shown.c_str(), 152, e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        // Out of memory reading a result, or any other fault below the layer.
        EngineError("ADODB: Failed to connect [", shown.c_str(), 152, "Unexpected error", e.what());
        return -1;
    }
    connected = 1;
    LastMessage.Format("ADODB: Successfully connected to database [%s].", shown.c_str());
    return 0;
}

void CCxAdo::Disconnect()
{
    if (!initialised || !connected)
        return;
    *result = CCxResult();
    recordsetOpen = 0;
    ReleaseStatements();
    try {
        // Work not committed is given up, as the engine would at a close.
        if (inTransaction && backend) {
            inTransaction = false;
            backend->Rollback();
        }
    } catch (const CCxEngineError& e) {
        EngineError("Disconnect Failed [", nullptr, 192, e.errorText, e.description);
    } catch (const std::exception& e) {
        EngineError("Disconnect Failed [", nullptr, 192, "Unexpected error", e.what());
    }
    inTransaction = false;
    try {
        if (backend)
            backend->Close();
    } catch (const CCxEngineError& e) {
        EngineError("Disconnect Failed [", nullptr, 192, e.errorText, e.description);
    } catch (const std::exception& e) {
        // Out of memory reading a result, or any other fault below the layer.
        EngineError("Disconnect Failed [", nullptr, 192, "Unexpected error", e.what());
    }
    backend.reset();
    connected = 0;
}

int CCxAdo::Execute(const char* sql)
{
    if (!initialised) {
        LastMessage.Format("ADODB: Failed to execute query [%s], not initialized.", Safe(sql));
        return -1;
    }
    if (!connected) {
        LastMessage.Format("ADODB: Failed to execute query [%s], not connected.", Safe(sql));
        return -1;
    }
    try {
        backend->Execute(Safe(sql));
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to execute query [", Safe(sql), 235, e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        // Out of memory reading a result, or any other fault below the layer.
        EngineError("ADODB: Failed to execute query [", Safe(sql), 235, "Unexpected error", e.what());
        return -1;
    }
    return 0;
}

int CCxAdo::OpenRecordset(const char* sql)
{
    if (!initialised) {
        LastMessage.Format("ADODB: Failed to open recordset [%s], not initialized.", Safe(sql));
        return -1;
    }
    if (!connected) {
        LastMessage.Format("ADODB: Failed to open recordset [%s], not connected.", Safe(sql));
        return -1;
    }
    if (recordsetOpen) {
        LastMessage.Format("ADODB: Failed to open recordset [%s], recordset already opened.", Safe(sql));
        return -1;
    }
    try {
        *result = backend->Query(Safe(sql));
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to open recordset: [", Safe(sql), 408, e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        // Out of memory reading a result, or any other fault below the layer.
        EngineError("ADODB: Failed to open recordset: [", Safe(sql), 408, "Unexpected error", e.what());
        return -1;
    }
    currentRow = 0;
    recordsetOpen = 1;
    return result->rows.empty() ? 0 : 1;
}

int CCxAdo::OpenSchema(int kind)
{
    if (!initialised) {
        LastMessage = "ADODB: Failed to get schema, not initialized.";
        return -1;
    }
    if (!connected) {
        LastMessage = "ADODB: Failed to get schema, not connected.";
        return -1;
    }
    if (recordsetOpen) {
        LastMessage = "ADODB: Failed to get schema, recordset already opened.";
        return -1;
    }
    try {
        *result = backend->Schema(kind);
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to get schema [", std::to_string(kind).c_str(), 345, e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        // Out of memory reading a result, or any other fault below the layer.
        EngineError("ADODB: Failed to get schema [", std::to_string(kind).c_str(), 345, "Unexpected error", e.what());
        return -1;
    }
    currentRow = 0;
    recordsetOpen = 1;
    return result->rows.empty() ? 0 : 1;
}

int CCxAdo::GetRecordCount(int& count)
{
    if (!initialised) {
        LastMessage = "ADODB: Failed to get record count, not initialized.";
        return -1;
    }
    if (!connected) {
        LastMessage = "ADODB: Failed to get record count, not connected.";
        return -1;
    }
    if (!recordsetOpen) {
        LastMessage = "ADODB: Failed to get record count, no recordset loaded.";
        return -1;
    }
    if (cursor) {
        LastMessage = "ADODB: Failed to get record count, the recordset is forward-only.";
        return -1;
    }
    if (result->rows.size() > static_cast<std::size_t>(INT_MAX)) {
        EngineError("ADODB: Failed to get record count [", nullptr, 286, "Too many rows",
                    "the record count does not fit 32 bits");
        return -1;
    }
    count = static_cast<int>(result->rows.size());
    return 0;
}

int CCxAdo::GetRecordCount(long& count)
{
    int n = 0;
    const int rc = GetRecordCount(n);
    if (rc == 0)
        count = n;
    return rc;
}

int CCxAdo::MoveNext()
{
    if (!initialised) {
        LastMessage = "ADODB: Failed to move to next record, not initialized.";
        return -1;
    }
    if (!connected) {
        LastMessage = "ADODB: Failed to move to next record, not connected.";
        return -1;
    }
    if (!recordsetOpen) {
        LastMessage = "ADODB: Failed to move to next record, no recordset opened.";
        return -1;
    }
    if (currentRow >= result->rows.size()) {
        EngineError("ADODB: Failed to move to next record [", nullptr, 473, "No current row",
                    "the record set is already past its last row");
        return -1;
    }
    ++currentRow;
    if (currentRow < result->rows.size())
        return 1;
    if (cursor && cursorMore) {
        // The next block replaces the one read, in its storage.
        currentRow = 0;
        try {
            do
                cursorMore = cursor->Fetch(result->rows, blockRows);
            while (cursorMore && result->rows.empty());
        } catch (const CCxEngineError& e) {
            result->rows.clear();
            cursorMore = false;
            EngineError("ADODB: Failed to move to next record [", nullptr, 473, e.errorText, e.description);
            return -1;
        } catch (const std::exception& e) {
            result->rows.clear();
            cursorMore = false;
            EngineError("ADODB: Failed to move to next record [", nullptr, 473, "Unexpected error", e.what());
            return -1;
        }
        return result->rows.empty() ? 0 : 1;
    }
    return 0;
}

void CCxAdo::CloseRecordset()
{
    if (!initialised) {
        LastMessage = "ADODB: Failed to close recordset, not initialized.";
        return;
    }
    if (!connected) {
        LastMessage = "ADODB: Failed to close recordset, not connected.";
        return;
    }
    if (!recordsetOpen) {
        LastMessage = "ADODB: Failed to close recordset, no recordset opened.";
        return;
    }
    *result = CCxResult();
    cursor.reset();
    cursorMore = false;
    currentRow = 0;
    recordsetOpen = 0;
}

int CCxAdo::FindField(const char* field) const
{
    if (!result || field == nullptr)
        return -1;
    const auto& columns = result->columns;
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name == field)
            return static_cast<int>(i);
    // Field names are case-insensitive, as the engine's were.
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (EqualNoCase(columns[i].name, field))
            return static_cast<int>(i);
    return -1;
}

CCxValue CCxAdo::GetFieldValue(const char* field)
{
    CCxValue value; // the absent marker
    if (!initialised) {
        LastMessage.Format("Failed to get field value [%s], not initialized.", Safe(field));
        return value;
    }
    if (!connected) {
        LastMessage.Format("Failed to get field value [%s], not connected.", Safe(field));
        return value;
    }
    if (!recordsetOpen) {
        LastMessage.Format("Failed to get field value [%s], not recorset opened.", Safe(field));
        return value;
    }
    const int index = FindField(field);
    if (index < 0) {
        EngineError("ADODB: Failed to get field value [", Safe(field), 575, "Unknown field",
                    "the record set has no field of that name");
        return value;
    }
    if (currentRow >= result->rows.size()) {
        EngineError("ADODB: Failed to get field value [", Safe(field), 575, "No current row",
                    "the record set is past its last row");
        return value;
    }
    return result->rows[currentRow][static_cast<std::size_t>(index)];
}

int CCxAdo::GetFieldString(const char* field, CCxString& out)
{
    const CCxValue v = GetFieldValue(field);
    if (v.IsAbsent())
        return 0;
    switch (v.Type()) {
    case CxTypeNull:
        out.Empty();
        LastMessage.Format("Failed to get field value [%s], value is NULL.", Safe(field));
        return 1;
    case CxTypeText:
        out = v.AsText();
        return 1;
    case CxTypeDate: {
        const CxDateTime dt = DateTimeFromDayNumber(v.AsReal());
        out.Format("%02d/%02d/%04d - %02d:%02d", dt.day, dt.month, dt.year, dt.hour, dt.minute);
        return 1;
    }
    default:
        LastMessage.Format("Failed to get field value [%s], invalid type [%ld].", Safe(field),
                           static_cast<long>(v.Type()));
        return 0;
    }
}

int CCxAdo::GetFieldString(const char* field, std::string& out)
{
    CCxString s(out);
    const int rc = GetFieldString(field, s);
    if (rc == 1)
        out = s.str();
    return rc;
}

int CCxAdo::GetFieldLong(const char* field, int& out)
{
    const CCxValue v = GetFieldValue(field);
    if (v.IsAbsent())
        return 0;
    switch (v.Type()) {
    case CxTypeNull:
        out = 0;
        LastMessage.Format("Failed to get field value [%s], value is NULL.", Safe(field));
        return 1;
    case CxTypeInt8:
    case CxTypeInt16:
    case CxTypeInt32:
    case CxTypeUInt16:
        out = static_cast<int>(v.AsInteger());
        return 1;
    case CxTypeUInt32:
        // The bit pattern as is.
        out = static_cast<int>(static_cast<std::uint32_t>(v.AsInteger()));
        return 1;
    case CxTypeInt64:
        // PostgreSQL counts and SQLite integers come as 64-bit values;
        // those that fit are delivered, the rest are a type error.
        if (v.AsInteger() >= INT_MIN && v.AsInteger() <= INT_MAX) {
            out = static_cast<int>(v.AsInteger());
            return 1;
        }
        [[fallthrough]];
    default:
        LastMessage.Format("Failed to get field value [%s], invalid type [%ld].", Safe(field),
                           static_cast<long>(v.Type()));
        return 0;
    }
}

int CCxAdo::GetFieldLong(const char* field, long& out)
{
    int n = static_cast<int>(out);
    const int rc = GetFieldLong(field, n);
    if (rc == 1)
        out = n;
    return rc;
}

int CCxAdo::GetFieldDouble(const char* field, double& out)
{
    out = 0.0;
    const CCxValue v = GetFieldValue(field);
    if (v.IsAbsent())
        return 0;
    switch (v.Type()) {
    case CxTypeNull:
        out = 0.0;
        LastMessage.Format("Failed to get field value [%s], value is NULL.", Safe(field));
        return 1;
    case CxTypeInt32:
        out = static_cast<double>(v.AsInteger());
        return 1;
    case CxTypeSingle:
    case CxTypeDouble:
    case CxTypeDate:
        out = v.AsReal();
        return 1;
    default:
        LastMessage.Format("Failed to get field value [%s], invalid type [%ld].", Safe(field),
                           static_cast<long>(v.Type()));
        return 0;
    }
}

int CCxAdo::SetFieldDouble(const char* field, double value)
{
    try {
        if (!initialised || !connected || !recordsetOpen || !result)
            throw CCxEngineError{"No record set", "no record set is open to write into"};
        if (!result->updatable)
            throw CCxEngineError{"Not updatable", "a schema rowset cannot be written"};
        if (cursor)
            throw CCxEngineError{"Not updatable", "a forward-only recordset is read only"};
        const int index = FindField(field);
        if (index < 0)
            throw CCxEngineError{"Unknown field", "the record set has no field of that name"};
        if (currentRow >= result->rows.size())
            throw CCxEngineError{"No current row", "the record set is past its last row"};
        const CCxColumn& target = result->columns[static_cast<std::size_t>(index)];
        if (target.baseTable.empty())
            throw CCxEngineError{"Not updatable", "the field is computed, not a column of a table"};

        CCxRowUpdate update;
        update.schema = target.baseSchema;
        update.table = target.baseTable;
        update.column = target.baseColumn.empty() ? target.name : target.baseColumn;
        auto& row = result->rows[currentRow];
        auto sameTable = [&](const CCxColumn& c) {
            return EqualNoCase(c.baseTable, update.table) && EqualNoCase(c.baseSchema, update.schema);
        };
        auto baseName = [](const CCxColumn& c) { return c.baseColumn.empty() ? c.name : c.baseColumn; };

        // By the primary key when the result holds all of it ...
        for (const auto& key : backend->PrimaryKey(update.schema, update.table)) {
            bool found = false;
            for (std::size_t i = 0; i < result->columns.size() && !found; ++i)
                if (sameTable(result->columns[i]) && EqualNoCase(baseName(result->columns[i]), key)) {
                    update.match.emplace_back(key, row[i]);
                    found = true;
                }
            if (!found) {
                update.match.clear();
                break;
            }
        }
        // ... else by every original value of the row from that table.
        if (update.match.empty())
            for (std::size_t i = 0; i < result->columns.size(); ++i) {
                const CCxColumn& c = result->columns[i];
                if (!sameTable(c) || row[i].Type() == CxTypeBytes)
                    continue;
                bool seen = false;
                for (const auto& m : update.match)
                    seen = seen || EqualNoCase(m.first, baseName(c));
                if (!seen)
                    update.match.emplace_back(baseName(c), row[i]);
            }
        backend->UpdateOne(update, value);

        // The saved row now holds the value, in every field showing that column.
        for (std::size_t i = 0; i < result->columns.size(); ++i)
            if (sameTable(result->columns[i]) && EqualNoCase(baseName(result->columns[i]), update.column))
                row[i] = CCxValue::Double(value);
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to set field value [", Safe(field), 1074, e.errorText, e.description);
        return 0;
    } catch (const std::exception& e) {
        // Out of memory reading a result, or any other fault below the layer.
        EngineError("ADODB: Failed to set field value [", Safe(field), 1074, "Unexpected error", e.what());
        return 0;
    }
    return 1;
}

void CCxAdo::ReleaseStatements()
{
    // Statements go before the connection that runs them.
    cursor.reset();
    cursorMore = false;
    prepared.reset();
    preparedSql.clear();
}

int CCxAdo::Ready(const char* what, const char* argument)
{
    const char* state = !initialised ? "not initialized" : !connected ? "not connected" : nullptr;
    if (state == nullptr)
        return 0;
    if (argument != nullptr)
        LastMessage.Format("ADODB: Failed to %s [%s], %s.", what, argument, state);
    else
        LastMessage.Format("ADODB: Failed to %s, %s.", what, state);
    return -1;
}

int CCxAdo::BeginTrans()
{
    if (Ready("begin transaction", nullptr) != 0)
        return -1;
    if (inTransaction) {
        LastMessage = "ADODB: Failed to begin transaction, transaction already open.";
        return -1;
    }
    try {
        backend->Begin();
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to begin transaction [", nullptr, 610, e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        EngineError("ADODB: Failed to begin transaction [", nullptr, 610, "Unexpected error", e.what());
        return -1;
    }
    inTransaction = true;
    return 0;
}

int CCxAdo::CommitTrans()
{
    if (Ready("commit transaction", nullptr) != 0)
        return -1;
    if (!inTransaction) {
        LastMessage = "ADODB: Failed to commit transaction, no transaction open.";
        return -1;
    }
    try {
        backend->Commit();
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to commit transaction [", nullptr, 630, e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        EngineError("ADODB: Failed to commit transaction [", nullptr, 630, "Unexpected error", e.what());
        return -1;
    }
    inTransaction = false;
    return 0;
}

int CCxAdo::RollbackTrans()
{
    if (Ready("roll back transaction", nullptr) != 0)
        return -1;
    if (!inTransaction) {
        LastMessage = "ADODB: Failed to roll back transaction, no transaction open.";
        return -1;
    }
    // Whatever the engine answers, the transaction is over: the engine gives
    // up work it has not committed when a rollback or the connection fails.
    inTransaction = false;
    try {
        backend->Rollback();
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to roll back transaction [", nullptr, 650, e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        EngineError("ADODB: Failed to roll back transaction [", nullptr, 650, "Unexpected error", e.what());
        return -1;
    }
    return 0;
}

template <class Open> int CCxAdo::OpenCursorWith(const char* sql, int rowsPerBlock, Open open)
{
    if (Ready("open recordset", Safe(sql)) != 0)
        return -1;
    if (recordsetOpen) {
        LastMessage.Format("ADODB: Failed to open recordset [%s], recordset already opened.", Safe(sql));
        return -1;
    }
    blockRows = rowsPerBlock > 0 ? static_cast<std::size_t>(rowsPerBlock) : 1000;
    try {
        *result = CCxResult();
        cursor = open();
        result->columns = cursor->columns;
        cursorMore = true;
        while (cursorMore && result->rows.empty())
            cursorMore = cursor->Fetch(result->rows, blockRows);
    } catch (const CCxEngineError& e) {
        cursor.reset();
        *result = CCxResult();
        EngineError("ADODB: Failed to open recordset: [", Safe(sql), 408, e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        cursor.reset();
        *result = CCxResult();
        EngineError("ADODB: Failed to open recordset: [", Safe(sql), 408, "Unexpected error", e.what());
        return -1;
    }
    currentRow = 0;
    recordsetOpen = 1;
    return result->rows.empty() ? 0 : 1;
}

int CCxAdo::OpenForwardOnly(const char* sql, int rowsPerBlock)
{
    return OpenCursorWith(sql, rowsPerBlock, [&] { return backend->OpenCursor(Safe(sql), blockRows); });
}

int CCxAdo::OpenForwardOnlyByKey(const char* select, const std::vector<std::string>& keys,
                                 const std::vector<int>& keyFields, int rowsPerBlock)
{
    return OpenCursorWith(select, rowsPerBlock,
                          [&] { return backend->OpenKeyedCursor(Safe(select), keys, keyFields, blockRows); });
}

int CCxAdo::FieldCount() const
{
    return recordsetOpen && result ? static_cast<int>(result->columns.size()) : 0;
}

std::string CCxAdo::FieldName(int index) const
{
    if (index < 0 || index >= FieldCount())
        return std::string();
    return result->columns[static_cast<std::size_t>(index)].name;
}

CxValueType CCxAdo::FieldDeclaredType(int index) const
{
    if (index < 0 || index >= FieldCount())
        return CxTypeEmpty;
    return result->columns[static_cast<std::size_t>(index)].declaredType;
}

int CCxAdo::FieldScale(int index) const
{
    if (index < 0 || index >= FieldCount())
        return -1;
    return result->columns[static_cast<std::size_t>(index)].scale;
}

const CCxValue& CCxAdo::FieldAt(int index) const
{
    static const CCxValue absent;
    if (index < 0 || index >= FieldCount() || currentRow >= result->rows.size())
        return absent;
    return result->rows[currentRow][static_cast<std::size_t>(index)];
}

int CCxAdo::PrepareStatement(const char* sql)
{
    if (Ready("prepare statement", Abbreviated(Safe(sql)).c_str()) != 0)
        return -1;
    prepared.reset();
    preparedSql.clear();
    try {
        prepared = backend->Prepare(Safe(sql));
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to prepare statement [", Abbreviated(Safe(sql)).c_str(), 670, e.errorText,
                    e.description);
        return -1;
    } catch (const std::exception& e) {
        EngineError("ADODB: Failed to prepare statement [", Abbreviated(Safe(sql)).c_str(), 670, "Unexpected error",
                    e.what());
        return -1;
    }
    preparedSql = Safe(sql);
    return 0;
}

int CCxAdo::ExecutePrepared(const std::vector<std::vector<CCxValue>>& parameters, bool perRow,
                            std::vector<long long>& changed)
{
    if (Ready("execute prepared statement", nullptr) != 0)
        return -1;
    if (!prepared) {
        LastMessage = "ADODB: Failed to execute prepared statement, no statement prepared.";
        return -1;
    }
    try {
        prepared->Run(parameters, perRow, changed);
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to execute prepared statement [", Abbreviated(preparedSql).c_str(), 690,
                    e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        EngineError("ADODB: Failed to execute prepared statement [", Abbreviated(preparedSql).c_str(), 690,
                    "Unexpected error", e.what());
        return -1;
    }
    return 0;
}

void CCxAdo::ClosePrepared()
{
    prepared.reset();
    preparedSql.clear();
}

int CCxAdo::GetPrimaryKey(const char* table, std::vector<std::string>& columns)
{
    if (Ready("get primary key", Safe(table)) != 0)
        return -1;
    try {
        columns = backend->PrimaryKey(std::string(), Safe(table));
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to get primary key [", Safe(table), 710, e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        EngineError("ADODB: Failed to get primary key [", Safe(table), 710, "Unexpected error", e.what());
        return -1;
    }
    return 0;
}

int CCxAdo::GetRowIdentifier(const char* table, std::string& column)
{
    if (Ready("get row identifier", Safe(table)) != 0)
        return -1;
    try {
        column = backend->RowIdentifier(std::string(), Safe(table));
    } catch (const CCxEngineError& e) {
        EngineError("ADODB: Failed to get row identifier [", Safe(table), 730, e.errorText, e.description);
        return -1;
    } catch (const std::exception& e) {
        EngineError("ADODB: Failed to get row identifier [", Safe(table), 730, "Unexpected error", e.what());
        return -1;
    }
    return 0;
}

// A long statement in a message keeps its start: the engine's reason follows it.
std::string CCxAdo::Abbreviated(const std::string& sql)
{
    constexpr std::size_t kShown = 240;
    return sql.size() <= kShown ? sql : sql.substr(0, kShown) + "...";
}

bool CCxAdo::UpdatesFromValues() const
{
    return connected && backend && backend->UpdatesFromValues();
}

bool CCxAdo::IsEmbedded() const
{
    return connected && backend && backend->IsEmbedded();
}
