#!/bin/sh
# Runs a test program in a D-Bus session of its own with GNOME Keyring's secrets
# service, unlocked with a throwaway password, under a throwaway home: the user's own
# keyrings are never touched. The program learns from FOLDCRAFT_KEYRING whether the
# keyring is there ("secret-service") or why not ("skip: ...").
#   with-keyring.sh PROGRAM [ARGS...]
set -u
for tool in dbus-run-session gnome-keyring-daemon; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        FOLDCRAFT_KEYRING="skip: $tool is not installed" exec "$@"
    fi
done
scratch=$(mktemp -d "${TMPDIR:-/tmp}/foldcraft-keyring-XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
mkdir -m 0700 "$scratch/run"
HOME=$scratch XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config \
XDG_RUNTIME_DIR=$scratch/run FOLDCRAFT_KEYRING=secret-service \
    dbus-run-session -- sh -c '
        printf %s throwaway-unlock | gnome-keyring-daemon --unlock --components=secrets >/dev/null ||
            export FOLDCRAFT_KEYRING="skip: gnome-keyring-daemon did not start"
        "$@"' sh "$@"
