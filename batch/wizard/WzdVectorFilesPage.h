#pragma once

#include <memory>
#include <string>

#include "WzdPage.h"

namespace Ui {
class CWzdVectorFilesPage;
}

// The source and destination of a GIS vector file conversion: the source's
// layers with their feature counts, the one layer to convert or every one,
// and the destination's format, named by its extension or chosen.
class CWzdVectorFilesPage : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdVectorFilesPage(CWzdSheet& sheet);
    ~CWzdVectorFilesPage() override;
    void OnSetActive() override;
    int nextId() const override;
    // A readable source, a destination other than it in a format that is
    // written; the choices are stored only then.
    bool validatePage() override;

private:
    void Browse(bool save);
    // Lists the layers of the source now named; false, with why, when OGR
    // does not read it.
    bool ListLayers(std::string& why);
    // The OGR driver that will write the destination; empty when none.
    std::string Driver() const;

    std::unique_ptr<Ui::CWzdVectorFilesPage> ui;
    std::string listedFor; // the source whose layers are listed
    std::string listFailure;
};
