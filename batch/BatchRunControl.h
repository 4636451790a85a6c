#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BatchSettings.h"
#include "ConvertCoordinate.h"

// Notification codes a worker sends to the start page.
enum BatchNotification
{
    BATCH_PROGRESS = 1044,  // payload: integer percentage
    BATCH_COMPLETED = 1045, // payload: text
    BATCH_STATUS = 1046,    // payload: text
    BATCH_STOPPED = 1047,   // payload: text
};

inline constexpr const char* kBatchConfiguredText =
    "Conversion has been configured. Please click the \"Finish\" button to start the conversion process.";
inline constexpr const char* kBatchCompletedText = "Conversion completed. Press 'Finish' to continue.";
inline constexpr const char* kBatchAbortedText = "Conversion aborted. Press 'Finish' to restart.";
inline constexpr const char* kBatchFailedText = "Conversion failed. Press 'Finish' to restart.";

struct BatchNotice
{
    int code = 0;
    int percentage = 0; // BATCH_PROGRESS only
    std::string text;   // the other codes
};

// Where a worker's notifications go. The wizard's sink re-posts them onto the
// user-interface thread; the command line prints them; tests record them.
// Both calls come from the worker thread.
class CBatchSink
{
public:
    virtual ~CBatchSink() = default;
    // Delivered later; the worker goes on at once.
    virtual void Post(const BatchNotice& notice) = 0;
    // Delivered before the worker goes on. Without a queue of its own a sink
    // delivers both alike.
    virtual void Send(const BatchNotice& notice) { Post(notice); }
};

// What the start page enables in each run state.
struct BatchButtons
{
    bool back = false;
    bool finish = false;
    bool cancel = false;
    bool operator==(const BatchButtons&) const = default;
};

// The run state the start page shares with its worker: the settings it reads,
// the engine it converts with, the running flag under a lock, the completed
// flag, the started signal and the sink of its notifications.
class CBatchRunControl
{
public:
    CBatchRunControl(const BatchSettings& settings, CConversionContext& context, CRecordLoader& loader,
                     CBatchSink& sink);
    // Cancels a run still in progress and waits for its worker to end, since
    // the worker uses this object to the last.
    virtual ~CBatchRunControl();
    CBatchRunControl(const CBatchRunControl&) = delete;
    CBatchRunControl& operator=(const CBatchRunControl&) = delete;

    // User-interface side.
    // Starts the worker of the settings' conversion type on a thread of its
    // own and waits at most 10 s for it to begin; true when it began in time.
    bool StartConversion();
    // The start of a run without a thread: clears the started signal and sets
    // the running flag, as StartConversion does before it creates the worker.
    void BeginRun();
    void CancelOperation();
    // Waits for the worker of the last run to end.
    void Join();
    // The start page's reaction to one notification.
    void Apply(const BatchNotice& notice);
    BatchButtons RunState() const;
    std::string StatusText() const;
    int Progress() const;
    int Completed() const;

    // Worker side.
    void SignalStarted();
    bool WaitStarted(std::chrono::milliseconds timeout);
    // The running flag, read under the lock.
    int Running() const;
    const BatchSettings& Settings() const { return settings; }
    CConversionContext& Context() { return context; }
    CRecordLoader& Loader() { return loader; }
    void Post(int code, const std::string& text);
    void PostProgress(int percentage);
    void Send(int code, const std::string& text);
    void SendProgress(int percentage);
    // The end of a file run: why it failed ("WHAT not converted: ..."), or
    // the warnings and summary lines of a completed one, then the end
    // notice; a cancelled run ends as stopped.
    void ReportEnd(const std::string& what, bool failed, const std::string& failure,
                   const std::vector<std::string>& warnings, const std::vector<std::string>& summary);

private:
    const BatchSettings& settings;
    CConversionContext& context;
    CRecordLoader& loader;
    CBatchSink& sink;

    mutable std::mutex lock;
    int running = 0;
    int completed = 0;
    std::string statusText = kBatchConfiguredText;
    int progress = 0;

    std::mutex startedLock;
    std::condition_variable startedSignal;
    bool started = false;

    std::thread worker;
};

// The integer percentage of done out of total; 0 for a total of 0 or less.
int BatchPercentage(long long done, long long total);
