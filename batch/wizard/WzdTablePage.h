#pragma once

#include <QString>
#include <array>
#include <memory>
#include <string>

#include "WzdPage.h"

class QComboBox;

namespace Ui {
class CWzdTablePage;
}

// The table of a database conversion and its columns: the source latitude
// or northing and longitude or easting, the two columns that receive the
// converted values, and optionally a height column read and one written.
// The lists are filled from the settings' connection, again when Back has
// changed it.
class CWzdTablePage : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdTablePage(CWzdSheet& sheet);
    ~CWzdTablePage() override;

    void OnSetActive() override;
    int nextId() const override;
    // A table and four columns chosen, the heights' two columns both or
    // neither, and both when a side's heights are above a geoid; they are
    // stored only then.
    bool validatePage() override;

    // The tables of the settings' connection (not its views or system
    // tables), and the columns of the chosen table in each field list.
    void FillTableList();
    void FillColumnLists();

private:
    // Positions of the height lists in fieldLists and fields.
    static constexpr std::size_t kHeightSource = 4;
    static constexpr std::size_t kHeightDestination = 5;

    // "Latitude" or "Northing" by each side's system.
    void ShowLabels();
    // False after saying why the height columns cannot be used.
    bool HeightFieldsUsable() const;

    std::unique_ptr<Ui::CWzdTablePage> ui;
    bool filled = false;
    std::string filledFrom; // the connection the lists were filled from
    QString table;
    std::array<QString, 6> fields;
    std::array<QComboBox*, 6> fieldLists{};
};
