#include "HeightChoice.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <vector>

#include "CoordinateFormat.h"
#include "ConvertCoordinate.h"
#include "DialogGeoidModels.h"
#include "GeoidModels.h"
#include "NotationForm.h"
#include "SideChoices.h"

namespace {

// The altitude field keeps room for "-12345.678"; the list takes what the
// side's group leaves after the unit.
constexpr int kAltitudeWidth = 80;
constexpr int kGap = 6;
constexpr int kGroupMargin = 10;
constexpr int kLeastListWidth = 60;

// "EGM96 height" reads "EGM96 geoid" after "m above".
QString ShownName(const GeoidModelRow& row)
{
    QString name = QString::fromStdString(row.name);
    const qsizetype at = name.indexOf(QLatin1String(" height"));
    if (at >= 0)
        name.replace(at, 7, QStringLiteral(" geoid"));
    return name;
}

} // namespace

CHeightChoice::CHeightChoice(QWidget* form, const QString& prefix)
    : QComboBox(form->findChild<QLineEdit*>(prefix + QLatin1String("Altitude"))->parentWidget()),
      altitude(form->findChild<QLineEdit*>(prefix + QLatin1String("Altitude"))),
      unit(form->findChild<QLabel*>(prefix + QLatin1String("AltitudeUnit")))
{
    setObjectName(prefix + QLatin1String("HeightChoice"));
    const QString side = prefix == QLatin1String("source") ? tr("Source") : tr("Destination");
    setAccessibleName(side + tr(" height above"));
    setToolTip(tr("Height above: the ellipsoid, or the geoid of a model of the catalogue (heights above sea "
                  "level). Models are added under Tools, Preferences, Manage Geoid Models."));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(4);
    unit->setText(tr("m above"));
    Refill();
    Place();
    parentWidget()->installEventFilter(this);
}

int CHeightChoice::ModelId() const
{
    return currentIndex() < 0 ? 0 : currentData().toInt();
}

void CHeightChoice::SetModelId(int id)
{
    int index = findData(id);
    if (index < 0)
    {
        addItem(tr("geoid model %1 (not in the catalogue)").arg(id), id);
        index = count() - 1;
    }
    setCurrentIndex(index);
}

void CHeightChoice::Refill()
{
    const int kept = ModelId();
    const QSignalBlocker quiet(this);
    clear();
    addItem(tr("ellipsoid"), 0);
    setItemData(0, tr("Heights above the ellipsoid, as a GNSS receiver gives them"), Qt::ToolTipRole);
    std::vector<GeoidModelRow> rows;
    if (ListGeoidModels(rows))
        for (const GeoidModelRow& row : rows)
        {
            const bool present = !FindGeoidFile(row.file).empty();
            addItem(present ? ShownName(row) : ShownName(row) + tr(" (file missing)"), row.id);
            setItemData(count() - 1,
                        QString::fromStdString(row.name + " (" + std::to_string(row.id) + "): " + row.file +
                                               (present ? "" : ", not in the grid folders") + "; " + row.area),
                        Qt::ToolTipRole);
        }
    SetModelId(kept);
    // The list opens wide enough for the longest name.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 2 * kGap);
}

bool CHeightChoice::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        Place();
    return QComboBox::eventFilter(watched, event);
}

void CHeightChoice::Place()
{
    altitude->resize(kAltitudeWidth, altitude->height());
    unit->resize(unit->sizeHint().width(), unit->height());
    unit->move(altitude->x() + altitude->width() + kGap, unit->y());
    const int left = unit->x() + unit->width() + kGap / 2;
    const int width = std::max(kLeastListWidth, parentWidget()->width() - kGroupMargin - left);
    const int height = std::max(altitude->height(), sizeHint().height());
    setGeometry(left, altitude->y() + (altitude->height() - height) / 2, width, height);
}

CHeightSystemsInUse::CHeightSystemsInUse(CConversionContext& conversion, const CHeightChoice& source,
                                         const CHeightChoice& destination)
    : context(conversion)
{
    context.sourceGeoid = source.ModelId();
    context.destinationGeoid = destination.ModelId();
}

CHeightSystemsInUse::~CHeightSystemsInUse()
{
    context.sourceGeoid = 0;
    context.destinationGeoid = 0;
}

bool SaveSideChoices(const std::string& configuration, const CHeightChoice& sourceHeight,
                     const CHeightChoice& destinationHeight, const CoordinateSide& source,
                     const CoordinateSide& destination)
{
    const SideChoices choices{{sourceHeight.ModelId(), source.style.referenceMetres, source.style.utmZone},
                              {destinationHeight.ModelId(), destination.style.referenceMetres,
                               destination.style.utmZone}};
    return choices.Save(configuration);
}

bool LoadSideChoices(const std::string& configuration, CHeightChoice& sourceHeight,
                     CHeightChoice& destinationHeight, CoordinateSide& source, CoordinateSide& destination)
{
    SideChoices choices;
    const bool read = choices.Load(configuration);
    sourceHeight.SetModelId(choices.source.height);
    destinationHeight.SetModelId(choices.destination.height);
    SetReferenceChoice(source, choices.source.precision, choices.source.zone);
    SetReferenceChoice(destination, choices.destination.precision, choices.destination.zone);
    return read;
}

void SwapHeightChoices(CHeightChoice& source, CHeightChoice& destination)
{
    const int id = source.ModelId();
    source.SetModelId(destination.ModelId());
    destination.SetModelId(id);
}

std::string SideChoicesRefusal(const std::string& configuration)
{
    SideChoices choices;
    if (choices.Load(configuration))
        return std::string();
    return "its heights file " + SideChoices::PathBeside(configuration) +
           " (heights and reference precisions) cannot be read or is damaged";
}

void ManageGeoidModels(QWidget* parent, std::initializer_list<CHeightChoice*> choices)
{
    CDialogGeoidModels dialog(parent);
    dialog.exec();
    for (CHeightChoice* choice : choices)
        choice->Refill();
}
