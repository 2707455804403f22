#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the benchmarks and the
# desktop app need. Safe to run again: packages already present are skipped by apt.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config clang-14 clang libclang-rt-14-dev
  clang-format
  # engine dependencies
  zlib1g-dev libminizip-dev
  # report output: .xlsx workbooks, the SHA-256 of the data file in their properties
  libxlsxwriter-dev libssl-dev
  # the command-line program's JSON output
  nlohmann-json3-dev
  # the journal-entry tests: the Hebrew calendar, exact decimals and distributions
  libhdate-dev libicu-dev libboost-dev libboost-math-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev python3 time
  # desktop app: Qt 6 Widgets, its Hebrew translations, fonts that carry Hebrew
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-translations-l10n
  qt6-l10n-tools libgl-dev libxkbcommon-dev qt6-charts-dev libqt6opengl6-dev
  fonts-dejavu-core culmus xvfb xauth
  # report output read back in tests
  poppler-utils python3-openpyxl
  # independent references in tests: the Hebrew calendar, p-values of distributions
  python3-pyluach python3-scipy
  # e-mail: the password in the system keyring (QtKeychain loads libsecret at run time)
  qtkeychain-qt6-dev libsecret-1-0
  # e-mail tests: an SMTP server with STARTTLS and AUTH on loopback, certificates made by the
  # test, a Secret Service on a private session bus
  python3-aiosmtpd openssl dbus gnome-keyring libsecret-tools
  # the Debian package: built by CPack, checked and installed into a fresh root
  dpkg-dev file fakeroot lintian mmdebstrap desktop-file-utils appstream man-db bash-completion
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
