#pragma once

#include <memory>

#include "WzdPage.h"

namespace Ui {
class CWzdPage06;
}

// The layout of a text file: its separator, the fields holding the
// coordinates, the format of geographic values and the header line.
class CWzdPage06 : public CWzdPage
{
    Q_OBJECT
public:
    explicit CWzdPage06(CWzdSheet& sheet);
    ~CWzdPage06() override;

    void OnSetActive() override;
    int nextId() const override;
    // Stores the choices; checks nothing.
    bool validatePage() override;

private:
    void FirstActivation();

    std::unique_ptr<Ui::CWzdPage06> ui;
    bool created = false;
};
