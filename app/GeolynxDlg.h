#pragma once

#include <QDialog>
#include <QSize>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CoordinateFormat.h"
#include "CxString.h"
#include "RecentSystems.h"

class CGeolynxApp;
class QAction;
class QLabel;
class CConversionNote;
class CHeightChoice;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QResizeEvent;
class QScrollArea;
class QToolButton;
class QVBoxLayout;
struct ConfigurationRecord;

namespace Ui {
class CGeolynxDlg;
}

// The main window: a source and a destination side, each a grid or a datum
// with one coordinate, and the commands that convert between them. The texts
// of the fields are the state; every command reads them, works and writes
// them back.
class CGeolynxDlg : public QDialog
{
    Q_OBJECT
public:
    enum Side
    {
        Source,
        Destination
    };

    // The window loads configurationPath when it opens and saves it on every
    // way of closing; an empty path keeps no current configuration.
    CGeolynxDlg(CGeolynxApp& app, std::string configurationPath, QWidget* parent = nullptr);
    ~CGeolynxDlg() override;

    // The commands, as the buttons and menu items run them.
    void Transform();
    void Swap();
    void Clear();
    void SelectGrid(Side side);
    void SelectDatum(Side side);
    void ShowMap(Side side);
    void CalculateDistance();
    void SaveConfiguration(const std::string& path);
    // Opens the batch conversion wizard with the window's four identifiers.
    void OpenBatch();
    void LoadConfiguration(const std::string& path);

    const CoordinateSide& SideState(Side side) const { return sides[side]; }

public slots:
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Ctrl+C in a field without a selection copies the field's side; Ctrl+V
    // in a source field with a whole coordinate on the clipboard fills the side.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Under the two sides: how the last result was obtained.
    CConversionNote* conversionNote = nullptr;
    struct SideControls
    {
        QLineEdit* gridName;
        QLineEdit* datumName;
        QLabel* note;
        QLabel* latitudeLabel;
        QLabel* longitudeLabel;
        std::array<QLineEdit*, 4> latitude;
        std::array<QLineEdit*, 4> longitude;
        QLabel* latitudeUnit;
        QLabel* longitudeUnit;
        // The button of each geographic display form, by its mode.
        std::vector<std::pair<int, QRadioButton*>> modes;
        QLineEdit* altitude;
    };

    void BuildMenu();
    void PlaceForm();
    // False, after a message naming the field, when a field the side's form
    // reads is not a number as a whole.
    bool CheckSide(Side side, bool withAltitude);
    // One conversion through the catalogue; false after the reason was shown.
    bool Convert(double& x, double& y, double& z, int sourceDatum, int sourceGrid, int destinationDatum,
                 int destinationGrid);
    // Why a loaded record is not a configuration of this window; empty when it is.
    static std::string CheckConfiguration(const ConfigurationRecord& record);
    void ConnectManagement();
    void PullTexts();
    void PushTexts();
    void UpdateLayout();
    void LayoutSide(Side side);
    void NameFields(Side side);
    // The side's coordinate as shown, on one line.
    QString CoordinateText(Side side);
    // Fills the side from coordinate text on the clipboard, or says why not.
    void PasteCoordinate(Side side);
    // Puts the side's coordinate on the clipboard, after the name of its
    // system when withName.
    void CopyCoordinate(Side side, bool withName);
    // The side a widget of the window belongs to; the destination (the
    // result) for widgets outside both sides.
    Side SideOf(const QWidget* widget) const;
    // The Copy button: a click copies the coordinate, its menu also offers it
    // with the system's name.
    void AddCopyButton(Side side, QPushButton* map);
    // Buttons under the sides, always in view; the sides scroll when the
    // screen is too small for them.
    void ArrangeWindow(QVBoxLayout* layout);
    // The side's results read-only; Ctrl+C and Ctrl+V in its fields.
    void FilterFieldKeys(Side side);
    // Every button's name for screen readers, with its side.
    void NameButtons();
    // The drop-down of recent grids or datums beside a Select button.
    void AddRecentButton(Side side, CRecentSystems::Kind kind, QPushButton* select);
    void FillRecentMenu(QMenu* menu, Side side, CRecentSystems::Kind kind);
    // A grid (with its datum) or a datum chosen for a side, by a Select
    // dialog or from the recent ones.
    void TakeGrid(Side side, int gridId, int datumId);
    void TakeDatum(Side side, int datumId);
    void ChangeMode(Side side, int mode);
    void ReloadNames(Side side);
    void ReloadUnit(Side side);
    bool ConvertToWgs84(Side side, double& latitude, double& longitude);
    double Read(Side side, CoordinateAxis axis);
    void Write(Side side, CoordinateAxis axis, double value);
    void WriteAltitude(Side side, double altitude);
    // Puts the destination back to zero: its result no longer belongs to
    // what the window shows.
    void ResetDestination();

    CGeolynxApp& app;
    std::string configurationPath;
    std::unique_ptr<Ui::CGeolynxDlg> ui;
    QWidget* form = nullptr;
    QScrollArea* formScroll = nullptr;
    QMenuBar* menu = nullptr;
    QAction* manageGrids = nullptr;
    QAction* manageDatums = nullptr;
    QAction* manageEllipsoids = nullptr;
    QAction* manageCountries = nullptr;
    QAction* batchAction = nullptr;
    std::array<SideControls, 2> controls{};
    std::unique_ptr<CRecentSystems> recent;
    std::array<CoordinateSide, 2> sides;
    // What each side's altitude is measured from.
    std::array<CHeightChoice*, 2> heightChoices{};
    std::array<CCxString, 2> gridNames{"None", "None"};
    std::array<CCxString, 2> datumNames{"None", "None"};
    std::array<CCxString, 2> unitLabels{"Meter", "Meter"};
    int fieldLeft = 0;
    QSize baseFormSize;
    int nameFieldWidth = 0;
    int selectButtonLeft = 0;
    int mapButtonLeft = 0;
    int noteWidth = 0;
    int destinationGroupLeft = 0;
    bool closing = false;
};
