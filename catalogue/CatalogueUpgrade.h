#pragma once

#include <string>
#include <vector>

class CCxAdo;

// What bringing a user's catalogue up to the shipped one did, or would do.
struct CCatalogueUpgrade
{
    bool needed = false;              // the user's catalogue is older than the shipped one
    bool done = false;                // written (false on a dry run or a failure)
    int updated = 0;                  // shipped rows brought up to date
    int added = 0;                    // rows new in this release
    std::vector<std::string> kept;    // "datum 4277 OSGB36": shipped rows the user changed, left alone
    bool tablesAdded = false;         // transformations and areas added
    bool heightTablesAdded = false;   // geoid models and datum grids added
    std::string failure;              // why it could not be done

    // One or two lines saying what was (or would be) updated and kept; empty when nothing was needed.
    std::vector<std::string> Summary(bool dryRun) const;
};

// Brings the catalogue ado is connected to up to the shipped catalogue when it is older: shipped
// rows (identifiers up to 50000) of ellipsoids, datums and grids that still hold a value some
// release shipped take this release's; rows the user changed, and every row the user added, stay
// as they are; new shipped rows and the transformation and area tables are added, then the record
// of what was shipped. With dryRun nothing is written.
CCatalogueUpgrade UpgradeCatalogue(CCxAdo& ado, bool dryRun);

// The same on the catalogue the settings name.
CCatalogueUpgrade UpgradeUserCatalogue(bool dryRun);

// FNV-1a (64 bits, 16 hex digits) of a row's values joined by "|": integers as such, doubles as
// "%.17g", texts as they are; the generator records the same for every row it ships.
std::string RowSignatureOf(const std::vector<std::string>& values);

// The signature of the current row of ado's open recordset over the named columns (a comma
// separated list, in the order the record of shipped rows uses); numId is the given id, which a
// statement joining several tables holds more than once.
std::string CurrentRowSignature(CCxAdo& ado, int id, const char* columns);

// The columns of a datum row, in that order.
extern const char* const kDatumSignatureColumns;
