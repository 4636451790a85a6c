#pragma once

#include <string>

#include "CxAdo.h"

// What a converted text file may say about the system its coordinates are in: the catalogue's
// name of the grid (or, for gridId 0, of the datum) and the EPSG code of that system, 0 when it
// has none. A shipped row is the EPSG system of its identifier only while it still holds the
// values it was shipped with (as far as tblWkt can tell) and, for a datum, while longitudes from
// Greenwich in degrees are what its EPSG system counts: the engine writes those whatever the
// datum's prime meridian. A user's row has no code. False, with why, when the catalogue cannot
// be reached or the row is missing.
bool DestinationDescription(int datumId, int gridId, std::string& name, int& epsg, std::string& why);

// The same on an open catalogue.
bool CatalogueDescription(CCxAdo& ado, int datumId, int gridId, std::string& name, int& epsg, std::string& why);
