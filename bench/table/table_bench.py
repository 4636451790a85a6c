#!/usr/bin/env python3
"""Table conversion against the peers a user would use instead, on one
1,000,000-row table from WGS 84 to UTM zone 31N (TABLE_ROWS changes the size):

  SQLite file:   geolynx-cli batch table  vs  a pyproj script doing the same
                 UPDATE in one transaction (pyproj_peer.py);
  PostgreSQL 15: geolynx-cli through psqlODBC  vs  PostGIS ST_Transform in an
                 UPDATE inside the same server.

Prints each wall time, the ratio (peer time / our time: above 1 we are
faster), the peak resident memory of each geolynx-cli run, and the largest
difference between our values and the peer's. On a shared machine the wall
time of the SQLite runs follows the disk and the other programs, so their
processor time (user + system) and its ratio are printed too, and the load
average at the start.

usage: table_bench.py BUILD_DIR
"""
import os
import pwd
import shutil
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time

ROWS = int(os.environ.get("TABLE_ROWS", "1000000"))
HERE = os.path.dirname(os.path.abspath(__file__))


def timed(command, env=None, user=None):
    """Runs command; wall seconds, exit code and its output."""
    if user is not None:
        command = ["runuser", "-u", user, "--"] + command
    start = time.monotonic()
    child = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    out, err = child.communicate()
    return time.monotonic() - start, child.returncode, out, err


def timed_rss(command, env=None):
    """Runs command; wall seconds, exit code, its own peak RSS in MB, its processor seconds and its errors."""
    start = time.monotonic()
    child = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    err_lines = child.stderr.read().decode(errors="replace")
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.monotonic() - start
    return (wall, os.waitstatus_to_exitcode(status), usage.ru_maxrss / 1024.0, usage.ru_utime + usage.ru_stime,
            err_lines)


def point(i):
    # Spread over zone 31N, the same for both sides and both engines.
    return 40.0 + (i * 0.6180339887) % 20.0, (i * 0.4142135623) % 6.0


def cli_env(work):
    env = dict(os.environ)
    for name, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"),
                      ("XDG_STATE_HOME", "state"), ("XDG_CONFIG_DIRS", "etc")):
        env[name] = os.path.join(work, sub)
    return env


def table_command(cli, connection):
    return [cli, "batch", "table", "--from", "4326", "--to", "32631", "--connection", connection, "--table", "t",
            "--source-fields", "lat", "lon", "--destination-fields", "north", "east"]


def sqlite_bench(cli, work, env):
    ours, peer = os.path.join(work, "ours.db"), os.path.join(work, "peer.db")
    db = sqlite3.connect(ours)
    db.execute("CREATE TABLE t (id INTEGER PRIMARY KEY, lat DOUBLE, lon DOUBLE, north DOUBLE, east DOUBLE)")
    with db:
        db.executemany("INSERT INTO t (id, lat, lon) VALUES (?, ?, ?)", ((i,) + point(i) for i in range(ROWS)))
    db.close()
    shutil.copy(ours, peer)

    wall, code, rss, cpu, err = timed_rss(table_command(cli, "Provider=SQLite;Data Source=" + ours + ";"), env)
    if code != 0:
        print("== table SQLite: geolynx-cli failed (%d): %s" % (code, err.strip()))
        return False
    peer_wall, peer_code, _, peer_cpu, peer_err = timed_rss(["/usr/bin/python3", os.path.join(HERE, "pyproj_peer.py"),
                                                             peer])
    if peer_code != 0:
        print("== table SQLite: the pyproj peer failed: %s" % peer_err.strip())
        return False
    db = sqlite3.connect(ours)
    db.execute("ATTACH ? AS p", (peer,))
    diff = db.execute("SELECT max(max(abs(a.north - b.north), abs(a.east - b.east))), "
                      "sum(a.north IS NULL OR a.east IS NULL) FROM t AS a JOIN p.t AS b USING (id)").fetchone()
    db.close()
    print("== table SQLite, %d rows WGS 84 -> UTM 31N: geolynx-cli %.2f s (%.0f rows/s), processor %.2f s, "
          "peak RSS %.1f MB" % (ROWS, wall, ROWS / wall, cpu, rss))
    print("== peer: pyproj script, one transaction: %.2f s (%.0f rows/s), processor %.2f s"
          % (peer_wall, ROWS / peer_wall, peer_cpu))
    print("== table SQLite processor ratio (peer / ours): %.2f" % (peer_cpu / cpu))
    print("== table SQLite ratio (peer time / ours): %.2f (target >= 2); largest difference %.4f m; "
          "rows left empty %d" % (peer_wall / wall, diff[0] or 0.0, diff[1] or 0))
    return True


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def postgres_bench(cli, work, env):
    bins = sorted(d for d in os.listdir("/usr/lib/postgresql") if os.path.exists(
        os.path.join("/usr/lib/postgresql", d, "bin", "initdb"))) if os.path.isdir("/usr/lib/postgresql") else []
    if not bins:
        print("== table PostgreSQL: no server installed, skipped")
        return True
    bin_dir = os.path.join("/usr/lib/postgresql", bins[-1], "bin")
    if not os.path.exists("/usr/share/postgresql/%s/extension/postgis.control" % bins[-1]):
        print("== table PostgreSQL: PostGIS is not installed, skipped")
        return True
    user = None
    folder = os.path.join(work, "pg")
    os.makedirs(folder)
    if os.geteuid() == 0:
        user = "postgres"
        entry = pwd.getpwnam(user)
        os.chown(folder, entry.pw_uid, entry.pw_gid)
    data = os.path.join(folder, "data")
    port = free_port()

    def run(command):
        wall, code, out, err = timed(command, user=user)
        if code != 0:
            raise RuntimeError("%s: %s" % (" ".join(command), err.strip()))
        return wall

    def psql(sql):
        return run([os.path.join(bin_dir, "psql"), "-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", "127.0.0.1", "-p",
                    str(port), "-U", "postgres", "-d", "bench", "-c", sql])

    run([os.path.join(bin_dir, "initdb"), "-D", data, "-U", "postgres", "-A", "trust", "-E", "UTF8",
         "--no-locale", "--no-sync"])
    run([os.path.join(bin_dir, "pg_ctl"), "-D", data, "-l", os.path.join(folder, "server.log"), "-w", "-o",
         "-p %d -k %s -c listen_addresses=127.0.0.1" % (port, folder), "start"])
    try:
        run([os.path.join(bin_dir, "createdb"), "-h", "127.0.0.1", "-p", str(port), "-U", "postgres", "bench"])
        psql("CREATE EXTENSION postgis")
        for table in ("t", "peer"):
            psql("CREATE TABLE %s (id integer PRIMARY KEY, lat double precision, lon double precision, "
                 "north double precision, east double precision); "
                 "INSERT INTO %s SELECT i, 40 + (i * 0.6180339887) - 20 * floor(i * 0.6180339887 / 20), "
                 "(i * 0.4142135623) - 6 * floor(i * 0.4142135623 / 6), NULL, NULL "
                 "FROM generate_series(0, %d) AS i" % (table, table, ROWS - 1))
            psql("VACUUM ANALYZE %s" % table)
        connection = ("Driver={PostgreSQL ANSI};Server=127.0.0.1;Port=%d;Database=bench;Uid=postgres;" % port)
        wall, code, rss, _, err = timed_rss(table_command(cli, connection), env)
        if code != 0:
            print("== table PostgreSQL: geolynx-cli failed (%d): %s" % (code, err.strip()))
            return False
        peer_wall = psql("UPDATE peer SET (north, east) = (SELECT round(ST_Y(p)::numeric, 3), "
                         "round(ST_X(p)::numeric, 3) FROM (SELECT ST_Transform(ST_SetSRID(ST_MakePoint(peer.lon, "
                         "peer.lat), 4326), 32631) AS p) AS q)")
        out = subprocess.run(([ "runuser", "-u", user, "--"] if user else []) + [
            os.path.join(bin_dir, "psql"), "-X", "-A", "-t", "-h", "127.0.0.1", "-p", str(port), "-U", "postgres",
            "-d", "bench", "-c",
            "SELECT max(greatest(abs(a.north - b.north), abs(a.east - b.east))), "
            "count(*) FILTER (WHERE a.north IS NULL OR a.east IS NULL) FROM t AS a JOIN peer AS b USING (id)"],
            capture_output=True, text=True).stdout.strip().split("|")
        print("== table PostgreSQL %s through psqlODBC, %d rows: geolynx-cli %.2f s (%.0f rows/s), peak RSS %.1f MB"
              % (bins[-1], ROWS, wall, ROWS / wall, rss))
        print("== peer: PostGIS UPDATE ... ST_Transform in the server: %.2f s (%.0f rows/s)"
              % (peer_wall, ROWS / peer_wall))
        print("== table PostgreSQL ratio (peer time / ours): %.2f (target >= 0.5); largest difference %s m; "
              "rows left empty %s" % (peer_wall / wall, out[0], out[1] if len(out) > 1 else "?"))
        return True
    finally:
        run([os.path.join(bin_dir, "pg_ctl"), "-D", data, "-m", "fast", "-w", "stop"])


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    cli = os.path.abspath(os.path.join(build, "bin", "geolynx-cli"))
    if not os.access(cli, os.X_OK):
        print("== table bench: %s is not built, skipped" % cli)
        return 0
    print("== machine: %d cores, load average %.2f" % (os.cpu_count(), os.getloadavg()[0]))
    work = tempfile.mkdtemp(prefix="geolynx-table-bench-")
    os.chmod(work, 0o755)
    try:
        env = cli_env(work)
        # The first use copies the catalogue; not part of the figures.
        subprocess.run([cli, "convert", "--from", "4326", "--to", "32631", "0", "0"], env=env,
                       stdout=subprocess.DEVNULL, check=True)
        ok = sqlite_bench(cli, work, env)
        ok = postgres_bench(cli, work, env) and ok
        return 0 if ok else 1
    finally:
        # TABLE_BENCH_KEEP keeps the SQLite tables, to compare two builds.
        if os.environ.get("TABLE_BENCH_KEEP"):
            print("== data kept in %s" % work)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
