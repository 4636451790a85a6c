#pragma once

#include <cstdint>
#include <string>

// The settings of one batch run. The wizard's pages write them; the workers
// only read them.
struct BatchSettings
{
    std::int32_t sourceGrid = 0;      // 0 = the source is geographic
    std::int32_t destinationGrid = 0; // 0 = geographic
    std::int32_t sourceDatum = 0;     // for a grid: the grid's datum
    std::int32_t destinationDatum = 0;
    // The codes below are stored as the integers their named values give
    // (ConversionTypes, CoordinateFormats, SeparatorChoices, HeaderLines).
    std::int32_t ConversionType = 0;
    std::int32_t CoordinateFormat = 0;
    std::int32_t SeparatorChoice = 0;
    std::int32_t header = 0;
    std::string sourceFile;
    std::string destinationFile;
    std::string connectionString;
    std::string resolvedSeparator; // found by autodetection, or the fixed one
    std::string table;
    std::int32_t longitudeColumn = 1; // 1-based field numbers in a text line
    std::int32_t latitudeColumn = 2;
    std::int32_t altitudeColumn = 3; // 0 = none
    std::string sourceField1;        // latitude or northing column of a table
    std::string sourceField2;        // longitude or easting
    std::string destinationField1;   // receives the latitude or northing
    std::string destinationField2;   // receives the longitude or easting
    std::string sourceField3;        // the height column of a table; empty: none
    std::string destinationField3;   // receives the height
    // 1: a text file's header line chooses the columns it names, in place of
    // the three column numbers above (those stay for what it does not name).
    std::int32_t columnsFromHeader = 0;
    // 1: a text file's output names the destination system in a comment
    // line (see DescriptionLine).
    std::int32_t describe = 0;
    // A text file's coordinate as one reference field (1-based; 0 = none):
    // read in sourceNotation (in place of the longitude and latitude
    // columns) and written in destinationNotation, MapNotation values with
    // 0 for plain numbers. referenceMetres: side of a written reference's
    // square; utmZone: 0 for the point's own zone.
    std::int32_t notationColumn = 0;
    std::int32_t sourceNotation = 0;
    std::int32_t destinationNotation = 0;
    std::int32_t referenceMetres = 1;
    std::int32_t utmZone = 0;
    // A GIS vector file: the OGR driver to write (empty: the destination's
    // extension names it) and the one layer to convert (empty: every layer).
    std::string vectorFormat;
    std::string vectorLayer;
    // Heights above these geoid models (0: above the ellipsoid); the text
    // converter applies them to the height column.
    std::int32_t sourceGeoid = 0;
    std::int32_t destinationGeoid = 0;
    // Decimals of every coordinate a text file, a table or a text vector
    // format gets written; -1 for the defaults (a text file: 2 for grid units
    // and heights, 6 for degrees; a table: 3 for grid units, 6 for degrees; a
    // vector format: full precision).
    std::int32_t precision = -1;
    // 1: points outside the area of use of their systems are not converted
    // but copied unchanged, as lines that cannot be read are; 0: they are
    // converted, and the run's summary counts them.
    std::int32_t strict = 0;
};

// What a run converts: BatchSettings::ConversionType.
enum ConversionTypes : std::int32_t
{
    CONVERSION_TEXT = 0,      // a text or CSV file
    CONVERSION_SHAPEFILE = 1, // an ESRI shapefile set
    CONVERSION_DATABASE = 2,  // a database table, in place
    CONVERSION_VECTOR = 3,    // a GIS vector file GDAL reads
};

// How a text file writes degrees: BatchSettings::CoordinateFormat (see
// ParseCoordinateText).
enum CoordinateFormats : std::int32_t
{
    COORDINATES_DEGREES = 0,                // DDD.DDDDDD
    COORDINATES_DEGREES_MINUTES = 1,        // DDD MM.MMM
    COORDINATES_DEGREES_MINUTES_PACKED = 2, // DDDMM.MMM
    COORDINATES_DMS = 3,                    // DDD MM SS.SS
    COORDINATES_DMS_PACKED = 4,             // DDDMMSS.SS
};

// A text file's field separator: BatchSettings::SeparatorChoice.
enum SeparatorChoices : std::int32_t
{
    SEPARATOR_AUTODETECT = 0,
    SEPARATOR_COMMA = 1,
    SEPARATOR_SEMICOLON = 2,
    SEPARATOR_PIPE = 3,
    SEPARATOR_SPACE = 4,
    SEPARATOR_TAB = 5,
};

// Whether a text file's first line holds column headers: BatchSettings::header.
enum HeaderLines : std::int32_t
{
    HEADER_NONE = 0,
    HEADER_FIRST_LINE = 1,
};
