#include "CliBatch.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <pthread.h>
#include <unistd.h>

#include "BatchRunControl.h"
#include "CxAdo.h"
#include "CatalogueLoaders.h"
#include "CliCommands.h"
#include "ShapefilePrj.h"
#include "TextFileConversion.h"

namespace {

// The converter's texts without the window's button hints ("Press 'Finish'
// to continue."): there is no button here.
std::string ForTerminal(std::string text)
{
    for (std::size_t at; (at = text.find(" Press 'Finish'")) != std::string::npos;)
    {
        const std::size_t stop = text.find('.', at);
        text.erase(at, stop == std::string::npos ? std::string::npos : stop + 1 - at);
    }
    return text;
}

// Prints what the converter reports as it happens: the status texts on their
// own lines and, on a terminal, the percentage as a bar redrawn in place.
class CCliBatchSink : public CBatchSink
{
public:
    explicit CCliBatchSink(std::FILE* stream) : err(stream), terminal(::isatty(::fileno(stream)) != 0) {}

    // The number of records the progress counts, for the rate.
    void CountRecords(long long count)
    {
        std::lock_guard<std::mutex> guard(mutex);
        records = count;
    }

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
            // A table's records per second, from its record count.
            if (records > 0)
            {
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
                if (seconds > 0)
                    std::fprintf(err, " %8.0f records/s", records * notice.percentage / 100.0 / seconds);
            }
            barShown = true;
            return;
        }
        if (barShown)
        {
            std::fputc('\n', err);
            barShown = false;
        }
        std::fprintf(err, "%s\n", ForTerminal(notice.text).c_str());
        last = notice.code;
        lastText = notice.text;
        if (Ended())
            ended.notify_all();
    }

    bool Terminal() const { return terminal; }

    int LastCode()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return last;
    }

    // True once the run's end notice has come, waiting for it at most the
    // time given.
    bool WaitForEndNotice(std::chrono::milliseconds most)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return ended.wait_for(lock, most, [this] { return Ended(); });
    }

    // A completion that says more than the plain text: some lines or
    // records were not converted.
    bool CompletedInPart()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return last == BATCH_COMPLETED && lastText != kBatchCompletedText;
    }

private:
    bool Ended() const { return last == BATCH_COMPLETED || last == BATCH_STOPPED; }

    std::FILE* err;
    bool terminal;
    std::mutex mutex;
    std::condition_variable ended;
    long long records = 0;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

    int shownPercentage = -1;
    bool barShown = false;
    int last = 0;
    std::string lastText;
};

// The table's record count, 0 when it cannot be read (the converter then
// reports why).
long long TableRecords(const BatchSettings& settings)
{
    std::string table = "\"";
    for (const char c : settings.table)
        table += c == '"' ? std::string("\"\"") : std::string(1, c);
    table += '"';
    CCxAdo ado;
    long long count = 0;
    if (ado.Initialize() == 0 && ado.Connect(settings.connectionString.c_str()) == 0 &&
        ado.OpenRecordset(("SELECT count(*) FROM " + table).c_str()) == 1)
    {
        const CCxValue v = ado.FieldAt(0);
        if (v.Type() == CxTypeText || v.Type() == CxTypeDecimal)
            count = std::atoll(v.AsText().c_str());
        else
            count = v.AsInteger();
    }
    return count;
}

// SIGINT and SIGTERM blocked in every thread of a run while it lives, so that
// only WaitForEnd takes them; the worker inherits the mask.
class CSignalsBlocked
{
public:
    CSignalsBlocked()
    {
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        ::pthread_sigmask(SIG_BLOCK, &signals, &previous);
    }
    ~CSignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &previous, nullptr); }
    CSignalsBlocked(const CSignalsBlocked&) = delete;
    CSignalsBlocked& operator=(const CSignalsBlocked&) = delete;
    sigset_t signals;
    sigset_t previous;
};

// Waits for the worker's end notice, which wakes it at once; between waits
// it takes a pending signal. A signal cancels the run, so the converter ends
// cleanly: a table's open block saved, its count printed. A second signal
// ends the program at once.
void WaitForEnd(CBatchRunControl& control, CCliBatchSink& sink, const sigset_t& signals)
{
    bool cancelled = false;
    while (!sink.WaitForEndNotice(std::chrono::milliseconds(50)))
    {
        const timespec none{0, 0};
        const int signal = ::sigtimedwait(&signals, nullptr, &none);
        if (signal != SIGINT && signal != SIGTERM)
            continue;
        if (cancelled)
        {
            std::signal(signal, SIG_DFL);
            ::pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
            ::raise(signal);
        }
        cancelled = true;
        std::fprintf(stderr, "\ngeolynx-cli: %s received, stopping after the records in hand\n",
                     signal == SIGINT ? "SIGINT" : "SIGTERM");
        control.CancelOperation();
    }
}

} // namespace

int RunBatch(const BatchSettings& settings, std::FILE* err)
{
    // The text converter finds the separator itself, on the lines it reads
    // once: a pipe cannot be read a second time.
    BatchSettings run = settings;
    auto context = std::make_unique<CConversionContext>();
    CCatalogueRecordLoader loader;
    CCliBatchSink sink(err);
    const CSignalsBlocked blocked;
    // A table's record count serves the rate shown on a terminal alone. It
    // is read beside the run, not before it: a lock on the table would
    // otherwise be waited for twice, once here and once by the converter.
    std::future<void> counted;
    if (run.ConversionType == CONVERSION_DATABASE && sink.Terminal())
        counted = std::async(std::launch::async, [&sink, run] { sink.CountRecords(TableRecords(run)); });

    bool completed = false;
    bool inPart = false;
    {
        CBatchRunControl control(run, *context, loader, sink);
        if (control.StartConversion())
        {
            WaitForEnd(control, sink, blocked.signals);
            control.Join();
            completed = sink.LastCode() == BATCH_COMPLETED;
            inPart = sink.CompletedInPart();
        }
    }
    if (counted.valid())
        counted.wait();
    if (!completed)
        return CLI_ERROR;
    return inPart ? CLI_BAD_LINES : CLI_OK;
}

BatchSettings SystemsSettings(const CCliSystem& from, const CCliSystem& to, ConversionTypes type,
                              const std::string& input, const std::string& output)
{
    BatchSettings settings;
    settings.sourceGeoid = from.geoidId;
    settings.destinationGeoid = to.geoidId;
    settings.sourceGrid = from.gridId;
    settings.sourceDatum = from.datumId;
    settings.destinationGrid = to.gridId;
    settings.destinationDatum = to.datumId;
    settings.ConversionType = type;
    settings.sourceFile = input;
    settings.destinationFile = output;
    return settings;
}

int RunBatchExplained(const BatchSettings& settings, const CConversionReport& report, std::FILE* err)
{
    const int result = RunBatch(settings, err);
    if (result != CLI_ERROR)
        for (const std::string& line : report.Explain())
            std::fprintf(err, "%s\n", line.c_str());
    return result;
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
