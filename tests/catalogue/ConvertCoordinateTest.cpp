#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "ConvertCoordinate.h"
#include "MessageRecorder.h"

namespace {

// Serves records from memory and keeps a log of what was asked for.
class CMemoryLoader : public CRecordLoader
{
public:
    void LoadGridRecord(int gridId, CCfgMapProjection& record) override
    {
        calls.push_back(gridId);
        if (grids.count(gridId) != 0)
            record = grids[gridId];
    }
    void LoadDatumRecord(int datumId, CCfgMapProjection& record) override
    {
        calls.push_back(-datumId);
        if (datums.count(datumId) != 0)
            record = datums[datumId];
    }
    std::map<int, CCfgMapProjection> grids, datums;
    std::vector<int> calls;
};

} // namespace

TEST(ConvertCoordinate, RefusesASideWithoutADatum)
{
    CMessageRecorder recorder;
    CConversionContext context;
    CMemoryLoader loader;
    double x = 1, y = 2, z = 3;
    EXPECT_NE(ConvertCoordinate(context, loader, true, x, y, z, 0, 5, 4326, 0), 0);
    EXPECT_NE(ConvertCoordinate(context, loader, true, x, y, z, 4326, 0, 0, 0), 0);
    EXPECT_EQ(recorder.Ids(), (std::vector<int>{108, 109}));
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
    EXPECT_EQ(z, 3);
    EXPECT_TRUE(loader.calls.empty());
}

TEST(ConvertCoordinate, LoadsGridsBeforeDatumsAndOnlyOnReload)
{
    CMessageRecorder recorder;
    CConversionContext context;
    CMemoryLoader loader;
    CCfgMapProjection shifted;
    shifted.datumId = 60002;
    shifted.method = METHOD_MOLODENSKY;
    shifted.deltaZ = -50;
    loader.datums[60002] = shifted;
    loader.datums[4326] = CCfgMapProjection();

    double x = 0, y = 0, z = 0;
    ASSERT_EQ(ConvertCoordinate(context, loader, true, x, y, z, 60002, 0, 4326, 0), 0);
    EXPECT_EQ(loader.calls, (std::vector<int>{-60002, -4326}));
    EXPECT_NEAR(x, 0, 1e-12);
    EXPECT_NEAR(y, -0.000452, 1e-6); // 50 m south along the meridian's normal
    EXPECT_NEAR(z, 0, 1e-3);

    x = 0;
    y = 90;
    z = 0;
    ASSERT_EQ(ConvertCoordinate(context, loader, false, x, y, z, 60002, 0, 4326, 0), 0);
    EXPECT_EQ(loader.calls.size(), 2u); // no reload
    EXPECT_NEAR(y, 90, 1e-9);
    EXPECT_NEAR(z, -50, 1e-3);

    // A grid side asks the grid loader, whatever the datum identifier says.
    CCfgMapProjection grid;
    grid.projectionId = 200;
    loader.grids[77] = grid;
    x = 10;
    y = 20;
    ASSERT_EQ(ConvertCoordinate(context, loader, true, x, y, z, 4326, 0, 4326, 77), 0);
    EXPECT_EQ(loader.calls.back(), 77);
    EXPECT_EQ(x, 0); // base projection: a new object's easting and northing
    EXPECT_EQ(y, 0);
    EXPECT_TRUE(recorder.Ids().empty());
}

// A point that has no position is refused on its own: nothing shown, the
// coordinate untouched, the records kept for the next point.
TEST(ConvertCoordinate, RefusesAPointWithoutAPositionAndKeepsItsRecords)
{
    CMessageRecorder recorder;
    CConversionContext context;
    CMemoryLoader loader;
    loader.datums[4326] = CCfgMapProjection();

    const double inputs[][2] = {{5, 90.0000001}, {5, -95}, {361, 52}, {std::nan(""), 52}, {5, HUGE_VAL}};
    bool reload = true;
    for (const auto& in : inputs)
    {
        double x = in[0], y = in[1], z = 7;
        EXPECT_EQ(ConvertCoordinate(context, loader, reload, x, y, z, 4326, 0, 4326, 0), kConvertPointFailed)
            << in[0] << " " << in[1];
        EXPECT_FALSE(context.engine.Failure().empty());
        EXPECT_TRUE(x == in[0] || (std::isnan(x) && std::isnan(in[0])));
        EXPECT_EQ(y, in[1]);
        EXPECT_EQ(z, 7);
        reload = false;
    }
    double x = 5, y = 52, z = 0;
    EXPECT_EQ(ConvertCoordinate(context, loader, false, x, y, z, 4326, 0, 4326, 0), kConvertDone);
    EXPECT_TRUE(context.engine.Failure().empty());
    EXPECT_EQ(loader.calls.size(), 2u);
    EXPECT_TRUE(recorder.Ids().empty());
}

namespace {

CCfgMapProjection DhdnWithFile(const std::string& file)
{
    CCfgMapProjection d;
    d.datumId = 4314;
    d.semiMajorAxis = 6377397.155;
    d.inverseFlattening = 299.1528128;
    d.method = METHOD_NTV2;
    d.gridFile = file;
    return d;
}

} // namespace

TEST(ConvertCoordinate, AShiftGridThatCannotBeReadRefusesTheConversionNamingTheFile)
{
    CMessageRecorder recorder;
    CConversionContext context;
    CMemoryLoader loader;
    const std::string missing = "/nonexistent/Data/BETA2007.gsb";
    loader.datums[4314] = DhdnWithFile(missing);
    loader.datums[4326] = CCfgMapProjection();
    for (bool fromDhdn : {true, false})
    {
        double x = 9, y = 50, z = 0;
        const int result = fromDhdn ? ConvertCoordinate(context, loader, true, x, y, z, 4314, 0, 4326, 0)
                                    : ConvertCoordinate(context, loader, true, x, y, z, 4326, 0, 4314, 0);
        EXPECT_EQ(result, kConvertRefused);
        EXPECT_EQ(x, 9);
        EXPECT_EQ(y, 50);
        EXPECT_EQ(z, 0);
    }
    ASSERT_EQ(recorder.Ids(), (std::vector<int>{IDS_GRID_FILE_UNUSABLE, IDS_GRID_FILE_UNUSABLE}));
    EXPECT_NE(recorder.Shown()[0].second.find(missing), std::string::npos) << recorder.Shown()[0].second;
    EXPECT_EQ(recorder.Shown()[0].second.find("%s"), std::string::npos);
}

TEST(ConvertCoordinate, APointOutsideTheShiftGridFailsAloneAndTheNextIsConverted)
{
    CMessageRecorder recorder;
    CConversionContext context;
    CMemoryLoader loader;
    loader.datums[4314] = DhdnWithFile("/usr/share/proj/BETA2007.gsb");
    loader.datums[4326] = CCfgMapProjection();
    double x = 2.35, y = 48.85, z = 0; // Paris: outside the German grid
    EXPECT_EQ(ConvertCoordinate(context, loader, true, x, y, z, 4314, 0, 4326, 0), kConvertPointFailed);
    EXPECT_EQ(x, 2.35);
    EXPECT_EQ(y, 48.85);
    EXPECT_NE(context.engine.Failure().find("BETA2007.gsb"), std::string::npos) << context.engine.Failure();
    EXPECT_TRUE(recorder.Ids().empty());
    x = 9;
    y = 50;
    EXPECT_EQ(ConvertCoordinate(context, loader, false, x, y, z, 4314, 0, 4326, 0), kConvertDone);
    // PROJ: 8.998955 49.998852.
    EXPECT_NEAR(x, 8.998955, 1e-6);
    EXPECT_NEAR(y, 49.998852, 1e-6);
}
