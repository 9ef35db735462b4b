#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the benchmarks need.
# Only what is missing is installed, so a second run costs a few dpkg queries.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache mold clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # libraries
  zlib1g-dev libjpeg62-turbo-dev libopenjp2-7-dev libfreeimage-dev libcairo2-dev
  libfreetype-dev libfontconfig-dev liblcms2-dev libxml2-dev libcurl4-openssl-dev libsdl2-dev
  libpng-dev libtiff-dev
  # engines, oracles and fixture makers
  poppler-utils qpdf mupdf-tools ghostscript imagemagick libtiff-tools libopenjp2-tools
  jbig2dec python3 python3-pikepdf python3-pil python3-fonttools
  python3-reportlab python3-cairo python3-numpy python3-png t1utils
  icoutils pngcheck giflib-tools emf2svg libwmf-bin inkscape
  fonts-dejavu-core fonts-liberation2 fonts-urw-base35 xvfb xauth
  fonts-ipafont-gothic
  openssl
  xdg-utils xdg-user-dirs file shared-mime-info adwaita-icon-theme hicolor-icon-theme libglib2.0-bin
  # benchmark peers linked in-process
  libqpdf-dev libpoppler-cpp-dev libpango1.0-dev libjbig2dec0-dev libpixman-1-dev libmagick++-6.q16-dev
  libicu-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
