#include "LengthUnits.h"

namespace {

struct UnitFactor
{
    int id;
    double fromFactor; // metres per unit when reading grid values
    double toFactor;   // metres per unit when writing them
};

// US survey foot carries two factors that differ in their last digits; each
// is used in its own direction, as the catalogue's stored grids expect.
constexpr UnitFactor kUnits[] = {
    {9001, 1.0, 1.0},
    {9002, 0.3048, 0.3048},
    {9003, 0.3048006096012192, 0.304800609601219},
    {9005, 0.3047972654, 0.3047972654},
    {9031, 1.0000135965, 1.0000135965},
    {9033, 20.1168402336805, 20.1168402336805},
    {9034, 0.201168402336805, 0.201168402336805},
    {9035, 1609.34721869444, 1609.34721869444},
    {9036, 1000.0, 1000.0},
    {9037, 0.914391795, 0.914391795},
    {9038, 20.1166195164, 20.1166195164},
    {9039, 0.201166195164, 0.201166195164},
    {9040, 0.9143984146160287, 0.9143984146160287},
    {9041, 0.304799471538676, 0.304799471538676},
    {9042, 20.1167651215526, 20.1167651215526},
    {9043, 0.201167651215526, 0.201167651215526},
    {9062, 20.11678249437587, 20.11678249437587},
    {9080, 0.304799510248147, 0.304799510248147},
    {9084, 0.9143985307444408, 0.9143985307444408},
    {9093, 1609.344, 1609.344},
    {9094, 0.304799710181509, 0.304799710181509},
    {9095, 0.3048007491, 0.3048007491},
    {9097, 20.1168, 20.1168},
    {9098, 0.201168, 0.201168},
    // Millimetres: converted both ways, so a grid in this unit round-trips.
    {9903, 0.001, 0.001},
};

const UnitFactor* Find(int unitId)
{
    for (const auto& u : kUnits)
        if (u.id == unitId)
            return &u;
    return nullptr;
}

} // namespace

LengthUnitFactors FindLengthUnit(int unitId)
{
    // Metres and unknown units carry 1, by which multiplying and dividing
    // leave every value as it is.
    const UnitFactor* u = Find(unitId);
    if (u == nullptr)
        return LengthUnitFactors{};
    return LengthUnitFactors{u->fromFactor, u->toFactor};
}

double FromUnits(int unitId, double value)
{
    return value * FindLengthUnit(unitId).from;
}

double ToUnits(int unitId, double metres)
{
    return metres / FindLengthUnit(unitId).to;
}
