#pragma once

#include <string>

#include "CxString.h"

// Name lookups. Identifier 0 gives the "none selected" text without touching the database, an
// identifier without a row the "Unknown ..." text; when the catalogue cannot be reached the text is
// left as it was.
void LookupGridName(int gridId, CCxString& name);
void LookupDatumName(int datumId, CCxString& name);
void LookupEllipsoidName(int ellipsoidId, CCxString& name);
void LookupMeridianName(int meridianId, CCxString& name);
void LookupCountryName(int countryId, CCxString& name);

// The unit name of a grid; empty when the grid or its unit has no row.
void LookupGridUnitName(int gridId, CCxString& name);

// The numFields mask of a projection type; 0 for identifier 0, a missing row or no catalogue.
void LookupProjectionFields(int projectionId, int& fields);

// 0 only when the catalogue answers that no grid names the country; 1 otherwise, so a catalogue
// that cannot be reached never lets a country in use look free.
void CountryHasGrids(int countryId, int& hasGrids);

// The identifier for a user's new row from one of the MAX statements (E4, D5, G6, C6): the
// largest identifier above the shipped ones plus one, 50001 for the first. False, with id
// untouched, when the catalogue cannot be reached or the statement fails.
bool NextUserIdentifier(const char* maxStatement, long& id);

// Runs one INSERT, UPDATE or DELETE on the catalogue: 0, or -1 when the catalogue cannot be
// reached, the statement fails, or sql is empty (a statement whose numbers did not read as numbers
// is never sent).
int RunCatalogueStatement(const std::string& sql);
