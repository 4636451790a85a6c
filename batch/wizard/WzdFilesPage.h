#pragma once

#include <memory>

#include "WzdPage.h"

namespace Ui {
class CWzdFilesPage;
}

// The source and destination file of a text or shapefile conversion.
class CWzdFilesPage : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdFilesPage(CWzdSheet& sheet);
    ~CWzdFilesPage() override;

    void OnSetActive() override;
    int nextId() const override;
    // Both names given, different, and the source readable; the names are
    // stored only then.
    bool validatePage() override;

private:
    void Browse(bool save);

    std::unique_ptr<Ui::CWzdFilesPage> ui;
};
