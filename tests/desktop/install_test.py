"""`cmake --install` into a temporary prefix: both programs, the menu entry, the
project file type, the AppStream description and the program icon, each accepted
by its validator."""

import os
import struct
import subprocess
import sys
import tempfile

APP_ID = "org.halvard.Foldcraft"


def run(*cmd):
    result = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            timeout=120)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(cmd)} failed:\n{result.stdout}")
    return result.stdout


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is no PNG"
    return struct.unpack(">II", head[16:24])


def main():
    build = os.environ["FOLDCRAFT_BUILD_DIR"]
    with tempfile.TemporaryDirectory(prefix="foldcraft-install-") as prefix:
        run("cmake", "--install", build, "--prefix", prefix)
        share = os.path.join(prefix, "share")
        for program in ("foldcraft", "foldcraft-cli"):
            assert os.access(os.path.join(prefix, "bin", program), os.X_OK), program

        desktop = os.path.join(share, "applications", APP_ID + ".desktop")
        run("desktop-file-validate", desktop)
        entry = open(desktop).read().splitlines()
        assert "Exec=foldcraft %f" in entry and \
            "MimeType=application/x-foldcraft-project;" in entry, entry

        run("appstreamcli", "validate", "--no-net", os.path.join(share, "metainfo",
                                                                  APP_ID + ".metainfo.xml"))

        # The type's package compiles into a database that maps *.fcd to it.
        run("update-mime-database", os.path.join(share, "mime"))
        globs = open(os.path.join(share, "mime", "globs")).read()
        assert "application/x-foldcraft-project:*.fcd" in globs, globs

        icons = os.path.join(share, "icons", "hicolor")
        assert os.path.getsize(os.path.join(icons, "scalable", "apps", APP_ID + ".svg")) > 0
        for size in (16, 22, 24, 32, 48, 64, 128, 256):
            png = os.path.join(icons, f"{size}x{size}", "apps", APP_ID + ".png")
            assert png_size(png) == (size, size), png
    print("1 passed, 0 failed")


if __name__ == "__main__":
    try:
        main()
    except Exception as error:  # one line for ctest's log
        print(f"FAILED: {error}", file=sys.stderr)
        print("0 passed, 1 failed")
        sys.exit(1)
