#pragma once

#include <string>
#include <vector>

#include "CxAdo.h"

// One node of a WKT text: KEYWORD["text", number, CHILD[...], ...].
struct CWktNode
{
    std::string keyword;                 // upper case
    std::vector<std::string> texts;      // quoted values, in order
    std::vector<double> numbers;         // unquoted values, in order
    std::vector<CWktNode> children;
    const CWktNode* Child(const char* keyword) const;
};

// Parses WKT1 (OGC, ESRI) or WKT2 into root; false for a text that is not one well-formed node.
// Bounded: at most 64 kB and 32 levels.
bool ParseWkt(const std::string& text, CWktNode& root);

// What a .prj describes, reduced to the values that decide where coordinates land.
struct CPrjSystem
{
    bool projected = false;
    std::string name, datumName, projection; // names reduced to lower-case letters and digits
    double a = 0, rf = 0;
    double primeMeridian = 0;   // degrees
    double angularUnit = 0;     // radians per unit
    double linearUnit = 1;      // metres per unit
    std::vector<std::pair<std::string, double>> parameters; // canonical names, sorted
    int epsg = 0;               // the root's EPSG code, 0 without one
};

bool DescribeWkt(const std::string& text, CPrjSystem& system);

// Whether two descriptions put coordinates in the same places: the same kind, ellipsoid, prime
// meridian, units, projection method and parameters, within tolerances far below a millimetre.
bool SameSystem(const CPrjSystem& a, const CPrjSystem& b);

// The catalogue system a .prj describes, looked for in this order: the EPSG code the WKT carries,
// the name, the parameters. A candidate found by code or name must also agree in its parameters.
struct CPrjMatch
{
    int gridId = 0;   // 0 for a geographic system
    int datumId = 0;  // the grid's datum, or the geographic system itself
    std::string name; // the catalogue's name
    std::string how;  // "EPSG code", "name" or "parameters"
};
bool MatchPrj(const std::string& wkt, CPrjMatch& match, std::string& why);
bool MatchPrj(CCxAdo& ado, const std::string& wkt, CPrjMatch& match, std::string& why);
