#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Idempotent and non-interactive; refreshes the package index only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev umockdev libumockdev-dev
  libjsoncpp-dev libpugixml-dev
  libcairo2-dev libpango1.0-dev libfontconfig-dev libgtk-3-dev
  libudev-dev libcurl4-openssl-dev libevdev-dev libpulse-dev
  xvfb xauth x11-apps xdotool imagemagick xdg-utils fonts-dejavu-core trayer weston
  fonts-droid-fallback fonts-tlwg-loma-ttf
  pulseaudio pulseaudio-utils swh-plugins
  libglib2.0-dev libglib2.0-bin gsettings-desktop-schemas dbus-daemon
  python3 openssl
  dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
