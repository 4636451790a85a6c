#include "WzdVectorFilesPage.h"

#include <QHeaderView>
#include <filesystem>
#include <system_error>

#include "BatchMessages.h"
#include "ConvertVector.h"
#include "Messages.h"
#include "WzdBusyCursor.h"
#include "WzdSheet.h"
#include "WzdVectorFormats.h"
#include "ui_WzdVectorFilesPage.h"

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CWzdVectorFilesPage::CWzdVectorFilesPage(CWzdSheet& sheet)
    : CWzdPage(sheet, "Please select source and destination file",
               "Select the GIS vector files and the layers to convert"),
      ui(std::make_unique<Ui::CWzdVectorFilesPage>())
{
    ui->setupUi(this);
    ui->layerView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ui->layerView->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    ui->layerView->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    ui->formatChoice->addItem(QStringLiteral("As the destination's extension names it"), QString());
    for (const WzdVectorFormat& format : WritableVectorFormats())
        ui->formatChoice->addItem(Text(format.name + " (" + format.driver + ")"), Text(format.driver));
    connect(ui->vectorSourceBrowse, &QPushButton::clicked, this, [this] { Browse(false); });
    connect(ui->vectorDestinationBrowse, &QPushButton::clicked, this, [this] { Browse(true); });
}

CWzdVectorFilesPage::~CWzdVectorFilesPage() = default;

void CWzdVectorFilesPage::OnSetActive()
{
    const BatchSettings& settings = Settings();
    ui->vectorSource->setText(Text(settings.sourceFile));
    ui->vectorDestination->setText(Text(settings.destinationFile));
    std::string why;
    ListLayers(why);
    const int layer = ui->layerChoice->findData(Text(settings.vectorLayer));
    ui->layerChoice->setCurrentIndex(std::max(layer, 0));
    const int format = ui->formatChoice->findData(Text(settings.vectorFormat));
    ui->formatChoice->setCurrentIndex(std::max(format, 0));
}

int CWzdVectorFilesPage::nextId() const
{
    return CWzdSheet::PageSource;
}

bool CWzdVectorFilesPage::ListLayers(std::string& why)
{
    const std::string source = ui->vectorSource->text().toStdString();
    if (source == listedFor)
    {
        why = listFailure;
        return why.empty();
    }
    listedFor = source;
    listFailure.clear();
    const QString chosen = ui->layerChoice->currentData().toString();
    ui->layerView->clear();
    ui->layerChoice->clear();
    ui->layerChoice->addItem(QStringLiteral("Every layer"), QString());
    if (source.empty())
        return false;
    std::vector<VectorLayerSummary> layers;
    {
        CWzdBusyCursor busy;
        if (!VectorLayers(source, layers, listFailure))
        {
            why = listFailure;
            return false;
        }
    }
    for (const VectorLayerSummary& layer : layers)
    {
        auto* item = new QTreeWidgetItem(ui->layerView);
        item->setText(0, Text(layer.name));
        // OGR counts -1 where a format cannot tell without reading it all.
        item->setText(1, layer.features >= 0 ? QString::number(layer.features) : QStringLiteral("unknown"));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(2, Text(layer.geometry));
        ui->layerChoice->addItem(QStringLiteral("Only the layer \"%1\"").arg(Text(layer.name)), Text(layer.name));
    }
    ui->layerChoice->setCurrentIndex(std::max(ui->layerChoice->findData(chosen), 0));
    if (layers.empty())
        listFailure = "\"" + source + "\" holds no layer to convert";
    why = listFailure;
    return why.empty();
}

void CWzdVectorFilesPage::Browse(bool save)
{
    const std::string filter = save ? VectorFileFilter(WritableVectorFormats(), "Vector files GDAL writes", true)
                                    : VectorFileFilter(ReadableVectorFormats(), "Vector files GDAL reads", false);
    QLineEdit* field = save ? ui->vectorDestination : ui->vectorSource;
    const QString path = Sheet().ChooseFile(Text(filter), QStringLiteral("gpkg"), save, field->text());
    if (path.isEmpty())
        return;
    std::error_code error;
    if (save && path != ui->vectorSource->text() && std::filesystem::exists(path.toStdString(), error) &&
        !AskMessage(IDS_BATCH_ASK_REPLACE, kBatchAskReplaceText))
        return;
    field->setText(path);
    std::string why;
    if (!save && !ListLayers(why))
        ShowMessageText(why);
}

std::string CWzdVectorFilesPage::Driver() const
{
    const QString chosen = ui->formatChoice->currentData().toString();
    if (!chosen.isEmpty())
        return chosen.toStdString();
    return VectorDriverForPath(ui->vectorDestination->text().toStdString());
}

bool CWzdVectorFilesPage::validatePage()
{
    const std::string source = ui->vectorSource->text().toStdString();
    const std::string destination = ui->vectorDestination->text().toStdString();
    if (!FileNamesUsable(source, destination))
        return false;
    std::string why;
    if (!ListLayers(why))
    {
        ShowMessageText(why);
        return false;
    }
    if (Driver().empty())
    {
        ShowMessageText("No GIS vector format GDAL writes takes the name \"" +
                        std::filesystem::path(destination).filename().string() +
                        "\": give the destination the extension of its format, or choose the format.");
        return false;
    }
    BatchSettings& settings = Settings();
    settings.sourceFile = source;
    settings.destinationFile = destination;
    settings.vectorLayer = ui->layerChoice->currentData().toString().toStdString();
    settings.vectorFormat = ui->formatChoice->currentData().toString().toStdString();
    // Full precision: decimals chosen for a text file are no choice here,
    // and a binary format refuses any.
    settings.precision = -1;
    return true;
}
