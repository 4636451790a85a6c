#include "GuiMessagePresenter.h"

#include <QApplication>
#include <QMessageBox>

void CGuiMessagePresenter::Show(int /*id*/, const std::string& text)
{
    QMessageBox::warning(QApplication::activeWindow(), kApplicationTitle, QString::fromStdString(text));
}
