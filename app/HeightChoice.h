#pragma once

#include <QComboBox>
#include <initializer_list>
#include <string>

class QLabel;
class QLineEdit;
struct CConversionContext;
struct CoordinateSide;

// What a side's altitude is measured from: the ellipsoid, or the geoid of
// one of the catalogue's models. It sits on the side's altitude row, after
// the unit ("m above"), and keeps its right edge at the side's group's as
// the window widens. A model whose grid file is missing is listed, marked;
// the conversion refuses it naming the file and its folders.
class CHeightChoice : public QComboBox
{
public:
    // prefix is the side's ("source", "destination"); form holds the side's
    // altitude field and unit label under prefix + "Altitude",
    // prefix + "AltitudeUnit".
    CHeightChoice(QWidget* form, const QString& prefix);

    // 0 for heights above the ellipsoid.
    int ModelId() const;
    // Shows the model of that identifier; one the catalogue does not hold
    // is shown as such and kept, so a conversion refuses it rather than
    // take the heights as ellipsoidal.
    void SetModelId(int id);
    // The catalogue's models afresh, the chosen one kept.
    void Refill();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();

    QLineEdit* altitude = nullptr;
    QLabel* unit = nullptr;
};

// The height systems of the two sides set on a conversion context for as
// long as this lives; the context is ellipsoidal on both sides again after.
class CHeightSystemsInUse
{
public:
    CHeightSystemsInUse(CConversionContext& context, const CHeightChoice& source, const CHeightChoice& destination);
    ~CHeightSystemsInUse();
    CHeightSystemsInUse(const CHeightSystemsInUse&) = delete;
    CHeightSystemsInUse& operator=(const CHeightSystemsInUse&) = delete;

private:
    CConversionContext& context;
};

// Saves both sides' height systems and reference choices (precision, UTM
// zone) beside a configuration; false when the file cannot be written.
bool SaveSideChoices(const std::string& configuration, const CHeightChoice& sourceHeight,
                     const CHeightChoice& destinationHeight, const CoordinateSide& source,
                     const CoordinateSide& destination);
// Sets both sides from the file beside a configuration, the sides' points
// already in place: heights above the ellipsoid and references at 1 m, zone
// from the point, when there is none. False, with those, when it is damaged.
bool LoadSideChoices(const std::string& configuration, CHeightChoice& sourceHeight,
                     CHeightChoice& destinationHeight, CoordinateSide& source, CoordinateSide& destination);
// Why the file of side choices beside a configuration cannot be taken;
// empty when it can or when there is none.
std::string SideChoicesRefusal(const std::string& configuration);
// Exchanges the two sides' choices, as Swap exchanges their systems.
void SwapHeightChoices(CHeightChoice& source, CHeightChoice& destination);
// Runs the catalogue's geoid models dialog, then lists what it left in the
// choices.
void ManageGeoidModels(QWidget* parent, std::initializer_list<CHeightChoice*> choices);
