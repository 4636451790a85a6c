#pragma once

#include <QObject>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;

// The datum dialog's statement of what a user's datum rests on: the accuracy of its parameters in
// metres (empty: unknown) or, with method None, whether it coincides with WGS 84. Shipped datums
// show EPSG's accuracy, read-only.
class CDatumAccuracyFields : public QObject
{
public:
    // Adds the fields as a row of layout.
    CDatumAccuracyFields(QWidget* parent, QGridLayout* layout, int row);

    void Show(int datumId);
    void Clear();
    // Editable while a user row is edited; the check box only for method None.
    void SetEditing(bool editing, int method);
    // False (with the field focused) when the accuracy is neither empty nor a number of metres.
    bool Valid() const;
    // Stores the statement for a user's datum; a shipped one is left alone.
    bool Save(int datumId, int method) const;

private:
    QLabel* label;
    QLineEdit* accuracy;
    QCheckBox* coincides;
};
