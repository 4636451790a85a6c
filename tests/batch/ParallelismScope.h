#pragma once

#include "BlockScheduler.h"

namespace batchtest {

// The process-wide thread and block setting of the batch workers for one
// scope; the defaults return when it ends.
class CParallelism
{
public:
    CParallelism(unsigned threads, std::size_t blockItems) { SetBatchParallelism({threads, blockItems}); }
    ~CParallelism() { SetBatchParallelism({}); }
    CParallelism(const CParallelism&) = delete;
    CParallelism& operator=(const CParallelism&) = delete;
};

} // namespace batchtest
