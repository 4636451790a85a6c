#include "ProjectionRobinson.h"

#include <cmath>
#include <limits>

#include "ProjectionWorldCommon.h"

namespace {

// One row per node at every 5 degrees from 0 to 90: the cubics in t, the
// degrees past the node, of the parallel's relative length X and of its
// relative distance from the equator Y. The Y cubics are the natural cubic
// spline through Robinson's published values (0.4958 at 40 degrees).
struct Node
{
    double X0, X1, X2, X3;
    double Y0, Y1, Y2, Y3;
};

constexpr Node kNodes[19] = {
    {1.0, -5.67239e-12, -7.15511e-05, 3.11028e-06, 0.0, 0.0124, 3.72529e-10, -1.20602e-10},
    {0.9986, -0.000482241, -2.4897e-05, -1.33094e-06, 0.062, 0.0124, -1.43654e-09, 4.54002e-10},
    {0.9954, -0.000831031, -4.4861e-05, -9.86588e-07, 0.124, 0.0124, 5.55975e-09, -1.65811e-09},
    {0.99, -0.00135363, -5.96598e-05, 3.67749e-06, 0.186, 0.0124, -2.00575e-08, 6.10411e-09},
    {0.9822, -0.00167442, -4.4975e-06, -5.72394e-06, 0.248, 0.0124002, 7.16896e-08, -2.24232e-08},
    {0.973, -0.00214869, -9.03565e-05, 1.88767e-08, 0.31, 0.0123993, -2.65022e-07, 8.35126e-08},
    {0.96, -0.00305084, -9.00732e-05, 1.64869e-06, 0.372, 0.0124029, 9.87676e-07, -3.11778e-07},
    {0.9427, -0.00382792, -6.53428e-05, -2.61493e-06, 0.434, 0.0123893, -3.68879e-06, -4.35881e-07},
    {0.9216, -0.00467747, -0.000104566, 4.8122e-06, 0.4958, 0.0123198, -1.02274e-05, -3.45249e-07},
    {0.8962, -0.00536222, -3.23834e-05, -5.43445e-06, 0.5571, 0.0121916, -1.54065e-05, -5.82442e-07},
    {0.8679, -0.00609364, -0.0001139, 3.32521e-06, 0.6176, 0.0119938, -2.41435e-05, -5.25296e-07},
    {0.835, -0.00698325, -6.40219e-05, 9.34582e-07, 0.6769, 0.011713, -3.20231e-05, -5.16288e-07},
    {0.7986, -0.00755337, -5.00038e-05, 9.35532e-07, 0.7346, 0.0113541, -3.97675e-05, -6.09089e-07},
    {0.7597, -0.00798325, -3.59716e-05, -2.27604e-06, 0.7903, 0.0109107, -4.8904e-05, -1.04753e-06},
    {0.7186, -0.00851366, -7.0112e-05, -8.63072e-06, 0.8435, 0.0103431, -6.46165e-05, -1.13782e-09},
    {0.6732, -0.00986209, -0.000199572, 1.91978e-05, 0.8936, 0.00969685, -6.46335e-05, -8.5472e-06},
    {0.6213, -0.010418, 8.83948e-05, 6.24031e-06, 0.9394, 0.00840947, -0.000192842, -4.21069e-06},
    {0.5722, -0.00906601, 0.000181999, 6.24033e-06, 0.9761, 0.00616525, -0.000256002, -4.21012e-06},
    {0.5322, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0},
};

double X(const Node& n, double t)
{
    return n.X0 + t * (n.X1 + t * (n.X2 + t * n.X3));
}

double Y(const Node& n, double t)
{
    return n.Y0 + t * (n.Y1 + t * (n.Y2 + t * n.Y3));
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

void CProjectionRobinson::Initialise(const CCfgMapProjection& r)
{
    InitialiseRadiusAndOrigin(*this, r);
}

void CProjectionRobinson::Forward()
{
    const double v = std::fabs(phi);
    // The table ends at the pole; a latitude beyond it (or not a number) has
    // no node to read and no coordinates.
    if (!(v <= 1.5707963267948966))
    {
        x = y = kNaN;
        return;
    }
    // The node at or below v. The product rounds 30 and 60 degrees (and
    // others) to a hair under their node numbers, which would evaluate the
    // cubic of the node below at t = 5, where the table's cubics miss the
    // next node by up to 1e-7; a latitude on a node reads that node's row.
    const int i = static_cast<int>(std::floor(v * 11.459155902616464 + 1e-12));
    const double t = (v - i * 0.0872664625997164739) / 0.017453292519943295;
    const Node& n = kNodes[i];
    x = fe + 0.8487 * a * X(n, t) * LongitudeFromOrigin();
    const double dy = 1.3523 * a * Y(n, t);
    y = phi >= 0 ? fn + dy : fn - dy;
}

void CProjectionRobinson::InverseFormula()
{
    const double L = (x - fe) / (0.8487 * a);
    const double b = (y - fn) / a;
    const double c = std::fabs(b) / 1.3523;
    if (std::isnan(c))
    {
        phi = lambda = kNaN;
        return;
    }
    // Beyond the pole lines lies no point; within rounding of them, the pole.
    if (c > 1 + 1e-12)
    {
        phi = lambda = kNaN;
        return;
    }
    if (c >= 1)
    {
        phi = std::copysign(1.5707963267948966, b);
        lambda = lambda0 + L / 0.5322;
        return;
    }
    // The row whose node lies at or below c; a c within rounding of a node
    // (as the forward of a latitude on the node gives) takes that node's row.
    constexpr double kNodeTolerance = 1e-12;
    int i = static_cast<int>(std::floor(18 * c));
    while (i > 0 && c < kNodes[i].Y0 - kNodeTolerance)
        --i;
    while (i < 17 && c >= kNodes[i + 1].Y0 - kNodeTolerance)
        ++i;
    const Node& n = kNodes[i];
    double t = 5 * (c - n.Y0) / (kNodes[i + 1].Y0 - n.Y0);
    for (int pass = 0; pass < kMaxPasses; ++pass)
    {
        const double delta = (n.Y0 - c + t * (n.Y1 + t * (n.Y2 + n.Y3 * t))) / (n.Y1 + t * (3 * n.Y3 * t + 2 * n.Y2));
        t -= delta;
        if (!(std::fabs(delta) >= 1e-10))
            break;
    }
    phi = (5 * i + t) * 0.017453292519943295;
    if (b < 0)
        phi = -phi;
    lambda = lambda0 + L / X(n, t);
}

void CProjectionRobinson::Inverse()
{
    InverseFormula();
    RefuseBeyondOutline();
}
