// The window tests keep the program's own presenter and dialogs: a recorder
// presenter once hid a window whose Yes/No questions nobody could answer. This
// reads the sources of the window tests (app, management, wizard) and names
// every line that installs a recorder presenter, a stand-in chooser or a
// stand-in file dialog or address opener.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Rule
{
    const char* what;
    std::regex pattern;
};

const std::vector<Rule>& Rules()
{
    static const std::vector<Rule> rules = {
        {"a recorder presenter", std::regex(R"(\bC\w*Recorder\b|MessageRecorder\.h)")},
        {"a presenter of its own", std::regex(R"(:\s*public\s+CMessagePresenter\b)")},
        {"a presenter other than the program's",
         std::regex(R"(SetMessagePresenter\s*\(\s*&\s*(?!presenter\b)\w+)")},
        {"a stand-in chooser, file dialog or address opener",
         std::regex(R"((\.|->|\b)(choose\w*|openUrl)\s*=[^=])")},
        {"a file dialog of its own", std::regex(R"(:\s*public\s+QFileDialog\b)")},
    };
    return rules;
}

// The offences of one source text, as "line: what".
std::vector<std::string> Offences(const std::string& text)
{
    std::vector<std::string> found;
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);)
    {
        ++number;
        // What a comment says installs nothing.
        const std::size_t comment = line.find("//");
        if (comment != std::string::npos)
            line.erase(comment);
        for (const Rule& rule : Rules())
            if (std::regex_search(line, rule.pattern))
                found.push_back(std::to_string(number) + ": " + rule.what + ": " + line);
    }
    return found;
}

TEST(WindowTestStandIns, TheRulesFindEachKindOfStandIn)
{
    for (const char* planted : {
             "    CMessageRecorder messages;",
             "#include \"MessageRecorder.h\"",
             "class CThreadRecorder : public CMessageRecorder",
             "class CQuiet : public CMessagePresenter {",
             "    SetMessagePresenter(&messages);",
             "    window->chooseGrid = [this](int& grid, int& datum) {",
             "    d.chooseGridFile = [](const QString&) { return QString(); };",
             "    sheet->chooseFile = [&](const QString&, const QString&, bool, const QString&) {",
             "    dialog->openUrl = [&opened](const QString& url) { opened = url; };",
             "class CFakeFiles : public QFileDialog",
         })
        EXPECT_EQ(Offences(planted).size(), 1u) << planted;
    // The program's own presenter, real dialogs and comparisons pass.
    for (const char* fine : {
             "    SetMessagePresenter(&presenter);",
             "    SetMessagePresenter(nullptr);",
             "    ChooseGrid(\"sourceGridSelect\", kUtm31);",
             "    EXPECT_TRUE(sheet->chooseFile == nullptr);",
             "    // window->chooseGrid = ... was the old way",
             "    CMessageBoxLog boxes;",
         })
        EXPECT_TRUE(Offences(fine).empty()) << fine;
}

TEST(WindowTestStandIns, NoWindowTestInstallsOne)
{
    int scanned = 0;
    std::vector<std::string> offences;
    for (const char* folder : {"app", "management", "wizard", "common"})
    {
        const fs::path root = fs::path(GEOLYNX_SOURCE_DIR) / "tests" / folder;
        ASSERT_TRUE(fs::is_directory(root)) << root;
        for (const auto& entry : fs::directory_iterator(root))
        {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h")
                continue;
            // The common folder's headers serve tests below the windows too;
            // only the ones the window tests include are read.
            if (std::string(folder) == "common" &&
                entry.path().filename() != "RealDialogs.h" && entry.path().filename() != "MessageBoxAnswerer.h")
                continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            ++scanned;
            for (const std::string& offence : Offences(text.str()))
                offences.push_back(entry.path().lexically_relative(GEOLYNX_SOURCE_DIR).string() + ":" + offence);
        }
    }
    // The three window test folders hold some twenty sources.
    EXPECT_GE(scanned, 20);
    EXPECT_EQ(offences, std::vector<std::string>{});
}

} // namespace
