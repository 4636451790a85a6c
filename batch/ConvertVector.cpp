#include "ConvertVector.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <stdlib.h>
#include <unistd.h>

#include "BatchRunControl.h"
#include "BatchPipeline.h"
#include "NumericLocale.h"
#include "VectorModule.h"

namespace fs = std::filesystem;

namespace {

// Features a block holds at most, and the vertices after which it is cut
// short; features not worth a thread of their own.
constexpr std::size_t kBlockFeatures = 4096;
constexpr std::size_t kBlockVertices = 65536;
constexpr std::size_t kFeaturesAShare = 16;

// Files an earlier shapefile set may have left beside the destination, as the
// shapefile converter removes them.
constexpr const char* kShapefileCompanions[] = {".shx", ".dbf", ".prj", ".cpg", ".sbn", ".sbx", ".qix", ".shp.xml"};

std::string DriverForPath(const std::string& path);

void RegisterDrivers()
{
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Keeps the first failure GDAL reports on this thread, silently, while it
// lives.
class CGdalErrors
{
public:
    CGdalErrors() { CPLPushErrorHandlerEx(&CGdalErrors::Keep, this); }
    ~CGdalErrors() { CPLPopErrorHandler(); }
    CGdalErrors(const CGdalErrors&) = delete;
    CGdalErrors& operator=(const CGdalErrors&) = delete;
    // The first failure since the last call, or what a call's result says.
    std::string Take(const char* otherwise)
    {
        std::string text = first.empty() ? std::string(otherwise) : first;
        first.clear();
        return text;
    }

private:
    static void CPL_STDCALL Keep(CPLErr level, CPLErrorNum, const char* message)
    {
        auto* self = static_cast<CGdalErrors*>(CPLGetErrorHandlerUserData());
        if (self != nullptr && level >= CE_Failure && self->first.empty() && message != nullptr)
            self->first = message;
    }
    std::string first;
};

struct DatasetClose
{
    void operator()(GDALDataset* d) const { GDALClose(GDALDataset::ToHandle(d)); }
};
using DatasetPtr = std::unique_ptr<GDALDataset, DatasetClose>;

// A CSV's geometry column is read as the geometry only: kept as a text field
// too, it would carry the unconverted coordinates into the output.
DatasetPtr OpenVector(const std::string& path)
{
    RegisterDrivers();
    DatasetPtr data(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (data && data->GetDriver() != nullptr && std::strcmp(data->GetDriver()->GetDescription(), "CSV") == 0)
    {
        const char* const options[] = {"KEEP_GEOM_COLUMNS=NO", nullptr};
        data.reset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, options));
    }
    return data;
}

bool DriverCreatesVectors(GDALDriver* driver)
{
    return driver != nullptr && driver->GetMetadataItem(GDAL_DCAP_VECTOR) != nullptr &&
           driver->GetMetadataItem(GDAL_DCAP_CREATE) != nullptr;
}

bool HasLayerOption(GDALDriver* driver, const char* option)
{
    const char* list = driver->GetMetadataItem(GDAL_DS_LAYER_CREATIONOPTIONLIST);
    // The drivers write their lists with either quote.
    return list != nullptr && (std::strstr(list, (std::string("name='") + option + "'").c_str()) != nullptr ||
                               std::strstr(list, (std::string("name=\"") + option + "\"").c_str()) != nullptr);
}

// Whether a layer's first stored coordinate is its system's north axis (a
// latitude-first geographic system read as it is stored).
bool NorthFirst(const OGRSpatialReference* srs)
{
    if (srs == nullptr)
        return false;
    const auto& mapping = srs->GetDataAxisToSRSAxisMapping();
    if (mapping.empty())
        return false;
    OGRAxisOrientation orientation = OAO_Other;
    srs->GetAxis(srs->IsProjected() ? "PROJCS" : "GEOGCS", std::abs(mapping[0]) - 1, &orientation);
    return orientation == OAO_North || orientation == OAO_South;
}

std::size_t CountVertices(const OGRGeometry* g)
{
    if (g == nullptr || g->IsEmpty())
        return 0;
    const OGRwkbGeometryType flat = wkbFlatten(g->getGeometryType());
    if (flat == wkbPoint)
        return 1;
    if (OGR_GT_IsSubClassOf(flat, wkbCurve) && dynamic_cast<const OGRSimpleCurve*>(g) != nullptr)
        return static_cast<std::size_t>(static_cast<const OGRSimpleCurve*>(g)->getNumPoints());
    std::size_t n = 0;
    if (const auto* c = dynamic_cast<const OGRGeometryCollection*>(g))
        for (const OGRGeometry* part : c)
            n += CountVertices(part);
    else if (const auto* p = dynamic_cast<const OGRCurvePolygon*>(g))
        for (const OGRCurve* ring : p)
            n += CountVertices(ring);
    else if (const auto* cc = dynamic_cast<const OGRCompoundCurve*>(g))
        for (const OGRCurve* part : cc)
            n += CountVertices(part);
    else if (const auto* s = dynamic_cast<const OGRPolyhedralSurface*>(g))
        for (const OGRPolygon* part : s)
            n += CountVertices(part);
    return n;
}

// The run's engine as OGR's coordinate transformation, so that OGR walks
// every geometry type to its vertices: x and y through the engine, M as it
// is, Z as it is unless a side's heights are above a geoid. The first vertex
// that fails is kept with why; a vertex outside the area of use of the
// systems is flagged.
class CEngineTransform final : public OGRCoordinateTransformation
{
public:
    CEngineTransform(CConversionContext& context_, bool gridSource_, bool gridDestination_, bool swapIn_,
                     bool heights_, const CBatchAreaCheck& area_, std::size_t share_)
        : context(&context_), gridSource(gridSource_), gridDestination(gridDestination_), swapIn(swapIn_),
          heights(heights_), area(&area_), share(share_)
    {
    }
    OGRSpatialReference* GetSourceCS() override { return nullptr; }
    OGRSpatialReference* GetTargetCS() override { return nullptr; }
    int Transform(int count, double* x, double* y, double* z, double*, int* success) override
    {
        bool all = true;
        const bool withZ = heights && z != nullptr;
        for (int i = 0; i < count; ++i)
        {
            double a = swapIn ? y[i] : x[i];
            double b = swapIn ? x[i] : y[i];
            const double a0 = a, b0 = b;
            double h = withZ ? z[i] : 0;
            const bool done = why.empty() &&
                              ConvertLoadedPoint(*context, gridSource, gridDestination, a, b, h) == kConvertDone;
            if (success != nullptr)
                success[i] = done ? TRUE : FALSE;
            if (!done)
            {
                if (why.empty())
                {
                    char where[160];
                    std::snprintf(where, sizeof where, "vertex (%.10g, %.10g) cannot be converted: ", a0, b0);
                    why = where + context->engine.Failure();
                }
                all = false;
                continue;
            }
            if (!outside && area->Outside(share, a0, b0))
                outside = true;
            x[i] = a;
            y[i] = b;
            if (withZ)
                z[i] = h;
        }
        return all ? TRUE : FALSE;
    }
    OGRCoordinateTransformation* Clone() const override { return new CEngineTransform(*this); }
    OGRCoordinateTransformation* GetInverse() const override { return nullptr; }

    std::string why;
    bool outside = false; // a vertex of the feature in hand lies outside

private:
    CConversionContext* context;
    bool gridSource, gridDestination, swapIn, heights;
    const CBatchAreaCheck* area;
    std::size_t share;
};

class CConvertVector
{
public:
    CConvertVector(CBatchRunControl& run_, const VectorSystemSource& systemSource_)
        : run(run_), systemSource(systemSource_)
    {
    }
    ~CConvertVector();
    CConvertVector(const CConvertVector&) = delete;
    CConvertVector& operator=(const CConvertVector&) = delete;

    int Prepare();
    int ConvertLayers();
    int Commit();
    const std::string& Failure() const { return failure; }
    const std::vector<std::string>& Warnings() const { return warnings; }
    std::vector<std::string> Summary() const
    {
        return pipeline ? pipeline->Summary("feature", false) : std::vector<std::string>();
    }

private:
    class Features;
    // One thread's part of a block: its engine as a transformation, and the
    // first feature it could not convert.
    struct Share
    {
        std::unique_ptr<CEngineTransform> transform;
        std::string why;
        std::size_t failed = 0;
    };

    int Fail(const std::string& why);
    int PrepareDriver();
    int PrepareSystem();
    int PrepareFolder();
    int CreateLayer(OGRLayer* in, OGRLayer*& out, std::vector<int>& fieldMap);
    int CreateFields(OGRLayer* in, OGRLayer* out, std::vector<int>& fieldMap);
    int ConvertLayer(OGRLayer* in);
    bool ConvertFeature(Share& share, OGRFeature& feature) const;
    int LoadSystems(OGRLayer* in);

    CBatchRunControl& run;
    const VectorSystemSource& systemSource;
    CGdalErrors errors;
    std::string failure;
    std::vector<std::string> warnings;

    std::string destination;
    std::string folder;   // the temporary folder
    std::string inFolder; // the destination's name in it
    DatasetPtr input;
    DatasetPtr output;
    GDALDriver* driver = nullptr;
    std::string driverName;
    OGRSpatialReference destinationSrs;
    bool withSrs = true;
    bool keepFid = false;  // the driver keeps a source's feature ids
    bool layerFid = false; // and the layer being written has them
    bool committed = false;

    std::unique_ptr<CBatchPipeline> pipeline;
    std::vector<Share> shares;
    std::vector<OGRFeatureUniquePtr> pending;
    std::vector<char> outsideFlags;
    std::size_t pendingVertices = 0;
    bool swapIn = false;
    bool curvesKept = false;
    long long total = 0;
    long long done = 0;
};

CConvertVector::~CConvertVector()
{
    pending.clear();
    output.reset();
    if (!committed && !folder.empty())
    {
        std::error_code error;
        fs::remove_all(folder, error);
    }
}

int CConvertVector::Fail(const std::string& why)
{
    if (failure.empty())
        failure = why;
    return -1;
}

int CConvertVector::Prepare()
{
    RegisterDrivers();
    const auto& s = run.Settings();
    destination = s.destinationFile;
    input = OpenVector(s.sourceFile);
    if (!input)
        return Fail("\"" + s.sourceFile + "\" cannot be opened as a vector data set: " +
                    errors.Take("no driver reads it"));
    if (!s.vectorLayer.empty() && input->GetLayerByName(s.vectorLayer.c_str()) == nullptr)
        return Fail("\"" + s.sourceFile + "\" has no layer \"" + s.vectorLayer + "\"");
    if (input->GetLayerCount() == 0)
        return Fail("\"" + s.sourceFile + "\" holds no layer");
    std::error_code error;
    const CPLStringList files(input->GetFileList(), TRUE);
    for (int i = 0; i < files.size(); ++i)
        if (fs::equivalent(files[i], destination, error))
            return Fail("the destination \"" + destination + "\" is a file of the source");
    if (fs::is_directory(destination, error))
        return Fail("the destination \"" + destination + "\" is a folder");
    return PrepareDriver() != 0 || PrepareSystem() != 0 ? -1 : PrepareFolder();
}

int CConvertVector::PrepareDriver()
{
    const auto& s = run.Settings();
    driverName = s.vectorFormat.empty() ? DriverForPath(destination) : s.vectorFormat;
    if (driverName.empty())
        return Fail("no vector format is known by the extension of \"" + destination + "\"; name one");
    driver = GetGDALDriverManager()->GetDriverByName(driverName.c_str());
    if (!DriverCreatesVectors(driver))
        return Fail("\"" + driverName + "\" is no GDAL driver that writes vector data sets");
    driverName = driver->GetDescription();
    if (s.precision >= 0 && !HasLayerOption(driver, "COORDINATE_PRECISION"))
        return Fail("the " + driverName + " driver stores coordinates at full precision; it takes no precision");
    keepFid = HasLayerOption(driver, "FID");
    return 0;
}

int CConvertVector::PrepareSystem()
{
    const auto& s = run.Settings();
    std::string wkt, why;
    int epsg = 0;
    if (!systemSource || !systemSource(s.destinationDatum, s.destinationGrid, wkt, epsg, why))
        wkt.clear();
    if (VectorDriverWgs84Only(driverName))
    {
        // These drivers would reproject any other system through PROJ on
        // their own; they get WGS 84 coordinates and no system to reproject.
        if (s.destinationGrid != 0 || epsg != 4326)
            return Fail("the " + driverName + " format holds WGS 84 longitudes and latitudes only: convert to WGS 84 "
                        "(a geographic destination of EPSG code 4326) or choose another format");
        withSrs = false;
        return 0;
    }
    if (wkt.empty())
    {
        warnings.push_back("the output names no coordinate system" + (why.empty() ? std::string() : ": " + why));
        withSrs = false;
        return 0;
    }
    if (destinationSrs.importFromWkt(wkt.c_str()) != OGRERR_NONE)
        return Fail("the destination system's WKT cannot be read: " + errors.Take("GDAL refuses it"));
    destinationSrs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (epsg > 0)
        destinationSrs.SetAuthority(destinationSrs.IsProjected() ? "PROJCS" : "GEOGCS", "EPSG", epsg);
    return 0;
}

int CConvertVector::PrepareFolder()
{
    const fs::path path(destination);
    const fs::path parent = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    std::string pattern = (parent / ("." + path.filename().string() + ".XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return Fail("\"" + destination + "\" cannot be written: " + std::strerror(errno));
    folder = pattern;
    inFolder = (fs::path(folder) / path.filename()).string();
    // A GPX file keeps the fields its schema lacks in its extensions element.
    CPLStringList options;
    if (driverName == "GPX")
        options.SetNameValue("GPX_USE_EXTENSIONS", "YES");
    output = DatasetPtr(driver->Create(inFolder.c_str(), 0, 0, 0, GDT_Unknown, options.List()));
    if (!output)
        return Fail("\"" + destination + "\" cannot be created: " + errors.Take("the driver refuses it"));
    return 0;
}

int CConvertVector::ConvertLayers()
{
    run.Send(BATCH_STATUS, "Converting GIS vector file, please wait...");
    const auto& s = run.Settings();
    std::vector<OGRLayer*> layers;
    for (OGRLayer* layer : input->GetLayers())
        if (s.vectorLayer.empty() || s.vectorLayer == layer->GetName())
            layers.push_back(layer);
    for (OGRLayer* layer : layers)
        total += std::max<GIntBig>(0, layer->GetFeatureCount(TRUE));
    pipeline = std::make_unique<CBatchPipeline>(run, kBlockVertices, true);
    for (OGRLayer* layer : layers)
    {
        if (ConvertLayer(layer) != 0)
            return -1;
        if (run.Running() != 1)
            return 0;
    }
    return 0;
}

int CConvertVector::CreateLayer(OGRLayer* in, OGRLayer*& out, std::vector<int>& fieldMap)
{
    const auto& s = run.Settings();
    OGRFeatureDefn* defn = in->GetLayerDefn();
    CPLStringList options;
    if (HasLayerOption(driver, "RFC7946"))
        options.SetNameValue("RFC7946", "YES");
    // A CSV gets its geometry as WKT text; without the option it would have none.
    if (driverName == "CSV")
        options.SetNameValue("GEOMETRY", "AS_WKT");
    if (HasLayerOption(driver, "COORDINATE_PRECISION"))
        options.SetNameValue("COORDINATE_PRECISION",
                             std::to_string(s.precision >= 0 ? s.precision : 17).c_str());
    layerFid = keepFid && in->GetFIDColumn() != nullptr && *in->GetFIDColumn() != '\0';
    if (layerFid)
        options.SetNameValue("FID", in->GetFIDColumn());
    if (defn->GetGeomFieldCount() > 0 && defn->GetGeomFieldDefn(0)->GetNameRef()[0] != '\0' &&
        HasLayerOption(driver, "GEOMETRY_NAME"))
        options.SetNameValue("GEOMETRY_NAME", defn->GetGeomFieldDefn(0)->GetNameRef());
    const OGRwkbGeometryType type = defn->GetGeomFieldCount() > 0 ? defn->GetGeomType() : wkbNone;
    out = output->CreateLayer(in->GetName(), withSrs && type != wkbNone ? &destinationSrs : nullptr, type,
                              options.List());
    if (out == nullptr)
        return Fail("layer \"" + std::string(in->GetName()) + "\" cannot be created in the " + driverName +
                    " format: " + errors.Take("the driver refuses it"));
    for (int g = 1; g < defn->GetGeomFieldCount(); ++g)
    {
        OGRGeomFieldDefn field(defn->GetGeomFieldDefn(g));
        field.SetSpatialRef(withSrs ? &destinationSrs : nullptr);
        if (out->CreateGeomField(&field) != OGRERR_NONE)
            return Fail("layer \"" + std::string(in->GetName()) + "\": the " + driverName +
                        " format keeps one geometry a feature, the source has " +
                        std::to_string(defn->GetGeomFieldCount()));
    }
    if (CreateFields(in, out, fieldMap) != 0)
        return -1;
    curvesKept = out->TestCapability(OLCCurveGeometries) != 0;
    return 0;
}

// The source's fields in the output, in order, with where each went; a field
// the format stores in another type or under another name is a warning.
int CConvertVector::CreateFields(OGRLayer* in, OGRLayer* out, std::vector<int>& fieldMap)
{
    OGRFeatureDefn* defn = in->GetLayerDefn();
    fieldMap.assign(static_cast<std::size_t>(defn->GetFieldCount()), -1);
    for (int i = 0; i < defn->GetFieldCount(); ++i)
    {
        OGRFieldDefn* field = defn->GetFieldDefn(i);
        const int before = out->GetLayerDefn()->GetFieldCount();
        // A format with a schema of its own (GPX) takes a field it has by
        // that name without adding one.
        const bool created = out->CreateField(field, TRUE) == OGRERR_NONE;
        const int index = out->GetLayerDefn()->GetFieldCount() == before + 1
                              ? before
                              : out->GetLayerDefn()->GetFieldIndex(field->GetNameRef());
        if (!created || index < 0)
            return Fail("layer \"" + std::string(in->GetName()) + "\": field \"" + field->GetNameRef() +
                        "\" cannot be created: " + errors.Take("the driver refuses it"));
        fieldMap[static_cast<std::size_t>(i)] = index;
        const OGRFieldDefn* made = out->GetLayerDefn()->GetFieldDefn(index);
        if (made->GetType() != field->GetType() || made->GetSubType() != field->GetSubType())
            warnings.push_back("layer \"" + std::string(in->GetName()) + "\": field \"" + field->GetNameRef() +
                               "\" is stored as " + OGRFieldDefn::GetFieldTypeName(made->GetType()) + " (was " +
                               OGRFieldDefn::GetFieldTypeName(field->GetType()) + ")");
        else if (std::strcmp(made->GetNameRef(), field->GetNameRef()) != 0)
            warnings.push_back("layer \"" + std::string(in->GetName()) + "\": field \"" + field->GetNameRef() +
                               "\" is named \"" + made->GetNameRef() + "\"");
    }
    return 0;
}

int CConvertVector::LoadSystems(OGRLayer* in)
{
    const auto& s = run.Settings();
    // The records are loaded, and checked, on this thread once a run; every
    // share's engine then starts from the same two records.
    if (!pipeline->Loaded() && !pipeline->LoadSystems())
        return Fail("the coordinate systems cannot be used");
    swapIn = NorthFirst(in->GetSpatialRef());
    const bool heights = s.sourceGeoid != 0 || s.destinationGeoid != 0;
    shares.clear();
    for (std::size_t i = 0; i < pipeline->Threads(); ++i)
    {
        Share share;
        share.transform = std::make_unique<CEngineTransform>(pipeline->Context(i), s.sourceGrid != 0,
                                                             s.destinationGrid != 0, swapIn, heights,
                                                             pipeline->Area(), i);
        shares.push_back(std::move(share));
    }
    return 0;
}

// The features of one layer as the pipeline's format: read in blocks,
// converted on every core and written in the layer's order.
class CConvertVector::Features final : public CBatchFormat
{
public:
    Features(CConvertVector& vector_, OGRLayer* in_, OGRLayer* out_, const std::vector<int>& fieldMap_)
        : vector(vector_), in(in_), out(out_), fieldMap(fieldMap_)
    {
    }
    Block Read() override;
    void Convert(std::size_t share, CConversionContext& context, std::size_t first, std::size_t last) override;
    bool Write(BatchTally& tally) override;
    int Percentage() const override { return BatchPercentage(vector.done, vector.total); }

private:
    std::string Where(const OGRFeature& feature) const
    {
        return "layer \"" + std::string(in->GetName()) + "\", feature " + std::to_string(feature.GetFID());
    }
    CConvertVector& vector;
    OGRLayer* in;
    OGRLayer* out;
    const std::vector<int>& fieldMap;
};

CBatchFormat::Block CConvertVector::Features::Read()
{
    auto& pending = vector.pending;
    pending.clear();
    vector.pendingVertices = 0;
    for (Share& share : vector.shares)
        share.why.clear(), share.failed = 0, share.transform->why.clear();
    for (;;)
    {
        if (vector.run.Running() != 1)
        {
            pending.clear();
            return Block{0, After::Cancelled};
        }
        OGRFeatureUniquePtr feature(in->GetNextFeature());
        if (!feature)
            break;
        for (int g = 0; g < feature->GetGeomFieldCount(); ++g)
            vector.pendingVertices += CountVertices(feature->GetGeomFieldRef(g));
        pending.push_back(std::move(feature));
        if (pending.size() >= kBlockFeatures || vector.pendingVertices >= vector.pipeline->BlockItems())
        {
            vector.outsideFlags.assign(pending.size(), 0);
            return Block{pending.size(), After::More};
        }
    }
    const std::string readFailure = vector.errors.Take("");
    if (!readFailure.empty())
    {
        pending.clear();
        vector.Fail("layer \"" + std::string(in->GetName()) + "\" cannot be read: " + readFailure);
        return Block{0, After::Failed};
    }
    vector.outsideFlags.assign(pending.size(), 0);
    return Block{pending.size(), After::End};
}

void CConvertVector::Features::Convert(std::size_t s, CConversionContext&, std::size_t first, std::size_t last)
{
    const CNumericLocale numbers;
    CPLPushErrorHandler(CPLQuietErrorHandler);
    Share& share = vector.shares[s];
    for (std::size_t i = first; i < last && share.why.empty(); ++i)
    {
        share.transform->outside = false;
        if (!vector.ConvertFeature(share, *vector.pending[i]))
            share.failed = i;
        vector.outsideFlags[i] = share.transform->outside ? 1 : 0;
    }
    CPLPopErrorHandler();
}

bool CConvertVector::Features::Write(BatchTally& tally)
{
    auto& pending = vector.pending;
    // Each share takes its features in increasing order and stops at its first
    // failure: the earliest failure of any share is the first in the layer.
    const Share* first = nullptr;
    for (const Share& share : vector.shares)
        if (!share.why.empty() && (first == nullptr || share.failed < first->failed))
            first = &share;
    if (first != nullptr)
        return vector.Fail(Where(*pending[first->failed]) + ": " + first->why) == 0;
    OGRFeature converted(out->GetLayerDefn());
    for (std::size_t i = 0; i < pending.size(); ++i)
    {
        OGRFeature& feature = *pending[i];
        converted.Reset();
        for (int g = 0; g < feature.GetGeomFieldCount(); ++g)
            converted.SetGeomFieldDirectly(g, feature.StealGeometry(g));
        converted.SetStyleString(feature.GetStyleString());
        if (converted.SetFieldsFrom(&feature, fieldMap.data(), TRUE) != OGRERR_NONE)
            return vector.Fail(Where(feature) + ": its attributes cannot be set: " +
                               vector.errors.Take("the driver refuses them")) == 0;
        converted.SetFID(vector.layerFid ? feature.GetFID() : OGRNullFID);
        if (out->CreateFeature(&converted) != OGRERR_NONE)
            return vector.Fail(Where(feature) + " cannot be written: " + vector.errors.Take("the driver refuses it")) ==
                   0;
        tally.Convert();
        if (vector.outsideFlags[i] != 0)
            tally.outside.Add(feature.GetFID());
    }
    vector.done += static_cast<long long>(pending.size());
    return true;
}

int CConvertVector::ConvertLayer(OGRLayer* in)
{
    OGRLayer* out = nullptr;
    std::vector<int> fieldMap;
    if (CreateLayer(in, out, fieldMap) != 0 || LoadSystems(in) != 0)
        return -1;
    // A database format (GeoPackage) writes a layer in one transaction, not
    // one a feature; a format without transactions writes as it goes.
    const bool transaction = output->StartTransaction(FALSE) == OGRERR_NONE;
    in->ResetReading();
    Features features(*this, in, out, fieldMap);
    const CBatchFormat::After end = pipeline->Run(features, kFeaturesAShare);
    pending.clear();
    if (end == CBatchFormat::After::Failed)
        return -1;
    if (end == CBatchFormat::After::Cancelled)
        return 0;
    if (transaction && output->CommitTransaction() != OGRERR_NONE)
        return Fail("layer \"" + std::string(in->GetName()) + "\" cannot be written: " +
                    errors.Take("the driver failed"));
    return 0;
}

bool CConvertVector::ConvertFeature(Share& share, OGRFeature& feature) const

{
    for (int g = 0; g < feature.GetGeomFieldCount(); ++g)
    {
        OGRGeometry* geometry = feature.GetGeomFieldRef(g);
        if (geometry == nullptr)
            continue;
        if (!curvesKept && geometry->hasCurveGeometry(TRUE))
        {
            share.why = std::string("a ") + OGRGeometryTypeToName(geometry->getGeometryType()) + " the " +
                        driverName + " format would approximate by straight lines";
            return false;
        }
        const OGRErr result = geometry->transform(share.transform.get());
        if (!share.transform->why.empty() || result != OGRERR_NONE)
        {
            share.why = share.transform->why.empty() ? std::string("its geometry cannot be converted")
                                                     : share.transform->why;
            return false;
        }
    }
    return true;
}

int CConvertVector::Commit()
{
    // Closing writes what the driver still holds: its failures are the run's.
    output.reset();
    const std::string closing = errors.Take("");
    if (!closing.empty())
        return Fail("\"" + destination + "\" could not be written completely: " + closing);
    std::error_code error;
    std::vector<fs::path> made;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    {
        if (!it->is_regular_file(error))
            return Fail("the " + driverName + " driver wrote a folder; name a file the format writes as one");
        made.push_back(it->path());
    }
    const fs::path path(destination);
    const fs::path parent = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    // A shapefile set replaces the destination's set as a whole: companions
    // the new set lacks are removed, as the shapefile converter does.
    if (driverName == "ESRI Shapefile" && Lower(path.extension().string()) == ".shp")
    {
        const std::string stem = Lower(path.stem().string());
        for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error))
        {
            const std::string name = Lower(it->path().filename().string());
            for (const char* extension : kShapefileCompanions)
                if (name == stem + extension &&
                    std::none_of(made.begin(), made.end(), [&](const fs::path& m) { return m.filename() == it->path().filename(); }) &&
                    ::unlink(it->path().c_str()) != 0)
                    return Fail("the old \"" + it->path().string() + "\" cannot be removed: " + std::strerror(errno));
        }
    }
    // The companions first, the file named last: until it is renamed, the
    // destination is the old one or none.
    std::stable_partition(made.begin(), made.end(), [&](const fs::path& m) { return m.filename() != path.filename(); });
    for (const auto& m : made)
        if (std::rename(m.c_str(), (parent / m.filename()).c_str()) != 0)
            return Fail("\"" + (parent / m.filename()).string() + "\" cannot be written: " + std::strerror(errno));
    committed = true;
    fs::remove(folder, error);
    return 0;
}

// The module's functions; the program reaches them through its table only.

std::string DriverForPath(const std::string& path)
{
    RegisterDrivers();
    const std::string name = Lower(fs::path(path).filename().string());
    // The longest extension a driver claims wins (.shp.zip before .zip).
    std::string best;
    std::size_t bestLength = 0;
    GDALDriverManager* manager = GetGDALDriverManager();
    for (int i = 0; i < manager->GetDriverCount(); ++i)
    {
        GDALDriver* driver = manager->GetDriver(i);
        if (!DriverCreatesVectors(driver))
            continue;
        const char* list = driver->GetMetadataItem(GDAL_DMD_EXTENSIONS);
        if (list == nullptr)
            list = driver->GetMetadataItem(GDAL_DMD_EXTENSION);
        if (list == nullptr)
            continue;
        const CPLStringList extensions(CSLTokenizeString(list), TRUE);
        for (int e = 0; e < extensions.size(); ++e)
        {
            const std::string dotted = "." + Lower(extensions[e]);
            if (name.size() > dotted.size() && name.compare(name.size() - dotted.size(), dotted.size(), dotted) == 0 &&
                dotted.size() > bestLength)
            {
                best = driver->GetDescription();
                bestLength = dotted.size();
            }
        }
    }
    return best;
}

bool Layers(const std::string& path, std::vector<VectorLayerSummary>& layers, std::string& why)
{
    layers.clear();
    CGdalErrors errors;
    const DatasetPtr data = OpenVector(path);
    if (!data)
    {
        why = "\"" + path + "\" cannot be opened as a vector data set: " + errors.Take("no driver reads it");
        return false;
    }
    for (OGRLayer* layer : data->GetLayers())
        layers.push_back({layer->GetName(), static_cast<long long>(layer->GetFeatureCount(TRUE)),
                          OGRGeometryTypeToName(layer->GetGeomType())});
    return true;
}

bool LayerSystems(const std::string& path, std::vector<VectorLayerSystem>& layers, std::string& why)
{
    CGdalErrors errors;
    const DatasetPtr data = OpenVector(path);
    if (!data)
    {
        why = "\"" + path + "\" cannot be opened as a vector data set: " + errors.Take("no driver reads it");
        return false;
    }
    for (OGRLayer* layer : data->GetLayers())
    {
        VectorLayerSystem system{layer->GetName(), std::string()};
        const OGRSpatialReference* srs = layer->GetSpatialRef();
        char* text = nullptr;
        if (srs != nullptr && srs->exportToWkt(&text) == OGRERR_NONE && text != nullptr)
            system.wkt = text;
        CPLFree(text);
        layers.push_back(std::move(system));
    }
    return true;
}

void Convert(CBatchRunControl& run, const VectorSystemSource& systemSource)
{
    bool failed = false;
    std::string failure;
    std::vector<std::string> warnings;
    std::vector<std::string> summary;
    {
        CConvertVector vector(run, systemSource);
        run.SignalStarted();
        failed = vector.Prepare() < 0 || vector.ConvertLayers() < 0;
        if (!failed && run.Running() == 1)
            failed = vector.Commit() < 0;
        failure = vector.Failure();
        warnings = vector.Warnings();
        summary = vector.Summary();
    }
    run.ReportEnd("GIS vector file", failed, failure, warnings, summary);
}

std::vector<VectorFormatSummary> Formats()
{
    RegisterDrivers();
    std::vector<VectorFormatSummary> formats;
    GDALDriverManager* manager = GetGDALDriverManager();
    for (int i = 0; i < manager->GetDriverCount(); ++i)
    {
        GDALDriver* driver = manager->GetDriver(i);
        if (driver == nullptr || driver->GetMetadataItem(GDAL_DCAP_VECTOR) == nullptr)
            continue;
        const char* list = driver->GetMetadataItem(GDAL_DMD_EXTENSIONS);
        if (list == nullptr)
            list = driver->GetMetadataItem(GDAL_DMD_EXTENSION);
        VectorFormatSummary format;
        format.driver = driver->GetDescription();
        const char* name = driver->GetMetadataItem(GDAL_DMD_LONGNAME);
        format.name = name != nullptr ? name : format.driver;
        if (list != nullptr)
        {
            const CPLStringList extensions(CSLTokenizeString(list), TRUE);
            for (int e = 0; e < extensions.size(); ++e)
                format.extensions.emplace_back(extensions[e]);
        }
        format.creates = driver->GetMetadataItem(GDAL_DCAP_CREATE) != nullptr;
        formats.push_back(std::move(format));
    }
    return formats;
}

} // namespace

extern "C" const CVectorModule* GeolynxVectorModule()
{
    static const CVectorModule functions{Convert, DriverForPath, Layers, LayerSystems, Formats};
    return &functions;
}
