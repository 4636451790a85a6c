#pragma once

#include <string>
#include <vector>

#include "CxAdo.h"

// The ESRI WKT of a catalogue system, as shapefile readers expect it in a .prj: for gridId 0 the
// datum's geographic system (longitudes from Greenwich in degrees, as the engine writes them),
// otherwise the grid. Shipped rows take the text PROJ's database gives for their EPSG code (table
// tblWkt) while the row still holds the values that text was made from; a row a user added or
// changed, and a catalogue older than that table, get a text composed from the row. Krovak and
// Lambert west orientated grids, whose ESRI form GDAL misplaces, get the WKT1 form GDAL writes,
// with axes (a Krovak grid only without a false origin); a Krovak Modified grid that runs west and
// south gets none, as GDAL reads its ESRI form east and north. False, with
// why, when the catalogue cannot be reached, the row is missing or its projection has no ESRI
// form here.
bool DestinationWkt(int datumId, int gridId, std::string& wkt, std::string& why);

// The same on an open catalogue.
bool CatalogueWkt(CCxAdo& ado, int datumId, int gridId, std::string& wkt, std::string& why);

// The shipped text of a row, only while the row's signature is the one it was made from.
bool ShippedWkt(CCxAdo& ado, int id, bool grid, std::string& wkt);

// The text composed from the catalogue rows of the grid (or datum), its datum, ellipsoid and
// unit.
bool ComposeWkt(CCxAdo& ado, int id, bool grid, std::string& wkt, std::string& why);

// Every grid (or datum) of the catalogue with its .prj text, shipped or composed as CatalogueWkt
// would give it; rows whose projection has no ESRI form are left out.
struct CCatalogueWkt
{
    int id = 0;
    std::string name; // the catalogue's name of the row
    std::string wkt;
};
std::vector<CCatalogueWkt> CatalogueWktTexts(CCxAdo& ado, bool grid);

// The values a row's .prj depends on, one text: integers in %d, doubles in %.17g, ';' between,
// as tools/catalogue/generate_wkt.py writes them into tblWkt.strRow. Empty without the row.
std::string RowSignature(CCxAdo& ado, int id, bool grid);

// Whether the catalogue has the table of shipped texts.
bool HasWktTable(CCxAdo& ado);

// A number as ESRI WKT writes it: the shortest text that reads back the same, with a decimal point.
std::string WktNumber(double value);
