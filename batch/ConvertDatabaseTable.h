#pragma once

#include <string>
#include <vector>

#include "BatchSettings.h"
#include "CxValue.h"

class CBatchRunControl;

// What a source field of a record holds.
enum class CoordinateValue
{
    Number,    // a finite number: an integer, a floating-point or decimal value, or text holding one
    Empty,     // NULL or blank text
    NotNumber, // anything else (other text, dates, NaN, infinities)
};

// Reads a coordinate from a field's value; number is 0 unless it is a Number.
CoordinateValue ReadCoordinateValue(const CCxValue& value, double& number);

// A table or column name as an SQL identifier: in double quotes, a double
// quote inside doubled.
std::string QuoteIdentifier(const std::string& name);

// The preview's rows for a table: of at most 25 records, the easting or
// longitude (source field 2) and the northing or latitude (source field 1),
// formatted with two or six decimals, the last record read first; a third,
// empty column when the preview shows an altitude column. A failure shows
// the database's message and keeps the rows read so far.
std::vector<std::vector<std::string>> PreviewDatabaseTable(const BatchSettings& settings);

// Worker: converts the table in place from the two source columns into the
// two destination columns. Records are read from a forward-only cursor and
// written in blocks, each block whole or not at all, so a record is either
// converted in both destination columns or unchanged; a SQLite file's
// blocks are committed about once a second, a server's block by block. A record whose source fields are
// empty, are not numbers or cannot be converted is left unchanged and
// counted. With a height field to read and one to write (sourceField3,
// destinationField3) the height is converted with the point, through the
// sides' geoid models; heights above a geoid without them are refused. A
// cancellation saves the records read so far; a failure gives up the block
// it happened in, saves the blocks before it and says how many records were
// saved.
void ConvertDatabaseTable(CBatchRunControl& run);
