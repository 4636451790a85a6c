#include "ConversionNote.h"

#include <memory>

#include "ConversionReport.h"
#include "HeightConversion.h"
#include "Projections.h"

namespace {

constexpr int kLines = 6;

} // namespace

CConversionNote::CConversionNote(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("conversionNote"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setContentsMargins(8, 2, 8, 6);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for the legs, the accuracy and two warnings, taken from the start: the window keeps its
    // height whatever a result says.
    setMinimumHeight(fontMetrics().lineSpacing() * kLines + 8);
}

void CConversionNote::Describe(int sourceDatum, int sourceGrid, int destinationDatum, int destinationGrid, double x,
                               double y)
{
    clear();
    warns = false;
    CConversionReport report;
    if (!report.Load(sourceDatum, sourceGrid, destinationDatum, destinationGrid))
        return;
    auto locator = std::make_unique<CProjections>();
    report.SetUpLocator(*locator);
    double latitude = 0;
    double longitude = 0;
    const bool located = report.Locate(*locator, x, y, latitude, longitude);
    QStringList lines;
    for (const std::string& line : report.Explain(located, latitude, longitude))
        lines << QString::fromStdString(line);
    const std::string unusable = report.UnusableText();
    if (!unusable.empty())
        lines << QStringLiteral("Warning: ") + QString::fromStdString(unusable) + QLatin1Char('.');
    const std::string outside = located ? report.Outside(latitude, longitude) : std::string();
    if (!outside.empty())
        lines << QStringLiteral("Warning: the point lies ") + QString::fromStdString(outside) +
                     QStringLiteral(". Check the axis order and the systems.");
    warns = !unusable.empty() || !outside.empty();
    setStyleSheet(warns ? QStringLiteral("color: #a40000;") : QString());
    setText(lines.join(QLatin1Char('\n')));
}

void CConversionNote::NameHeights(const CHeightModels* models)
{
    if (models == nullptr || (!models->source.Used() && !models->destination.Used()))
        return;
    const QString line = QStringLiteral("Heights: ") + QString::fromStdString(HeightSystemsText(*models)) +
                         QLatin1Char('.');
    setText(text().isEmpty() ? line : text() + QLatin1Char('\n') + line);
}
