#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and benchmark, and the npm test
# peer of `parlevox mcp`. Safe to run again: apt-get and npm skip what is already there.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config clang libclang-rt-14-dev clang-format
  # libraries
  nlohmann-json3-dev libasio-dev libicu-dev
  # web addresses read from accessibility trees (libcurl's URL parser)
  libcurl4-openssl-dev
  # checksums in the simulated desktop's record
  zlib1g-dev
  # media: decoding and the sound server's volume
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev libpulse-dev
  # window shots: text recognition (Russian and English models), JPEG encoding, Base64
  libtesseract-dev tesseract-ocr-rus tesseract-ocr-eng libturbojpeg0-dev libssl-dev
  # window pictures rendered from text layouts (scripts/render_text_picture.py)
  imagemagick fonts-dejavu-core
  # tests: a sound server of their own, its client, and media to decode
  pulseaudio pulseaudio-utils ffmpeg
  # the real X11 desktop: X server, XRandR and XComposite, the accessibility bus (libatspi)
  libx11-dev libxrandr-dev libxcomposite-dev libatspi2.0-dev
  # its tests: a private X server, session bus, accessibility bus, window manager, property
  # reader, and the GTK 3 test window on Debian's Python
  xvfb dbus dbus-bin at-spi2-core openbox x11-utils python3-gi gir1.2-gtk-3.0
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev python3
  # whole-process comparisons (bench/cli_vs_socat.sh, bench/window_shot_vs_tesseract.py)
  hyperfine socat tesseract-ocr
  # the Debian package: its runtime dependencies worked out from the linked libraries
  dpkg-dev file
  # the X11 session's keyboard, synthetic keys, layouts and clipboard, and a bare X server for tests
  libx11-dev libx11-xcb-dev libxtst-dev libxi-dev libxfixes-dev libxkbcommon-dev libxkbcommon-x11-dev
  xvfb x11-xkb-utils
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The MCP test peer and benchmark peer (cli/tests/mcp_client): the MCP SDK, pinned by its
# committed lockfile. Node.js and npm come from Debian when the machine has none.
if ! command -v npm >/dev/null || ! command -v node >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y --no-install-recommends nodejs npm
fi
peer="$(cd "$(dirname "$0")/.." && pwd)/cli/tests/mcp_client"
stamp="$peer/node_modules/.installed-from-lockfile"
if ! cmp -s "$peer/package-lock.json" "$stamp"; then
  (cd "$peer" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$peer/package-lock.json" "$stamp"
fi
