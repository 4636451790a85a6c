#pragma once

#include <array>

#include "CatalogueDialog.h"

class QLabel;
class QTreeView;

// Keeps the catalogue's geoid models: the list by name, the name, grid file,
// datum, area and stated accuracy of the one shown, and Add, Modify and
// Delete of the user's own models (the shipped ones are kept). The grid file
// is named without a folder and looked for in the grid folders, which the
// dialog names with whether the file is there.
class CDialogGeoidModels : public CCatalogueDialog
{
    Q_OBJECT
public:
    explicit CDialogGeoidModels(QWidget* parent = nullptr);

protected:
    void RefillList() override;
    void ShowSelected() override;
    void ClearForAdding() override;
    bool StoreRow(int& id, std::string& message) override;
    bool MayDelete() override;

private:
    // The list and search on the left, the fields on the right, the buttons
    // (Add, Modify, Delete, OK, Cancel) below.
    void LayOut(const std::array<QPushButton*, 5>& buttons);
    void ShowFileState();

    QTreeView* list = nullptr;
    QLineEdit* search = nullptr;
    QLineEdit* name = nullptr;
    QLineEdit* file = nullptr;
    QLabel* fileState = nullptr;
    QLineEdit* datumName = nullptr;
    QPushButton* datumSelect = nullptr;
    QLineEdit* area = nullptr;
    QLineEdit* accuracy = nullptr;
    int datumId = 0;
};
