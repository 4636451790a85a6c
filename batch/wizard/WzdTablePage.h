#pragma once

#include <QString>
#include <array>
#include <memory>

#include "WzdPage.h"

class QComboBox;

namespace Ui {
class CWzdTablePage;
}

// The table of a database conversion and its four columns: the source
// latitude or northing and longitude or easting, and the two columns that
// receive the converted values.
class CWzdTablePage : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdTablePage(CWzdSheet& sheet);
    ~CWzdTablePage() override;

    void OnSetActive() override;
    int nextId() const override;
    // A table and four columns chosen; they are stored only then.
    bool validatePage() override;

    // The tables of the settings' connection (not its views or system
    // tables), and the columns of the chosen table in each field list.
    void FillTableList();
    void FillColumnLists();

private:
    std::unique_ptr<Ui::CWzdTablePage> ui;
    bool created = false;
    QString table;
    std::array<QString, 4> fields;
    std::array<QComboBox*, 4> fieldLists{};
};
