#pragma once

#include <QLineEdit>

// A text field for numbers: typed characters other than the digits, "+", "-"
// and "." are dropped, and a paste keeps only the longest leading run of
// those characters of the clipboard's text ("12.5 m" pastes 12.5, "m12"
// nothing). The text is not checked further: two points or a sign after a
// digit can still be typed, so callers check the number before using it.
class CEditNumber : public QLineEdit
{
    Q_OBJECT
public:
    explicit CEditNumber(QWidget* parent = nullptr);

    // Replaces the selection with the numeric head of the clipboard's text;
    // does nothing in a read-only field or when the clipboard holds no text.
    void Paste();

    // The longest leading run of text made of "0123456789+-.".
    static QString NumericHead(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
