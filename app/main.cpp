#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "CatalogueUpgradeNotice.h"
#include "GeolynxApp.h"
#include "GeolynxDlg.h"
#include "GuiMessagePresenter.h"

namespace {

// Qt's own message for a missing display is a page of plugin names; say in
// one line what to do instead.
bool HasDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0')
        return true;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
    {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplay())
    {
        std::fprintf(stderr, "geolynx: no display found; start it under a virtual one with: xvfb-run -a %s\n",
                     argv[0]);
        return 1;
    }
    CGeolynxApp app;
    QApplication qt(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Veltrix"));
    QApplication::setApplicationName(QStringLiteral("Veltrix Geolynx"));
    // Numbers are read and written with "." whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");

    CGuiMessagePresenter presenter;
    SetMessagePresenter(&presenter);
    CGeolynxDlg window(app, CurrentConfigurationPath());
    window.show();
    UpgradeCatalogueAndSaySo();
    const int result = qt.exec();
    SetMessagePresenter(nullptr);
    return result;
}
