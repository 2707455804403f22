#!/usr/bin/env bash
# Installs the Debian packages of the named groups (all of them when none is named):
#   run         building and running the programs: the app, tallyscan-cli, libtallyscan and
#               tallyscan-gen
#   test        building and running the tests and the benchmarks, the sanitizer builds and
#               the fuzzers
#   references  the independent readings some tests compare with
#   package     building the Debian packages, checking them and installing them into a fresh
#               Debian 12 root
# Safe to run again: packages already present are skipped.
#   scripts/install-deps.sh [GROUP...]
set -euo pipefail

run=(
  # build
  build-essential cmake ninja-build ccache pkg-config
  # engine dependencies
  zlib1g-dev libminizip-dev
  # report output: .xlsx workbooks, the SHA-256 of the data file in their properties
  libxlsxwriter-dev libssl-dev
  # the command-line program's JSON output
  nlohmann-json3-dev
  # the journal-entry tests: the Hebrew calendar, exact decimals and distributions
  libhdate-dev libicu-dev libboost-dev libboost-math-dev
  # desktop app: Qt 6 Widgets, its Hebrew translations, fonts that carry Hebrew
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-translations-l10n
  qt6-l10n-tools libgl-dev libxkbcommon-dev qt6-charts-dev libqt6opengl6-dev
  fonts-dejavu-core culmus
  # e-mail: the password in the system keyring (QtKeychain loads libsecret at run time)
  qtkeychain-qt6-dev libsecret-1-0
  # the keyboard switching on X11: Xlib's XKB headers (libX11 itself is loaded at run time)
  libx11-dev
)
test=(
  # the fuzzers and the check of the sources' form
  clang-14 clang libclang-rt-14-dev clang-format
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev python3 time xvfb xauth
  # the keyboard test: setxkbmap gives its Xvfb the US English and Hebrew layouts
  x11-xkb-utils xkb-data
  # report output read back in tests
  poppler-utils python3-openpyxl
  # e-mail tests: an SMTP server with STARTTLS and AUTH on loopback, certificates made by the
  # test, a Secret Service on a private session bus
  python3-aiosmtpd openssl dbus gnome-keyring libsecret-tools
  # the manual pages rendered and the completion completed by the documentation test
  man-db bash-completion
  # the batch run for real through a single-node Slurm and through GNU Parallel
  munge slurmctld slurmd slurm-client parallel
)
references=(
  # the Hebrew calendar, p-values of distributions
  python3-pyluach python3-scipy
)
package=(
  # built by CPack, checked and installed into a fresh root
  dpkg-dev file fakeroot lintian mmdebstrap desktop-file-utils appstream man-db bash-completion
)

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(run test references package)
packages=()
for group in "${groups[@]}"; do
  case "$group" in
    run) packages+=("${run[@]}") ;;
    test) packages+=("${test[@]}") ;;
    references) packages+=("${references[@]}") ;;
    package) packages+=("${package[@]}") ;;
    *)
      echo "install-deps: no group named $group (run, test, references, package)" >&2
      exit 2
      ;;
  esac
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    case " ${missing[*]} " in *" $p "*) ;; *) missing+=("$p") ;; esac
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all packages of ${groups[*]} present"
  exit 0
fi

echo "install-deps (${groups[*]}): installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
