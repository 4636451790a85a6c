#include "WzdDataSourcePage.h"

#include "DialogDatabase.h"
#include "Messages.h"
#include "WzdSheet.h"
#include "ui_WzdDataSourcePage.h"

CWzdDataSourcePage::CWzdDataSourcePage(CWzdSheet& sheet)
    : CWzdPage(sheet, "Select data source", "Select the database source or file to be converted"),
      ui(std::make_unique<Ui::CWzdDataSourcePage>())
{
    ui->setupUi(this);
    connect(ui->accessRadio, &QRadioButton::clicked, this, [this] { SetMode(ModeAccessFile); });
    connect(ui->odbcRadio, &QRadioButton::clicked, this, [this] { SetMode(ModeOdbc); });
    connect(ui->databaseBrowse, &QPushButton::clicked, this, &CWzdDataSourcePage::Browse);
    // Every change of the path, typed or chosen, rebuilds the string.
    connect(ui->databasePath, &QLineEdit::textChanged, this, [this](const QString& path) {
        databasePath = path;
        if (mode == ModeAccessFile)
        {
            connectionString = FileConnectionString(path);
            ui->connectionString->setText(connectionString);
        }
    });
    connect(ui->connectionString, &QLineEdit::textEdited, this,
            [this](const QString& text) { connectionString = text; });
    connect(ui->testButton, &QPushButton::clicked, this, [this] {
        if (TestConnection())
            ShowMessageText("Connection OK!");
    });
    SetMode(mode);
}

CWzdDataSourcePage::~CWzdDataSourcePage() = default;

QString CWzdDataSourcePage::FileConnectionString(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path + QLatin1Char(';');
}

void CWzdDataSourcePage::SetMode(int newMode)
{
    mode = newMode;
    const bool file = mode == ModeAccessFile;
    ui->accessRadio->setChecked(file);
    ui->odbcRadio->setChecked(!file);
    ui->databasePath->setEnabled(file);
    ui->databaseBrowse->setEnabled(file);
    ui->connectionString->setEnabled(!file);
    if (file)
    {
        connectionString = FileConnectionString(databasePath);
        ui->connectionString->setText(connectionString);
    }
}

void CWzdDataSourcePage::Browse()
{
    // SQLite files open through the same string as Access files.
    const QString path = Sheet().ChooseFile(
        QStringLiteral("Database Files (*.sqlite *.db *.mdb)|*.sqlite;*.db;*.mdb|MS Access Files (*.mdb)|*.mdb|"),
        QString(), false, ui->databasePath->text());
    if (!path.isEmpty())
        ui->databasePath->setText(path);
}

int CWzdDataSourcePage::nextId() const
{
    return CWzdSheet::PageSource;
}

bool CWzdDataSourcePage::TestConnection()
{
    databasePath = ui->databasePath->text();
    connectionString = ui->connectionString->text();
    CDialogDatabase dialog(connectionString.toStdString(), this);
    return dialog.exec() == QDialog::Accepted;
}

bool CWzdDataSourcePage::validatePage()
{
    connectionString = ui->connectionString->text();
    Settings().connectionString = connectionString.toStdString();
    return TestConnection();
}
