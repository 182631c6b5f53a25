#!/bin/bash
# Runs the shell blocks of the README (```sh fences) in order, in one bash,
# as a newcomer runs them after the README's first command: in a temporary
# folder that stands for the clone's top folder, whose build/ holds the
# programs of BUILD_DIR (its tools/ and bin/) and what the blocks make.
# A block whose fence follows the line
#   <!-- readme-test: not run: REASON -->
# is left out. The first command that fails is named with its README line.
#   run_blocks.sh README BUILD_DIR
set -u
readme=$1
build=$(cd "$2" && pwd)
top=$(mktemp -d)
trap 'rm -rf "$top"' EXIT
mkdir "$top/build" && ln -s "$build/tools" "$build/bin" "$top/build/"

# Line N of the script is line N of the README, or empty where the README
# holds no command to run, so that bash's line numbers are the README's.
script=$(awk '
    /^```sh$/ && !inside { inside = 1; run = (previous !~ /^<!-- readme-test: not run: .+ -->$/); print ""; next }
    /^```/ && inside     { inside = 0; print ""; next }
    inside && run        { print; next }
                         { if (!inside) previous = $0; print "" }
' "$readme")

cd "$top" && bash -eE -o pipefail -c "trap 'echo \"README line \$LINENO failed: \$BASH_COMMAND\" >&2' ERR;$script"
