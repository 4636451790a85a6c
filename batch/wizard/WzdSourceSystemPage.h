#pragma once

#include <string>

#include "WzdSystemPage.h"

// The source coordinate system of the data.
class CWzdSourceSystemPage : public CWzdSystemPage
{
    Q_OBJECT
public:
    explicit CWzdSourceSystemPage(CWzdSheet& sheet);

    int nextId() const override;
    void OnSetActive() override;

protected:
    std::int32_t& GridId() const override;
    std::int32_t& DatumId() const override;
    std::int32_t& GeoidId() const override;

private:
    std::string prjOfferedFor; // the file (and layer) whose own system last set the source system
};
