#!/usr/bin/env bash
# Installs every Debian 12 package the project needs. Safe to run again: it installs only
# what is missing.
set -euo pipefail
packages=(
  build-essential g++ cmake pkg-config
  libavcodec-dev libavformat-dev libavfilter-dev libavutil-dev libswscale-dev
  libswresample-dev libavdevice-dev libpostproc-dev
  ffmpeg
  libgtest-dev libgmock-dev
  qt6-base-dev libcurl4-openssl-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
