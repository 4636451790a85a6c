#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "AreaCheck.h"
#include "BlockScheduler.h"

class CBatchRunControl;

// What a run converted, left unconverted (with the first reasons) and
// flagged, counted in the input's order as its blocks are written.
struct BatchTally
{
    struct Left
    {
        long long number = 0; // the line or record
        std::string reason;
    };
    long long converted = 0;
    long long notConverted = 0;
    std::vector<Left> listed; // the first kListedLeft of them
    AreaTally outside;
    long long helmertOutsideGrid = 0; // points outside their datum's national grid, given its Helmert

    void Convert() { ++converted; }
    void Leave(long long number, std::string reason);
};

// Reasons a tally lists of the items left unconverted.
inline constexpr std::size_t kListedLeft = 10;

// One format's side of a run: it reads the input in blocks, converts the
// items of a block in shares on the pipeline's threads, and writes the block
// in the input's order. What the format reads and writes is its own; the
// loop, the threads, progress, cancel, the counts and the summary are the
// pipeline's.
class CBatchFormat
{
public:
    // What follows the block just read.
    enum class After
    {
        More,      // further blocks
        End,       // the input ends with this block
        Cancelled, // the run was cancelled while reading
        Failed,    // reading failed; the block read before the failure is still converted
    };
    struct Block
    {
        std::size_t items = 0;
        After after = After::More;
    };

    virtual ~CBatchFormat() = default;
    // Reads the next block.
    virtual Block Read() = 0;
    // Converts items first to last of the block with the share's engine.
    virtual void Convert(std::size_t share, CConversionContext& context, std::size_t first, std::size_t last) = 0;
    // Writes the converted block out and counts it; false when the run fails.
    virtual bool Write(BatchTally& tally) = 0;
    // How far the run is, after the block just written.
    virtual int Percentage() const = 0;
};

// A format that holds two blocks, so that the pipeline reads the next block
// and writes the one before while a block converts, and the calling thread
// keeps its core busy with reading and writing in the meantime. Block n lies
// in slot n % 2; Read, Convert and Write name it. The calls of Read and Write
// still come one at a time, on the calling thread, in the input's order; the
// next block is read only after the block that last held its slot was
// written. Every block read is written, with or without items, except one
// cancelled without items and those after a failure.
class CReadAheadFormat
{
public:
    using After = CBatchFormat::After;
    using Block = CBatchFormat::Block;

    virtual ~CReadAheadFormat() = default;
    virtual Block Read(std::size_t slot) = 0;
    virtual void Convert(std::size_t slot, std::size_t share, CConversionContext& context, std::size_t first,
                         std::size_t last) = 0;
    virtual bool Write(std::size_t slot, BatchTally& tally) = 0;
    virtual int Percentage() const = 0;
};

// The conversion loop every batch format runs on: one engine for each
// thread of its block scheduler, the coordinate systems loaded once on the
// calling thread, the area check, the progress and the summary of what was
// converted.
class CBatchPipeline
{
public:
    // blockItems: the format's own block size (lines, vertices, records),
    // used unless the process-wide setting gives another. With sendProgress
    // the percentages are delivered before the run goes on.
    CBatchPipeline(CBatchRunControl& run, std::size_t blockItems, bool sendProgress);

    // Loads the run's systems, with its heights above the geoid, on the
    // calling thread once and copies them into every share's engine; false
    // when they cannot be used (the engine has said why).
    bool LoadSystems();
    bool Loaded() const { return loaded; }

    // Converts blocks of format until its input ends, the run is cancelled
    // or a block fails; what ended it.
    CBatchFormat::After Run(CBatchFormat& format, std::size_t minimumShare);
    // The same, reading ahead. The systems are loaded while no block
    // converts: until a block has loaded them, blocks are read one by one.
    CBatchFormat::After Run(CReadAheadFormat& format, std::size_t minimumShare);

    // Reports a percentage once it changes.
    void Progress(int percentage);

    std::size_t Threads() const { return scheduler.Threads(); }
    CConversionContext& Context(std::size_t share) { return scheduler.Context(share); }
    std::size_t BlockItems() const { return scheduler.BlockItems(); }
    const CBatchAreaCheck& Area() const { return area; }
    BatchTally& Tally() { return tally; }
    const BatchTally& Tally() const { return tally; }

    // The status lines of a completed run: the points outside the area of
    // use of their systems (unit names what is counted: line, record,
    // feature; with strict they were left unconverted) and the geoid models
    // the heights went through.
    std::vector<std::string> Summary(const char* unit, bool strict) const;
    // Sends them as status texts.
    void SendSummary(const char* unit, bool strict) const;

private:
    CBatchRunControl& run;
    CBlockScheduler scheduler;
    CBatchAreaCheck area;
    BatchTally tally;
    bool sendProgress;
    bool loaded = false;
    bool usable = false;
    int lastPercentage = 0;

    long long FallbacksSoFar();
    // Writes the block in slot and reports the progress; false when the run fails.
    bool Write(CReadAheadFormat& format, std::size_t slot);
};

// The summary line of the heights a run converted through geoid models,
// empty when neither side is above a geoid: "Heights: from EGM96 height
// (geoid model 5773) to the ellipsoid."
std::string GeoidSummary(int sourceGeoid, int destinationGeoid);
