#include "WzdSheet.h"

#include <QFileDialog>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include "DialogText.h"
#include "WizardContext.h"
#include "WzdPage.h"
#include "WzdTypePage.h"
#include "WzdFilesPage.h"
#include "WzdDataSourcePage.h"
#include "WzdSourceSystemPage.h"
#include "WzdDestinationSystemPage.h"
#include "WzdTextLayoutPage.h"
#include "WzdTablePage.h"
#include "WzdVectorFilesPage.h"
#include "WzdPreviewPage.h"
#include "WzdStartPage.h"

#include "Choosers.h"

namespace {

// The header image: the program's icon on the wizard's banner.
QPixmap HeaderImage(const QStyle& style)
{
    QPixmap image(48, 48);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, style.standardIcon(QStyle::SP_DriveNetIcon).pixmap(48, 48));
    return image;
}

} // namespace

CWzdSheet::CWzdSheet(CWizardContext& app_, int sourceGrid, int destinationGrid, int sourceDatum,
                     int destinationDatum, QWidget* parent)
    : QWizard(parent), app(app_)
{
    settings.sourceGrid = sourceGrid;
    settings.destinationGrid = destinationGrid;
    settings.sourceDatum = sourceDatum;
    settings.destinationDatum = destinationDatum;

    setWindowTitle(QStringLiteral("Batch Conversion Wizard"));
    // The header shows each page's header title, as the wizard-97 style does.
    setWizardStyle(QWizard::ModernStyle);
    setPixmap(QWizard::LogoPixmap, HeaderImage(*style()));
    setOption(QWizard::NoBackButtonOnStartPage, false);

    setPage(PageType, new CWzdTypePage(*this));
    setPage(PageFiles, new CWzdFilesPage(*this));
    setPage(PageDataSource, new CWzdDataSourcePage(*this));
    setPage(PageSource, new CWzdSourceSystemPage(*this));
    setPage(PageDestination, new CWzdDestinationSystemPage(*this));
    setPage(PageLayout, new CWzdTextLayoutPage(*this));
    setPage(PageTable, new CWzdTablePage(*this));
    setPage(PageVectorFiles, new CWzdVectorFilesPage(*this));
    setPage(PagePreview, new CWzdPreviewPage(*this));
    startPage = new CWzdStartPage(*this);
    setPage(PageStart, startPage);
    setStartId(PageType);

    // Each switch of pages, forward or back, activates the new page once the
    // wizard has set its own buttons, so a page may change them.
    connect(this, &QWizard::currentIdChanged, this, &CWzdSheet::Activate);
}

bool CWzdSheet::ChooseGrid(int& gridId, int& datumId)
{
    return ChooseGridInDialog(app, this, gridId, datumId);
}

bool CWzdSheet::ChooseDatum(int& datumId)
{
    return ChooseDatumInDialog(this, datumId);
}

QString CWzdSheet::ChooseFile(const QString& filter, const QString& defaultExtension, bool save, const QString& current)
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilters(FileFilters(filter));
    dialog.setDefaultSuffix(defaultExtension);
    if (!current.isEmpty())
        dialog.selectFile(current);
    else
        dialog.setDirectory(DialogText::LastFolder());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    DialogText::RememberFolder(dialog.selectedFiles().constFirst());
    return dialog.selectedFiles().constFirst();
}

CWzdSheet::~CWzdSheet()
{
    // The worker must be gone before any page is.
    startPage->EndRun();
}

QStringList CWzdSheet::FileFilters(const QString& filter)
{
    QStringList filters;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    {
        if (parts[i].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1String("*.*"), QLatin1String("*"));
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // The name's own pattern list gives way to the one the dialog uses.
        QString name = parts[i];
        const qsizetype open = name.lastIndexOf(QLatin1String(" ("));
        if (open > 0)
            name.truncate(open);
        filters << name + QLatin1String(" (") + patterns + QLatin1Char(')');
    }
    return filters;
}

void CWzdSheet::done(int result)
{
    startPage->EndRun();
    QWizard::done(result);
}

void CWzdSheet::Activate(int id)
{
    if (auto* wizardPage = dynamic_cast<CWzdPage*>(page(id)))
        wizardPage->OnSetActive();
}

void RunBatchWizard(CWizardContext& app, int sourceGrid, int destinationGrid, int sourceDatum, int destinationDatum,
                    QWidget* parent)
{
    CWzdSheet sheet(app, sourceGrid, destinationGrid, sourceDatum, destinationDatum, parent);
    sheet.exec();
}
