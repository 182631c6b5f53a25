#!/usr/bin/env bash
# Builds the project, runs `zelvan demo` on images it makes itself, then
# installs the package ZelvanPack in the design-time host and writes the
# palette's picture.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/demo-build.sh build -G Ninja
build/tools/zelvan/zelvan demo
echo
echo "The package ZelvanPack installed in the design-time host (build/bin/zelvan-host):"
build/bin/zelvan-host install ZelvanPack.bpl
build/bin/zelvan-host palette ZelvanPack.bpl --bitmap build/palette.png
echo "(open build/palette.png to see the palette's picture of TZelvan)"
