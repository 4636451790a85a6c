#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "CxString.h"

class QAbstractItemView;
class QItemSelection;
class QLineEdit;
class QPushButton;
#include <QStringList>
class QTreeWidget;

// The flow the catalogue dialogs share: a list of rows that the user browses
// and chooses from, and Add, Modify and Delete of the row shown. This class
// owns the state, the list's selection mark, what OK and Cancel mean in each
// state, the switch of the widgets between browsing and editing, and the
// question before a delete. A subclass fills its list (identifier in the
// UserRole data of each row), shows, checks and saves its own row.
class CCatalogueDialog : public QDialog
{
    Q_OBJECT
public:
    enum State
    {
        Browsing,
        Adding,
        Modifying
    };
    State CurrentState() const { return state; }

public slots:
    // Browsing: OK takes the chosen row and closes; with no row chosen it
    // keeps the opener's choice (closes as Cancel). Editing: saves, and
    // stays in editing when the row is refused.
    void accept() override;
    // Browsing: closes. Editing: drops the changes and shows the row again.
    void reject() override;

protected:
    explicit CCatalogueDialog(QWidget* parent);

    // Called by the subclass once its widgets exist: the list, the OK
    // button, the widgets usable only while browsing (Add, Modify, Delete,
    // the list), those usable only while editing (Select buttons, drop-down
    // lists) and the property fields, read-only while browsing.
    void SetUpFlow(QAbstractItemView* list, QPushButton* ok, std::vector<QWidget*> browsingOnly,
                   std::vector<QWidget*> editingOnly, std::vector<QLineEdit*> fields);

    // The subclass's row.
    virtual int SelectedId() const = 0;
    virtual void SetSelectedId(int id) = 0;
    virtual void ShowSelected() = 0;
    virtual void RefillList() = 0;
    // Checks and stores the edited row; false leaves the dialog editing.
    virtual bool SaveEdited() = 0;
    // Makes the fields writable that editing this row may change; all of
    // them unless a subclass knows better.
    virtual void OpenFields();
    // Makes them read-only again when editing ends; all of them by default.
    virtual void CloseFields();
    // What follows a save, a cancelled edit and a delete: by default the
    // list is refilled where needed and the row of SelectedId shown again.
    virtual void AfterSave();
    virtual void AfterCancel();
    virtual void AfterDelete();

    void StartEditing(State editing);
    // Modify: editing the row shown, when there is one, from the given field.
    void ModifySelected(QWidget* firstField);
    void EndEditing();
    // Asks the numbered question; on Yes runs the statement with the shown
    // row's identifier, refills the list and calls AfterDelete.
    void DeleteSelected(int questionId, const char* statement);

    // The selection mark: the row last selected or set, which OK and
    // double-click take (-1: none). Focus alone never sets it.
    int mark = -1;
    int RowId(int row) const;
    bool RowChosen() const;
    // Selects the row of an identifier (no row when none has it) and shows it.
    void SelectRow(int id);
    // SelectedId becomes the row at the mark (0 without one) and is shown.
    void TakeMarkedRow();
    void OnSelectionChanged(const QItemSelection& selected);
    // Double-click while browsing takes the row and closes, for a row that
    // stands for a catalogue row, or for the row of identifier 0 too (" All
    // Countries") when zeroRowIsAChoice.
    void OnDoubleClicked();
    bool zeroRowIsAChoice = false;

private:
    State state = Browsing;
    QAbstractItemView* rows = nullptr;
    QPushButton* okButton = nullptr;
    std::vector<QWidget*> browsing;
    std::vector<QWidget*> editing;
    std::vector<QLineEdit*> fields;
};

// A selection list as the catalogue dialogs show it: one whole row selected
// at a time, columns under fixed headers.
void SetUpSelectionList(QTreeWidget* list, const QStringList& headers);

// The images of the flow's buttons; any of them may be absent.
void SetFlowIcons(QPushButton* add, QPushButton* modify, QPushButton* remove, QPushButton* ok, QPushButton* cancel);

// A Select button of the property fields: runs the chooser on the current
// identifier and, on a choice, keeps it and shows its name by the lookup.
void ChooseWithName(const std::function<bool(int&)>& chooser, int& id, void (*lookup)(int, CCxString&),
                    QLineEdit* nameField);
