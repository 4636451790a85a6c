#pragma once

#include <cmath>

#include "CfgMapProjection.h"
#include "MathConstants.h"
#include "ProjectionIdentifiers.h"

// Base of every map projection. The engine writes phi/lambda (radians) before
// Forward and x/y (metres, false origin included) before Inverse, and reads
// the other pair back. The base class itself leaves every field unchanged.
class CProjection
{
public:
    virtual ~CProjection() = default;
    virtual void Forward() {}
    virtual void Inverse() {}
    virtual void Initialise(const CCfgMapProjection& /*record*/) {}

    double x = 0;
    double y = 0;
    double phi = 0;
    double lambda = 0;
    double height = 0;
    double a = 0;
    double b = 0;
    double f = 0;
    double e = 0;
    double e2 = 0;
    double e4 = 0;
    double e6 = 0;
    double e8 = 0;
    double phi0 = 0;
    double lambda0 = 0;
    double fe = 0;
    double fn = 0;
    double phi1 = 0;
    double phi2 = 0;
    double k0 = 0;
    double alpha = 0;
    double gamma = 0;
    int projectionId = 0;
    bool isSphere = false;

    // An angle reduced to [-pi, pi]; one already inside is returned as it is.
    // An angle a rounding beyond pi (180 degrees east of the origin, given in
    // degrees) keeps its side. Inline: every point passes here.
    static double ReducedAngle(double angle)
    {
        return std::fabs(angle) <= kPi + 1e-12 ? angle : WrappedAngle(angle);
    }

    // How near (radians) a point must come to a singular point of a
    // projection (a pole it sends to infinity, the antipode of an azimuthal
    // centre) to be refused.
    static constexpr double kSingularTolerance = 1e-10;

private:
    // The remainder of an angle beyond half a turn, in [-pi, pi].
    static double WrappedAngle(double angle);

protected:
    // A point the projection has no finite or no unique answer for: the
    // results are set to not-a-number, which the engine refuses.
    void RefuseForward();
    void RefuseInverse();
    // For the classes whose map ends at the meridians half a turn from the
    // central one: a grid coordinate outside that outline (its longitude more
    // than half a turn from lambda0) is refused rather than wrapped onto a
    // point whose image lies elsewhere.
    void RefuseBeyondOutline();
    // lambda - lambda0 reduced to [-pi, pi], so that a point across the
    // antimeridian of the central meridian is projected on the near side.
    double LongitudeFromOrigin() const { return ReducedAngle(lambda - lambda0); }
    // The common derivations every class draws on: the ellipsoid constants,
    // the angles in radians and the false origin in metres. k0 is the raw
    // scale factor; classes that treat 0 as 1 replace it themselves.
    void InitialiseCommon(const CCfgMapProjection& record);
};
