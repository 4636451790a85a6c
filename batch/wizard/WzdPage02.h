#pragma once

#include <memory>

#include "WzdPage.h"

namespace Ui {
class CWzdPage02;
}

// The source and destination file of a text or shapefile conversion.
class CWzdPage02 : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdPage02(CWzdSheet& sheet);
    ~CWzdPage02() override;

    void OnSetActive() override;
    int nextId() const override;
    // Both names given, different, and the source readable; the names are
    // stored only then.
    bool validatePage() override;

private:
    void Browse(bool save);

    std::unique_ptr<Ui::CWzdPage02> ui;
};
