#!/bin/bash
# The bash completion of zelvan and zelvan-host as installed: cmake --install
# puts it where bash-completion looks for it, and completing a line there
# offers the commands, options, drive letters and values the tools take.
#   completion_test.sh BUILD_DIR TOOL_FOLDER...
set -u
build=$1
shift
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || exit 1
completions=$prefix/share/bash-completion/completions
for tool in zelvan zelvan-host; do
    [[ -f $completions/$tool ]] || { echo "no completion installed for $tool in $completions"; exit 1; }
done
for folder in "$@"; do PATH=$folder:$PATH; done

source /usr/share/bash-completion/bash_completion
source "$completions/zelvan"
failed=0

# Completes LINE (the cursor at its end) and compares the offers, in order, with EXPECTED.
expect() {
    local line=$1 expected=$2
    COMP_LINE=$line
    COMP_POINT=${#line}
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _zelvan_complete
    if [[ "${COMPREPLY[*]}" != "$expected" ]]; then
        echo "'$line': offered '${COMPREPLY[*]}', expected '$expected'"
        failed=1
    fi
}

expect "zelvan " "info read write floppy-read floppy-write map demo"
expect "zelvan map C -o m.png --res" "--rescue"
expect "zelvan fl" "floppy-read floppy-write"
expect "zelvan read C 0 1 --out" "--output"
expect "zelvan --lo" "--lock"
expect "zelvan --ver" "--version"
expect "zelvan --platform " "nt 95 98 10"
expect "zelvan --platform=9" "95 98"
expect "zelvan read C 0 1 --offsets " "run volume"
expect "zelvan floppy-read A " "360 720 1200 1440 unknown"
expect "zelvan floppy-write A 1440 0 1 --drive-name " ""
ZELVAN_DRIVES='e=x.img;F=y.img' expect "zelvan --drive C=a.img --drive=D=b.img read " "C D E F"
expect "zelvan --drive C=a.img --drive=D=b.img floppy-read x 1440 0 1 --drive-name " "C D"
expect "zelvan read C -- " ""
expect "zelvan-host con" "convert"
expect "zelvan-host convert a b --" "--binary --help --text --version"
expect "zelvan-host palette p --b" "--bitmap"
exit $failed
