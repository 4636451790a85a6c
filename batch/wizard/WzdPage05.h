#pragma once

#include "WzdSystemPage.h"

// The coordinate system the data is converted to.
class CWzdPage05 : public CWzdSystemPage
{
    Q_OBJECT
public:
    explicit CWzdPage05(CWzdSheet& sheet);

    int nextId() const override;

protected:
    std::int32_t& GridId() const override;
    std::int32_t& DatumId() const override;
};
