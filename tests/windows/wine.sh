# The Windows machine of the stage, on Wine 8: a 32-bit or a 64-bit prefix,
# disk images behind drive letters, the Windows version programs see, a
# display for the dialogs, and programs run with a time limit. Sourced by
# scripts/windows-stage.sh; what cannot be set up ends the stage with one line.

export WINEDEBUG=-all
# No Mono or Gecko installer, no menu entries: nothing that asks or waits.
export WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe=d'

stage_fail() {
  echo "windows stage: $*" >&2
  exit 1
}

# The Windows path of a file of this machine: Z: is the root.
windows_path() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# Wine's loader of each kind of program: 32-bit Wine runs on a kernel that
# runs 32-bit programs; wine64 runs on every machine.
declare -A wine_loader_of=([32]=/usr/lib/wine/wine [64]=/usr/lib/wine/wine64)
declare -A wine_arch_of=([32]=win32 [64]=win64)

# Why this machine cannot run 32-bit Wine, found by running it; nothing when
# it can.
wine32_refusal() {
  local said
  said=$("${wine_loader_of[32]}" --version 2>&1 >/dev/null) && return
  echo "${wine_loader_of[32]} --version: ${said##*: }"
}

# wine_prefix BITS DIR: from here on programs run in DIR, a prefix of BITS
# (32 or 64), created when it is not one yet.
wine_prefix() {
  wine_stop
  export WINEPREFIX=$2 WINEARCH=${wine_arch_of[$1]} WINELOADER=${wine_loader_of[$1]}
  wine_loader=$WINELOADER
  current_identity=
  [ -x "$wine_loader" ] && command -v wineserver >/dev/null ||
    stage_fail "Wine is missing: no $wine_loader or no wineserver on PATH (scripts/setup.sh --windows installs them)"
  [ -f "$WINEPREFIX/system.reg" ] && return
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX" 2>/dev/null || stage_fail "cannot create the Wine prefix $WINEPREFIX: its folder cannot be made"
  # The registry reaches its files when the wineserver ends.
  timeout 300 "$wine_loader" wineboot -i >"$WINEPREFIX.log" 2>&1 && timeout 60 wineserver -w &&
    [ -f "$WINEPREFIX/system.reg" ] ||
    stage_fail "cannot create the Wine prefix $WINEPREFIX: wineboot -i failed (its output is in $WINEPREFIX.log)"
}

# wine_registry LINES...: imports REGEDIT4 lines into the prefix.
wine_registry() {
  local file="$WINEPREFIX/stage.reg"
  { printf 'REGEDIT4\r\n\r\n'; printf '%s\r\n' "$@"; } >"$file"
  timeout 120 "$wine_loader" regedit /S "$(windows_path "$file")" >/dev/null 2>&1 ||
    stage_fail "cannot write the Wine registry of $WINEPREFIX (regedit failed on $file)"
}

# wine_drives L:KIND:IMAGE...: maps each letter to its image, fixed or
# removable, and restarts the wineserver, which reads drive types at start.
# The letter's own link must lead to a folder; its device link is the image.
wine_drives() {
  local mapping letter kind image lines=('[HKEY_LOCAL_MACHINE\Software\Wine\Drives]')
  rm -f "$WINEPREFIX"/dosdevices/[abd-y]::
  for mapping in "$@"; do
    IFS=: read -r letter kind image <<<"$mapping"
    letter=${letter,,}
    [ -f "$image" ] && [ -r "$image" ] && [ -w "$image" ] ||
      stage_fail "cannot map ${letter^^}: to $image: it is not a readable and writable file"
    mkdir -p "$WINEPREFIX/mnt/$letter" &&
      ln -sfn "$WINEPREFIX/mnt/$letter" "$WINEPREFIX/dosdevices/$letter:" &&
      ln -sfn "$(realpath "$image")" "$WINEPREFIX/dosdevices/$letter::" ||
      stage_fail "cannot map ${letter^^}: to $image: the links in $WINEPREFIX/dosdevices cannot be made"
    lines+=("\"$letter:\"=\"$([ "$kind" = removable ] && echo floppy || echo hd)\"")
  done
  wine_registry "${lines[@]}"
  wineserver -k 2>/dev/null || true
  # One server for the whole stage, and Wine's own services started with no
  # terminal or pipe of ours, so that they hold none open.
  wineserver -p </dev/null >/dev/null 2>&1
  timeout 120 "$wine_loader" cmd.exe /c exit </dev/null >/dev/null 2>&1 ||
    stage_fail "Wine cannot start a program in $WINEPREFIX (wine cmd.exe /c exit failed)"
}

# use_identity NAME: the Windows programs see from their next start (nt40,
# win10, win95, win98 ...).
use_identity() {
  [ "$1" = "${current_identity:-}" ] && return
  wine_registry '[HKEY_CURRENT_USER\Software\Wine]' "\"Version\"=\"$1\""
  current_identity=$1
}

# wine_run SECONDS EXE ARGS...: the program's exit status, or 124 when it
# was still running after SECONDS and was ended.
wine_run() {
  local seconds=$1
  shift
  timeout --kill-after=5 "$seconds" "$wine_loader" "$@" </dev/null
}

wine_stop() {
  [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
}

# A display of our own for the dialogs; no window manager runs on it.
display_start() {
  local number_file="$1/display"
  rm -f "$number_file"
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  display_pid=$!
  for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    sleep 0.1
  done
  [ -s "$number_file" ] || stage_fail "Xvfb did not start: no display for the confirmation dialog"
  export DISPLAY=":$(cat "$number_file")"
}

display_stop() {
  [ -n "${display_pid:-}" ] && kill "$display_pid" 2>/dev/null || true
  display_pid=
}
