#include "ProjectionTransverseMercator.h"

#include <cmath>

void CProjectionTransverseMercator::Initialise(const CCfgMapProjection& r)
{
    InitialiseCommon(r);
    if (k0 == 0)
        k0 = 1;
    ep2 = 1 / (1 - e2) - 1;
    n = (a - b) / (a + b);
    n2 = n * n;
    n3 = n2 * n;
    n4 = n3 * n;
    n5 = n4 * n;
    Ap = a * (1 - n + 5.0 / 4.0 * (n2 - n3) + 81.0 / 64.0 * (n4 - n5));
    Bp = 3.0 / 2.0 * a * (n - n2 + 7.0 / 8.0 * (n3 - n4) + 55.0 / 64.0 * n5);
    Cp = 15.0 / 16.0 * a * (n2 - n3 + 3.0 / 4.0 * (n4 - n5));
    Dp = 35.0 / 48.0 * a * (n3 - n4 + 11.0 / 16.0 * n5);
    Ep = 315.0 / 512.0 * a * (n4 - n5);
    M0 = MeridianArc(phi0, std::sin(phi0), std::cos(phi0));
}

// The arc's sines of 2, 4, 6 and 8 phi come from sin and cos of phi by the
// double-angle and addition identities: one sincos for the four sines. Each
// is within a few units in the last place of the library's sine, which the
// coefficients (at most 17 km) turn into picometres.
double CProjectionTransverseMercator::MeridianArc(double p, double sinP, double cosP) const
{
    const double s2 = 2 * sinP * cosP;
    const double c2 = (cosP - sinP) * (cosP + sinP);
    const double s4 = 2 * s2 * c2;
    const double c4 = (c2 - s2) * (c2 + s2);
    const double s6 = s4 * c2 + c4 * s2;
    const double s8 = 2 * s4 * c4;
    return Ap * p - Bp * s2 + Cp * s4 - Dp * s6 + Ep * s8;
}

// The sphere's closed form (Snyder 8-1 to 8-3): exact at any distance from
// the central meridian, where the series below is not.
void CProjectionTransverseMercator::SphereForward(double dl, double& u, double& v) const
{
    const double B = std::cos(phi) * std::sin(dl);
    u = 0.5 * a * k0 * std::log((1 + B) / (1 - B));
    v = a * k0 * (std::atan2(std::tan(phi), std::cos(dl)) - phi0);
}

void CProjectionTransverseMercator::Forward()
{
    const double dl = LongitudeFromOrigin();
    if (isSphere)
    {
        double u, v;
        SphereForward(dl, u, v);
        x = projectionId == kTransverseMercatorSouthOrientated ? fe - u : fe + u;
        y = projectionId == kTransverseMercatorSouthOrientated ? fn - v : fn + v;
        return;
    }
    const double s = std::sin(phi);
    const double c = std::cos(phi);
    const double t = s / c;
    const double N = a / std::sqrt(1 - e2 * s * s);
    const double c3 = c * c * c;
    const double c5 = c3 * c * c;
    const double c7 = c5 * c * c;
    const double t2 = t * t;
    const double t4 = t2 * t2;
    const double t6 = t4 * t2;
    const double eta2 = ep2 * c * c;
    const double eta4 = eta2 * eta2;
    const double eta6 = eta4 * eta2;
    const double eta8 = eta6 * eta2;
    const double Nk = N * k0;

    const double T1 = k0 * (MeridianArc(phi, s, c) - M0);
    const double T2 = Nk * s * c / 2;
    const double T3 = Nk * s * c3 * (5 - t2 + 9 * eta2 + 4 * eta4) / 24;
    const double T4 = Nk * s * c5 *
                      (61 - 58 * t2 + t4 + 270 * eta2 - 330 * t2 * eta2 + 445 * eta4 + 324 * eta6 - 680 * t2 * eta4 +
                       88 * eta8 - 600 * t2 * eta6 - 192 * t2 * eta8) /
                      720;
    const double T5 = Nk * s * c7 * (1385 - 3111 * t2 + 543 * t4 - t6) / 40320;
    const double T6 = Nk * c;
    const double T7 = Nk * c3 * (1 - t2 + eta2) / 6;
    const double T8 = Nk * c5 *
                      (5 - 18 * t2 + t4 + 14 * eta2 - 58 * t2 * eta2 + 13 * eta4 + 4 * eta6 - 64 * t2 * eta4 -
                       24 * t2 * eta6) /
                      120;
    const double T9 = Nk * c7 * (61 - 479 * t2 + 179 * t4 - t6) / 5040;

    const double dl2 = dl * dl;
    const double dl3 = dl2 * dl;
    const double dl4 = dl2 * dl2;
    const double dl5 = dl4 * dl;
    const double dl6 = dl4 * dl2;
    const double dl7 = dl6 * dl;
    const double dl8 = dl4 * dl4;
    const double u = T6 * dl + T7 * dl3 + T8 * dl5 + T9 * dl7;
    const double v = T1 + T2 * dl2 + T3 * dl4 + T4 * dl6 + T5 * dl8;
    if (projectionId == kTransverseMercatorSouthOrientated)
    {
        x = fe - u;
        y = fn - v;
    }
    else
    {
        x = fe + u;
        y = fn + v;
    }
}

void CProjectionTransverseMercator::Inverse()
{
    if (isSphere)
    {
        // Snyder 8-6 and 8-7.
        const double u = (projectionId == kTransverseMercatorSouthOrientated ? fe - x : x - fe) / (a * k0);
        const double D = (projectionId == kTransverseMercatorSouthOrientated ? fn - y : y - fn) / (a * k0) + phi0;
        phi = std::asin(std::sin(D) / std::cosh(u));
        lambda = lambda0 + std::atan2(std::sinh(u), std::cos(D));
        return;
    }
    double M;
    double dx;
    if (projectionId == kTransverseMercatorSouthOrientated)
    {
        M = M0 - (y - fn) / k0;
        dx = fe - x;
    }
    else
    {
        M = M0 + (y - fn) / k0;
        dx = x - fe;
    }
    // Points within a tenth of a millimetre of the central meridian lie on it.
    if (std::fabs(dx) < 0.0001)
        dx = 0;

    // Footpoint latitude: Newton steps on the meridian arc, at most 16. The
    // steps converge quadratically, so after one below 1e-12 radians the next
    // would lie far below the last bit of the latitude: the loop ends there.
    double fp = M / (a * (1 - e2));
    for (int i = 0; i < 16; ++i)
    {
        const double sf = std::sin(fp);
        const double cf = std::cos(fp);
        const double wf = 1 - e2 * sf * sf;
        const double rho = a * (1 - e2) / (wf * std::sqrt(wf));
        const double step = (M - MeridianArc(fp, sf, cf)) / rho;
        fp = fp + step;
        if (std::fabs(step) < 1e-12)
            break;
    }

    const double sf = std::sin(fp);
    const double c = std::cos(fp);
    const double t = sf / c;
    const double w = 1 - e2 * sf * sf;
    const double N = a / std::sqrt(w);
    const double rho = a * (1 - e2) / (w * std::sqrt(w));
    const double eta2 = ep2 * c * c;
    const double eta4 = eta2 * eta2;
    const double eta6 = eta4 * eta2;
    const double eta8 = eta6 * eta2;
    const double t2 = t * t;
    const double t4 = t2 * t2;
    const double t6 = t4 * t2;
    const double N3 = N * N * N;
    const double N5 = N3 * N * N;
    const double N7 = N5 * N * N;
    const double k2 = k0 * k0;
    const double k3 = k2 * k0;
    const double k4 = k2 * k2;
    const double k5 = k4 * k0;
    const double k6 = k4 * k2;
    const double k7 = k6 * k0;
    const double k8 = k4 * k4;

    const double T10 = t / (2 * rho * N * k2);
    const double T11 = t * (5 + 3 * t2 + eta2 - 4 * eta4 - 9 * t2 * eta2) / (24 * rho * N3 * k4);
    const double T12 = t *
                       (61 + 90 * t2 + 46 * eta2 + 45 * t4 - 252 * t2 * eta2 - 3 * eta4 + 100 * eta6 -
                        66 * t2 * eta4 - 90 * t4 * eta2 + 88 * eta8 + 225 * t4 * eta4 + 84 * t2 * eta6 -
                        192 * t2 * eta8) /
                       (720 * rho * N5 * k6);
    const double T13 = t * (1385 + 3633 * t2 + 4095 * t4 + 1575 * t6) / (40320 * rho * N7 * k8);
    const double T14 = 1 / (c * N * k0);
    const double T15 = (1 + 2 * t2 + eta2) / (6 * c * N3 * k3);
    const double T16 = (5 + 6 * eta2 + 28 * t2 - 3 * eta4 + 8 * t2 * eta2 + 24 * t4 - 4 * eta6 + 4 * t2 * eta4 +
                        24 * t2 * eta6) /
                       (120 * c * N5 * k5);
    const double T17 = (61 + 662 * t2 + 1320 * t4 + 720 * t6) / (5040 * c * N7 * k7);

    const double dx2 = dx * dx;
    const double dx3 = dx2 * dx;
    const double dx4 = dx2 * dx2;
    const double dx5 = dx4 * dx;
    const double dx6 = dx4 * dx2;
    const double dx7 = dx6 * dx;
    const double dx8 = dx4 * dx4;
    phi = fp - T10 * dx2 + T11 * dx4 - T12 * dx6 + T13 * dx8;
    lambda = lambda0 + T14 * dx - T15 * dx3 + T16 * dx5 - T17 * dx7;
}
