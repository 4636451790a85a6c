#include "DatumAccuracyFields.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "DatumLink.h"

namespace {

constexpr int kLastShippedDatum = 50000;

bool ReadAccuracy(const QString& text, std::optional<double>& value)
{
    value.reset();
    if (text.trimmed().isEmpty())
        return true;
    bool ok = false;
    const double metres = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(metres) || metres < 0)
        return false;
    value = metres;
    return true;
}

} // namespace

CDatumAccuracyFields::CDatumAccuracyFields(QWidget* parent, QGridLayout* layout, int row)
    : QObject(parent), label(new QLabel(tr("Accuracy (m):"), parent)), accuracy(new QLineEdit(parent)),
      coincides(new QCheckBox(tr("Coincides with WGS 84"), parent))
{
    accuracy->setObjectName(QStringLiteral("accuracy"));
    accuracy->setPlaceholderText(tr("unknown"));
    coincides->setObjectName(QStringLiteral("coincidesWithWgs84"));
    label->setBuddy(accuracy);
    layout->addWidget(label, row, 0);
    layout->addWidget(accuracy, row, 1);
    layout->addWidget(coincides, row, 2);
    SetEditing(false, 0);
}

void CDatumAccuracyFields::Show(int datumId)
{
    Clear();
    CDatumLink link;
    if (!LoadDatumLink(datumId, link))
        return;
    if (link.accuracy)
        accuracy->setText(QString::number(*link.accuracy, 'g', 6));
    coincides->setChecked(link.kind == kLinkNull || link.kind == kLinkPivot);
}

void CDatumAccuracyFields::Clear()
{
    accuracy->clear();
    coincides->setChecked(false);
}

void CDatumAccuracyFields::SetEditing(bool editing, int method)
{
    accuracy->setReadOnly(!editing);
    coincides->setEnabled(editing && method == 0);
}

bool CDatumAccuracyFields::Valid() const
{
    std::optional<double> value;
    if (ReadAccuracy(accuracy->text(), value))
        return true;
    accuracy->setFocus();
    return false;
}

bool CDatumAccuracyFields::Save(int datumId, int method) const
{
    if (datumId <= kLastShippedDatum)
        return true;
    std::optional<double> value;
    if (!ReadAccuracy(accuracy->text(), value))
        return false;
    return SaveUserDatumLink(datumId, method == 0 && coincides->isChecked(), value);
}
