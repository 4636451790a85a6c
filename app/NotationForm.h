#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "CoordinateFormat.h"

class QComboBox;
class QLabel;
class QWidget;

// The reference forms of one side of the main window: a list of the side's
// forms ("Shown as:") and, while a reference shows, its precision or zone on
// the longitude row. A side without a grid lists MGRS, USNG and UTM on the
// note's row, a grid side the national grid references on the row of the
// degree buttons it does not show. Forms that do not apply to the side's
// system are greyed, with the reason as their tool tip.
class CNotationChooser : public QObject
{
    Q_OBJECT
public:
    // Built inside the side's group; prefix names the side's widgets
    // ("source", "destination"), whose places it follows.
    CNotationChooser(QWidget* group, const QString& prefix);

    // Shows the side as it is: its list, its form chosen, and on a reference
    // form the one text with the labels "Reference:" and the choice's.
    void Show(const CoordinateSide& side);

signals:
    // The user chose a form (a number form is the grid or dd mm ss.ss) or
    // another precision or zone.
    void formChosen(int mode);
    void styleChosen(int choice);
    // Ctrl+V in one of the side's coordinate fields with a reference on the
    // clipboard: the side is to take it whole (other text pastes into the field).
    void referencePasted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillForms(const CoordinateSide& side);
    void FillChoices(const CoordinateSide& side, const DisplayForm& form);

    QWidget* group;
    QString prefix;
    QLabel* formsLabel;
    QComboBox* forms;
    QComboBox* choices;
    // Set while Show fills the lists, whose signals are then no choice.
    bool filling = false;
};

// Why a reference form cannot be used on a side, with its system's record
// loaded from the catalogue; empty when it can (remark then says what the
// user should know, e.g. that MGRS on GRS 1980 is the WGS 84 grid).
std::string SideReferenceRefusal(const DisplayForm& form, const CoordinateSide& side, std::string& remark);

// A side whose system no longer takes its reference form (another datum or
// grid was chosen) shows its numbers again: the point the reference named.
void FitReferenceForm(CoordinateSide& side);

// A reference's precision (metres) and UTM zone (0: from the point), as a
// saved configuration gives them: a side showing a reference writes its
// point again with them.
void SetReferenceChoice(CoordinateSide& side, int precision, int zone);

// Pasted text that is a reference: the side takes its form, the precision
// it was written at and the point it names (Taken), or says why it cannot
// (Refused, side unchanged). None: the text is no reference.
enum class PastedReference
{
    None,
    Taken,
    Refused,
};
PastedReference PasteReference(const std::string& text, CoordinateSide& side, std::string& reason);
