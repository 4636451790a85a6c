// Settings files, folders, connection strings and the exceptions log, all
// redirected into a scratch folder.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ConnectionString.h"
#include "ExceptionsLog.h"
#include "Paths.h"
#include "ScratchFolder.h"
#include "Settings.h"

TEST(Settings, MachineFileWinsThenUserFileThenTheDefaults)
{
    CScratchFolder scratch;
    const std::string machine = scratch.File("etc/Veltrix/Geolynx.conf");
    const std::string user = scratch.File("home/config/Veltrix/Geolynx.conf");

    CCxString value;
    ReadConnectionString(value);
    EXPECT_EQ(value.str(), "Provider=SQLite;Data Source=" + scratch.File("home/data/Veltrix/Geolynx/catalogue.db") + ";");
    ReadProgramRoot(value);
    EXPECT_EQ(value.str(), DefaultProgramRoot());
    EXPECT_EQ(std::filesystem::path(value.str()).filename(), "geolynx");

    CScratchFolder::Write(user, "# the user's own catalogue\nConnectionString = DSN=mine;Pwd=x\nProgramRoot=/opt/u\n");
    ReadConnectionString(value);
    EXPECT_EQ(value, "DSN=mine;Pwd=x");
    CScratchFolder::Write(machine, "; machine-wide\n  ProgramRoot  =  /opt/geolynx  \nbroken line\nConnectionString=\n");
    ReadProgramRoot(value);
    EXPECT_EQ(value, "/opt/geolynx");
    ReadConnectionString(value);
    EXPECT_EQ(value, "DSN=mine;Pwd=x") << "an empty machine value does not hide the user's";

    // Keys are case-sensitive; a value longer than 1024 bytes does not read.
    CCxString kept("kept");
    EXPECT_EQ(ReadSetting("programroot", kept), -1);
    EXPECT_EQ(kept, "kept");
    CScratchFolder::Write(user, "ProgramRoot=/" + std::string(1024, 'x') + "\n");
    CScratchFolder::Write(machine, "");
    EXPECT_EQ(ReadSetting("ProgramRoot", kept), -1);
    CScratchFolder::Write(user, "ProgramRoot=/" + std::string(1023, 'x') + "\n");
    EXPECT_EQ(ReadSetting("ProgramRoot", kept), 0);
    EXPECT_EQ(kept.GetLength(), 1024u);

    // Several machine folders are searched in order.
    scratch.Set("XDG_CONFIG_DIRS", scratch.File("first") + ":" + scratch.File("etc"));
    CScratchFolder::Write(machine, "ProgramRoot=/second\n");
    CScratchFolder::Write(scratch.File("first/Veltrix/Geolynx.conf"), "ProgramRoot=/first\n");
    ReadProgramRoot(value);
    EXPECT_EQ(value, "/first");
}

TEST(Paths, XdgFoldersAndTheirDefaults)
{
    CScratchFolder scratch;
    EXPECT_EQ(UserDataFolder(), scratch.File("home/data/Veltrix/Geolynx"));
    EXPECT_EQ(UserStateFolder(), scratch.File("home/state/Veltrix/Geolynx"));
    EXPECT_EQ(UserConfigHome(), scratch.File("home/config"));
    // Unset, empty or relative variables fall back below HOME.
    scratch.Unset("XDG_DATA_HOME");
    scratch.Set("XDG_STATE_HOME", "relative/state");
    scratch.Set("XDG_CONFIG_HOME", "");
    EXPECT_EQ(UserDataFolder(), scratch.File("home/.local/share/Veltrix/Geolynx"));
    EXPECT_EQ(UserStateFolder(), scratch.File("home/.local/state/Veltrix/Geolynx"));
    EXPECT_EQ(UserConfigHome(), scratch.File("home/.config"));
    EXPECT_EQ(DefaultCatalogueFile(), scratch.File("home/.local/share/Veltrix/Geolynx/catalogue.db"));
    scratch.Unset("XDG_CONFIG_DIRS");
    EXPECT_EQ(MachineConfigDirs(), "/etc/xdg");

    // The program root sits beside the executable's folder.
    EXPECT_EQ(DefaultProgramRoot(),
              (std::filesystem::path(ExecutableFolder()).parent_path() / "share" / "geolynx").string());
    EXPECT_EQ(ExecutableFolder(), GEOLYNX_BIN_DIR);

    const std::string deep = scratch.File("a/b/c");
    ASSERT_TRUE(EnsureFolder(deep));
    EXPECT_TRUE(std::filesystem::is_directory(deep));
    EXPECT_TRUE(EnsureFolder(deep)) << "an existing folder is fine";
    CScratchFolder::Write(scratch.File("plain"), "x");
    EXPECT_FALSE(EnsureFolder(scratch.File("plain/sub")));
}

TEST(ConnectionString, SplitsPairsAndMasksPasswords)
{
    const CConnectionString cs(" Provider = SQLite ; Data Source=/tmp/a b.db;Driver={My; Driver};X='q;q';;bare;");
    EXPECT_EQ(cs.Get("provider"), "SQLite");
    EXPECT_EQ(cs.Get("DATA SOURCE"), "/tmp/a b.db");
    EXPECT_EQ(cs.Get("Driver"), "My; Driver");
    EXPECT_EQ(cs.Get("x"), "q;q");
    EXPECT_FALSE(cs.Has("bare"));
    EXPECT_EQ(cs.Get("missing"), "");

    EXPECT_EQ(MaskPasswords("DSN=a;UID=u;PWD=secret;Server=s"), "DSN=a;UID=u;PWD=***;Server=s");
    EXPECT_EQ(MaskPasswords("Password={se;cret};X=1"), "Password=***;X=1");
    EXPECT_EQ(MaskPasswords("[Driver=d;pwd = p1]"), "[Driver=d;pwd = ***]");
    EXPECT_EQ(MaskPasswords("Pwd=last"), "Pwd=***");
    EXPECT_EQ(MaskPasswords("OldPwd=keep;MyPassword=keep"), "OldPwd=keep;MyPassword=keep")
        << "only whole keys are passwords";
}

TEST(ExceptionsLog, OneLinePerEntryInItsFolder)
{
    CScratchFolder scratch;
    const std::string path = scratch.File("home/state/Veltrix/Geolynx/exceptions.txt");
    EXPECT_EQ(ExceptionsLogPath(), path);
    EXPECT_FALSE(std::filesystem::exists(path));
    LogException(235, "ADODB: Failed to execute query [x],[e],[d]");
    LogException(408, "second");
    const std::string log = CScratchFolder::Read(path);
    // "EXCEPTION OCCURED: Date [Wed Dec  9 12:42:54 2026] ; FILE [...] ; LINE [235] ; EXTRA INFO: [...]"
    const std::string head = "EXCEPTION OCCURED: Date [";
    ASSERT_EQ(log.rfind(head, 0), 0u) << log;
    const std::size_t close = log.find(']', head.size());
    EXPECT_EQ(close - head.size(), 24u) << "ctime's 24 characters, line break removed";
    const std::string first = log.substr(0, log.find('\n') + 1);
    EXPECT_EQ(first.substr(close),
              "] ; FILE [..\\..\\..\\Common\\VisualC\\CxAdo] ; LINE [235] ; EXTRA INFO: [ADODB: Failed to execute "
              "query [x],[e],[d]]\n");
    const std::string tail = "] ; LINE [408] ; EXTRA INFO: [second]\n";
    EXPECT_EQ(log.compare(log.size() - tail.size(), tail.size(), tail), 0) << log;
    EXPECT_EQ(log.rfind(head), first.size());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << "the log is the user's own";

    // Threads logging at once never share a line.
    std::vector<std::thread> threads;
    const std::string text(1500, 'z');
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 50; ++i)
                LogException(575, text.c_str());
        });
    for (auto& t : threads)
        t.join();
    std::size_t lines = 0, good = 0, start = 0;
    const std::string all = CScratchFolder::Read(path);
    for (std::size_t end = all.find('\n'); end != std::string::npos; end = all.find('\n', start)) {
        const std::string line = all.substr(start, end - start);
        ++lines;
        good += line.rfind(head, 0) == 0 && line.size() > text.size() &&
                line.compare(line.size() - text.size() - 1, text.size() + 1, text + "]") == 0;
        start = end + 1;
    }
    EXPECT_EQ(lines, 202u);
    EXPECT_EQ(good, 200u);
}
