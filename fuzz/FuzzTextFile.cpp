// libFuzzer target: arbitrary bytes as a batch text file. The first byte picks
// the separator choice, the coordinate format and the header flag; the rest
// is the file. Every line goes through the splitter and ParseCoordinateText in
// all five formats, then the whole file through the layout page's field
// lists, the preview and the conversion worker.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "CoordinateText.h"
#include "FuzzBatchSupport.h"
#include "TextFileConversion.h"

using namespace fuzzbatch;

namespace {

void CheckSplit(std::string_view line, std::string_view separator)
{
    std::vector<std::string_view> fields;
    SplitFields(line, separator, fields);
    for (const std::string_view field : fields)
    {
        // Every field is a piece of the line, trimmed, without its separator.
        if (field.data() < line.data() || field.data() + field.size() > line.data() + line.size())
            __builtin_trap();
        if (!separator.empty() && field.find(separator.front()) != std::string_view::npos)
            __builtin_trap();
        if (!field.empty() && (field.front() == ' ' || field.back() == ' ' || field.back() == '\n'))
            __builtin_trap();
        for (int format = 0; format <= 4; ++format)
        {
            std::string text(field);
            const double value = ParseCoordinateText(text, format);
            // A value is read from digits and points alone.
            if (std::isnan(value))
                __builtin_trap();
            if (text.find_first_not_of("0123456789. ") != std::string::npos)
                __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned choice = data[0];
    const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);

    static const char* separators[] = {"", ",", ";", "|", " ", "\t"};
    for (std::size_t start = 0; start < file.size();)
    {
        std::size_t end = file.find('\n', start);
        end = end == std::string_view::npos ? file.size() : end + 1;
        const std::string_view line = file.substr(start, end - start);
        for (const char* separator : separators)
            CheckSplit(line, separator);
        start = end;
    }

    const std::string source = Scratch("in.txt"), destination = Scratch("out.txt");
    WriteBytes(source, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    BatchSettings settings;
    settings.ConversionType = CONVERSION_TEXT;
    settings.SeparatorChoice = static_cast<int>(choice % 6);
    settings.CoordinateFormat = static_cast<int>((choice / 6) % 5);
    settings.header = (choice / 30) % 2;
    settings.altitudeColumn = (choice / 60) % 2 != 0 ? 3 : 0;
    settings.sourceFile = source;
    settings.destinationFile = destination;
    settings.sourceDatum = WGS84;
    settings.destinationDatum = (choice & 0x80) != 0 ? ED50 : WGS84;
    settings.destinationGrid = (choice & 0x80) != 0 ? 0 : UTM31N;

    FillFieldLists(settings);
    const auto rows = PreviewTextFile(settings);
    if (rows.size() > 26)
        __builtin_trap();
    const BatchNotice end = RunWorker(settings, ConvertTextFile);
    if (end.code == BATCH_COMPLETED && end.text != kBatchCompletedText)
        __builtin_trap();
    if (end.code != BATCH_COMPLETED && end.text != kBatchFailedText)
        __builtin_trap();
    return 0;
}
