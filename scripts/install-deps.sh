#!/bin/bash
# Installs the Debian 12 packages that building, running and testing Tonalix
# need, and only those that are missing. Safe to run again.
#   install-deps.sh             the Linux build, its tests and benchmarks
#   install-deps.sh --windows   also the Windows cross build and Wine, and
#                               the Windows renderer's libraries, built once
#                               from Debian's sources (windows-libraries.sh)
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev libasound2-dev libasound2-plugins fonts-noto-cjk
  pulseaudio pulseaudio-utils alsa-utils xvfb x11-apps x11-utils
  pipewire pipewire-pulse wireplumber dbus-daemon  # the second private sound server of the tests (never pipewire-alsa: it removes pulseaudio)
  netpbm                         # the Xvfb screenshots as PNG
  lintian desktop-file-utils     # checks of the Debian package and its desktop entry
  librsvg2-bin                   # rsvg-convert, which draws the scalable icon for its test
  appstream                      # appstreamcli, the check of the package's AppStream metadata
  libgtest-dev libgmock-dev libbenchmark-dev
  libxbyak-dev                   # the formula engine's machine code
  libfftw3-dev libcairo2-dev     # tonalix-render's spectra and pictures
  libsndfile1-dev libsoxr-dev    # tonalix-render's file formats and resampling
  clang-14 libclang-rt-14-dev    # the fuzz targets (libFuzzer)
  clang-format-14                # the one formatting style, checked by scripts/test.sh
  ladspa-sdk                     # known devices in the sound loop of the --measure tests
  strace                         # the durable-file tests watch the flushes
  libmuparser-dev sox            # benchmarks only: comparison figures
  stress-ng                      # benchmarks only: the load of the underrun figure
  xdotool linux-perf             # benchmarks only: the clicks and the counters of bench/tools/playCost.sh
)
if [ "${1:-}" = "--windows" ]; then
  # The cross compilers (the posix-threads flavour), GoogleTest's source for
  # the Windows test programs, Wine to run them, and makensis for the
  # installer; zlib for Windows, and dpkg-source and Ninja for building the
  # renderer's other libraries from Debian's source packages.
  packages+=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest wine wine64 zip unzip locales nsis
    libz-mingw-w64-dev dpkg-dev ninja-build debian-archive-keyring)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}"
  sudo=""
  if [ "$(id -u)" != 0 ]; then sudo=sudo; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine names the files of a Japanese or a Western Windows in the bytes of the
# Linux locale it runs in; the tests run it in both, so both must exist.
if [ "${1:-}" = "--windows" ]; then
  for locale in ja_JP en_US; do
    if ! locale -a 2>/dev/null | grep -qx "$locale.utf8"; then
      sudo=""
      if [ "$(id -u)" != 0 ]; then sudo=sudo; fi
      $sudo localedef -i "$locale" -c -f UTF-8 "$locale.UTF-8"
    fi
  done
fi

# The Windows renderer's libraries, which Debian builds for Linux only: built
# once from Debian's source packages into a prefix under /var/cache/tonalix,
# reused on every later run.
if [ "${1:-}" = "--windows" ]; then
  "$(dirname "$0")/windows-libraries.sh"
fi
