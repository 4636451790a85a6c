#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "BatchSettings.h"
#include "ConversionReport.h"

class CProjections;

// Which points of a batch run lie outside the area of use of their systems:
// the datum's area of either side widened by a degree, and for a transverse
// Mercator grid 18 degrees of longitude from its central meridian.
class CBatchAreaCheck
{
public:
    CBatchAreaCheck();
    ~CBatchAreaCheck();

    // Loads the areas of the settings' systems, with one locating engine for
    // each of threads. Without the systems' records nothing is checked.
    void Load(const BatchSettings& settings, std::size_t threads);

    // Whether a source point (x: longitude or easting, y: latitude or
    // northing) lies outside; thread chooses the engine, so each thread asks
    // with its own. A point that cannot be located is not flagged.
    bool Outside(std::size_t thread, double x, double y) const;

private:
    CConversionReport report;
    bool loaded = false;
    std::vector<std::unique_ptr<CProjections>> locators;
};

// The points of a run found outside: how many, and the first line or record
// numbers.
struct AreaTally
{
    long long count = 0;
    std::vector<long long> listed;

    void Add(long long number);
};

// The summary line of a run's points outside, empty when there were none:
// "2 points lie outside the area of use of their systems (check the axis
// order and the systems): lines 3, 7." unit names what is counted in the
// singular (line, record); with strict the points were copied unchanged.
std::string OutsideSummary(const AreaTally& tally, const char* unit, bool strict);
