#include "DatabaseTables.h"

#include "CxAdo.h"

namespace {

// The nameField of every row of a schema query whose matchField holds
// match: the tables of type "TABLE", the columns of one table.
bool ListSchemaNames(const std::string& connectionString, int kind, const char* matchField, const std::string& match,
                     const char* nameField, std::vector<std::string>& names, std::string* message)
{
    names.clear();
    CCxAdo ado;
    bool read = ado.Initialize() == 0 && ado.Connect(connectionString.c_str()) == 0;
    if (read)
    {
        const int found = ado.OpenSchema(kind);
        for (int row = found; row == 1; row = ado.MoveNext())
        {
            std::string value;
            std::string name;
            if (ado.GetFieldString(matchField, value) == 1 && value == match &&
                ado.GetFieldString(nameField, name) == 1)
                names.push_back(name);
        }
        read = found >= 0;
        ado.CloseRecordset();
    }
    if (!read)
    {
        names.clear();
        if (message != nullptr)
            *message = ado.LastMessage.str();
    }
    ado.Disconnect();
    ado.Shutdown();
    return read;
}

} // namespace

bool ListDatabaseTables(const std::string& connectionString, std::vector<std::string>& tables, std::string* message)
{
    return ListSchemaNames(connectionString, SchemaTables, "TABLE_TYPE", "TABLE", "TABLE_NAME", tables, message);
}

bool ListTableColumns(const std::string& connectionString, const std::string& table,
                      std::vector<std::string>& columns, std::string* message)
{
    return ListSchemaNames(connectionString, SchemaColumns, "TABLE_NAME", table, "COLUMN_NAME", columns, message);
}

bool TestDatabaseConnection(const std::string& connectionString, std::string& message)
{
    CCxAdo ado;
    const bool connected = ado.Initialize() == 0 && ado.Connect(connectionString.c_str()) == 0;
    if (!connected)
        message = ado.LastMessage.str();
    ado.Disconnect();
    ado.Shutdown();
    return connected;
}
