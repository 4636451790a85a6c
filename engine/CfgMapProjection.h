#pragma once

#include <string>

// Describes one coordinate reference system to the engine: a geodetic datum
// alone (projectionId 0) or a map grid with the datum it is based on.
class CCfgMapProjection
{
public:
    CCfgMapProjection() = default;
    CCfgMapProjection(const CCfgMapProjection&) = default;
    CCfgMapProjection& operator=(const CCfgMapProjection&) = default;
    virtual ~CCfgMapProjection() = default;

    void Reset();
    bool IsSameDefinition(const CCfgMapProjection& other) const;
    // The semi-major axis is left to the caller, which compares it separately.
    bool IsSameDatum(const CCfgMapProjection& other) const;

    double semiMajorAxis = 6378137.0;
    double inverseFlattening = 298.257223563;
    double deltaX = 0;
    double deltaY = 0;
    double deltaZ = 0;
    double rotationX = 0;       // arc seconds
    double rotationY = 0;
    double rotationZ = 0;
    double scalePpm = 0;
    int method = 0;             // 0 None, 1 Molodensky, 2 Bursa Wolf, 3 NADCON, 4 HARN/HPGN, 5 NTv2
    int projectionId = 0;       // internal identifier; 0 = geographic
    int unitId = 9001;
    int datumId = 4326;
    std::string gridFile;       // empty when the datum has no shift grid
    // With a grid method: the Helmert method (1 or 2) of the parameters above
    // that shifts a point outside the grid's area; 0 refuses such a point.
    int outsideGridMethod = 0;
    double falseEasting = 0;    // grid unit
    double falseNorthing = 0;
    double latitudeOrigin = 0;  // degrees
    double longitudeOrigin = 0; // degrees from Greenwich
    double parallelNorth = 0;
    double parallelSouth = 0;
    double azimuth = 0;
    double rectifiedGridAngle = 0;
    double scaleFactor = 0;
};

// Method codes as stored in the catalogue.
enum DatumMethod
{
    METHOD_NONE = 0,
    METHOD_MOLODENSKY = 1,
    METHOD_BURSA_WOLF = 2,
    METHOD_NADCON = 3,
    METHOD_HARN = 4,
    METHOD_NTV2 = 5,
};
