// GIS vector files through the built geolynx-cli: what each command line
// writes or refuses, its exit status and what it says on standard error.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

#include "ScratchFolder.h"

namespace {

struct VectorLine
{
    const char* arguments; // after "batch vector", with IN and OUT for the files
    const char* output;    // file name in the scratch folder
    int status;
    const char* says; // part of standard error
    bool written;     // the output exists afterwards
};

std::string Replace(std::string text, const std::string& what, const std::string& with)
{
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

} // namespace

TEST(CliVector, CommandLinesWriteOrSayWhyNot)
{
    ASSERT_EQ(std::system("command -v ogr2ogr >/dev/null"), 0) << "GDAL's ogr2ogr is needed";
    const VectorLine lines[] = {
        {"--from auto --to grid:32631 --input IN --output OUT", "auto.gpkg", 0,
         "--from auto: datum:4326 \"WGS 84\", matched by EPSG code", true},
        {"--from 4326 --to 32631 --input IN --output OUT --layer cities", "cities.fgb", 0, "Conversion completed", true},
        {"--from 4326 --to 4326 --input IN --output OUT --precision 4", "cities.geojson", 0, "Conversion completed",
         true},
        {"--from 4326 --to 32631 --input IN --output OUT", "utm.geojson", 2,
         "the GeoJSON format holds WGS 84 longitudes and latitudes only", false},
        {"--from 4326 --to 32631 --input IN --output OUT --format GPKG", "named.data", 0, "Conversion completed",
         true},
        {"--from 4326 --to 32631 --input IN --output OUT --layer rivers", "rivers.gpkg", 2, "has no layer \"rivers\"",
         false},
        {"--from 4326 --to 32631 --input IN --output OUT --precision 18", "far.geojson", 2, "--precision", false},
        {"--from auto --to 32631 --input NONE --output OUT", "none.gpkg", 2, "--from auto:", false},
    };
    for (const auto& line : lines)
    {
        SCOPED_TRACE(line.arguments + std::string(" ") + line.output);
        CScratchFolder scratch;
        const std::string csv = scratch.File("cities.csv");
        CScratchFolder::Write(csv, "id,name,WKT\n1,Amsterdam,\"POINT (4.9 52.37)\"\n2,Paris,\"POINT (2.35 48.85)\"\n");
        const std::string input = scratch.File("in.gpkg");
        ASSERT_EQ(std::system(("ogr2ogr -q -a_srs EPSG:4326 -oo KEEP_GEOM_COLUMNS=NO -nln cities '" + input + "' '" +
                               csv + "'")
                                  .c_str()),
                  0);
        const std::string output = scratch.File(line.output), err = scratch.File("stderr.txt");
        std::string arguments = Replace(line.arguments, "IN", "'" + input + "'");
        arguments = Replace(arguments, "OUT", "'" + output + "'");
        arguments = Replace(arguments, "NONE", "'" + scratch.File("missing.gpkg") + "'");
        const int status = std::system((std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli batch vector " + arguments +
                                        " 2>'" + err + "'")
                                           .c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), line.status);
        const std::string said = CScratchFolder::Read(err);
        EXPECT_NE(said.find(line.says), std::string::npos) << said;
        EXPECT_EQ(std::filesystem::exists(output), line.written);
    }
}

// GDAL is loaded with the vector module, for vector files only: the program
// does not link it, and without the module beside it converts everything else
// and refuses vector files saying why.
TEST(CliVector, OnlyVectorFilesNeedTheModule)
{
    const std::string program = std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli";
    EXPECT_NE(std::system(("readelf -d '" + program + "' | grep -q libgdal").c_str()), 0) << "geolynx-cli links GDAL";
    CScratchFolder scratch;
    for (const char* folder : {"bin", "share"})
        std::filesystem::create_directories(scratch.File(folder));
    std::filesystem::copy_file(program, scratch.File("bin/geolynx-cli"));
    std::filesystem::create_directory_symlink(GEOLYNX_PROGRAM_ROOT, scratch.File("share/geolynx"));
    const std::string bare = "'" + scratch.File("bin/geolynx-cli") + "' ";
    const std::string err = scratch.File("stderr.txt");
    const struct
    {
        std::string arguments;
        int status;
        const char* says;
    } lines[] = {
        {"convert --from 4326 --to 32631 3 50", 0, ""},
        {"batch vector --from 4326 --to 32631 --input '" + scratch.File("in.gpkg") + "' --output '" +
             scratch.File("out.gpkg") + "'",
         2, "libgeolynx-vector.so cannot be loaded"},
    };
    for (const auto& line : lines)
    {
        SCOPED_TRACE(line.arguments);
        const int status = std::system((bare + line.arguments + " >/dev/null 2>'" + err + "'").c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), line.status);
        EXPECT_NE(CScratchFolder::Read(err).find(line.says), std::string::npos) << CScratchFolder::Read(err);
    }
    EXPECT_FALSE(std::filesystem::exists(scratch.File("out.gpkg")));
}
