#include "CatalogueConnection.h"

#include <atomic>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "ConnectionString.h"
#include "Paths.h"
#include "Settings.h"

namespace fs = std::filesystem;

namespace {

std::string WithSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// The SQLite file a connection string opens natively, or empty.
std::string NativeSqliteFile(const std::string& connectionString)
{
    const CConnectionString parsed(connectionString);
    std::string provider = parsed.Get("Provider");
    for (char& c : provider)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (provider != "sqlite")
        return std::string();
    return parsed.Get("Data Source");
}

} // namespace

std::string ProgramRootFolder()
{
    CCxString root;
    ReadProgramRoot(root);
    std::string folder = root.str();
    if (folder.empty())
        folder = DefaultProgramRoot();
    return WithSeparator(folder);
}

std::string GridFolder()
{
    return ProgramRootFolder() + "Data/";
}

std::string FlagFolder()
{
    return ProgramRootFolder() + "Flags/";
}

std::string ShippedCatalogueFile()
{
    return ProgramRootFolder() + "catalogue.db";
}

bool EnsureCatalogueFile(const std::string& connectionString)
{
    const std::string file = NativeSqliteFile(connectionString);
    if (file.empty())
        return true;
    std::error_code error;
    if (fs::exists(file, error))
        return true;

    const std::string shipped = ShippedCatalogueFile();
    if (!fs::is_regular_file(shipped, error))
        return false;
    const fs::path target(file);
    if (target.has_parent_path() && !EnsureFolder(target.parent_path().string()))
        return false;

    static std::atomic<unsigned> sequence{0};
    const fs::path part = target.string() + ".part-" + std::to_string(::getpid()) + "-" +
                          std::to_string(sequence.fetch_add(1));
    if (!fs::copy_file(shipped, part, fs::copy_options::overwrite_existing, error))
        return false;
    // The shipped file is read-only; the user's copy is theirs to change.
    fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, error);
    // link() refuses an existing target, so when two tasks race only the first copy becomes the
    // catalogue and nobody's open connection loses its file.
    const bool linked = ::link(part.c_str(), target.c_str()) == 0;
    fs::remove(part, error);
    if (!linked)
        return fs::exists(target, error);
    return true;
}

bool OpenCatalogue(CCxAdo& ado)
{
    CCxString connection;
    ReadConnectionString(connection);
    EnsureCatalogueFile(connection.str());
    if (ado.Initialize() != 0)
        return false;
    if (ado.Connect(connection) != 0)
    {
        ado.Shutdown();
        return false;
    }
    return true;
}
