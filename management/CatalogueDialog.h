#pragma once

#include <QDialog>
#include <QPersistentModelIndex>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "CxString.h"

class QAbstractItemView;
class QItemSelection;
class QLineEdit;
class QPushButton;
class CCatalogueModel;
class CCatalogueProxy;
struct CatalogueListRow;
struct NamedRow;

// The flow the catalogue dialogs share: a list of rows that the user browses
// and chooses from, and Add, Modify and Delete of the row shown. This class
// owns the chosen identifier, the list's selection mark, what OK and Cancel
// mean in each state, the switch of the widgets between browsing and
// editing, the search field, the link button and the question before a
// delete. The list shows a CCatalogueModel through a CCatalogueProxy, which
// searches and sorts. A subclass fills its rows (ShowRows), shows, checks
// and stores its own row.
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

    // Runs the dialog modally on an identifier to preselect; true, with the
    // chosen one in id, when it ends with OK.
    bool Choose(int& id);

public slots:
    // Browsing: OK takes the chosen row and closes; with no row chosen it
    // keeps the opener's choice (closes as Cancel), or stays open where a
    // row must be chosen. Editing: checks and stores the row, and stays in
    // editing when it is refused.
    void accept() override;
    // Browsing: closes. Editing: drops the changes and shows the row again.
    void reject() override;

protected:
    explicit CCatalogueDialog(QWidget* parent);

    // The widgets of the flow as a subclass's form names them. A list that is
    // only browsed has no Add, Modify or Delete button, no fields and no link.
    struct Flow
    {
        QAbstractItemView* list = nullptr;
        QLineEdit* search = nullptr;
        // The columns' headers (one unnamed column for a plain list).
        QStringList headers{QString()};
        int searchColumn = 1; // the name column, searched and the tie-break of sorting
        int idColumn = 0; // the EPSG column, sorted by identifier; -1 for none
        int sortColumn = -1; // the column sorted first; -1: the name column
        QPushButton* add = nullptr;
        QPushButton* modify = nullptr;
        QPushButton* remove = nullptr;
        QPushButton* ok = nullptr;
        QPushButton* cancel = nullptr;
        QPushButton* link = nullptr;
        const char* address = nullptr;
        // What the address is for, as the message without a browser says it.
        const char* addressPurpose = "The reference page of this list";
        // Usable only while editing (Select buttons, drop-down lists).
        std::vector<QWidget*> editingOnly{};
        // The property fields, read-only while browsing.
        std::vector<QLineEdit*> fields{};
        // Where the cursor goes on Add and on Modify.
        QWidget* addFocus = nullptr;
        QWidget* modifyFocus = nullptr;
        int deleteQuestion = 0;
        bool (*deleteRow)(int id) = nullptr;
        // The rows that use a row, which keep it from being deleted: how
        // many (-1 when that cannot be told), the refusal, and what the
        // users are called ("grid" makes "1 grid", "2 grids").
        int (*countUsers)(int id) = nullptr;
        int inUseMessage = 0;
        const char* userNoun = nullptr;
        // The column widths as shares of the list's width less reservedWidth,
        // set when the dialog is first shown; none narrower than its header,
        // and the last one takes the rest.
        std::vector<double> columnShares{};
        int reservedWidth = 0;
        // The list takes the focus when the dialog is first shown.
        bool focusList = false;
    };
    // Called by the subclass once its widgets exist.
    void SetUpFlow(const Flow& widgets);
    // The same with the buttons and the search field a form names alike in
    // every catalogue dialog (deleteButton or removeButton).
    template <class Form>
    void SetUpFormFlow(Form& form, Flow flow)
    {
        flow.search = form.searchField;
        flow.ok = form.okButton;
        flow.cancel = form.cancelButton;
        if constexpr (requires { form.addButton; })
        {
            flow.add = form.addButton;
            flow.modify = form.modifyButton;
        }
        if constexpr (requires { form.deleteButton; })
            flow.remove = form.deleteButton;
        else if constexpr (requires { form.removeButton; })
            flow.remove = form.removeButton;
        if constexpr (requires { form.linkButton; })
            flow.link = form.linkButton;
        SetUpFlow(flow);
    }
    // Shows the message of a refused row: false, for a check to return.
    static bool Refused(int messageId);

    // The identifier of the row shown and chosen; 0 for none.
    int selectedId = 0;

    virtual void ShowSelected() = 0;
    virtual void RefillList() = 0;
    // Checks the edited row and stores it under id (0: a new row, whose
    // identifier is written back). False leaves the dialog editing: with
    // message empty when the check refused the row and said why, else with
    // the catalogue's reason. A list that is only browsed never gets here.
    virtual bool StoreRow(int& id, std::string& message);
    // Empties the fields for Add and sets what a new row starts with.
    virtual void ClearForAdding() {}
    // Whether Delete may go on to the question; the subclass says why not.
    virtual bool MayDelete() { return true; }
    // Whether rows use the chosen one, after saying so.
    bool InUse();
    // Makes the fields writable that editing this row may change; all of
    // them unless a subclass knows better.
    virtual void OpenFields();
    // Makes them read-only again when editing ends; all of them by default.
    virtual void CloseFields();
    // What the dialog does once it is first shown, after the caller's row
    // is selected.
    virtual void FirstShown() {}

    // After a cancelled edit and a delete the marked row is taken (the list
    // holds a mark without a selection) rather than the row of selectedId.
    bool takeMarkAfterEditing = false;
    // Double-click and OK take the row of identifier 0 too (" All
    // Countries", " Show all datums").
    bool zeroRowIsAChoice = false;
    // OK with no row chosen keeps the dialog open instead of cancelling.
    bool okNeedsRow = false;

    void showEvent(QShowEvent* event) override;

    void StartEditing(State editing);
    void EndEditing();

    // The selection mark: the row last selected or set, which OK and
    // double-click take (invalid: none; a row the search hides is none).
    // Focus alone never sets it.
    QPersistentModelIndex mark;
    // The identifier of a row of the list as shown (0 for none).
    int RowId(int row) const;
    // The rows of the table, whatever the search shows.
    const CCatalogueModel& Rows() const { return *rows; }
    // Selects the row of an identifier (no row when none has it) and shows it.
    void SelectRow(int id);
    // selectedId becomes the row at the mark (0 without one) and is shown.
    void TakeMarkedRow();
    // Shows only the rows that match the search field's text.
    void NarrowToSearch();
    // Replaces the rows of the list; the mark is dropped.
    void ShowRows(std::vector<CatalogueListRow> rows);
    // Fills a list of EPSG and name columns, with a first row that stands
    // for identifier 0 when one is given.
    void ShowNamedRows(std::vector<NamedRow> rows, const QString& zeroRowName = QString());
    // The sorted column and its direction, as the header shows them.
    int SortedColumn() const;
    bool SortedAscending() const;

private:
    State state = Browsing;
    Flow flow;
    CCatalogueModel* rows = nullptr;
    CCatalogueProxy* proxy = nullptr;
    bool shown = false;

    bool RowChosen() const;
    // Selects the only row a search leaves, when it is one to choose.
    void SelectSingleVisibleRow();
    void SetUpModel();
    // Whether the dialog runs for Choose, rather than for management only.
    bool choosing = false;
    void OnSelectionChanged(const QItemSelection& selected);
    void OnDoubleClicked();
    void OnAdd();
    void OnModify();
    void OnDelete();
    void AfterSave();
    void ShowAgain();
};

// A Select button of the property fields: runs the chooser on the current
// identifier and, on a choice, keeps it and shows its name by the lookup.
void ChooseWithName(const std::function<bool(int&)>& chooser, int& id, void (*lookup)(int, CCxString&),
                    QLineEdit* nameField);

// Number fields with the message that names each: false, after the message
// of the first field whose text is no number as a whole (and the cursor in
// it when focus is set), when any of them is.
bool CheckNumberFields(std::initializer_list<std::pair<QLineEdit*, int>> checks, bool focus);

// The values a number field may hold, with the sentence that says so.
struct NumberDomain
{
    QLineEdit* field;
    int message; // names the field
    bool (*holds)(double value);
    const char* rule; // "It must be greater than 0."
};
// False, after the field's message and its rule (and with the cursor in the
// field), for the first field whose number lies outside its domain. The
// fields are numbers already (CheckNumberFields); read-only ones, which the
// row's kind does not use, are not looked at.
bool CheckNumberDomains(std::initializer_list<NumberDomain> domains);
namespace domain {
bool Positive(double v);
bool Latitude(double v);
bool Longitude(double v);
// 0 for a sphere, else above 1.
bool InverseFlattening(double v);
} // namespace domain

// A catalogue number into its field through a printf format.
struct ShownNumber
{
    QLineEdit* field;
    const char* format;
    double value;
};
void ShowNumbers(std::initializer_list<ShownNumber> numbers);

// The typed numbers of fields as the literals a row saves.
void TakeNumbers(std::initializer_list<std::pair<std::string*, const QLineEdit*>> numbers);
