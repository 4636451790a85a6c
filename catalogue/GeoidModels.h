#pragma once

#include <string>
#include <vector>

// A row of the catalogue's geoid models: what a height above the geoid in a
// model means and where its grid is.
struct GeoidModelRow
{
    int id = 0;          // the EPSG code of the vertical system where there is one
    std::string name;
    std::string file;    // grid file name, looked for in the grid folders
    int datumId = 0;     // the geographic system the model is defined on
    std::string area;
    double accuracy = 0; // metres, as the model states it
};

// Every geoid model, by identifier. A catalogue made before the table
// existed lacks it; the shipped catalogue's rows stand in for it then. False,
// with message set, when neither can be read.
bool ListGeoidModels(std::vector<GeoidModelRow>& rows, std::string* message = nullptr);
// The model of that identifier; false when there is none.
bool FindGeoidModel(int id, GeoidModelRow& row);

// Where a model's file is looked for, in order: the program's Data folder,
// then <user data folder>/Data/.
std::vector<std::string> GeoidFolders();
// The first of GeoidFolders() holding the file; empty when none does.
std::string FindGeoidFile(const std::string& file);

// A geoid model as a user enters it: the texts as typed, the accuracy in
// metres as the text typed.
struct GeoidModelValues
{
    std::string name;
    std::string file;
    int datumId = 0;
    std::string area;
    std::string accuracy;
};

// Why the values cannot make a model: a name or file missing, a file name
// with a folder in it, a datum the catalogue lacks, an accuracy that is no
// number or below 0; empty when they can.
std::string GeoidModelProblem(const GeoidModelValues& values);
// Saves a model: id 0 adds it under the next identifier above the shipped
// ones, written back to id; any other id rewrites that row. False, id
// untouched and why in message, when GeoidModelProblem names a problem or
// the catalogue refuses the row.
bool SaveGeoidModel(const GeoidModelValues& values, int& id, std::string* message = nullptr);
// Deletes a user's model. A shipped model (identifier up to 50000) is kept:
// false, nothing sent.
bool DeleteGeoidModel(int id);
