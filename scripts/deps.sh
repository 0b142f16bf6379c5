#!/usr/bin/env bash
# Installs whatever Debian packages the build, the tests and the demo need.
# Idempotent and silent when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libavcodec-dev libavformat-dev libavutil-dev libswresample-dev
  libmpg123-dev libmp3lame-dev libsox-dev libfftw3-dev portaudio19-dev libasound2-dev
  pulseaudio pulseaudio-utils libasound2-plugins
  libcli11-dev
  libcdio-dev libcdio-paranoia-dev libcddb2-dev libburn-dev
  sox libsox-fmt-all ffmpeg lame mpg123 vorbis-tools
  qt6-base-dev fonts-liberation fonts-comic-neue
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq >/dev/null
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
