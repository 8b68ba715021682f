#!/usr/bin/env bash
# Local re-publish against the full publish, in one script: 20,000 documents of
# 4 KiB in 200 folders, published into a fresh directory ("foldcraft-cli publish"),
# then published again unchanged into the same directory, where every copy is up to
# date and nothing is written (pages whose bytes are unchanged are not rewritten).
# Prints the best of $REPEAT runs (default 3) of each, the ratio re-publish / full
# publish (aim: 0.10 or less), and the ratio against "rsync -a" of the same
# documents into a mirror that is already up to date (aim: 1.0 or less).
#
#   bench/republish_local.sh [CLI]   (default: $FOLDCRAFT_CLI, else build/release)
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-${FOLDCRAFT_CLI:-$repo/build/release/src/foldcraft-cli}}"
repeat="${REPEAT:-3}"
[ -x "$cli" ] || { echo "Error: $cli not found: build first" >&2; exit 2; }
command -v rsync >/dev/null || { echo "Error: rsync not found (apt-get install rsync)" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/foldcraft-republish-XXXXXX")"
trap 'rm -rf "$work"' EXIT
export FOLDCRAFT_HOME="$work/home"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }

/usr/bin/python3 - "$work/src" <<'PY'
import os, sys
root = sys.argv[1]
block = (b"Foldcraft benchmark document.\n" * 140)[:4096]
for f in range(200):
    d = os.path.join(root, "folder%03d" % f)
    os.makedirs(d, exist_ok=True)
    for i in range(100):
        with open(os.path.join(d, "doc%05d.txt" % i), "wb") as out:
            out.write(block)
PY
"$cli" import "$work/src" -o "$work/site.fcd" >/dev/null
sleep 1  # items are published from the second after they were added

rsync -a "$work/src/" "$work/mirror/"
rsync_times=()
full_times=()
again_times=()
for _ in $(seq "$repeat"); do
    rm -rf "$work/site"
    sync
    t0=$(now)
    "$cli" publish "$work/site.fcd" --to "$work/site" --yes --quiet
    t1=$(now)
    "$cli" publish "$work/site.fcd" --to "$work/site" --yes >"$work/again.log"
    t2=$(now)
    rsync -a "$work/src/" "$work/mirror/"
    t3=$(now)
    full_times+=("$(elapsed "$t0" "$t1")")
    again_times+=("$(elapsed "$t1" "$t2")")
    rsync_times+=("$(elapsed "$t2" "$t3")")
done
grep -q "^Skipped 20017 unchanged files\.$" "$work/again.log" ||
    { echo "Error: the second run did not skip every file" >&2; cat "$work/again.log" >&2; exit 1; }

b_full=$(best "${full_times[@]}")
b_again=$(best "${again_times[@]}")
b_rsync=$(best "${rsync_times[@]}")
printf 'publish 20000 x 4 KiB into a fresh directory: %.3f s\n' "$b_full"
printf 'publish again, unchanged:                    %.3f s\n' "$b_again"
printf 'ratio re-publish / full publish:             %.3f (aim <= 0.10)\n' \
    "$(awk -v a="$b_again" -v b="$b_full" 'BEGIN { printf "%.6f", a / b }')"
printf 'rsync -a of the documents, up to date:       %.3f s\n' "$b_rsync"
printf 'ratio re-publish / rsync -a:                 %.3f (aim <= 1.00)\n' \
    "$(awk -v a="$b_again" -v b="$b_rsync" 'BEGIN { printf "%.6f", a / b }')"
