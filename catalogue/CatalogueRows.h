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
