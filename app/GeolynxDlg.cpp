#include "GeolynxDlg.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <QFileDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QToolButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "CatalogueLoaders.h"
#include "CatalogueLookups.h"
#include "Choosers.h"
#include "ConfigurationRecord.h"
#include "ConversionNote.h"
#include "DialogAbout.h"
#include "DialogDistance.h"
#include "DialogSelectCountry.h"
#include "DialogSelectDatum.h"
#include "DialogSelectEllipsoid.h"
#include "DialogSelectGrid.h"
#include "DialogText.h"
#include "DistanceText.h"
#include "HeightChoice.h"
#include "GeolynxApp.h"
#include "Messages.h"
#include "NotationForm.h"
#include "NumberText.h"
#include "OpenAddress.h"
#include "CatalogueRows.h"
#include "WzdSheet.h"
#include "ui_GeolynxDlg.h"

namespace {

constexpr int kWgs84 = 4326;
// Distance of the hemisphere field from the first field, and the widths of
// the fields in each form.
constexpr int kHemisphereOffset = 140;
constexpr int kRowSpacing = 25;
constexpr int kFieldGap = 10;
constexpr int kRecentWidth = 22;

const char* SidePrefix(CGeolynxDlg::Side side)
{
    return side == CGeolynxDlg::Source ? "source" : "destination";
}

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

std::string Std(const QString& s)
{
    return s.toStdString();
}

// A message whose text carries one "%s".
void ShowWith(int id, const std::string& detail)
{
    std::string text = LoadMessage(id);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, detail);
    MessagePresenter().Show(id, text);
}

const char* SideName(CGeolynxDlg::Side side)
{
    return side == CGeolynxDlg::Source ? "Source" : "Destination";
}

// A field as messages name it: "Latitude", "Latitude minutes",
// "Longitude hemisphere", "Northing".
std::string FieldName(const CoordinateSide& s, CoordinateAxis axis, int field)
{
    const bool latitude = axis == AxisLatitude;
    if (const DisplayForm* shown = SideForm(s.IsGridForm(), s.displayMode);
        shown != nullptr && shown->notation != MapNotation::None)
        return "Reference";
    if (s.IsGridForm())
        return latitude ? "Northing" : "Easting";
    std::string name = latitude ? "Latitude" : "Longitude";
    const DisplayForm* form = SideForm(false, s.displayMode);
    if (field == kHemisphereField)
        return name + " hemisphere";
    // A lone degrees field is the coordinate itself.
    if (form != nullptr && form->fieldCount > 1 && field < form->fieldCount)
        name += std::string(" ") + form->fieldNames[static_cast<std::size_t>(field)];
    return name;
}

// Beside the configuration file; none without one.
std::string RecentSystemsPath(const std::string& configuration)
{
    if (configuration.empty())
        return std::string();
    return (std::filesystem::path(configuration).parent_path() / "recent-systems.txt").string();
}

// The two sides, placed by hand at their template's size or wider; on a
// smaller screen they scroll.
class FormScroll : public QScrollArea
{
public:
    explicit FormScroll(QWidget* parent) : QScrollArea(parent)
    {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
    }
    QSize sizeHint() const override { return widget()->sizeHint(); }
};

// The two sides side by side from the template's width on, one above the
// other below it: the scroll area asks the height each width needs.
class SidesForm : public QWidget
{
public:
    using QWidget::QWidget;
    QSize wide;
    int stackedHeight = 0;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width < wide.width() ? stackedHeight : wide.height(); }
    QSize sizeHint() const override { return wide; }
};

} // namespace

CGeolynxDlg::CGeolynxDlg(CGeolynxApp& application, std::string configuration, QWidget* parent)
    : QDialog(parent), app(application), configurationPath(std::move(configuration)),
      ui(std::make_unique<Ui::CGeolynxDlg>())
{
    // The recent grids and datums live beside the configuration.
    recent = std::make_unique<CRecentSystems>(RecentSystemsPath(configurationPath));
    form = new SidesForm(this);
    ui->setupUi(form);
    form->installEventFilter(this);
    // The form places its fields by hand, as the dialog template did;
    // PlaceForm stretches the name fields over any extra width.
    baseFormSize = form->size();
    form->setMinimumSize(baseFormSize);
    setWindowTitle(form->windowTitle());
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The sides and the note under them scroll together on a small screen.
    auto* content = new QWidget(this);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(form);
    conversionNote = new CConversionNote(content);
    column->addWidget(conversionNote);
    formScroll = new FormScroll(this);
    formScroll->setWidget(content);
    layout->addWidget(formScroll);
    BuildMenu();
    layout->setMenuBar(menu);

    for (Side side : {Source, Destination})
    {
        const QString p = QString::fromLatin1(SidePrefix(side));
        auto edit = [&](const char* name) { return form->findChild<QLineEdit*>(p + QLatin1String(name)); };
        auto label = [&](const char* name) { return form->findChild<QLabel*>(p + QLatin1String(name)); };
        auto radio = [&](const char* name) { return form->findChild<QRadioButton*>(p + QLatin1String(name)); };
        SideControls& c = controls[side];
        c.gridName = edit("GridName");
        c.datumName = edit("DatumName");
        c.note = label("Note");
        c.latitudeLabel = label("LatitudeLabel");
        c.longitudeLabel = label("LongitudeLabel");
        c.latitude = {edit("Latitude1"), edit("Latitude2"), edit("Latitude3"), edit("LatitudeHemisphere")};
        c.longitude = {edit("Longitude1"), edit("Longitude2"), edit("Longitude3"), edit("LongitudeHemisphere")};
        c.latitudeUnit = label("LatitudeUnit");
        c.longitudeUnit = label("LongitudeUnit");
        // One button for each geographic form, as the table lists them; a
        // form the template has no button for gets one below the last.
        for (const DisplayForm& f : DisplayForms())
        {
            if (*f.buttonName == 0)
                continue;
            QRadioButton* r = radio(f.buttonName);
            if (r == nullptr && !c.modes.empty())
            {
                QRadioButton* last = c.modes.back().second;
                r = new QRadioButton(tr(f.buttonText), last->parentWidget());
                r->setObjectName(p + QLatin1String(f.buttonName));
                r->setGeometry(last->geometry().translated(0, last->height()));
            }
            if (r != nullptr)
                c.modes.emplace_back(f.mode, r);
        }
        c.altitude = edit("Altitude");
        FilterFieldKeys(side);
        heightChoices[side] = new CHeightChoice(form, p);
        connect(heightChoices[side], &QComboBox::activated, this, [this] {
            ResetDestination();
            conversionNote->clear();
        });
        // Each label names its field for screen readers and its shortcut.
        label("GridLabel")->setBuddy(c.gridName);
        label("DatumLabel")->setBuddy(c.datumName);
        c.latitudeLabel->setBuddy(c.latitude[0]);
        c.longitudeLabel->setBuddy(c.longitude[0]);
        label("AltitudeLabel")->setBuddy(c.altitude);

        for (auto [mode, r] : c.modes)
            connect(r, &QRadioButton::clicked, this, [this, side, mode = mode] { ChangeMode(side, mode); });
        auto* notation = new CNotationChooser(c.latitude[0]->parentWidget(), p);
        connect(notation, &CNotationChooser::formChosen, this, [this, side](int mode) { ChangeMode(side, mode); });
        if (side == Source)
            connect(notation, &CNotationChooser::referencePasted, this, [this] { PasteCoordinate(Source); });
        connect(notation, &CNotationChooser::styleChosen, this, [this, side](int choice) {
            PullTexts();
            sides[side].ChangeStyle(choice);
            PushTexts();
        });
        auto button = [&](const char* name) { return form->findChild<QPushButton*>(p + QLatin1String(name)); };
        connect(button("GridSelect"), &QPushButton::clicked, this, [this, side] { SelectGrid(side); });
        connect(button("DatumSelect"), &QPushButton::clicked, this, [this, side] { SelectDatum(side); });
        AddRecentButton(side, CRecentSystems::Grids, button("GridSelect"));
        AddRecentButton(side, CRecentSystems::Datums, button("DatumSelect"));
        connect(button("Map"), &QPushButton::clicked, this, [this, side] { ShowMap(side); });
        button("GridSelect")->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
        button("DatumSelect")->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
        button("Map")->setIcon(style()->standardIcon(QStyle::SP_DirLinkIcon));
        // Copy: the side's coordinate as shown, on one line.
        QPushButton* map = button("Map");
        AddCopyButton(side, map);
        QWidget* copy = form->findChild<QWidget*>(p + QLatin1String("Copy"));
        if (side == Source)
        {
            // Paste: a coordinate written as text, read as the fields are.
            auto* paste = new QPushButton(tr("Paste"), map->parentWidget());
            paste->setObjectName(QStringLiteral("sourcePaste"));
            paste->setToolTip(tr("Fill this side from coordinate text on the clipboard, such as "
                                 "\"51.5072, -0.1276\" or \"52 30 30 N 4 30 0 E\" (latitude first without letters); "
                                 "Ctrl+V does the same anywhere in the window"));
            paste->setGeometry(copy->x() - copy->width() - 6, copy->y(), copy->width(), copy->height());
            connect(paste, &QPushButton::clicked, this, [this] { PasteCoordinate(Source); });
        }
        // The radios act as three buttons of one group per side.
        for (auto [mode, r] : c.modes)
            r->setAutoExclusive(false);
    }
    fieldLeft = controls[Source].latitude[0]->x();
    // "Destination Datum:" needs more room than the template gave its label.
    int labelRight = 0;
    for (Side side : {Source, Destination})
    {
        const QString p = QString::fromLatin1(SidePrefix(side));
        for (const char* label : {"GridLabel", "DatumLabel"})
        {
            auto* l = form->findChild<QLabel*>(p + QLatin1String(label));
            l->resize(std::max(l->width(), l->sizeHint().width()), l->height());
            labelRight = std::max(labelRight, l->x() + l->fontMetrics().horizontalAdvance(l->text()));
        }
    }
    const int nameLeft = std::max(controls[Source].gridName->x(), labelRight + 8);
    selectButtonLeft = form->findChild<QPushButton*>(QStringLiteral("sourceGridSelect"))->x();
    // Room for the recent systems' drop-down between each name and its Select button.
    nameFieldWidth = selectButtonLeft - kRecentWidth - 6 - nameLeft;
    for (Side side : {Source, Destination})
        for (QLineEdit* name : {controls[side].gridName, controls[side].datumName})
            name->setGeometry(nameLeft, name->y(), nameFieldWidth, name->height());
    mapButtonLeft = ui->sourceMap->x();
    noteWidth = controls[Source].note->width();
    destinationGroupLeft = ui->destinationGroup->x();
    ui->sourceGroup->setMinimumWidth(ui->sourceGroup->width());
    ui->destinationGroup->setMinimumWidth(ui->destinationGroup->width());

    connect(ui->transformButton, &QPushButton::clicked, this, &CGeolynxDlg::Transform);
    connect(ui->swapButton, &QPushButton::clicked, this, &CGeolynxDlg::Swap);
    connect(ui->clearButton, &QPushButton::clicked, this, &CGeolynxDlg::Clear);
    connect(ui->exitButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->batchButton, &QPushButton::clicked, this, [this] { OpenBatch(); });
    ui->transformButton->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    ui->swapButton->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    ui->clearButton->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    ui->exitButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    ui->batchButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
    ui->batchButton->setEnabled(batchAction->isEnabled());
    ui->transformButton->setDefault(true);
    ui->transformButton->setAutoDefault(true);

    PushTexts();
    if (!configurationPath.empty())
        LoadConfiguration(configurationPath);
    UpdateLayout();
    PushTexts();
    ArrangeWindow(layout);
    NameButtons();
}

CGeolynxDlg::~CGeolynxDlg() = default;

void CGeolynxDlg::ArrangeWindow(QVBoxLayout* layout)
{
    auto* row = new QHBoxLayout();
    row->setContentsMargins(10, 4, 10, 8);
    for (QPushButton* b : {ui->transformButton, ui->batchButton, ui->swapButton, ui->clearButton, ui->exitButton})
    {
        b->setMinimumWidth(std::min(b->width(), b->sizeHint().width()));
        if (b == ui->exitButton)
            row->addStretch();
        row->addWidget(b);
    }
    layout->addLayout(row);
    // The form ends below its two groups, side by side or one above the other.
    const QRect group = ui->sourceGroup->geometry();
    baseFormSize.setHeight(std::max(group.bottom(), ui->destinationGroup->geometry().bottom()) + 8);
    auto* sidesForm = static_cast<SidesForm*>(form);
    sidesForm->wide = baseFormSize;
    sidesForm->stackedHeight = group.y() + 2 * (group.height() + 8);
    form->setMinimumSize(group.width() + 2 * group.x(), baseFormSize.height());

    // As the sides need side by side, with room for a scroll bar that a long
    // note may bring; never larger than the screen.
    const QSize wanted = sizeHint() + QSize(style()->pixelMetric(QStyle::PM_ScrollBarExtent), 0);
    QSize room = wanted;
    if (const QScreen* s = screen())
        room = s->availableGeometry().size() - QSize(16, 40);
    resize(wanted.boundedTo(room).expandedTo(minimumSizeHint()));
}

void CGeolynxDlg::FilterFieldKeys(Side side)
{
    const SideControls& c = controls[side];
    for (QLineEdit* e : {c.latitude[0], c.latitude[1], c.latitude[2], c.latitude[3], c.longitude[0], c.longitude[1],
                         c.longitude[2], c.longitude[3], c.altitude})
    {
        e->installEventFilter(this);
        // The destination shows results: the source is where one types.
        if (side == Destination)
        {
            e->setReadOnly(true);
            e->setToolTip(tr("The result: fill in the source and press Transform"));
        }
    }
}

void CGeolynxDlg::NameButtons()
{
    for (Side side : {Source, Destination})
    {
        const QString p = QString::fromLatin1(SidePrefix(side));
        const std::pair<const char*, QString> buttons[] = {
            {"GridSelect", tr("Select %1 grid").arg(p)},
            {"DatumSelect", tr("Select %1 datum").arg(p)},
            {"Map", tr("Show %1 position on a map").arg(p)},
            {"Copy", tr("Copy %1 coordinate").arg(p)},
            {"Paste", tr("Paste coordinate into %1 side").arg(p)},
            {"GridRecent", tr("Recent grids for %1 side").arg(p)},
            {"DatumRecent", tr("Recent datums for %1 side").arg(p)},
        };
        for (const auto& [object, text] : buttons)
            if (auto* b = form->findChild<QAbstractButton*>(p + QLatin1String(object)))
                b->setAccessibleName(text);
        for (auto [mode, r] : controls[side].modes)
            r->setAccessibleName(tr("%1 form %2").arg(QLatin1String(SideName(side)), r->text()));
    }
    ui->transformButton->setAccessibleName(tr("Transform source to destination"));
    ui->batchButton->setAccessibleName(tr("Batch conversion of files"));
    ui->swapButton->setAccessibleName(tr("Swap source and destination"));
    ui->clearButton->setAccessibleName(tr("Clear both sides"));
    ui->exitButton->setAccessibleName(tr("Exit the program"));
}

void CGeolynxDlg::AddCopyButton(Side side, QPushButton* map)
{
    auto* copy = new QToolButton(map->parentWidget());
    // One Alt letter per window: the source side has it.
    copy->setText(side == Source ? tr("Cop&y") : tr("Copy"));
    copy->setObjectName(QString::fromLatin1(SidePrefix(side)) + QLatin1String("Copy"));
    copy->setToolTip(tr("Copy this side's coordinate as one line of text (Ctrl+C on this side); "
                        "the arrow also copies it after the name of its grid or datum"));
    copy->setPopupMode(QToolButton::MenuButtonPopup);
    auto* menu = new QMenu(copy);
    QAction* plain = menu->addAction(tr("Copy the coordinate"));
    QAction* named = menu->addAction(tr("Copy with the system's name"));
    named->setObjectName(QString::fromLatin1(SidePrefix(side)) + QLatin1String("CopyWithName"));
    copy->setMenu(menu);
    copy->setGeometry(map->x() - map->width() - 6, map->y(), map->width(), map->height());
    connect(copy, &QToolButton::clicked, this, [this, side] { CopyCoordinate(side, false); });
    connect(plain, &QAction::triggered, this, [this, side] { CopyCoordinate(side, false); });
    connect(named, &QAction::triggered, this, [this, side] { CopyCoordinate(side, true); });
}

void CGeolynxDlg::CopyCoordinate(Side side, bool withName)
{
    QString text = CoordinateText(side);
    if (withName)
    {
        // A grid names its datum; a datum side is its datum.
        const CCxString& name = sides[side].gridId != 0 ? gridNames[side] : datumNames[side];
        text = QString::fromUtf8(name.c_str()) + QStringLiteral(": ") + text;
    }
    QGuiApplication::clipboard()->setText(text);
}

CGeolynxDlg::Side CGeolynxDlg::SideOf(const QWidget* widget) const
{
    return widget != nullptr && ui->sourceGroup->isAncestorOf(widget) ? Source : Destination;
}

bool CGeolynxDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The scroll area sizes the form after the window: place the sides then.
    if (watched == form && event->type() == QEvent::Resize)
        PlaceForm();
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == nullptr || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Side side = SideOf(edit);
    if (key->matches(QKeySequence::Copy) && !edit->hasSelectedText())
    {
        CopyCoordinate(side, false);
        return true;
    }
    if (key->matches(QKeySequence::Paste) && side == Source)
    {
        // A single number goes into the field, as in any text box.
        double latitude = 0;
        double longitude = 0;
        std::string reason;
        if (ReadPastedCoordinate(Std(QGuiApplication::clipboard()->text()), sides[side].IsGridForm(), latitude,
                                 longitude, reason))
        {
            PasteCoordinate(Source);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CGeolynxDlg::BuildMenu()
{
    menu = new QMenuBar(this);
    QMenu* file = menu->addMenu(tr("&File"));
    connect(file->addAction(tr("&Save Configuration...")), &QAction::triggered, this, [this] {
        QString path = QFileDialog::getSaveFileName(this, QString(), DialogText::LastFolder(),
                                                    tr("Configuration Files (*.glx)"), nullptr,
                                                    QFileDialog::DontConfirmOverwrite);
        if (path.isEmpty())
            return;
        DialogText::RememberFolder(path);
        if (QFileInfo(path).suffix().isEmpty())
            path += QLatin1String(".glx");
        SaveConfiguration(Std(path));
    });
    connect(file->addAction(tr("&Load Configuration...")), &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QString(), DialogText::LastFolder(),
                                                          tr("Configuration Files (*.glx)"));
        if (path.isEmpty())
            return;
        DialogText::RememberFolder(path);
        LoadConfiguration(Std(path));
    });
    file->addSeparator();
    QAction* exit = file->addAction(tr("E&xit"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    addAction(exit);
    connect(exit, &QAction::triggered, this, &QDialog::accept);

    QMenu* tools = menu->addMenu(tr("T&ools"));
    QMenu* preferences = tools->addMenu(tr("Preferences"));
    manageGrids = preferences->addAction(tr("Manage Grids..."));
    manageDatums = preferences->addAction(tr("Manage Datums..."));
    manageEllipsoids = preferences->addAction(tr("Manage Ellipsoids..."));
    manageCountries = preferences->addAction(tr("Manage Countries..."));
    connect(preferences->addAction(tr("Manage Geoid Models...")), &QAction::triggered, this,
            [this] { ManageGeoidModels(this, {heightChoices[Source], heightChoices[Destination]}); });
    connect(tools->addAction(tr("Calculate Distance...")), &QAction::triggered, this,
            &CGeolynxDlg::CalculateDistance);
    batchAction = tools->addAction(tr("Batch Conversion..."));
    connect(batchAction, &QAction::triggered, this, [this] { OpenBatch(); });
    ConnectManagement();

    QMenu* help = menu->addMenu(tr("&Help"));
    QAction* about = help->addAction(tr("&About..."));
    about->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(about);
    connect(about, &QAction::triggered, this, [this] {
        CDialogAbout about(this);
        about.exec();
    });
    // Outside the fields, which filter their own keys: Ctrl+C copies the
    // side with the focus, Ctrl+V pastes into the source.
    connect(new QShortcut(QKeySequence::Copy, this), &QShortcut::activated, this,
            [this] { CopyCoordinate(SideOf(focusWidget()), false); });
    connect(new QShortcut(QKeySequence::Paste, this), &QShortcut::activated, this,
            [this] { PasteCoordinate(Source); });
}

void CGeolynxDlg::PullTexts()
{
    for (Side side : {Source, Destination})
    {
        const SideControls& c = controls[side];
        CoordinateSide& s = sides[side];
        for (auto [row, edits] : {std::pair{&s.latitude, &c.latitude}, std::pair{&s.longitude, &c.longitude}})
        {
            row->first = Std((*edits)[0]->text());
            row->second = Std((*edits)[1]->text());
            row->third = Std((*edits)[2]->text());
            row->hemisphere = Std((*edits)[3]->text());
        }
        s.altitude = Std(c.altitude->text());
    }
}

void CGeolynxDlg::PushTexts()
{
    for (Side side : {Source, Destination})
    {
        const SideControls& c = controls[side];
        const CoordinateSide& s = sides[side];
        for (auto [row, edits] : {std::pair{&s.latitude, &c.latitude}, std::pair{&s.longitude, &c.longitude}})
        {
            (*edits)[0]->setText(Text(row->first));
            (*edits)[1]->setText(Text(row->second));
            (*edits)[2]->setText(Text(row->third));
            (*edits)[3]->setText(Text(row->hemisphere));
        }
        c.altitude->setText(Text(s.altitude));
        // Long names show their beginning, and whole as a tool tip.
        for (auto [edit, name] : {std::pair{c.gridName, &gridNames[side]}, std::pair{c.datumName, &datumNames[side]}})
        {
            edit->setText(QString::fromUtf8(name->c_str()));
            edit->setCursorPosition(0);
            edit->setToolTip(edit->text());
        }
        c.latitudeUnit->setText(QString::fromUtf8(unitLabels[side].c_str()));
    }
}

void CGeolynxDlg::UpdateLayout()
{
    // Another system or form: the note spoke of the last result.
    conversionNote->clear();
    LayoutSide(Source);
    LayoutSide(Destination);
}

void CGeolynxDlg::LayoutSide(Side side)
{
    SideControls& c = controls[side];
    FitReferenceForm(sides[side]);
    const CoordinateSide& s = sides[side];
    for (int i = 0; i < 4; ++i)
    {
        c.latitude[i]->hide();
        c.longitude[i]->hide();
    }
    c.latitudeUnit->hide();
    c.longitudeUnit->hide();
    c.latitudeUnit->setText(QString::fromUtf8(unitLabels[side].c_str()));
    c.longitudeUnit->setText(c.latitudeUnit->text());

    const DisplayForm* shown = SideForm(s.IsGridForm(), s.displayMode);
    const bool grid = s.IsGridForm();
    c.latitudeLabel->setText(grid ? tr("Northing:") : tr("Latitude:"));
    c.longitudeLabel->setText(grid ? tr("Easting:") : tr("Longitude:"));
    for (auto [mode, radio] : c.modes)
    {
        radio->setVisible(!grid);
        radio->setChecked(!grid && s.displayMode == mode);
    }
    c.note->setVisible(grid);
    c.latitudeUnit->setVisible(grid);
    c.longitudeUnit->setVisible(grid);

    // Left edge and width of each field in the form the side shows: the
    // numbers side by side, the hemisphere letter at its own place; a width
    // of 0 hides the field.
    struct Slot
    {
        int x;
        int width;
    };
    std::array<Slot, 4> placement{};
    if (shown != nullptr)
    {
        int x = 0;
        for (int i = 0; i < shown->fieldCount; ++i)
        {
            const int width = shown->widths[static_cast<std::size_t>(i)];
            placement[static_cast<std::size_t>(i)] = Slot{x, width};
            x += width + kFieldGap;
        }
        if (shown->hemisphere)
            placement[kHemisphereField] = Slot{kHemisphereOffset, 20};
    }
    const int top = c.latitude[0]->y();
    const int height = c.latitude[0]->height();
    for (int i = 0; i < 4; ++i)
    {
        if (placement[i].width == 0)
            continue;
        c.latitude[i]->setGeometry(fieldLeft + placement[i].x, top, placement[i].width, height);
        c.longitude[i]->setGeometry(fieldLeft + placement[i].x, top + kRowSpacing, placement[i].width, height);
        c.latitude[i]->show();
        c.longitude[i]->show();
    }
    form->findChild<CNotationChooser*>(QLatin1String(SidePrefix(side)) + QLatin1String("Notation"))->Show(s);
    NameFields(side);
}

void CGeolynxDlg::PasteCoordinate(Side side)
{
    PullTexts();
    double latitude = 0;
    double longitude = 0;
    std::string reason;
    // A reference switches the side to its form.
    switch (PasteReference(Std(QGuiApplication::clipboard()->text()), sides[side], reason))
    {
    case PastedReference::Taken:
        UpdateLayout();
        PushTexts();
        return;
    case PastedReference::Refused:
        ShowWith(IDS_PASTE_REFUSED, reason);
        return;
    case PastedReference::None:
        break;
    }
    if (!ReadPastedCoordinate(Std(QGuiApplication::clipboard()->text()), sides[side].IsGridForm(), latitude,
                              longitude, reason))
    {
        ShowWith(IDS_PASTE_REFUSED, reason);
        return;
    }
    Write(side, AxisLatitude, latitude);
    Write(side, AxisLongitude, longitude);
}

QString CGeolynxDlg::CoordinateText(Side side)
{
    // The fields the side's form shows, latitude (northing) first, as the
    // user reads them: "052 30 0.00 N, 004 30 0.00 E".
    PullTexts();
    const CoordinateSide& s = sides[side];
    const DisplayForm* shown = SideForm(s.IsGridForm(), s.displayMode);
    if (shown == nullptr)
        return QString();
    if (shown->notation != MapNotation::None)
        return QString::fromStdString(s.latitude.first).trimmed();
    QStringList rows;
    for (const CoordinateRow* row : {&s.latitude, &s.longitude})
    {
        QStringList parts;
        const std::string* fields[] = {&row->first, &row->second, &row->third};
        for (int i = 0; i < shown->fieldCount; ++i)
            parts << QString::fromStdString(*fields[i]).trimmed();
        if (shown->hemisphere)
            parts << QString::fromStdString(row->hemisphere).trimmed();
        rows << parts.join(QLatin1Char(' '));
    }
    return rows.join(QStringLiteral(", "));
}

void CGeolynxDlg::NameFields(Side side)
{
    // Screen readers tell the fields apart by these names.
    const SideControls& c = controls[side];
    const CoordinateSide& s = sides[side];
    const QString prefix = QString::fromLatin1(SideName(side)) + QLatin1Char(' ');
    for (CoordinateAxis axis : {AxisLatitude, AxisLongitude})
    {
        const auto& edits = axis == AxisLatitude ? c.latitude : c.longitude;
        for (int i = 0; i < 4; ++i)
            edits[static_cast<std::size_t>(i)]->setAccessibleName(
                prefix + QString::fromStdString(FieldName(s, axis, i)).toLower());
    }
    c.altitude->setAccessibleName(prefix + tr("altitude"));
    c.gridName->setAccessibleName(prefix + tr("grid"));
    c.datumName->setAccessibleName(prefix + tr("datum"));
}

double CGeolynxDlg::Read(Side side, CoordinateAxis axis)
{
    PullTexts();
    return sides[side].Read(axis);
}

void CGeolynxDlg::Write(Side side, CoordinateAxis axis, double value)
{
    sides[side].Write(axis, value);
    PushTexts();
}

void CGeolynxDlg::WriteAltitude(Side side, double altitude)
{
    sides[side].altitude = FormatAltitude(altitude);
}

void CGeolynxDlg::ChangeMode(Side side, int mode)
{
    // A destination reference emptied by a reset has no point to carry over.
    PullTexts();
    if (side == Destination && ReferenceForm(sides[side].displayMode) != nullptr &&
        sides[side].latitude.first.empty())
    {
        sides[side].displayMode = mode;
        ResetDestination();
        return UpdateLayout();
    }
    // A field that is no number would be rewritten as its leading number.
    if (!CheckSide(side, false))
    {
        UpdateLayout();
        return;
    }
    const double latitude = Read(side, AxisLatitude);
    const double longitude = Read(side, AxisLongitude);
    const int before = sides[side].displayMode;
    sides[side].displayMode = mode;
    Write(side, AxisLatitude, latitude);
    Write(side, AxisLongitude, longitude);
    // A point without a reference keeps the form it had.
    if (const std::string why = sides[side].writeRefusal; ReferenceForm(mode) != nullptr && !why.empty())
    {
        sides[side].displayMode = before;
        Write(side, AxisLatitude, latitude);
        Write(side, AxisLongitude, longitude);
        ShowWith(IDS_POINT_NOT_CONVERTED, why);
    }
    UpdateLayout();
}

void CGeolynxDlg::ReloadNames(Side side)
{
    LookupGridName(sides[side].gridId, gridNames[side]);
    LookupDatumName(sides[side].datumId, datumNames[side]);
}

void CGeolynxDlg::ReloadUnit(Side side)
{
    LookupGridUnitName(sides[side].gridId, unitLabels[side]);
}

bool CGeolynxDlg::CheckSide(Side side, bool withAltitude)
{
    PullTexts();
    const CoordinateSide& s = sides[side];
    const SideControls& c = controls[side];
    for (CoordinateAxis axis : {AxisLatitude, AxisLongitude})
    {
        const RowRefusal refusal =
            CheckCoordinate(axis == AxisLatitude ? s.latitude : s.longitude, axis, s.IsGridForm(), s.displayMode);
        if (!refusal)
            continue;
        const std::string field = std::string(SideName(side)) + " " + FieldName(s, axis, refusal.field);
        if (refusal.reason == "not a number")
            ShowWith(IDS_FIELD_NOT_A_NUMBER, field);
        else
            ShowWith(IDS_FIELD_REFUSED, field + ": " + refusal.reason);
        (axis == AxisLatitude ? c.latitude : c.longitude)[static_cast<std::size_t>(refusal.field)]->setFocus();
        return false;
    }
    if (withAltitude && !IsAltitudeText(s.altitude))
    {
        ShowWith(IDS_FIELD_NOT_A_NUMBER, std::string(SideName(side)) + " Altitude");
        c.altitude->setFocus();
        return false;
    }
    return true;
}

bool CGeolynxDlg::Convert(double& x, double& y, double& z, int sourceDatum, int sourceGrid, int destinationDatum,
                          int destinationGrid)
{
    CCatalogueRecordLoader loader;
    switch (ConvertCoordinate(app.conversion, loader, true, x, y, z, sourceDatum, sourceGrid, destinationDatum,
                              destinationGrid))
    {
    case kConvertDone:
        return true;
    case kConvertPointFailed:
        ShowWith(IDS_POINT_NOT_CONVERTED, app.conversion.engine.Failure());
        return false;
    default:
        // The conversion has said why.
        return false;
    }
}

void CGeolynxDlg::Transform()
{
    if (!CheckSide(Source, true))
        return;
    double y = Read(Source, AxisLatitude);
    double x = Read(Source, AxisLongitude);
    double z = ReadAltitude(sides[Source].altitude);
    const CoordinateSide& s = sides[Source];
    const CoordinateSide& d = sides[Destination];
    const double sourceX = x;
    const double sourceY = y;
    const CHeightSystemsInUse heights(app.conversion, *heightChoices[Source], *heightChoices[Destination]);
    if (!Convert(x, y, z, s.datumId, s.gridId, d.datumId, d.gridId))
    {
        // What the destination showed belongs to another coordinate.
        ResetDestination();
        return;
    }
    conversionNote->Describe(s.datumId, s.gridId, d.datumId, d.gridId, sourceX, sourceY);
    conversionNote->NameHeights(app.conversion.heightModels.get());
    Write(Destination, AxisLatitude, y);
    Write(Destination, AxisLongitude, x);
    WriteAltitude(Destination, z);
    PushTexts();
    // A point outside the destination's reference grid leaves its text empty.
    if (ReferenceForm(d.displayMode) != nullptr && !d.writeRefusal.empty())
        ShowWith(IDS_POINT_NOT_CONVERTED, d.writeRefusal);
    // One side above the other on a small screen: the result comes into view.
    formScroll->ensureWidgetVisible(ui->destinationGroup, 0, 0);
}

void CGeolynxDlg::Swap()
{
    if (!CheckSide(Source, true) || !CheckSide(Destination, true))
        return;
    const double destinationLatitude = Read(Destination, AxisLatitude);
    const double destinationLongitude = Read(Destination, AxisLongitude);
    const double destinationAltitude = ReadAltitude(sides[Destination].altitude);
    const double sourceLatitude = Read(Source, AxisLatitude);
    const double sourceLongitude = Read(Source, AxisLongitude);
    const double sourceAltitude = ReadAltitude(sides[Source].altitude);

    std::swap(sides[Source].displayMode, sides[Destination].displayMode);
    std::swap(sides[Source].style, sides[Destination].style);
    std::swap(sides[Source].gridId, sides[Destination].gridId);
    std::swap(sides[Source].datumId, sides[Destination].datumId);
    SwapHeightChoices(*heightChoices[Source], *heightChoices[Destination]);

    Write(Source, AxisLatitude, destinationLatitude);
    Write(Source, AxisLongitude, destinationLongitude);
    WriteAltitude(Source, destinationAltitude);
    Write(Destination, AxisLatitude, sourceLatitude);
    Write(Destination, AxisLongitude, sourceLongitude);
    WriteAltitude(Destination, sourceAltitude);

    for (Side side : {Source, Destination})
    {
        ReloadNames(side);
        ReloadUnit(side);
    }
    UpdateLayout();
    PushTexts();
}

void CGeolynxDlg::ResetDestination()
{
    Write(Destination, AxisLatitude, 0);
    Write(Destination, AxisLongitude, 0);
    WriteAltitude(Destination, 0);
    // A reference of 0, 0 would look like a result.
    if (ReferenceForm(sides[Destination].displayMode) != nullptr)
        sides[Destination].latitude.first.clear();
    PushTexts();
}

void CGeolynxDlg::Clear()
{
    if (!AskMessage(0, "Are you sure you want to reset all fields?"))
        return;
    for (Side side : {Destination, Source})
    {
        sides[side].gridId = 0;
        sides[side].datumId = 0;
        sides[side].displayMode = ModeDegreesMinutesSeconds;
        heightChoices[side]->SetModelId(0);
    }
    for (Side side : {Destination, Source})
    {
        Write(side, AxisLatitude, 0);
        Write(side, AxisLongitude, 0);
        WriteAltitude(side, 0);
    }
    ReloadNames(Destination);
    ReloadNames(Source);
    UpdateLayout();
    PushTexts();
}

void CGeolynxDlg::SelectGrid(Side side)
{
    PullTexts();
    int gridId = sides[side].gridId;
    int datumId = sides[side].datumId;
    if (ChooseGridInDialog(app, this, gridId, datumId))
        TakeGrid(side, gridId, datumId);
    PushTexts();
}

void CGeolynxDlg::TakeGrid(Side side, int gridId, int datumId)
{
    PullTexts();
    CoordinateSide& s = sides[side];
    if (gridId != s.gridId || datumId != s.datumId)
        ResetDestination();
    s.gridId = gridId;
    s.datumId = datumId;
    if (!IsSideForm(true, s.displayMode))
    {
        s.displayMode = ModeGrid;
        Write(side, AxisLatitude, 0);
        Write(side, AxisLongitude, 0);
    }
    recent->Add(CRecentSystems::Grids, gridId);
    ReloadNames(side);
    ReloadUnit(side);
    UpdateLayout();
    PushTexts();
}

void CGeolynxDlg::SelectDatum(Side side)
{
    PullTexts();
    int datumId = sides[side].datumId;
    if (ChooseDatumInDialog(this, datumId))
        TakeDatum(side, datumId);
    PushTexts();
}

void CGeolynxDlg::TakeDatum(Side side, int datumId)
{
    PullTexts();
    CoordinateSide& s = sides[side];
    if (datumId != s.datumId || s.gridId != 0)
        ResetDestination();
    if (s.IsGridForm())
    {
        s.gridId = 0;
        s.displayMode = ModeDegreesMinutesSeconds;
        Write(side, AxisLatitude, 0);
        Write(side, AxisLongitude, 0);
    }
    s.datumId = datumId;
    recent->Add(CRecentSystems::Datums, datumId);
    ReloadNames(side);
    UpdateLayout();
    PushTexts();
}

void CGeolynxDlg::AddRecentButton(Side side, CRecentSystems::Kind kind, QPushButton* select)
{
    const bool grids = kind == CRecentSystems::Grids;
    auto* button = new QToolButton(select->parentWidget());
    button->setObjectName(QString::fromLatin1(SidePrefix(side)) +
                          QLatin1String(grids ? "GridRecent" : "DatumRecent"));
    button->setArrowType(Qt::DownArrow);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    button->setToolTip(grids ? tr("The last ten grids chosen on either side")
                             : tr("The last ten datums chosen on either side"));
    button->setGeometry(select->x() - kRecentWidth - 2, select->y(), kRecentWidth, select->height());
    auto* menu = new QMenu(button);
    menu->setObjectName(button->objectName() + QLatin1String("Menu"));
    button->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu, side, kind] { FillRecentMenu(menu, side, kind); });
}

void CGeolynxDlg::FillRecentMenu(QMenu* menu, Side side, CRecentSystems::Kind kind)
{
    menu->clear();
    const bool grids = kind == CRecentSystems::Grids;
    for (int id : recent->List(kind))
    {
        // Rows deleted from the catalogue since are not offered.
        GridRow grid;
        if (grids ? !LoadGrid(id, grid) : FindDatumRow(id) != RowPresence::Present)
            continue;
        CCxString name;
        grids ? LookupGridName(id, name) : LookupDatumName(id, name);
        QAction* item = menu->addAction(QString::fromUtf8(name.c_str()));
        item->setData(id);
        connect(item, &QAction::triggered, this, [this, side, grids, id, datum = grid.datum] {
            grids ? TakeGrid(side, id, datum) : TakeDatum(side, id);
        });
    }
    if (menu->isEmpty())
        menu->addAction(grids ? tr("No grid chosen yet") : tr("No datum chosen yet"))->setEnabled(false);
}

bool CGeolynxDlg::ConvertToWgs84(Side side, double& latitude, double& longitude)
{
    if (!CheckSide(side, true))
        return false;
    latitude = Read(side, AxisLatitude);
    longitude = Read(side, AxisLongitude);
    double z = ReadAltitude(sides[side].altitude);
    return Convert(longitude, latitude, z, sides[side].datumId, sides[side].gridId, kWgs84, 0);
}

void CGeolynxDlg::ShowMap(Side side)
{
    if (sides[side].datumId == 0)
    {
        ShowMessage(side == Source ? IDS_NO_SOURCE_DATUM : IDS_NO_DESTINATION_DATUM);
        return;
    }
    double latitude = 0;
    double longitude = 0;
    if (!ConvertToWgs84(side, latitude, longitude))
        return;
    const std::string query = "q=" + FormatFixed(latitude, 3, 6, false) + "," + FormatFixed(longitude, 3, 6, false);
    OpenAddress(Text("https://www.google.com/maps?" + query), "The map of this position");
}

void CGeolynxDlg::CalculateDistance()
{
    // Each side is converted from itself to WGS 84, so a conversion would
    // blame the "source" for a destination without a datum: name the side.
    for (Side side : {Source, Destination})
        if (sides[side].datumId == 0)
        {
            ShowMessage(side == Source ? IDS_NO_SOURCE_DATUM : IDS_NO_DESTINATION_DATUM);
            return;
        }
    double fromLatitude = 0;
    double fromLongitude = 0;
    double toLatitude = 0;
    double toLongitude = 0;
    if (!ConvertToWgs84(Source, fromLatitude, fromLongitude))
        return;
    if (!ConvertToWgs84(Destination, toLatitude, toLongitude))
        return;
    CDialogDistance dialog(fromLatitude, fromLongitude, toLatitude, toLongitude, this);
    dialog.exec();
}

void CGeolynxDlg::SaveConfiguration(const std::string& path)
{
    // A configuration the user asks for holds what was typed; the one kept
    // on closing takes what it can, as closing cannot be refused.
    if (!closing && (!CheckSide(Source, true) || !CheckSide(Destination, true)))
        return;
    PullTexts();
    const ConfigurationRecord record = CaptureConfiguration(sides[Source], sides[Destination]);
    if (!record.Save(path) || !SaveSideChoices(path, *heightChoices[Source], *heightChoices[Destination],
                                               sides[Source], sides[Destination]))
        ShowMessage(IDS_CONFIGURATION_SAVE_FAILED);
}

void CGeolynxDlg::LoadConfiguration(const std::string& path)
{
    ConfigurationRecord record;
    switch (record.Load(path))
    {
    case ConfigurationLoadResult::Loaded:
        break;
    case ConfigurationLoadResult::CannotOpen:
        // The current configuration is absent on a first start.
        if (path.find("current.glx") == std::string::npos)
            ShowMessage(IDS_CONFIGURATION_OPEN_FAILED);
        return;
    case ConfigurationLoadResult::TooShort:
        ShowWith(IDS_NOT_A_CONFIGURATION, "it is shorter than a configuration");
        return;
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    std::string refusal;
    if (!error && size != ConfigurationRecord::Size)
        refusal = "it is longer than a configuration";
    else
        refusal = CheckConfiguration(record);
    if (refusal.empty())
        refusal = SideChoicesRefusal(path);
    if (!refusal.empty())
    {
        ShowWith(IDS_NOT_A_CONFIGURATION, refusal);
        return;
    }
    ApplyConfiguration(record, sides[Source], sides[Destination]);
    LoadSideChoices(path, *heightChoices[Source], *heightChoices[Destination], sides[Source], sides[Destination]);
    LookupDatumName(sides[Destination].datumId, datumNames[Destination]);
    LookupDatumName(sides[Source].datumId, datumNames[Source]);
    LookupGridName(sides[Destination].gridId, gridNames[Destination]);
    LookupGridName(sides[Source].gridId, gridNames[Source]);
    ReloadUnit(Destination);
    ReloadUnit(Source);
    UpdateLayout();
    PushTexts();
}

std::string CGeolynxDlg::CheckConfiguration(const ConfigurationRecord& r)
{
    for (double v : {r.sourceLatitude, r.sourceLongitude, r.sourceAltitude, r.destinationLatitude,
                     r.destinationLongitude, r.destinationAltitude})
        if (!std::isfinite(v))
            return "a coordinate is not a finite number";
    // A side is a grid in mode 0 or geographic in mode 1 to 3.
    for (auto [grid, mode] : {std::pair{r.sourceGridId, r.sourceDisplayMode},
                              std::pair{r.destinationGridId, r.destinationDisplayMode}})
    {
        if (!IsSideForm(grid != 0, mode))
            return "a display form is not one of the window's";
    }
    for (int grid : {r.sourceGridId, r.destinationGridId})
        if (grid != 0 && FindGridRow(grid) == RowPresence::Absent)
            return "grid " + std::to_string(grid) + " is not in the catalogue";
    for (int datum : {r.sourceDatumId, r.destinationDatumId})
        if (datum != 0 && FindDatumRow(datum) == RowPresence::Absent)
            return "datum " + std::to_string(datum) + " is not in the catalogue";
    return std::string();
}

void CGeolynxDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    PlaceForm();
}

void CGeolynxDlg::PlaceForm()
{
    // The template's geometry at its own width, with the extra width shared
    // by the two sides and given to their name fields. Narrower, the
    // destination goes below the source and both take the whole width.
    const bool stacked = form->width() < baseFormSize.width();
    const QRect source = ui->sourceGroup->geometry();
    const int half = stacked ? std::max(0, form->width() - 2 * source.x() - ui->sourceGroup->minimumWidth())
                             : std::max(0, form->width() - baseFormSize.width()) / 2;
    ui->sourceGroup->resize(ui->sourceGroup->minimumWidth() + half, source.height());
    if (stacked)
        ui->destinationGroup->move(source.x(), source.bottom() + 1 + 8);
    else
        ui->destinationGroup->move(destinationGroupLeft + half, source.y());
    ui->destinationGroup->resize(ui->destinationGroup->minimumWidth() + half, ui->destinationGroup->height());
    for (Side side : {Source, Destination})
    {
        const SideControls& c = controls[side];
        for (QLineEdit* name : {c.gridName, c.datumName})
            name->resize(nameFieldWidth + half, name->height());
        const QString p = QString::fromLatin1(SidePrefix(side));
        for (const char* button : {"GridSelect", "DatumSelect"})
        {
            auto* b = form->findChild<QPushButton*>(p + QLatin1String(button));
            b->move(selectButtonLeft + half, b->y());
        }
        for (const char* button : {"GridRecent", "DatumRecent"})
        {
            auto* b = form->findChild<QToolButton*>(p + QLatin1String(button));
            b->move(selectButtonLeft + half - kRecentWidth - 2, b->y());
        }
        auto* map = form->findChild<QPushButton*>(p + QLatin1String("Map"));
        map->move(mapButtonLeft + half, map->y());
        auto* copy = form->findChild<QWidget*>(p + QLatin1String("Copy"));
        copy->move(map->x() - copy->width() - 6, map->y());
        if (auto* paste = form->findChild<QPushButton*>(p + QLatin1String("Paste")))
            paste->move(copy->x() - paste->width() - 6, map->y());
        c.note->resize(noteWidth + half, c.note->height());
    }
}

void CGeolynxDlg::done(int result)
{
    if (!closing)
    {
        closing = true;
        if (!configurationPath.empty())
            SaveConfiguration(configurationPath);
    }
    QDialog::done(result);
}

void CGeolynxDlg::ConnectManagement()
{
    // Opened for management only: what the user chooses there is not taken,
    // and the window's names stay as they are.
    connect(manageGrids, &QAction::triggered, this, [this] {
        CDialogSelectGrid dialog(app, this);
        dialog.exec();
    });
    connect(manageDatums, &QAction::triggered, this, [this] {
        CDialogSelectDatum dialog(this);
        dialog.exec();
    });
    connect(manageEllipsoids, &QAction::triggered, this, [this] {
        CDialogSelectEllipsoid dialog(this);
        dialog.exec();
    });
    connect(manageCountries, &QAction::triggered, this, [this] {
        CDialogSelectCountry dialog(app, this);
        dialog.exec();
    });
}

void CGeolynxDlg::OpenBatch()
{
    RunBatchWizard(app, sides[Source].gridId, sides[Destination].gridId, sides[Source].datumId,
                   sides[Destination].datumId, this);
}
