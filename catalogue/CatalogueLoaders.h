#pragma once

#include "CfgMapProjection.h"
#include "ConvertCoordinate.h"

// Fills the datum part of record from the catalogue: ellipsoid, transformation to WGS 84, datum
// identifier and the shift grid file under the program root's Data folder. With no such datum, or
// no catalogue, the record stays as it was. A datum alone takes no prime meridian into account.
// A datum with a national grid (tblDatumGrids) whose file is in place is given that grid instead of
// its Helmert parameters.
void LoadDatumRecord(int datumId, CCfgMapProjection& record);

// Fills the grid part of record (the projection code translated to the engine's identifier, the
// longitude of origin counted from Greenwich) and then its datum part from the grid's datum.
void LoadGridRecord(CCfgMapProjection& record, int gridId);

// The loader ConvertCoordinate uses in the program: every record from the catalogue.
class CCatalogueRecordLoader : public CRecordLoader
{
public:
    void LoadGridRecord(int gridId, CCfgMapProjection& record) override;
    void LoadDatumRecord(int datumId, CCfgMapProjection& record) override;
};
