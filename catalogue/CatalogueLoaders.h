#pragma once

#include "CfgMapProjection.h"
#include "ConvertCoordinate.h"
#include "CxAdo.h"

// Fills the datum part of record from the catalogue: ellipsoid, transformation to WGS 84, datum
// identifier and the shift grid file under the program root's Data folder. With no such datum, or
// no catalogue, the record stays as it was. A datum alone takes no prime meridian into account.
// A datum with a national grid (tblDatumGrids) whose file is in place is given that grid instead of
// its Helmert parameters.
void LoadDatumRecord(int datumId, CCfgMapProjection& record);

// Fills the grid part of record (the projection code translated to the engine's identifier, the
// longitude of origin counted from Greenwich) and then its datum part from the grid's datum.
void LoadGridRecord(CCfgMapProjection& record, int gridId);

// The loader ConvertCoordinate uses in the program: every record from the catalogue.
class CCatalogueRecordLoader : public CRecordLoader
{
public:
    void LoadGridRecord(int gridId, CCfgMapProjection& record) override;
    void LoadDatumRecord(int datumId, CCfgMapProjection& record) override;
};

// While a session lives, the lookups on its thread that take a CCatalogueUse
// share one connection, opened by the first of them and closed when the
// session ends: a run's set-up asks the catalogue a dozen times. A lookup
// made while another holds the connection opens one of its own.
class CCatalogueSession
{
public:
    CCatalogueSession();
    ~CCatalogueSession();
    CCatalogueSession(const CCatalogueSession&) = delete;
    CCatalogueSession& operator=(const CCatalogueSession&) = delete;

private:
    friend class CCatalogueUse;
    CCatalogueSession* outer;
    CCxAdo ado;
    bool busy = false;
};

// One lookup's connection: the session's when one lives on this thread and
// is free, else one of its own, closed when the lookup releases it.
class CCatalogueUse
{
public:
    CCatalogueUse();
    ~CCatalogueUse() { Release(); }
    CCatalogueUse(const CCatalogueUse&) = delete;
    CCatalogueUse& operator=(const CCatalogueUse&) = delete;

    // Connects unless connected; false when the catalogue cannot be reached
    // (the reason in Ado().LastMessage).
    bool Open();
    CCxAdo& Ado() { return *ado; }
    // Closes the lookup's recordset and gives the connection back, before
    // the lookup asks further through others.
    void Release();

private:
    CCatalogueSession* session = nullptr;
    CCxAdo own;
    CCxAdo* ado = &own;
    bool released = false;
};
