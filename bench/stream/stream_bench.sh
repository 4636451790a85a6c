#!/usr/bin/env bash
# The command-line stream (convert reading standard input) against cs2cs on
# the same 1,000,000 points from WGS 84 to UTM zone 31N, longitude first for
# both. Three runs of each, taken in turn so that both see the same load; the
# medians of wall and processor (user + system) time, the peak memory of each
# program, and the largest difference between the two outputs, which must
# agree to the printed tenth of a millimetre.
# bench/stream/stream_bench.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
command -v cs2cs > /dev/null || { echo "stream bench: cs2cs (proj-bin) is missing"; exit 1; }
[ -x /usr/bin/time ] || { echo "stream bench: GNU time (package time) is missing"; exit 1; }
source bench/stream/scratch.sh
awk -v n="$points" 'BEGIN { srand(31); for (i = 0; i < n; i++) printf "%.9f %.9f\n", rand() * 6, 40 + rand() * 20 }' \
  > "$work/lonlat"
"$cli" convert --from 4326 --to 32631 0 0 > /dev/null # first use copies the catalogue

# One line a run: wall, user, system (s, to the millisecond by the shell's
# time; GNU time's own figures have two decimals) and peak resident memory
# (KiB, from GNU time).
TIMEFORMAT='%3R %3U %3S'
# measure TIMES OUTPUT COMMAND...
measure() {
  local times
  times=$( { time /usr/bin/time -o "$work/rss" -f '%M' "${@:3}" < "$work/lonlat" > "$2"; } 2>&1 )
  echo "$times $(cat "$work/rss")" >> "$1"
}
load=$(cut -d' ' -f1-3 /proc/loadavg)
for run in 1 2 3; do
  measure "$work/ours.times" "$work/ours" "$cli" convert --from 4326 --to 32631
  measure "$work/peer.times" "$work/peer" cs2cs -f %.4f +proj=longlat +datum=WGS84 +to +proj=utm +zone=31 +datum=WGS84
done
# Median wall, median processor, largest peak memory (MB).
summary() { awk '{ print $1 }' "$1" | sort -n | sed -n 2p; awk '{ print $2 + $3 }' "$1" | sort -n | sed -n 2p;
            awk '$4 > m { m = $4 } END { print m / 1024 }' "$1"; }
read -r -d '' ours_wall ours_cpu ours_mb < <(summary "$work/ours.times"; printf '\0') || true
read -r -d '' peer_wall peer_cpu peer_mb < <(summary "$work/peer.times"; printf '\0') || true
echo "== $(nproc) cores, load average before $load, after $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v n="$points" -v ow="$ours_wall" -v oc="$ours_cpu" -v om="$ours_mb" -v pw="$peer_wall" -v pc="$peer_cpu" \
    -v pm="$peer_mb" 'BEGIN {
  printf "== geolynx-cli convert 4326 -> 32631: %d points, wall %.3f s, cpu %.3f s, peak %.1f MB\n", n, ow, oc, om;
  printf "== peer: cs2cs -f %%.4f longlat -> utm 31: %d points, wall %.3f s, cpu %.3f s, peak %.1f MB\n", n, pw, pc, pm;
  printf "== stream throughput ratio (cpu): %.1f x, (wall): %.1f x (target 20 x, peak under 100 MB)\n",
         pc / oc, pw / ow }'
status=0
lines=$(wc -l < "$work/ours")
[ "$lines" -eq "$points" ] || { echo "== stream bench: $lines lines written for $points points"; status=1; }
paste "$work/ours" "$work/peer" | awk '{ dx = $1 - $4; dy = $2 - $5; if (dx < 0) dx = -dx; if (dy < 0) dy = -dy;
    if (dx > m) m = dx; if (dy > m) m = dy } END { printf "== largest difference from cs2cs: %.4f m\n", m;
    exit m > 0.000101 }' || status=1
awk -v m="$ours_mb" 'BEGIN { exit m >= 100 }' || { echo "== stream bench: peak memory over 100 MB"; status=1; }
exit $status
