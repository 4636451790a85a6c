#pragma once

#include <QString>
#include <memory>

#include "WzdPage.h"

namespace Ui {
class CWzdDataSourcePage;
}

// The data source of a table conversion: a database file, for which the page
// builds the connection string, or a connection string typed as it stands.
class CWzdDataSourcePage : public CWzdPage
{
    Q_OBJECT
public:
    enum Mode
    {
        ModeOdbc = 0,
        ModeAccessFile = 1,
    };

    explicit CWzdDataSourcePage(CWzdSheet& sheet);
    ~CWzdDataSourcePage() override;

    int nextId() const override;
    // Stores the connection string and goes on only when a connection opens.
    bool validatePage() override;

    // Whether a connection with the page's current string opens, behind the
    // wait dialog; the database's message has been shown when it does not.
    bool TestConnection();

    // The connection string of a database file.
    static QString FileConnectionString(const QString& path);

    int CurrentMode() const { return mode; }
    const QString& ConnectionString() const { return connectionString; }

private:
    void SetMode(int newMode);
    void Browse();

    std::unique_ptr<Ui::CWzdDataSourcePage> ui;
    QString databasePath;
    QString connectionString;
    int mode = ModeAccessFile;
};
