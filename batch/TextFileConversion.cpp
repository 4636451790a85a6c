#include "TextFileConversion.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdio_ext.h>
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

// The worker alone uses its streams: no locking, and large buffers. Called
// before any other operation on the stream.
void Stream(std::FILE* file)
{
    __fsetlocking(file, FSETLOCKING_BYCALLER);
    std::setvbuf(file, nullptr, _IOFBF, 1 << 18);
}

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

double FieldNumber(std::string_view field)
{
    return ReadLeadingNumber(field);
}

// Appends value as printf's "%3.<decimals>lf" writes it: to_chars with a
// precision rounds exactly as printf does, and the width 3 never pads since
// at least one decimal follows the point.
void AppendFixed(std::string& out, double value, int decimals)
{
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    out.append(text, result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - text) : 0);
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
    Stream(source);
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
    Stream(destination);

    CLineReader reader(source);
    std::string_view line;
    int end = BATCH_COMPLETED;
    // A size the system cannot tell (a pipe) converts as well; only its
    // progress stays at 0.
    if (size != 0)
    {
        long long headerBytes = 0;
        if (settings.header != 0 && reader.Next(line))
        {
            std::fwrite(line.data(), 1, line.size(), destination);
            headerBytes = static_cast<long long>(line.size());
        }

        const std::string separator = ResolveSeparator(settings);
        const char joint = separator.empty() ? '\0' : separator.front();
        const bool gridSource = settings.sourceGrid != 0;
        // "%3.2lf" for grid units, "%3.6lf" for degrees.
        const int decimals = settings.destinationGrid != 0 ? 2 : 6;
        const long long lonColumn = settings.longitudeColumn;
        const long long latColumn = settings.latitudeColumn;
        const long long altColumn = settings.altitudeColumn;
        std::vector<std::string_view> fields;
        std::string scratch, out;
        // Bytes read so far; ftello would ask the system once a line.
        long long position = headerBytes;

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
                position += static_cast<long long>(line.size());

                const int percentage = BatchPercentage(position, size);
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
                            return FieldNumber(fields[i]);
                        scratch.assign(fields[i]);
                        return ParseCoordinateText(scratch, settings.CoordinateFormat);
                    };
                    if (n == lonColumn)
                        x = coordinate();
                    if (n == latColumn)
                        y = coordinate();
                    if (altColumn != 0 && n == altColumn)
                        altitude = FieldNumber(fields[i]);
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

                out.clear();
                for (std::size_t i = 0; i < fields.size(); ++i)
                {
                    const long long n = static_cast<long long>(i) + 1;
                    if (i > 0)
                        out += joint;
                    if (n == lonColumn)
                        AppendFixed(out, x, decimals);
                    else if (n == latColumn)
                        AppendFixed(out, y, decimals);
                    else if (altColumn != 0 && n == altColumn)
                        AppendFixed(out, altitude, 2);
                    else
                        out.append(fields[i]);
                }
                out += '\n';
                std::fwrite(out.data(), 1, out.size(), destination);

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
