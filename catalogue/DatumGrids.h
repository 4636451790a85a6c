#pragma once

#include <string>

#include "CfgMapProjection.h"

// A national shift grid that makes a datum exact where its Helmert
// parameters are good to metres.
struct DatumGridRow
{
    int datumId = 0;
    std::string file;
    std::string transformation;
    double accuracy = 0; // metres
};

// The grid row of a datum; false when it has none or the catalogue has no
// such table.
bool FindDatumGrid(int datumId, DatumGridRow& row);

// Turns a datum record loaded from its row to its national grid when the
// grid's file lies in one of the grid folders (see GeoidFolders); the record
// is left as it was otherwise. A record that had Helmert parameters keeps
// them for the points outside the grid's area (outsideGridMethod).
void PreferDatumGrid(int datumId, CCfgMapProjection& record);
