#pragma once

// A private PostgreSQL server for tests: a new cluster in a temporary folder
// (initdb, pg_ctl from /usr/lib/postgresql/<version>/bin), listening on
// 127.0.0.1 on a free port with trust authentication, one database
// "geolynx". When the tests run as root the server runs as the "postgres"
// user (else "nobody"), since PostgreSQL refuses to run as root. The
// destructor stops the server and removes the folder.
//
//   static CPostgresServer server;                 // or one per test suite
//   ASSERT_TRUE(server.Running()) << server.Error();
//   ado.Connect(server.ConnectionString().c_str());

#include <arpa/inet.h>
#include <glob.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class CPostgresServer
{
public:
    explicit CPostgresServer(const std::string& database = "geolynx") : databaseName(database)
    {
        for (int attempt = 0; attempt < 3 && !running; ++attempt)
            Start();
    }

    ~CPostgresServer()
    {
        if (running)
            Run(Bin("pg_ctl") + " -D " + dataDir + " -m immediate -w stop");
        if (!folder.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    }

    CPostgresServer(const CPostgresServer&) = delete;
    CPostgresServer& operator=(const CPostgresServer&) = delete;

    bool Running() const { return running; }
    // Whether this machine has a PostgreSQL server to start at all.
    bool Installed() const { return !binDir.empty(); }
    const std::string& Error() const { return error; }
    int Port() const { return port; }

    // ODBC connection string through psqlODBC's ANSI driver; the password is
    // ignored by trust authentication and serves the masking tests.
    std::string ConnectionString() const
    {
        return "Driver={PostgreSQL ANSI};Server=127.0.0.1;Port=" + std::to_string(port) + ";Database=" +
               databaseName + ";Uid=postgres;Pwd=s3cret-Pg;";
    }

    // Runs SQL through psql as the superuser; true on success.
    bool Psql(const std::string& sql) const
    {
        const std::string file = folder + "/statement.sql";
        {
            std::ofstream out(file);
            out << sql << "\n";
        }
        return Run(Bin("psql") + " -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p " + std::to_string(port) +
                   " -U postgres -d " + databaseName + " -f " + file);
    }

private:
    std::string databaseName;
    std::string binDir;
    std::string folder;
    std::string dataDir;
    std::string user;
    std::string error;
    int port = 0;
    bool running = false;

    std::string Bin(const std::string& tool) const { return binDir + "/" + tool; }

    // Runs a command as the server's user, output into the folder's log.
    bool Run(const std::string& command) const
    {
        std::string full = (user.empty() ? "" : "runuser -u " + user + " -- ") + command + " >>" + folder +
                           "/commands.log 2>&1";
        return std::system(full.c_str()) == 0;
    }

    static int FreePort()
    {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        if (s < 0)
            return 0;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        socklen_t length = sizeof a;
        int p = 0;
        if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0)
            p = ntohs(a.sin_port);
        ::close(s);
        return p;
    }

    void Start()
    {
        if (binDir.empty()) {
            glob_t g{};
            if (::glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &g) == 0 && g.gl_pathc > 0)
                binDir = std::filesystem::path(g.gl_pathv[g.gl_pathc - 1]).parent_path().string();
            ::globfree(&g);
            if (binDir.empty()) {
                error = "no PostgreSQL server installed under /usr/lib/postgresql";
                return;
            }
        }
        if (folder.empty()) {
            char name[] = "/tmp/geolynx-pg-XXXXXX";
            if (::mkdtemp(name) == nullptr) {
                error = "cannot create a temporary folder";
                return;
            }
            folder = name;
            dataDir = folder + "/data";
            if (::geteuid() == 0) {
                user = ::getpwnam("postgres") != nullptr ? "postgres" : "nobody";
                const passwd* pw = ::getpwnam(user.c_str());
                if (pw == nullptr || ::chown(folder.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
                    error = "cannot hand the folder to user " + user;
                    return;
                }
            }
            if (!Run(Bin("initdb") + " -D " + dataDir + " -U postgres -A trust -E UTF8 --no-locale --no-sync")) {
                error = "initdb failed: " + Log();
                return;
            }
        }
        port = FreePort();
        const std::string options = "-p " + std::to_string(port) + " -k " + folder +
                                    " -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=40";
        if (!Run(Bin("pg_ctl") + " -D " + dataDir + " -l " + folder + "/server.log -w -t 60 -o '" + options +
                 "' start")) {
            error = "pg_ctl start failed: " + Log();
            return;
        }
        running = true;
        if (!Run(Bin("createdb") + " -h 127.0.0.1 -p " + std::to_string(port) + " -U postgres " + databaseName)) {
            error = "createdb failed: " + Log();
            Run(Bin("pg_ctl") + " -D " + dataDir + " -m immediate -w stop");
            running = false;
        }
    }

    std::string Log() const
    {
        std::ifstream in(folder + "/commands.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

