// unixODBC engine of the database layer.
//
// Value types by the SQL type the driver reports for the column, as ADO's
// ODBC provider maps them:
//   SQL_CHAR, SQL_VARCHAR, SQL_LONGVARCHAR, the wide ones, SQL_GUID   text (8)
//   SQL_TINYINT                       8-bit signed (16), unsigned (17)
//   SQL_SMALLINT                      16-bit signed (2), unsigned (18)
//   SQL_INTEGER                       32-bit signed (3), unsigned (19)
//   SQL_BIGINT                        64-bit signed (20), unsigned (21)
//   SQL_REAL                          single (4)
//   SQL_FLOAT, SQL_DOUBLE             double (5)
//   SQL_DECIMAL, SQL_NUMERIC          decimal (14)
//   SQL_BIT                           boolean (11)
//   SQL_TYPE_DATE, SQL_TYPE_TIME, SQL_TYPE_TIMESTAMP (and ODBC 2 codes)  date (7)
//   SQL_BINARY, SQL_VARBINARY, SQL_LONGVARBINARY                         bytes
//   anything else                     read as text (8)
// A NULL is null (1) whatever the column.

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "AdoBackend.h"
#include "TextCase.h"

namespace {

CCxEngineError Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const char* fallback)
{
    CCxEngineError e;
    SQLCHAR state[6] = "";
    SQLCHAR text[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; i <= 8; ++i) {
        const SQLRETURN rc = SQLGetDiagRec(handleType, handle, i, state, &native, text, sizeof text, &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        std::string message(reinterpret_cast<char*>(text));
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
            message.pop_back();
        if (e.errorText.empty())
            e.errorText = "SQLSTATE " + std::string(reinterpret_cast<char*>(state));
        if (!e.description.empty())
            e.description += " ";
        e.description += message;
    }
    if (e.errorText.empty())
        e.errorText = fallback;
    return e;
}

class CHandle
{
public:
    CHandle(SQLSMALLINT type, SQLHANDLE parent) : kind(type)
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &handle)))
            handle = SQL_NULL_HANDLE;
    }
    ~CHandle()
    {
        if (handle != SQL_NULL_HANDLE)
            SQLFreeHandle(kind, handle);
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    SQLSMALLINT kind;
    SQLHANDLE handle = SQL_NULL_HANDLE;
};

struct CColumnType
{
    SQLSMALLINT sqlType = SQL_VARCHAR;
    bool isUnsigned = false;
};

std::string ColumnText(SQLHSTMT st, SQLUSMALLINT i, SQLUSMALLINT field)
{
    char buffer[512] = "";
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLColAttribute(st, i, field, buffer, sizeof buffer, &length, nullptr)))
        return std::string();
    return buffer;
}

class COdbcBackend : public CCxAdoBackend
{
public:
    COdbcBackend() : env(SQL_HANDLE_ENV, SQL_NULL_HANDLE) {}
    ~COdbcBackend() override
    {
        try {
            Close();
        } catch (...) {
        }
    }

    void Open(const std::string& connection)
    {
        if (env.handle == SQL_NULL_HANDLE)
            throw CCxEngineError{"Out of memory", "no ODBC environment could be allocated"};
        SQLSetEnvAttr(env.handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        dbc = std::make_unique<CHandle>(SQL_HANDLE_DBC, env.handle);
        if (dbc->handle == SQL_NULL_HANDLE)
            throw Diagnostics(SQL_HANDLE_ENV, env.handle, "No connection handle");
        // The engine's connection time-out of 10 seconds.
        SQLSetConnectAttr(dbc->handle, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        std::vector<SQLCHAR> in(connection.begin(), connection.end());
        in.push_back(0);
        const SQLRETURN rc = SQLDriverConnect(dbc->handle, nullptr, in.data(), SQL_NTS, out, sizeof out, &outLength,
                                              SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) {
            CCxEngineError e = Diagnostics(SQL_HANDLE_DBC, dbc->handle, "Connection failed");
            dbc.reset();
            throw e;
        }
        open = true;
        connectionText = connection;
        SQLCHAR driver[256] = "";
        SQLSMALLINT driverLength = 0;
        if (SQL_SUCCEEDED(SQLGetInfo(dbc->handle, SQL_DRIVER_NAME, driver, sizeof driver, &driverLength)))
            driverName = reinterpret_cast<char*>(driver);
        SQLUSMALLINT commitBehaviour = SQL_CB_DELETE;
        if (SQL_SUCCEEDED(SQLGetInfo(dbc->handle, SQL_CURSOR_COMMIT_BEHAVIOR, &commitBehaviour, sizeof commitBehaviour,
                                     nullptr)))
            cursorsSurviveCommit = commitBehaviour == SQL_CB_PRESERVE;
        SQLUINTEGER arrayCounts = 0;
        if (SQL_SUCCEEDED(SQLGetInfo(dbc->handle, SQL_PARAM_ARRAY_ROW_COUNTS, &arrayCounts, sizeof arrayCounts,
                                     nullptr)))
            arrayRowCounts = arrayCounts;
        SQLCHAR q[4] = "";
        SQLSMALLINT ql = 0;
        if (SQL_SUCCEEDED(SQLGetInfo(dbc->handle, SQL_IDENTIFIER_QUOTE_CHAR, q, sizeof q, &ql)) && q[0] != ' ' &&
            q[0] != '\0')
            quote = static_cast<char>(q[0]);
    }

    std::unique_ptr<CHandle> Statement()
    {
        auto st = std::make_unique<CHandle>(SQL_HANDLE_STMT, dbc->handle);
        if (st->handle == SQL_NULL_HANDLE)
            throw Diagnostics(SQL_HANDLE_DBC, dbc->handle, "No statement handle");
        // The engine's command time-out of 10 seconds.
        SQLSetStmtAttr(st->handle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
        return st;
    }

    void Check(SQLRETURN rc, const CHandle& st, const char* fallback)
    {
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            throw Diagnostics(SQL_HANDLE_STMT, st.handle, fallback);
    }

    void Execute(const std::string& sql) override
    {
        auto st = Statement();
        std::vector<SQLCHAR> text(sql.begin(), sql.end());
        text.push_back(0);
        Check(SQLExecDirect(st->handle, text.data(), SQL_NTS), *st, "Execute failed");
    }

    CCxResult Query(const std::string& sql) override
    {
        auto st = Statement();
        std::vector<SQLCHAR> text(sql.begin(), sql.end());
        text.push_back(0);
        Check(SQLExecDirect(st->handle, text.data(), SQL_NTS), *st, "Query failed");
        CCxResult result = Read(*st);
        if (result.columns.empty())
            throw CCxEngineError{"No result", "the statement returns no rows to read"};
        // Drivers that do not say where a column comes from: a plain one-table query.
        bool anyBase = false;
        for (const auto& c : result.columns)
            anyBase = anyBase || !c.baseTable.empty();
        if (!anyBase) {
            std::string schema, table;
            if (SingleSourceTable(sql, schema, table))
                for (auto& c : result.columns) {
                    c.baseSchema = schema;
                    c.baseTable = table;
                    if (c.baseColumn.empty())
                        c.baseColumn = c.name;
                }
        }
        return result;
    }

    std::vector<CCxColumn> Describe(CHandle& st, std::vector<CColumnType>& types)
    {
        std::vector<CCxColumn> columns;
        SQLSMALLINT n = 0;
        Check(SQLNumResultCols(st.handle, &n), st, "No result");
        types.assign(static_cast<std::size_t>(n), CColumnType());
        for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(n); ++i) {
            SQLCHAR name[256] = "";
            SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            Check(SQLDescribeCol(st.handle, i, name, sizeof name, &nameLength, &type, &size, &digits, &nullable), st,
                  "Describe failed");
            CCxColumn c;
            c.name = reinterpret_cast<char*>(name);
            c.baseTable = ColumnText(st.handle, i, SQL_DESC_BASE_TABLE_NAME);
            c.baseColumn = ColumnText(st.handle, i, SQL_DESC_BASE_COLUMN_NAME);
            c.baseSchema = ColumnText(st.handle, i, SQL_DESC_SCHEMA_NAME);
            SQLLEN isUnsigned = SQL_FALSE;
            SQLColAttribute(st.handle, i, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned);
            types[i - 1].sqlType = type;
            types[i - 1].isUnsigned = isUnsigned == SQL_TRUE;
            c.declaredType = DeclaredType(types[i - 1]);
            if (type == SQL_DECIMAL || type == SQL_NUMERIC)
                c.scale = digits;
            columns.push_back(std::move(c));
        }
        return columns;
    }

    static CxValueType DeclaredType(const CColumnType& t)
    {
        switch (t.sqlType) {
        case SQL_TINYINT:
            return t.isUnsigned ? CxTypeUInt8 : CxTypeInt8;
        case SQL_SMALLINT:
            return t.isUnsigned ? CxTypeUInt16 : CxTypeInt16;
        case SQL_INTEGER:
            return t.isUnsigned ? CxTypeUInt32 : CxTypeInt32;
        case SQL_BIGINT:
            return t.isUnsigned ? CxTypeUInt64 : CxTypeInt64;
        case SQL_REAL:
            return CxTypeSingle;
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return CxTypeDouble;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            return CxTypeDecimal;
        case SQL_BIT:
            return CxTypeBoolean;
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIME:
        case SQL_TIMESTAMP:
            return CxTypeDate;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return CxTypeBytes;
        default:
            return CxTypeText;
        }
    }

    // One row of a fetched result; false at its end.
    bool FetchRow(CHandle& st, const std::vector<CColumnType>& types, std::vector<CCxValue>& row)
    {
        const SQLRETURN rc = SQLFetch(st.handle);
        if (rc == SQL_NO_DATA)
            return false;
        Check(rc, st, "Fetch failed");
        row.clear();
        row.reserve(types.size());
        for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(types.size()); ++i)
            row.push_back(Cell(st, i, types[i - 1]));
        return true;
    }

    CCxResult Read(CHandle& st)
    {
        CCxResult result;
        std::vector<CColumnType> types;
        result.columns = Describe(st, types);
        if (types.empty())
            return result;
        std::vector<CCxValue> row;
        while (FetchRow(st, types, row))
            result.rows.push_back(std::move(row));
        return result;
    }

    CCxValue Cell(CHandle& st, SQLUSMALLINT i, const CColumnType& t)
    {
        SQLLEN indicator = 0;
        auto get = [&](SQLSMALLINT cType, void* target, SQLLEN size) {
            Check(SQLGetData(st.handle, i, cType, target, size, &indicator), st, "Read failed");
            return indicator != SQL_NULL_DATA;
        };
        switch (t.sqlType) {
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT: {
            if (t.sqlType == SQL_BIGINT && t.isUnsigned) {
                SQLUBIGINT v = 0;
                if (!get(SQL_C_UBIGINT, &v, 0))
                    return CCxValue::Null();
                return CCxValue::Integer(CxTypeUInt64, static_cast<std::int64_t>(v));
            }
            SQLBIGINT v = 0;
            if (!get(SQL_C_SBIGINT, &v, 0))
                return CCxValue::Null();
            CxValueType type = CxTypeInt64;
            if (t.sqlType == SQL_TINYINT)
                type = t.isUnsigned ? CxTypeUInt8 : CxTypeInt8;
            else if (t.sqlType == SQL_SMALLINT)
                type = t.isUnsigned ? CxTypeUInt16 : CxTypeInt16;
            else if (t.sqlType == SQL_INTEGER)
                type = t.isUnsigned ? CxTypeUInt32 : CxTypeInt32;
            return CCxValue::Integer(type, v);
        }
        case SQL_REAL: {
            SQLREAL v = 0;
            if (!get(SQL_C_FLOAT, &v, 0))
                return CCxValue::Null();
            return CCxValue::Single(v);
        }
        case SQL_FLOAT:
        case SQL_DOUBLE: {
            SQLDOUBLE v = 0;
            if (!get(SQL_C_DOUBLE, &v, 0))
                return CCxValue::Null();
            return CCxValue::Double(v);
        }
        case SQL_BIT: {
            unsigned char v = 0;
            if (!get(SQL_C_BIT, &v, 0))
                return CCxValue::Null();
            return CCxValue::Boolean(v != 0);
        }
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIME:
        case SQL_TIMESTAMP: {
            SQL_TIMESTAMP_STRUCT v{};
            if (!get(SQL_C_TYPE_TIMESTAMP, &v, sizeof v))
                return CCxValue::Null();
            CxDateTime dt;
            if (t.sqlType != SQL_TYPE_TIME && t.sqlType != SQL_TIME) {
                dt.year = v.year;
                dt.month = v.month;
                dt.day = v.day;
            }
            dt.hour = v.hour;
            dt.minute = v.minute;
            dt.second = v.second + v.fraction / 1e9;
            return CCxValue::Date(DayNumberFromDateTime(dt));
        }
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY: {
            std::vector<unsigned char> bytes;
            unsigned char chunk[4096];
            for (;;) {
                const SQLRETURN rc = SQLGetData(st.handle, i, SQL_C_BINARY, chunk, sizeof chunk, &indicator);
                if (rc == SQL_NO_DATA)
                    break;
                Check(rc, st, "Read failed");
                if (indicator == SQL_NULL_DATA)
                    return CCxValue::Null();
                const std::size_t got = indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(sizeof chunk)
                                            ? sizeof chunk
                                            : static_cast<std::size_t>(indicator);
                bytes.insert(bytes.end(), chunk, chunk + got);
                if (rc == SQL_SUCCESS)
                    break;
            }
            return CCxValue::Bytes(std::move(bytes));
        }
        default: {
            std::string text;
            char chunk[4096];
            for (;;) {
                const SQLRETURN rc = SQLGetData(st.handle, i, SQL_C_CHAR, chunk, sizeof chunk, &indicator);
                if (rc == SQL_NO_DATA)
                    break;
                Check(rc, st, "Read failed");
                if (indicator == SQL_NULL_DATA)
                    return CCxValue::Null();
                // Each piece but the last fills the buffer up to its terminator.
                text += std::string(chunk, strnlen(chunk, sizeof chunk));
                if (rc == SQL_SUCCESS)
                    break;
            }
            if (t.sqlType == SQL_DECIMAL || t.sqlType == SQL_NUMERIC)
                return CCxValue::Decimal(text);
            return CCxValue::Text(text);
        }
        }
    }

    // The schema rowsets under the OLE DB column names.
    static void Rename(CCxResult& r)
    {
        for (auto& c : r.columns) {
            const std::string u = AsciiUpper(c.name);
            if (u == "TABLE_CAT" || u == "TABLE_QUALIFIER")
                c.name = "TABLE_CATALOG";
            else if (u == "TABLE_SCHEM" || u == "TABLE_OWNER")
                c.name = "TABLE_SCHEMA";
            else if (u == "REMARKS")
                c.name = "DESCRIPTION";
            else
                c.name = u;
            c.baseTable.clear();
        }
        r.updatable = false;
    }

    static int Find(const CCxResult& r, const char* name)
    {
        for (std::size_t i = 0; i < r.columns.size(); ++i)
            if (r.columns[i].name == name)
                return static_cast<int>(i);
        return -1;
    }

    CCxResult Tables()
    {
        auto st = Statement();
        Check(SQLTables(st->handle, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), *st, "Tables failed");
        CCxResult r = Read(*st);
        Rename(r);
        const int type = Find(r, "TABLE_TYPE");
        if (type >= 0)
            for (auto& row : r.rows) {
                CCxValue& v = row[static_cast<std::size_t>(type)];
                if (v.Type() == CxTypeText && AsciiUpper(v.AsText()) == "BASE TABLE")
                    v = CCxValue::Text("TABLE");
            }
        return r;
    }

    CCxResult Schema(int kind) override
    {
        if (kind == 20)
            return Tables();
        if (kind != 4)
            throw CCxEngineError{"Unsupported schema", "this schema kind is not provided; use 4 (columns) or 20 (tables)"};
        // Column by table: some drivers list nothing for a null table name.
        const CCxResult tables = Tables();
        const int cat = Find(tables, "TABLE_CATALOG"), sch = Find(tables, "TABLE_SCHEMA"),
                  name = Find(tables, "TABLE_NAME");
        CCxResult all;
        for (const auto& t : tables.rows) {
            auto text = [&](int index) {
                return index >= 0 && t[static_cast<std::size_t>(index)].Type() == CxTypeText
                           ? t[static_cast<std::size_t>(index)].AsText()
                           : std::string();
            };
            std::string c = text(cat), s = text(sch), n = text(name);
            auto st = Statement();
            auto ptr = [](std::string& v) { return v.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(v.data()); };
            Check(SQLColumns(st->handle, ptr(c), c.empty() ? 0 : SQL_NTS, ptr(s), s.empty() ? 0 : SQL_NTS, ptr(n),
                             SQL_NTS, nullptr, 0),
                  *st, "Columns failed");
            CCxResult part = Read(*st);
            Rename(part);
            if (all.columns.empty())
                all.columns = part.columns;
            if (part.columns.size() == all.columns.size())
                for (auto& row : part.rows)
                    all.rows.push_back(std::move(row));
        }
        all.updatable = false;
        return all;
    }

    std::vector<std::string> PrimaryKey(const std::string& schema, const std::string& table) override
    {
        auto st = Statement();
        std::string s = schema, t = table;
        Check(SQLPrimaryKeys(st->handle, nullptr, 0, s.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(s.data()),
                             s.empty() ? 0 : SQL_NTS, reinterpret_cast<SQLCHAR*>(t.data()), SQL_NTS),
              *st, "Primary key failed");
        CCxResult r = Read(*st);
        std::vector<std::pair<std::int64_t, std::string>> keys;
        for (const auto& row : r.rows)
            if (row.size() >= 5 && row[3].Type() == CxTypeText)
                keys.emplace_back(row[4].AsInteger(), row[3].AsText());
        std::sort(keys.begin(), keys.end());
        std::vector<std::string> names;
        for (auto& k : keys)
            names.push_back(std::move(k.second));
        return names;
    }

    void Bind(CHandle& st, SQLUSMALLINT index, const CCxValue& v, std::vector<std::vector<unsigned char>>& store)
    {
        // Each bound value lives in store until the statement has run.
        auto keep = [&](const void* p, std::size_t n) {
            store.emplace_back(static_cast<const unsigned char*>(p), static_cast<const unsigned char*>(p) + n);
            return static_cast<SQLPOINTER>(store.back().data());
        };
        SQLRETURN rc;
        switch (v.Type()) {
        case CxTypeNull: {
            const SQLLEN null = SQL_NULL_DATA;
            auto* indicator = static_cast<SQLLEN*>(keep(&null, sizeof null));
            rc = SQLBindParameter(st.handle, index, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0,
                                  indicator);
            break;
        }
        case CxTypeSingle: {
            const SQLREAL f = static_cast<SQLREAL>(v.AsReal());
            rc = SQLBindParameter(st.handle, index, SQL_PARAM_INPUT, SQL_C_FLOAT, SQL_REAL, 0, 0, keep(&f, sizeof f), 0,
                                  nullptr);
            break;
        }
        case CxTypeDouble: {
            const SQLDOUBLE d = v.AsReal();
            rc = SQLBindParameter(st.handle, index, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, keep(&d, sizeof d),
                                  0, nullptr);
            break;
        }
        case CxTypeDate: {
            const CxDateTime dt = DateTimeFromDayNumber(v.AsReal());
            SQL_TIMESTAMP_STRUCT ts{};
            ts.year = static_cast<SQLSMALLINT>(dt.year);
            ts.month = static_cast<SQLUSMALLINT>(dt.month);
            ts.day = static_cast<SQLUSMALLINT>(dt.day);
            ts.hour = static_cast<SQLUSMALLINT>(dt.hour);
            ts.minute = static_cast<SQLUSMALLINT>(dt.minute);
            ts.second = static_cast<SQLUSMALLINT>(dt.second);
            rc = SQLBindParameter(st.handle, index, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 19, 0,
                                  keep(&ts, sizeof ts), 0, nullptr);
            break;
        }
        case CxTypeText:
        case CxTypeDecimal: {
            const std::string& s = v.AsText();
            SQLPOINTER p = keep(s.c_str(), s.size() + 1);
            SQLSMALLINT digits = 0;
            if (const auto dot = s.find('.'); dot != std::string::npos)
                digits = static_cast<SQLSMALLINT>(s.size() - dot - 1);
            rc = SQLBindParameter(st.handle, index, SQL_PARAM_INPUT, SQL_C_CHAR,
                                  v.Type() == CxTypeText ? SQL_VARCHAR : SQL_NUMERIC, s.size() > 0 ? s.size() : 1,
                                  digits, p, static_cast<SQLLEN>(s.size() + 1), nullptr);
            break;
        }
        case CxTypeBoolean: {
            const unsigned char b = v.AsInteger() != 0 ? 1 : 0;
            rc = SQLBindParameter(st.handle, index, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, 0, keep(&b, 1), 0, nullptr);
            break;
        }
        case CxTypeInt8:
        case CxTypeInt16:
        case CxTypeUInt8:
        case CxTypeUInt16:
        case CxTypeInt32:
        case CxTypeUInt32: {
            const SQLINTEGER i = static_cast<SQLINTEGER>(v.AsInteger());
            rc = SQLBindParameter(st.handle, index, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, keep(&i, sizeof i),
                                  0, nullptr);
            break;
        }
        default: {
            const SQLBIGINT i = v.AsInteger();
            rc = SQLBindParameter(st.handle, index, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0,
                                  keep(&i, sizeof i), 0, nullptr);
            break;
        }
        }
        Check(rc, st, "Bind failed");
    }

    void UpdateOne(const CCxRowUpdate& update, double value) override
    {
        if (inTransaction) {
            UpdateRow(update, value);
            return;
        }
        if (!SQL_SUCCEEDED(SQLSetConnectAttr(dbc->handle, SQL_ATTR_AUTOCOMMIT,
                                             reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)))
            throw Diagnostics(SQL_HANDLE_DBC, dbc->handle, "No transaction");
        auto restore = [&](SQLSMALLINT completion) {
            SQLEndTran(SQL_HANDLE_DBC, dbc->handle, completion);
            SQLSetConnectAttr(dbc->handle, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
        };
        try {
            UpdateRow(update, value);
        } catch (...) {
            restore(SQL_ROLLBACK);
            throw;
        }
        const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc->handle, SQL_COMMIT);
        CCxEngineError commitError;
        if (!SQL_SUCCEEDED(rc))
            commitError = Diagnostics(SQL_HANDLE_DBC, dbc->handle, "Commit failed");
        SQLSetConnectAttr(dbc->handle, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
        if (!SQL_SUCCEEDED(rc))
            throw commitError;
    }

    void UpdateRow(const CCxRowUpdate& update, double value)
    {
        {
            auto st = Statement();
            std::string sql = BuildUpdateStatement(update, quote);
            std::vector<SQLCHAR> text(sql.begin(), sql.end());
            text.push_back(0);
            Check(SQLPrepare(st->handle, text.data(), SQL_NTS), *st, "Prepare failed");
            std::vector<std::vector<unsigned char>> store;
            store.reserve(update.match.size() + 1);
            Bind(*st, 1, CCxValue::Double(value), store);
            SQLUSMALLINT index = 2;
            for (const auto& m : update.match)
                if (!m.second.IsNull())
                    Bind(*st, index++, m.second, store);
            Check(SQLExecute(st->handle), *st, "Update failed");
            SQLLEN changed = 0;
            Check(SQLRowCount(st->handle, &changed), *st, "Row count failed");
            if (changed != 1) {
                char message[160];
                std::snprintf(message, sizeof message,
                              "the row is not identified: the update would change %ld rows; nothing was written",
                              static_cast<long>(changed));
                throw CCxEngineError{"Row not identified", message};
            }
        }
    }

    void Begin() override
    {
        if (inTransaction)
            throw CCxEngineError{"Transaction open", "a transaction is already open on this connection"};
        if (!SQL_SUCCEEDED(SQLSetConnectAttr(dbc->handle, SQL_ATTR_AUTOCOMMIT,
                                             reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)))
            throw Diagnostics(SQL_HANDLE_DBC, dbc->handle, "No transaction");
        inTransaction = true;
    }

    void End(SQLSMALLINT completion, const char* fallback)
    {
        const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc->handle, completion);
        CCxEngineError error;
        if (!SQL_SUCCEEDED(rc))
            error = Diagnostics(SQL_HANDLE_DBC, dbc->handle, fallback);
        // A failed commit leaves the transaction open for the caller's rollback.
        if (SQL_SUCCEEDED(rc) || completion == SQL_ROLLBACK) {
            inTransaction = false;
            SQLSetConnectAttr(dbc->handle, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
        }
        if (!SQL_SUCCEEDED(rc))
            throw error;
    }

    void Commit() override
    {
        if (!inTransaction)
            throw CCxEngineError{"No transaction", "no transaction is open to commit"};
        End(SQL_COMMIT, "Commit failed");
    }

    void Rollback() override
    {
        if (!inTransaction)
            return;
        End(SQL_ROLLBACK, "Rollback failed");
    }

    bool IsPsqlOdbc() const
    {
        const std::string d = AsciiUpper(driverName);
        return d.rfind("PSQLODBC", 0) == 0 || d.find("/PSQLODBC") != std::string::npos;
    }

    class CCursor : public CCxCursor
    {
    public:
        explicit CCursor(COdbcBackend& owner_) : owner(owner_) {}
        ~CCursor() override
        {
            statement.reset();
            if (reader) {
                SQLDisconnect(reader->handle);
                reader.reset();
            }
        }
        bool Fetch(std::vector<std::vector<CCxValue>>& rows, std::size_t max) override
        {
            std::size_t n = 0;
            while (!done && n < max) {
                if (n == rows.size())
                    rows.emplace_back();
                if (owner.FetchRow(*statement, types, rows[n]))
                    ++n;
                else
                    done = true;
            }
            rows.resize(n);
            return !done;
        }
        COdbcBackend& owner;
        std::unique_ptr<CHandle> reader; // a connection of the cursor's own, or none
        std::unique_ptr<CHandle> statement;
        std::vector<CColumnType> types;
        bool done = false;
    };

    std::unique_ptr<CCxCursor> OpenCursor(const std::string& sql, std::size_t blockRows) override
    {
        auto cursor = std::make_unique<CCursor>(*this);
        SQLHANDLE connection = dbc->handle;
        // PostgreSQL closes a cursor at the end of the transaction that opened
        // it, and psqlODBC reads a whole result into memory unless told to
        // fetch it from a server-side cursor; other drivers may close cursors
        // at a commit too. Such cursors read on a connection of their own, so
        // the caller's commits leave them open.
        if (IsPsqlOdbc() || !cursorsSurviveCommit) {
            std::string text = connectionText;
            if (IsPsqlOdbc()) {
                if (!text.empty() && text.back() != ';')
                    text += ';';
                text += "UseDeclareFetch=1;Fetch=" + std::to_string(blockRows > 0 ? blockRows : 1000) + ";";
            }
            cursor->reader = std::make_unique<CHandle>(SQL_HANDLE_DBC, env.handle);
            if (cursor->reader->handle == SQL_NULL_HANDLE)
                throw Diagnostics(SQL_HANDLE_ENV, env.handle, "No connection handle");
            SQLSetConnectAttr(cursor->reader->handle, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
            std::vector<SQLCHAR> in(text.begin(), text.end());
            in.push_back(0);
            SQLCHAR out[1024];
            SQLSMALLINT outLength = 0;
            if (!SQL_SUCCEEDED(SQLDriverConnect(cursor->reader->handle, nullptr, in.data(), SQL_NTS, out, sizeof out,
                                                &outLength, SQL_DRIVER_NOPROMPT))) {
                CCxEngineError e = Diagnostics(SQL_HANDLE_DBC, cursor->reader->handle, "Connection failed");
                cursor->reader.reset();
                throw e;
            }
            connection = cursor->reader->handle;
        }
        cursor->statement = std::make_unique<CHandle>(SQL_HANDLE_STMT, connection);
        if (cursor->statement->handle == SQL_NULL_HANDLE)
            throw Diagnostics(SQL_HANDLE_DBC, connection, "No statement handle");
        SQLSetStmtAttr(cursor->statement->handle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
        SQLSetStmtAttr(cursor->statement->handle, SQL_ATTR_CURSOR_TYPE,
                       reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
        SQLSetStmtAttr(cursor->statement->handle, SQL_ATTR_CONCURRENCY,
                       reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0);
        std::vector<SQLCHAR> text(sql.begin(), sql.end());
        text.push_back(0);
        Check(SQLExecDirect(cursor->statement->handle, text.data(), SQL_NTS), *cursor->statement, "Query failed");
        cursor->columns = Describe(*cursor->statement, cursor->types);
        if (cursor->columns.empty())
            throw CCxEngineError{"No result", "the statement returns no rows to read"};
        return cursor;
    }

    class CPrepared : public CCxPrepared
    {
    public:
        explicit CPrepared(COdbcBackend& owner_) : owner(owner_) {}
        void Run(const std::vector<std::vector<CCxValue>>& parameters, bool perRow,
                 std::vector<long long>& changed) override
        {
            changed.clear();
            if (parameters.empty())
                return;
            if (!perRow && parameters.size() > 1 && owner.arrayRowCounts != 0 && RunArray(parameters, changed))
                return;
            long long total = 0;
            for (const auto& row : parameters) {
                SQLFreeStmt(statement->handle, SQL_RESET_PARAMS);
                std::vector<std::vector<unsigned char>> store;
                store.reserve(row.size());
                for (std::size_t i = 0; i < row.size(); ++i)
                    owner.Bind(*statement, static_cast<SQLUSMALLINT>(i + 1), row[i], store);
                owner.Check(SQLExecute(statement->handle), *statement, "Execute failed");
                SQLLEN n = 0;
                owner.Check(SQLRowCount(statement->handle, &n), *statement, "Row count failed");
                total += n;
                if (perRow)
                    changed.push_back(n);
            }
            if (!perRow)
                changed.push_back(total);
        }

        // The whole block as one array of parameter sets, bound column by
        // column; false (nothing run) when a column's values do not share one
        // type the array can hold.
        bool RunArray(const std::vector<std::vector<CCxValue>>& parameters, std::vector<long long>& changed)
        {
            const std::size_t rows = parameters.size(), columns = parameters[0].size();
            for (const auto& row : parameters)
                if (row.size() != columns)
                    return false;
            struct CColumnArray
            {
                CxValueType type = CxTypeEmpty;
                std::vector<SQLDOUBLE> doubles;
                std::vector<SQLBIGINT> integers;
                std::vector<char> text;
                std::size_t width = 0;
                SQLSMALLINT digits = 0;
                std::vector<SQLLEN> lengths;
            };
            std::vector<CColumnArray> arrays(columns);
            for (std::size_t c = 0; c < columns; ++c) {
                CColumnArray& a = arrays[c];
                a.type = parameters[0][c].Type();
                for (const auto& row : parameters)
                    if (row[c].Type() != a.type)
                        return false;
                a.lengths.assign(rows, 0);
                switch (a.type) {
                case CxTypeSingle:
                case CxTypeDouble:
                    for (const auto& row : parameters)
                        a.doubles.push_back(row[c].AsReal());
                    break;
                case CxTypeInt8:
                case CxTypeInt16:
                case CxTypeInt32:
                case CxTypeInt64:
                case CxTypeUInt8:
                case CxTypeUInt16:
                case CxTypeUInt32:
                    for (const auto& row : parameters)
                        a.integers.push_back(row[c].AsInteger());
                    break;
                case CxTypeText:
                case CxTypeDecimal: {
                    for (const auto& row : parameters) {
                        a.width = std::max(a.width, row[c].AsText().size() + 1);
                        if (const auto dot = row[c].AsText().find('.'); dot != std::string::npos)
                            a.digits = std::max<SQLSMALLINT>(
                                a.digits, static_cast<SQLSMALLINT>(row[c].AsText().size() - dot - 1));
                    }
                    a.text.assign(a.width * rows, '\0');
                    for (std::size_t r = 0; r < rows; ++r) {
                        const std::string& t = parameters[r][c].AsText();
                        std::memcpy(a.text.data() + r * a.width, t.data(), t.size());
                        a.lengths[r] = static_cast<SQLLEN>(t.size());
                    }
                    break;
                }
                default:
                    return false;
                }
            }
            SQLFreeStmt(statement->handle, SQL_RESET_PARAMS);
            std::vector<SQLUSMALLINT> status(rows, SQL_PARAM_UNUSED);
            SQLULEN processed = 0;
            if (!SQL_SUCCEEDED(SQLSetStmtAttr(statement->handle, SQL_ATTR_PARAM_BIND_TYPE,
                                              reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN), 0)) ||
                !SQL_SUCCEEDED(SQLSetStmtAttr(statement->handle, SQL_ATTR_PARAMSET_SIZE,
                                              reinterpret_cast<SQLPOINTER>(rows), 0))) {
                // The driver offers no parameter arrays: one execution per row.
                SQLSetStmtAttr(statement->handle, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
                owner.arrayRowCounts = 0;
                return false;
            }
            SQLSetStmtAttr(statement->handle, SQL_ATTR_PARAM_STATUS_PTR, status.data(), 0);
            SQLSetStmtAttr(statement->handle, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);
            auto single = [&] {
                SQLSetStmtAttr(statement->handle, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
                SQLSetStmtAttr(statement->handle, SQL_ATTR_PARAM_STATUS_PTR, nullptr, 0);
                SQLSetStmtAttr(statement->handle, SQL_ATTR_PARAMS_PROCESSED_PTR, nullptr, 0);
                SQLFreeStmt(statement->handle, SQL_RESET_PARAMS);
            };
            for (std::size_t c = 0; c < columns; ++c) {
                CColumnArray& a = arrays[c];
                const auto index = static_cast<SQLUSMALLINT>(c + 1);
                SQLRETURN rc;
                if (!a.doubles.empty())
                    rc = SQLBindParameter(statement->handle, index, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0,
                                          a.doubles.data(), 0, nullptr);
                else if (!a.integers.empty())
                    rc = SQLBindParameter(statement->handle, index, SQL_PARAM_INPUT, SQL_C_SBIGINT,
                                          a.type == CxTypeInt64 ? SQL_BIGINT : SQL_INTEGER, 0, 0, a.integers.data(),
                                          0, nullptr);
                else
                    rc = SQLBindParameter(statement->handle, index, SQL_PARAM_INPUT, SQL_C_CHAR,
                                          a.type == CxTypeText ? SQL_VARCHAR : SQL_NUMERIC, a.width > 1 ? a.width - 1 : 1,
                                          a.digits, a.text.data(), static_cast<SQLLEN>(a.width), a.lengths.data());
                if (!SQL_SUCCEEDED(rc)) {
                    CCxEngineError e = Diagnostics(SQL_HANDLE_STMT, statement->handle, "Bind failed");
                    single();
                    throw e;
                }
            }
            const SQLRETURN rc = SQLExecute(statement->handle);
            if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
                CCxEngineError e = Diagnostics(SQL_HANDLE_STMT, statement->handle, "Execute failed");
                single();
                throw e;
            }
            for (std::size_t r = 0; r < rows && r < processed; ++r)
                if (status[r] == SQL_PARAM_ERROR) {
                    CCxEngineError e = Diagnostics(SQL_HANDLE_STMT, statement->handle, "Execute failed");
                    single();
                    throw e;
                }
            // Row counts: one total, or one per parameter set in turn.
            long long total = 0;
            SQLLEN n = 0;
            if (SQL_SUCCEEDED(SQLRowCount(statement->handle, &n)))
                total += n;
            if (owner.arrayRowCounts == SQL_PARC_BATCH)
                while (SQL_SUCCEEDED(SQLMoreResults(statement->handle)))
                    if (SQL_SUCCEEDED(SQLRowCount(statement->handle, &n)))
                        total += n;
            single();
            if (processed != rows)
                throw CCxEngineError{"Not all rows processed", "the driver ran only part of the parameter array"};
            changed.push_back(total);
            return true;
        }

        COdbcBackend& owner;
        std::unique_ptr<CHandle> statement;
    };

    std::unique_ptr<CCxPrepared> Prepare(const std::string& sql) override
    {
        auto prepared = std::make_unique<CPrepared>(*this);
        prepared->statement = Statement();
        std::vector<SQLCHAR> text(sql.begin(), sql.end());
        text.push_back(0);
        Check(SQLPrepare(prepared->statement->handle, text.data(), SQL_NTS), *prepared->statement, "Prepare failed");
        return prepared;
    }

    std::string RowIdentifier(const std::string&, const std::string&) override { return std::string(); }

    bool UpdatesFromValues() const override { return IsPsqlOdbc(); }

    void Close() override
    {
        if (!open)
            return;
        open = false;
        const SQLRETURN rc = SQLDisconnect(dbc->handle);
        CCxEngineError e;
        if (!SQL_SUCCEEDED(rc))
            e = Diagnostics(SQL_HANDLE_DBC, dbc->handle, "Disconnect failed");
        dbc.reset();
        if (!SQL_SUCCEEDED(rc))
            throw e;
    }

private:
    CHandle env;
    std::unique_ptr<CHandle> dbc;
    bool open = false;
    char quote = '"';
    std::string connectionText;
    std::string driverName;
    bool cursorsSurviveCommit = false;
    SQLUINTEGER arrayRowCounts = 0; // SQL_PARC_BATCH, SQL_PARC_NO_BATCH, or 0: no arrays
    bool inTransaction = false;
};

} // namespace

std::unique_ptr<CCxAdoBackend> OpenOdbcBackend(const std::string& connectionString)
{
    auto backend = std::make_unique<COdbcBackend>();
    backend->Open(connectionString);
    return backend;
}

std::string FindAccessOdbcDriver()
{
    CHandle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    if (env.handle == SQL_NULL_HANDLE)
        return std::string();
    SQLSetEnvAttr(env.handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLCHAR name[256];
    SQLCHAR attributes[1024];
    SQLSMALLINT nameLength = 0, attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDrivers(env.handle, direction, name, sizeof name, &nameLength, attributes,
                                    sizeof attributes, &attributesLength))) {
        direction = SQL_FETCH_NEXT;
        const std::string n = AsciiUpper(reinterpret_cast<char*>(name));
        if (n.find("ACCESS") != std::string::npos || n.find("MDB") != std::string::npos)
            return reinterpret_cast<char*>(name);
    }
    return std::string();
}
