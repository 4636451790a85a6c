#pragma once

// Answers the program's real message boxes in window tests: while the object
// lives, a timer watches for a QMessageBox to become the active modal
// widget, keeps its text and buttons, and presses the button asked for with
// the mouse, as a user would. One object answers one box.

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class CMessageBoxAnswerer
{
public:
    explicit CMessageBoxAnswerer(QMessageBox::StandardButton press) : button(press)
    {
        waited.start();
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] { Look(); });
        timer.start();
    }

    CMessageBoxAnswerer(const CMessageBoxAnswerer&) = delete;
    CMessageBoxAnswerer& operator=(const CMessageBoxAnswerer&) = delete;

    bool Seen() const { return seen; }
    const QString& Text() const { return text; }
    QMessageBox::StandardButtons Buttons() const { return buttons; }
    QString Caption() const { return caption; }

private:
    void Look()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
        {
            // A box that never comes must not leave the timer for a later one.
            if (waited.elapsed() > 10000)
                timer.stop();
            return;
        }
        timer.stop();
        seen = true;
        text = box->text();
        caption = box->windowTitle();
        buttons = box->standardButtons();
        if (QAbstractButton* b = box->button(button))
            QTest::mouseClick(b, Qt::LeftButton);
        else
            box->reject();
    }

    QMessageBox::StandardButton button;
    QTimer timer;
    QElapsedTimer waited;
    bool seen = false;
    QString text;
    QString caption;
    QMessageBox::StandardButtons buttons;
};
