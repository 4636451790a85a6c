# Sourced by the command-line stream benchmarks, from the source folder: the
# points asked for, and a scratch folder ($work, removed at exit) as the home
# and configuration of the runs, so that no user's catalogue or settings are
# used or touched. The build's geolynx-cli is built when missing.
cli="$build/bin/geolynx-cli"
[ -x "$cli" ] || cmake --build "$build" --target geolynx-cli
points=${PIPE_POINTS:-1000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state"
export XDG_CONFIG_DIRS="$work/etc"
