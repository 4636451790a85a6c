#pragma once

#include "ProjectionKrovak.h"

// Krovak Modified (EPSG method 1042), the grid of S-JTSK/05: the Krovak
// southing and westing less a fixed fourth-degree correction in the grid
// coordinates reduced to an evaluation point near the middle of Czechia. The
// correction's coefficients and evaluation point are constants of the method
// (the same for every grid of it); they hold for the Krovak definition of
// S-JTSK/05 (centre 49 30 N, pseudo standard parallel 78 30 N, scale 0.9999).
class CProjectionKrovakModified : public CProjectionKrovak
{
public:
    void Forward() override;
    void Inverse() override;

    // Evaluation point (southing, westing from the false origin), metres.
    static constexpr double kX0 = 1089000.0;
    static constexpr double kY0 = 654000.0;
    // Coefficients C1 ... C10 of the correction, in metres and powers of metres.
    static constexpr double kC[10] = {2.946529277e-2,  2.515965696e-2,  1.193845912e-7, -4.668270147e-7,
                                      9.233980362e-12, 1.523735715e-12, 1.696780024e-18, 4.408314235e-18,
                                      -8.331083518e-24, -3.689471323e-24};

    // The correction (dX on the southing, dY on the westing), metres, at the
    // Krovak southing Xp and westing Yp counted from the false origin.
    static void Correction(double Xp, double Yp, double& dX, double& dY);
};
