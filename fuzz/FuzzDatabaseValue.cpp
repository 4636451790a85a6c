// libFuzzer target: the database layer's value conversion. Each input stores
// one value (null, integer, real, text or blob, from the input's bytes) in a
// column of one of the declared types the layer classifies, reads it back
// through CCxAdo with every typed getter and writes a double over it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "CxAdo.h"

namespace {

const char* const kDeclared[] = {"INTEGER", "INT",     "SMALLINT", "TINYINT",   "BIGINT",  "REAL",
                                 "DOUBLE",  "FLOAT",   "TEXT",     "CHAR(10)",  "CLOB",    "DATE",
                                 "DATETIME", "TIMESTAMP", "BOOLEAN", "BIT",     "DECIMAL(10,2)", "NUMERIC",
                                 "MONEY",   "BLOB",    ""};
constexpr std::size_t kTypes = sizeof kDeclared / sizeof kDeclared[0];

CCxAdo& Database()
{
    static CCxAdo* ado = [] {
        const char* folder = std::getenv("TMPDIR");
        const std::string file = std::string(folder && *folder ? folder : "/tmp") + "/geolynx-value-fuzz-" +
                                 std::to_string(::getpid()) + ".db";
        std::remove(file.c_str());
        // The layer logs engine errors; they go to a scratch state folder.
        setenv("XDG_STATE_HOME", (file + ".state").c_str(), 1);
        auto* a = new CCxAdo;
        const std::string connection = "Provider=SQLite;Data Source=" + file + ";Create=Yes;";
        if (a->Initialize() != 0 || a->Connect(connection.c_str()) != 0)
            std::abort();
        a->Execute("PRAGMA journal_mode=MEMORY");
        a->Execute("PRAGMA synchronous=OFF");
        for (std::size_t i = 0; i < kTypes; ++i)
        {
            char sql[200];
            std::snprintf(sql, sizeof sql, "CREATE TABLE k%zu ( id INTEGER PRIMARY KEY, v %s )", i, kDeclared[i]);
            if (a->Execute(sql) != 0)
                std::abort();
            std::snprintf(sql, sizeof sql, "CREATE TABLE n%zu ( v %s, w TEXT )", i, kDeclared[i]);
            if (a->Execute(sql) != 0)
                std::abort();
        }
        std::remove(file.c_str()); // the open connection keeps it
        return a;
    }();
    return *ado;
}

std::string Hex(const std::uint8_t* data, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < size; ++i)
    {
        hex += digits[data[i] >> 4];
        hex += digits[data[i] & 15];
    }
    return hex;
}

bool IsOneOf(CxValueType type, std::initializer_list<CxValueType> types)
{
    for (const CxValueType t : types)
        if (type == t)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    CCxAdo& ado = Database();
    const std::size_t type = data[0] % kTypes;
    const bool keyed = (data[0] / kTypes) % 2 == 0;
    const int storage = data[1] % 5;
    const std::uint8_t* value = data + 2;
    const std::size_t length = size - 2;

    std::string literal;
    switch (storage)
    {
    case 0:
        literal = "NULL";
        break;
    case 1:
    {
        std::int64_t n = 0;
        std::memcpy(&n, value, std::min<std::size_t>(length, sizeof n));
        literal = std::to_string(n);
        break;
    }
    case 2:
    {
        double d = 0;
        std::memcpy(&d, value, std::min<std::size_t>(length, sizeof d));
        if (std::isnan(d))
            d = 0;
        char text[64];
        std::snprintf(text, sizeof text, "%.17g", d);
        literal = std::isinf(d) ? (d > 0 ? "9e999" : "-9e999") : text;
        break;
    }
    case 3:
        literal = "CAST(X'" + Hex(value, length) + "' AS TEXT)";
        break;
    default:
        literal = "X'" + Hex(value, length) + "'";
        break;
    }
    const std::string table = (keyed ? "k" : "n") + std::to_string(type);
    const std::string insert = keyed ? "INSERT INTO " + table + " ( id, v ) VALUES ( 1, " + literal + " )"
                                     : "INSERT INTO " + table + " ( v, w ) VALUES ( " + literal + ", 'x' )";
    if (ado.Execute(("DELETE FROM " + table).c_str()) != 0 || ado.Execute(insert.c_str()) != 0)
        std::abort();

    if (ado.OpenRecordset(("SELECT * FROM " + table).c_str()) != 1)
        std::abort();
    const CCxValue v = ado.GetFieldValue("v");
    if (v.IsAbsent())
        std::abort();
    const CxValueType t = v.Type();

    CCxString text;
    std::string plain;
    const int gotText = ado.GetFieldString("v", text);
    if ((gotText == 1) != IsOneOf(t, {CxTypeNull, CxTypeText, CxTypeDate}))
        std::abort();
    if (ado.GetFieldString("V", plain) != gotText || (gotText == 1 && plain != text.str()))
        std::abort();

    int whole = 7;
    long wide = 7;
    const int gotWhole = ado.GetFieldLong("v", whole);
    if (ado.GetFieldLong("v", wide) != gotWhole || (gotWhole == 1 && wide != whole))
        std::abort();
    if (gotWhole == 1 && t == CxTypeInt64 && whole != v.AsInteger())
        std::abort();

    double real = 0;
    const int gotReal = ado.GetFieldDouble("v", real);
    if ((gotReal == 1) != IsOneOf(t, {CxTypeNull, CxTypeInt32, CxTypeSingle, CxTypeDouble, CxTypeDate}))
        std::abort();

    // The keyed row is found by its key whatever it holds.
    const int wrote = ado.SetFieldDouble("v", 2.5);
    if (keyed && wrote != 1)
        std::abort();
    ado.CloseRecordset();
    return 0;
}
