#pragma once

#include "WzdSystemPage.h"

// The coordinate system the data is converted to.
class CWzdDestinationSystemPage : public CWzdSystemPage
{
    Q_OBJECT
public:
    explicit CWzdDestinationSystemPage(CWzdSheet& sheet);

    int nextId() const override;

protected:
    std::int32_t& GridId() const override;
    std::int32_t& DatumId() const override;
    std::int32_t& GeoidId() const override;
};
