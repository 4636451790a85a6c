#pragma once

#include <string>
#include <vector>

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

// The rows of a list, in the order the catalogue returns them. False, with
// rows empty, when the catalogue cannot be reached or the statement fails.
bool ListEllipsoids(std::vector<NamedRow>& rows);
bool ListDatums(std::vector<NamedRow>& rows);
bool ListGrids(std::vector<NamedRow>& rows);
bool ListCountries(std::vector<NamedRow>& rows);
bool ListMeridians(std::vector<NamedRow>& rows);
