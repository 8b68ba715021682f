#!/usr/bin/env bash
# The bundled example: make-example.sh builds a project from examples/documents with
# every kind of page, and it publishes into a site without broken links. The clock is
# pinned to 2026-01-01 (--now decides what is current, SOURCE_DATE_EPOCH the dates
# written): the example's document published on 2027-01-01 stays in the future.
set -euo pipefail
export SOURCE_DATE_EPOCH=1767225600
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

project="$("$FOLDCRAFT_SOURCE_DIR/examples/make-example.sh" "$out/example")"
[ "$project" = "$out/example/example.fcd" ] || { echo "unexpected project path: $project"; exit 1; }
"$FOLDCRAFT_CLI" info "$project" >"$out/info.json"

# Every button style is shown, and the import took every document (the importer's own
# tests check the tree in detail).
/usr/bin/python3 - "$out/info.json" "$FOLDCRAFT_SOURCE_DIR/examples/documents" <<'PY'
import json, os, sys
root = json.load(open(sys.argv[1]))["m_pRoot"]
def docs(folder):
    return [d["m_strLink"] for d in folder["m_arrDocs"] if d["m_strLink"].startswith("/")] + \
        [link for sub in folder["m_arrFolders"] for link in docs(sub)]
files = [os.path.join(d, f) for d, _, fs in os.walk(sys.argv[2]) for f in fs]
assert sorted(map(os.path.realpath, set(docs(root)))) == sorted(map(os.path.realpath, files)), docs(root)
styles = {f[k] for f in root["m_arrFolders"] for k in ("m_nFolderButtonStyle", "m_nFileButtonStyle")}
assert styles == {0, 1, 2, 3}, styles
PY

# Published straight after it was made: every page is there and no link is broken.
site="$out/site"
"$FOLDCRAFT_CLI" --program-folder "$out/program" --now "$SOURCE_DATE_EPOCH" publish "$project" --to "$site" --yes --quiet
"$FOLDCRAFT_CLI" check "$site"
for page in TitlePage.html Sitemap.html Folder0.html harbour.jpg.html styles.css images/logo.gif; do
    [ -f "$site/$page" ] || { echo "missing: $page"; exit 1; }
done
grep -l '<map name=' "$site"/Folder0-*.html >/dev/null || { echo "no image-map page"; exit 1; }
grep -q 'type="radio"' "$site"/Folder0-*.html || { echo "no radio buttons"; exit 1; }
grep -q 'mailto:office@harbour.example.org' "$site/Folder0.html" || { echo "no mail link"; exit 1; }
! grep -rq 'Budget 2027' "$site"/*.html || { echo "a document before its publish date is listed"; exit 1; }
