#include "Geodesic.h"

#include <cmath>
#include <optional>

#include <GeographicLib/Geodesic.hpp>

namespace {

// WGS 84 with the constants of the distance dialog.
constexpr double a = 6378137.0;
constexpr double oneMinusESquared = 0.9933056200098587;
constexpr double f = 0.0033528106647474805;
constexpr double oneMinusF = 0.9966471893352525;
constexpr double fOver16 = 0.00020955066654671753;
constexpr double k = 0.017453292519943295;
constexpr double tolerance = 1e-12;
constexpr int iterationLimit = 101;

const double b = a * std::sqrt(oneMinusESquared);

struct VincentySolution
{
    double s = 0;      // metres
    double alpha1 = 0; // azimuth of the geodesic at the first point, radians
    double alpha2 = 0; // its azimuth at the second point, onward, radians
};

// Vincenty (1975), inverse problem, in his symbols, with the azimuths of his
// equations (20) and (21) from the settled lambda. Nothing when the
// longitude on the auxiliary sphere has not settled within the passes, or
// when both points lie on the equator and cos2sigma_m becomes 0/0.
std::optional<VincentySolution> VincentyInverse(double phi1, double lambda1, double phi2, double lambda2)
{
    const double L = lambda2 * k - lambda1 * k;
    const double U1 = std::atan(oneMinusF * std::tan(phi1 * k));
    const double U2 = std::atan(oneMinusF * std::tan(phi2 * k));
    const double sinU1 = std::sin(U1), cosU1 = std::cos(U1);
    const double sinU2 = std::sin(U2), cosU2 = std::cos(U2);

    // One pass of the iteration for lambda, equations (14) to (11) of the paper.
    struct Pass
    {
        double sinLambda, cosLambda, sinSigma, cosSigma, sigma, sinAlpha, cos2Alpha, cos2SigmaM, next;
    };
    auto pass = [&](double lambda) {
        Pass p{};
        p.sinLambda = std::sin(lambda);
        p.cosLambda = std::cos(lambda);
        const double t1 = cosU2 * p.sinLambda;
        const double t2 = cosU1 * sinU2 - sinU1 * cosU2 * p.cosLambda;
        p.sinSigma = std::sqrt(t1 * t1 + t2 * t2);
        if (p.sinSigma == 0)
            return p;
        p.cosSigma = sinU1 * sinU2 + cosU1 * cosU2 * p.cosLambda;
        p.sigma = std::atan2(p.sinSigma, p.cosSigma);
        p.sinAlpha = cosU1 * cosU2 * p.sinLambda / p.sinSigma;
        p.cos2Alpha = 1 - p.sinAlpha * p.sinAlpha;
        if (p.cos2Alpha == 0)
            return p;
        p.cos2SigmaM = p.cosSigma - 2 * sinU1 * sinU2 / p.cos2Alpha;
        const double C = fOver16 * p.cos2Alpha * (4 + f * (4 - 3 * p.cos2Alpha));
        p.next = L + (1 - C) * f * p.sinAlpha *
                         (p.sigma + C * p.sinSigma * (p.cos2SigmaM + C * p.cosSigma * (2 * p.cos2SigmaM * p.cos2SigmaM - 1)));
        return p;
    };

    double lambda = L;
    Pass last{};
    bool converged = false;
    for (int n = 0; n < iterationLimit; ++n)
    {
        last = pass(lambda);
        if (last.sinSigma == 0)
            return VincentySolution{}; // coincident points
        if (last.cos2Alpha == 0)
            return std::nullopt; // both on the equator: 2 sinU1 sinU2 / cos^2(alpha) is 0/0
        const double previous = lambda;
        lambda = last.next;
        // Written as "not greater" so that a NaN input ends the loop and flows on.
        if (!(std::fabs(lambda - previous) > tolerance))
        {
            converged = true;
            break;
        }
    }
    if (!converged)
        return std::nullopt;
    const double sinSigma = last.sinSigma, cosSigma = last.cosSigma, sigma = last.sigma;
    const double cos2Alpha = last.cos2Alpha, cos2SigmaM = last.cos2SigmaM;

    // The distance takes lambda at the tolerance above; the direction of a
    // short line wants it settled to the last bit (at 1e-12 rad a ten-metre
    // line still points a microdegree off), which a few more passes give.
    Pass settled = last;
    for (int n = 0; n < 8 && std::isfinite(lambda); ++n)
    {
        const Pass p = pass(lambda);
        if (p.sinSigma == 0 || p.cos2Alpha == 0)
            break;
        settled = p;
        if (p.next == lambda)
            break;
        lambda = p.next;
    }

    const double uSquared = cos2Alpha * (a * a - b * b) / (b * b);
    const double A = 1 + uSquared / 16384 * (4096 + uSquared * (-768 + uSquared * (320 - 175 * uSquared)));
    const double B = uSquared / 1024 * (256 + uSquared * (-128 + uSquared * (74 - 47 * uSquared)));
    const double deltaSigma =
        B * sinSigma *
        (cos2SigmaM + B / 4 *
                          (cosSigma * (2 * cos2SigmaM * cos2SigmaM - 1) -
                           B / 6 * cos2SigmaM * (4 * sinSigma * sinSigma - 3) * (4 * cos2SigmaM * cos2SigmaM - 3)));
    VincentySolution solution;
    solution.s = b * A * (sigma - deltaSigma);
    solution.alpha1 =
        std::atan2(cosU2 * settled.sinLambda, cosU1 * sinU2 - sinU1 * cosU2 * settled.cosLambda);
    solution.alpha2 =
        std::atan2(cosU1 * settled.sinLambda, -sinU1 * cosU2 + cosU1 * sinU2 * settled.cosLambda);
    return solution;
}

const GeographicLib::Geodesic& Wgs84()
{
    static const GeographicLib::Geodesic geodesic(a, f);
    return geodesic;
}

double ToFullCircle(double degrees)
{
    if (degrees < 0)
        degrees += 360;
    // A course a hair below zero lands on 360 itself once added; +0.0 also
    // turns a negative zero into zero.
    if (degrees >= 360)
        degrees -= 360;
    return degrees + 0.0;
}

} // namespace

double GeodesicDistance(double fromLatitude, double fromLongitude, double toLatitude, double toLongitude)
{
    if (const auto solution = VincentyInverse(fromLatitude, fromLongitude, toLatitude, toLongitude))
        return solution->s;
    double s12 = 0;
    Wgs84().Inverse(fromLatitude, fromLongitude, toLatitude, toLongitude, s12);
    return s12;
}

double InitialAzimuth(double latitude1, double longitude1, double latitude2, double longitude2)
{
    const double phi1 = latitude1 * k, phi2 = latitude2 * k;
    const double deltaLambda = longitude2 * k - longitude1 * k;
    const double theta = std::atan2(std::sin(deltaLambda) * std::cos(phi2),
                                    std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(deltaLambda)) /
                         k;
    return ToFullCircle(theta);
}

DistanceAndAzimuths ComputeDistanceAndAzimuths(double fromLatitude, double fromLongitude, double toLatitude,
                                               double toLongitude)
{
    DistanceAndAzimuths result;
    if (const auto solution = VincentyInverse(fromLatitude, fromLongitude, toLatitude, toLongitude))
    {
        // The azimuths of the geodesic that gives the distance; a course on a
        // sphere is 0.04 to 0.08 degrees off at a hundred kilometres. The way
        // back leaves the to position opposite to the line's onward azimuth.
        result.distance = solution->s;
        if (solution->s != 0)
        {
            result.forwardAzimuth = ToFullCircle(solution->alpha1 / k);
            result.reverseAzimuth = ToFullCircle(solution->alpha2 / k + 180);
        }
        return result;
    }
    double s12 = 0, azi1 = 0, azi2 = 0, back = 0, ignored = 0;
    Wgs84().Inverse(fromLatitude, fromLongitude, toLatitude, toLongitude, s12, azi1, azi2);
    Wgs84().Inverse(toLatitude, toLongitude, fromLatitude, fromLongitude, ignored, back, azi2);
    result.distance = s12;
    result.forwardAzimuth = ToFullCircle(azi1);
    result.reverseAzimuth = ToFullCircle(back);
    result.fromKarney = true;
    return result;
}
