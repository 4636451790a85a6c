#include "BlockScheduler.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace {

// A thread beyond the cores only adds switching; more than 16 gain nothing
// on the blocks the workers cut.
constexpr unsigned kMostThreads = 16;

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
    }
}

void CBlockScheduler::Run(std::size_t count, std::size_t minimum,
                          const std::function<void(std::size_t, std::size_t, std::size_t)>& work)
{
    if (count == 0)
        return;
    const std::size_t shares = std::clamp<std::size_t>(count / std::max<std::size_t>(1, minimum), 1, contexts.size());
    const std::size_t each = (count + shares - 1) / shares;
    std::vector<std::thread> threads;
    threads.reserve(shares - 1);
    for (std::size_t s = 1; s < shares; ++s)
    {
        const std::size_t first = std::min(count, s * each);
        const std::size_t last = std::min(count, first + each);
        threads.emplace_back([&work, s, first, last] { work(s, first, last); });
    }
    work(0, 0, std::min(count, each));
    for (std::thread& t : threads)
        t.join();
}
