#include "EllipsoidSeries.h"

#include <cmath>

#include "Projection.h"

double MeridianDistance(const CProjection& p, double phi)
{
    const double e2 = p.e2;
    const double e4 = e2 * e2;
    const double e6 = e2 * e4;
    return (1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256) * phi -
           (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * std::sin(2 * phi) +
           (15 * e4 / 256 + 45 * e6 / 1024) * std::sin(4 * phi) - (35 * e6 / 3072) * std::sin(6 * phi);
}

double FootpointLatitude(const CProjection& p, double m)
{
    const double mu = m / (p.a * (1 - p.e2 / 4 - 3 * p.e4 / 64 - 5 * p.e6 / 256));
    const double root = std::sqrt(1 - p.e2);
    const double e1 = (1 - root) / (1 + root);
    const double e1_2 = e1 * e1;
    const double e1_3 = e1_2 * e1;
    const double e1_4 = e1_3 * e1;
    return mu + (3 * e1 / 2 - 27 * e1_3 / 32) * std::sin(2 * mu) +
           (21 * e1_2 / 16 - 55 * e1_4 / 32) * std::sin(4 * mu) + (151 * e1_3 / 96) * std::sin(6 * mu) +
           (1097 * e1_4 / 512) * std::sin(8 * mu);
}

double AuthalicQ(const CProjection& p, double phi)
{
    const double s = std::sin(phi);
    // The sphere's limit of the formula below, which is 0/0 at e = 0.
    if (p.e == 0)
        return 2 * s;
    const double es = p.e * s;
    return (1 - p.e2) * (s / (1 - p.e2 * s * s) - (1 / (2 * p.e)) * std::log((1 - es) / (1 + es)));
}

double LatitudeFromAuthalic(const CProjection& p, double beta)
{
    return beta + (p.e2 / 3 + 31 * p.e4 / 180 + 517 * p.e6 / 5040) * std::sin(2 * beta) +
           (23 * p.e4 / 360 + 251 * p.e6 / 3780) * std::sin(4 * beta) + (761 * p.e6 / 45360) * std::sin(6 * beta);
}
