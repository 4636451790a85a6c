#include "ProjectionPolyconic.h"

#include <cmath>

#include "EllipsoidSeries.h"
#include "ProjectionWorldCommon.h"

namespace {

// Keeps the Newton iteration of the inverse inside the interval that holds
// its root. The latitude lies between 0 and the pole on the side of A, and
// the residual g has the sign of A next to the equator and the other sign
// next to the pole. Each pass narrows the interval with the residual of the
// current latitude; a Newton step that would leave it becomes a bisection.
// Near the central meridian every step stays inside, so these are plain
// Newton passes; far from it, where Newton from phi = A runs away, the
// bisection brings it back.
class SafeguardBracket
{
public:
    explicit SafeguardBracket(double A) : m_sign(A < 0 ? -1.0 : 1.0), m_equator(0), m_pole(m_sign * kHalfPi) {}

    // The step to take from p, given its residual g and its Newton step.
    double Step(double p, double g, double newton)
    {
        if (Inside(p))
        {
            if (g * m_sign > 0)
                m_equator = p;
            else if (g * m_sign < 0)
                m_pole = p;
        }
        const double next = p - newton;
        if (std::isfinite(next) && Inside(next))
            return newton;
        return p - 0.5 * (m_equator + m_pole);
    }

private:
    bool Inside(double p) const { return (p - m_equator) * m_sign > 0 && (m_pole - p) * m_sign > 0; }

    double m_sign;
    double m_equator; // bound whose residual has the sign of A
    double m_pole;    // bound whose residual has the opposite sign
};

} // namespace

void CProjectionPolyconic::Initialise(const CCfgMapProjection& r)
{
    a = r.semiMajorAxis;
    phi0 = r.latitudeOrigin * kDegToRad;
    lambda0 = r.longitudeOrigin * kDegToRad;
    InitialiseFalseOrigin(*this, r);
    isSphere = r.inverseFlattening == 0;
    if (isSphere)
        return;
    InitialiseEccentricity(*this, r);
    e0 = 1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256;
    e1 = 3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024;
    e2p = 15 * e4 / 256 + 45 * e6 / 1024;
    e3 = 35 * e6 / 3072;
    M0 = a * MeridianDistance(*this, phi0);
}

void CProjectionPolyconic::Forward()
{
    const double dl = LongitudeFromOrigin();
    if (isSphere)
    {
        if (std::fabs(phi) <= 1e-10)
        {
            x = fe + a * dl;
            y = fn - a * phi0;
            return;
        }
        const double E = dl * std::sin(phi);
        x = fe + a * std::sin(E) / std::tan(phi);
        y = fn + a * ((phi - phi0) + (1 - std::cos(E)) / std::tan(phi));
        return;
    }
    if (std::fabs(phi) <= 1e-10)
    {
        x = fe + a * dl;
        y = fn - M0;
        return;
    }
    const double s = std::sin(phi);
    const double NcotPhi = a / (std::sqrt(1 - e2 * s * s) * std::tan(phi));
    const double E = dl * s;
    x = fe + NcotPhi * std::sin(E);
    y = fn + a * MeridianDistance(*this, phi) - M0 + NcotPhi * (1 - std::cos(E));
}

void CProjectionPolyconic::InverseFormula()
{
    const double xp = x - fe;
    const double yp = y - fn;
    if (isSphere)
    {
        const double A = yp / a + phi0;
        const double X = xp / a;
        const double B = A * A + X * X;
        if (std::fabs(A) <= 1e-10)
        {
            phi = 0;
            lambda = lambda0 + X;
            return;
        }
        double p = A;
        SafeguardBracket bracket(A);
        for (int pass = 0; pass < kMaxPasses; ++pass)
        {
            const double t = std::tan(p);
            const double g = A * (p * t + 1) - p - 0.5 * t * (p * p + B);
            const double delta = bracket.Step(p, g, g / ((p - A) / t - 1));
            p -= delta;
            if (!(std::fabs(delta) > 1e-10))
                break;
        }
        phi = p;
        lambda = lambda0 + std::asin(X * std::tan(p)) / std::sin(p);
        return;
    }
    const double A = (yp + M0) / a;
    const double X = xp / a;
    const double B = X * X + A * A;
    if (std::fabs(A) <= 1e-10)
    {
        phi = 0;
        lambda = lambda0 + X;
        return;
    }
    double p = A;
    double C = 0;
    SafeguardBracket bracket(A);
    for (int pass = 0; pass < kMaxPasses; ++pass)
    {
        const double s = std::sin(p);
        C = std::sqrt(1 - e2 * s * s) * std::tan(p);
        const double Mn = e0 * p - e1 * std::sin(2 * p) + e2p * std::sin(4 * p) - e3 * std::sin(6 * p);
        const double Mnp =
            e0 - 2 * e1 * std::cos(2 * p) + 4 * e2p * std::cos(4 * p) - 6 * e3 * std::cos(6 * p);
        const double sin2p = std::sin(2 * p);
        const double g = A * (C * Mn + 1) - Mn - 0.5 * (Mn * Mn + B) * C;
        const double delta = bracket.Step(
            p, g, g / (e2 * sin2p * (Mn * Mn + B - 2 * A * Mn) / (4 * C) + (A - Mn) * (C * Mnp - 2 / sin2p) - Mnp));
        p -= delta;
        if (!(std::fabs(delta) > 1e-10))
            break;
    }
    phi = p;
    lambda = lambda0 + std::asin(C * X) / std::sin(p);
}

void CProjectionPolyconic::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
