#include "DialogSelectDatum.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStyle>
#include <vector>

#include "CatalogueConnection.h"
#include "CatalogueLookups.h"
#include "DialogSelectEllipsoid.h"
#include "DialogSelectMeridian.h"
#include "DialogText.h"
#include "Messages.h"
#include "CatalogueRows.h"
#include "DatumAccuracyFields.h"
#include "LinkSummary.h"
#include "ui_DialogSelectDatum.h"

using namespace DialogText;

namespace {

// Shipped identifiers end here; the user's own rows start above.
constexpr int kLastShippedDatum = 50000;

enum Method
{
    MethodNone = 0,
    MethodMolodensky = 1,
    MethodBursaWolf = 2,
    MethodNadcon = 3,
    MethodHarn = 4,
    MethodNtv2 = 5,
};

// The other file of a NADCON pair (".las" with ".los"), which the engine
// opens beside the one the datum names; empty for other files.
QString PairedFile(const QFileInfo& file)
{
    const QString suffix = file.suffix();
    QString other;
    if (suffix.compare(QLatin1String("las"), Qt::CaseInsensitive) == 0)
        other = suffix.at(0).isUpper() ? QStringLiteral("LOS") : QStringLiteral("los");
    else if (suffix.compare(QLatin1String("los"), Qt::CaseInsensitive) == 0)
        other = suffix.at(0).isUpper() ? QStringLiteral("LAS") : QStringLiteral("las");
    else
        return QString();
    const QString path = file.absolutePath() + QLatin1Char('/') + file.completeBaseName() + QLatin1Char('.') + other;
    return QFileInfo::exists(path) ? path : QString();
}

// Brings a chosen grid file into the Data folder, where the datum loader
// looks for it by name: a file from elsewhere is copied there (with its
// NADCON partner), asking before a file of the same name is replaced.
// False when the user declined or the copy failed (already said).
bool BringIntoDataFolder(const QString& chosen)
{
    const QString folder = QString::fromStdString(GridFolder());
    QDir().mkpath(folder);
    const QFileInfo file(chosen);
    if (file.absoluteDir().canonicalPath() == QDir(folder).canonicalPath())
        return true;

    std::vector<QString> sources = {file.absoluteFilePath()};
    const QString partner = PairedFile(file);
    if (!partner.isEmpty())
        sources.push_back(partner);

    bool replacing = false;
    for (const QString& source : sources)
        replacing = replacing || QFileInfo::exists(folder + QFileInfo(source).fileName());
    if (replacing && !AskMessage(IDS_REPLACE_GRID_FILE))
        return false;

    for (const QString& source : sources)
    {
        const QString target = folder + QFileInfo(source).fileName();
        // Copied beside the target first, so a failed copy never destroys
        // the file of that name already there.
        const QString partial = target + QStringLiteral(".part");
        QFile::remove(partial);
        bool copied = QFile::copy(source, partial);
        if (copied)
        {
            QFile::remove(target);
            copied = QFile::rename(partial, target);
        }
        if (!copied)
        {
            QFile::remove(partial);
            ShowMessage(IDS_GRID_FILE_COPY_FAILED);
            return false;
        }
    }
    return true;
}

} // namespace

CDialogSelectDatum::CDialogSelectDatum(QWidget* parent, int mode)
    : CCatalogueDialog(parent), ui(std::make_unique<Ui::CDialogSelectDatum>()), filterMode(mode)
{
    ui->setupUi(this);
    linkSummary = new CLinkSummary(this);
    accuracyFields = new CDatumAccuracyFields(this, ui->conversionLayout, ui->conversionLayout->rowCount());
    ui->rightLayout->insertWidget(ui->rightLayout->count() - 1, linkSummary);

    // The conversion methods by their numbers.
    const QStringList methods = {tr("None"), tr("Molodensky"), tr("Bursa Wolf"),
                                 tr("NADCON"), tr("HARN/HPGN"), tr("NTv2")};
    for (int i = 0; i < methods.size(); ++i)
        ui->conversionList->addItem(methods[i], i);
    ui->conversionList->setCurrentIndex(MethodNone);
    for (QPushButton* b : {ui->ellipsoidSelectButton, ui->meridianSelectButton, ui->gridFileSelectButton})
        b->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));

    SetUpFormFlow(*ui, {.list = ui->datumList,
                        .headers = {tr("EPSG"), tr("Datum")},
                        .address = kDatumsPage,
                        .addressPurpose = "The page of datum definitions",
                        .editingOnly = {ui->ellipsoidSelectButton, ui->meridianSelectButton, ui->conversionList},
                        .fields = {ui->gridFile, ui->datumName, ui->translationX, ui->translationY,
                                   ui->translationZ, ui->rotationX, ui->rotationY, ui->rotationZ, ui->scaleFactor},
                        .addFocus = ui->datumName,
                        .modifyFocus = ui->translationX,
                        .deleteQuestion = IDS_ASK_DELETE_DATUM,
                        .deleteRow = DeleteDatum,
                        .countUsers = GridsUsingDatum,
                        .inUseMessage = IDS_DATUM_IN_USE,
                        .userNoun = "grid",
                        .columnShares = {0.15, 0.85}});
    RefillList();

    connect(ui->conversionList, &QComboBox::activated, this, [this] { ApplyMethodRule(true); });
    connect(ui->ellipsoidSelectButton, &QPushButton::clicked, this,
            [this] { ChooseWithName([this](int& id) { return ChooseEllipsoid(id); }, ellipsoidId, LookupEllipsoidName, ui->ellipsoidName); });
    connect(ui->meridianSelectButton, &QPushButton::clicked, this,
            [this] { ChooseWithName([this](int& id) { return ChooseMeridian(id); }, meridianId, LookupMeridianName, ui->meridianName); });
    connect(ui->gridFileSelectButton, &QPushButton::clicked, this, &CDialogSelectDatum::OnSelectGridFile);
}

CDialogSelectDatum::~CDialogSelectDatum() = default;

void CDialogSelectDatum::RefillList()
{
    std::vector<NamedRow> datums;
    ListDatums(datums);
    ShowNamedRows(std::move(datums), filterMode == 1 ? tr(" Show all datums") : QString());
}

void CDialogSelectDatum::ShowSelected()
{
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{ui->datumName, ui->ellipsoidName, ui->meridianName, ui->gridFile, ui->scaleFactor,
                             ui->translationX, ui->translationY, ui->translationZ, ui->rotationX, ui->rotationY,
                             ui->rotationZ})
        field->clear();
    linkSummary->Show(selectedId);
    accuracyFields->Show(selectedId);
    DatumRow row;
    if (!LoadDatum(selectedId, row))
        return;
    ui->datumName->setText(FromUtf8(row.name));
    ellipsoidId = row.ellipsoid;
    method = row.method;
    if (method >= 0 && method < ui->conversionList->count())
        ui->conversionList->setCurrentIndex(method);
    ui->ellipsoidName->setText(FromUtf8(row.ellipsoidName));
    ui->gridFile->setText(FromUtf8(row.file));
    meridianId = row.prime;
    ui->meridianName->setText(FromUtf8(row.meridianName));
    ShowNumbers({{ui->scaleFactor, "%lf", row.scaleFactor},
                 {ui->translationX, "%.3lf", row.deltaX}, {ui->translationY, "%.3lf", row.deltaY},
                 {ui->translationZ, "%.3lf", row.deltaZ}, {ui->rotationX, "%.3lf", row.rotationX},
                 {ui->rotationY, "%.3lf", row.rotationY}, {ui->rotationZ, "%.3lf", row.rotationZ}});
}
void CDialogSelectDatum::ApplyMethodRule(bool resetFirst)
{
    QLineEdit* translations[] = {ui->translationX, ui->translationY, ui->translationZ};
    QLineEdit* rotations[] = {ui->rotationX, ui->rotationY, ui->rotationZ};
    if (resetFirst)
    {
        ui->gridFile->setReadOnly(true);
        for (QLineEdit* f : translations)
            f->setReadOnly(true);
        for (QLineEdit* f : rotations)
            f->setReadOnly(true);
        ui->scaleFactor->setReadOnly(true);
        ui->gridFileSelectButton->setEnabled(false);
    }
    const int index = ui->conversionList->currentIndex();
    if (index < 0)
        return;
    method = index;
    switch (method)
    {
    case MethodMolodensky:
        for (QLineEdit* f : translations)
            f->setReadOnly(false);
        break;
    case MethodBursaWolf:
        for (QLineEdit* f : translations)
            f->setReadOnly(false);
        for (QLineEdit* f : rotations)
            f->setReadOnly(false);
        ui->scaleFactor->setReadOnly(false);
        break;
    case MethodNadcon:
    case MethodHarn:
    case MethodNtv2:
        ui->gridFileSelectButton->setEnabled(true);
        break;
    default:
        break;
    }
    accuracyFields->SetEditing(editingUserRow, method);
}

void CDialogSelectDatum::OpenFields()
{
    ui->datumName->setReadOnly(false);
    // Shipped rows keep EPSG's statement; the user states their own rows'.
    editingUserRow = adding || selectedId > kLastShippedDatum;
    ApplyMethodRule(false);
}

void CDialogSelectDatum::CloseFields()
{
    CCatalogueDialog::CloseFields();
    ui->gridFileSelectButton->setEnabled(false);
    editingUserRow = false;
    adding = false;
    accuracyFields->SetEditing(false, method);
}

void CDialogSelectDatum::ClearForAdding()
{
    adding = true;
    accuracyFields->Clear();
    ui->datumName->clear();
    ui->gridFile->clear();
    // The ellipsoid goes with its name, so the check on saving tests what
    // the user sees.
    ui->ellipsoidName->clear();
    ellipsoidId = 0;
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{ui->scaleFactor, ui->translationX, ui->translationY, ui->translationZ, ui->rotationX,
                             ui->rotationY, ui->rotationZ})
        field->setText(QStringLiteral("0.000"));
    meridianId = kGreenwich;
    CCxString name;
    LookupMeridianName(meridianId, name);
    ui->meridianName->setText(FromUtf8(name.str()));
}

bool CDialogSelectDatum::ChooseEllipsoid(int& id)
{
    return CDialogSelectEllipsoid(this).Choose(id);
}

bool CDialogSelectDatum::ChooseMeridian(int& id)
{
    return CDialogSelectMeridian(this).Choose(id);
}

void CDialogSelectDatum::OnSelectGridFile()
{
    const QString current = ui->gridFile->text();
    const QString start =
        QString::fromStdString(GridFolder()) + (current.isEmpty() ? QStringLiteral("conus.las") : current);
    const QString chosen = QFileDialog::getOpenFileName(this, tr("Grid File"), start, QString(), nullptr,
                                                        QFileDialog::ReadOnly | QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty() || !BringIntoDataFolder(chosen))
        return;
    ui->gridFile->setText(QFileInfo(chosen).fileName());
}

bool CDialogSelectDatum::Check()
{
    if (ui->datumName->text().isEmpty())
        return Refused(IDS_MISSING_NAME);
    if (ellipsoidId == 0)
        return Refused(IDS_DATUM_NEEDS_ELLIPSOID);
    if (!accuracyFields->Valid())
    {
        ShowMessage(IDS_FIELD_NOT_A_NUMBER, "Accuracy");
        return false;
    }
    // A text that is no number would make the statement fail without a word.
    return CheckNumberFields(
        {{ui->translationX, IDS_INVALID_DATUM_TRANSLATION_X}, {ui->translationY, IDS_INVALID_DATUM_TRANSLATION_Y},
         {ui->translationZ, IDS_INVALID_DATUM_TRANSLATION_Z}, {ui->rotationX, IDS_INVALID_DATUM_ROTATION_X},
         {ui->rotationY, IDS_INVALID_DATUM_ROTATION_Y}, {ui->rotationZ, IDS_INVALID_DATUM_ROTATION_Z},
         {ui->scaleFactor, IDS_INVALID_DATUM_SCALE}},
        false);
}

bool CDialogSelectDatum::StoreRow(int& id, std::string& message)
{
    if (!Check())
        return false;
    DatumValues v;
    v.name = ToUtf8(ui->datumName->text());
    v.file = ToUtf8(ui->gridFile->text());
    v.ellipsoid = ellipsoidId;
    v.prime = meridianId;
    v.method = method;
    TakeNumbers({{&v.scaleFactor, ui->scaleFactor}, {&v.deltaX, ui->translationX}, {&v.deltaY, ui->translationY},
                 {&v.deltaZ, ui->translationZ}, {&v.rotationX, ui->rotationX}, {&v.rotationY, ui->rotationY},
                 {&v.rotationZ, ui->rotationZ}});
    if (!SaveDatum(v, id, &message))
        return false;
    if (!accuracyFields->Save(id, method))
        message = "The accuracy of the datum could not be stored.";
    return true;
}
