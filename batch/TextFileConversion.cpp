#include "TextFileConversion.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/types.h>

#include "BatchMessages.h"
#include "BatchRunControl.h"
#include "CoordinateText.h"
#include "Messages.h"
#include "NumericLocale.h"

namespace {

constexpr std::size_t kPreviewRows = 26;

bool IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsWhite(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsWhite(s.back()))
        s.remove_suffix(1);
    return s;
}

// Reads whole lines, however long, line feed included.
class CLineReader
{
public:
    explicit CLineReader(std::FILE* file_) : file(file_) {}
    ~CLineReader() { std::free(buffer); }
    CLineReader(const CLineReader&) = delete;
    CLineReader& operator=(const CLineReader&) = delete;

    bool Next(std::string_view& line)
    {
        const ssize_t n = getline(&buffer, &capacity, file);
        if (n < 0)
            return false;
        line = std::string_view(buffer, static_cast<std::size_t>(n));
        return true;
    }
    // The last line read, terminated, for strtod.
    const char* Text() const { return buffer != nullptr ? buffer : ""; }

private:
    std::FILE* file;
    char* buffer = nullptr;
    std::size_t capacity = 0;
};

bool AtEnd(std::FILE* file)
{
    const int c = std::getc(file);
    if (c == EOF)
        return true;
    std::ungetc(c, file);
    return false;
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

double FieldNumber(std::string_view field, std::string& scratch)
{
    scratch.assign(field);
    return std::strtod(scratch.c_str(), nullptr);
}

void WriteNumber(std::FILE* out, const char* format, double value)
{
    char text[512];
    const int n = std::snprintf(text, sizeof text, format, value);
    if (n > 0)
        std::fwrite(text, 1, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof text - 1), out);
}

} // namespace

std::string ResolveSeparator(const BatchSettings& settings)
{
    switch (settings.SeparatorChoice)
    {
    case 0: return settings.resolvedSeparator;
    case 1: return ",";
    case 2: return ";";
    case 3: return "|";
    case 4: return " ";
    case 5: return "\t";
    default: return std::string();
    }
}

void SplitFields(std::string_view line, std::string_view separator, std::vector<std::string_view>& fields)
{
    fields.clear();
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    // A blank line has no fields and stays blank in the output.
    if (Trim(line).empty())
        return;
    if (separator.empty())
    {
        fields.push_back(Trim(line));
        return;
    }
    const char cut = separator.front();
    if (cut == ' ')
    {
        line = Trim(line);
        while (!line.empty())
        {
            const std::size_t end = line.find(' ');
            fields.push_back(Trim(line.substr(0, end)));
            if (end == std::string_view::npos)
                break;
            line.remove_prefix(end);
            while (!line.empty() && line.front() == ' ')
                line.remove_prefix(1);
        }
        return;
    }
    for (;;)
    {
        const std::size_t end = line.find(cut);
        fields.push_back(Trim(line.substr(0, end)));
        if (end == std::string_view::npos)
            break;
        line.remove_prefix(end + 1);
    }
}

std::vector<std::string> SplitFields(std::string_view line, std::string_view separator)
{
    std::vector<std::string_view> views;
    SplitFields(line, separator, views);
    return std::vector<std::string>(views.begin(), views.end());
}

FieldLists FillFieldLists(BatchSettings& settings)
{
    CNumericLocale numbers;
    FieldLists lists;
    lists.altitude.push_back("N/A");

    std::FILE* file = std::fopen(settings.sourceFile.c_str(), "rb");
    if (file == nullptr)
        return lists;

    std::string separator;
    {
        CLineReader reader(file);
        std::string_view line;
        if (settings.SeparatorChoice == 0)
        {
            // The second line is the better sample: the first may hold headers.
            std::string sample;
            if (reader.Next(line))
                sample = reader.Text();
            if (reader.Next(line))
                sample = reader.Text();
            const char* start = sample.c_str();
            char* end = nullptr;
            std::strtod(start, &end);
            const char found = end != start ? *end : *start;
            if (found != '\0')
                separator.assign(1, found);
            std::rewind(file);
        }
        else
        {
            separator = ResolveSeparator(settings);
        }
    }
    settings.resolvedSeparator = separator;

    CLineReader reader(file);
    std::string_view line;
    if (reader.Next(line))
    {
        for (const std::string& field : SplitFields(line, separator))
        {
            lists.longitude.push_back(field);
            lists.latitude.push_back(field);
            lists.altitude.push_back(field);
        }
    }
    std::fclose(file);
    return lists;
}

std::vector<std::vector<std::string>> PreviewTextFile(const BatchSettings& settings)
{
    std::vector<std::vector<std::string>> rows;
    std::FILE* file = std::fopen(settings.sourceFile.c_str(), "rb");
    if (file == nullptr)
        return rows;
    CLineReader reader(file);
    std::string_view line;
    if (settings.header != 0)
        reader.Next(line);
    const std::string separator = ResolveSeparator(settings);
    const int columns[3] = {settings.longitudeColumn, settings.latitudeColumn, settings.altitudeColumn};
    const std::size_t shown = settings.altitudeColumn != 0 ? 3 : 2;
    std::vector<std::string_view> fields;
    while (rows.size() < kPreviewRows && reader.Next(line))
    {
        SplitFields(line, separator, fields);
        std::vector<std::string> row(shown);
        for (std::size_t c = 0; c < shown; ++c)
            if (columns[c] >= 1 && static_cast<std::size_t>(columns[c]) <= fields.size())
                row[c] = std::string(fields[static_cast<std::size_t>(columns[c]) - 1]);
        rows.push_back(std::move(row));
    }
    std::fclose(file);
    return rows;
}

void ConvertTextFile(CBatchRunControl& run)
{
    CNumericLocale numbers;
    bool reload = true;
    int keepGoing = 1;
    int lastPercentage = 0;

    run.SignalStarted();
    run.Post(BATCH_STATUS, "Currently converting CSV file, please wait...");
    const BatchSettings& settings = run.Settings();

    // The source is only ever read, so a read-only source converts.
    std::FILE* source = std::fopen(settings.sourceFile.c_str(), "rb");
    if (source == nullptr)
    {
        ShowMessage(IDS_BATCH_INPUT_FAILED);
        run.Post(BATCH_STOPPED, kBatchFailedText);
        return;
    }
    std::fseek(source, 0, SEEK_END);
    const long long size = ftello(source);
    std::fseek(source, 0, SEEK_SET);

    // Opening the destination truncates it: the same file under another name
    // would be destroyed before it is read.
    if (SameFile(settings.sourceFile, settings.destinationFile))
    {
        std::fclose(source);
        ShowMessage(IDS_BATCH_SAME_FILE);
        run.Post(BATCH_STOPPED, kBatchFailedText);
        return;
    }
    std::FILE* destination = std::fopen(settings.destinationFile.c_str(), "w+");
    if (destination == nullptr)
    {
        std::fclose(source);
        ShowMessage(IDS_BATCH_OUTPUT_FAILED);
        run.Post(BATCH_STOPPED, kBatchFailedText);
        return;
    }

    CLineReader reader(source);
    std::string_view line;
    int end = BATCH_COMPLETED;
    if (size > 0)
    {
        if (settings.header != 0 && reader.Next(line))
            std::fwrite(line.data(), 1, line.size(), destination);

        const std::string separator = ResolveSeparator(settings);
        const char joint = separator.empty() ? '\0' : separator.front();
        const bool gridSource = settings.sourceGrid != 0;
        const char* format = settings.destinationGrid != 0 ? "%3.2lf" : "%3.6lf";
        const long long lonColumn = settings.longitudeColumn;
        const long long latColumn = settings.latitudeColumn;
        const long long altColumn = settings.altitudeColumn;
        std::vector<std::string_view> fields;
        std::string scratch;

        if (!AtEnd(source))
        {
            for (;;)
            {
                if (keepGoing != 1)
                {
                    end = BATCH_STOPPED;
                    break;
                }
                if (!reader.Next(line))
                    break;
                keepGoing = run.Running();

                const int percentage = BatchPercentage(ftello(source), size);
                if (percentage != lastPercentage)
                {
                    run.PostProgress(percentage);
                    lastPercentage = percentage;
                }

                double x = 0, y = 0, altitude = 0;
                SplitFields(line, separator, fields);
                for (std::size_t i = 0; i < fields.size(); ++i)
                {
                    const long long n = static_cast<long long>(i) + 1;
                    if (n != lonColumn && n != latColumn && !(altColumn != 0 && n == altColumn))
                        continue;
                    auto coordinate = [&] {
                        if (gridSource)
                            return FieldNumber(fields[i], scratch);
                        scratch.assign(fields[i]);
                        return ParseCoordinateText(scratch, settings.CoordinateFormat);
                    };
                    if (n == lonColumn)
                        x = coordinate();
                    if (n == latColumn)
                        y = coordinate();
                    if (altColumn != 0 && n == altColumn)
                        altitude = FieldNumber(fields[i], scratch);
                }

                if (ConvertCoordinate(run.Context(), run.Loader(), reload, x, y, altitude, settings.sourceDatum,
                                      settings.sourceGrid, settings.destinationDatum,
                                      settings.destinationGrid) != 0)
                {
                    // The coordinate systems are unusable; every further line
                    // would fail the same way.
                    end = -1;
                    break;
                }
                reload = false;

                for (std::size_t i = 0; i < fields.size(); ++i)
                {
                    const long long n = static_cast<long long>(i) + 1;
                    if (i > 0)
                        std::fputc(joint, destination);
                    if (n == lonColumn)
                        WriteNumber(destination, format, x);
                    else if (n == latColumn)
                        WriteNumber(destination, format, y);
                    else if (altColumn != 0 && n == altColumn)
                        WriteNumber(destination, "%3.2lf", altitude);
                    else
                        std::fwrite(fields[i].data(), 1, fields[i].size(), destination);
                }
                std::fputc('\n', destination);

                if (AtEnd(source))
                {
                    end = keepGoing == 1 ? BATCH_COMPLETED : BATCH_STOPPED;
                    break;
                }
            }
        }
    }

    const bool readFailed = std::ferror(source) != 0;
    std::fclose(source);
    const bool writeFailed = std::ferror(destination) != 0;
    const bool closeFailed = std::fclose(destination) != 0;
    // The output is closed before the page hears the end, so it can be
    // opened at once.
    if (end == -1 || readFailed || writeFailed || closeFailed)
        run.Post(BATCH_STOPPED, kBatchFailedText);
    else if (end == BATCH_COMPLETED)
        run.Post(BATCH_COMPLETED, kBatchCompletedText);
    else
        run.Post(BATCH_STOPPED, kBatchAbortedText);
}
