#!/bin/bash
# Installs the Debian 12 packages that building, running and testing Tonalix
# need, and only those that are missing. Safe to run again.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev libasound2-dev libasound2-plugins fonts-noto-cjk
  pulseaudio pulseaudio-utils alsa-utils xvfb x11-apps x11-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev    # the fuzz targets (libFuzzer)
  libmuparser-dev sox            # benchmarks only: comparison figures
  stress-ng                      # benchmarks only: the load of the underrun figure
)

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
