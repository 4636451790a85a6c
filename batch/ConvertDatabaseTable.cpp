#include "ConvertDatabaseTable.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "BatchPipeline.h"
#include "BatchRunControl.h"
#include "CxAdo.h"
#include "Messages.h"
#include "NumericLocale.h"
#include "NumberText.h"

namespace {

constexpr std::size_t kPreviewRecords = 25;
// A block of records is written with its own statements: at most this many,
// at most one hundredth of the table (so the bar moves by single steps), and
// no more than about a second of work.
constexpr long long kBlockRecordsMax = 10000;
constexpr auto kBlockTime = std::chrono::seconds(1);
// On SQLite, blocks share a transaction, committed once it is this old and
// when the run ends, is cancelled or fails: each commit waits four times for
// the disk (some 15 to 20 ms each on a local disk), so a table of any size
// makes a few commits, not one a block. A block that fails is rolled back to
// the savepoint before it, and the blocks before it are committed. On a
// server, whose connection may be lost half-way, each block is committed.
constexpr auto kCommitTime = std::chrono::seconds(1);
constexpr const char* kBlockSavepoint = "geolynx_block";
// Records read between two looks at the clock.
constexpr std::size_t kClockRecords = 64;
constexpr int kFetchRows = 2000;
// How many of the records left unchanged the end of a run names.
constexpr std::size_t kNamedRecords = 10;
// Records not worth a thread of their own.
constexpr std::size_t kRecordsAShare = 64;

std::string Formatted(const char* format, double value)
{
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// Rounds to n decimals, halves going upwards. A double holds no more than
// 15 significant decimals of a coordinate; asked for more, it is kept whole.
// The power of ten is worked out once for the run, not for every value.
class CRounding
{
public:
    explicit CRounding(int decimals) : whole(decimals > 15), scale(std::pow(10.0, decimals)) {}
    double operator()(double value) const { return whole ? value : std::floor(value * scale + 0.5) / scale; }

private:
    bool whole;
    double scale;
};

void CloseAll(CCxAdo& ado)
{
    ado.ClosePrepared();
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
}

// The position of a field in the open record set, the exact name first, then
// ignoring case as the database layer does; -1 when there is none. Fields
// before first are not the table's own.
int FindField(const CCxAdo& ado, const std::string& name, int first = 0)
{
    const int n = ado.FieldCount();
    for (int i = first; i < n; ++i)
        if (ado.FieldName(i) == name)
            return i;
    for (int i = first; i < n; ++i)
        if (EqualNoCase(ado.FieldName(i), name))
            return i;
    return -1;
}

} // namespace

CoordinateValue ReadCoordinateValue(const CCxValue& value, double& number)
{
    number = 0.0;
    switch (value.Type())
    {
    case CxTypeNull:
    case CxTypeEmpty:
        return CoordinateValue::Empty;
    case CxTypeInt8:
    case CxTypeInt16:
    case CxTypeInt32:
    case CxTypeInt64:
    case CxTypeUInt8:
    case CxTypeUInt16:
    case CxTypeUInt32:
        number = static_cast<double>(value.AsInteger());
        return CoordinateValue::Number;
    case CxTypeUInt64:
        number = static_cast<double>(static_cast<std::uint64_t>(value.AsInteger()));
        return CoordinateValue::Number;
    case CxTypeSingle:
    case CxTypeDouble:
        number = value.AsReal();
        return std::isfinite(number) ? CoordinateValue::Number : CoordinateValue::NotNumber;
    case CxTypeText:
    case CxTypeDecimal: {
        const std::string& text = value.AsText();
        if (text.find_first_not_of(" \t\r\n") == std::string::npos)
            return CoordinateValue::Empty;
        // Numbers stored as text are read as every other reader reads them.
        return ReadStrictNumber(text, '.', true, number) ? CoordinateValue::Number : CoordinateValue::NotNumber;
    }
    default:
        // Dates, booleans, money, bytes: no coordinate.
        return CoordinateValue::NotNumber;
    }
}

std::string QuoteIdentifier(const std::string& name)
{
    std::string quoted = "\"";
    for (const char c : name)
    {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::vector<std::vector<std::string>> PreviewDatabaseTable(const BatchSettings& settings)
{
    CNumericLocale numbers;
    std::vector<std::vector<std::string>> rows;
    CCxAdo ado;
    if (ado.Initialize() != 0 || ado.Connect(settings.connectionString.c_str()) != 0)
    {
        ShowMessageText(ado.LastMessage.str());
        CloseAll(ado);
        return rows;
    }
    const std::string sql = "SELECT " + QuoteIdentifier(settings.sourceField1) + "," +
                            QuoteIdentifier(settings.sourceField2) + " FROM " + QuoteIdentifier(settings.table);
    const int opened = ado.OpenRecordset(sql.c_str());
    if (opened == -1)
        ShowMessageText(ado.LastMessage.str());
    if (opened == 1)
    {
        const char* format = settings.sourceGrid != 0 ? "%3.2lf" : "%3.6lf";
        while (rows.size() < kPreviewRecords)
        {
            const CCxValue northing = ado.GetFieldValue(settings.sourceField1.c_str());
            const CCxValue easting = ado.GetFieldValue(settings.sourceField2.c_str());
            if (northing.IsAbsent() || easting.IsAbsent())
            {
                ShowMessageText(ado.LastMessage.str());
                break;
            }
            // A value that is no coordinate shows as an empty cell: the run
            // leaves its record unchanged.
            auto cell = [&](const CCxValue& v) {
                double number = 0;
                return ReadCoordinateValue(v, number) == CoordinateValue::Number ? Formatted(format, number)
                                                                                 : std::string();
            };
            std::vector<std::string> row = {cell(easting), cell(northing)};
            if (settings.altitudeColumn != 0)
                row.emplace_back();
            // Each row goes in at the top, as the list shows them.
            rows.insert(rows.begin(), std::move(row));
            if (ado.MoveNext() != 1)
                break;
        }
    }
    CloseAll(ado);
    return rows;
}

namespace {

// How one run of the table worker names records and writes them.
struct CTablePlan
{
    std::string rowIdentifier;             // SQLite's rowid under the name that reaches it, or ""
    std::vector<std::string> keyColumns;   // the primary key, when the table has one
    std::vector<CxValueType> keyTypes;     // their declared types
    std::vector<std::string> matchColumns; // the columns whose values pick a record
    bool unique = false;                   // the match columns are a key: one record each
    long long records = 0;
};

std::string CountText(long long n, const char* one, const char* many)
{
    char text[96];
    std::snprintf(text, sizeof text, "%lld %s", n, n == 1 ? one : many);
    return text;
}

// What the CREATE of the field would have to be to hold the converted value
// exactly; "" when it can.
std::string WhyFieldCannotHold(CxValueType type, int scale, int decimals)
{
    switch (type)
    {
    case CxTypeInt8:
    case CxTypeInt16:
    case CxTypeInt32:
    case CxTypeInt64:
    case CxTypeUInt8:
    case CxTypeUInt16:
    case CxTypeUInt32:
    case CxTypeUInt64:
        return "it holds whole numbers only";
    case CxTypeSingle:
        return "it holds single-precision numbers, about seven digits";
    case CxTypeBoolean:
        return "it holds true or false";
    case CxTypeDate:
        return "it holds dates";
    case CxTypeBytes:
        return "it holds binary data";
    case CxTypeDecimal:
        if (scale >= 0 && scale < decimals)
            return "it keeps " + std::to_string(scale) + " decimals and the values have " + std::to_string(decimals);
        return std::string();
    default:
        return std::string();
    }
}

// The fields a run reads and writes, by the names the table gives them:
// latitude, longitude, their destinations, and with heights the height and
// its destination.
struct TableFields
{
    std::string names[6];
    bool heights = false;
};

// Finds the settings' fields in the open empty recordset and checks that the
// destinations can take the converted values; false, with why, when not.
bool FindTableFields(CCxAdo& ado, const BatchSettings& s, int decimals, int heightDecimals, TableFields& fields,
                     std::string& why)
{
    std::string* names = fields.names;
    const std::string* wanted[6] = {&s.sourceField1, &s.sourceField2, &s.destinationField1,
                                    &s.destinationField2, &s.sourceField3, &s.destinationField3};
    for (int i = 0; i < (fields.heights ? 6 : 4); ++i)
    {
        const int at = FindField(ado, *wanted[i]);
        if (at < 0)
            return why = "The table \"" + s.table + "\" has no field \"" + *wanted[i] + "\"; nothing was written.",
                   false;
        names[i] = ado.FieldName(at);
    }
    if (names[2] == names[3])
        return why = "The two destination fields are the same field \"" + names[2] +
                     "\"; choose one for the latitude or northing and another for the longitude or easting. "
                     "Nothing was written.",
               false;
    if (fields.heights && (names[5] == names[2] || names[5] == names[3]))
        return why = "The height's destination field \"" + names[5] +
                     "\" also receives the latitude or longitude; choose a field of its own. Nothing was written.",
               false;
    for (const int i : {2, 3, 5})
    {
        if (i == 5 && !fields.heights)
            continue;
        const int at = FindField(ado, names[i]);
        const std::string cannot = WhyFieldCannotHold(ado.FieldDeclaredType(at), ado.FieldScale(at),
                                                      i == 5 ? heightDecimals : decimals);
        if (!cannot.empty())
            return why = "The field \"" + names[i] + "\" cannot hold the converted values: " + cannot +
                         ". Nothing was written.",
                   false;
    }
    return true;
}

// How a record is found again to be written: by SQLite's rowid, else by its
// primary key, else by the values of all its fields; and the record count.
// False, with why (empty: the database's message), when the table cannot be
// updated record by record.
bool PlanTable(CCxAdo& ado, const BatchSettings& s, const TableFields& fields, CTablePlan& plan,
               std::vector<std::string>& allNames, std::string& why)
{
    const std::string table = QuoteIdentifier(s.table);
    std::vector<std::string> allColumns;
    for (int i = 0; i < ado.FieldCount(); ++i)
        allNames.push_back(ado.FieldName(i));
    for (int i = 0; i < ado.FieldCount(); ++i)
        if (ado.FieldDeclaredType(i) != CxTypeBytes)
            allColumns.push_back(ado.FieldName(i));
    std::vector<std::string> key;
    if (ado.GetPrimaryKey(s.table.c_str(), key) != 0)
        return false;
    for (auto& k : key)
    {
        const int at = FindField(ado, k);
        if (at < 0)
        {
            key.clear();
            break;
        }
        k = ado.FieldName(at);
    }
    for (const int i : {2, 3, 5})
        for (const auto& k : key)
            if ((i != 5 || fields.heights) && EqualNoCase(k, fields.names[i]))
                return why = "The field \"" + fields.names[i] + "\" is part of the primary key of \"" + s.table +
                             "\", which names each record; it cannot receive converted values. Nothing was "
                             "written.",
                       false;
    plan.keyColumns = key;
    for (const auto& k : key)
        plan.keyTypes.push_back(ado.FieldDeclaredType(FindField(ado, k)));
    ado.CloseRecordset();
    if (ado.GetRowIdentifier(s.table.c_str(), plan.rowIdentifier) != 0)
        return false;
    if (plan.rowIdentifier.empty())
        plan.matchColumns = key.empty() ? allColumns : key;
    plan.unique = !plan.rowIdentifier.empty() || !key.empty();

    // The record count, for the percentage; and a table without a key must
    // not hold two records alike, or an update could not tell them apart.
    if (ado.OpenRecordset(("SELECT count(*) FROM " + table).c_str()) != 1)
        return false;
    double total = 0;
    ReadCoordinateValue(ado.FieldAt(0), total);
    plan.records = static_cast<long long>(total);
    ado.CloseRecordset();
    if (plan.unique || plan.records <= 1)
        return true;
    std::string list;
    for (const auto& c : plan.matchColumns)
        list += (list.empty() ? "" : ", ") + QuoteIdentifier(c);
    if (ado.OpenRecordset(("SELECT count(*) FROM (SELECT DISTINCT " + list + " FROM " + table + ") AS d").c_str()) !=
        1)
        return false;
    double distinct = 0;
    ReadCoordinateValue(ado.FieldAt(0), distinct);
    ado.CloseRecordset();
    if (static_cast<long long>(distinct) == plan.records)
        return true;
    why = "The table \"" + s.table + "\" has no primary key, and " +
          std::to_string(plan.records - static_cast<long long>(distinct)) +
          " of its records repeat another record field for field, so they cannot be told apart to be updated. "
          "Nothing was written. Give the table a primary key and run the conversion again.";
    return false;
}

// The types a VALUES list casts the key's values to, where the engine writes
// a block faster from one statement with such a list; empty otherwise. Keys of
// other types (text, uuid, dates) compare as the engine decides, so their rows
// go as parameters of the one-row UPDATE.
std::vector<std::string> KeyCasts(CCxAdo& ado, const CTablePlan& plan)
{
    std::vector<std::string> casts;
    if (!plan.rowIdentifier.empty() || plan.keyColumns.empty() || !ado.UpdatesFromValues())
        return casts;
    for (const CxValueType t : plan.keyTypes)
    {
        const char* name = t == CxTypeInt8 || t == CxTypeInt16 || t == CxTypeInt32 || t == CxTypeUInt8 ||
                                   t == CxTypeUInt16
                               ? "integer"
                           : t == CxTypeInt64 || t == CxTypeUInt32 ? "bigint"
                           : t == CxTypeDouble                     ? "double precision"
                           : t == CxTypeSingle                     ? "real"
                           : t == CxTypeDecimal                    ? "numeric"
                                                                   : nullptr;
        if (name == nullptr)
            return {};
        casts.push_back(name);
    }
    return casts;
}

// The UPDATE of one record: by its rowid or key, or by the values of its
// fields, those that are empty matched by IS NULL.
std::string UpdateStatement(const std::string& table, const TableFields& fields, const CTablePlan& plan,
                            const std::vector<bool>& nulls)
{
    std::string sql = "UPDATE " + table + " SET " + QuoteIdentifier(fields.names[2]) + " = ?, " +
                      QuoteIdentifier(fields.names[3]) + " = ?" +
                      (fields.heights ? ", " + QuoteIdentifier(fields.names[5]) + " = ?" : std::string()) + " WHERE ";
    if (!plan.rowIdentifier.empty())
        return sql + plan.rowIdentifier + " = ?";
    for (std::size_t i = 0; i < plan.matchColumns.size(); ++i)
        sql += (i > 0 ? " AND " : "") + QuoteIdentifier(plan.matchColumns[i]) + (nulls[i] ? " IS NULL" : " = ?");
    return sql;
}

// The UPDATE of rows records from one VALUES list; the key's values are cast
// to its type in the first row, which gives the list its types.
std::string ValuesStatement(const std::string& table, const TableFields& fields, const CTablePlan& plan,
                            const std::vector<std::string>& keyCasts, std::size_t rows)
{
    std::string list, names = fields.heights ? "c1, c2, c3" : "c1, c2", where;
    for (std::size_t r = 0; r < rows; ++r)
    {
        list += r == 0 ? "(CAST(? AS double precision), CAST(? AS double precision)" : ", (?, ?";
        list += !fields.heights ? "" : r == 0 ? ", CAST(? AS double precision)" : ", ?";
        for (std::size_t k = 0; k < keyCasts.size(); ++k)
            list += r == 0 ? ", CAST(? AS " + keyCasts[k] + ")" : std::string(", ?");
        list += ")";
    }
    for (std::size_t k = 0; k < keyCasts.size(); ++k)
    {
        names += ", k" + std::to_string(k + 1);
        where += (k > 0 ? " AND " : "") + table + "." + QuoteIdentifier(plan.keyColumns[k]) + " = v.k" +
                 std::to_string(k + 1);
    }
    return "UPDATE " + table + " SET " + QuoteIdentifier(fields.names[2]) + " = v.c1, " +
           QuoteIdentifier(fields.names[3]) + " = v.c2" +
           (fields.heights ? ", " + QuoteIdentifier(fields.names[5]) + " = v.c3" : std::string()) + " FROM (VALUES " +
           list + ") AS v(" + names + ") WHERE " + where;
}

// A record read and waiting for its block: its coordinates and what they
// are, the values that find it again (and which of them are empty), the
// value that names it, and what converting it gave.
struct TableRecord
{
    double x = 0, y = 0, z = 0;
    CoordinateValue rx = CoordinateValue::Empty, ry = CoordinateValue::Empty;
    std::vector<CCxValue> match;
    std::vector<bool> nulls;
    CCxValue name;
    long long number = 0;
    int result = kConvertPointFailed;
    bool outside = false;

    // Makes the record ready for the next one read, keeping its storage.
    void Reset(long long n)
    {
        x = y = z = 0;
        rx = ry = CoordinateValue::Empty;
        match.clear();
        nulls.clear();
        name = CCxValue();
        number = n;
        result = kConvertPointFailed;
        outside = false;
    }
};

// One run of the table converter: the SQL side of the pipeline's format.
// Records are read from a forward-only cursor on this thread, converted on
// every core, and written a block at a time, in the order read.
class CTableRun final : public CBatchFormat
{
public:
    explicit CTableRun(CBatchRunControl& run_)
        : run(run_), s(run_.Settings()), decimals(s.precision >= 0 ? s.precision : s.destinationGrid != 0 ? 3 : 6),
          heightDecimals(s.precision >= 0 ? s.precision : 3), rounding(decimals), heightRounding(heightDecimals),
          table(QuoteIdentifier(s.table))
    {
        fields.heights = !s.sourceField3.empty() && !s.destinationField3.empty();
    }
    void Convert();

    Block Read() override;
    void Convert(std::size_t share, CConversionContext& context, std::size_t first, std::size_t last) override;
    bool Write(BatchTally& tally) override;
    // Without a usable record count the bar shows records done.
    int Percentage() const override
    {
        return plan.records > 0 ? BatchPercentage(count, plan.records) : static_cast<int>(std::min(count, 100LL));
    }

private:
    // Connects, finds the fields and plans the updates; false, with why
    // (empty: the database's message), when the table cannot be converted.
    bool Open(std::string& why);
    // Opens the cursor: 1 with records to read, 0 without, -1 on failure.
    int OpenCursor();
    // The positions of the fields in the rows read; false when the table
    // changed.
    bool FindPositions();
    bool PrepareStatements();
    // Writes the records of the block; false after a failure.
    bool SaveBlock();
    // Opens the transaction, or a savepoint in the open one, for the block.
    bool StartBlock();
    // Commits the records written so far; false when the commit fails.
    bool Commit();
    // After a failure: rolls back the failed block and commits the blocks
    // written before it, or gives up the transaction when that fails.
    void KeepWritten();
    bool SaveFromValues(std::vector<long long>& changed);
    bool SaveOneByOne(std::vector<long long>& changed);
    void ReadRecord();
    // Counts a record left unchanged, and names the first of them.
    void Leave(const TableRecord& r, long long& counter);
    std::string NameOf(const TableRecord& r) const;
    // Why records were left unchanged, and the first of them.
    std::string Details() const;
    // What a stopped run saved; a completed run's end text says it.
    std::string Summary() const;
    // Ends a failed run: the failed block is given up, the blocks before it
    // are saved, the message says why and what was saved.
    void Fail(bool withMessage, const std::string& why);
    void Finish();

    CBatchRunControl& run;
    const BatchSettings& s;
    const int decimals;
    const int heightDecimals;
    const CRounding rounding;
    const CRounding heightRounding;
    const std::string table;
    CCxAdo ado;
    CTablePlan plan;
    TableFields fields;
    std::vector<std::string> allNames;
    std::unique_ptr<CBatchPipeline> pipeline;

    int keepGoing = 1;
    bool started = false;
    long long count = 0;     // records read
    long long converted = 0; // records saved with converted values
    long long written = 0;   // records written in the open transaction
    long long empty = 0, notNumbers = 0, refused = 0;
    // Records whose point lies outside the area of use of their systems,
    // left unchanged with the strict setting.
    long long outsideRefused = 0;
    std::vector<std::string> unchangedNames;

    // Field positions in the rows read; SQLite's rowid comes first.
    int first = 0, source1 = -1, source2 = -1, sourceHeight = 0;
    std::vector<int> match;
    // A record left unchanged is named by its key, where one field is the key.
    int nameField = -1;
    std::string nameKey;

    std::vector<bool> preparedNulls;
    bool havePrepared = false;
    std::vector<std::string> keyCasts;
    std::size_t preparedRows = 0;
    std::size_t valuesRows = 0;
    long long blockRecords = 1;
    // The block's rows of parameters; the rows past blockUsed keep their
    // storage for the next block.
    std::vector<std::vector<CCxValue>> block;
    std::size_t blockUsed = 0;
    // Blocks share a transaction where the engine runs in this process.
    bool shareTransactions = false;
    bool blockSavepoint = false; // the block in hand has a savepoint before it
    std::chrono::steady_clock::time_point transactionStart;
    std::vector<std::vector<bool>> blockNulls;

    // The records of the block read; those past recordsRead keep their
    // storage for the next block.
    std::vector<TableRecord> records;
    std::size_t recordsRead = 0;
    bool moveDue = false; // the cursor moves on before the next block
    bool systemsFailed = false;
};

std::string CTableRun::Details() const
{
    std::string reasons;
    auto reason = [&](long long n, const char* what) {
        if (n == 0)
            return;
        reasons += reasons.empty() ? "" : ", ";
        reasons += std::to_string(n) + " " + what;
    };
    reason(empty, "with an empty source field");
    reason(notNumbers, "with a source field that is not a number");
    reason(refused, "that cannot be converted between the two systems");
    reason(outsideRefused, "outside the area of use of their systems");
    std::string text = " (" + reasons;
    if (!unchangedNames.empty())
    {
        text += "; first: ";
        for (std::size_t i = 0; i < unchangedNames.size(); ++i)
            text += (i > 0 ? ", " : "") + unchangedNames[i];
    }
    return text + ")";
}

std::string CTableRun::Summary() const
{
    const long long unchanged = empty + notNumbers + refused + outsideRefused;
    std::string text =
        "Records converted: " + std::to_string(converted) + "; not converted: " + std::to_string(unchanged);
    if (unchanged > 0)
        text += Details();
    return text + ".";
}

void CTableRun::Fail(bool withMessage, const std::string& why)
{
    const std::string message = why.empty() ? ado.LastMessage.str() : why;
    KeepWritten();
    if (withMessage)
    {
        std::string text = message;
        if (started)
            text += "\n\n" + CountText(converted, "record was", "records were") +
                    " converted and saved before the failure; every other record is unchanged.";
        ShowMessageText(text);
    }
    if (started)
        run.Post(BATCH_STATUS, Summary());
    run.Post(BATCH_STOPPED, kBatchFailedText);
    CloseAll(ado);
}

bool CTableRun::Open(std::string& why)
{
    // Heights above a geoid go into a height column; without one they would
    // be left as they are, unconverted.
    if ((s.sourceGeoid != 0 || s.destinationGeoid != 0) && !fields.heights)
        return why = "Heights above a geoid need a height column: name the table's height field and the field "
                     "that receives the converted height. Nothing was written.",
               false;
    if (ado.Initialize() != 0 || ado.Connect(s.connectionString.c_str()) != 0)
        return false;
    // The table's fields, from a query that reads no row.
    if (ado.OpenRecordset(("SELECT * FROM " + table + " WHERE 1 = 0").c_str()) == -1)
        return false;
    return FindTableFields(ado, s, decimals, heightDecimals, fields, why) &&
           PlanTable(ado, s, fields, plan, allNames, why);
}

int CTableRun::OpenCursor()
{
    const std::string select =
        "SELECT " + (plan.rowIdentifier.empty() ? std::string() : plan.rowIdentifier + ", ") + "* FROM " + table;
    // A table with a key is read in the key's order, block by block.
    std::vector<std::string> keyExpressions;
    std::vector<int> keyFields;
    if (!plan.rowIdentifier.empty())
    {
        keyExpressions.push_back(plan.rowIdentifier);
        keyFields.push_back(0);
    }
    else
        for (const auto& k : plan.keyColumns)
        {
            keyExpressions.push_back(QuoteIdentifier(k));
            keyFields.push_back(static_cast<int>(std::find(allNames.begin(), allNames.end(), k) - allNames.begin()));
        }
    return keyExpressions.empty() ? ado.OpenForwardOnly(select.c_str(), kFetchRows)
                                  : ado.OpenForwardOnlyByKey(select.c_str(), keyExpressions, keyFields, kFetchRows);
}

bool CTableRun::FindPositions()
{
    const std::string* names = fields.names;
    first = plan.rowIdentifier.empty() ? 0 : 1;
    source1 = FindField(ado, names[0], first);
    source2 = FindField(ado, names[1], first);
    sourceHeight = fields.heights ? FindField(ado, names[4], first) : 0;
    if (!plan.rowIdentifier.empty())
        match.push_back(0);
    for (const auto& c : plan.matchColumns)
        match.push_back(FindField(ado, c, first));
    nameField = plan.keyColumns.size() == 1 ? FindField(ado, plan.keyColumns[0], first)
                : !plan.rowIdentifier.empty() ? 0
                                              : -1;
    nameKey = plan.keyColumns.size() == 1 ? plan.keyColumns[0] : plan.rowIdentifier;
    return source1 >= 0 && source2 >= 0 && sourceHeight >= 0 && std::find(match.begin(), match.end(), -1) == match.end();
}

bool CTableRun::PrepareStatements()
{
    // One UPDATE for the run; a table without a key needs one for each
    // pattern of empty fields, since NULL is matched by IS NULL.
    preparedNulls.assign(plan.matchColumns.size(), false);
    if (plan.unique)
    {
        if (ado.PrepareStatement(UpdateStatement(table, fields, plan, preparedNulls).c_str()) != 0)
            return false;
        havePrepared = true;
    }
    // Where the engine writes a block faster from one statement with a VALUES
    // list, each block is one such UPDATE. libpq takes the description of at
    // most some 7,000 parameters, so a block may take several statements.
    keyCasts = KeyCasts(ado, plan);
    valuesRows = std::min<std::size_t>(1000, 6000 / ((fields.heights ? 3 : 2) + keyCasts.size()));
    blockRecords = std::clamp(plan.records / 100, 1LL, kBlockRecordsMax);
    shareTransactions = ado.IsEmbedded();
    block.reserve(static_cast<std::size_t>(blockRecords));
    return true;
}

bool CTableRun::SaveFromValues(std::vector<long long>& changed)
{
    // PostgreSQL plans a list of 1,000 keys against a table of some hundred
    // thousand records as a hash join over the whole table: 36 ms a statement
    // at 200,000 records, where looking each key up in its index takes 4 ms
    // (it chooses the index itself from about 500,000 records on). For this
    // transaction only, each key is looked up.
    if (ado.Execute("SET LOCAL enable_hashjoin = off") != 0 || ado.Execute("SET LOCAL enable_mergejoin = off") != 0)
        return false;
    std::vector<long long> part;
    for (std::size_t start = 0; start < block.size(); start += valuesRows)
    {
        const std::size_t rows = std::min(valuesRows, block.size() - start);
        if (preparedRows != rows)
        {
            if (ado.PrepareStatement(ValuesStatement(table, fields, plan, keyCasts, rows).c_str()) != 0)
                return false;
            preparedRows = rows;
        }
        std::vector<CCxValue> all;
        all.reserve(rows * (2 + keyCasts.size()));
        for (std::size_t r = start; r < start + rows; ++r)
            all.insert(all.end(), block[r].begin(), block[r].end());
        if (ado.ExecutePrepared({all}, true, part) != 0)
            return false;
        changed.insert(changed.end(), part.begin(), part.end());
    }
    return true;
}

bool CTableRun::SaveOneByOne(std::vector<long long>& changed)
{
    for (std::size_t r = 0; r < block.size(); ++r)
    {
        if (!havePrepared || blockNulls[r] != preparedNulls)
        {
            preparedNulls = blockNulls[r];
            if (ado.PrepareStatement(UpdateStatement(table, fields, plan, preparedNulls).c_str()) != 0)
                return false;
            havePrepared = true;
        }
        if (ado.ExecutePrepared({block[r]}, true, changed) != 0)
            return false;
        if (changed.size() != 1 || changed[0] != 1)
        {
            ado.LastMessage.Format("A record of table \"%s\" could not be told apart from the others: its update "
                                   "would change %lld records. The block was not saved.",
                                   s.table.c_str(), changed.empty() ? 0LL : changed[0]);
            return false;
        }
    }
    return true;
}

bool CTableRun::StartBlock()
{
    if (ado.InTransaction())
    {
        if (ado.Execute((std::string("SAVEPOINT ") + kBlockSavepoint).c_str()) != 0)
            return false;
        blockSavepoint = true;
        return true;
    }
    if (ado.BeginTrans() != 0)
        return false;
    transactionStart = std::chrono::steady_clock::now();
    return true;
}

bool CTableRun::Commit()
{
    if (!ado.InTransaction())
        return true;
    if (ado.CommitTrans() != 0)
        return false;
    converted += written;
    written = 0;
    return true;
}

void CTableRun::KeepWritten()
{
    if (!ado.InTransaction())
        return;
    const bool kept =
        written > 0 &&
        (!blockSavepoint || ado.Execute((std::string("ROLLBACK TO SAVEPOINT ") + kBlockSavepoint).c_str()) == 0) &&
        Commit();
    if (!kept)
        ado.RollbackTrans();
    written = 0;
    blockSavepoint = false;
}

bool CTableRun::SaveBlock()
{
    if (blockUsed == 0)
        return true;
    // Only a block smaller than the one before gives up rows.
    block.resize(blockUsed);
    if (!StartBlock())
        return false;
    std::vector<long long> changed;
    if (!keyCasts.empty() ? !SaveFromValues(changed)
        : plan.unique     ? ado.ExecutePrepared(block, false, changed) != 0
                          : !SaveOneByOne(changed))
        return false;
    if (plan.unique)
    {
        long long total = 0;
        for (const long long n : changed)
            total += n;
        if (total != static_cast<long long>(block.size()))
        {
            ado.LastMessage.Format("%lld of %lld records of the block to be saved were not found in table \"%s\" "
                                   "any more; the block was not saved.",
                                   static_cast<long long>(block.size()) - total, static_cast<long long>(block.size()),
                                   s.table.c_str());
            return false;
        }
    }
    if (blockSavepoint && ado.Execute((std::string("RELEASE SAVEPOINT ") + kBlockSavepoint).c_str()) != 0)
        return false;
    blockSavepoint = false;
    written += static_cast<long long>(block.size());
    blockUsed = 0;
    blockNulls.clear();
    if (shareTransactions && std::chrono::steady_clock::now() - transactionStart < kCommitTime)
        return true;
    return Commit();
}

std::string CTableRun::NameOf(const TableRecord& r) const
{
    if (nameField >= 0)
    {
        const CCxValue& v = r.name;
        if (v.Type() == CxTypeText || v.Type() == CxTypeDecimal)
            return nameKey + " " + v.AsText();
        if (v.Type() != CxTypeSingle && v.Type() != CxTypeDouble && v.Type() != CxTypeBytes && v.Type() != CxTypeNull)
            return nameKey + " " + std::to_string(v.AsInteger());
    }
    return "record " + std::to_string(r.number);
}

void CTableRun::ReadRecord()
{
    ++count;
    if (recordsRead == records.size())
        records.emplace_back();
    TableRecord& r = records[recordsRead++];
    r.Reset(count);
    r.ry = ReadCoordinateValue(ado.FieldAt(source1), r.y);
    r.rx = ReadCoordinateValue(ado.FieldAt(source2), r.x);
    // The height is read as a third coordinate: the record is left unchanged
    // unless all three are numbers.
    const CoordinateValue rz = fields.heights ? ReadCoordinateValue(ado.FieldAt(sourceHeight), r.z) : r.rx;
    if (rz == CoordinateValue::NotNumber || (rz == CoordinateValue::Empty && r.rx == CoordinateValue::Number))
        r.rx = rz;
    if (nameField >= 0)
        r.name = ado.FieldAt(nameField);
    if (r.rx != CoordinateValue::Number || r.ry != CoordinateValue::Number)
        return;
    r.match.reserve(match.size());
    for (std::size_t i = 0; i < match.size(); ++i)
    {
        const CCxValue& v = ado.FieldAt(match[i]);
        if (!plan.unique)
            r.nulls.push_back(v.IsNull());
        if (!v.IsNull() || plan.unique)
            r.match.push_back(v);
    }
}

void CTableRun::Leave(const TableRecord& r, long long& counter)
{
    ++counter;
    pipeline->Tally().Leave(r.number, std::string());
    if (unchangedNames.size() < kNamedRecords)
        unchangedNames.push_back(NameOf(r));
}

CBatchFormat::Block CTableRun::Read()
{
    recordsRead = 0;
    if (moveDue)
    {
        moveDue = false;
        const int next = ado.MoveNext();
        if (next == -1)
            return Block{0, After::Failed};
        if (next != 1)
            return Block{0, After::End};
    }
    const auto blockStart = std::chrono::steady_clock::now();
    After after = After::More;
    for (;;)
    {
        // The record in hand is still converted after a cancellation.
        keepGoing = run.Running();
        ReadRecord();
        if (static_cast<long long>(recordsRead) >= blockRecords ||
            (recordsRead % kClockRecords == 0 && std::chrono::steady_clock::now() - blockStart >= kBlockTime))
        {
            moveDue = keepGoing == 1;
            after = keepGoing == 1 ? After::More : After::Cancelled;
            break;
        }
        if (keepGoing != 1)
        {
            after = After::Cancelled;
            break;
        }
        const int next = ado.MoveNext();
        if (next == -1)
            return Block{0, After::Failed};
        if (next != 1)
        {
            after = After::End;
            break;
        }
    }
    // The systems are loaded, and checked, before the first record that holds
    // a coordinate.
    const auto read = records.begin() + static_cast<std::ptrdiff_t>(recordsRead);
    const auto coordinate = std::find_if(records.begin(), read, [](const TableRecord& r) {
        return r.rx == CoordinateValue::Number && r.ry == CoordinateValue::Number;
    });
    if (coordinate != read && !pipeline->Loaded() && !pipeline->LoadSystems())
    {
        // The records before it are left unchanged, as read.
        for (auto r = records.begin(); r != coordinate; ++r)
            Leave(*r, r->rx == CoordinateValue::NotNumber || r->ry == CoordinateValue::NotNumber ? notNumbers : empty);
        systemsFailed = true;
        return Block{0, After::Failed};
    }
    return Block{recordsRead, after};
}

void CTableRun::Convert(std::size_t share, CConversionContext& context, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i)
    {
        TableRecord& r = records[i];
        if (r.rx != CoordinateValue::Number || r.ry != CoordinateValue::Number)
            continue;
        r.outside = pipeline->Area().Outside(share, r.x, r.y);
        if (s.strict != 0 && r.outside)
            continue;
        r.result = ConvertLoadedPoint(context, s.sourceGrid != 0, s.destinationGrid != 0, r.x, r.y, r.z);
    }
}

bool CTableRun::Write(BatchTally& tally)
{
    for (std::size_t i = 0; i < recordsRead; ++i)
    {
        TableRecord& r = records[i];
        if (r.ry == CoordinateValue::NotNumber || r.rx == CoordinateValue::NotNumber)
            Leave(r, notNumbers);
        else if (r.ry == CoordinateValue::Empty || r.rx == CoordinateValue::Empty)
            Leave(r, empty);
        else if (s.strict != 0 && r.outside)
        {
            tally.outside.Add(r.number);
            Leave(r, outsideRefused);
        }
        else
        {
            if (r.outside)
                tally.outside.Add(r.number);
            if (r.result != kConvertDone)
            {
                Leave(r, refused);
                continue;
            }
            if (blockUsed == block.size())
                block.emplace_back();
            std::vector<CCxValue>& parameters = block[blockUsed++];
            parameters.clear();
            parameters.push_back(CCxValue::Double(rounding(r.y)));
            parameters.push_back(CCxValue::Double(rounding(r.x)));
            if (fields.heights)
                parameters.push_back(CCxValue::Double(heightRounding(r.z)));
            parameters.insert(parameters.end(), r.match.begin(), r.match.end());
            blockNulls.push_back(std::move(r.nulls));
            tally.Convert();
        }
    }
    return SaveBlock();
}

void CTableRun::Finish()
{
    // A status notice would reset the wizard's bar, so a completed run tells
    // its count in the end text, and only where records were left unchanged.
    if (started && keepGoing != 1)
        run.Post(BATCH_STATUS, Summary());
    if (started && keepGoing == 1)
        pipeline->SendSummary("record", s.strict != 0);
    std::string end = keepGoing == 1 ? kBatchCompletedText : kBatchAbortedText;
    const long long unchanged = empty + notNumbers + refused + outsideRefused;
    if (keepGoing == 1 && unchanged > 0)
        end += " " + CountText(unchanged, "record was", "records were") + " not converted and left unchanged" +
               Details() + ".";
    run.Post(keepGoing == 1 ? BATCH_COMPLETED : BATCH_STOPPED, end);
    CloseAll(ado);
}

void CTableRun::Convert()
{
    CNumericLocale numbers;
    run.SignalStarted();
    std::string why;
    if (!Open(why))
        return Fail(true, why);
    const int opened = OpenCursor();
    if (opened == -1)
        return Fail(true, "");
    if (opened == 1)
        run.Post(BATCH_STATUS, "Currently converting database, please wait...");
    started = opened == 1;
    if (!FindPositions())
        return Fail(true, "The fields of table \"" + s.table +
                              "\" changed while the conversion started; nothing was written.");
    if (!PrepareStatements())
        return Fail(true, "");
    pipeline = std::make_unique<CBatchPipeline>(run, static_cast<std::size_t>(blockRecords), false);
    if (opened == 1 && pipeline->Run(*this, kRecordsAShare) == After::Failed)
        return Fail(!systemsFailed, "");
    if (!Commit())
        return Fail(true, "");
    Finish();
}

} // namespace

void ConvertDatabaseTable(CBatchRunControl& run)
{
    CTableRun(run).Convert();
}
