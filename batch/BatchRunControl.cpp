#include "BatchRunControl.h"

#include "ConvertDatabaseTable.h"
#include "ConvertShp.h"
#include "ConvertVector.h"
#include "TextFileConversion.h"

CBatchRunControl::CBatchRunControl(const BatchSettings& settings_, CConversionContext& context_,
                                   CRecordLoader& loader_, CBatchSink& sink_)
    : settings(settings_), context(context_), loader(loader_), sink(sink_)
{
}

CBatchRunControl::~CBatchRunControl()
{
    CancelOperation();
    Join();
}

void CBatchRunControl::BeginRun()
{
    {
        std::lock_guard<std::mutex> guard(startedLock);
        started = false;
    }
    std::lock_guard<std::mutex> guard(lock);
    running = 1;
}

bool CBatchRunControl::StartConversion()
{
    // The previous run has ended (its end notification cleared the running
    // flag); its thread is released here.
    Join();
    BeginRun();
    void (*procedure)(CBatchRunControl&) = ConvertTextFile;
    if (settings.ConversionType == CONVERSION_SHAPEFILE)
        procedure = ConvertShapefile;
    else if (settings.ConversionType == CONVERSION_DATABASE)
        procedure = ConvertDatabaseTable;
    else if (settings.ConversionType == CONVERSION_VECTOR)
        procedure = ConvertVector;
    worker = std::thread(procedure, std::ref(*this));
    return WaitStarted(std::chrono::milliseconds(10000));
}

void CBatchRunControl::CancelOperation()
{
    std::lock_guard<std::mutex> guard(lock);
    running = 0;
}

void CBatchRunControl::Join()
{
    if (worker.joinable())
        worker.join();
}

void CBatchRunControl::Apply(const BatchNotice& notice)
{
    std::lock_guard<std::mutex> guard(lock);
    switch (notice.code)
    {
    case BATCH_PROGRESS:
        progress = notice.percentage;
        break;
    case BATCH_COMPLETED:
        statusText = notice.text;
        running = 0;
        completed = 1;
        break;
    case BATCH_STATUS:
        statusText = notice.text;
        progress = 0;
        break;
    case BATCH_STOPPED:
        statusText = notice.text;
        progress = 0;
        running = 0;
        completed = 0;
        break;
    default:
        break;
    }
}

BatchButtons CBatchRunControl::RunState() const
{
    std::lock_guard<std::mutex> guard(lock);
    if (completed == 1)
        return {false, true, false};
    if (running == 1)
        return {false, false, true};
    return {true, true, false};
}

std::string CBatchRunControl::StatusText() const
{
    std::lock_guard<std::mutex> guard(lock);
    return statusText;
}

int CBatchRunControl::Progress() const
{
    std::lock_guard<std::mutex> guard(lock);
    return progress;
}

int CBatchRunControl::Completed() const
{
    std::lock_guard<std::mutex> guard(lock);
    return completed;
}

void CBatchRunControl::SignalStarted()
{
    {
        std::lock_guard<std::mutex> guard(startedLock);
        started = true;
    }
    startedSignal.notify_all();
}

bool CBatchRunControl::WaitStarted(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> guard(startedLock);
    return startedSignal.wait_for(guard, timeout, [this] { return started; });
}

int CBatchRunControl::Running() const
{
    std::lock_guard<std::mutex> guard(lock);
    return running;
}

void CBatchRunControl::ReportEnd(const std::string& what, bool failed, const std::string& failure,
                                  const std::vector<std::string>& warnings, const std::vector<std::string>& summary)
{
    if (failed)
    {
        Send(BATCH_STATUS, what + " not converted: " + (failure.empty() ? std::string("unknown failure") : failure));
        Post(BATCH_STOPPED, kBatchFailedText);
    }
    else if (Running() == 1)
    {
        for (const auto& w : warnings)
            Send(BATCH_STATUS, "Warning: " + w);
        for (const auto& line : summary)
            Send(BATCH_STATUS, line);
        Post(BATCH_COMPLETED, kBatchCompletedText);
    }
    else
        Post(BATCH_STOPPED, kBatchAbortedText);
}

void CBatchRunControl::Post(int code, const std::string& text)
{
    sink.Post(BatchNotice{code, 0, text});
}

void CBatchRunControl::PostProgress(int percentage)
{
    sink.Post(BatchNotice{BATCH_PROGRESS, percentage, std::string()});
}

void CBatchRunControl::Send(int code, const std::string& text)
{
    sink.Send(BatchNotice{code, 0, text});
}

void CBatchRunControl::SendProgress(int percentage)
{
    sink.Send(BatchNotice{BATCH_PROGRESS, percentage, std::string()});
}

int BatchPercentage(long long done, long long total)
{
    if (total <= 0 || done <= 0)
        return 0;
    if (done >= total)
        return 100;
    return static_cast<int>(done * 100 / total);
}
