#pragma once

#include <QLabel>
#include <QString>

struct CHeightModels;

// The line under the window's two sides: each side's transformation to WGS 84 and the accuracy of
// the result, with a warning when a side's datum has no usable transformation or the point lies
// outside the area its systems are made for.
class CConversionNote : public QLabel
{
public:
    explicit CConversionNote(QWidget* parent);

    // Describes the conversion just made of the source point x, y (longitude and latitude, or
    // easting and northing on a grid).
    void Describe(int sourceDatum, int sourceGrid, int destinationDatum, int destinationGrid, double x, double y);

    // Adds which geoid model each side's height is above to the note of the
    // conversion just made; nothing when both sides are ellipsoidal.
    void NameHeights(const CHeightModels* models);

    // Whether the note holds a warning.
    bool Warns() const { return warns; }

private:
    bool warns = false;
};
