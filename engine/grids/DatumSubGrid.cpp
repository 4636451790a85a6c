#include "DatumSubGrid.h"

#include <cmath>

void CDatumSubGrid::Allocate(int room)
{
    capacity = room > 0 ? room : 0;
    nodeCount = 0;
    latitudeShifts.assign(static_cast<size_t>(capacity), 0.0f);
    longitudeShifts.assign(static_cast<size_t>(capacity), 0.0f);
}

void CDatumSubGrid::StoreNode(float latitudeShift, float longitudeShift)
{
    if (nodeCount >= capacity)
        return;
    latitudeShifts[static_cast<size_t>(nodeCount)] = latitudeShift;
    longitudeShifts[static_cast<size_t>(nodeCount)] = longitudeShift;
    ++nodeCount;
}

bool CDatumSubGrid::HasNodes() const
{
    if (rows <= 0 || cols <= 0)
        return false;
    const long long lattice = static_cast<long long>(rows) * cols;
    return lattice <= nodeCount && static_cast<size_t>(nodeCount) <= latitudeShifts.size() &&
           static_cast<size_t>(nodeCount) <= longitudeShifts.size();
}

bool CDatumSubGrid::Covers(double lat, double lon) const
{
    return HasNodes() && south <= lat && lat <= north && lonMin <= lon && lon <= lonMax;
}

double CDatumSubGrid::RoundPosition(double position)
{
    const double whole = std::floor(position);
    return position - whole >= 0.999999 ? whole + 1 : position;
}

long long CDatumSubGrid::NodesAlong(double quotient)
{
    // A span that is negative, not a number or beyond any real grid gives no
    // count at all rather than an undefined conversion.
    if (!(quotient >= 0 && quotient < 2147483647.0))
        return -1;
    return static_cast<long long>(std::floor(RoundPosition(quotient) + 1));
}
