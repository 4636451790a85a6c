#pragma once

#include <string>
#include <vector>

// The tables of a user's database and their columns, as the batch wizard
// offers them for a table conversion. Each opens, uses and closes its own
// connection. False, with the lists empty and the database's reason in
// message when one is given, when the database cannot be reached or does
// not answer the schema query.

// The base tables (views and system tables left out), in the order the
// database gives them.
bool ListDatabaseTables(const std::string& connectionString, std::vector<std::string>& tables,
                        std::string* message = nullptr);

// The columns of one table, by their names compared byte for byte, in the
// order the database gives them; empty for a table the database does not
// hold.
bool ListTableColumns(const std::string& connectionString, const std::string& table,
                      std::vector<std::string>& columns, std::string* message = nullptr);

// Whether the database answers a connection; false with its reason.
bool TestDatabaseConnection(const std::string& connectionString, std::string& message);
