#include "WzdPage.h"

#include "BatchMessages.h"
#include "Messages.h"
#include "WzdSheet.h"

CWzdPage::CWzdPage(CWzdSheet& sheet_, const char* caption, const char* headerTitle) : sheet(sheet_)
{
    // The caption names the page; the header shows the header title.
    setWindowTitle(QString::fromUtf8(caption));
    setTitle(QString::fromUtf8(headerTitle));
}

BatchSettings& CWzdPage::Settings() const
{
    return sheet.settings;
}

bool CWzdPage::FileNamesUsable(const std::string& source, const std::string& destination)
{
    if (source.empty() || destination.empty())
    {
        ShowMessage(IDS_BATCH_NO_FILENAME);
        return false;
    }
    if (source == destination)
    {
        ShowMessage(IDS_BATCH_SAME_FILE);
        return false;
    }
    return true;
}
