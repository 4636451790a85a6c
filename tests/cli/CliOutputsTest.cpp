// What the built geolynx-cli leaves behind when an output cannot be written:
// a destination set replaced whole or not at all, a lost standard output
// reported as a failure, leftovers of killed runs cleared up.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

#include "../batch/ShapefileTestSupport.h"
#include "ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

struct Result
{
    int status = -1;
    std::string err;
};

std::string Read(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Runs a bash command line; prefix goes before the program (env, setpriv).
Result Cli(const std::string& folder, const std::string& arguments, const std::string& prefix = std::string())
{
    const std::string err = folder + "/stderr.txt";
    const std::string command = prefix + std::string(GEOLYNX_BIN_DIR) + "/geolynx-cli " + arguments + " 2>" + err;
    const int status = std::system(("bash -c '" + command + "'").c_str());
    Result r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = Read(err);
    return r;
}

// A process id no process has now: a child that has ended.
pid_t EndedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// Hidden files beside a destination named as the converters name their
// temporary and set-aside files.
std::vector<std::string> Hidden(const std::string& folder)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().find(".geolynx-") != std::string::npos)
            found.push_back(entry.path().filename().string());
    return found;
}

// A file made immutable while the object lives; its attribute cleared at the
// end whatever happens between.
class CImmutable
{
public:
    explicit CImmutable(std::string file) : path(std::move(file))
    {
        if (!path.empty())
        {
            EXPECT_EQ(std::system(("chattr +i " + path).c_str()), 0);
        }
    }
    ~CImmutable()
    {
        if (!path.empty() && std::system(("chattr -i " + path).c_str()) != 0)
            ADD_FAILURE() << "chattr -i " << path;
    }
    CImmutable(const CImmutable&) = delete;
    CImmutable& operator=(const CImmutable&) = delete;

private:
    std::string path;
};

bool Root()
{
    return ::geteuid() == 0;
}

// The extensions of the old destination set each case starts from: the
// files a new set writes and companions it has none of.
const std::vector<std::string> kOldSet = {".shp", ".shx", ".dbf", ".prj", ".qpj", ".aih", ".ain", ".atx", ".fix", ".cpg"};

class CliOutputs : public testing::Test
{
protected:
    void SetUp() override
    {
        folder = scratch.Path();
        batchtest::WriteShapefile(folder + "/source", 1, {batchtest::Shape{1, {}, {}, {{5, 52, 0}}, {}}});
    }

    // An old destination set base.* whose every file holds "old <extension>".
    void WriteOldSet(const std::string& base) const
    {
        for (const auto& extension : kOldSet)
            Write(base + extension, "old " + extension);
    }

    // The old set's files that no longer hold what they held.
    std::vector<std::string> Changed(const std::string& base) const
    {
        std::vector<std::string> changed;
        for (const auto& extension : kOldSet)
            if (Read(base + extension) != "old " + extension)
                changed.push_back(extension);
        return changed;
    }

    std::string Shapefile(const std::string& destination) const
    {
        return "batch shapefile --from 4326 --to 32631 --input " + folder + "/source.shp --output " + destination;
    }

    CScratchFolder scratch;
    std::string folder;
};

} // namespace

TEST_F(CliOutputs, AShapefileSetIsReplacedWholeOrNotAtAll)
{
    if (!Root())
        GTEST_SKIP() << "SKIPPED: immutable files need root (chattr +i)";
    struct Case
    {
        const char* what;
        std::string immutable; // the old file that cannot be replaced or removed
        std::string readOnly;  // the old file with no write permission
        const char* why;       // in the message
    };
    const std::vector<Case> cases = {
        {"main file immutable", ".shp", "", "Operation not permitted"},
        {"index immutable", ".shx", "", "Operation not permitted"},
        {"stale .qpj immutable", ".qpj", "", "Operation not permitted"},
        {"attribute file read-only", "", ".dbf", "read-only"},
        {"main file read-only", "", ".shp", "read-only"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::string base = folder + "/old";
        WriteOldSet(base);
        if (!c.readOnly.empty())
            fs::permissions(base + c.readOnly, fs::perms::owner_read | fs::perms::group_read);
        Result r;
        {
            const CImmutable locked(c.immutable.empty() ? std::string() : base + c.immutable);
            r = Cli(folder, Shapefile(base + ".shp"));
        }
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
        EXPECT_EQ(Changed(base), std::vector<std::string>{}) << r.err;
        EXPECT_EQ(Hidden(folder), std::vector<std::string>{});
        fs::permissions(base + ".shp", fs::perms::owner_all);
        fs::permissions(base + ".dbf", fs::perms::owner_all);
    }

    // The same set replaced when nothing is in the way: no old companion
    // stays beside the new set.
    const std::string base = folder + "/old";
    WriteOldSet(base);
    const Result r = Cli(folder, Shapefile(base + ".shp"));
    EXPECT_EQ(r.status, 0) << r.err;
    for (const auto& extension : kOldSet)
    {
        const bool written = extension == ".shp" || extension == ".shx" || extension == ".dbf" || extension == ".prj";
        EXPECT_EQ(fs::exists(base + extension), written) << extension;
    }
    EXPECT_EQ(Changed(base).size(), kOldSet.size());
    EXPECT_EQ(Read(base + ".shp").substr(0, 4), std::string("\0\0\x27\x0a", 4));
}

TEST_F(CliOutputs, ASetInAStickyFolderWithAFileOfAnotherUserStaysWhole)
{
    if (!Root())
        GTEST_SKIP() << "SKIPPED: needs root to run as two other users";
    // A shared folder (mode 1777) where the converting user owns the old set
    // but for its .shp, which belongs to someone else: that file cannot be
    // renamed or removed there.
    char name[] = "/tmp/geolynx-sticky-XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const std::string shared = name;
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    const std::string home = shared + "/home";
    fs::create_directories(home);
    batchtest::WriteShapefile(shared + "/source", 1, {batchtest::Shape{1, {}, {}, {{5, 52, 0}}, {}}});
    const std::string base = shared + "/old";
    WriteOldSet(base);
    ASSERT_EQ(std::system(("chown -R nobody:nogroup " + home + " " + shared + "/source.shp " + shared + "/source.shx " +
                           shared + "/source.dbf " + shared + "/old.*").c_str()),
              0);
    ASSERT_EQ(std::system(("chown daemon " + base + ".shp").c_str()), 0);
    fs::permissions(base + ".shp", fs::perms::all);
    const std::string asNobody = "env HOME=" + home + " XDG_DATA_HOME=" + home + "/data XDG_CONFIG_HOME=" + home +
                                 "/config XDG_STATE_HOME=" + home + "/state setpriv --reuid=nobody --regid=nogroup "
                                 "--clear-groups ";
    const Result r = Cli(folder,
                         "batch shapefile --from 4326 --to 32631 --input " + shared + "/source.shp --output " + base +
                             ".shp",
                         asNobody);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("old.shp\" cannot be replaced: Operation not permitted"), std::string::npos) << r.err;
    EXPECT_EQ(Changed(base), std::vector<std::string>{}) << r.err;
    EXPECT_EQ(Hidden(shared), std::vector<std::string>{});
    fs::remove_all(shared);
}

TEST_F(CliOutputs, LostStandardOutputIsAFailureWithItsReason)
{
    const std::string text = folder + "/in.txt";
    Write(text, "5 52\n3 51\n");
    std::string lines;
    for (int i = 0; i < 200000; ++i)
        lines += "5 52\n";
    const std::string large = folder + "/large.txt";
    Write(large, lines);
    struct Case
    {
        const char* what;
        std::string command;
        const char* why;
    };
    const std::vector<Case> cases = {
        {"one coordinate", "convert --from 4326 --to 32631 5 52 >/dev/full", "No space left on device"},
        {"stream", "convert --from 4326 --to 32631 >/dev/full <" + text, "No space left on device"},
        {"stream of many blocks", "convert --from 4326 --to 32631 >/dev/full <" + large, "No space left on device"},
        {"list", "list datums >/dev/full", "No space left on device"},
        {"search", "list countries --search x >/dev/full", "No space left on device"},
        {"distance", "distance 1 2 3 4 >/dev/full", "No space left on device"},
        {"text file", "batch text --from 4326 --to 32631 --input " + text + " --output /dev/full",
         "No space left on device"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        const Result r = Cli(folder, c.command);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
    }

    // A reader that goes away: with SIGPIPE ignored, as many programs start
    // their children, the write fails with EPIPE.
    const std::string status = folder + "/status.txt";
    const std::string command = "trap \"\" PIPE; (" + std::string(GEOLYNX_BIN_DIR) +
                                "/geolynx-cli convert --from 4326 --to 32631 2>" + folder + "/stderr.txt <" + large +
                                "; echo $? >" + status + ") | head -c 1 >/dev/null";
    ASSERT_EQ(std::system(("bash -c '" + command + "'").c_str()), 0);
    EXPECT_EQ(Read(status), "2\n");
    EXPECT_NE(Read(folder + "/stderr.txt").find("Broken pipe"), std::string::npos);
}

TEST_F(CliOutputs, LeftoversOfEndedRunsAreRemovedAndTheLivingOnesKept)
{
    const std::string text = folder + "/in.txt";
    Write(text, "5 52\n");
    const std::string ended = std::to_string(EndedProcess());
    const std::string living = std::to_string(::getpid());
    struct Case
    {
        const char* what;
        std::string command;
        std::string destination; // file name in folder
        std::vector<std::string> companions;
    };
    const std::vector<Case> cases = {
        {"text file", "batch text --from 4326 --to 32631 --input " + text + " --output " + folder + "/out.txt",
         "out.txt", {""}},
        {"shapefile set", Shapefile(folder + "/set.shp"), "set.shp", {".shp", ".shx", ".dbf", ".prj"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<std::string> gone, kept;
        for (const auto& extension : c.companions)
        {
            std::string final = c.destination;
            if (!extension.empty())
                final = final.substr(0, final.size() - 4) + extension;
            gone.push_back("." + final + ".geolynx-" + ended + "-Ab12Cd");
            kept.push_back("." + final + ".geolynx-" + living + "-Xy34Zw");
        }
        for (const auto& name : gone)
            Write(folder + "/" + name, "left by a killed run");
        for (const auto& name : kept)
            Write(folder + "/" + name, "being written");
        const Result r = Cli(folder, c.command);
        EXPECT_EQ(r.status, 0) << r.err;
        for (const auto& name : gone)
        {
            EXPECT_FALSE(fs::exists(folder + "/" + name)) << name;
            EXPECT_NE(r.err.find(name), std::string::npos) << r.err;
        }
        for (const auto& name : kept)
        {
            EXPECT_TRUE(fs::exists(folder + "/" + name)) << name;
            fs::remove(folder + "/" + name);
        }
    }
}
