# The write confirmation as a real window: zelvan.exe write without --no-warn
# shows the component's MessageBoxA on the stage's display, where it is found
# by its caption, photographed and answered from the keyboard. Sourced by
# scripts/windows-stage.sh.

# The dialog's window, once it is on the display; nothing after 30 seconds.
find_dialog() {
  local window
  for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name '^Attention$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && echo "$window" && return
    sleep 0.2
  done
}

# photograph WINDOW FILE: a PNG of the window once it is painted (an
# unpainted one is a single colour).
photograph() {
  for _ in $(seq 25); do
    import -window "$1" "$2" 2>/dev/null && [ "$(convert "$2" -format %k info:)" -gt 16 ] && return
    sleep 0.2
  done
  return 1
}

# confirm IDENTITY ANSWER KEY STATUS SHOT: writes one sector to D: and
# answers the question with KEY (xdotool's name); without a KEY the dialog
# is left alone and the run must be ended by its time limit.
confirm() {
  local identity=$1 answer=$2 key=$3 expected=$4 shot=$5 seconds=60 first window pid status=0 problem=
  skipped_here "$identity   write D, the confirmation $answer" && return
  first=$(half_of D)
  [ -n "$key" ] || seconds=8
  head -c 512 /dev/urandom >"$scratch/in.bin"
  cp --sparse=always "$pristine/$(image_of D)" "$scratch/written.img"
  [ "$expected" = 0 ] &&
    dd if="$scratch/in.bin" of="$scratch/written.img" bs=512 seek="$first" conv=notrunc status=none
  use_identity "$identity"
  wine_run "$seconds" "$zelvan_exe" write D "$first" 1 -i "$(windows_path "$scratch/in.bin")" \
    >"$scratch/dialog.stdout" 2>"$scratch/dialog.stderr" &
  pid=$!
  window=$(find_dialog)
  if [ -z "$window" ]; then
    problem="no window named Attention appeared"
  elif ! photograph "$window" "$shot"; then
    problem="the dialog could not be photographed into $shot"
  elif [ -n "$key" ]; then
    timeout 20 xdotool windowfocus --sync "$window" key --window "$window" "$key" || problem="xdotool could not press $key"
  fi
  wait "$pid" || status=$?
  [ -n "$problem" ] || [ "$status" = "$expected" ] || problem="$(ending "$status"), expected $expected"
  [ -n "$problem" ] || cmp -s "$scratch/written.img" "$wine_images/$(image_of D)" ||
    problem="D: is not as the answer leaves it"
  [ -n "$problem" ] || [ -z "$(xdotool search --onlyvisible --name '^Attention$' 2>/dev/null)" ] ||
    problem="the dialog is still on the display"
  local line="$identity   write D $first 1, the confirmation $answer"
  if [ -n "$problem" ]; then
    check_fail "$line: $problem ($(said "$scratch/dialog.stderr"))"
  else
    check_pass "$line: $(ending "$status"), D: as expected, screenshot $shot"
  fi
  restore_images "$wine_images"
}
