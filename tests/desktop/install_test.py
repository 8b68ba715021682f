"""`cmake --install` into a temporary prefix: both programs, the menu entry, the
project file type, the AppStream description (with every screenshot), the program
icon and the manual, each accepted by its validator."""

import os
import struct
import subprocess
import sys
import tempfile

APP_ID = "org.halvard.Foldcraft"


def run(*cmd):
    result = subprocess.run(cmd, capture_output=True, text=True, timeout=120)
    assert result.returncode == 0, f"{' '.join(cmd)} failed:\n{result.stdout}{result.stderr}"


def main(prefix):
    run("cmake", "--install", os.environ["FOLDCRAFT_BUILD_DIR"], "--prefix", prefix)
    share = os.path.join(prefix, "share")
    for program in ("foldcraft", "foldcraft-cli"):
        assert os.access(os.path.join(prefix, "bin", program), os.X_OK), program
    desktop = os.path.join(share, "applications", APP_ID + ".desktop")
    run("desktop-file-validate", desktop)
    entry = open(desktop).read().splitlines()
    assert {"Exec=foldcraft %f", "MimeType=application/x-foldcraft-project;"} <= set(entry), entry
    metainfo = f"{share}/metainfo/{APP_ID}.metainfo.xml"
    run("appstreamcli", "validate", "--no-net", metainfo)
    shots = sorted(os.listdir(os.path.join(os.environ["FOLDCRAFT_SOURCE_DIR"], "docs", "screenshots")))
    listed = open(metainfo).read()
    assert all(f"/screenshots/{shot}</image>" in listed for shot in shots), "screenshots"
    # The manual, with the sections F1 opens and the pictures it shows.
    manual = os.path.join(share, "doc", "foldcraft", "manual")
    index = open(os.path.join(manual, "index.html")).read()
    assert all(f'id="{step}"' in index for step in ("build", "design", "publish")), "anchors"
    assert sorted(os.listdir(os.path.join(manual, "screenshots"))) == shots, "manual pictures"
    # The type's package compiles into a database that maps *.fcd to it.
    run("update-mime-database", os.path.join(share, "mime"))
    assert "application/x-foldcraft-project:*.fcd" in open(f"{share}/mime/globs").read()
    icons = os.path.join(share, "icons", "hicolor")
    assert os.path.getsize(f"{icons}/scalable/apps/{APP_ID}.svg") > 0
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        with open(f"{icons}/{size}x{size}/apps/{APP_ID}.png", "rb") as png:
            head = png.read(24)
        assert head[:8] == b"\x89PNG\r\n\x1a\n", f"{size}x{size} icon"
        assert struct.unpack(">II", head[16:24]) == (size, size), f"{size}x{size} icon"


if __name__ == "__main__":
    try:
        with tempfile.TemporaryDirectory(prefix="foldcraft-install-") as prefix:
            main(prefix)
    except Exception as error:  # one line for ctest's log
        sys.exit(f"FAILED: {error!r}\n0 passed, 1 failed")
    print("1 passed, 0 failed")
