#pragma once

#include <QDialog>
#include <memory>
#include <string>

namespace Ui {
class CDialogDatabase;
}

// The wait dialog of a connection test: a busy indicator while, a second
// after it shows, it opens and closes a connection of its own. It ends with
// OK when the connection opened, else with Cancel after the database's
// message.
class CDialogDatabase : public QDialog
{
    Q_OBJECT
public:
    explicit CDialogDatabase(std::string connectionString, QWidget* parent = nullptr);
    ~CDialogDatabase() override;

    static constexpr int kDelay = 1000; // ms before the test

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Test();

    std::unique_ptr<Ui::CDialogDatabase> ui;
    std::string connectionString;
    bool started = false;
};
