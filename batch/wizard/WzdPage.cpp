#include "WzdPage.h"

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
