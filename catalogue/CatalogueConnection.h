#pragma once

#include <string>

#include "CxAdo.h"

// Connects ado to the catalogue named by the settings: reads the connection string, creates a
// missing SQLite catalogue file from the shipped one, then Initialize and Connect. False when the
// catalogue cannot be reached; the reason is in ado.LastMessage.
bool OpenCatalogue(CCxAdo& ado);

// For a native SQLite connection string ("Provider=SQLite;Data Source=PATH;") whose file does not
// exist: copies the shipped catalogue <program root>/catalogue.db to PATH, creating its folders.
// The copy is written beside the target and linked into place, so a second thread or process
// never opens a half-written file. The shipped file itself is only read. Returns true when the file
// exists afterwards or the connection is not a SQLite file at all.
bool EnsureCatalogueFile(const std::string& connectionString);

// <program root>/catalogue.db, the catalogue the build ships.
std::string ShippedCatalogueFile();

// The program root with a separator after it; the installation's default root when the setting is
// empty, so the folders below never become relative to the working directory.
std::string ProgramRootFolder();
// <program root>/Data/, where the datums' shift grid files are.
std::string GridFolder();
// <program root>/Flags/, where the country flags are.
std::string FlagFolder();
