// The file beside a configuration that keeps each side's height system.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>

#include "ConfigurationRecord.h"
#include "ScratchFolder.h"

namespace {

TEST(HeightSystemsFile, OnlyWhatSaveWritesIsTakenAndAbsenceIsEllipsoidal)
{
    CScratchFolder scratch;
    const std::string configuration = scratch.Path() + "/site.glx";
    HeightSystems heights;
    heights.source = 99;
    EXPECT_TRUE(heights.Load(configuration)) << "a configuration saved before heights were kept";
    EXPECT_EQ(heights.source, 0);
    EXPECT_EQ(heights.destination, 0);

    ASSERT_TRUE((HeightSystems{5773, 50001}.Save(configuration)));
    ASSERT_TRUE(heights.Load(configuration));
    EXPECT_EQ(heights.source, 5773);
    EXPECT_EQ(heights.destination, 50001);
    EXPECT_FALSE(std::filesystem::exists(configuration)) << "the record itself is not written";

    const std::string good = "Geolynx heights 1\nsource 5773\ndestination 0\n";
    struct Case
    {
        std::string text;
        bool taken;
    };
    const Case cases[] = {
        {good, true},
        {"Geolynx heights 1\nsource -5773\ndestination 0\n", false},
        {"Geolynx heights 1\nsource +5773\ndestination 0\n", false},
        {"Geolynx heights 1\nsource  5773\ndestination 0\n", false},
        {"Geolynx heights 1\nsource 5773\ndestination 0", false},
        {good + "\n", false},
        {"Geolynx heights 2\nsource 5773\ndestination 0\n", false},
        {"Geolynx heights 1\nsource 99999999999\ndestination 0\n", false},
        {"Geolynx heights 1\ndestination 0\nsource 5773\n", false},
        {"", false},
    };
    // A named pipe in the file's place is refused without waiting for a writer.
    const std::string beside = HeightSystems::PathBeside(configuration);
    std::filesystem::remove(beside);
    ASSERT_EQ(::mkfifo(beside.c_str(), 0600), 0);
    EXPECT_FALSE(heights.Load(configuration));
    std::filesystem::remove(beside);
    for (const Case& c : cases)
    {
        std::ofstream(HeightSystems::PathBeside(configuration), std::ios::binary | std::ios::trunc) << c.text;
        heights.source = 1;
        EXPECT_EQ(heights.Load(configuration), c.taken) << c.text;
        EXPECT_EQ(heights.source, c.taken ? 5773 : 0) << c.text;
        EXPECT_EQ(heights.destination, 0) << c.text;
    }
}

} // namespace
