#include "MeridianArc.h"

#include <cmath>

double MeridianArc(double a, double f, double phi)
{
    const double n = f / (2 - f);
    const double n2 = n * n;
    const double n3 = n2 * n;
    const double n4 = n2 * n2;
    return a / (1 + n) *
           ((1 + n2 / 4 + n4 / 64) * phi - (1.5 * n - 3 * n3 / 16) * std::sin(2 * phi) +
            (15 * n2 / 16 - 15 * n4 / 64) * std::sin(4 * phi) - (35 * n3 / 48) * std::sin(6 * phi) +
            (315 * n4 / 512) * std::sin(8 * phi));
}
