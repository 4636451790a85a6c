#include "CliBatch.h"

#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>

#include "BatchRunControl.h"
#include "CatalogueLoaders.h"
#include "CliCommands.h"
#include "ShapefilePrj.h"
#include "TextFileConversion.h"

namespace {

// Prints what the converter reports as it happens: the status texts on their
// own lines and, on a terminal, the percentage as a bar redrawn in place.
class CCliBatchSink : public CBatchSink
{
public:
    explicit CCliBatchSink(std::FILE* stream) : err(stream), terminal(::isatty(::fileno(stream)) != 0) {}

    void Post(const BatchNotice& notice) override
    {
        std::lock_guard<std::mutex> guard(mutex);
        if (notice.code == BATCH_PROGRESS)
        {
            if (!terminal || notice.percentage == shownPercentage)
                return;
            shownPercentage = notice.percentage;
            const int filled = notice.percentage / 2;
            std::fprintf(err, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                         std::string(static_cast<std::size_t>(50 - filled), ' ').c_str(), notice.percentage);
            barShown = true;
            return;
        }
        if (barShown)
        {
            std::fputc('\n', err);
            barShown = false;
        }
        std::fprintf(err, "%s\n", notice.text.c_str());
        last = notice.code;
        lastText = notice.text;
    }

    int LastCode()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return last;
    }

    // A completion that says more than the plain text: some lines or
    // records were not converted.
    bool CompletedInPart()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return last == BATCH_COMPLETED && lastText != kBatchCompletedText;
    }

private:
    std::FILE* err;
    bool terminal;
    std::mutex mutex;
    int shownPercentage = -1;
    bool barShown = false;
    int last = 0;
    std::string lastText;
};

} // namespace

int RunBatch(const BatchSettings& settings, std::FILE* err)
{
    // The text converter finds the separator itself, on the lines it reads
    // once: a pipe cannot be read a second time.
    BatchSettings run = settings;
    auto context = std::make_unique<CConversionContext>();
    CCatalogueRecordLoader loader;
    CCliBatchSink sink(err);
    bool completed = false;
    bool inPart = false;
    {
        CBatchRunControl control(run, *context, loader, sink);
        if (control.StartConversion())
        {
            control.Join();
            completed = sink.LastCode() == BATCH_COMPLETED;
            inPart = sink.CompletedInPart();
        }
    }
    if (!completed)
        return CLI_ERROR;
    return inPart ? CLI_BAD_LINES : CLI_OK;
}

int ShapefileSourceFromPrj(const std::string& input, std::string& from, std::FILE* err)
{
    CPrjMatch match;
    std::string prj, why;
    if (!ShapefileSourceSystem(input, match, prj, why))
    {
        std::fprintf(err, "geolynx-cli: --from auto: %s; give --from\n", why.c_str());
        return CLI_ERROR;
    }
    from = match.gridId != 0 ? "grid:" + std::to_string(match.gridId) : "datum:" + std::to_string(match.datumId);
    std::fprintf(err, "geolynx-cli: --from auto: %s \"%s\", matched by %s in %s\n", from.c_str(), match.name.c_str(),
                 match.how.c_str(), prj.c_str());
    return CLI_OK;
}
