#pragma once

// Reads GIS vector files back through GDAL for the tests: each layer's
// fields, every feature's attributes as text and every vertex of its
// geometries, so an output can be held against its input and against peers.

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <string>
#include <vector>

#include "BatchTestSupport.h"

namespace batchtest {

struct VectorFeature
{
    std::vector<std::string> values; // every field as text, "(null)" when unset
    std::string geometryType;        // OGR's name, empty without a geometry
    std::vector<Point3> vertices;
    std::vector<double> measures; // for measured geometries, one a vertex
};

struct VectorLayer
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> fields; // name, type name
    std::vector<VectorFeature> features;
    std::string srsWkt; // the layer's system, exported as WKT1
};

inline void CollectVertices(const OGRGeometry* g, std::vector<Point3>& out, std::vector<double>& m)
{
    if (g == nullptr)
        return;
    if (const auto* p = dynamic_cast<const OGRPoint*>(g))
    {
        if (!p->IsEmpty())
            out.push_back({p->getX(), p->getY(), p->getZ()});
        if (!p->IsEmpty() && p->IsMeasured())
            m.push_back(p->getM());
    }
    else if (const auto* c = dynamic_cast<const OGRSimpleCurve*>(g))
    {
        for (int i = 0; i < c->getNumPoints(); ++i)
        {
            out.push_back({c->getX(i), c->getY(i), c->getZ(i)});
            if (c->IsMeasured())
                m.push_back(c->getM(i));
        }
    }
    else if (const auto* cc = dynamic_cast<const OGRCompoundCurve*>(g))
    {
        for (const OGRCurve* part : cc)
            CollectVertices(part, out, m);
    }
    else if (const auto* poly = dynamic_cast<const OGRCurvePolygon*>(g))
    {
        for (const OGRCurve* ring : poly)
            CollectVertices(ring, out, m);
    }
    else if (const auto* coll = dynamic_cast<const OGRGeometryCollection*>(g))
    {
        for (const OGRGeometry* part : coll)
            CollectVertices(part, out, m);
    }
    else if (const auto* surface = dynamic_cast<const OGRPolyhedralSurface*>(g))
    {
        for (const OGRPolygon* part : surface)
            CollectVertices(part, out, m);
    }
}

// Every layer of a data set with every feature; empty when GDAL cannot open it.
inline std::vector<VectorLayer> ReadVector(const std::string& path)
{
    GDALAllRegister();
    std::vector<VectorLayer> layers;
    // A CSV's geometry column is the geometry, not a field as well.
    const char* const csv[] = {"KEEP_GEOM_COLUMNS=NO", nullptr};
    std::unique_ptr<GDALDataset> data(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr,
                                                        path.ends_with(".csv") ? csv : nullptr));
    if (!data)
        return layers;
    for (OGRLayer* layer : data->GetLayers())
    {
        VectorLayer l;
        l.name = layer->GetName();
        OGRFeatureDefn* defn = layer->GetLayerDefn();
        for (int i = 0; i < defn->GetFieldCount(); ++i)
            l.fields.emplace_back(defn->GetFieldDefn(i)->GetNameRef(),
                                  OGRFieldDefn::GetFieldTypeName(defn->GetFieldDefn(i)->GetType()));
        if (const OGRSpatialReference* srs = layer->GetSpatialRef())
        {
            char* wkt = nullptr;
            srs->exportToWkt(&wkt);
            l.srsWkt = wkt != nullptr ? wkt : "";
            CPLFree(wkt);
        }
        for (auto& feature : *layer)
        {
            VectorFeature f;
            for (int i = 0; i < defn->GetFieldCount(); ++i)
                f.values.push_back(feature->IsFieldSetAndNotNull(i) ? feature->GetFieldAsString(i) : "(null)");
            if (const OGRGeometry* g = feature->GetGeometryRef())
            {
                f.geometryType = OGRGeometryTypeToName(g->getGeometryType());
                CollectVertices(g, f.vertices, f.measures);
            }
            l.features.push_back(std::move(f));
        }
        layers.push_back(std::move(l));
    }
    return layers;
}

} // namespace batchtest
