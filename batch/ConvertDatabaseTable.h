#pragma once

#include <string>
#include <vector>

#include "BatchSettings.h"

class CBatchRunControl;

// A table or column name as an SQL identifier: in double quotes, a double
// quote inside doubled.
std::string QuoteIdentifier(const std::string& name);

// The preview's rows for a table: of at most 25 records, the easting or
// longitude (source field 2) and the northing or latitude (source field 1),
// formatted with two or six decimals, the last record read first; a third,
// empty column when the preview shows an altitude column. A failure shows
// the database's message and keeps the rows read so far.
std::vector<std::vector<std::string>> PreviewDatabaseTable(const BatchSettings& settings);

// Worker: converts the table in place, record by record, from the two source
// columns into the two destination columns.
void ConvertDatabaseTable(CBatchRunControl& run);
