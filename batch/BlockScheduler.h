#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ConvertCoordinate.h"

// How the batch workers share their blocks out: threads at most (0: one a
// core) and items (lines, vertices) a block. Process-wide; a run reads them
// once when it starts.
struct BatchParallelism
{
    unsigned threads = 0;
    std::size_t blockItems = 0; // 0: the worker's own size
};
void SetBatchParallelism(const BatchParallelism& parallelism);
BatchParallelism GetBatchParallelism();

// Converts the blocks of one run in shares on several threads, each thread
// with an engine of its own. The run's records are loaded once, on the
// calling thread, and copied into every engine, so the workers never use the
// record loader. Share 0 runs on the calling thread; Run returns when every
// share is done. The other threads are started by the first Run that shares
// its block out and wait for the next block until the scheduler goes, so a
// run of many blocks starts them once.
class CBlockScheduler
{
public:
    // blockItems: the worker's own block size, used unless the process-wide
    // setting gives another.
    explicit CBlockScheduler(std::size_t blockItems);
    ~CBlockScheduler();
    CBlockScheduler(const CBlockScheduler&) = delete;
    CBlockScheduler& operator=(const CBlockScheduler&) = delete;

    std::size_t Threads() const { return contexts.size(); }
    std::size_t BlockItems() const { return blockItems; }
    // Copies the two records of a context they were loaded into, and sets
    // every engine up with them once.
    void Load(const CConversionContext& loaded);
    CConversionContext& Context(std::size_t share) { return *contexts[share]; }

    // Calls work(share, first, last) for ranges covering [0, count), on as
    // many threads as there are engines and ranges of minimum items. Each
    // share runs on one thread with engine Context(share) and is given its
    // ranges in increasing order; which ranges a share gets is not fixed.
    void Run(std::size_t count, std::size_t minimum,
             const std::function<void(std::size_t share, std::size_t first, std::size_t last)>& work);
    // Run in two steps, so that the calling thread can do other work while
    // the other threads begin: Start hands the ranges out (work must live
    // until Finish), Finish takes share 0's part on the calling thread and
    // returns when every share is done. Every Start is followed by one Finish.
    using Work = std::function<void(std::size_t share, std::size_t first, std::size_t last)>;
    void Start(std::size_t count, std::size_t minimum, const Work& work);
    void Finish();

private:
    // Takes pieces of the current block until none is left.
    void TakePieces(std::size_t share);
    void Serve(std::size_t share);

    std::size_t blockItems;
    std::vector<std::unique_ptr<CConversionContext>> contexts;

    // The block being converted; written under mutex before a round starts.
    const Work* work = nullptr;
    std::size_t count = 0;
    bool alone = false; // the block is too small to share: Finish converts it whole
    std::size_t pieces = 0;
    std::size_t each = 0;
    std::size_t nextPiece = 0; // under mutex
    std::size_t sharing = 0;   // threads taking part in the round
    std::size_t busy = 0;      // helper threads still in the round
    unsigned long round = 0;
    bool stopping = false;
    std::mutex mutex;
    std::condition_variable started;
    std::condition_variable finished;
    std::vector<std::thread> helpers; // share s runs on helpers[s - 1]
};

