#!/usr/bin/env bash
# The bundled example: make-example.sh builds a project from examples/documents
# with every kind of page, and it publishes into a site without broken links.
set -euo pipefail
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

project="$("$FOLDCRAFT_SOURCE_DIR/examples/make-example.sh" "$out/example")"
[ "$project" = "$out/example/example.fcd" ] || { echo "unexpected project path: $project"; exit 1; }
"$FOLDCRAFT_CLI" info "$project" >"$out/info.json"

/usr/bin/python3 - "$out/info.json" "$FOLDCRAFT_SOURCE_DIR/examples/documents" <<'PY'
import json, os, sys
info = json.load(open(sys.argv[1]))
docs_dir = sys.argv[2]

def walk(folder, prefix):
    names = []
    for sub in folder["m_arrFolders"]:
        assert sub["class"] == "CBuildTreeFolder" and sub["m_strLink"] == "(folder)", sub
        if sub["m_bHotspotFolder"]:
            continue
        names.append(prefix + sub["m_strName"] + "/")
        names += walk(sub, prefix + sub["m_strName"] + "/")
    for doc in folder["m_arrDocs"]:
        assert doc["class"] == "CBuildTreeDoc", doc
        if "://" in doc["m_strLink"] or doc["m_strLink"].startswith("mailto:"):
            continue
        path = os.path.join(docs_dir, prefix + doc["m_strName"])
        assert doc["m_strLink"] == os.path.realpath(path) or doc["m_strLink"] == os.path.abspath(path), doc
        assert doc["m_nFileSize"] == os.path.getsize(path) > 0, doc
        assert doc["m_timeFile"] == int(os.stat(path).st_mtime), doc
        names.append(prefix + doc["m_strName"])
    return names

root = info["m_pRoot"]
assert root["m_strName"] == "Root" and root["m_strLink"] == "(root)"
names = walk(root, "")
expected = []
for dirpath, dirnames, filenames in os.walk(docs_dir):
    rel = os.path.relpath(dirpath, docs_dir)
    rel = "" if rel == "." else rel + "/"
    expected += [rel + d + "/" for d in dirnames] + [rel + f for f in filenames]
assert sorted(names) == sorted(expected), (names, expected)
kinds = {os.path.splitext(n)[1] for n in names}
assert {".txt", ".pdf", ".jpg", ".gif"} <= kinds, kinds
total = sum(os.path.getsize(os.path.join(docs_dir, n)) for n in names if not n.endswith("/"))
assert total < 300 * 1024, total
styles = {f["m_nFolderButtonStyle"] for f in root["m_arrFolders"]} | {f["m_nFileButtonStyle"] for f in root["m_arrFolders"]}
assert styles == {0, 1, 2, 3}, styles
print("example ok:", len(names), "entries,", total, "bytes")
PY

# Published straight after it was made: every page is there and no link is broken.
site="$out/site"
"$FOLDCRAFT_CLI" --program-folder "$out/program" publish "$project" --to "$site" --yes >"$out/log.txt"
grep -q "Publish successful!" "$out/log.txt"
"$FOLDCRAFT_CLI" check "$site"
for page in TitlePage.html Sitemap.html Folder0.html harbour.jpg.html styles.css images/logo.gif; do
    [ -f "$site/$page" ] || { echo "missing: $page"; exit 1; }
done
grep -l '<map name=' "$site"/Folder0-*.html >/dev/null || { echo "no image-map page"; exit 1; }
grep -q 'type="radio"' "$site"/Folder0-*.html || { echo "no radio buttons"; exit 1; }
grep -q 'mailto:office@harbour.example.org' "$site/Folder0.html" || { echo "no mail link"; exit 1; }
if grep -rq 'Budget 2027' "$site"/*.html; then echo "a document before its publish date is listed"; exit 1; fi
echo "site ok: $(ls "$site"/*.html | wc -l) pages"
