#pragma once

#include <QLineEdit>

// A text field for a number. It keeps every character the user types or
// pastes: a filter that drops characters turns "3,5" into 35 and "-12.5e3"
// into -12.53 without a word. The dialog checks the whole text when it is
// saved (NumberField) and names the field when it is no number.
class CEditNumber : public QLineEdit
{
    Q_OBJECT
public:
    explicit CEditNumber(QWidget* parent = nullptr);

    // Replaces the selection with the clipboard's text, whole; does nothing in
    // a read-only field or when the clipboard holds no text.
    void Paste();
};
