#!/bin/bash
# The man pages the build wrote pass mandoc's lint at every level.
#   man_page_test.sh PAGE...
set -u
failed=0
for page in "$@"; do
    [[ -s $page ]] || { echo "$page: missing or empty"; failed=1; continue; }
    lint=$(mandoc -T lint -W all "$page" 2>&1) || failed=1
    [[ -z $lint ]] || { echo "$lint"; failed=1; }
done
exit $failed
