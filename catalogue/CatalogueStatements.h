#pragma once

#include <string>

// Every SQL text the program sends to the catalogue, in one place. The texts run unchanged on
// SQLite and PostgreSQL (unquoted identifiers, which both treat without regard to case). %ld takes
// a catalogue identifier, %s a text: texts go in through QuoteSqlText, numbers a user typed only
// after IsSqlNumber accepted them.
namespace CatalogueSql {

inline constexpr const char* U1 = "SELECT numId, strUnit FROM tblUnits";
inline constexpr const char* U2 = "SELECT tblUnits.strUnit FROM tblGrids INNER JOIN tblUnits ON tblGrids.numUnits = "
                                  "tblUnits.numID WHERE ( tblGrids.numId = %ld )";

inline constexpr const char* P1 = "SELECT numId, strProjection FROM tblProjections";
inline constexpr const char* P2 = "SELECT numFields FROM tblProjections where (numId = %ld)";

inline constexpr const char* E1 = "SELECT strEllipsoid FROM tblEllipsoids where (numId = %ld)";
inline constexpr const char* E2 = "SELECT numId, strEllipsoid FROM tblEllipsoids";
inline constexpr const char* E3 = "SELECT * FROM tblEllipsoids where (numId=%ld)";
inline constexpr const char* E4 = "SELECT MAX(numId) as numRecord FROM tblEllipsoids WHERE numID > 50000";
inline constexpr const char* E5 = "INSERT INTO tblEllipsoids ( numId, strEllipsoid, dblAxisA, dblInverseFlattening ) "
                                  "VALUES ( %ld, '%s', %s, %s )";
inline constexpr const char* E6 = "UPDATE tblEllipsoids SET strEllipsoid = '%s', dblAxisA = %s, dblInverseFlattening = "
                                  "%s WHERE ( numId = %ld )";
inline constexpr const char* E7 = "DELETE FROM tblEllipsoids WHERE ( numId = %ld )";

inline constexpr const char* M1 = "SELECT strMeridian FROM tblPrimeMeridians WHERE (numId = %ld)";
inline constexpr const char* M2 = "SELECT * FROM tblPrimeMeridians";

inline constexpr const char* D1 = "SELECT strDatum FROM tblDatums where (numId = %ld)";
inline constexpr const char* D2 =
    "SELECT tblDatums.*, tblEllipsoids.*, tblPrimeMeridians.* FROM tblPrimeMeridians INNER JOIN (tblEllipsoids "
    "INNER JOIN tblDatums ON tblEllipsoids.numId=tblDatums.numEllipsoid) ON "
    "tblPrimeMeridians.numId=tblDatums.numPrime WHERE (tblDatums.numId = %ld)";
inline constexpr const char* D3 = "SELECT * FROM tblDatums ORDER BY strDatum";
// Two blanks before "where".
inline constexpr const char* D4 =
    "SELECT tblDatums.*, tblEllipsoids.*, tblPrimeMeridians.* FROM tblPrimeMeridians INNER JOIN (tblEllipsoids "
    "INNER JOIN tblDatums ON tblEllipsoids.numId = tblDatums.numEllipsoid) ON tblPrimeMeridians.numId = "
    "tblDatums.numPrime  where (tblDatums.numId=%ld)";
inline constexpr const char* D5 = "SELECT MAX(numId) as numRecord FROM tblDatums WHERE numID > 50000";
inline constexpr const char* D6 =
    "INSERT INTO tblDatums ( numId, strDatum, strFile, numEllipsoid, numPrime, numMethod, dblScaleFactor, "
    "dblDeltaX, dblDeltaY, dblDeltaZ, dblRotationX, dblRotationY, dblRotationZ ) VALUES ( %ld, '%s', '%s', %ld, "
    "%ld, %ld, %s, %s, %s, %s, %s, %s, %s )";
inline constexpr const char* D7 =
    "UPDATE tblDatums SET strDatum='%s', strFile='%s', numEllipsoid = %ld, numPrime = %ld, numMethod = %ld, "
    "dblScaleFactor = %s, dblDeltaX = %s, dblDeltaY = %s, dblDeltaZ = %s, dblRotationX = %s, dblRotationY = %s, "
    "dblRotationZ = %s WHERE ( numId = %ld )";
inline constexpr const char* D8 = "DELETE FROM tblDatums WHERE ( numId = %ld )";

inline constexpr const char* G1 = "SELECT strGrid FROM tblGrids where (numId = %ld)";
inline constexpr const char* G2 =
    "SELECT tblGrids.*, tblPrimeMeridians.dblLongitude FROM tblPrimeMeridians INNER JOIN (tblDatums INNER JOIN "
    "tblGrids ON tblDatums.numId = tblGrids.numDatum) ON tblPrimeMeridians.numId = tblDatums.numPrime WHERE ( "
    "tblGrids.numId = %ld );";
// G3 is composed by ComposeGridListQuery from these pieces.
inline constexpr const char* G3_SELECT = "SELECT tblGrids.*, tblDatums.strDatum, tblCountries.strCountry ";
inline constexpr const char* G3_FROM =
    "FROM tblDatums INNER JOIN (tblCountries INNER JOIN tblGrids ON tblCountries.numId = tblGrids.numCountry) ON "
    "tblDatums.numId = tblGrids.numDatum";
inline constexpr const char* G3_COUNTRY_AND_DATUM = " WHERE ( numCountry = %ld AND numDatum = %ld )";
inline constexpr const char* G3_COUNTRY = " WHERE ( numCountry = %ld )";
inline constexpr const char* G3_DATUM = " WHERE ( numDatum = %ld )";
inline constexpr const char* G3_ORDER_ID = " ORDER BY tblGrids.numId";
inline constexpr const char* G3_ORDER_COUNTRY = " ORDER BY tblCountries.strCountry";
inline constexpr const char* G3_ORDER_NAME = " ORDER BY tblGrids.strGrid";
inline constexpr const char* G3_ASC = " ASC";
inline constexpr const char* G3_DESC = " DESC";
inline constexpr const char* G3_THEN_COUNTRY = " ,tblGrids.strGrid DESC, tblDatums.strDatum DESC";
inline constexpr const char* G3_THEN_NAME = " ,tblDatums.strDatum DESC, tblCountries.strCountry DESC";
inline constexpr const char* G4 = "SELECT MAX(numId) AS numLast FROM tblGrids";
inline constexpr const char* G5 = "SELECT * FROM tblGrids where (numId=%ld)";
inline constexpr const char* G6 = "SELECT MAX(numId) as numRecord FROM tblGrids WHERE numID > 50000";
inline constexpr const char* G7 =
    "INSERT INTO tblGrids ( numId, strGrid, numCountry, numProjection, numDatum, numUnits,dblScale, "
    "dblFalseEasting, dblFalseNorthing, dblLatitudeOrigin, dblLongitudeOrigin, dblParallelNorth, "
    "dblParallelSouth, dblAzimuth, dblRectifiedGrid ) VALUES ( %ld, '%s', %ld, %ld, %ld, %ld, %s, %s, %s, %s, %s, "
    "%s, %s, %s, %s )";
inline constexpr const char* G8 =
    "UPDATE tblGrids SET strGrid = '%s', numCountry = %ld, numProjection = %ld, numDatum = %ld, numUnits = %ld, "
    "dblScale = %s, dblFalseEasting = %s, dblFalseNorthing = %s, dblLatitudeOrigin = %s, dblLongitudeOrigin = %s, "
    "dblParallelNorth = %s, dblParallelSouth = %s, dblAzimuth = %s, dblRectifiedGrid = %s WHERE ( numId = %ld )";
inline constexpr const char* G9 = "DELETE FROM tblGrids WHERE ( numId = %ld )";

inline constexpr const char* C1 = "SELECT strCountry FROM tblCountries where (numId = %ld)";
inline constexpr const char* C2 = "SELECT * FROM tblCountries ORDER BY strCountry";
inline constexpr const char* C3 = "SELECT numId, strCountry FROM tblCountries ORDER BY strCountry";
inline constexpr const char* C4 = "SELECT MAX(numId) AS numLast FROM tblCountries";
inline constexpr const char* C5 = "SELECT * FROM tblCountries where (numId=%ld)";
inline constexpr const char* C6 = "SELECT MAX(numId) as numRecord FROM tblCountries WHERE numID > 50000";
inline constexpr const char* C7 = "INSERT INTO tblCountries ( numId, strCountry, strFlag ) VALUES ( %ld, '%s', '%s' )";
inline constexpr const char* C8 = "UPDATE tblCountries SET strCountry = '%s', strFlag = '%s' WHERE ( numId = %ld )";
inline constexpr const char* C9 = "DELETE FROM tblCountries WHERE ( numId = %ld )";
inline constexpr const char* C10 = "SELECT * FROM tblGrids WHERE ( numCountry = %ld)";

} // namespace CatalogueSql

// Shipped rows have identifiers up to this one; users' rows get the identifiers above it.
inline constexpr long kLastShippedId = 50000;

// A statement with one or two identifiers in place of its %ld.
std::string FormatStatement(const char* statement, long id);
std::string FormatStatement(const char* statement, long first, long second);

// A text as it goes between the single quotes of a literal: every quote doubled, so a name such
// as "Côte d'Ivoire" saves as typed.
std::string QuoteSqlText(const std::string& text);

// True when text, blanks around it aside, is a decimal number that SQLite and PostgreSQL both read
// as a number literal: an optional sign, digits with at most one decimal point, an optional
// exponent. Anything else ("1,5", "12abc", "", "nan") would make the statement fail or write
// something other than a number.
bool IsSqlNumber(const std::string& text);

// The values a dialog collects for one row: identifiers as numbers, texts as typed, the doubles as
// the texts the user typed.
struct EllipsoidValues
{
    std::string name;
    std::string axisA;
    std::string inverseFlattening;
};

struct DatumValues
{
    std::string name;
    std::string file;
    long ellipsoid = 0;
    long prime = 0;
    long method = 0;
    std::string scaleFactor;
    std::string deltaX;
    std::string deltaY;
    std::string deltaZ;
    std::string rotationX;
    std::string rotationY;
    std::string rotationZ;
};

struct GridValues
{
    std::string name;
    long country = 0;
    long projection = 0;
    long datum = 0;
    long units = 0;
    std::string scale;
    std::string falseEasting;
    std::string falseNorthing;
    std::string latitudeOrigin;
    std::string longitudeOrigin;
    std::string parallelNorth;
    std::string parallelSouth;
    std::string azimuth;
    std::string rectifiedGrid;
};

struct CountryValues
{
    std::string name;
    std::string flag;
};

// The INSERT and UPDATE statements E5/E6, D6/D7, G7/G8, C7/C8. Each returns false and leaves sql
// empty when a number text does not read as a number: such a statement is never sent.
bool FormatEllipsoidInsert(long id, const EllipsoidValues& values, std::string& sql);
bool FormatEllipsoidUpdate(long id, const EllipsoidValues& values, std::string& sql);
bool FormatDatumInsert(long id, const DatumValues& values, std::string& sql);
bool FormatDatumUpdate(long id, const DatumValues& values, std::string& sql);
bool FormatGridInsert(long id, const GridValues& values, std::string& sql);
bool FormatGridUpdate(long id, const GridValues& values, std::string& sql);
bool FormatCountryInsert(long id, const CountryValues& values, std::string& sql);
bool FormatCountryUpdate(long id, const CountryValues& values, std::string& sql);

// G3: the grid list with an optional country and datum filter (0 = none) and a sort column
// (0 none, 1 identifier, 2 country, 3 name) in direction 0 ascending or 1 descending.
std::string ComposeGridListQuery(long countryFilter, long datumFilter, int sortColumn, int direction);
