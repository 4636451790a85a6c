#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "CfgMapProjection.h"
#include "DatumLink.h"

class CProjections;

// What a conversion between two systems rests on: each side's transformation to WGS 84 with its
// accuracy, and the areas a point should lie in. Loaded once for a run; const afterwards, so every
// thread of a run may ask it.
class CConversionReport
{
public:
    // Where a map grid's projection class keeps its stated accuracy, worked out once from the grid's
    // parameters and its own area (so that a point inside that area is never flagged).
    struct CReach
    {
        enum Kind
        {
            kEverywhere,   // world projections, and classes without a rule
            kMeridian,     // transverse Mercator: degrees of longitude from the central meridian
            kLatitudeBand, // conics: south..north, and degrees of longitude from the central meridian
            kFromCentre,   // azimuthal: degrees of arc from the centre (a pole for polar stereographic)
            kGridArea,     // the grid's own area widened by degrees on every side
        };
        Kind kind = kEverywhere;
        double degrees = 0;
        double south = 0, north = 0;
        double centreLatitude = 0, centreLongitude = 0;
    };

    struct CSide
    {
        int datumId = 0;
        int gridId = 0;
        std::string gridName;
        CDatumLink link;
        CAreaOfUse datumArea;
        CAreaOfUse gridArea;
        CCfgMapProjection record; // the grid's record, for locating its points
        CReach reach;             // where the grid's projection class holds
        // Taken from the areas and the reach when the side is loaded, for the test every point
        // passes: latitudes within south..north and (everyLongitude) any longitude are inside
        // the datum's widened area.
        struct CQuick
        {
            bool ready = false;
            bool everyLongitude = false;
            double south = 0, north = 0;
        } quick;
    };

    // Whether a grid side's projection class holds at the point (always for a datum side).
    static bool Reaches(const CSide& side, double latitude, double longitude);

    // Loads both sides (gridId 0: a datum alone). False when a side is not in the catalogue.
    bool Load(int sourceDatumId, int sourceGridId, int destinationDatumId, int destinationGridId);

    const CSide& Source() const { return source; }
    const CSide& Destination() const { return destination; }

    // Both sides on one datum: no datum step is made, whatever the datum's link.
    bool SameDatum() const { return source.datumId == destination.datumId; }
    // The side whose datum the engine cannot tie to WGS 84, when the conversion changes datum;
    // nullptr when every leg is usable.
    const CSide* UnusableSide() const;
    // "datum Greek (4120) has no usable transformation to WGS 84 (EPSG:8643, a chain of two
    // operations, not applied): the result may be hundreds of metres off".
    std::string UnusableText() const;

    // One line per leg, then the accuracy; with a point (degrees, either side's), a leg whose
    // transformation's area does not hold it has an unknown accuracy.
    std::vector<std::string> Explain(bool withPoint = false, double latitude = 0, double longitude = 0) const;
    // "2.2 m", or "unknown" with why.
    std::string Accuracy(bool withPoint = false, double latitude = 0, double longitude = 0) const;

    // Empty when the point lies where both systems are made for; otherwise "outside the area of use
    // of NAME (AREA)". A datum's area counts widened by a degree; a grid's points must lie where its
    // projection class holds (Reaches): a transverse Mercator's up to 18 degrees of longitude (three
    // UTM zones) from its central meridian, a conic's within a band of latitude around its standard
    // parallels, an azimuthal's within an arc of its centre, other classes' near the grid's own area.
    std::string Outside(double latitude, double longitude) const
    {
        if (SurelyInside(source, latitude, longitude) && SurelyInside(destination, latitude, longitude))
            return std::string();
        return OutsideText(latitude, longitude);
    }

    // Sets engine up to turn points of the source grid into latitude and longitude on its datum.
    void SetUpLocator(CProjections& engine) const;
    // The latitude and longitude of a source point (x, y: longitude and latitude, or easting and
    // northing), through an engine SetUpLocator prepared. False when it cannot be located.
    bool Locate(CProjections& engine, double x, double y, double& latitude, double& longitude) const
    {
        if (source.gridId != 0)
            return LocateOnGrid(engine, x, y, latitude, longitude);
        latitude = y;
        longitude = x;
        return true;
    }

private:
    // True only where Outside's full test would find the point inside; false where it must decide.
    static bool SurelyInside(const CSide& side, double latitude, double longitude)
    {
        if (!side.quick.ready || !side.quick.everyLongitude ||
            !(latitude >= side.quick.south && latitude <= side.quick.north))
            return false;
        if (side.gridId == 0 || side.reach.kind == CReach::kEverywhere)
            return true;
        // Within the reach (less than half a turn) of the meridian, as Reaches finds it.
        return side.reach.kind == CReach::kMeridian &&
               std::fabs(longitude - side.reach.centreLongitude) <= side.reach.degrees;
    }
    std::string OutsideText(double latitude, double longitude) const;
    bool LocateOnGrid(CProjections& engine, double x, double y, double& latitude, double& longitude) const;

    CSide source;
    CSide destination;
};
