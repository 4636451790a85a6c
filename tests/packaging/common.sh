# Shared by the packaging tests: a scratch folder removed on exit, an install of the
# build tree into it, and the failure, skip and check helpers.
# Each test is run as: TEST BUILD-DIR SOURCE-DIR [more...]
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/geolynx-packaging.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; exit 77; }
need() { command -v "$1" >/dev/null 2>&1 || skip "$1 is not installed (tools/bootstrap.sh installs it)"; }
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}

# Installs the build tree into $scratch/prefix, as a user would with cmake --install.
install_prefix() {
  prefix=$scratch/prefix
  cmake --install "$build" --prefix "$prefix" > "$scratch/install.log" ||
    { cat "$scratch/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }
}

# A home of its own for a run of the programs, so nothing of the user's settings,
# catalogue or state is read or changed. The machine-wide settings folder is
# pointed at an empty one for the same reason.
private_home() {
  local home=$scratch/home-$1
  mkdir -p "$home/empty-xdg" "$home/runtime"
  chmod 700 "$home/runtime"
  echo "$home"
}
run_home() {
  local home=$1; shift
  env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME -u XDG_CACHE_HOME \
    HOME="$home" XDG_CONFIG_DIRS="$home/empty-xdg" XDG_RUNTIME_DIR="$home/runtime" "$@"
}
