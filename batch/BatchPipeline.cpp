#include "BatchPipeline.h"

#include "BatchRunControl.h"
#include "CatalogueLoaders.h"
#include "GeoidModels.h"

void BatchTally::Leave(long long number, std::string reason)
{
    ++notConverted;
    if (listed.size() < kListedLeft)
        listed.push_back(Left{number, std::move(reason)});
}

CBatchPipeline::CBatchPipeline(CBatchRunControl& run_, std::size_t blockItems, bool sendProgress_)
    : run(run_), scheduler(blockItems), sendProgress(sendProgress_)
{
}

bool CBatchPipeline::LoadSystems()
{
    if (loaded)
        return usable;
    loaded = true;
    // The set-up's lookups share one catalogue connection.
    CCatalogueSession catalogue;
    const BatchSettings& s = run.Settings();
    CConversionContext& context = run.Context();
    context.sourceGeoid = s.sourceGeoid;
    context.destinationGeoid = s.destinationGeoid;
    // A probe point that cannot be converted says nothing against the
    // systems; only their refusal does.
    double x = 0, y = 0, z = 0;
    usable = ConvertCoordinate(context, run.Loader(), true, x, y, z, s.sourceDatum, s.sourceGrid, s.destinationDatum,
                               s.destinationGrid) != kConvertRefused;
    scheduler.Load(context);
    area.Load(s, scheduler.Threads());
    return usable;
}

CBatchFormat::After CBatchPipeline::Run(CBatchFormat& format, std::size_t minimumShare)
{
    const long long fallbacksBefore = FallbacksSoFar();
    for (;;)
    {
        const CBatchFormat::Block block = format.Read();
        if (block.items > 0)
        {
            scheduler.Run(block.items, minimumShare, [&](std::size_t share, std::size_t first, std::size_t last) {
                format.Convert(share, scheduler.Context(share), first, last);
            });
            tally.helmertOutsideGrid = FallbacksSoFar() - fallbacksBefore;
            if (!format.Write(tally))
                return CBatchFormat::After::Failed;
            Progress(format.Percentage());
        }
        if (block.after != CBatchFormat::After::More)
            return block.after;
    }
}

CBatchFormat::After CBatchPipeline::Run(CReadAheadFormat& format, std::size_t minimumShare)
{
    using After = CBatchFormat::After;
    const long long fallbacksBefore = FallbacksSoFar();
    std::size_t slot = 0;
    CBatchFormat::Block block = format.Read(slot);
    bool earlierUnwritten = false; // the block before, in the other slot
    for (;;)
    {
        const CBlockScheduler::Work work = [&format, this, slot](std::size_t share, std::size_t first,
                                                                 std::size_t last) {
            format.Convert(slot, share, scheduler.Context(share), first, last);
        };
        scheduler.Start(block.items, minimumShare, work);
        bool written = true;
        CBatchFormat::Block next{0, block.after};
        const bool readAhead = block.after == After::More && loaded;
        try
        {
            written = !earlierUnwritten || Write(format, slot ^ 1);
            if (written && readAhead)
                next = format.Read(slot ^ 1);
        }
        catch (...)
        {
            scheduler.Finish();
            throw;
        }
        scheduler.Finish();
        tally.helmertOutsideGrid = FallbacksSoFar() - fallbacksBefore;
        if (!written)
            return After::Failed;
        earlierUnwritten = block.items > 0 || block.after != After::Cancelled;
        if (block.after != After::More)
            return earlierUnwritten && !Write(format, slot) ? After::Failed : block.after;
        if (!readAhead)
        {
            if (!Write(format, slot))
                return After::Failed;
            earlierUnwritten = false;
            next = format.Read(slot ^ 1);
        }
        block = next;
        slot ^= 1;
    }
}

bool CBatchPipeline::Write(CReadAheadFormat& format, std::size_t slot)
{
    if (!format.Write(slot, tally))
        return false;
    Progress(format.Percentage());
    return true;
}

long long CBatchPipeline::FallbacksSoFar()
{
    long long count = 0;
    for (std::size_t share = 0; share < scheduler.Threads(); ++share)
        count += scheduler.Context(share).engine.FallbacksSoFar();
    return count;
}

void CBatchPipeline::Progress(int percentage)
{
    if (percentage == lastPercentage)
        return;
    lastPercentage = percentage;
    if (sendProgress)
        run.SendProgress(percentage);
    else
        run.PostProgress(percentage);
}

std::vector<std::string> CBatchPipeline::Summary(const char* unit, bool strict) const
{
    std::vector<std::string> lines;
    const std::string outside = OutsideSummary(tally.outside, unit, strict);
    if (!outside.empty())
        lines.push_back(outside);
    const BatchSettings& s = run.Settings();
    const std::string heights = GeoidSummary(s.sourceGeoid, s.destinationGeoid);
    if (!heights.empty())
        lines.push_back(heights);
    if (tally.helmertOutsideGrid > 0)
        lines.push_back(std::to_string(tally.helmertOutsideGrid) + " points lay outside their datum's national grid "
                        "and were shifted with its Helmert parameters.");
    return lines;
}

void CBatchPipeline::SendSummary(const char* unit, bool strict) const
{
    for (const std::string& line : Summary(unit, strict))
        run.Send(BATCH_STATUS, line);
}

std::string GeoidSummary(int sourceGeoid, int destinationGeoid)
{
    if (sourceGeoid == 0 && destinationGeoid == 0)
        return std::string();
    auto side = [](int id) {
        if (id == 0)
            return std::string("the ellipsoid");
        GeoidModelRow row;
        const std::string model = "geoid model " + std::to_string(id);
        return FindGeoidModel(id, row) ? row.name + " (" + model + ")" : model;
    };
    return "Heights: from " + side(sourceGeoid) + " to " + side(destinationGeoid) + ".";
}
