#!/usr/bin/env bash
# Local publish against its baseline, in one script:
#
#   1. 20,000 documents of 4 KiB in 200 folders: "foldcraft-cli publish" against
#      "cp -r" of the same source tree plus "foldcraft-cli generate" (the page
#      writing) of the same project. Prints both times and their ratio (aim: 1.3x
#      or less).
#   2. 100,000 documents whose sources are all missing: the run must list every
#      one and finish in seconds.
#
#   bench/publish_local.sh [CLI]   (default: $FOLDCRAFT_CLI, else build/release)
#
# Each measurement is the best of $REPEAT runs (default 3) into a fresh target.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-${FOLDCRAFT_CLI:-$repo/build/release/src/foldcraft-cli}}"
repeat="${REPEAT:-3}"
[ -x "$cli" ] || { echo "Error: $cli not found: build first" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/foldcraft-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
export FOLDCRAFT_HOME="$work/home"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }

make_tree() {  # DIR FOLDERS FILES_PER_FOLDER BYTES
    /usr/bin/python3 - "$@" <<'EOF'
import os, sys
root, folders, per, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
block = (b"Foldcraft benchmark document.\n" * (size // 30 + 1))[:size]
for f in range(folders):
    d = os.path.join(root, "folder%03d" % f)
    os.makedirs(d, exist_ok=True)
    for i in range(per):
        with open(os.path.join(d, "doc%05d.txt" % i), "wb") as out:
            out.write(block)
EOF
}

# --- 1: 20,000 documents of 4 KiB ------------------------------------------------
make_tree "$work/src" 200 100 4096
"$cli" import "$work/src" -o "$work/site.fcd" >/dev/null
sleep 1  # items are published from the second after they were added

publish_times=()
baseline_times=()
cp_times=()
gen_times=()
for _ in $(seq "$repeat"); do
    rm -rf "$work/cp" "$work/pages" "$work/site"
    sync
    t0=$(now)
    cp -r "$work/src" "$work/cp"
    t1=$(now)
    "$cli" generate "$work/site.fcd" "$work/pages" >/dev/null
    t2=$(now)
    cp_times+=("$(elapsed "$t0" "$t1")")
    gen_times+=("$(elapsed "$t1" "$t2")")
    baseline_times+=("$(elapsed "$t0" "$t2")")

    sync
    t0=$(now)
    "$cli" publish "$work/site.fcd" --to "$work/site" --yes --quiet
    t1=$(now)
    publish_times+=("$(elapsed "$t0" "$t1")")
done
count=$(find "$work/site/files" -type f | wc -l)
[ "$count" -eq 20000 ] || { echo "Error: $count documents published, not 20000" >&2; exit 1; }
"$cli" check "$work/site" >/dev/null || { echo "Error: the published site has broken links" >&2; exit 1; }

b_cp=$(best "${cp_times[@]}")
b_gen=$(best "${gen_times[@]}")
b_base=$(best "${baseline_times[@]}")
b_pub=$(best "${publish_times[@]}")
printf 'publish 20000 x 4 KiB in 200 folders: %.3f s\n' "$b_pub"
printf 'baseline cp -r + generate:            %.3f s (cp -r %.3f s, generate %.3f s)\n' \
    "$b_base" "$b_cp" "$b_gen"
printf 'ratio publish / baseline:             %.2f (aim <= 1.30)\n' "$(awk -v a="$b_pub" -v b="$b_base" 'BEGIN { printf "%.6f", a / b }')"

# --- 2: 100,000 missing documents -----------------------------------------------
rm -rf "$work/src" "$work/cp" "$work/pages" "$work/site"
make_tree "$work/gone" 500 200 1
"$cli" import "$work/gone" -o "$work/gone.fcd" >/dev/null
rm -rf "$work/gone"
sleep 1
t0=$(now)
set +e
"$cli" publish "$work/gone.fcd" --to "$work/site" --yes >"$work/gone.log"
rc=$?
set -e
t1=$(now)
listed=$(grep -c "^$work/gone/" "$work/gone.log" || true)
[ "$rc" -eq 1 ] || { echo "Error: exit $rc, expected 1" >&2; exit 1; }
[ "$listed" -eq 100000 ] || { echo "Error: $listed listed, expected 100000" >&2; exit 1; }
printf 'publish with 100000 missing documents: %.3f s (all %d listed)\n' \
    "$(elapsed "$t0" "$t1")" "$listed"
