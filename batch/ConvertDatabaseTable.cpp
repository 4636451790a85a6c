#include "ConvertDatabaseTable.h"

#include <cmath>
#include <cstdio>

#include "BatchRunControl.h"
#include "CxAdo.h"
#include "Messages.h"
#include "NumericLocale.h"

namespace {

constexpr std::size_t kPreviewRecords = 25;

std::string Formatted(const char* format, double value)
{
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// n decimals, halves going upwards.
double RoundTo(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::floor(value * scale + 0.5) / scale;
}

void CloseAll(CCxAdo& ado)
{
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
}

} // namespace

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
            double northing = 0, easting = 0;
            if (ado.GetFieldDouble(settings.sourceField1.c_str(), northing) != 1 ||
                ado.GetFieldDouble(settings.sourceField2.c_str(), easting) != 1)
            {
                ShowMessageText(ado.LastMessage.str());
                break;
            }
            std::vector<std::string> row = {Formatted(format, easting), Formatted(format, northing)};
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

void ConvertDatabaseTable(CBatchRunControl& run)
{
    CNumericLocale numbers;
    bool reload = true;
    int keepGoing = 1;
    long long count = 0;
    int lastPercentage = 0;
    int recordCount = 0;

    run.SignalStarted();
    const BatchSettings& s = run.Settings();
    CCxAdo ado;

    auto fail = [&](bool withMessage) {
        if (withMessage)
            ShowMessageText(ado.LastMessage.str());
        run.Post(BATCH_STOPPED, kBatchFailedText);
        CloseAll(ado);
    };

    if (ado.Initialize() != 0 || ado.Connect(s.connectionString.c_str()) != 0)
        return fail(true);

    const std::string sql = "SELECT * FROM " + QuoteIdentifier(s.table);
    const int opened = ado.OpenRecordset(sql.c_str());
    if (opened == -1)
        return fail(true);
    if (opened == 1)
        run.Post(BATCH_STATUS, "Currently converting database, please wait...");
    ado.GetRecordCount(recordCount);

    const int decimals = s.destinationGrid != 0 ? 3 : 6;
    if (opened == 1)
    {
        while (keepGoing == 1)
        {
            // The record in hand is still converted after a cancellation.
            keepGoing = run.Running();
            double y = 0, x = 0, z = 0;
            if (ado.GetFieldDouble(s.sourceField1.c_str(), y) != 1 ||
                ado.GetFieldDouble(s.sourceField2.c_str(), x) != 1)
                return fail(true);
            if (ConvertCoordinate(run.Context(), run.Loader(), reload, x, y, z, s.sourceDatum, s.sourceGrid,
                                  s.destinationDatum, s.destinationGrid) != 0)
                return fail(false);
            reload = false;
            y = RoundTo(y, decimals);
            x = RoundTo(x, decimals);
            if (ado.SetFieldDouble(s.destinationField1.c_str(), y) != 1 ||
                ado.SetFieldDouble(s.destinationField2.c_str(), x) != 1)
                return fail(true);

            ++count;
            // Without a usable record count the bar shows records done.
            const int percentage =
                recordCount > 0 ? BatchPercentage(count, recordCount) : static_cast<int>(std::min(count, 100LL));
            if (percentage != lastPercentage)
            {
                run.PostProgress(percentage);
                lastPercentage = percentage;
            }
            const int next = ado.MoveNext();
            if (next == -1)
                return fail(true);
            if (next != 1)
                break;
        }
    }

    run.Post(keepGoing == 1 ? BATCH_COMPLETED : BATCH_STOPPED,
             keepGoing == 1 ? kBatchCompletedText : kBatchAbortedText);
    CloseAll(ado);
}
