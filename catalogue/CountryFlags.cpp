#include "CountryFlags.h"

#include "CatalogueConnection.h"
#include "CatalogueStatements.h"

int CountryImageTable::ImageIndex(int countryId) const
{
    for (int i = 0; i < count; ++i)
        if (ids[static_cast<size_t>(i)] == countryId)
            return i;
    return -1;
}

void LoadCountryFlags(CountryImageTable& table, CFlagImageList& images)
{
    images.Reset();
    table.Clear();
    const std::string folder = FlagFolder();
    const std::string defaultFlag = folder + "world.png";

    CCxAdo ado;
    if (!OpenCatalogue(ado))
        return;
    if (ado.OpenRecordset(CatalogueSql::C2) == 1)
    {
        do
        {
            std::string flag;
            int id = 0;
            ado.GetFieldString("strFlag", flag);
            ado.GetFieldLong("numId", id);
            // An empty name would name the folder itself; go straight to the default.
            const bool added = (!flag.empty() && images.Append(folder + flag)) || images.Append(defaultFlag);
            if (added && table.count < CountryImageTable::kCapacity)
                table.ids[static_cast<size_t>(table.count++)] = id;
        } while (ado.MoveNext() == 1);
    }
    ado.CloseRecordset();
    ado.Disconnect();
    ado.Shutdown();
}
