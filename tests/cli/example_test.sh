#!/usr/bin/env bash
# The bundled example: make-example.sh builds a project from examples/documents
# that info prints with every folder and document in name order.
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
        names.append(prefix + sub["m_strName"] + "/")
        names += walk(sub, prefix + sub["m_strName"] + "/")
    for doc in folder["m_arrDocs"]:
        assert doc["class"] == "CBuildTreeDoc", doc
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
print("example ok:", len(names), "entries,", total, "bytes")
PY
