#!/bin/sh
# Runs a command beside a Secret Service of its own: a private session bus with
# gnome-keyring-daemon, its login keyring unlocked, in a scratch home that is removed after.
# Exits 77 (skipped) when the bus or the keyring daemon is not installed.
set -eu
if ! command -v dbus-run-session >/dev/null || ! command -v gnome-keyring-daemon >/dev/null; then
  echo "dbus-run-session or gnome-keyring-daemon missing: skipped"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/run"
export HOME="$scratch" XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config" \
  XDG_RUNTIME_DIR="$scratch/run"
# A desktop named KDE would send the keyring library to KWallet instead.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION
status=0
dbus-run-session -- sh -c \
  'printf test | gnome-keyring-daemon --unlock --components=secrets >/dev/null && "$@"' \
  sh "$@" || status=$?
exit "$status"
