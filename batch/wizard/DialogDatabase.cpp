#include "DialogDatabase.h"

#include <QTimer>

#include "DatabaseTables.h"
#include "Messages.h"
#include "ui_DialogDatabase.h"

CDialogDatabase::CDialogDatabase(std::string connection, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CDialogDatabase>()), connectionString(std::move(connection))
{
    ui->setupUi(this);
    setWindowTitle(QString());
}

CDialogDatabase::~CDialogDatabase() = default;

void CDialogDatabase::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (started)
        return;
    started = true;
    // The dialog is on screen before the connection, which may take a while,
    // holds the user-interface thread.
    QTimer::singleShot(kDelay, this, &CDialogDatabase::Test);
}

void CDialogDatabase::Test()
{
    std::string message;
    if (TestDatabaseConnection(connectionString, message))
        accept();
    else
    {
        ShowMessageText(message);
        reject();
    }
}
