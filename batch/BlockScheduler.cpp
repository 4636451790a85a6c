#include "BlockScheduler.h"

#include <algorithm>
#include <atomic>
#include <exception>

namespace {

// A thread beyond the cores only adds switching; more than 16 gain nothing
// on the blocks the workers cut.
constexpr unsigned kMostThreads = 16;
constexpr std::size_t kPiecesAThread = 8;

std::atomic<unsigned> configuredThreads{0};
std::atomic<std::size_t> configuredBlockItems{0};

} // namespace

void SetBatchParallelism(const BatchParallelism& parallelism)
{
    configuredThreads = parallelism.threads;
    configuredBlockItems = parallelism.blockItems;
}

BatchParallelism GetBatchParallelism()
{
    return BatchParallelism{configuredThreads.load(), configuredBlockItems.load()};
}

CBlockScheduler::CBlockScheduler(std::size_t blockItems_)
{
    const BatchParallelism setting = GetBatchParallelism();
    unsigned threads = setting.threads != 0 ? setting.threads : std::thread::hardware_concurrency();
    threads = std::clamp(threads, 1u, kMostThreads);
    blockItems = setting.blockItems != 0 ? setting.blockItems : std::max<std::size_t>(1, blockItems_);
    for (unsigned t = 0; t < threads; ++t)
        contexts.push_back(std::make_unique<CConversionContext>());
}

void CBlockScheduler::Load(const CConversionContext& loaded)
{
    for (auto& context : contexts)
    {
        context->source = loaded.source;
        context->destination = loaded.destination;
        context->engine.SetSource(context->source);
        context->engine.SetDestination(context->destination);
        // The geoid models are shared; each thread makes its own legs.
        context->sourceGeoid = loaded.sourceGeoid;
        context->destinationGeoid = loaded.destinationGeoid;
        context->heightModels = loaded.heightModels;
        context->heightLegs.reset();
    }
}

CBlockScheduler::~CBlockScheduler()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    started.notify_all();
    for (std::thread& helper : helpers)
        helper.join();
}

void CBlockScheduler::Run(std::size_t count_, std::size_t minimum, const Work& work_)
{
    Start(count_, minimum, work_);
    Finish();
}

void CBlockScheduler::Start(std::size_t count_, std::size_t minimum, const Work& work_)
{
    minimum = std::max<std::size_t>(1, minimum);
    const std::size_t shares = std::clamp<std::size_t>(count_ / minimum, 1, contexts.size());
    if (shares == 1)
    {
        work = &work_;
        count = count_;
        alone = true;
        return;
    }
    while (helpers.size() < contexts.size() - 1)
        helpers.emplace_back(&CBlockScheduler::Serve, this, helpers.size() + 1);
    {
        std::lock_guard<std::mutex> lock(mutex);
        work = &work_;
        count = count_;
        alone = false;
        // The block is cut into several pieces a thread, taken in order as
        // the threads come free: a thread the system holds back on a busy
        // machine keeps the others waiting for one small piece only.
        pieces = std::min(count_, shares * kPiecesAThread);
        each = (count_ + pieces - 1) / pieces;
        nextPiece = 0;
        sharing = shares;
        busy = shares - 1;
        ++round;
    }
    started.notify_all();
}

void CBlockScheduler::Finish()
{
    if (work == nullptr)
        return;
    if (alone)
    {
        const Work* whole = work;
        work = nullptr;
        if (count > 0)
            (*whole)(0, 0, count);
        return;
    }
    std::exception_ptr failure;
    try
    {
        TakePieces(0);
    }
    catch (...)
    {
        // The helpers still hold the work; they finish before it goes.
        failure = std::current_exception();
        std::lock_guard<std::mutex> lock(mutex);
        nextPiece = pieces;
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait(lock, [this] { return busy == 0; });
        work = nullptr;
    }
    if (failure)
        std::rethrow_exception(failure);
}

void CBlockScheduler::TakePieces(std::size_t share)
{
    for (;;)
    {
        std::size_t piece;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (nextPiece >= pieces)
                return;
            piece = nextPiece++;
        }
        const std::size_t first = std::min(count, piece * each);
        (*work)(share, first, std::min(count, first + each));
    }
}

void CBlockScheduler::Serve(std::size_t share)
{
    unsigned long seen = 0;
    for (;;)
    {
        {
            std::unique_lock<std::mutex> lock(mutex);
            started.wait(lock, [this, seen] { return stopping || round != seen; });
            if (stopping)
                return;
            seen = round;
            if (share >= sharing)
                continue;
        }
        TakePieces(share);
        std::lock_guard<std::mutex> lock(mutex);
        if (--busy == 0)
            finished.notify_one();
    }
}
