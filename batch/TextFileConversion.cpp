#include "TextFileConversion.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdio_ext.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "AreaCheck.h"
#include "BatchMessages.h"
#include "BatchPipeline.h"
#include "BatchRunControl.h"
#include "CoordinateText.h"
#include "DestinationDescription.h"
#include "FixedText.h"
#include "Messages.h"
#include "NumericLocale.h"
#include "TextNotationField.h"
#include "OutputFiles.h"
#include "TextCase.h"

namespace {

constexpr std::size_t kPreviewRows = 26;
// Lines autodetection looks at, blank lines not counted.
constexpr std::size_t kSampleLines = 20;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kDescriptionStart = "# Veltrix Geolynx: ";

bool IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

bool IsBlankLine(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), IsWhite);
}

// Reads lines ended by LF, CR LF or CR alone, each with its own line end, so
// that every byte read can be written back. One read of the file: a pipe
// converts as a file does.
class CLineReader
{
public:
    explicit CLineReader(std::FILE* file_) : file(file_), buffer(1 << 18) {}

    // content excludes the line end, ending is it (empty on a last line
    // without one). Both stay valid until the next call.
    bool Next(std::string_view& content, std::string_view& ending)
    {
        carry.clear();
        bool carried = false;
        for (;;)
        {
            if (begin == end && !Fill())
            {
                if (!carried)
                    return false;
                content = carry;
                ending = std::string_view();
                return true;
            }
            const std::size_t at = FindEnd();
            if (at == end)
            {
                carry.append(buffer.data() + begin, end - begin);
                carried = true;
                begin = end;
                continue;
            }
            std::string_view text(buffer.data() + begin, at - begin);
            if (carried)
            {
                carry.append(text);
                text = carry;
            }
            if (buffer[at] == '\r' && at + 1 == end)
            {
                // The LF of a CR LF may start the next block.
                if (!carried)
                    carry.assign(text);
                begin = end;
                const bool lineFeed = Fill() && buffer[begin] == '\n';
                if (lineFeed)
                    ++begin;
                content = carry;
                ending = lineFeed ? std::string_view("\r\n") : std::string_view("\r");
                return true;
            }
            const std::size_t length = buffer[at] == '\r' && buffer[at + 1] == '\n' ? 2 : 1;
            content = text;
            ending = std::string_view(buffer.data() + at, length);
            begin = at + length;
            return true;
        }
    }

    bool Failed() const { return std::ferror(file) != 0; }

private:
    bool Fill()
    {
        begin = 0;
        end = std::fread(buffer.data(), 1, buffer.size(), file);
        lineFeedKnown = false;
        return end != 0;
    }

    // The first CR or LF from begin, end when the block holds none. The
    // next LF is remembered, so a file of CR line ends is not searched
    // through to the block's end once a line.
    std::size_t FindEnd()
    {
        if (!lineFeedKnown || lineFeed < begin)
        {
            const void* lf = std::memchr(buffer.data() + begin, '\n', end - begin);
            lineFeed = lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - buffer.data()) : end;
            lineFeedKnown = true;
        }
        const void* cr = std::memchr(buffer.data() + begin, '\r', lineFeed - begin);
        return cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - buffer.data()) : lineFeed;
    }

    std::FILE* file;
    std::vector<char> buffer;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t lineFeed = 0;
    bool lineFeedKnown = false;
    std::string carry;
};

// One line kept whole.
struct StoredLine
{
    std::string content;
    std::string ending;
};

// The worker alone uses its streams: no locking, and large buffers. Called
// before any other operation on the stream.
void Stream(std::FILE* file)
{
    __fsetlocking(file, FSETLOCKING_BYCALLER);
    std::setvbuf(file, nullptr, _IOFBF, 1 << 18);
}

bool IsRegularFile(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Opens a file that can be read twice, for the layout page and the preview;
// a FIFO is not opened at all, since that waits for a writer.
std::FILE* OpenForLook(const std::string& path)
{
    return IsRegularFile(path) ? std::fopen(path.c_str(), "rb") : nullptr;
}

// The first lines of a file, the byte-order mark taken off the first: up to
// count lines that are not blank, with the blank ones among them.
std::vector<std::string> FirstLines(std::FILE* file, std::size_t count)
{
    std::vector<std::string> lines;
    CLineReader reader(file);
    std::string_view content, ending;
    std::size_t filled = 0;
    while (filled < count && reader.Next(content, ending))
    {
        if (lines.empty() && content.starts_with(kByteOrderMark))
            content.remove_prefix(kByteOrderMark.size());
        // An earlier run's description, first or after the header, is no
        // record and no column name.
        if (lines.size() < 2 && IsDescriptionLine(content))
            continue;
        lines.emplace_back(content);
        if (!IsBlankLine(content))
            ++filled;
    }
    return lines;
}

// Appends value as printf's "%3.<decimals>lf" writes it: WriteFixed
// rounds exactly as printf does, and the width 3 never pads since
// at least one decimal follows the point.
void AppendFixed(std::string& out, double value, int decimals)
{
    char text[400];
    const char* end = WriteFixed(text, text + sizeof text, value, decimals);
    out.append(text, end != nullptr ? static_cast<std::size_t>(end - text) : 0);
}

// A destination that is no regular file (a terminal, /dev/stdout, a pipe)
// cannot be replaced by a rename; it is written directly.
bool WrittenInPlace(const std::string& destination)
{
    struct stat info;
    return ::stat(destination.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

std::string CompletedText(long long count, const std::vector<BatchTally::Left>& listed)
{
    if (count == 0)
        return kBatchCompletedText;
    std::string text = kBatchCompletedText;
    text += '\n';
    text += std::to_string(count);
    text += count == 1 ? " line was not converted and is copied unchanged" : " lines were not converted and are copied unchanged";
    if (static_cast<std::size_t>(count) > listed.size())
        text += "; the first " + std::to_string(listed.size());
    text += ':';
    for (std::size_t i = 0; i < listed.size(); ++i)
    {
        text += i == 0 ? " line " : ", line ";
        text += std::to_string(listed[i].number) + " (" + listed[i].reason + ")";
    }
    text += '.';
    return text;
}

// Whether a line that starts inside a quoted field (one left open on an
// earlier line) leaves a quoted field open again at its end.
bool StaysInsideQuotes(std::string_view text, std::string_view separator, std::vector<TextField>& fields)
{
    for (std::size_t at = 0;;)
    {
        const std::size_t quote = text.find('"', at);
        if (quote == std::string_view::npos)
            return true;
        if (quote + 1 < text.size() && text[quote + 1] == '"')
        {
            at = quote + 2;
            continue;
        }
        const std::size_t cut = text.find(separator.front(), quote + 1);
        if (cut == std::string_view::npos)
            return false;
        text.remove_prefix(cut + 1);
        break;
    }
    SplitLine(text, separator, fields);
    return !fields.empty() && fields.back().quoted && fields.back().valueEnd == text.size();
}


// Lines a block holds at most, and the bytes after which it is cut short:
// the memory a run needs stays the same whatever the file's size.
constexpr std::size_t kBlockLines = 32768;
constexpr std::size_t kBlockBytes = std::size_t(8) << 20;
// Fewer lines than these are not worth a thread of their own.
constexpr std::size_t kLinesAShare = 256;

// What every line of a run is converted by.
struct LineLayout
{
    const BatchSettings* settings = nullptr;
    std::string_view separator;
    bool gridSource = false;
    // The file's decimal mark, decided once for the whole file: a number
    // written with the other mark is refused, and the converted values are
    // written with this one.
    bool decimalComma = false;
    int heightDecimals = 2;
    int decimals = 6;
    long long columns[3] = {0, 0, 0};
    // The roles in the order their columns stand on a line.
    std::array<int, 3> order = {0, 1, 2};
    int used = 2;
    // Flags the points outside the area of use of their systems; with the
    // settings' strict flag they are left unconverted.
    const CBatchAreaCheck* area = nullptr;
};

// A line of a block: where its bytes start in the block, the lengths of its
// content and line end, and its 1-based number in the file.
struct BlockLine
{
    std::size_t at = 0;
    std::size_t content = 0;
    std::size_t ending = 0;
    long long number = 0;
};

// One share's output: the lines written one after another, and why the
// lines it could not convert were left.
struct TextShare
{
    std::string out;
    std::vector<std::string> reasons;
    std::vector<TextField> fields;
    std::string scratch;
};

struct LineResult
{
    std::uint32_t share = 0;
    std::uint32_t reason = 0; // in the share's reasons, when failed
    std::size_t outAt = 0;
    std::size_t outLength = 0;
    bool failed = false;
    // The line ends inside a quoted field it opened.
    bool opensQuote = false;
    // Its coordinates were converted and written.
    bool converted = false;
    // Its point lies outside the area of use of its systems.
    bool outside = false;
};

const char* const kRoleNames[3] = {"longitude", "latitude", "altitude"};

// Converts one line, as if no quoted field ran on into it, appending what is
// written for it to out; the reason it was left, empty when converted.
void ConvertLine(const LineLayout& layout, CConversionContext& context, std::string_view content,
                 std::string_view ending, std::size_t mark, TextShare& share, LineResult& result, std::string& reason)
{
    const BatchSettings& settings = *layout.settings;
    std::string& out = share.out;
    std::vector<TextField>& fields = share.fields;
    const std::string_view text = content.substr(mark);
    SplitLine(text, layout.separator, fields);
    result.opensQuote = !fields.empty() && fields.back().quoted && fields.back().valueEnd == text.size();
    if (fields.empty())
    {
        // A blank line holds no record; it stays as it is.
        out.append(content);
        out.append(ending);
        return;
    }

    double values[3] = {0, 0, 0};
    const char* problem = nullptr;
    int problemRole = 0;
    // A reference field stands for the longitude and latitude columns.
    const bool notationRead = settings.notationColumn != 0 && settings.sourceNotation != 0;
    if (notationRead && !ReadNotationField(settings, text, fields, values[0], values[1], reason))
    {
        out.append(content);
        out.append(ending);
        return;
    }
    for (int role = notationRead ? 2 : 0; role < layout.used && problem == nullptr; ++role)
    {
        problemRole = role;
        const long long column = layout.columns[role];
        if (static_cast<std::size_t>(column) > fields.size())
        {
            problem = "missing";
            break;
        }
        const TextField& field = fields[static_cast<std::size_t>(column) - 1];
        std::string_view value = text.substr(field.valueBegin, field.valueEnd - field.valueBegin);
        if (!field.wellFormed)
        {
            problem = "not a number";
            break;
        }
        if (field.quoted && value.find('"') != std::string_view::npos)
        {
            share.scratch = FieldText(text, field);
            value = share.scratch;
        }
        if (value.empty())
        {
            problem = "empty";
            break;
        }
        if (value.find(layout.decimalComma ? '.' : ',') != std::string_view::npos)
        {
            // "434.039" in a file of decimal commas is a thousands point, or
            // a value from elsewhere: no guess is made at it.
            problem = layout.decimalComma ? "written with a decimal point, but the file's decimal mark is the comma"
                                          : "written with a decimal comma, but the file's decimal mark is the point";
            break;
        }
        // Plain decimal numbers, nearly every field, are read the fast way
        // first; anything else the full way.
        const bool whole = role == 2 || layout.gridSource;
        bool read = (whole || settings.CoordinateFormat == COORDINATES_DEGREES) &&
                    ReadPlainDecimal(value, layout.decimalComma, values[role]);
        if (!read)
            read = whole ? ReadWholeNumber(value, layout.decimalComma, values[role])
                         : ReadCoordinateField(value, settings.CoordinateFormat,
                                               role == 0 ? kAxisLongitude : kAxisLatitude, layout.decimalComma,
                                               values[role]);
        if (!read)
            problem = "not a number";
    }

    if (problem != nullptr)
    {
        const char* name = layout.gridSource && problemRole < 2 ? (problemRole == 0 ? "easting" : "northing")
                                                                 : kRoleNames[problemRole];
        reason = std::string(name) + " field " + std::to_string(layout.columns[problemRole]) + " " +
                 (std::strcmp(problem, "missing") == 0 ? std::string("is missing") : "is " + std::string(problem));
    }
    else if (layout.area != nullptr && layout.area->Outside(result.share, values[0], values[1]))
    {
        result.outside = true;
        if (settings.strict != 0)
            reason = "lies outside the area of use of its systems";
    }
    if (problem == nullptr && reason.empty())
    {
        // The records were loaded, and checked, before the first line.
        const int converted = ConvertLoadedPoint(context, settings.sourceGrid != 0, settings.destinationGrid != 0,
                                                 values[0], values[1], values[2]);
        if (converted == kConvertPointFailed)
        {
            reason = context.engine.Failure();
            if (reason.empty())
                reason = "cannot be converted";
        }
    }

    std::string notationField;
    if (reason.empty() && settings.notationColumn != 0)
        NotationFieldText(settings, fields.size(), values[0], values[1], layout.separator, layout.decimals,
                          notationField, reason);
    if (!reason.empty())
    {
        out.append(content);
        out.append(ending);
        return;
    }
    if (settings.notationColumn != 0)
    {
        std::string altitude;
        AppendFixed(altitude, values[2], layout.heightDecimals);
        out.append(content.substr(0, mark));
        AppendNotationLine(settings, text, fields, layout.separator, notationField, altitude, out);
        result.converted = true;
        out.append(ending);
        return;
    }
    // Every byte but the coordinate values is written back as it was read.
    out.append(content.substr(0, mark));
    std::size_t copied = 0;
    for (int k = 0; k < layout.used; ++k)
    {
        const int role = layout.order[static_cast<std::size_t>(k)];
        const TextField& field = fields[static_cast<std::size_t>(layout.columns[role]) - 1];
        out.append(text.substr(copied, field.valueBegin - copied));
        const std::size_t at = out.size();
        AppendFixed(out, values[role], role == 2 ? layout.heightDecimals : layout.decimals);
        if (layout.decimalComma)
            std::replace(out.begin() + static_cast<std::ptrdiff_t>(at), out.end(), '.', ',');
        copied = field.valueEnd;
    }
    out.append(text.substr(copied));
    result.converted = true;
    out.append(ending);
}

// Converts the lines first to last of a block, appending to the share's output.
void ConvertShare(const LineLayout& layout, CConversionContext& context, const std::string& held,
                  std::size_t markLength, const std::vector<BlockLine>& block, std::size_t first, std::size_t last,
                  std::vector<LineResult>& results, std::uint32_t shareIndex, TextShare& share)
{
    // The engine's texts are written with "." whatever the locale.
    CNumericLocale numbers;
    std::string reason;
    for (std::size_t i = first; i < last; ++i)
    {
        const BlockLine& line = block[i];
        LineResult& result = results[i];
        result = LineResult{};
        result.share = shareIndex;
        const std::string_view content(held.data() + line.at, line.content);
        const std::string_view ending(held.data() + line.at + line.content, line.ending);
        result.outAt = share.out.size();
        reason.clear();
        ConvertLine(layout, context, content, ending, line.number == 1 ? markLength : 0, share, result, reason);
        result.outLength = share.out.size() - result.outAt;
        if (!reason.empty())
        {
            result.failed = true;
            result.reason = static_cast<std::uint32_t>(share.reasons.size());
            share.reasons.push_back(std::move(reason));
            reason = std::string();
        }
    }
}

} // namespace

std::string DescriptionLine(std::string_view name, int epsg)
{
    std::string line(kDescriptionStart);
    for (const char c : name)
        line += static_cast<unsigned char>(c) < 0x20 || c == '\x7F' ? ' ' : c;
    if (epsg > 0)
        line += " (EPSG:" + std::to_string(epsg) + ")";
    return line;
}

bool IsDescriptionLine(std::string_view content)
{
    return content.starts_with(kDescriptionStart);
}

std::string ResolveSeparator(const BatchSettings& settings)
{
    switch (settings.SeparatorChoice)
    {
    case SEPARATOR_AUTODETECT: return settings.resolvedSeparator;
    case SEPARATOR_COMMA: return ",";
    case SEPARATOR_SEMICOLON: return ";";
    case SEPARATOR_PIPE: return "|";
    case SEPARATOR_SPACE: return " ";
    case SEPARATOR_TAB: return "\t";
    default: return std::string();
    }
}

void SplitLine(std::string_view line, std::string_view separator, std::vector<TextField>& fields)
{
    fields.clear();
    if (IsBlankLine(line))
        return;
    const std::size_t n = line.size();
    auto trimmed = [&line](std::size_t from, std::size_t to, TextField& field) {
        while (from < to && IsWhite(line[from]))
            ++from;
        while (to > from && IsWhite(line[to - 1]))
            --to;
        field.valueBegin = from;
        field.valueEnd = to;
    };
    if (separator.empty())
    {
        TextField field;
        field.end = n;
        trimmed(0, n, field);
        fields.push_back(field);
        return;
    }
    const char cut = separator.front();
    if (cut == ' ')
    {
        std::size_t at = 0;
        while (at < n)
        {
            while (at < n && line[at] == ' ')
                ++at;
            if (at == n)
                break;
            const std::size_t stop = std::min(line.find(' ', at), n);
            TextField field;
            field.begin = at;
            field.end = stop;
            trimmed(at, stop, field);
            // A field of white space alone is none.
            if (field.valueBegin != field.valueEnd)
                fields.push_back(field);
            at = stop;
        }
        return;
    }
    std::size_t at = 0;
    for (;;)
    {
        TextField field;
        field.begin = at;
        std::size_t first = at;
        while (first < n && line[first] != cut && IsBlankOrTab(line[first]))
            ++first;
        std::size_t stop;
        if (first < n && line[first] == '"')
        {
            field.quoted = true;
            field.valueBegin = first + 1;
            std::size_t scan = first + 1;
            std::size_t close = std::string_view::npos;
            while (scan < n)
            {
                const std::size_t quote = line.find('"', scan);
                if (quote == std::string_view::npos)
                    break;
                if (quote + 1 < n && line[quote + 1] == '"')
                {
                    scan = quote + 2;
                    continue;
                }
                close = quote;
                break;
            }
            if (close == std::string_view::npos)
            {
                // Left open: the rest of the line is the field.
                field.valueEnd = n;
                field.end = n;
                field.wellFormed = false;
                fields.push_back(field);
                return;
            }
            field.valueEnd = close;
            stop = std::min(line.find(cut, close + 1), n);
            for (std::size_t i = close + 1; i < stop; ++i)
                if (!IsWhite(line[i]))
                    field.wellFormed = false;
        }
        else
        {
            stop = std::min(line.find(cut, at), n);
            trimmed(at, stop, field);
        }
        field.end = stop;
        fields.push_back(field);
        if (stop == n)
            return;
        at = stop + 1;
    }
}

std::string FieldText(std::string_view line, const TextField& field)
{
    const std::string_view value = line.substr(field.valueBegin, field.valueEnd - field.valueBegin);
    if (!field.quoted || value.find('"') == std::string_view::npos)
        return std::string(value);
    std::string text;
    text.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i)
    {
        text += value[i];
        if (value[i] == '"' && i + 1 < value.size() && value[i + 1] == '"')
            ++i;
    }
    return text;
}

namespace {

std::string_view WithoutLineEnd(std::string_view line)
{
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

} // namespace

void SplitFields(std::string_view line, std::string_view separator, std::vector<std::string_view>& fields)
{
    line = WithoutLineEnd(line);
    std::vector<TextField> split;
    SplitLine(line, separator, split);
    fields.clear();
    for (const TextField& f : split)
        fields.push_back(line.substr(f.valueBegin, f.valueEnd - f.valueBegin));
}

std::vector<std::string> SplitFields(std::string_view line, std::string_view separator)
{
    line = WithoutLineEnd(line);
    std::vector<TextField> split;
    SplitLine(line, separator, split);
    std::vector<std::string> fields;
    for (const TextField& f : split)
        fields.push_back(FieldText(line, f));
    return fields;
}

SeparatorGuess DetectSeparator(const std::vector<std::string>& lines)
{
    static constexpr char kCandidates[] = {'\t', ';', '|', ',', ' '};
    constexpr std::size_t kCount = sizeof kCandidates;
    std::array<bool, kCount> everywhere{}, same{}, anywhere{};
    everywhere.fill(true);
    same.fill(true);
    std::array<std::size_t, kCount> first{};
    std::size_t sampled = 0;
    std::vector<TextField> fields;
    for (const std::string& line : lines)
    {
        if (IsBlankLine(line))
            continue;
        for (std::size_t c = 0; c < kCount; ++c)
        {
            SplitLine(line, std::string_view(&kCandidates[c], 1), fields);
            const std::size_t found = fields.empty() ? 0 : fields.size() - 1;
            if (found == 0)
                everywhere[c] = false;
            else
                anywhere[c] = true;
            if (sampled == 0)
                first[c] = found;
            else if (found != first[c])
                same[c] = false;
        }
        ++sampled;
    }
    SeparatorGuess guess;
    if (std::none_of(anywhere.begin(), anywhere.end(), [](bool b) { return b; }))
        return guess;
    for (std::size_t c = 0; c < kCount; ++c)
        if (everywhere[c] && same[c])
        {
            guess.state = SeparatorGuess::Found;
            guess.separator = kCandidates[c];
            return guess;
        }
    if (std::count(everywhere.begin(), everywhere.end(), true) == 1)
    {
        guess.state = SeparatorGuess::Found;
        guess.separator = kCandidates[std::find(everywhere.begin(), everywhere.end(), true) - everywhere.begin()];
        return guess;
    }
    guess.state = SeparatorGuess::Unclear;
    return guess;
}

HeaderColumns ColumnsFromHeader(std::string_view line, std::string_view separator)
{
    static const char* const kNames[3][6] = {
        {"lon", "long", "longitude", "x", "easting", "e"},
        {"lat", "latitude", "y", "northing", "n", nullptr},
        {"h", "height", "alt", "altitude", "z", nullptr},
    };
    line = WithoutLineEnd(line);
    if (line.starts_with(kByteOrderMark))
        line.remove_prefix(kByteOrderMark.size());
    std::vector<TextField> fields;
    SplitLine(line, separator, fields);
    int found[3] = {0, 0, 0};
    for (std::size_t i = 0; i < fields.size(); ++i)
    {
        std::string name = FieldText(line, fields[i]);
        while (!name.empty() && IsWhite(name.front()))
            name.erase(name.begin());
        while (!name.empty() && IsWhite(name.back()))
            name.pop_back();
        name = AsciiLower(name);
        for (int role = 0; role < 3; ++role)
        {
            if (found[role] != 0)
                continue;
            for (const char* known : kNames[role])
                if (known != nullptr && name == known)
                {
                    found[role] = static_cast<int>(i) + 1;
                    break;
                }
        }
    }
    HeaderColumns columns;
    if (found[0] != 0 && found[1] != 0)
    {
        columns.longitude = found[0];
        columns.latitude = found[1];
        columns.altitude = found[2];
    }
    return columns;
}

bool ColumnsUsable(int longitudeColumn, int latitudeColumn, int altitudeColumn)
{
    if (longitudeColumn < 1 || latitudeColumn < 1 || altitudeColumn < 0)
        return false;
    if (longitudeColumn == latitudeColumn)
        return false;
    return altitudeColumn == 0 || (altitudeColumn != longitudeColumn && altitudeColumn != latitudeColumn);
}

FieldLists FillFieldLists(BatchSettings& settings)
{
    FieldLists lists;
    lists.altitude.push_back("N/A");

    std::FILE* file = OpenForLook(settings.sourceFile);
    if (file == nullptr)
        return lists;
    const std::vector<std::string> lines = FirstLines(file, kSampleLines);
    std::fclose(file);

    std::string separator;
    if (settings.SeparatorChoice == SEPARATOR_AUTODETECT)
    {
        const SeparatorGuess guess = DetectSeparator(lines);
        if (guess.state == SeparatorGuess::Found)
            separator.assign(1, guess.separator);
        lists.separatorUnclear = guess.state == SeparatorGuess::Unclear;
    }
    else
    {
        separator = ResolveSeparator(settings);
    }
    settings.resolvedSeparator = separator;

    if (!lines.empty())
    {
        for (const std::string& field : SplitFields(lines.front(), separator))
        {
            lists.longitude.push_back(field);
            lists.latitude.push_back(field);
            lists.altitude.push_back(field);
        }
        lists.named = ColumnsFromHeader(lines.front(), separator);
    }
    return lists;
}

std::vector<std::vector<std::string>> PreviewTextFile(const BatchSettings& settings)
{
    std::vector<std::vector<std::string>> rows;
    std::FILE* file = OpenForLook(settings.sourceFile);
    if (file == nullptr)
        return rows;
    const std::vector<std::string> lines = FirstLines(file, kPreviewRows + 1);
    std::fclose(file);
    const std::string separator = ResolveSeparator(settings);
    const int columns[3] = {settings.longitudeColumn, settings.latitudeColumn, settings.altitudeColumn};
    const std::size_t shown = settings.altitudeColumn != 0 ? 3 : 2;
    std::vector<TextField> fields;
    for (std::size_t i = settings.header == HEADER_FIRST_LINE ? 1 : 0; i < lines.size() && rows.size() < kPreviewRows; ++i)
    {
        SplitLine(lines[i], separator, fields);
        std::vector<std::string> row(shown);
        for (std::size_t c = 0; c < shown; ++c)
            if (columns[c] >= 1 && static_cast<std::size_t>(columns[c]) <= fields.size())
                row[c] = FieldText(lines[i], fields[static_cast<std::size_t>(columns[c]) - 1]);
        rows.push_back(std::move(row));
    }
    return rows;
}

namespace {

// The decimal mark of a file, decided once from its first lines: the point
// where the separator is a comma; else the mark of the first coordinate
// field of those lines that holds one (a comma between digits, or a point),
// else the point. Lines without every coordinate field are passed over.
char DecimalMark(const std::vector<StoredLine>& ahead, std::size_t markLength, bool header,
                 std::string_view separator, const long long (&columns)[3])
{
    if (separator == ",")
        return '.';
    std::vector<TextField> fields;
    for (std::size_t i = header ? 1 : 0; i < ahead.size(); ++i)
    {
        const std::string_view text = std::string_view(ahead[i].content).substr(i == 0 ? markLength : 0);
        SplitLine(text, separator, fields);
        // A line without every coordinate field holds no record to go by.
        const long long needed = std::max({columns[0], columns[1], columns[2]});
        if (needed <= 0 || static_cast<std::size_t>(needed) > fields.size())
            continue;
        for (const long long column : columns)
        {
            if (column <= 0)
                continue;
            const TextField& field = fields[static_cast<std::size_t>(column) - 1];
            const std::string_view value = text.substr(field.valueBegin, field.valueEnd - field.valueBegin);
            for (std::size_t c = 0; c < value.size(); ++c)
            {
                if (value[c] == '.')
                    return '.';
                if (value[c] == ',' && c > 0 && c + 1 < value.size() &&
                    std::isdigit(static_cast<unsigned char>(value[c - 1])) &&
                    std::isdigit(static_cast<unsigned char>(value[c + 1])))
                    return ',';
            }
        }
    }
    return '.';
}

// The text encoding of a file this converter cannot read, from its first
// lines: UTF-16 or UTF-32 by its byte order mark, or UTF-16 without one by
// the zero bytes between its characters; empty for any other file.
std::string ForeignEncoding(const std::vector<StoredLine>& ahead)
{
    if (ahead.empty())
        return std::string();
    const std::string_view first = ahead.front().content;
    if (first.starts_with(std::string_view("\xFF\xFE\0\0", 4)) || first.starts_with(std::string_view("\0\0\xFE\xFF", 4)))
        return "UTF-32 text";
    if (first.starts_with("\xFF\xFE"))
        return "UTF-16 text (little-endian)";
    if (first.starts_with("\xFE\xFF"))
        return "UTF-16 text (big-endian)";
    std::size_t zeros = 0, bytes = 0;
    for (const StoredLine& line : ahead)
    {
        bytes += line.content.size();
        zeros += static_cast<std::size_t>(std::count(line.content.begin(), line.content.end(), '\0'));
    }
    // Latin text in UTF-16 is every other byte zero.
    if (bytes >= 4 && zeros * 3 >= bytes)
        return "UTF-16 text";
    return std::string();
}

// Decides the separator (the settings' own, or detected from the first
// lines) and the columns (the settings' own, or named by the header) of a
// run: 0 when they can be used, else the message number that says why not,
// or -1 when why was said already.
int DecideFields(CBatchRunControl& run, const std::vector<StoredLine>& ahead, std::size_t markLength,
                 std::string& separator, long long& lonColumn, long long& latColumn, long long& altColumn)
{
    const BatchSettings& settings = run.Settings();
    separator = ResolveSeparator(settings);
    int failure = 0; // a message number when the run cannot start
    const std::string encoding = ForeignEncoding(ahead);
    if (!encoding.empty())
    {
        // Its separators and digits are not the bytes looked for: it is said
        // what the file is, rather than that its separator is unclear.
        run.Send(BATCH_STATUS, "Text file not converted: the file is " + encoding + "; save it as UTF-8");
        failure = -1;
    }
    if (failure == 0 && separator.empty() && settings.SeparatorChoice == SEPARATOR_AUTODETECT)
    {
        std::vector<std::string> sample;
        for (const StoredLine& line : ahead)
            sample.push_back(line.content.substr(sample.empty() ? markLength : 0));
        const SeparatorGuess guess = DetectSeparator(sample);
        if (guess.state == SeparatorGuess::Found)
            separator.assign(1, guess.separator);
        else if (guess.state == SeparatorGuess::Unclear)
            failure = IDS_BATCH_SEPARATOR_UNCLEAR;
    }

    lonColumn = settings.longitudeColumn;
    latColumn = settings.latitudeColumn;
    altColumn = settings.altitudeColumn;
    if (failure == 0 && settings.header == HEADER_FIRST_LINE && settings.columnsFromHeader != 0 && !ahead.empty())
    {
        const HeaderColumns named = ColumnsFromHeader(ahead.front().content, separator);
        if (named.longitude != 0)
        {
            lonColumn = named.longitude;
            latColumn = named.latitude;
            altColumn = named.altitude;
        }
    }
    if (failure == 0 && !ColumnsUsable(static_cast<int>(lonColumn), static_cast<int>(latColumn),
                                       static_cast<int>(altColumn)))
        failure = IDS_BATCH_COLUMNS_UNUSABLE;
    return failure;
}

// What the start of a file holds besides its records, and what a run does
// with it.
struct TextStart
{
    // The byte-order mark's length on the first line, where it is read past.
    std::size_t markLength = 0;
    // The input's first line end, which the description line gets.
    std::string lineEnd;
    // An earlier run's description line was taken out of the lines ahead.
    bool dropped = false;
    // Bytes read that are not written again, for the progress.
    long long skippedBytes = 0;
    // The byte-order mark is written by itself, ahead of the description.
    bool markFirst = false;
};

// Looks at the first lines read ahead: the byte-order mark, the line end, an
// earlier run's description (dropped from ahead, since it names the input's
// system) and where the mark goes.
TextStart LookAtStart(std::vector<StoredLine>& ahead, const BatchSettings& settings)
{
    // The byte-order mark is written back and not read as part of a field.
    TextStart start;
    std::size_t& markLength = start.markLength;
    if (!ahead.empty() && std::string_view(ahead.front().content).starts_with(kByteOrderMark))
        markLength = kByteOrderMark.size();

    // The description's line end is the input's first one.
    start.lineEnd = !ahead.empty() && !ahead.front().ending.empty() ? ahead.front().ending : "\n";
    // An earlier run's description stands first, or right after the
    // header; it is dropped, since it names the input's system. Its bytes
    // still count as read, and its number as a line of the input.
    const std::size_t describedAt = settings.header == HEADER_FIRST_LINE ? 1 : 0;
    bool& dropped = start.dropped;
    long long& skippedBytes = start.skippedBytes;
    if (ahead.size() > describedAt)
    {
        const StoredLine& line = ahead[describedAt];
        const std::size_t mark = describedAt == 0 ? markLength : 0;
        if (IsDescriptionLine(std::string_view(line.content).substr(mark)))
        {
            dropped = true;
            skippedBytes = static_cast<long long>(line.content.size() - mark + line.ending.size());
            ahead.erase(ahead.begin() + static_cast<std::ptrdiff_t>(describedAt));
        }
    }
    // Where the description goes before the first line, the byte-order mark
    // is written ahead of it by itself.
    if (markLength != 0 && describedAt == 0 && (dropped || settings.describe != 0))
    {
        start.markFirst = true;
        if (!dropped)
        {
            ahead.front().content.erase(0, markLength);
            skippedBytes += static_cast<long long>(markLength);
        }
        markLength = 0;
    }
    return start;
}

// Puts the lines of a converted block together in their order into merged:
// each line as its share wrote it, but the lines a quoted field runs on
// over, which are written back as they were read.
void MergeBlock(const std::vector<BlockLine>& block, const std::vector<LineResult>& results,
                const std::vector<TextShare>& shares, const std::string& held, std::size_t markLength,
                std::string_view separator, bool quoting, bool& insideQuotes, BatchTally& tally, std::string& merged)
{
    std::vector<TextField> fields;
    merged.clear();
    for (std::size_t i = 0; i < block.size(); ++i)
    {
        const BlockLine& line = block[i];
        const LineResult& result = results[i];
        const TextShare& share = shares[result.share];
        const std::string_view whole(held.data() + line.at, line.content + line.ending);
        if (insideQuotes)
        {
            const std::size_t mark = line.number == 1 ? markLength : 0;
            // The rest of a quoted field with line breaks in it belongs to
            // the record begun on an earlier line, as RFC 4180 reads it;
            // that record was converted or reported by its first line.
            insideQuotes = StaysInsideQuotes(whole.substr(mark, line.content - mark), separator, fields);
            merged.append(whole);
            continue;
        }
        merged.append(share.out, result.outAt, result.outLength);
        tally.converted += result.converted ? 1 : 0;
        if (result.outside)
            tally.outside.Add(line.number);
        if (result.failed)
            tally.Leave(line.number, share.reasons[result.reason]);
        insideQuotes = quoting && result.opensQuote;
    }
}

// Fails a run with why, said as a status text before the end notice.
void FailRun(CBatchRunControl& run, const std::string& why)
{
    run.Send(BATCH_STATUS, "Text file not converted: " + why);
    run.Post(BATCH_STOPPED, kBatchFailedText);
}

// The files of a run: the source, and the destination or the temporary file
// written in its place.
struct TextFiles
{
    std::FILE* source = nullptr;
    std::FILE* destination = nullptr;
    // 0 when the system cannot tell (a pipe), which converts as well.
    long long size = 0;
    bool inPlace = false;
    std::string temporary;
    // The error of the first write that failed.
    int writeError = 0;
};

// Opens the source for reading and the destination for writing; false, with
// the run failed and why said, when either cannot be.
bool OpenTextFiles(CBatchRunControl& run, TextFiles& files)
{
    const BatchSettings& settings = run.Settings();
    // The source is only ever read, so a read-only source converts.
    files.source = std::fopen(settings.sourceFile.c_str(), "rb");
    struct stat info;
    int error = files.source == nullptr ? errno : 0;
    if (files.source != nullptr && ::fstat(::fileno(files.source), &info) != 0)
        error = errno;
    else if (files.source != nullptr && S_ISDIR(info.st_mode))
        error = EISDIR;
    if (error != 0)
    {
        if (files.source != nullptr)
            std::fclose(files.source);
        ShowMessage(IDS_BATCH_INPUT_FAILED);
        FailRun(run, "\"" + settings.sourceFile + "\" cannot be read: " + std::strerror(error));
        return false;
    }
    Stream(files.source);
    files.size = S_ISREG(info.st_mode) ? info.st_size : 0;

    std::string why;
    if (SameFile(settings.sourceFile, settings.destinationFile))
    {
        ShowMessage(IDS_BATCH_SAME_FILE);
        why = "the source and the destination are the same file";
    }
    // The destination keeps what it held until the run completes.
    files.inPlace = why.empty() && WrittenInPlace(settings.destinationFile);
    if (why.empty() && files.inPlace)
    {
        files.destination = std::fopen(settings.destinationFile.c_str(), "w");
        if (files.destination == nullptr)
            why = "\"" + settings.destinationFile + "\" cannot be written: " + std::strerror(errno);
    }
    else if (why.empty())
    {
        why = ReplaceRefusal(settings.destinationFile);
        if (why.empty())
        {
            for (const auto& line : ClearLeftovers(settings.destinationFile))
                run.Send(BATCH_STATUS, "Leftover of an earlier run that ended: " + line);
            files.destination = CreateTemporary(settings.destinationFile, files.temporary, why);
        }
    }
    if (files.destination == nullptr)
    {
        if (!SameFile(settings.sourceFile, settings.destinationFile))
            ShowMessage(IDS_BATCH_OUTPUT_FAILED);
        std::fclose(files.source);
        FailRun(run, why);
        return false;
    }
    Stream(files.destination);
    return true;
}

// Closes the files of a run and, when it completed, puts the output in
// place; then tells the run's end, with why when it failed.
void FinishTextRun(CBatchRunControl& run, TextFiles& files, bool readFailed, int end, const CBatchPipeline& pipeline)
{
    const BatchTally& tally = pipeline.Tally();
    const long long notConverted = tally.notConverted;
    const long long converted = tally.converted;
    const std::vector<BatchTally::Left>& listed = tally.listed;
    const std::string& name = run.Settings().destinationFile;
    std::fclose(files.source);
    // The last block goes out at the flush, which may fail as any write.
    errno = 0;
    if ((std::fflush(files.destination) != 0 || std::ferror(files.destination) != 0) && files.writeError == 0)
        files.writeError = errno != 0 ? errno : EIO;
    if (std::fclose(files.destination) != 0 && files.writeError == 0)
        files.writeError = errno != 0 ? errno : EIO;
    std::string why;
    if (end == BATCH_COMPLETED && readFailed)
        why = "\"" + run.Settings().sourceFile + "\" could not be read completely";
    else if (end == BATCH_COMPLETED && files.writeError != 0)
        why = "\"" + name + "\" could not be written completely: " + std::strerror(files.writeError);
    else if (end == BATCH_COMPLETED && converted == 0 && notConverted > 0)
    {
        // A file of which nothing converts is no converted file.
        why = "no line could be converted";
        for (std::size_t i = 0; i < listed.size(); ++i)
            why += (i == 0 ? ": line " : ", line ") + std::to_string(listed[i].number) + " (" + listed[i].reason + ")";
    }
    bool completed = end == BATCH_COMPLETED && why.empty();
    if (!files.inPlace)
    {
        if (completed && !ReplaceFiles({{files.temporary, name}}, {}, why))
        {
            completed = false;
            MessagePresenter().Show(IDS_BATCH_RENAME_FAILED, kBatchRenameFailedText);
        }
        if (!completed)
            ::unlink(files.temporary.c_str());
    }
    // The output is in place before the page hears the end, so it can be
    // opened at once.
    if (completed)
        pipeline.SendSummary("line", run.Settings().strict != 0);
    if (completed)
        run.Post(BATCH_COMPLETED, CompletedText(notConverted, listed));
    else if (end == BATCH_STOPPED)
        run.Post(BATCH_STOPPED, kBatchAbortedText);
    else if (!why.empty())
        FailRun(run, why);
    else
        run.Post(BATCH_STOPPED, kBatchFailedText);
}

// The lines of a text file as the pipeline's format. Lines are read in
// blocks, converted in shares on every core and written in the order they
// were read. Whether a line continues a quoted field depends on the lines
// before it, so the shares convert every line as if it did not, and the lines
// that do are put back as they were read when the block is written.
class CTextLines final : public CBatchFormat
{
public:
    // next gives the input's lines after the header; position counts the
    // bytes read before them, lineNumber their lines.
    CTextLines(CBatchRunControl& run_, const LineLayout& layout_, std::size_t markLength_, TextFiles& files_,
               std::function<bool(std::string_view&, std::string_view&)> next_, std::size_t threads,
               std::size_t blockItems, long long position_, long long lineNumber_)
        : run(run_), layout(layout_), markLength(markLength_), files(files_), next(std::move(next_)),
          shares(threads), blockItems(blockItems), position(position_), lineNumber(lineNumber_),
          quoting(!layout.separator.empty() && layout.separator.front() != ' ')
    {
    }
    Block Read() override;
    void Convert(std::size_t share, CConversionContext& context, std::size_t first, std::size_t last) override
    {
        ConvertShare(layout, context, held, markLength, block, first, last, results,
                     static_cast<std::uint32_t>(share), shares[share]);
    }
    bool Write(BatchTally& tally) override;
    int Percentage() const override { return BatchPercentage(position, files.size); }

private:
    CBatchRunControl& run;
    const LineLayout& layout;
    std::size_t markLength;
    TextFiles& files;
    std::function<bool(std::string_view&, std::string_view&)> next;
    std::vector<TextShare> shares;
    std::size_t blockItems;
    long long position;
    long long lineNumber;
    // A quoted field may run on over line ends; the lines it continues on
    // hold no columns of their own, and are left as they are.
    bool quoting;
    bool insideQuotes = false;
    std::vector<BlockLine> block;
    std::vector<LineResult> results;
    std::string held, merged;
    // The first blocks are small, one line and then twice as many each time,
    // so that a run cancelled at its start stops at once.
    std::size_t blockLimit = 1;
    // The percentage reported after the last block.
    int reported = 0;
};

CBatchFormat::Block CTextLines::Read()
{
    block.clear();
    held.clear();
    After after = After::More;
    std::string_view content, ending;
    while (block.size() < blockLimit && held.size() < kBlockBytes)
    {
        if (!next(content, ending))
        {
            after = After::End;
            break;
        }
        ++lineNumber;
        position += static_cast<long long>(content.size() + ending.size());
        block.push_back(BlockLine{held.size(), content.size(), ending.size(), lineNumber});
        held.append(content);
        held.append(ending);
        // A block ends where the progress moves on, so every percentage the
        // run reaches is reported, as line by line.
        if (BatchPercentage(position, files.size) != reported)
            break;
    }
    // The running flag is read once a block, after the block is read: the
    // block is converted whatever it says, and the next one is not begun when
    // the run was cancelled.
    if (after == After::More && run.Running() != 1)
        after = After::Cancelled;
    blockLimit = std::min(blockLimit * 2, blockItems);
    results.resize(block.size());
    for (TextShare& share : shares)
    {
        share.out.clear();
        share.reasons.clear();
    }
    return Block{block.size(), after};
}

bool CTextLines::Write(BatchTally& tally)
{
    MergeBlock(block, results, shares, held, markLength, layout.separator, quoting, insideQuotes, tally, merged);
    if (std::fwrite(merged.data(), 1, merged.size(), files.destination) != merged.size())
    {
        // A full disk stops the run at once; it fails with why.
        files.writeError = errno != 0 ? errno : EIO;
        return false;
    }
    reported = Percentage();
    return true;
}

using NextLine = std::function<bool(std::string_view&, std::string_view&)>;

// Writes what comes before the first record: the byte-order mark where it
// goes by itself, the header line and the description; counts the bytes and
// lines read for them.
void WriteHead(std::FILE* destination, const BatchSettings& settings, const TextStart& start,
               const std::string& description, const NextLine& next, long long& position, long long& lineNumber)
{
    if (start.markFirst)
        std::fwrite(kByteOrderMark.data(), 1, kByteOrderMark.size(), destination);
    std::string_view content, ending;
    if (settings.header == HEADER_FIRST_LINE && next(content, ending))
    {
        ++lineNumber;
        std::fwrite(content.data(), 1, content.size(), destination);
        std::fwrite(ending.data(), 1, ending.size(), destination);
        position += static_cast<long long>(content.size() + ending.size());
        // A header without a line end ends where the description starts.
        if (!description.empty() && ending.empty())
            std::fwrite(start.lineEnd.data(), 1, start.lineEnd.size(), destination);
    }
    std::fwrite(description.data(), 1, description.size(), destination);
    position += start.skippedBytes;
    if (start.dropped)
        ++lineNumber;
}

// How every line of the run is converted.
LineLayout MakeLayout(const BatchSettings& settings, const std::string& separator, const long long (&columns)[3],
                      const std::vector<StoredLine>& ahead, std::size_t markLength, const CBatchAreaCheck& area)
{
    LineLayout layout;
    layout.settings = &settings;
    layout.separator = separator;
    layout.gridSource = settings.sourceGrid != 0;
    // "%3.2lf" for grid units and heights, "%3.6lf" for degrees, unless the
    // settings ask for other decimals.
    layout.decimals = settings.precision >= 0 ? settings.precision : settings.destinationGrid != 0 ? 2 : 6;
    layout.heightDecimals = settings.precision >= 0 ? settings.precision : 2;
    std::copy(std::begin(columns), std::end(columns), layout.columns);
    layout.decimalComma =
        DecimalMark(ahead, markLength, settings.header == HEADER_FIRST_LINE, separator, layout.columns) == ',';
    // The values are replaced in the order they stand on the line.
    layout.used = columns[2] != 0 ? 3 : 2;
    std::sort(layout.order.begin(), layout.order.begin() + layout.used,
              [&layout](int a, int b) { return layout.columns[a] < layout.columns[b]; });
    layout.area = &area;
    return layout;
}

// The description line of the destination, when the settings ask for one;
// false, with the run told why, when it cannot be named.
bool DescribeDestination(CBatchRunControl& run, const TextDescriptionSource& describe, const std::string& lineEnd,
                         std::string& description)
{
    const BatchSettings& settings = run.Settings();
    if (settings.describe == 0)
        return true;
    std::string name, why;
    int epsg = 0;
    if (describe && describe(settings.destinationDatum, settings.destinationGrid, name, epsg, why))
    {
        description = DescriptionLine(name, epsg) + lineEnd;
        return true;
    }
    run.Send(BATCH_STATUS, "Text file not converted: the destination system cannot be named" +
                               (why.empty() ? std::string() : ": " + why));
    return false;
}

// The first lines, read ahead for autodetection and the header's names, then
// converted like the rest.
std::vector<StoredLine> ReadAhead(CLineReader& reader)
{
    std::vector<StoredLine> ahead;
    std::string_view content, ending;
    std::size_t filled = 0;
    while (filled < kSampleLines && reader.Next(content, ending))
    {
        ahead.push_back(StoredLine{std::string(content), std::string(ending)});
        if (!IsBlankLine(content))
            ++filled;
    }
    return ahead;
}

} // namespace

void ConvertTextFile(CBatchRunControl& run)
{

    ConvertTextFile(run, DestinationDescription);
}

void ConvertTextFile(CBatchRunControl& run, const TextDescriptionSource& describe)
{
    CNumericLocale numbers;
    run.SignalStarted();
    run.Post(BATCH_STATUS, "Currently converting CSV file, please wait...");
    const BatchSettings& settings = run.Settings();

    TextFiles files;
    if (!OpenTextFiles(run, files))
        return;
    CLineReader reader(files.source);
    std::vector<StoredLine> ahead = ReadAhead(reader);
    std::size_t aheadUsed = 0;
    const NextLine next = [&](std::string_view& content, std::string_view& ending) {
        if (aheadUsed < ahead.size())
        {
            content = ahead[aheadUsed].content;
            ending = ahead[aheadUsed].ending;
            ++aheadUsed;
            return true;
        }
        return reader.Next(content, ending);
    };
    const TextStart start = LookAtStart(ahead, settings);

    // The separator and the columns, from the settings and the first lines.
    std::string separator;
    long long columns[3] = {0, 0, 0};
    const int failure = DecideFields(run, ahead, start.markLength, separator, columns[0], columns[1], columns[2]);

    CBatchPipeline pipeline(run, kBlockLines, false);
    int end = BATCH_COMPLETED;
    if (failure != 0)
    {
        if (failure != -1)
            MessagePresenter().Show(failure, failure == IDS_BATCH_SEPARATOR_UNCLEAR ? kBatchSeparatorUnclearText
                                                                                    : kBatchColumnsUnusableText);
        end = -1;
    }
    // The systems are loaded, and checked, before the first line, so a run on
    // systems that cannot be used fails even when no line holds a coordinate.
    else if (!pipeline.LoadSystems())
        end = -1;
    std::string description;
    if (end != -1 && !DescribeDestination(run, describe, start.lineEnd, description))
        end = -1;
    if (end != -1)
    {
        long long position = 0; // bytes read so far
        long long lineNumber = 0;
        WriteHead(files.destination, settings, start, description, next, position, lineNumber);
        const LineLayout layout = MakeLayout(settings, separator, columns, ahead, start.markLength, pipeline.Area());
        CTextLines lines(run, layout, start.markLength, files, next, pipeline.Threads(), pipeline.BlockItems(),
                         position, lineNumber);
        // Small blocks, when asked for, are still shared out.
        const std::size_t linesAShare =
            std::clamp<std::size_t>(pipeline.BlockItems() / pipeline.Threads(), 1, kLinesAShare);
        // A write that failed leaves the end as it is: the files' error says
        // why the run failed.
        if (pipeline.Run(lines, linesAShare) == CBatchFormat::After::Cancelled)
            end = BATCH_STOPPED;
    }
    FinishTextRun(run, files, reader.Failed(), end, pipeline);
}
