#!/usr/bin/env bash
# The package test: builds the Debian packages from a configured build folder, checks them
# (lintian without errors, the desktop entry, the metainfo and the manual pages as shipped),
# installs them into a fresh Debian 12 root and there runs `tallyscan-cli --version`, the
# import of the demonstration set (exit 0, the rows the build's own program prints) and the
# desktop application offscreen for a few seconds (it stays up and writes nothing under /usr).
#
#   packaging/install_test.sh [BUILD_FOLDER]        (default build/release; run as root)
#
# The root is made with mmdebstrap under BUILD_FOLDER/install-test (and removed when the test
# passes); the downloaded Debian packages are kept in BUILD_FOLDER/install-test/apt-cache for
# the next run. The mirror is
# TALLYSCAN_DEBIAN_MIRROR (default http://deb.debian.org/debian), with bookworm-updates and
# the security archive beside it, as on a fresh installation.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")

# --- inside the root: run by mmdebstrap as its last hook, with /proc, /sys and /dev mounted --
if [ "${1:-}" = --inside ]; then
  root=$2
  build=$3
  in_root() { chroot "$root" "$@"; }
  echo "== in the root: tallyscan-cli --version"
  in_root tallyscan-cli --version
  in_root tallyscan --version

  echo "== in the root: tallyscan-cli import /usr/share/tallyscan/samples/demo"
  in_root tallyscan-cli import /usr/share/tallyscan/samples/demo | tee "$build/install-test/demo-import.txt"
  # The same rows, exactly, as the program of the build folder reads from the source tree.
  in_root tallyscan-cli import --raw /usr/share/tallyscan/samples/demo >"$build/install-test/demo-import.raw"
  "$build/src/cli/tallyscan-cli" import --raw "$source_dir/samples/demo" >"$build/install-test/demo-import.expected"
  cmp "$build/install-test/demo-import.expected" "$build/install-test/demo-import.raw"
  grep -q "הקובץ נקרא בהצלחה" "$build/install-test/demo-import.raw"

  echo "== in the root: what the package leaves to the system"
  test -f "$root/usr/share/qt6/translations/qtbase_he.qm"
  grep -q ":application/x-uniform-bkmvdata-zip:bkmvdata.zip$" "$root/usr/share/mime/globs2"
  grep -q ":text/x-uniform-ini:ini.txt$" "$root/usr/share/mime/globs2"
  grep -q "^application/x-uniform-bkmvdata-zip=.*com.norva.Tallyscan.desktop" \
    "$root/usr/share/applications/mimeinfo.cache"
  test -f "$root/usr/share/icons/hicolor/48x48/apps/com.norva.Tallyscan.png"

  echo "== in the root: the schedulers' scripts, executable, finding the installed program"
  for script in slurm/batch-array.sh slurm/batch-merge.sh slurm/submit.sh parallel/batch-hosts.sh; do
    test -x "$root/usr/share/tallyscan/$script"
    grep -q 'TALLYSCAN_CLI:-/usr/bin/tallyscan-cli' "$root/usr/share/tallyscan/$script" ||
      [ "$script" = slurm/submit.sh ]
  done
  # The merge job's script as Slurm runs it: an empty RESULTS gives an empty summary.
  mkdir -p "$root/tmp/merge-check/clients"
  in_root env -u TALLYSCAN_CLI /usr/share/tallyscan/slurm/batch-merge.sh /tmp/merge-check
  test -f "$root/tmp/merge-check/portfolio.csv"

  echo "== in the root: the desktop application offscreen, reading the demonstration set"
  in_root useradd --create-home auditor
  marker=$root/tmp/before-app
  find "$root/usr" -xdev -printf '%p %s %T@\n' | sort >"$root/tmp/usr-before"
  touch "$marker"
  status=0
  in_root runuser -u auditor -- env QT_QPA_PLATFORM=offscreen HOME=/home/auditor \
    timeout 5 tallyscan /usr/share/tallyscan/samples/demo/INI.TXT || status=$?
  [ "$status" -eq 124 ] || { echo "the application ended by itself (status $status)"; exit 1; }
  status=0
  in_root env QT_QPA_PLATFORM=offscreen HOME=/root \
    timeout 5 tallyscan /usr/share/tallyscan/samples/demo/INI.TXT || status=$?
  [ "$status" -eq 124 ] || { echo "the application ended by itself as root (status $status)"; exit 1; }
  find "$root/usr" -xdev -printf '%p %s %T@\n' | sort >"$root/tmp/usr-after"
  if ! diff "$root/tmp/usr-before" "$root/tmp/usr-after"; then
    echo "the application wrote under /usr"
    exit 1
  fi
  echo "stayed up 5 s as a user and as root; nothing under /usr changed"
  exit 0
fi

# --- on the host ------------------------------------------------------------------------------
if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi
build=$(cd "${1:-build/release}" && pwd)
work=$build/install-test
mirror=${TALLYSCAN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
security=${TALLYSCAN_DEBIAN_SECURITY:-http://deb.debian.org/debian-security}
started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }

echo "== the packages"
rm -f "$build"/tallyscan*.deb
cmake --build "$build" --target package
debs=("$build"/tallyscan_*_amd64.deb "$build"/tallyscan-dev_*_amd64.deb)
for deb in "${debs[@]}"; do
  test -f "$deb"
  echo "-- $(basename "$deb"): $(stat -c %s "$deb") bytes"
  dpkg-deb --field "$deb" Package Version Installed-Size Depends Recommends
done
echo "packaged after $(elapsed)"

echo "== lintian (no errors allowed)"
lintian --fail-on error --no-tag-display-limit "${debs[@]}"

echo "== the desktop files and the manual pages as shipped"
unpacked=$work/unpacked
rm -rf "$unpacked" && mkdir -p "$unpacked"
dpkg-deb --extract "${debs[0]}" "$unpacked"
desktop-file-validate "$unpacked/usr/share/applications/com.norva.Tallyscan.desktop"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/com.norva.Tallyscan.metainfo.xml"
for page in tallyscan tallyscan-cli tallyscan-gen; do
  rendered=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l \
    "$unpacked/usr/share/man/man1/$page.1.gz" 2>"$work/man-warnings")
  if [ -s "$work/man-warnings" ] || [ -z "$rendered" ]; then
    cat "$work/man-warnings"
    echo "man -l does not render $page.1 cleanly"
    exit 1
  fi
  echo "$page(1): $(wc -l <<<"$rendered") lines"
done
echo "checked after $(elapsed)"

echo "== a fresh Debian 12 root with the packages installed"
root=$work/root
cache=$work/apt-cache
rm -rf "$root"
mkdir -p "$cache"
# The file manager's databases (file types, desktop entries) are there before the packages
# come, so that their triggers take the packages' files in.
# dpkg need not sync a root that is thrown away: --dpkgopt=force-unsafe-io saves its time.
mmdebstrap --variant=apt --mode=root --include=passwd,shared-mime-info,desktop-file-utils \
  --dpkgopt=force-unsafe-io --skip=essential/unlink --skip=download/empty \
  --setup-hook="mkdir -p \"\$1/var/cache/apt/archives\"" \
  --setup-hook="sync-in '$cache' /var/cache/apt/archives/" \
  --customize-hook="copy-in ${debs[*]} /tmp" \
  --customize-hook="chroot \"\$1\" apt-get install --yes --no-install-recommends \
      /tmp/$(basename "${debs[0]}") /tmp/$(basename "${debs[1]}")" \
  --customize-hook="sync-out /var/cache/apt/archives '$cache'" \
  --customize-hook="'$here/install_test.sh' --inside \"\$1\" '$build'" \
  bookworm "$root" \
  "deb $mirror bookworm main" \
  "deb $mirror bookworm-updates main" \
  "deb $security bookworm-security main"
rm -rf "$root"
echo "== the package test passed in $(elapsed)"
