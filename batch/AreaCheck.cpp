#include "AreaCheck.h"

#include "Projections.h"

namespace {

// Numbers of points outside that a summary names.
constexpr std::size_t kListedPoints = 10;

} // namespace

CBatchAreaCheck::CBatchAreaCheck() = default;
CBatchAreaCheck::~CBatchAreaCheck() = default;

void CBatchAreaCheck::Load(const BatchSettings& settings, std::size_t threads)
{
    loaded = report.Load(settings.sourceDatum, settings.sourceGrid, settings.destinationDatum,
                         settings.destinationGrid) &&
             report.Source().datumId != 0;
    locators.clear();
    if (!loaded)
        return;
    for (std::size_t t = 0; t < threads; ++t)
    {
        locators.push_back(std::make_unique<CProjections>());
        report.SetUpLocator(*locators.back());
    }
}

bool CBatchAreaCheck::Outside(std::size_t thread, double x, double y) const
{
    if (!loaded || thread >= locators.size())
        return false;
    double latitude = 0, longitude = 0;
    return report.Locate(*locators[thread], x, y, latitude, longitude) &&
           !report.Outside(latitude, longitude).empty();
}

void AreaTally::Add(long long number)
{
    ++count;
    if (listed.size() < kListedPoints)
        listed.push_back(number);
}

std::string OutsideSummary(const AreaTally& tally, const char* unit, bool strict)
{
    if (tally.count == 0)
        return std::string();
    std::string text = std::to_string(tally.count);
    text += tally.count == 1 ? " point lies" : " points lie";
    text += " outside the area of use of their systems";
    text += strict ? " and " + std::string(tally.count == 1 ? "is" : "are") + " not converted" : "";
    text += " (check the axis order and the systems)";
    if (static_cast<std::size_t>(tally.count) > tally.listed.size())
        text += "; the first " + std::to_string(tally.listed.size());
    text += ": ";
    text += unit;
    if (tally.listed.size() > 1)
        text += 's';
    for (std::size_t i = 0; i < tally.listed.size(); ++i)
        text += (i == 0 ? " " : ", ") + std::to_string(tally.listed[i]);
    text += '.';
    return text;
}
