#include "DatumGrid.h"

int CDatumGrid::LoadFile(const std::string& /*path*/)
{
    return -1;
}

int CDatumGrid::ShiftForward(double& /*phi*/, double& /*lambda*/) const
{
    return 0;
}

int CDatumGrid::ShiftInverse(double& /*phi*/, double& /*lambda*/) const
{
    return 0;
}
