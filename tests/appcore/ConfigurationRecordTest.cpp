#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "ConfigurationRecord.h"

namespace fs = std::filesystem;

namespace {

class ConfigurationFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("geolynx-config-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        fs::permissions(folder, fs::perms::owner_all);
        fs::remove_all(folder);
    }

    std::string PathOf(const char* name) const { return (folder / name).string(); }

    void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) const
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::vector<unsigned char> ReadBytes(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path folder;
};

// A record laid out by hand from the file format's table: datums 4326 and
// 4230, grid 32631 on the destination, modes 1 and 0, then six doubles.
std::vector<unsigned char> HandMadeRecord()
{
    return {
        0xE6, 0x10, 0x00, 0x00, // 4326
        0x86, 0x10, 0x00, 0x00, // 4230
        0x00, 0x00, 0x00, 0x00, // 0
        0x77, 0x7F, 0x00, 0x00, // 32631
        0x01, 0x00, 0x00, 0x00, // 1
        0x00, 0x00, 0x00, 0x00, // 0
        0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0x4A, 0x40, // 52.5
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12, 0xC0, // -4.5
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x59, 0x40, // 100
        0x00, 0x00, 0x00, 0x20, 0xA0, 0x7F, 0x57, 0x41, // 6160000.5
        0x00, 0x00, 0x00, 0x00, 0x00, 0x88, 0xD3, 0x40, // 20000
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0xBF, // -1
    };
}

} // namespace

TEST(ConfigurationRecord, BytesFollowTheFileLayout)
{
    const auto bytes = HandMadeRecord();
    ASSERT_EQ(bytes.size(), ConfigurationRecord::Size);
    const auto record = ConfigurationRecord::FromBytes(bytes.data(), bytes.size());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->sourceDatumId, 4326);
    EXPECT_EQ(record->destinationDatumId, 4230);
    EXPECT_EQ(record->sourceGridId, 0);
    EXPECT_EQ(record->destinationGridId, 32631);
    EXPECT_EQ(record->sourceDisplayMode, 1);
    EXPECT_EQ(record->destinationDisplayMode, 0);
    EXPECT_EQ(record->sourceLatitude, 52.5);
    EXPECT_EQ(record->sourceLongitude, -4.5);
    EXPECT_EQ(record->sourceAltitude, 100.0);
    EXPECT_EQ(record->destinationLatitude, 6160000.5);
    EXPECT_EQ(record->destinationLongitude, 20000.0);
    EXPECT_EQ(record->destinationAltitude, -1.0);
    const auto back = record->ToBytes();
    EXPECT_EQ(std::vector<unsigned char>(back.begin(), back.end()), bytes);

    ConfigurationRecord negative;
    negative.sourceDatumId = -2;
    EXPECT_EQ(negative.ToBytes()[0], 0xFE);
    EXPECT_EQ(negative.ToBytes()[3], 0xFF);
    EXPECT_FALSE(ConfigurationRecord::FromBytes(bytes.data(), 71));
    EXPECT_FALSE(ConfigurationRecord::FromBytes(nullptr, 72));
}

TEST_F(ConfigurationFile, WindowStateSurvivesSaveAndLoad)
{
    CoordinateSide source, destination;
    source.datumId = 4326;
    source.displayMode = ModeDegreesMinutes;
    source.Write(AxisLatitude, -33.912345);
    source.Write(AxisLongitude, 18.4321);
    source.altitude = "12.5";
    destination.datumId = 4230;
    destination.gridId = 32631;
    destination.displayMode = ModeGrid;
    destination.Write(AxisLatitude, 6160000.25);
    destination.Write(AxisLongitude, 431234.125);
    destination.altitude = "-3";

    const std::string path = PathOf("state.glx");
    ASSERT_TRUE(CaptureConfiguration(source, destination).Save(path));
    EXPECT_EQ(fs::file_size(path), 72u);

    CoordinateSide loadedSource, loadedDestination;
    ConfigurationRecord record;
    ASSERT_EQ(record.Load(path), ConfigurationLoadResult::Loaded);
    ApplyConfiguration(record, loadedSource, loadedDestination);

    EXPECT_EQ(loadedSource.datumId, 4326);
    EXPECT_EQ(loadedSource.gridId, 0);
    EXPECT_EQ(loadedSource.displayMode, ModeDegreesMinutes);
    EXPECT_EQ(loadedSource.latitude.first + " " + loadedSource.latitude.second + " " + loadedSource.latitude.hemisphere,
              source.latitude.first + " " + source.latitude.second + " " + source.latitude.hemisphere);
    EXPECT_EQ(loadedSource.longitude.second, source.longitude.second);
    EXPECT_NEAR(loadedSource.Read(AxisLatitude), -33.912345, 0.5e-5 / 60);
    EXPECT_EQ(loadedSource.altitude, "12.50");
    // The grid side comes back in grid form with its numbers in the grid's unit.
    EXPECT_TRUE(loadedDestination.IsGridForm());
    EXPECT_EQ(loadedDestination.displayMode, ModeGrid);
    EXPECT_EQ(loadedDestination.gridId, 32631);
    EXPECT_EQ(loadedDestination.latitude.first, "6160000.250");
    EXPECT_EQ(loadedDestination.longitude.first, "431234.125");
    EXPECT_EQ(loadedDestination.altitude, "-3.00");
    EXPECT_EQ(Names(), std::vector<std::string>{"state.glx"}); // no temporary left beside it
}

TEST_F(ConfigurationFile, ModesOfBothSidesComeBack)
{
    for (int sourceMode : {1, 2, 3})
        for (int destinationMode : {1, 2, 3})
        {
            CoordinateSide source, destination;
            source.displayMode = sourceMode;
            destination.displayMode = destinationMode;
            source.Write(AxisLatitude, 51.477928);
            destination.Write(AxisLongitude, -0.001545);
            ASSERT_TRUE(CaptureConfiguration(source, destination).Save(PathOf("modes.glx")));
            ConfigurationRecord record;
            ASSERT_EQ(record.Load(PathOf("modes.glx")), ConfigurationLoadResult::Loaded);
            CoordinateSide s2, d2;
            ApplyConfiguration(record, s2, d2);
            EXPECT_EQ(s2.displayMode, sourceMode);
            EXPECT_EQ(d2.displayMode, destinationMode);
            EXPECT_EQ(s2.latitude.first + s2.latitude.second + s2.latitude.third,
                      source.latitude.first + source.latitude.second + source.latitude.third);
            EXPECT_EQ(d2.longitude.first + d2.longitude.second + d2.longitude.third + d2.longitude.hemisphere,
                      destination.longitude.first + destination.longitude.second + destination.longitude.third +
                          destination.longitude.hemisphere);
        }
}

TEST_F(ConfigurationFile, SaveReplacesAnExistingFileAndKeepsItOnFailure)
{
    const std::string path = PathOf("current.glx");
    WriteBytes(path, std::vector<unsigned char>(500, 0xAB));
    ConfigurationRecord record;
    record.sourceDatumId = 4326;
    ASSERT_TRUE(record.Save(path));
    const auto saved = record.ToBytes();
    EXPECT_EQ(ReadBytes(path), std::vector<unsigned char>(saved.begin(), saved.end()));

    EXPECT_FALSE(record.Save(PathOf("missing/folder/x.glx")));
    EXPECT_FALSE(record.Save(""));
    fs::create_directory(PathOf("adir"));
    EXPECT_FALSE(record.Save(PathOf("adir"))); // never replaces a folder
    EXPECT_TRUE(fs::is_directory(PathOf("adir")));
    std::vector<std::string> names = Names();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"adir", "current.glx"}));
}

// A folder that cannot be written: the save fails and the old file stays whole.
TEST_F(ConfigurationFile, SaveIntoAFolderThatCannotBeWrittenKeepsTheOldFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "folder permissions do not stop root";
    const std::string path = PathOf("current.glx");
    ConfigurationRecord record;
    record.sourceDatumId = 4326;
    ASSERT_TRUE(record.Save(path));
    const auto saved = record.ToBytes();
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    ConfigurationRecord other;
    other.sourceDatumId = 1;
    EXPECT_FALSE(other.Save(path));
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(path), std::vector<unsigned char>(saved.begin(), saved.end()));
}

TEST_F(ConfigurationFile, ShortAndLongFiles)
{
    ConfigurationRecord record;
    record.sourceDatumId = 77;
    auto bytes = HandMadeRecord();

    for (std::size_t size : {0u, 1u, 71u})
    {
        WriteBytes(PathOf("short.glx"), std::vector<unsigned char>(bytes.begin(), bytes.begin() + size));
        EXPECT_EQ(record.Load(PathOf("short.glx")), ConfigurationLoadResult::TooShort) << size;
        EXPECT_EQ(record.sourceDatumId, 77); // unchanged
    }

    bytes.resize(80, 0xFF);
    WriteBytes(PathOf("long.glx"), bytes);
    ASSERT_EQ(record.Load(PathOf("long.glx")), ConfigurationLoadResult::Loaded);
    EXPECT_EQ(record.sourceDatumId, 4326);
    EXPECT_EQ(record.destinationAltitude, -1.0);
}

TEST_F(ConfigurationFile, WhatIsNotARegularFileIsRefused)
{
    ConfigurationRecord record;
    record.sourceDatumId = 5;
    EXPECT_EQ(record.Load(PathOf("absent.glx")), ConfigurationLoadResult::CannotOpen);
    EXPECT_EQ(record.Load(folder.string()), ConfigurationLoadResult::CannotOpen);
    // A named pipe with no writer would block a plain open for ever.
    ASSERT_EQ(::mkfifo(PathOf("pipe.glx").c_str(), 0600), 0);
    EXPECT_EQ(record.Load(PathOf("pipe.glx")), ConfigurationLoadResult::CannotOpen);
    EXPECT_EQ(record.Load("/dev/zero"), ConfigurationLoadResult::CannotOpen);
    EXPECT_EQ(record.Load(""), ConfigurationLoadResult::CannotOpen);
    EXPECT_EQ(record.sourceDatumId, 5);
}

TEST_F(ConfigurationFile, HostileFieldsApplyWithoutHarm)
{
    // Every field at an extreme: modes out of range, ids the catalogue cannot
    // hold, coordinates that are not numbers or overflow every format.
    ConfigurationRecord hostile;
    hostile.sourceDatumId = std::numeric_limits<std::int32_t>::min();
    hostile.destinationDatumId = -1;
    hostile.sourceGridId = 0;
    hostile.destinationGridId = std::numeric_limits<std::int32_t>::max();
    hostile.sourceDisplayMode = 7;
    hostile.destinationDisplayMode = -3;
    hostile.sourceLatitude = std::numeric_limits<double>::quiet_NaN();
    hostile.sourceLongitude = std::numeric_limits<double>::infinity();
    hostile.sourceAltitude = -std::numeric_limits<double>::max();
    hostile.destinationLatitude = std::numeric_limits<double>::max();
    hostile.destinationLongitude = -std::numeric_limits<double>::infinity();
    hostile.destinationAltitude = std::numeric_limits<double>::denorm_min();
    ASSERT_TRUE(hostile.Save(PathOf("hostile.glx")));

    ConfigurationRecord record;
    ASSERT_EQ(record.Load(PathOf("hostile.glx")), ConfigurationLoadResult::Loaded);
    CoordinateSide source, destination;
    ApplyConfiguration(record, source, destination);
    EXPECT_EQ(source.displayMode, 7);
    EXPECT_EQ(source.Read(AxisLatitude), 0.0); // a geographic side in a mode outside 1 to 3 reads 0
    EXPECT_EQ(source.latitude.first, "000");   // and its texts stay as they were
    EXPECT_EQ(destination.gridId, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(destination.longitude.first, "   -inf");
    EXPECT_EQ(destination.latitude.first.size(), 313u); // 309 digits and ".000"
    EXPECT_EQ(destination.Read(AxisLatitude), std::numeric_limits<double>::max());
    EXPECT_EQ(source.altitude.substr(0, 2), "-1");
    EXPECT_EQ(destination.altitude, "00.00");
    EXPECT_EQ(destination.Read(AxisLongitude), 0.0); // "-inf" is no number
}
