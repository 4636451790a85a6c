// A catalogue that is missing, not a database or read-only: every lookup
// answers with its fallback, every write fails with -1, and a conversion that
// needs the catalogue stops with a message instead of converting through
// records it could not load. Nothing crashes.

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "../batch/BatchTestSupport.h"
#include "../catalogue/CatalogueFixture.h"
#include "CatalogueLoaders.h"
#include "CatalogueLookups.h"
#include "CatalogueStatements.h"
#include "ConvertCoordinate.h"
#include "MessageRecorder.h"
#include "TextFileConversion.h"

namespace {

constexpr int kEd50 = 4230;
constexpr int kEd50Utm32 = 23032;

// Everything the catalogue answers, as one text per question, so a run in a
// child process can be held against a run in this one.
std::vector<std::string> Answers()
{
    std::vector<std::string> answers;
    auto name = [&](void (*lookup)(int, CCxString&), int id) {
        CCxString text("<as it was>");
        lookup(id, text);
        answers.push_back(text.str());
    };
    name(LookupGridName, kEd50Utm32);
    name(LookupGridName, 0);
    name(LookupDatumName, kEd50);
    name(LookupDatumName, 0);
    name(LookupEllipsoidName, 7022);
    name(LookupMeridianName, 8901);
    name(LookupCountryName, 1);
    name(LookupGridUnitName, kEd50Utm32);
    int fields = -1;
    LookupProjectionFields(9807, fields);
    answers.push_back("fields " + std::to_string(fields));
    int hasGrids = -1;
    CountryHasGrids(1, hasGrids);
    answers.push_back("has grids " + std::to_string(hasGrids));
    long id = -7;
    const bool obtained = NextUserIdentifier(CatalogueSql::E4, id);
    answers.push_back("next " + std::to_string(obtained) + " " + std::to_string(id));
    std::string sql;
    FormatEllipsoidInsert(60001, {"user's", "6378137", "298.257"}, sql);
    answers.push_back("insert " + std::to_string(RunCatalogueStatement(sql)));
    return answers;
}

// ED50 to ED50 / UTM 32N through the catalogue, one point and one text run.
std::vector<std::string> Conversions(const std::string& folder)
{
    std::vector<std::string> out;
    CMessageRecorder recorder;
    {
        CConversionContext context;
        double x = 9.0, y = 48.0, z = 0;
        const int result = ConvertCoordinate(context, true, x, y, z, kEd50, 0, kEd50, kEd50Utm32);
        char text[128];
        std::snprintf(text, sizeof text, "point %d %.3f %.3f", result, x, y);
        out.push_back(text);
    }
    out.push_back("point messages " + std::to_string(recorder.Shown().size()));
    recorder.Clear();

    batchtest::WriteFile(folder + "/in.csv", "9.0,48.0\n9.5,48.5\n");
    BatchSettings s;
    s.SeparatorChoice = 1;
    s.altitudeColumn = 0;
    s.sourceDatum = kEd50;
    s.destinationDatum = kEd50;
    s.destinationGrid = kEd50Utm32;
    s.sourceFile = folder + "/in.csv";
    s.destinationFile = folder + "/out.csv";
    CConversionContext context;
    CCatalogueRecordLoader loader;
    batchtest::CRecordingSink sink;
    {
        CBatchRunControl run(s, context, loader, sink);
        run.BeginRun();
        ConvertTextFile(run);
    }
    for (const auto& end : sink.Ends())
        out.push_back("run " + end.text);
    out.push_back("run messages " + std::to_string(recorder.Shown().size()));
    out.push_back("output " + batchtest::ReadFile(s.destinationFile));
    return out;
}

// Runs what in a child process and hands back its lines; prepare runs first
// in the child, and a false from it answers "unavailable".
std::vector<std::string> InChild(const std::function<bool()>& prepare,
                                 const std::function<std::vector<std::string>()>& what)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {"no pipe"};
    const pid_t child = fork();
    if (child == 0)
    {
        close(channel[0]);
        std::string text;
        if (!prepare())
            text = "unavailable\n";
        else
            for (const auto& line : what())
                text += line + '\x1e';
        (void)!write(channel[1], text.data(), text.size());
        close(channel[1]);
        _exit(0);
    }
    close(channel[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(channel[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child died, status " << status;
    if (text == "unavailable\n")
        return {"unavailable"};
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\x1e', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class CatalogueFault : public CatalogueTest
{
protected:
    // What every unreachable catalogue must answer.
    void ExpectFallbacks(const std::vector<std::string>& answers)
    {
        const std::vector<std::string> expected = {
            "<as it was>", "Geographic ( Longitude / Latitude )", "<as it was>", "No datum selected",
            "<as it was>", "<as it was>", "<as it was>", "<as it was>", "fields 0", "has grids 1", "next 0 -7",
            "insert -1"};
        EXPECT_EQ(answers, expected);
    }

    void ExpectConversionsStop()
    {
        const auto out = Conversions(home.string());
        ASSERT_EQ(out.size(), 5u);
        EXPECT_EQ(out[0], "point 1 9.000 48.000") << "the point was converted without its records";
        EXPECT_EQ(out[1], "point messages 1");
        EXPECT_EQ(out[2], std::string("run ") + kBatchFailedText);
        EXPECT_EQ(out[3], "run messages 1");
        EXPECT_EQ(out[4], "output ");
    }
};

} // namespace

TEST_F(CatalogueFault, ReachableCatalogueAnswersAndConverts)
{
    // The same questions on a sound catalogue: every answer differs from its fallback.
    const auto answers = Answers();
    ASSERT_EQ(answers.size(), 12u);
    EXPECT_EQ(answers[0], "ED50 / UTM zone 32N");
    EXPECT_EQ(answers[2], "ED50");
    EXPECT_EQ(answers[8].rfind("fields ", 0), 0u);
    EXPECT_NE(answers[8], "fields 0");
    EXPECT_EQ(answers[9], "has grids 1");
    EXPECT_EQ(answers[10], "next 1 50001");
    EXPECT_EQ(answers[11], "insert 0");
    const auto out = Conversions(home.string());
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[0].rfind("point 0 ", 0), 0u);
    EXPECT_EQ(out[2], std::string("run ") + kBatchCompletedText);
    EXPECT_EQ(batchtest::Lines(out[4].substr(7)).size(), 2u);

    // A datum the catalogue has no row for stops the conversion the same way.
    CMessageRecorder recorder;
    CConversionContext context;
    double x = 9.0, y = 48.0, z = 0;
    EXPECT_EQ(ConvertCoordinate(context, true, x, y, z, 987654, 0, kEd50, kEd50Utm32), 1);
    EXPECT_EQ(ConvertCoordinate(context, true, x, y, z, kEd50, 0, kEd50, 987654), 1);
    EXPECT_EQ(recorder.Ids(), (std::vector<int>{108, 109}));
    EXPECT_EQ(x, 9.0);
    EXPECT_EQ(y, 48.0);
}

TEST_F(CatalogueFault, MissingFileThatCannotBeCreated)
{
    // A program root without a shipped catalogue: the missing file cannot be made.
    const auto emptyRoot = home / "empty-root";
    std::filesystem::create_directories(emptyRoot);
    UseConnection("Provider=SQLite;Data Source=" + (home / "gone" / "catalogue.db").string() + ";",
                  emptyRoot.string());
    ExpectFallbacks(Answers());
    ExpectConversionsStop();
    EXPECT_FALSE(std::filesystem::exists(home / "gone" / "catalogue.db"));
}

TEST_F(CatalogueFault, MissingFileOfTheAccessProvider)
{
    UseConnection("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + (home / "gone.mdb").string() + ";");
    ExpectFallbacks(Answers());
    ExpectConversionsStop();
}

TEST_F(CatalogueFault, FileThatIsNotADatabase)
{
    {
        std::ofstream out(catalogueFile, std::ios::trunc);
        for (int i = 0; i < 200; ++i)
            out << "numId;strDatum;this is a text file, not a catalogue\n";
    }
    const std::string before = ReadTextFile(catalogueFile);
    ExpectFallbacks(Answers());
    ExpectConversionsStop();
    UseConnection("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + catalogueFile + ";");
    ExpectFallbacks(Answers());
    EXPECT_EQ(ReadTextFile(catalogueFile), before);
}

TEST_F(CatalogueFault, EmptyFileIsNoCatalogue)
{
    std::ofstream(catalogueFile, std::ios::trunc).close();
    ExpectFallbacks(Answers());
    ExpectConversionsStop();
}

TEST_F(CatalogueFault, ReadOnlyFileAnswersLookupsAndRefusesWrites)
{
    const auto sound = Answers(); // on a writable copy: the insert takes place there
    std::filesystem::copy_file(templateFile, catalogueFile, std::filesystem::copy_options::overwrite_existing);
    const std::string before = ReadTextFile(catalogueFile);
    const std::string folder = home.string();

    // Permissions do not stop root, a read-only mount does; it lives in the
    // child's own mount namespace.
    auto makeReadOnly = [&] {
        if (geteuid() != 0)
            return ::chmod(catalogueFile.c_str(), 0444) == 0 && ::chmod(folder.c_str(), 0555) == 0;
        return unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
               mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
               mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    };
    const auto answers = InChild(makeReadOnly, [] { return Answers(); });
    ::chmod(folder.c_str(), 0755);
    ::chmod(catalogueFile.c_str(), 0644);
    if (answers == std::vector<std::string>{"unavailable"})
        GTEST_SKIP() << "the catalogue could not be made read-only";

    ASSERT_EQ(answers.size(), sound.size());
    for (std::size_t i = 0; i + 1 < sound.size(); ++i)
        EXPECT_EQ(answers[i], sound[i]) << "question " << i;
    EXPECT_EQ(answers.back(), "insert -1");
    EXPECT_EQ(ReadTextFile(catalogueFile), before);

    // Reading is all a conversion needs: it converts as on a writable catalogue.
    CMessageRecorder recorder;
    CConversionContext context;
    double x = 9.0, y = 48.0, z = 0;
    ASSERT_EQ(ConvertCoordinate(context, true, x, y, z, kEd50, 0, kEd50, kEd50Utm32), 0);
    const auto converted = InChild(makeReadOnly, [] {
        CConversionContext c;
        double px = 9.0, py = 48.0, pz = 0;
        const int result = ConvertCoordinate(c, true, px, py, pz, kEd50, 0, kEd50, kEd50Utm32);
        char text[128];
        std::snprintf(text, sizeof text, "%d %.6f %.6f", result, px, py);
        return std::vector<std::string>{text};
    });
    ::chmod(folder.c_str(), 0755);
    char expected[128];
    std::snprintf(expected, sizeof expected, "0 %.6f %.6f", x, y);
    EXPECT_EQ(converted, std::vector<std::string>{expected});
}
