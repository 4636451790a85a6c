#include "CatalogueUpgradeNotice.h"

#include <string>

#include "CatalogueUpgrade.h"
#include "Messages.h"

void UpgradeCatalogueAndSaySo()
{
    const CCatalogueUpgrade upgrade = UpgradeUserCatalogue(false);
    if (!upgrade.done)
        return;
    std::string text;
    for (const std::string& line : upgrade.Summary(false))
        text += (text.empty() ? "" : "\n") + line;
    ShowMessageText("The catalogue was brought up to date with this version: " + text);
}
