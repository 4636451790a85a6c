#include "BlockScheduler.h"

#include <algorithm>
#include <atomic>
#include <thread>

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
    }
}

void CBlockScheduler::Run(std::size_t count, std::size_t minimum,
                          const std::function<void(std::size_t, std::size_t, std::size_t)>& work)
{
    if (count == 0)
        return;
    minimum = std::max<std::size_t>(1, minimum);
    const std::size_t shares = std::clamp<std::size_t>(count / minimum, 1, contexts.size());
    // The block is cut into several pieces a thread, taken in order as the
    // threads come free: a thread the system holds back on a busy machine
    // keeps the others waiting for one small piece only.
    const std::size_t pieces = std::min(count, shares == 1 ? 1 : shares * kPiecesAThread);
    const std::size_t each = (count + pieces - 1) / pieces;
    std::atomic<std::size_t> next{0};
    auto share = [&work, &next, count, pieces, each](std::size_t s) {
        for (std::size_t piece = next++; piece < pieces; piece = next++)
        {
            const std::size_t first = std::min(count, piece * each);
            work(s, first, std::min(count, first + each));
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(shares - 1);
    for (std::size_t s = 1; s < shares; ++s)
        threads.emplace_back(share, s);
    share(0);
    for (std::thread& t : threads)
        t.join();
}
