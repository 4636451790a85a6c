#include "NotationForm.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardItemModel>

#include "CatalogueLoaders.h"
#include "CfgMapProjection.h"

namespace {

constexpr int kChoiceWidth = 170;

// The form a side's numbers go back to: the grid, or degrees, minutes and seconds.
int NumberMode(const CoordinateSide& side)
{
    return side.IsGridForm() ? ModeGrid : ModeDegreesMinutesSeconds;
}

const DisplayForm* ShownReference(const CoordinateSide& side)
{
    const DisplayForm* form = SideForm(side.IsGridForm(), side.displayMode);
    return form != nullptr && form->notation != MapNotation::None ? form : nullptr;
}

} // namespace

std::string SideReferenceRefusal(const DisplayForm& form, const CoordinateSide& side, std::string& remark)
{
    CCfgMapProjection record;
    if (side.IsGridForm())
        LoadGridRecord(record, side.gridId);
    else if (side.datumId != 0)
        LoadDatumRecord(side.datumId, record);
    return ReferenceFormRefusal(form, side, record, remark);
}

void FitReferenceForm(CoordinateSide& side)
{
    const DisplayForm* form = ShownReference(side);
    std::string remark;
    if (form == nullptr || SideReferenceRefusal(*form, side, remark).empty())
        return;
    const double latitude = side.Read(AxisLatitude);
    const double longitude = side.Read(AxisLongitude);
    side.displayMode = NumberMode(side);
    side.Write(AxisLatitude, latitude);
    side.Write(AxisLongitude, longitude);
}

void SetReferenceChoice(CoordinateSide& side, int precision, int zone)
{
    side.style.referenceMetres = precision;
    side.style.utmZone = zone;
    if (ShownReference(side) == nullptr)
        return;
    side.Write(AxisLatitude, side.written[0]);
    side.Write(AxisLongitude, side.written[1]);
}

PastedReference PasteReference(const std::string& text, CoordinateSide& side, std::string& reason)
{
    double latitude = 0, longitude = 0;
    int metres = 1;
    const DisplayForm* form = ReadPastedReference(text, latitude, longitude, metres);
    if (form == nullptr)
        return PastedReference::None;
    std::string remark;
    reason = SideReferenceRefusal(*form, side, remark);
    if (!reason.empty())
        return PastedReference::Refused;
    CoordinateSide taken = side;
    taken.displayMode = form->mode;
    if (form->notation != MapNotation::Utm)
        taken.style.referenceMetres = metres;
    taken.Write(AxisLatitude, latitude);
    taken.Write(AxisLongitude, longitude);
    if (!taken.writeRefusal.empty())
    {
        reason = taken.writeRefusal;
        return PastedReference::Refused;
    }
    side = taken;
    return PastedReference::Taken;
}

CNotationChooser::CNotationChooser(QWidget* parentGroup, const QString& sidePrefix)
    : QObject(parentGroup), group(parentGroup), prefix(sidePrefix)
{
    setObjectName(prefix + QLatin1String("Notation"));
    formsLabel = new QLabel(tr("Shown as:"), group);
    formsLabel->setObjectName(prefix + QLatin1String("FormsLabel"));
    forms = new QComboBox(group);
    forms->setObjectName(prefix + QLatin1String("Forms"));
    formsLabel->setBuddy(forms);
    choices = new QComboBox(group);
    choices->setObjectName(prefix + QLatin1String("ReferenceChoice"));
    for (const char* field : {"Latitude1", "Latitude2", "Latitude3", "LatitudeHemisphere", "Longitude1", "Longitude2",
                              "Longitude3", "LongitudeHemisphere"})
        if (auto* edit = group->findChild<QLineEdit*>(prefix + QLatin1String(field)))
            edit->installEventFilter(this);
    connect(forms, &QComboBox::activated, this, [this](int index) {
        if (!filling)
            emit formChosen(forms->itemData(index).toInt());
    });
    connect(choices, &QComboBox::activated, this, [this](int index) {
        if (filling)
            return;
        emit styleChosen(choices->itemData(index).toInt());
    });
}

bool CNotationChooser::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste))
        return QObject::eventFilter(watched, event);
    double latitude = 0, longitude = 0;
    int metres = 0;
    if (ReadPastedReference(QGuiApplication::clipboard()->text().toStdString(), latitude, longitude, metres) == nullptr)
        return false;
    emit referencePasted();
    return true;
}

void CNotationChooser::FillForms(const CoordinateSide& side)
{
    forms->clear();
    forms->addItem(side.IsGridForm() ? tr("Northing, easting") : tr("Latitude, longitude"), NumberMode(side));
    auto* model = qobject_cast<QStandardItemModel*>(forms->model());
    for (const DisplayForm& form : DisplayForms())
    {
        if (form.notation == MapNotation::None || form.grid != side.IsGridForm())
            continue;
        std::string remark;
        const std::string refusal = SideReferenceRefusal(form, side, remark);
        forms->addItem(QString::fromUtf8(NotationTitle(form.notation)), form.mode);
        const int row = forms->count() - 1;
        forms->setItemData(row, QString::fromStdString(refusal.empty() ? remark : refusal), Qt::ToolTipRole);
        if (!refusal.empty() && model != nullptr)
            model->item(row)->setEnabled(false);
        if (form.mode == side.displayMode)
            forms->setCurrentIndex(row);
    }
    forms->setToolTip(forms->itemData(forms->currentIndex(), Qt::ToolTipRole).toString());
}

void CNotationChooser::FillChoices(const CoordinateSide& side, const DisplayForm& form)
{
    const bool zone = form.notation == MapNotation::Utm;
    const int current = zone ? side.style.utmZone : side.style.referenceMetres;
    choices->clear();
    for (const FormChoice& choice : form.choices)
    {
        choices->addItem(QString::fromUtf8(choice.text), choice.value);
        if (choice.value == current)
            choices->setCurrentIndex(choices->count() - 1);
    }
}

void CNotationChooser::Show(const CoordinateSide& side)
{
    filling = true;
    auto label = [this](const char* name) { return group->findChild<QLabel*>(prefix + QLatin1String(name)); };
    auto edit = [this](const char* name) { return group->findChild<QLineEdit*>(prefix + QLatin1String(name)); };
    QLabel* latitudeLabel = label("LatitudeLabel");
    QLineEdit* latitude = edit("Latitude1");
    QLineEdit* longitude = edit("Longitude1");
    // The list takes a row the side leaves empty: a grid side's degree
    // buttons, or the note of a side without a grid.
    const QWidget* row = side.IsGridForm() ? group->findChild<QRadioButton*>(prefix + QLatin1String("ModeDegrees"))
                                           : static_cast<QWidget*>(label("Note"));
    const int top = row->y() + row->height() / 2 - latitude->height() / 2;
    formsLabel->setGeometry(latitudeLabel->x(), top + 2, latitudeLabel->width(), latitudeLabel->height());
    forms->setGeometry(latitude->x(), top, 250, latitude->height());
    FillForms(side);

    const DisplayForm* form = ShownReference(side);
    choices->setVisible(form != nullptr);
    // Numbers stand to the right, a reference reads from the left.
    if (!latitude->property("numberAlignment").isValid())
        latitude->setProperty("numberAlignment", static_cast<int>(latitude->alignment()));
    latitude->setAlignment(form != nullptr ? Qt::AlignLeft | Qt::AlignVCenter
                                           : Qt::Alignment(latitude->property("numberAlignment").toInt()));
    if (form != nullptr)
    {
        latitudeLabel->setText(tr("Reference:"));
        label("LongitudeLabel")->setText(tr(form->choiceLabel));
        label("LongitudeLabel")->setBuddy(choices);
        for (QLabel* unit : {label("LatitudeUnit"), label("LongitudeUnit")})
            unit->hide();
        longitude->hide();
        choices->setGeometry(longitude->x(), longitude->y(), kChoiceWidth, longitude->height());
        choices->setAccessibleName(prefix.left(1).toUpper() + prefix.mid(1) + QLatin1Char(' ') +
                                   QString::fromUtf8(form->choiceLabel).chopped(1).toLower());
        FillChoices(side, *form);
        latitude->setToolTip(forms->toolTip());
    }
    else
    {
        label("LongitudeLabel")->setBuddy(longitude);
        latitude->setToolTip(QString());
    }
    filling = false;
}
