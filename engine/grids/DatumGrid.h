#pragma once

#include <string>

// The engine's one datum shift grid, shared by both datum legs. Until a file
// is loaded it shifts nothing.
class CDatumGrid
{
public:
    virtual ~CDatumGrid() = default;

    // 0 on success, -1 on failure; a failure leaves the grid as it was.
    int LoadFile(const std::string& path);
    // Angles in radians, in/out; 1 when a shift was applied.
    int ShiftForward(double& phi, double& lambda) const;
    int ShiftInverse(double& phi, double& lambda) const;

    int kind = 0; // 0 nothing loaded, 1 NADCON pair, 2 NTv2 file
};
