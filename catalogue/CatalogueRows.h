#pragma once

#include <string>
#include <vector>

#include "CatalogueStatements.h"

// Catalogue rows as typed values, read by the catalogue module so that the
// dialogs, the wizard and the command line hold no SQL of their own.

enum class RowPresence
{
    Present,
    Absent,     // the catalogue answered and holds no such row
    Unreachable // the catalogue could not be asked
};

// Whether a grid or a datum of this identifier is in the catalogue.
RowPresence FindGridRow(int gridId);
RowPresence FindDatumRow(int datumId);

// An identifier with its name, as the selection lists show them.
struct NamedRow
{
    int id = 0;
    std::string name;
};

// The rows of a list, in the order of the catalogue's list statement (E2,
// D3, C3, M2, U1, P1; grids as G3 by country, optionally of one country or
// datum, 0 for all). False, with rows empty and the reason in message when
// one is given, when the catalogue cannot be reached or the statement fails.
bool ListEllipsoids(std::vector<NamedRow>& rows, std::string* message = nullptr);
bool ListDatums(std::vector<NamedRow>& rows, std::string* message = nullptr);
bool ListGrids(int countryFilter, int datumFilter, std::vector<NamedRow>& rows, std::string* message = nullptr);
bool ListCountries(std::vector<NamedRow>& rows, std::string* message = nullptr);
bool ListMeridians(std::vector<NamedRow>& rows, std::string* message = nullptr);
bool ListUnits(std::vector<NamedRow>& rows, std::string* message = nullptr);
bool ListProjections(std::vector<NamedRow>& rows, std::string* message = nullptr);

// The rows the catalogue dialogs show and edit whole. A row read back holds
// the numbers as the catalogue stores them; a row to save holds them as the
// texts the user typed (EllipsoidValues and its kind in CatalogueStatements.h),
// so nothing is rounded on the way.

struct EllipsoidRow
{
    std::string name;
    double axisA = 0.0;
    double inverseFlattening = 0.0;
};

struct DatumRow
{
    std::string name;
    std::string file;
    int ellipsoid = 0;
    std::string ellipsoidName;
    int prime = 0;
    std::string meridianName;
    int method = 0;
    double scaleFactor = 0.0;
    double deltaX = 0.0;
    double deltaY = 0.0;
    double deltaZ = 0.0;
    double rotationX = 0.0;
    double rotationY = 0.0;
    double rotationZ = 0.0;
};

struct GridRow
{
    std::string name;
    int country = 0;
    int projection = 0;
    int datum = 0;
    int units = 0;
    double scale = 0.0;
    double falseEasting = 0.0;
    double falseNorthing = 0.0;
    double latitudeOrigin = 0.0;
    double longitudeOrigin = 0.0;
    double parallelNorth = 0.0;
    double parallelSouth = 0.0;
    double azimuth = 0.0;
    double rectifiedGrid = 0.0;
};

struct CountryRow
{
    std::string name;
    std::string flag;
};

// A prime meridian as its list shows it.
struct MeridianRow
{
    int id = 0;
    std::string name;
    double longitude = 0.0;
};

// A grid as the grid list shows it: with its country, for the flag.
struct GridListRow
{
    int id = 0;
    std::string name;
    int country = 0;
    std::string countryName;
};

// One whole row by identifier (E3, D4 with its ellipsoid's and meridian's
// names, G5, C5). False, row untouched, when there is no such row or the
// catalogue cannot be asked.
bool LoadEllipsoid(int id, EllipsoidRow& row);
bool LoadDatum(int id, DatumRow& row);
bool LoadGrid(int id, GridRow& row);
bool LoadCountry(int id, CountryRow& row);

// Every prime meridian with its longitude (M2), in the statement's order.
bool ListMeridianRows(std::vector<MeridianRow>& rows, std::string* message = nullptr);
// The grid list (G3) with a country and datum filter (0 for none) in the
// order of a sort column and direction as ComposeGridListQuery takes them.
bool ListGridRows(int countryFilter, int datumFilter, int sortColumn, int direction, std::vector<GridListRow>& rows,
                  std::string* message = nullptr);

// Saves a row: id 0 adds it under the next user identifier (above the
// shipped ones), which is written back to id; any other id rewrites that
// row. False, id untouched, with the reason in message when one is given,
// when a number text does not read as a number (nothing is sent), the
// catalogue cannot be reached or refuses the statement.
bool SaveEllipsoid(const EllipsoidValues& values, int& id, std::string* message = nullptr);
bool SaveDatum(const DatumValues& values, int& id, std::string* message = nullptr);
bool SaveGrid(const GridValues& values, int& id, std::string* message = nullptr);
bool SaveCountry(const CountryValues& values, int& id, std::string* message = nullptr);

// How many rows use a row: the datums on an ellipsoid, the grids on a
// datum; -1 when the catalogue cannot tell.
int DatumsUsingEllipsoid(int ellipsoidId);
int GridsUsingDatum(int datumId);

// Deletes the row of an identifier (E7, D8, G9, C9). True when the statement
// ran, also when there was no such row. An ellipsoid that datums use and a
// datum that grids use (or whose users cannot be counted) are kept: false,
// and nothing is sent, as their users would be left pointing at nothing.
bool DeleteEllipsoid(int id);
bool DeleteDatum(int id);
bool DeleteGrid(int id);
bool DeleteCountry(int id);
