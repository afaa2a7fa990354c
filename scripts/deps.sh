#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need, if any is missing;
# with arguments, those packages instead.
set -euo pipefail
pkgs=("$@")
((${#pkgs[@]})) || pkgs=(build-essential cmake ninja-build pkg-config git
      libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
      qt6-base-dev qt6-webengine-dev libqt6webenginewidgets6 libgl-dev
      xvfb xauth wdiff fonts-dejavu-core fonts-liberation2
      qt6-pdf-dev libqpdf-dev poppler-utils libreoffice-writer libreoffice-calc python3-uno qt6-translations-l10n)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
