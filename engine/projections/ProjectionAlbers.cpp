#include "ProjectionAlbers.h"

#include <algorithm>
#include <cmath>

#include "EllipsoidSeries.h"
#include "ProjectionWorldCommon.h"

void CProjectionAlbers::Initialise(const CCfgMapProjection& r)
{
    a = r.semiMajorAxis;
    f = r.inverseFlattening == 0 ? 0.0 : 1.0 / r.inverseFlattening;
    isSphere = r.inverseFlattening == 0;
    e2 = 2.0 * f - std::pow(f, 2);
    e = std::sqrt(e2);
    phi0 = r.latitudeOrigin * kDegToRad;
    lambda0 = r.longitudeOrigin * kDegToRad;
    phi1 = r.parallelNorth * kDegToRad;
    phi2 = r.parallelSouth * kDegToRad;
    InitialiseFalseOrigin(*this, r);

    const double s1 = std::sin(phi1);
    const double s2 = std::sin(phi2);
    const double m1 = std::cos(phi1) / std::sqrt(1 - e2 * s1 * s1);
    const double m2 = std::cos(phi2) / std::sqrt(1 - e2 * s2 * s2);
    const double q0 = AuthalicQ(*this, phi0);
    const double q1 = AuthalicQ(*this, phi1);
    const double q2 = AuthalicQ(*this, phi2);
    // With one standard parallel the quotient is 0/0; its limit is sin phi1.
    n = q2 == q1 ? s1 : (m1 * m1 - m2 * m2) / (q2 - q1);
    C = m1 * m1 + n * q1;
    rho0 = (a / n) * std::sqrt(C - n * q0);
}

void CProjectionAlbers::Forward()
{
    const double q = AuthalicQ(*this, phi);
    const double rho = (a / n) * std::sqrt(C - n * q);
    const double theta = n * LongitudeFromOrigin();
    x = fe + rho * std::sin(theta);
    y = fn + rho0 - rho * std::cos(theta);
}

void CProjectionAlbers::Inverse()
{
    double xp = x - fe;
    double yp = y - fn;
    double r0 = rho0;
    double rho = std::sqrt(xp * xp + (r0 - yp) * (r0 - yp));
    if (n < 0)
    {
        rho = -rho;
        xp = -xp;
        yp = -yp;
        r0 = -r0;
    }
    const double q = (C - (rho * n) * (rho * n) / (a * a)) / n;
    const double theta = std::atan2(xp, r0 - yp);
    // Beyond the poles' radii (q past that of a pole) and in the gap of the
    // unrolled cone lie no points.
    const double qPole = isSphere ? 2.0 : AuthalicQ(*this, kHalfPi);
    const bool apex = std::fabs(rho) <= 1e-6; // within a micrometre: no angle
    if (!(std::fabs(q) <= qPole * (1 + 1e-12)) || (!apex && std::fabs(theta) > std::fabs(n) * kPi))
    {
        RefuseInverse();
        return;
    }

    double p = std::asin(std::clamp(q / 2, -1.0, 1.0));
    // On the sphere q = 2 sin(phi) exactly; the iteration's log term is 0/0.
    for (int pass = 0; pass < kMaxPasses && !isSphere; ++pass)
    {
        const double s = std::sin(p);
        const double w = 1 - e2 * s * s;
        const double delta = w * w / (2 * std::cos(p)) *
                             (q / (1 - e2) - s / w + (1 / (2 * e)) * std::log((1 - e * s) / (1 + e * s)));
        p += delta;
        if (!(std::fabs(delta) > 4.85e-10))
            break;
    }
    // Next to a pole the iteration divides by cos(phi) and stalls short of
    // it; q within rounding of the pole's is the pole.
    phi = std::fabs(q) >= qPole * (1 - 1e-15) ? std::copysign(kHalfPi, q) : p;
    lambda = lambda0 + theta / n;
}
