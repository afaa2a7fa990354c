#!/usr/bin/env bash
# Installs what the package checks and the Windows cross-build need (Debian 12), if missing.
set -euo pipefail
pkgs=(dpkg-dev lintian desktop-file-utils appstream poppler-utils
      g++-mingw-w64-x86-64 googletest wine64)
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
