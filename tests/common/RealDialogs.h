#pragma once

// Window tests keep the program's own presenter and dialogs and answer them
// as a user would: a short timer finds the modal window the program opened
// (QApplication::activeModalWidget), fills it and presses its button. What a
// box said and what a file dialog offered is kept for the test to check.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "GuiMessagePresenter.h"
#include "Messages.h"

// Installs the program's presenter while it lives and answers every message
// box with the mouse: OK for a message, Yes or No (as set) for a question.
class CMessageBoxLog
{
public:
    CMessageBoxLog()
    {
        SetMessagePresenter(&presenter);
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] { Look(); });
        timer.start();
    }
    ~CMessageBoxLog() { SetMessagePresenter(nullptr); }
    CMessageBoxLog(const CMessageBoxLog&) = delete;
    CMessageBoxLog& operator=(const CMessageBoxLog&) = delete;

    void SetAnswer(bool yes) { answerYes = yes; }
    const std::vector<std::string>& Texts() const { return texts; }
    const std::vector<QMessageBox::StandardButtons>& Buttons() const { return buttons; }
    const std::vector<QString>& Captions() const { return captions; }
    // Whether each box lived on the window's thread.
    const std::vector<bool>& OnWindowThread() const { return onWindowThread; }
    void Clear()
    {
        texts.clear();
        buttons.clear();
        captions.clear();
        onWindowThread.clear();
    }

private:
    void Look()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || box == answered.data())
            return;
        answered = box;
        texts.push_back(box->text().toStdString());
        buttons.push_back(box->standardButtons());
        captions.push_back(box->windowTitle());
        onWindowThread.push_back(box->thread() == QCoreApplication::instance()->thread());
        QAbstractButton* press = box->button(QMessageBox::Ok);
        if (box->standardButtons() & QMessageBox::Yes)
            press = box->button(answerYes ? QMessageBox::Yes : QMessageBox::No);
        if (press != nullptr)
            QTest::mouseClick(press, Qt::LeftButton);
        else
            box->reject();
    }

    CGuiMessagePresenter presenter;
    QTimer timer;
    QPointer<QMessageBox> answered;
    bool answerYes = false;
    std::vector<std::string> texts;
    std::vector<QMessageBox::StandardButtons> buttons;
    std::vector<QString> captions;
    std::vector<bool> onWindowThread;
};

// A message of the program's table with its one "%s" filled in.
inline std::string MessageWith(int id, const std::string& detail)
{
    std::string text = LoadMessage(id);
    const std::size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, detail);
    return text;
}

// Steps for the modal windows a command opens, in order: each step waits
// for a modal window of its class and acts on it. A step runs from its own
// zero timer, so a dialog it opens in turn is found by the next step.
class CDialogScript
{
public:
    using Action = std::function<void(QWidget*)>;

    CDialogScript()
    {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] { Look(); });
        timer.start();
    }
    CDialogScript(const CDialogScript&) = delete;
    CDialogScript& operator=(const CDialogScript&) = delete;

    CDialogScript& Then(const char* className, Action action)
    {
        steps.emplace_back(className, std::move(action));
        return *this;
    }
    bool Done() const { return steps.empty(); }
    // Class names of the modal windows the steps met, in order.
    const std::vector<QString>& Met() const { return met; }

private:
    void Look()
    {
        if (steps.empty())
            return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == handled.data() || !modal->inherits(steps.front().first))
            return;
        handled = modal;
        met.push_back(QString::fromLatin1(modal->metaObject()->className()));
        Action action = std::move(steps.front().second);
        steps.pop_front();
        QPointer<QWidget> target(modal);
        QTimer::singleShot(0, modal, [action = std::move(action), target] {
            if (target)
                action(target.data());
        });
    }

    QTimer timer;
    QPointer<QWidget> handled;
    std::deque<std::pair<const char*, Action>> steps;
    std::vector<QString> met;
};

namespace realdialog {

inline void Press(QWidget* dialog, const char* button)
{
    auto* b = dialog->findChild<QAbstractButton*>(QLatin1String(button));
    if (b == nullptr || !b->isEnabled())
    {
        ADD_FAILURE() << "no enabled " << button << " in " << dialog->metaObject()->className();
        if (auto* d = qobject_cast<QDialog*>(dialog))
            d->reject();
        return;
    }
    QTest::mouseClick(b, Qt::LeftButton);
}

// The list of a selection dialog: the item view whose name ends in "List".
inline QAbstractItemView* List(QWidget* dialog)
{
    for (QAbstractItemView* view : dialog->findChildren<QAbstractItemView*>())
        if (view->objectName().endsWith(QLatin1String("List")) && view->isVisible())
            return view;
    return nullptr;
}

// Clicks (or double-clicks) the row that carries a catalogue identifier.
inline bool ClickRow(QWidget* dialog, int id, bool twice)
{
    QAbstractItemView* view = List(dialog);
    QRect rect;
    const QAbstractItemModel* model = view != nullptr ? view->model() : nullptr;
    for (int i = 0; model != nullptr && i < model->rowCount() && rect.isNull(); ++i)
        if (const QModelIndex row = model->index(i, 0); row.data(Qt::UserRole).toInt() == id)
        {
            view->scrollTo(row);
            rect = view->visualRect(row);
        }
    if (rect.isNull())
    {
        ADD_FAILURE() << "row " << id << " not in " << dialog->metaObject()->className();
        return false;
    }
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    if (twice)
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    return true;
}

// A selection dialog's answer: the row with this identifier, then OK.
inline CDialogScript::Action PickRow(int id)
{
    return [id](QWidget* dialog) {
        if (ClickRow(dialog, id, false))
            Press(dialog, "okButton");
        else if (auto* d = qobject_cast<QDialog*>(dialog))
            d->reject();
    };
}

inline CDialogScript::Action PressButton(const char* button)
{
    return [button](QWidget* dialog) { Press(dialog, button); };
}

// What a file dialog offered when it opened.
struct FileDialogSeen
{
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    QString defaultSuffix;
    QStringList selected;
    QStringList nameFilters;
    QString directory;
    bool confirmsOverwrite = true;
};

// Types a path into a file dialog's name field and presses Open or Save;
// an empty path presses Cancel.
inline CDialogScript::Action FillFileDialog(const QString& path, FileDialogSeen* seen = nullptr)
{
    return [path, seen](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (dialog == nullptr)
            return;
        if (seen != nullptr)
        {
            seen->mode = dialog->acceptMode();
            seen->fileMode = dialog->fileMode();
            seen->defaultSuffix = dialog->defaultSuffix();
            seen->selected = dialog->selectedFiles();
            seen->nameFilters = dialog->nameFilters();
            seen->directory = dialog->directory().absolutePath();
            seen->confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        }
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (buttons == nullptr || name == nullptr)
        {
            ADD_FAILURE() << "the file dialog is not Qt's own";
            dialog->reject();
            return;
        }
        if (path.isEmpty())
        {
            QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
            return;
        }
        name->setFocus();
        name->selectAll();
        name->insert(path);
        QAbstractButton* accept = buttons->button(
            dialog->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save : QDialogButtonBox::Open);
        if (accept == nullptr || !accept->isEnabled())
        {
            ADD_FAILURE() << "the file dialog does not take " << path.toStdString();
            dialog->reject();
            return;
        }
        QTest::mouseClick(accept, Qt::LeftButton);
        // A name the dialog does not take (a folder it opens instead, a
        // missing file) leaves it open: a test path that cannot happen.
        if (dialog->isVisible())
        {
            ADD_FAILURE() << "the file dialog did not take " << path.toStdString();
            dialog->reject();
        }
    };
}

} // namespace realdialog
