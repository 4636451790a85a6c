#pragma once

#include <memory>
#include <optional>
#include <string>

class CDatumGrid;

class CCxAdo;

// How a datum reaches WGS 84, as tblTransformations states it.
enum DatumLinkKind : int
{
    kLinkNone = 0,       // EPSG links it to nothing: the row converts as if it coincided with WGS 84
    kLinkCarried = 1,    // the row carries EPSG's transformation
    kLinkNull = 2,       // no parameters, and none needed: null transformations link it to WGS 84
    kLinkNotApplied = 3, // EPSG links it in a form the engine does not apply
    kLinkPivot = 4,      // WGS 84 itself
    kLinkUser = 5,       // a user's datum with parameters of its own
};

// An area of use: EPSG's name and box in degrees; west greater than east crosses the antimeridian.
struct CAreaOfUse
{
    bool known = false;
    std::string name;
    double south = 0;
    double north = 0;
    double west = 0;
    double east = 0;

    // Whether the box, widened by margin degrees on every side, holds the point; an unknown area holds
    // every point (nothing to say it does not).
    bool Contains(double latitude, double longitude, double margin = 0) const;
};

// A datum's transformation to WGS 84.
struct CDatumLink
{
    int datumId = 0;
    std::string datumName;
    int kind = kLinkNone;
    int method = 0;                 // the row's numMethod
    std::string gridFile;           // the row's strFile, for methods 3 to 5
    bool zeroParameters = true;     // all seven parameters zero
    std::string code;               // "EPSG:1314", empty when there is none
    std::string name;               // the transformation's name
    std::optional<double> accuracy; // stated accuracy in metres
    std::string note;               // why a link is not applied, or what a null link is
    CAreaOfUse area;                // the transformation's area of use
    int target = 4326;              // the system its transformation is defined to
    std::string gridAdvice;         // while its file is missing: the national grid that would be used
    std::string gridPath;           // with its national grid in place: the file's path
    // With its national grid in place: the Helmert link that points outside the grid's area take.
    std::shared_ptr<const CDatumLink> outsideGrid;

    // The engine cannot tie the datum to WGS 84: converting across it may be hundreds of metres off.
    bool Unusable() const { return kind == kLinkNone || kind == kLinkNotApplied; }
    // A leg that changes nothing: WGS 84 itself, a null link, or a row of zero parameters.
    bool Null() const;
    // "EPSG:1314 OSGB36 to WGS 84 (6), 2 m", "user parameters", "EPSG:8643, a chain of two operations,
    // not applied", ...: one phrase for the leg.
    std::string Describe() const;
    // The link a point (degrees) takes: for a datum with its national grid in place and a Helmert
    // beside it, the grid inside the grid's area (an area of its own no longer checked) and the
    // Helmert outside it; this link otherwise. Reads the grid file; inside says which.
    CDatumLink AtPoint(double latitude, double longitude, bool& inside) const;
    // "the point lies inside grid F: NAME is used" or "... outside the area of grid F: ... is used";
    // empty for a link without the choice.
    std::string DescribeAtPoint(double latitude, double longitude) const;

private:
    // AtPoint with the grid file already read.
    CDatumLink InGrid(const CDatumGrid& grid, double latitude, double longitude, bool& inside) const;
};

// Reads the datum's row and its transformation. False when the catalogue has no such datum. A
// catalogue without tblTransformations gets it (and tblAreas) from the shipped catalogue first.
// A datum with a national grid (tblDatumGrids) is described as the engine converts it: through
// the grid when its file is in place, else through the row, naming the grid that would be used.
bool LoadDatumLink(int datumId, CDatumLink& link);

// The area of use of a datum (kind 0) or a grid (kind 1); known stays false when the catalogue
// has none.
bool LoadAreaOfUse(int kind, int id, CAreaOfUse& area);

// States what a user's datum (identifier above 50000) rests on: with parameters (method 1 to 5)
// their accuracy in metres (none: unknown); with method None whether the datum coincides with
// WGS 84 (accuracy then that of the coincidence) or its link to WGS 84 is unknown. False for a
// shipped datum, one not in the catalogue, or a failed write.
bool SaveUserDatumLink(int datumId, bool coincides, std::optional<double> accuracy);

// Adds tblTransformations and tblAreas, with the shipped rows, to a catalogue that lacks them (one
// copied by an older version). Returns true when the catalogue has both tables afterwards.
bool AddLinkTables(CCxAdo& ado);

// Copies the rows of a table of the shipped catalogue (columns: its column list) into ado's.
bool CopyShippedRows(CCxAdo& shipped, CCxAdo& ado, const char* table, const char* columns);

// "2 m", "0.05 m": an accuracy in metres as a person reads it.
std::string FormatAccuracy(double metres);
