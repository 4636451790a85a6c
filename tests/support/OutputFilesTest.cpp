// Replacing outputs as one step, and clearing up after runs that were killed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

#include "OutputFiles.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void Write(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string EndedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return std::to_string(child);
}

class OutputFiles : public testing::Test
{
protected:
    void SetUp() override
    {
        char name[] = "/tmp/geolynx-outputs-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        folder = name;
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string In(const std::string& name) const { return (folder / name).string(); }

    fs::path folder;
};

} // namespace

TEST_F(OutputFiles, LeftoversOfEndedProcessesAreClearedAndOldFilesPutBack)
{
    const std::string ended = EndedProcess();
    const std::string living = std::to_string(::getpid());
    struct Case
    {
        std::string name;
        bool stays;
    };
    // a.shp is missing: its set-aside old file goes back in its place.
    const std::vector<Case> cases = {
        {".a.shp.geolynx-" + ended + "-Ab12Cd", false},
        {".a.shp.geolynx-" + ended + "-old-Qw12Er", false},
        {".a.shp.geolynx-" + living + "-Xy34Zw", true},
        {".a.shp.geolynx-x1-Ab12Cd", true},
        {".a.shp.geolynx--Ab12Cd", true},
        {".b.shp.geolynx-" + ended + "-Ab12Cd", true},
    };
    for (const auto& c : cases)
        Write(In(c.name), c.name);
    const std::vector<std::string> done = ClearLeftovers(In("a.shp"));
    EXPECT_EQ(done.size(), 2u);
    for (const auto& c : cases)
        EXPECT_EQ(fs::exists(In(c.name)), c.stays) << c.name;
    EXPECT_EQ(Read(In("a.shp")), cases[1].name);

    // With the final name there, a set-aside old file of an ended run is
    // removed instead.
    Write(In(cases[1].name), "older");
    EXPECT_EQ(ClearLeftovers(In("a.shp")).size(), 1u);
    EXPECT_FALSE(fs::exists(In(cases[1].name)));
    EXPECT_EQ(Read(In("a.shp")), cases[1].name);
}

TEST_F(OutputFiles, AReplacementThatFailsHalfwayPutsEveryOldFileBack)
{
    Write(In("set.shp"), "old shp");
    Write(In("set.dbf"), "old dbf");
    Write(In("set.qpj"), "old qpj");
    std::string why;
    std::string shx, dbf;
    std::FILE* a = CreateTemporary(In("set.shx"), shx, why);
    std::FILE* b = CreateTemporary(In("set.dbf"), dbf, why);
    ASSERT_TRUE(a != nullptr && b != nullptr) << why;
    std::fputs("new shx", a);
    std::fputs("new dbf", b);
    std::fclose(a);
    std::fclose(b);
    // The main file's temporary is gone: its rename, the last, fails.
    const std::vector<std::pair<std::string, std::string>> files = {
        {shx, In("set.shx")}, {dbf, In("set.dbf")}, {In(".set.shp.missing"), In("set.shp")}};
    EXPECT_FALSE(ReplaceFiles(files, {In("set.qpj")}, why));
    EXPECT_NE(why.find("set.shp\" cannot be written"), std::string::npos) << why;
    EXPECT_EQ(Read(In("set.shp")), "old shp");
    EXPECT_EQ(Read(In("set.dbf")), "old dbf");
    EXPECT_EQ(Read(In("set.qpj")), "old qpj");
    EXPECT_FALSE(fs::exists(In("set.shx")));

    // The new files placed before the failure went with it. A set written
    // again, every temporary there, replaces the old one whole.
    std::string shp;
    for (auto [final, temporary, text] : {std::tuple{"set.shx", &shx, "new shx"}, std::tuple{"set.dbf", &dbf, "new dbf"},
                                          std::tuple{"set.shp", &shp, "new shp"}})
    {
        std::FILE* file = CreateTemporary(In(final), *temporary, why);
        ASSERT_NE(file, nullptr) << why;
        std::fputs(text, file);
        std::fclose(file);
    }
    why.clear();
    EXPECT_TRUE(ReplaceFiles({{shx, In("set.shx")}, {dbf, In("set.dbf")}, {shp, In("set.shp")}}, {In("set.qpj")}, why))
        << why;
    EXPECT_EQ(Read(In("set.dbf")), "new dbf");
    EXPECT_FALSE(fs::exists(In("set.qpj")));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"set.dbf", "set.shp", "set.shx"}));
}

TEST_F(OutputFiles, TemporariesGetTheModeOfTheFileTheyReplace)
{
    Write(In("kept.txt"), "x");
    fs::permissions(In("kept.txt"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    std::string path, why;
    std::FILE* file = CreateTemporary(In("kept.txt"), path, why);
    ASSERT_NE(file, nullptr) << why;
    std::fclose(file);
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    EXPECT_EQ(fs::path(path).filename().string().rfind(".kept.txt.geolynx-" + std::to_string(::getpid()) + "-", 0), 0u)
        << path;
    // A destination without write permission is refused.
    fs::permissions(In("kept.txt"), fs::perms::owner_read);
    EXPECT_NE(ReplaceRefusal(In("kept.txt")).find("is read-only"), std::string::npos);
    EXPECT_EQ(ReplaceRefusal(In("absent.txt")), "");
}
