#include "DialogGeoidModels.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <array>
#include <vector>

#include "CatalogueLookups.h"
#include "CatalogueRows.h"
#include "CatalogueStatements.h"
#include "Choosers.h"
#include "DialogText.h"
#include "GeoidModels.h"
#include "Messages.h"

using namespace DialogText;

namespace {

QLineEdit* Field(QWidget* parent, const char* objectName)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(objectName));
    return field;
}

QPushButton* Button(QWidget* parent, const QString& text, const char* objectName)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CDialogGeoidModels::CDialogGeoidModels(QWidget* parent) : CCatalogueDialog(parent)
{
    setObjectName(QStringLiteral("CDialogGeoidModels"));
    setWindowTitle(tr("Geoid Models"));
    // Created in the order the Tab key goes.
    search = Field(this, "searchField");
    search->setPlaceholderText(tr("Search"));
    list = new QTreeView(this);
    list->setObjectName(QStringLiteral("geoidModelList"));
    list->setMinimumWidth(300);
    name = Field(this, "geoidModelName");
    file = Field(this, "geoidModelFile");
    fileState = new QLabel(this);
    fileState->setObjectName(QStringLiteral("geoidModelFileState"));
    fileState->setWordWrap(true);
    // A long folder wraps within the fields' width rather than widen them.
    fileState->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    datumName = Field(this, "geoidModelDatumName");
    datumName->setReadOnly(true);
    datumSelect = Button(this, tr("Se&lect..."), "datumSelectButton");
    area = Field(this, "geoidModelArea");
    accuracy = Field(this, "geoidModelAccuracy");
    const std::array<QPushButton*, 5> buttons = {
        Button(this, tr("&Add"), "addButton"), Button(this, tr("&Modify"), "modifyButton"),
        Button(this, tr("&Delete"), "deleteButton"), Button(this, tr("OK"), "okButton"),
        Button(this, tr("Cancel"), "cancelButton")};
    buttons[3]->setDefault(true);
    LayOut(buttons);

    SetUpFlow({.list = list, .search = search, .headers = {tr("EPSG"), tr("Geoid model")}, .add = buttons[0], .modify = buttons[1], .remove = buttons[2],
               .ok = buttons[3], .cancel = buttons[4], .editingOnly = {datumSelect},
               .fields = {name, file, area, accuracy},
               .addFocus = name, .modifyFocus = file,
               .deleteQuestion = IDS_ASK_DELETE_GEOID_MODEL, .deleteRow = DeleteGeoidModel,
               .columnShares = {0.2, 0.8}});
    connect(datumSelect, &QPushButton::clicked, this, [this] {
        ChooseWithName([this](int& id) { return ChooseDatumInDialog(this, id); }, datumId, LookupDatumName,
                       datumName);
    });
    connect(file, &QLineEdit::textChanged, this, [this] { ShowFileState(); });
    RefillList();
    ShowFileState();
}

void CDialogGeoidModels::LayOut(const std::array<QPushButton*, 5>& buttons)
{
    auto* fields = new QGridLayout;
    int row = 0;
    auto labelled = [&](const QString& text, QWidget* field, QWidget* after = nullptr) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1, 1, after == nullptr ? 2 : 1);
        if (after != nullptr)
            fields->addWidget(after, row, 2);
        ++row;
    };
    labelled(tr("&Name:"), name);
    labelled(tr("Grid &file:"), file);
    fields->addWidget(fileState, row++, 1, 1, 2);
    labelled(tr("Da&tum:"), datumName, datumSelect);
    labelled(tr("A&rea:"), area);
    labelled(tr("Accurac&y (m):"), accuracy);
    fields->setRowStretch(row, 1);
    // Add, Modify and Delete on the left, OK and Cancel on the right.
    auto* editing = new QHBoxLayout;
    for (std::size_t k = 0; k < buttons.size(); ++k)
    {
        if (k == 3)
            editing->addStretch(1);
        editing->addWidget(buttons[k]);
    }
    auto* left = new QVBoxLayout;
    left->addWidget(search);
    left->addWidget(list);
    auto* body = new QHBoxLayout;
    body->addLayout(left, 2);
    body->addLayout(fields, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(editing);
    resize(820, 380);
}

void CDialogGeoidModels::RefillList()
{
    std::vector<GeoidModelRow> models;
    ListGeoidModels(models);
    std::vector<NamedRow> rows;
    for (const GeoidModelRow& model : models)
        rows.push_back(NamedRow{model.id, model.name});
    ShowNamedRows(std::move(rows));
}

void CDialogGeoidModels::ShowSelected()
{
    ClearForAdding();
    GeoidModelRow row;
    if (selectedId == 0 || !FindGeoidModel(selectedId, row))
        return;
    name->setText(FromUtf8(row.name));
    file->setText(FromUtf8(row.file));
    datumId = row.datumId;
    CCxString datum;
    LookupDatumName(datumId, datum);
    datumName->setText(FromUtf8(datum.str()));
    area->setText(FromUtf8(row.area));
    ShowNumbers({{accuracy, "%g", row.accuracy}});
}

void CDialogGeoidModels::ClearForAdding()
{
    for (QLineEdit* field : {name, file, datumName, area, accuracy})
        field->clear();
    datumId = 0;
}

void CDialogGeoidModels::ShowFileState()
{
    const std::vector<std::string> folders = GeoidFolders();
    const std::string typed = ToUtf8(file->text().trimmed());
    const std::string found = FindGeoidFile(typed);
    if (typed.empty())
        fileState->setText(tr("A GTX or GeoTIFF grid, looked for in %1 and %2.")
                               .arg(FromUtf8(folders[0]), FromUtf8(folders[1])));
    else if (!found.empty())
        fileState->setText(tr("Found: %1").arg(FromUtf8(found)));
    else
        fileState->setText(tr("Missing: put the file in %1 or in %2; conversions with this model are refused "
                              "until it is there.")
                               .arg(FromUtf8(folders[0]), FromUtf8(folders[1])));
    // A folder name too long for the width is read whole here.
    fileState->setToolTip(fileState->text());
}

bool CDialogGeoidModels::StoreRow(int& id, std::string& message)
{
    GeoidModelValues values;
    values.name = ToUtf8(name->text().trimmed());
    values.file = ToUtf8(file->text().trimmed());
    values.datumId = datumId;
    values.area = ToUtf8(area->text().trimmed());
    values.accuracy = ToUtf8(accuracy->text().trimmed());
    return SaveGeoidModel(values, id, &message);
}

bool CDialogGeoidModels::MayDelete()
{
    if (selectedId > kLastShippedId)
        return true;
    ShowMessageText("This geoid model is shipped with the program and is kept; you may delete the models you "
                    "added.");
    return false;
}
