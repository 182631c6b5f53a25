# The design-time host under Wine: zelvan-host.exe and zelvan-host30.exe
# install the package of their build, found beside them, and show and write
# what the hosted zelvan-host and zelvan-host30 show and write; each refuses
# the other build's package with the loader's message. Sourced by
# scripts/windows-stage.sh.

# host_check NAME PROGRAM ARGUMENTS...: the host's command on both sides,
# each in a folder of its own where it writes any file it is given by a
# relative name; the same exit status, output and files, or a FAIL saying
# what differs.
host_check() {
  local name=$1 program=$2 root=$PWD wine_status=0 hosted_status=0
  shift 2
  skipped_here "$name" && return
  rm -rf "$scratch/host-wine" "$scratch/host-hosted"
  mkdir -p "$scratch/host-wine" "$scratch/host-hosted"
  (cd "$scratch/host-wine" && wine_run 60 "$root/$windows_build/bin/$program.exe" "$@") >"$scratch/host-wine.raw" 2>&1 ||
    wine_status=$?
  sed 's/\r$//' "$scratch/host-wine.raw" >"$scratch/host-wine.out"
  (cd "$scratch/host-hosted" && timeout 60 "$root/build-test/bin/$program" "$@") >"$scratch/host-hosted.out" 2>&1 ||
    hosted_status=$?
  # The hosts name a package by its full path, each in its own system's form.
  same_folder "$scratch/host-wine.out" "Z:${root//\//\\}\\${windows_build//\//\\}\\bin\\"
  same_folder "$scratch/host-hosted.out" "$root/build-test/bin/"
  if [ "$wine_status" != "$hosted_status" ]; then
    check_fail "$name: Wine $(ending "$wine_status"), the hosted build $(ending "$hosted_status")"
  elif ! cmp -s "$scratch/host-wine.out" "$scratch/host-hosted.out"; then
    check_fail "$name: Wine says '$(said "$scratch/host-wine.out")', the hosted build '$(said "$scratch/host-hosted.out")'"
  elif ! diff -r "$scratch/host-wine" "$scratch/host-hosted" >/dev/null; then
    check_fail "$name: the files written differ"
  else
    check_pass "$name (exit $wine_status): $(head -n 1 "$scratch/host-hosted.out")"
  fi
}

# same_folder FILE FOLDER: FILE with FOLDER written as "bin/".
same_folder() {
  local text
  text=$(<"$1")
  printf '%s\n' "${text//"$2"/bin/}" >"$1"
}

# host_checks FLAVOURS...: the hosts of the flavours that the Windows build has.
host_checks() {
  host_check "zelvan-host.exe install ZelvanPack.bpl" zelvan-host install ZelvanPack.bpl
  host_check "zelvan-host.exe palette ZelvanPack.bpl --bitmap palette.bmp" \
    zelvan-host palette ZelvanPack.bpl --bitmap palette.bmp
  [[ " $* " == *" vcl30 "* ]] || return 0
  host_check "zelvan-host30.exe install ZelvanPack.dpl" zelvan-host30 install ZelvanPack.dpl
  host_check "zelvan-host30.exe install ZelvanPack.bpl, the other build's" zelvan-host30 install ZelvanPack.bpl
  host_check "zelvan-host.exe install ZelvanPack.dpl, the other build's" zelvan-host install ZelvanPack.dpl
}
