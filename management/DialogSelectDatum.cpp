#include "DialogSelectDatum.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QStyle>
#include <QUrl>
#include <vector>

#include "CatalogueConnection.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "CxAdo.h"
#include "DialogSelectEllipsoid.h"
#include "DialogSelectMeridian.h"
#include "DialogText.h"
#include "Messages.h"
#include "OpenAddress.h"
#include "CatalogueRows.h"
#include "ListSearch.h"
#include "ui_DialogSelectDatum.h"

using namespace DialogText;

namespace {

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

    chooseEllipsoid = [this](int& id) {
        CDialogSelectEllipsoid dialog(this);
        dialog.SelectedEllipsoidId = id;
        if (dialog.exec() != QDialog::Accepted)
            return false;
        id = dialog.SelectedEllipsoidId;
        return true;
    };
    chooseMeridian = [this](int& id) {
        CDialogSelectMeridian dialog(this);
        dialog.SelectedMeridianId = id;
        if (dialog.exec() != QDialog::Accepted)
            return false;
        id = dialog.SelectedMeridianId;
        return true;
    };
    chooseGridFile = [this](const QString& start) {
        return QFileDialog::getOpenFileName(this, tr("Grid File"), start, QString(), nullptr,
                                            QFileDialog::ReadOnly | QFileDialog::DontUseNativeDialog);
    };
    openUrl = [](const QString& url) { OpenAddress(url); };

    // 1. Columns and rows.
    QTreeWidget* list = ui->datumList;
    SetUpSelectionList(list, {tr("EPSG"), tr("Datum")});
    RefillList();

    // 2. Images, the conversion methods by their numbers, the link.
    QStyle* s = style();
    SetFlowIcons(ui->addButton, ui->modifyButton, ui->deleteButton, ui->okButton, ui->cancelButton);
    for (QPushButton* b : {ui->ellipsoidSelectButton, ui->meridianSelectButton, ui->gridFileSelectButton})
        b->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
    const QStringList methods = {tr("None"), tr("Molodensky"), tr("Bursa Wolf"),
                                 tr("NADCON"), tr("HARN/HPGN"), tr("NTv2")};
    for (int i = 0; i < methods.size(); ++i)
        ui->conversionList->addItem(methods[i], i);
    ui->conversionList->setCurrentIndex(MethodNone);
    ui->linkButton->setToolTip(QString::fromLatin1(kDatumsPage));

    SetUpFlow(list, ui->okButton, {ui->addButton, ui->modifyButton, ui->deleteButton, list},
              {ui->ellipsoidSelectButton, ui->meridianSelectButton, ui->conversionList},
              {ui->gridFile, ui->datumName, ui->translationX, ui->translationY, ui->translationZ, ui->rotationX,
               ui->rotationY, ui->rotationZ, ui->scaleFactor});
    connect(ui->conversionList, &QComboBox::activated, this, &CDialogSelectDatum::OnMethodChosen);
    connect(ui->searchField, &QLineEdit::textChanged, this,
            [this](const QString& text) { NarrowTree(ui->datumList, 1, text); });
    connect(ui->addButton, &QPushButton::clicked, this, &CDialogSelectDatum::OnAdd);
    connect(ui->modifyButton, &QPushButton::clicked, this, [this] { ModifySelected(ui->translationX); });
    connect(ui->deleteButton, &QPushButton::clicked, this,
            [this] { DeleteSelected(IDS_ASK_DELETE_DATUM, CatalogueSql::D8); });
    connect(ui->ellipsoidSelectButton, &QPushButton::clicked, this, &CDialogSelectDatum::OnSelectEllipsoid);
    connect(ui->meridianSelectButton, &QPushButton::clicked, this, &CDialogSelectDatum::OnSelectMeridian);
    connect(ui->gridFileSelectButton, &QPushButton::clicked, this, &CDialogSelectDatum::OnSelectGridFile);
    connect(ui->okButton, &QPushButton::clicked, this, &CDialogSelectDatum::accept);
    connect(ui->cancelButton, &QPushButton::clicked, this, &CDialogSelectDatum::reject);
    connect(ui->linkButton, &QPushButton::clicked, this, [this] { openUrl(QString::fromLatin1(kDatumsPage)); });

    EndEditing();
}

CDialogSelectDatum::~CDialogSelectDatum() = default;

void CDialogSelectDatum::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (opened)
        return;
    opened = true;
    QTreeWidget* list = ui->datumList;
    const int width = list->width();
    list->setColumnWidth(0, static_cast<int>(width * 0.15));
    list->setColumnWidth(1, static_cast<int>(width * 0.85));
    // 3. The caller's datum, set after construction; 4. the method rule.
    if (SelectedDatumId != 0)
        SelectRow(SelectedDatumId);
    ApplyMethodRule(true);
}

void CDialogSelectDatum::RefillList()
{
    QTreeWidget* list = ui->datumList;
    list->setUpdatesEnabled(false);
    list->clear();
    mark = -1;
    QList<QTreeWidgetItem*> rows;
    if (filterMode == 1)
    {
        auto* all = new QTreeWidgetItem({QString(), tr(" Show all datums")});
        all->setData(0, Qt::UserRole, 0);
        rows.append(all);
    }
    std::vector<NamedRow> datums;
    ListDatums(datums);
    std::stable_sort(datums.begin(), datums.end(), [](const NamedRow& a, const NamedRow& b) {
        return NaturalLess(FromUtf8(a.name), FromUtf8(b.name));
    });
    for (const NamedRow& row : datums)
    {
        auto* item = new QTreeWidgetItem({EpsgCell(row.id), FromUtf8(row.name)});
        item->setData(0, Qt::UserRole, row.id);
        rows.append(item);
    }
    list->addTopLevelItems(rows);
    NarrowTree(list, 1, ui->searchField->text());
    list->setUpdatesEnabled(true);
}

void CDialogSelectDatum::ShowSelected()
{
    for (QLineEdit* field : std::initializer_list<QLineEdit*>{ui->datumName, ui->ellipsoidName, ui->meridianName, ui->gridFile, ui->scaleFactor,
                             ui->translationX, ui->translationY, ui->translationZ, ui->rotationX, ui->rotationY,
                             ui->rotationZ})
        field->clear();
    CCxAdo ado;
    if (!OpenCatalogue(ado) || ado.OpenRecordset(FormatStatement(CatalogueSql::D4, SelectedDatumId).c_str()) != 1)
        return;
    std::string text;
    ado.GetFieldString("strDatum", text);
    ui->datumName->setText(FromUtf8(text));
    ado.GetFieldLong("numEllipsoid", ellipsoidId);
    ado.GetFieldLong("numMethod", method);
    if (method >= 0 && method < ui->conversionList->count())
        ui->conversionList->setCurrentIndex(method);
    text.clear();
    ado.GetFieldString("strEllipsoid", text);
    ui->ellipsoidName->setText(FromUtf8(text));
    text.clear();
    ado.GetFieldString("strFile", text);
    ui->gridFile->setText(FromUtf8(text));
    ado.GetFieldLong("numPrime", meridianId);
    text.clear();
    ado.GetFieldString("strMeridian", text);
    ui->meridianName->setText(FromUtf8(text));
    auto number = [&ado](const char* field, const char* format) {
        double value = 0.0;
        ado.GetFieldDouble(field, value);
        return Number(format, value);
    };
    ui->scaleFactor->setText(number("dblScaleFactor", "%lf"));
    ui->translationX->setText(number("dblDeltaX", "%.3lf"));
    ui->translationY->setText(number("dblDeltaY", "%.3lf"));
    ui->translationZ->setText(number("dblDeltaZ", "%.3lf"));
    ui->rotationX->setText(number("dblRotationX", "%.3lf"));
    ui->rotationY->setText(number("dblRotationY", "%.3lf"));
    ui->rotationZ->setText(number("dblRotationZ", "%.3lf"));
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
}

void CDialogSelectDatum::OnMethodChosen(int /*index*/)
{
    ApplyMethodRule(true);
}

void CDialogSelectDatum::OpenFields()
{
    ui->datumName->setReadOnly(false);
    ApplyMethodRule(false);
}

void CDialogSelectDatum::CloseFields()
{
    CCatalogueDialog::CloseFields();
    ui->gridFileSelectButton->setEnabled(false);
}

void CDialogSelectDatum::OnAdd()
{
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
    StartEditing(Adding);
    ui->datumName->setFocus();
}

void CDialogSelectDatum::OnSelectEllipsoid()
{
    ChooseWithName(chooseEllipsoid, ellipsoidId, LookupEllipsoidName, ui->ellipsoidName);
}

void CDialogSelectDatum::OnSelectMeridian()
{
    ChooseWithName(chooseMeridian, meridianId, LookupMeridianName, ui->meridianName);
}

void CDialogSelectDatum::OnSelectGridFile()
{
    if (!chooseGridFile)
        return;
    const QString current = ui->gridFile->text();
    const QString start =
        QString::fromStdString(GridFolder()) + (current.isEmpty() ? QStringLiteral("conus.las") : current);
    const QString chosen = chooseGridFile(start);
    if (chosen.isEmpty() || !BringIntoDataFolder(chosen))
        return;
    ui->gridFile->setText(QFileInfo(chosen).fileName());
}

bool CDialogSelectDatum::Validate()
{
    if (ui->datumName->text().isEmpty())
    {
        ShowMessage(IDS_MISSING_NAME);
        return false;
    }
    if (ellipsoidId == 0)
    {
        ShowMessage(IDS_DATUM_NEEDS_ELLIPSOID);
        return false;
    }
    // A text that is no number would make the statement fail without a word.
    const std::pair<QLineEdit*, int> checks[] = {
        {ui->translationX, IDS_INVALID_DATUM_TRANSLATION_X}, {ui->translationY, IDS_INVALID_DATUM_TRANSLATION_Y},
        {ui->translationZ, IDS_INVALID_DATUM_TRANSLATION_Z}, {ui->rotationX, IDS_INVALID_DATUM_ROTATION_X},
        {ui->rotationY, IDS_INVALID_DATUM_ROTATION_Y},       {ui->rotationZ, IDS_INVALID_DATUM_ROTATION_Z},
        {ui->scaleFactor, IDS_INVALID_DATUM_SCALE},
    };
    for (const auto& [field, message] : checks)
    {
        if (!IsNumberText(field->text()))
        {
            ShowMessage(message);
            return false;
        }
    }
    return true;
}

bool CDialogSelectDatum::SaveEdited()
{
    if (!Validate())
        return false;
    DatumValues v;
    v.name = ToUtf8(ui->datumName->text());
    v.file = ToUtf8(ui->gridFile->text());
    v.ellipsoid = ellipsoidId;
    v.prime = meridianId;
    v.method = method;
    v.scaleFactor = NumberLiteral(ui->scaleFactor->text());
    v.deltaX = NumberLiteral(ui->translationX->text());
    v.deltaY = NumberLiteral(ui->translationY->text());
    v.deltaZ = NumberLiteral(ui->translationZ->text());
    v.rotationX = NumberLiteral(ui->rotationX->text());
    v.rotationY = NumberLiteral(ui->rotationY->text());
    v.rotationZ = NumberLiteral(ui->rotationZ->text());
    std::string sql;
    if (CurrentState() == Adding)
    {
        long id = 0;
        if (NextUserIdentifier(CatalogueSql::D5, id) && FormatDatumInsert(id, v, sql) &&
            RunCatalogueStatement(sql) == 0)
            SelectedDatumId = static_cast<int>(id);
    }
    else if (FormatDatumUpdate(SelectedDatumId, v, sql))
        RunCatalogueStatement(sql);
    return true;
}
