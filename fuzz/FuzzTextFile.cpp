// libFuzzer target: arbitrary bytes as a batch text file. The first byte picks
// the separator choice, the coordinate format, the header flag, the columns
// and the systems; the rest is the file. Every line goes through the splitter,
// the whole-field readers and ParseCoordinateText in all five formats, the
// first lines through separator detection and the header's names, then the
// whole file through the layout page's field lists, the preview and the
// conversion worker, whose output must keep every line end of the input.
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CoordinateText.h"
#include "NumericLocale.h"
#include "FuzzBatchSupport.h"
#include "TextFileConversion.h"

using namespace fuzzbatch;

namespace {

void CheckSplit(std::string_view line, std::string_view separator)
{
    std::vector<TextField> fields;
    SplitLine(line, separator, fields);
    std::size_t previous = 0;
    for (std::size_t i = 0; i < fields.size(); ++i)
    {
        const TextField& f = fields[i];
        // Fields lie in order inside the line, each value inside its field.
        if (f.begin < previous || f.begin > f.valueBegin || f.valueBegin > f.valueEnd || f.valueEnd > f.end ||
            f.end > line.size())
            __builtin_trap();
        previous = f.end;
        const std::string_view value = line.substr(f.valueBegin, f.valueEnd - f.valueBegin);
        if (!f.quoted && !separator.empty() && value.find(separator.front()) != std::string_view::npos)
            __builtin_trap();
        if (!f.quoted && !value.empty() && (value.front() == ' ' || value.back() == ' '))
            __builtin_trap();
        for (int format = 0; format <= 4; ++format)
        {
            std::string text(value);
            const double parsed = ParseCoordinateText(text, format);
            // A value is read from digits and points alone.
            if (std::isnan(parsed))
                __builtin_trap();
            if (text.find_first_not_of("0123456789. ") != std::string::npos)
                __builtin_trap();
            for (int axis = 0; axis <= 1; ++axis)
            {
                double read = 0;
                if (ReadCoordinateField(value, format, axis, separator != ",", read) && !std::isfinite(read))
                    __builtin_trap();
            }
        }
        double number = 0;
        if (ReadWholeNumber(value, true, number) &&
            (!std::isfinite(number) || value.find_first_of("eEnNiIxX") != std::string_view::npos))
            __builtin_trap();
    }
    // Without quotes, the raw fields and their separators are the line again.
    if (!fields.empty() && !separator.empty() && separator.front() != ' ')
    {
        std::string joined;
        for (std::size_t i = 0; i < fields.size(); ++i)
        {
            if (i > 0)
                joined += separator.front();
            joined.append(line.substr(fields[i].begin, fields[i].end - fields[i].begin));
        }
        if (joined != line)
            __builtin_trap();
    }
}

// Line ends as the converter counts them: LF, CR LF and CR alone.
std::size_t LineEnds(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++count;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned choice = data[0];
    const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);

    static const char* separators[] = {"", ",", ";", "|", " ", "\t"};
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < file.size();)
    {
        std::size_t end = file.find_first_of("\r\n", start);
        const std::string_view line = file.substr(start, end == std::string_view::npos ? file.size() - start
                                                                                       : end - start);
        for (const char* separator : separators)
            CheckSplit(line, separator);
        if (lines.size() < 20)
            lines.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        start = end + (file[end] == '\r' && end + 1 < file.size() && file[end + 1] == '\n' ? 2 : 1);
    }
    const SeparatorGuess guess = DetectSeparator(lines);
    if (guess.state == SeparatorGuess::Found && std::string_view("\t;|, ").find(guess.separator) == std::string_view::npos)
        __builtin_trap();
    if (!lines.empty())
    {
        const HeaderColumns named = ColumnsFromHeader(lines.front(), guess.state == SeparatorGuess::Found
                                                                         ? std::string(1, guess.separator)
                                                                         : std::string());
        if (named.longitude != 0 && !ColumnsUsable(named.longitude, named.latitude, named.altitude))
            __builtin_trap();
    }

    const std::string source = Scratch("in.txt"), destination = Scratch("out.txt");
    WriteBytes(source, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    BatchSettings settings;
    settings.ConversionType = CONVERSION_TEXT;
    settings.SeparatorChoice = static_cast<int>(choice % 6);
    settings.CoordinateFormat = static_cast<int>((choice / 6) % 5);
    settings.header = (choice / 30) % 2;
    settings.altitudeColumn = (choice / 60) % 2 != 0 ? 3 : 0;
    settings.columnsFromHeader = settings.header;
    settings.sourceFile = source;
    settings.destinationFile = destination;
    settings.sourceDatum = WGS84;
    settings.destinationDatum = (choice & 0x80) != 0 ? ED50 : WGS84;
    settings.destinationGrid = (choice & 0x80) != 0 ? 0 : UTM31N;

    FillFieldLists(settings);
    const auto rows = PreviewTextFile(settings);
    if (rows.size() > 26)
        __builtin_trap();
    std::remove(destination.c_str());
    const BatchNotice end = RunWorker(settings, ConvertTextFile);
    if (end.code == BATCH_COMPLETED && end.text.rfind(kBatchCompletedText, 0) != 0)
        __builtin_trap();
    if (end.code != BATCH_COMPLETED && end.text != kBatchFailedText)
        __builtin_trap();
    if (end.code == BATCH_COMPLETED)
    {
        // Every line is written, with its own line end.
        std::FILE* out = std::fopen(destination.c_str(), "rb");
        if (out == nullptr)
            __builtin_trap();
        std::string written;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
            written.append(buffer, n);
        std::fclose(out);
        // But for an earlier run's description line, which is dropped.
        std::size_t expected = LineEnds(file);
        const std::size_t describedAt = settings.header != 0 ? 1 : 0;
        if (lines.size() > describedAt && expected > describedAt)
        {
            std::string_view described = lines[describedAt];
            if (describedAt == 0 && described.starts_with("\xEF\xBB\xBF"))
                described.remove_prefix(3);
            if (IsDescriptionLine(described))
                --expected;
        }
        if (LineEnds(written) != expected)
            __builtin_trap();
    }
    return 0;
}
