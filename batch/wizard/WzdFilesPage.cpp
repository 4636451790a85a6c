#include "WzdFilesPage.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "BatchMessages.h"
#include "Messages.h"
#include "WzdSheet.h"
#include "ui_WzdFilesPage.h"

CWzdFilesPage::CWzdFilesPage(CWzdSheet& sheet)
    : CWzdPage(sheet, "Please select source and destination file",
               "Select the source and destination files used during conversion"),
      ui(std::make_unique<Ui::CWzdFilesPage>())
{
    ui->setupUi(this);
    connect(ui->sourceBrowse, &QPushButton::clicked, this, [this] { Browse(false); });
    connect(ui->destinationBrowse, &QPushButton::clicked, this, [this] { Browse(true); });
}

CWzdFilesPage::~CWzdFilesPage() = default;

void CWzdFilesPage::OnSetActive()
{
    ui->sourceFile->setText(QString::fromStdString(Settings().sourceFile));
    ui->destinationFile->setText(QString::fromStdString(Settings().destinationFile));
    // Both file converters build their output under temporary names and
    // rename it into place only when the run completes.
    if (Settings().ConversionType == CONVERSION_SHAPEFILE)
        ui->destinationNote->setText(
            QStringLiteral("The converted shapefile set is written under temporary names beside the destination "
                           "and replaces it, with its companion files, only when the conversion completes. A "
                           "cancelled or failed conversion leaves the destination as it was."));
    else
        ui->destinationNote->setText(
            QStringLiteral("The converted file is written under a temporary name beside the destination and "
                           "replaces it only when the conversion completes. A cancelled or failed conversion "
                           "leaves the destination as it was."));
    ui->destinationNote->setVisible(Settings().ConversionType == CONVERSION_TEXT ||
                                    Settings().ConversionType == CONVERSION_SHAPEFILE);
    // A shapefile says its system in its .prj; a text file only when asked,
    // since a comment line is one more line for the programs that read it.
    ui->describeCheck->setChecked(Settings().describe != 0);
    ui->describeCheck->setVisible(Settings().ConversionType == CONVERSION_TEXT);
    ui->describeCheck->setToolTip(QStringLiteral(
        "Writes \"# Veltrix Geolynx: <name> (EPSG:<code>)\" before the first record, after the header line"));
}

int CWzdFilesPage::nextId() const
{
    return CWzdSheet::PageSource;
}

void CWzdFilesPage::Browse(bool save)
{
    const bool shapefile = Settings().ConversionType == CONVERSION_SHAPEFILE;
    const QString filter = shapefile ? QStringLiteral("ESRI Shape Files (*.shp)|*.shp||")
                                     : QStringLiteral("All Files (*.*)|*.*|CSV Files (*.csv)|*.csv|"
                                                      "TXT/ASCII Files (*.txt)|*.txt||");
    const QString extension = shapefile ? QStringLiteral("shp") : QStringLiteral("txt");
    QLineEdit* field = save ? ui->destinationFile : ui->sourceFile;
    const QString path = Sheet().ChooseFile(filter, extension, save, field->text());
    if (path.isEmpty())
        return;
    // The file chooser does not ask; a text destination that exists is
    // replaced only after a Yes. The source itself is refused on Next.
    std::error_code error;
    if (save && !shapefile && path != ui->sourceFile->text() &&
        std::filesystem::exists(path.toStdString(), error) &&
        !AskMessage(IDS_BATCH_ASK_REPLACE, kBatchAskReplaceText))
        return;
    field->setText(path);
}

bool CWzdFilesPage::validatePage()
{
    const std::string source = ui->sourceFile->text().toStdString();
    const std::string destination = ui->destinationFile->text().toStdString();
    if (!FileNamesUsable(source, destination))
        return false;
    // A folder opens for reading too, but holds nothing to convert; a pipe
    // or FIFO could be read only once, and the layout page, the preview and
    // the conversion each read the file.
    std::error_code error;
    std::FILE* file = !std::filesystem::is_regular_file(source, error) ? nullptr : std::fopen(source.c_str(), "r");
    if (file == nullptr)
    {
        ShowMessage(IDS_BATCH_OPEN_SOURCE);
        return false;
    }
    std::fclose(file);
    Settings().sourceFile = source;
    Settings().destinationFile = destination;
    Settings().describe = Settings().ConversionType == CONVERSION_TEXT && ui->describeCheck->isChecked() ? 1 : 0;
    return true;
}
