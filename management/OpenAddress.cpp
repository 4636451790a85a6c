#include "OpenAddress.h"

#include <QDesktopServices>
#include <QUrl>

#include "Messages.h"

void OpenAddress(const QString& url, const char* what)
{
    if (QDesktopServices::openUrl(QUrl(url)))
        return;
    std::string text = LoadMessage(IDS_MAP_NOT_OPENED);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, std::string(what) + " is at:\n" + url.toStdString());
    MessagePresenter().Show(IDS_MAP_NOT_OPENED, text);
}
