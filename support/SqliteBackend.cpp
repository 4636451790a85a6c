// Native SQLite engine of the database layer.
//
// Value types by the column's declared type (checked in this order, the
// first match wins), then by what the row actually stores:
//   declared type holds       stored value       value type
//   BOOL, or is BIT            integer            boolean (11)
//   DATE or TIME               ISO 8601 text      date (7)
//                              real               date from a Julian day number
//                              integer            date from Unix seconds
//                              (a number outside the years 100 to 9999 keeps its stored type)
//   SMALLINT                   integer            16-bit (2) when it fits, else as INT
//   TINYINT                    integer            8-bit signed (16) when it fits, else as INT
//   BIGINT or INT8             integer            64-bit (20)
//   INT                        integer            32-bit (3) when it fits, else 64-bit (20)
//   REAL, FLOA or DOUB         integer or real    double (5)
//   DEC, NUM or MONEY          integer or real    decimal (14)
//   anything, or none          null               null (1)
//                              integer            32-bit, or 64-bit when it does not fit
//                              real               double
//                              text               text (8)
//                              blob               bytes
// A stored value that the declared type cannot hold (text in a REAL column)
// keeps the type of what is stored.

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>

#include "AdoBackend.h"

namespace {

enum class Declared { None, Boolean, Date, Int16, Int8, Int64, Int, Real, Decimal, Text };

Declared Classify(const char* decltype_)
{
    if (decltype_ == nullptr)
        return Declared::None;
    std::string d(decltype_);
    std::transform(d.begin(), d.end(), d.begin(), [](unsigned char c) { return std::toupper(c); });
    auto has = [&](const char* s) { return d.find(s) != std::string::npos; };
    if (has("BOOL") || d == "BIT")
        return Declared::Boolean;
    if (has("DATE") || has("TIME"))
        return Declared::Date;
    if (has("SMALLINT"))
        return Declared::Int16;
    if (has("TINYINT"))
        return Declared::Int8;
    if (has("BIGINT") || has("INT8"))
        return Declared::Int64;
    if (has("INT"))
        return Declared::Int;
    if (has("CHAR") || has("CLOB") || has("TEXT"))
        return Declared::Text;
    if (has("REAL") || has("FLOA") || has("DOUB"))
        return Declared::Real;
    if (has("DEC") || has("NUM") || has("MONEY"))
        return Declared::Decimal;
    return Declared::None;
}

CCxValue IntegerValue(sqlite3_int64 v)
{
    if (v >= INT_MIN && v <= INT_MAX)
        return CCxValue::Integer(CxTypeInt32, v);
    return CCxValue::Integer(CxTypeInt64, v);
}

std::string Text(sqlite3_stmt* st, int i)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
    return p != nullptr ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st, i))) : std::string();
}

CCxValue Cell(sqlite3_stmt* st, int i, Declared declared)
{
    const int stored = sqlite3_column_type(st, i);
    if (stored == SQLITE_NULL)
        return CCxValue::Null();
    switch (declared) {
    case Declared::Boolean:
        if (stored == SQLITE_INTEGER)
            return CCxValue::Boolean(sqlite3_column_int64(st, i) != 0);
        break;
    case Declared::Date:
        if (stored == SQLITE_TEXT) {
            CxDateTime dt;
            if (ParseIsoDateTime(Text(st, i), dt))
                return CCxValue::Date(DayNumberFromDateTime(dt));
        } else if (stored == SQLITE_FLOAT) {
            // Julian day number, SQLite's julianday(); day 0 of the tagged value is JD 2415018.5.
            // A number beyond the dates' span is no date and keeps its stored type.
            if (const double day = sqlite3_column_double(st, i) - 2415018.5; IsDateDayNumber(day))
                return CCxValue::Date(day);
        } else if (stored == SQLITE_INTEGER) {
            // Unix seconds, SQLite's unixepoch(); 25569 days lie between the two epochs.
            if (const double day = static_cast<double>(sqlite3_column_int64(st, i)) / 86400.0 + 25569.0;
                IsDateDayNumber(day))
                return CCxValue::Date(day);
        }
        break;
    case Declared::Int16:
        if (stored == SQLITE_INTEGER) {
            const sqlite3_int64 v = sqlite3_column_int64(st, i);
            if (v >= SHRT_MIN && v <= SHRT_MAX)
                return CCxValue::Integer(CxTypeInt16, v);
            return IntegerValue(v);
        }
        break;
    case Declared::Int8:
        if (stored == SQLITE_INTEGER) {
            const sqlite3_int64 v = sqlite3_column_int64(st, i);
            if (v >= SCHAR_MIN && v <= SCHAR_MAX)
                return CCxValue::Integer(CxTypeInt8, v);
            return IntegerValue(v);
        }
        break;
    case Declared::Int64:
        if (stored == SQLITE_INTEGER)
            return CCxValue::Integer(CxTypeInt64, sqlite3_column_int64(st, i));
        break;
    case Declared::Int:
        break;
    case Declared::Real:
        if (stored == SQLITE_INTEGER || stored == SQLITE_FLOAT)
            return CCxValue::Double(sqlite3_column_double(st, i));
        break;
    case Declared::Decimal:
        if (stored == SQLITE_INTEGER || stored == SQLITE_FLOAT)
            return CCxValue::Decimal(Text(st, i));
        break;
    case Declared::Text:
    case Declared::None:
        break;
    }
    switch (stored) {
    case SQLITE_INTEGER:
        return IntegerValue(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT:
        return CCxValue::Double(sqlite3_column_double(st, i));
    case SQLITE_TEXT:
        return CCxValue::Text(Text(st, i));
    default: {
        const auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(st, i));
        const int n = sqlite3_column_bytes(st, i);
        return CCxValue::Bytes(std::vector<unsigned char>(p, p + n));
    }
    }
}

class CStatement
{
public:
    CStatement() = default;
    ~CStatement() { sqlite3_finalize(st); }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;
    sqlite3_stmt* st = nullptr;
};

bool OnlyBlanks(const char* p)
{
    for (; p != nullptr && *p != '\0'; ++p)
        if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';')
            return false;
    return true;
}

class CSqliteBackend : public CCxAdoBackend
{
public:
    CSqliteBackend(sqlite3* handle, int busy) : db(handle), busyMilliseconds(busy) {}
    ~CSqliteBackend() override
    {
        try {
            Close();
        } catch (...) {
        }
    }

    [[noreturn]] void Fail(int rc)
    {
        // A lock held elsewhere outlasted the wait: say so plainly.
        if ((rc & 0xff) == SQLITE_BUSY) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "another connection holds a lock on the database file; gave up after waiting %d s",
                          (busyMilliseconds + 999) / 1000);
            throw CCxEngineError{sqlite3_errstr(rc), text};
        }
        throw CCxEngineError{sqlite3_errstr(rc), db != nullptr ? sqlite3_errmsg(db) : ""};
    }

    void Execute(const std::string& sql) override
    {
        const char* tail = sql.c_str();
        while (!OnlyBlanks(tail)) {
            CStatement s;
            const char* next = nullptr;
            int rc = sqlite3_prepare_v2(db, tail, -1, &s.st, &next);
            if (rc != SQLITE_OK)
                Fail(rc);
            if (s.st != nullptr) {
                while ((rc = sqlite3_step(s.st)) == SQLITE_ROW) {
                }
                if (rc != SQLITE_DONE)
                    Fail(rc);
            }
            tail = next;
        }
    }

    CCxResult Query(const std::string& sql) override
    {
        CStatement s;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &s.st, &tail);
        if (rc != SQLITE_OK)
            Fail(rc);
        if (s.st == nullptr)
            throw CCxEngineError{"No statement", "the query text holds no SQL statement"};
        if (!OnlyBlanks(tail))
            throw CCxEngineError{"Several statements", "a query is one statement; the text goes on after it"};
        return Read(s.st);
    }

    // SQLite renames a column of a join "numId:1" when it thinks the name
    // taken; where no other column of the result has that name the table's
    // own column name is the one callers ask for.
    static void RestoreColumnNames(std::vector<CCxColumn>& columns)
    {
        for (CCxColumn& c : columns) {
            const std::string& origin = c.baseColumn;
            if (origin.empty() || c.name.size() <= origin.size() + 1 || c.name.compare(0, origin.size(), origin) != 0 ||
                c.name[origin.size()] != ':')
                continue;
            const std::string suffix = c.name.substr(origin.size() + 1);
            if (suffix.find_first_not_of("0123456789") != std::string::npos)
                continue;
            bool taken = false;
            for (const CCxColumn& other : columns)
                taken = taken || other.name == origin;
            if (!taken)
                c.name = origin;
        }
    }

    static std::vector<CCxColumn> Columns(sqlite3_stmt* st, std::vector<Declared>& declared)
    {
        std::vector<CCxColumn> columns;
        const int n = sqlite3_column_count(st);
        if (n == 0)
            throw CCxEngineError{"No result", "the statement returns no rows to read"};
        for (int i = 0; i < n; ++i) {
            CCxColumn c;
            c.name = sqlite3_column_name(st, i);
            if (const char* t = sqlite3_column_table_name(st, i))
                c.baseTable = t;
            if (const char* o = sqlite3_column_origin_name(st, i))
                c.baseColumn = o;
            if (const char* d = sqlite3_column_database_name(st, i); d != nullptr && std::string(d) != "main")
                c.baseSchema = d;
            columns.push_back(std::move(c));
            declared.push_back(Classify(sqlite3_column_decltype(st, i)));
        }
        RestoreColumnNames(columns);
        return columns;
    }

    static std::vector<CCxValue> Row(sqlite3_stmt* st, const std::vector<Declared>& declared)
    {
        std::vector<CCxValue> row;
        row.reserve(declared.size());
        for (std::size_t i = 0; i < declared.size(); ++i)
            row.push_back(Cell(st, static_cast<int>(i), declared[i]));
        return row;
    }

    // Reads the current row into row n of rows, in its storage when it has one.
    static void PutRow(sqlite3_stmt* st, const std::vector<Declared>& declared,
                       std::vector<std::vector<CCxValue>>& rows, std::size_t n)
    {
        if (n == rows.size())
            rows.emplace_back();
        std::vector<CCxValue>& row = rows[n];
        row.resize(declared.size());
        for (std::size_t i = 0; i < declared.size(); ++i)
            row[i] = Cell(st, static_cast<int>(i), declared[i]);
    }

    CCxResult Read(sqlite3_stmt* st)
    {
        CCxResult result;
        std::vector<Declared> declared;
        result.columns = Columns(st, declared);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            result.rows.push_back(Row(st, declared));
        if (rc != SQLITE_DONE)
            Fail(rc);
        return result;
    }

    CCxResult Schema(int kind) override
    {
        // The rowsets carry the column names of the OLE DB schema rowsets.
        const char* sql = nullptr;
        if (kind == 20)
            sql = "SELECT NULL AS TABLE_CATALOG, NULL AS TABLE_SCHEMA, name AS TABLE_NAME, "
                  "CASE WHEN name LIKE 'sqlite\\_%' ESCAPE '\\' THEN 'SYSTEM TABLE' "
                  "WHEN type = 'view' THEN 'VIEW' ELSE 'TABLE' END AS TABLE_TYPE, NULL AS DESCRIPTION "
                  "FROM sqlite_schema WHERE type IN ('table', 'view') ORDER BY TABLE_TYPE, name";
        else if (kind == 4)
            sql = "SELECT NULL AS TABLE_CATALOG, NULL AS TABLE_SCHEMA, m.name AS TABLE_NAME, "
                  "p.name AS COLUMN_NAME, p.cid + 1 AS ORDINAL_POSITION, "
                  "CASE WHEN p.\"notnull\" THEN 0 ELSE 1 END AS IS_NULLABLE, p.type AS TYPE_NAME "
                  "FROM sqlite_schema AS m JOIN pragma_table_info(m.name) AS p "
                  "WHERE m.type IN ('table', 'view') ORDER BY m.name, p.cid";
        else
            throw CCxEngineError{"Unsupported schema", "this schema kind is not provided; use 4 (columns) or 20 (tables)"};
        CCxResult result = Query(sql);
        for (auto& c : result.columns)
            c.baseTable.clear();
        result.updatable = false;
        return result;
    }

    std::vector<std::string> PrimaryKey(const std::string& schema, const std::string& table) override
    {
        CStatement s;
        const std::string sql = "SELECT name FROM pragma_table_info(?1" +
                                std::string(schema.empty() ? "" : ", ?2") + ") WHERE pk > 0 ORDER BY pk";
        int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &s.st, nullptr);
        if (rc != SQLITE_OK)
            Fail(rc);
        sqlite3_bind_text(s.st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        if (!schema.empty())
            sqlite3_bind_text(s.st, 2, schema.c_str(), -1, SQLITE_TRANSIENT);
        std::vector<std::string> keys;
        while ((rc = sqlite3_step(s.st)) == SQLITE_ROW)
            keys.push_back(Text(s.st, 0));
        if (rc != SQLITE_DONE)
            Fail(rc);
        return keys;
    }

    void Bind(sqlite3_stmt* st, int index, const CCxValue& v)
    {
        switch (v.Type()) {
        case CxTypeNull:
            sqlite3_bind_null(st, index);
            break;
        case CxTypeSingle:
        case CxTypeDouble:
            sqlite3_bind_double(st, index, v.AsReal());
            break;
        case CxTypeText:
        case CxTypeDecimal:
            sqlite3_bind_text(st, index, v.AsText().c_str(), static_cast<int>(v.AsText().size()), SQLITE_TRANSIENT);
            break;
        case CxTypeBytes:
            sqlite3_bind_blob(st, index, v.AsBytes().data(), static_cast<int>(v.AsBytes().size()), SQLITE_TRANSIENT);
            break;
        default:
            sqlite3_bind_int64(st, index, v.AsInteger());
            break;
        }
    }

    void UpdateOne(const CCxRowUpdate& update, double value) override
    {
        // Inside the caller's transaction the row is saved with it.
        const bool own = sqlite3_get_autocommit(db) != 0;
        if (own)
            Execute("BEGIN IMMEDIATE");
        try {
            CStatement s;
            const std::string sql = BuildUpdateStatement(update);
            int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &s.st, nullptr);
            if (rc != SQLITE_OK)
                Fail(rc);
            sqlite3_bind_double(s.st, 1, value);
            int index = 2;
            for (const auto& m : update.match)
                if (!m.second.IsNull())
                    Bind(s.st, index++, m.second);
            rc = sqlite3_step(s.st);
            if (rc != SQLITE_DONE)
                Fail(rc);
            const int changed = sqlite3_changes(db);
            if (changed != 1) {
                char text[160];
                std::snprintf(text, sizeof text,
                              "the row is not identified: the update would change %d rows; nothing was written",
                              changed);
                throw CCxEngineError{"Row not identified", text};
            }
            if (own)
                Execute("COMMIT");
        } catch (...) {
            if (own)
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }

    void Close() override
    {
        if (db != nullptr) {
            const int rc = sqlite3_close(db);
            db = nullptr;
            if (rc != SQLITE_OK)
                throw CCxEngineError{sqlite3_errstr(rc), "the database could not be closed"};
        }
    }

    void Begin() override
    {
        // The write lock is taken at once, so a lock held elsewhere is waited
        // for here and not half-way through the work.
        Execute("BEGIN IMMEDIATE");
    }

    void Commit() override { Execute("COMMIT"); }

    bool IsEmbedded() const override { return true; }

    void Rollback() override
    {
        // An I/O error or a full disk may have rolled the transaction back already.
        if (sqlite3_get_autocommit(db) == 0)
            Execute("ROLLBACK");
    }

    class CCursor : public CCxCursor
    {
    public:
        CCursor(CSqliteBackend& owner_) : owner(owner_) {}
        bool Fetch(std::vector<std::vector<CCxValue>>& rows, std::size_t max) override
        {
            std::size_t n = 0;
            while (!done && n < max) {
                const int rc = sqlite3_step(s.st);
                if (rc == SQLITE_DONE)
                    done = true;
                else if (rc != SQLITE_ROW)
                    owner.Fail(rc);
                else
                    PutRow(s.st, declared, rows, n++);
            }
            rows.resize(n);
            return !done;
        }
        CSqliteBackend& owner;
        CStatement s;
        std::vector<Declared> declared;
        bool done = false;
    };

    std::unique_ptr<CCxCursor> OpenCursor(const std::string& sql, std::size_t) override
    {
        // One statement stepped as the rows are wanted; SQLite lets the same
        // connection write and commit while it is open.
        auto cursor = std::make_unique<CCursor>(*this);
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &cursor->s.st, &tail);
        if (rc != SQLITE_OK)
            Fail(rc);
        if (cursor->s.st == nullptr)
            throw CCxEngineError{"No statement", "the query text holds no SQL statement"};
        if (!OnlyBlanks(tail))
            throw CCxEngineError{"Several statements", "a query is one statement; the text goes on after it"};
        cursor->columns = Columns(cursor->s.st, cursor->declared);
        return cursor;
    }

    // A statement open on a SQLite file keeps a shared lock until it ends,
    // and a connection with a shared lock cannot wait for another's write
    // lock (SQLite answers "busy" at once, to avoid a deadlock); nor can the
    // other program commit meanwhile. So each block is a query of its own,
    // run to its end: "... WHERE (keys) > (last keys) ORDER BY keys LIMIT n".
    class CKeyedCursor : public CCxCursor
    {
    public:
        CKeyedCursor(CSqliteBackend& owner_) : owner(owner_) {}
        ~CKeyedCursor() override { ForgetLast(); }
        void ForgetLast()
        {
            for (auto* v : last)
                sqlite3_value_free(v);
            last.clear();
        }
        bool Fetch(std::vector<std::vector<CCxValue>>& rows, std::size_t max) override
        {
            if (done || max == 0) {
                rows.clear();
                return !done;
            }
            sqlite3_stmt* st = last.empty() ? firstPage.st : nextPage.st;
            int index = 1;
            for (auto* v : last)
                sqlite3_bind_value(st, index++, v);
            sqlite3_bind_int64(st, index, static_cast<sqlite3_int64>(max));
            std::size_t n = 0;
            int rc = SQLITE_ROW;
            while (n < max && (rc = sqlite3_step(st)) == SQLITE_ROW) {
                PutRow(st, declared, rows, n);
                if (++n == max) {
                    ForgetLast();
                    for (const int field : keyFields)
                        last.push_back(sqlite3_value_dup(sqlite3_column_value(st, field)));
                }
            }
            sqlite3_reset(st);
            rows.resize(n);
            if (rc != SQLITE_ROW && rc != SQLITE_DONE)
                owner.Fail(rc);
            for (auto* v : last)
                if (v == nullptr)
                    throw CCxEngineError{"Out of memory", "the key of the last row read could not be kept"};
            done = n < max;
            return !done;
        }
        CSqliteBackend& owner;
        CStatement firstPage, nextPage;
        std::vector<Declared> declared;
        std::vector<int> keyFields;
        std::vector<sqlite3_value*> last;
        bool done = false;
    };

    std::unique_ptr<CCxCursor> OpenKeyedCursor(const std::string& select, const std::vector<std::string>& keys,
                                               const std::vector<int>& keyFields, std::size_t) override
    {
        if (keys.empty() || keys.size() != keyFields.size())
            throw CCxEngineError{"No key", "a keyed cursor needs the columns that name each row"};
        std::string list, marks;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            list += (i > 0 ? ", " : "") + keys[i];
            marks += i > 0 ? ", ?" : "?";
        }
        const std::string order = " ORDER BY " + list + " LIMIT ?";
        const std::string after = keys.size() == 1 ? " WHERE " + list + " > ?" : " WHERE (" + list + ") > (" + marks + ")";
        auto cursor = std::make_unique<CKeyedCursor>(*this);
        int rc = sqlite3_prepare_v2(db, (select + order).c_str(), -1, &cursor->firstPage.st, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_prepare_v2(db, (select + after + order).c_str(), -1, &cursor->nextPage.st, nullptr);
        if (rc != SQLITE_OK)
            Fail(rc);
        cursor->columns = Columns(cursor->firstPage.st, cursor->declared);
        for (const int field : keyFields)
            if (field < 0 || field >= static_cast<int>(cursor->columns.size()))
                throw CCxEngineError{"No key", "a key field is not in the result"};
        cursor->keyFields = keyFields;
        return cursor;
    }

    class CPrepared : public CCxPrepared
    {
    public:
        CPrepared(CSqliteBackend& owner_) : owner(owner_) {}
        void Run(const std::vector<std::vector<CCxValue>>& parameters, bool perRow,
                 std::vector<long long>& changed) override
        {
            changed.clear();
            long long total = 0;
            for (const auto& row : parameters) {
                sqlite3_reset(s.st);
                sqlite3_clear_bindings(s.st);
                for (std::size_t i = 0; i < row.size(); ++i)
                    owner.Bind(s.st, static_cast<int>(i + 1), row[i]);
                const int rc = sqlite3_step(s.st);
                if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
                    sqlite3_reset(s.st);
                    owner.Fail(rc);
                }
                const long long n = sqlite3_changes(owner.db);
                total += n;
                if (perRow)
                    changed.push_back(n);
            }
            sqlite3_reset(s.st);
            if (!perRow)
                changed.push_back(total);
        }
        CSqliteBackend& owner;
        CStatement s;
    };

    std::unique_ptr<CCxPrepared> Prepare(const std::string& sql) override
    {
        auto prepared = std::make_unique<CPrepared>(*this);
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &prepared->s.st, &tail);
        if (rc != SQLITE_OK)
            Fail(rc);
        if (prepared->s.st == nullptr || !OnlyBlanks(tail))
            throw CCxEngineError{"Not one statement", "a prepared statement is exactly one SQL statement"};
        return prepared;
    }

    std::string RowIdentifier(const std::string& schema, const std::string& table) override
    {
        // The first of rowid's three names that no column of the table takes;
        // a table WITHOUT ROWID refuses them all.
        std::vector<std::string> names;
        {
            CStatement s;
            const std::string sql =
                "SELECT name FROM pragma_table_info(?1" + std::string(schema.empty() ? "" : ", ?2") + ")";
            int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &s.st, nullptr);
            if (rc != SQLITE_OK)
                Fail(rc);
            sqlite3_bind_text(s.st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            if (!schema.empty())
                sqlite3_bind_text(s.st, 2, schema.c_str(), -1, SQLITE_TRANSIENT);
            while ((rc = sqlite3_step(s.st)) == SQLITE_ROW)
                names.push_back(Text(s.st, 0));
            if (rc != SQLITE_DONE)
                Fail(rc);
        }
        auto lower = [](std::string t) {
            for (auto& c : t)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return t;
        };
        for (const char* alias : {"rowid", "_rowid_", "oid"}) {
            bool taken = false;
            for (const auto& n : names)
                taken = taken || lower(n) == alias;
            if (taken)
                continue;
            CStatement s;
            const std::string sql = std::string("SELECT ") + alias + " FROM " +
                                    (schema.empty() ? "" : QuoteIdentifier(schema) + ".") + QuoteIdentifier(table);
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s.st, nullptr) == SQLITE_OK)
                return alias;
            return std::string();
        }
        return std::string();
    }

private:
    sqlite3* db = nullptr;
    int busyMilliseconds = 10000;
};

} // namespace

std::unique_ptr<CCxAdoBackend> OpenSqliteBackend(const std::string& path, bool create, int busyMilliseconds)
{
    sqlite3* db = nullptr;
    // A connection belongs to the task that opened it and is used by one
    // thread at a time, so SQLite's own locks around every call are not needed.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        CCxEngineError e{sqlite3_errstr(rc), db != nullptr ? sqlite3_errmsg(db) : ""};
        if (rc == SQLITE_CANTOPEN)
            e.description += ": " + path;
        sqlite3_close(db);
        throw e;
    }
    // The engine's command time-out (10 seconds unless the connection string
    // says otherwise): how long to wait for a lock.
    sqlite3_busy_timeout(db, busyMilliseconds);
    auto backend = std::make_unique<CSqliteBackend>(db, busyMilliseconds);
    // Opening is lazy; reading the schema proves the file is a database.
    backend->Execute("SELECT count(*) FROM sqlite_schema");
    // A transaction that writes more pages than the page cache holds spills
    // them to the file before its commit, and each spill waits for the disk
    // to sync the journal: the cache holds 32 MiB of pages, not SQLite's 2.
    // It grows only with the pages a connection reads or writes.
    backend->Execute("PRAGMA cache_size = -32768");
    return backend;
}

std::string QuoteIdentifier(const std::string& name, char quote)
{
    std::string out(1, quote);
    for (char c : name) {
        out += c;
        if (c == quote)
            out += c;
    }
    out += quote;
    return out;
}

std::string BuildUpdateStatement(const CCxRowUpdate& update, char quote)
{
    std::string sql = "UPDATE ";
    if (!update.schema.empty())
        sql += QuoteIdentifier(update.schema, quote) + ".";
    sql += QuoteIdentifier(update.table, quote) + " SET " + QuoteIdentifier(update.column, quote) + " = ? WHERE ";
    for (std::size_t i = 0; i < update.match.size(); ++i) {
        if (i > 0)
            sql += " AND ";
        sql += QuoteIdentifier(update.match[i].first, quote);
        sql += update.match[i].second.IsNull() ? " IS NULL" : " = ?";
    }
    return sql;
}
