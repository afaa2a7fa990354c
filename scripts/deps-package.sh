#!/usr/bin/env bash
# Installs what the package checks and the Windows cross-build need (Debian 12), if missing.
set -euo pipefail
exec "$(dirname "$0")/deps.sh" dpkg-dev lintian desktop-file-utils appstream poppler-utils \
  g++-mingw-w64-x86-64 googletest wine64
