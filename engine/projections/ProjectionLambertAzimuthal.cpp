#include "ProjectionLambertAzimuthal.h"

#include <algorithm>
#include <cmath>

#include "EllipsoidSeries.h"
#include "ProjectionWorldCommon.h"

void CProjectionLambertAzimuthal::Initialise(const CCfgMapProjection& r)
{
    a = r.semiMajorAxis;
    isSphere = r.inverseFlattening == 0;
    if (!isSphere)
        InitialiseEccentricity(*this, r, true);
    phi0 = r.latitudeOrigin * kDegToRad;
    lambda0 = r.longitudeOrigin * kDegToRad;
    phi1 = r.parallelNorth * kDegToRad;
    phi2 = r.parallelSouth * kDegToRad;
    k0 = r.scaleFactor;
    InitialiseFalseOrigin(*this, r);

    cosPhi0 = std::cos(phi0);
    sinPhi0 = std::sin(phi0);
    if (!isSphere)
    {
        q1 = AuthalicQ(*this, phi0);
        qp = AuthalicQ(*this, kHalfPi);
        sinBeta1 = q1 / qp;
        cosBeta1 = std::sqrt(std::max(0.0, 1 - sinBeta1 * sinBeta1));
        // q(-pi/2) / q_p misses -1 by a rounding error, whose square root
        // would tilt the south polar aspect by metres; at either pole the
        // centre's authalic latitude is the pole itself.
        if (phi0 <= -kHalfPi || phi0 >= kHalfPi)
        {
            sinBeta1 = phi0 < 0 ? -1.0 : 1.0;
            cosBeta1 = 0;
        }
    }
}

namespace {

// The ellipsoid's radius of the authalic sphere and its aspect factor D. At
// either pole D is 1: the polar formulas then read x = rho sin(dl) and
// y = -rho cos(dl) in the north and y = +rho cos(dl) in the south, as with
// the sphere's formulas.
struct AuthalicFrame
{
    double Rq;
    double D;
};

AuthalicFrame Frame(const CProjectionLambertAzimuthal& p)
{
    const double Rq = p.a * std::sqrt(p.qp / 2);
    if (p.phi0 <= -kHalfPi || p.phi0 >= kHalfPi)
        return {Rq, 1.0};
    return {Rq, p.a * p.cosPhi0 / (std::sqrt(1 - p.e2 * p.sinPhi0 * p.sinPhi0) * Rq * p.cosBeta1)};
}

} // namespace

void CProjectionLambertAzimuthal::Forward()
{
    const double dl = LongitudeFromOrigin();
    if (isSphere)
    {
        // The antipode of the centre becomes the whole bounding circle.
        const double denominator = 1 + sinPhi0 * std::sin(phi) + cosPhi0 * std::cos(phi) * std::cos(dl);
        if (!(denominator > kSingularTolerance))
        {
            RefuseForward();
            return;
        }
        const double kp = std::sqrt(2 / denominator);
        x = fe + a * kp * std::cos(phi) * std::sin(dl);
        y = fn + a * kp * (cosPhi0 * std::sin(phi) - sinPhi0 * std::cos(phi) * std::cos(dl));
        return;
    }
    const auto [Rq, D] = Frame(*this);
    const double sinBeta = AuthalicQ(*this, phi) / qp;
    const double cosBeta = std::sqrt(std::max(0.0, 1 - sinBeta * sinBeta));
    const double denominator = 1 + sinBeta1 * sinBeta + cosBeta1 * cosBeta * std::cos(dl);
    if (!(denominator > kSingularTolerance))
    {
        RefuseForward();
        return;
    }
    const double B = Rq * std::sqrt(2 / denominator);
    x = fe + B * D * cosBeta * std::sin(dl);
    y = fn + (B / D) * (cosBeta1 * sinBeta - sinBeta1 * cosBeta * std::cos(dl));
}

void CProjectionLambertAzimuthal::Inverse()
{
    const double xp = x - fe;
    const double yp = y - fn;
    if (isSphere)
    {
        const double rho = std::sqrt(xp * xp + yp * yp);
        if (rho <= 1e-10)
        {
            phi = phi0;
            lambda = lambda0;
            return;
        }
        // Beyond the bounding circle (twice the radius) lies no point; on it,
        // rounded a hair outside, the antipode.
        if (rho > 2 * a * (1 + 1e-15))
        {
            RefuseInverse();
            return;
        }
        const double c = 2 * std::asin(std::clamp(rho / (2 * a), -1.0, 1.0));
        const double sinC = std::sin(c);
        const double cosC = std::cos(c);
        phi = std::asin(std::clamp(cosC * sinPhi0 + yp * sinC * cosPhi0 / rho, -1.0, 1.0));
        if (std::fabs(std::fabs(phi0) - kHalfPi) > 1e-10)
        {
            const double A = cosC - std::sin(phi) * sinPhi0;
            lambda = A == 0 ? lambda0 : lambda0 + std::atan2(xp * sinC * cosPhi0, rho * A);
        }
        else if (phi0 < 0)
            lambda = lambda0 + std::atan2(xp, yp);
        else
            lambda = lambda0 + std::atan2(xp, -yp);
        return;
    }
    const auto [Rq, D] = Frame(*this);
    const double rho = std::sqrt((xp / D) * (xp / D) + (D * yp) * (D * yp));
    if (rho <= 1e-10)
    {
        phi = phi0;
        lambda = lambda0;
        return;
    }
    if (rho > 2 * Rq * (1 + 1e-15))
    {
        RefuseInverse();
        return;
    }
    const double c = 2 * std::asin(std::min(1.0, rho / (2 * Rq)));
    const double sinC = std::sin(c);
    const double cosC = std::cos(c);
    const double beta = std::asin(cosC * sinBeta1 + D * yp * sinC * cosBeta1 / rho);
    phi = LatitudeFromAuthalic(*this, beta);
    lambda = lambda0 + std::atan2((xp / D) * sinC, rho * cosBeta1 * cosC - D * yp * sinBeta1 * sinC);
}
