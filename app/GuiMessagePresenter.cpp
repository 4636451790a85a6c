#include "GuiMessagePresenter.h"

#include <QApplication>
#include <QMessageBox>

namespace {

// The modal dialog in use, else the active window: a box parented to a
// window behind a modal dialog would open underneath it.
QWidget* Owner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

} // namespace

void CGuiMessagePresenter::Show(int /*id*/, const std::string& text)
{
    QMessageBox::warning(Owner(), kApplicationTitle, QString::fromStdString(text));
}

bool CGuiMessagePresenter::Ask(int /*id*/, const std::string& text)
{
    return QMessageBox::question(Owner(), kApplicationTitle, QString::fromStdString(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}
