#include "ProjectionFactory.h"

// conformal projection headers
#include "ProjectionCassiniSoldner.h"
#include "ProjectionKrovak.h"
#include "ProjectionLambert.h"
#include "ProjectionMercator.h"
#include "ProjectionObliqueMercator.h"
#include "ProjectionObliqueStereo.h"
#include "ProjectionPolarStereo.h"
#include "ProjectionSwissMercator.h"
#include "ProjectionTransverseMercator.h"

// equal-area and world projection headers
#include "ProjectionAlbers.h"
#include "ProjectionBonne.h"
#include "ProjectionCylEqArea.h"
#include "ProjectionEckert1.h"
#include "ProjectionEckert2.h"
#include "ProjectionEckert3.h"
#include "ProjectionEckert4.h"
#include "ProjectionEckert5.h"
#include "ProjectionEckert6.h"
#include "ProjectionEquirectangular.h"
#include "ProjectionGallStereo.h"
#include "ProjectionLambertAzimuthal.h"
#include "ProjectionLoximuthal.h"
#include "ProjectionMiller.h"
#include "ProjectionMollweide.h"
#include "ProjectionPlateCarree.h"
#include "ProjectionPolyconic.h"
#include "ProjectionRobinson.h"
#include "ProjectionSinusoidal.h"
#include "ProjectionWinkel1.h"

namespace {

std::unique_ptr<CProjection> NewProjection(int projectionId)
{
    switch (projectionId)
    {
    // conformal projections
    case 100:
    case 101:
    case 110:
    case 111:
        return std::make_unique<CProjectionLambert>();
    case 140:
    case 150:
        return std::make_unique<CProjectionMercator>();
    case 170:
    case 180:
        return std::make_unique<CProjectionObliqueMercator>();
    case 190:
        return std::make_unique<CProjectionSwissMercator>();
    case 210:
        return std::make_unique<CProjectionObliqueStereo>();
    case 220:
        return std::make_unique<CProjectionPolarStereo>();
    case 230:
        return std::make_unique<CProjectionCassiniSoldner>();
    case 240:
        return std::make_unique<CProjectionKrovak>();
    case 160:
    case 161:
        return std::make_unique<CProjectionTransverseMercator>();

    // equal-area and world projections
    case 120: return std::make_unique<CProjectionLambertAzimuthal>();
    case 130: return std::make_unique<CProjectionAlbers>();
    case 250: return std::make_unique<CProjectionPolyconic>();
    case 260: return std::make_unique<CProjectionMollweide>();
    case 271: return std::make_unique<CProjectionEckert1>();
    case 272: return std::make_unique<CProjectionEckert2>();
    case 273: return std::make_unique<CProjectionEckert3>();
    case 274: return std::make_unique<CProjectionEckert4>();
    case 275: return std::make_unique<CProjectionEckert5>();
    case 276: return std::make_unique<CProjectionEckert6>();
    case 281: return std::make_unique<CProjectionWinkel1>();
    case 290: return std::make_unique<CProjectionCylEqArea>();
    case 300: return std::make_unique<CProjectionSinusoidal>();
    case 310: return std::make_unique<CProjectionMiller>();
    case 320: return std::make_unique<CProjectionBonne>();
    case 330: return std::make_unique<CProjectionGallStereo>();
    case 340: return std::make_unique<CProjectionRobinson>();
    case 350: return std::make_unique<CProjectionEquirectangular>();
    case 360: return std::make_unique<CProjectionLoximuthal>();
    case 370: return std::make_unique<CProjectionPlateCarree>();

    default:
        return std::make_unique<CProjection>();
    }
}

} // namespace

std::unique_ptr<CProjection> CreateProjection(const CCfgMapProjection& record)
{
    std::unique_ptr<CProjection> p = NewProjection(record.projectionId);
    p->Initialise(record);
    return p;
}

int TranslateProjectionCode(int code)
{
    switch (code)
    {
    case 9801: return 100;
    case 9826: return 101;
    case 9802: return 110;
    case 9803: return 111;
    case 9820: return 120;
    case 9822: return 130;
    case 9804: return 140;
    case 9805: return 150;
    case 9807: return 160;
    case 9808: return 161;
    // EPSG's variant A (false origin at the natural origin) is our 180 and
    // variant B (false origin at the projection centre) our 170, so catalogue
    // rows holding EPSG codes get EPSG's arithmetic.
    case 9812: return 180;
    case 9815: return 170;
    case 9814: return 190;
    case 9813: return 200;
    case 9809: return 210;
    case 9810: return 220;
    case 9829: return 220;
    case 9806: return 230;
    case 9819: return 240;
    case 9818: return 250;
    case 9851: return 300;
    default: return code;
    }
}
