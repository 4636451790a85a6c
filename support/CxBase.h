#pragma once

// Common root of the support library's classes: a virtual destructor, so an
// object may be owned and released through a pointer to its base.
class CCxBase
{
public:
    CCxBase() = default;
    CCxBase(const CCxBase&) = default;
    CCxBase& operator=(const CCxBase&) = default;
    virtual ~CCxBase() = default;
};
