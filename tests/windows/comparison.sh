# The comparison table: one zelvan command at a time, run by zelvan.exe under
# Wine and by the hosted build, on copies of the same images. Both must end as
# Windows does, with the bytes dd finds in the images, and alike: the same
# exit status, the same standard output (Windows ends its lines with CR LF),
# the same output file and the same images afterwards. Where Wine 8 departs
# from Windows, the row names the difference and skips; the hosted build is
# still held to Windows. Sourced by scripts/windows-stage.sh.

hosted_drive_list() {
  local letter list=
  for letter in $(drive_letters); do
    list+="$letter=$hosted_images/$(image_of "$letter")$([ "$(kind_of "$letter")" = removable ] && echo :removable);"
  done
  echo "${list%;}"
}

# The row being run: its words, and what they ask of Windows.
row_words=()
row_command= row_letter= row_first= row_count= row_expected=

parse_row() {
  local positional=() i
  read -ra row_words <<<"$1"
  for ((i = 0; i < ${#row_words[@]}; i++)); do
    case ${row_words[i]} in
      -i | -o | --retries) i=$((i + 1)) ;;
      -*) ;;
      *) positional+=("${row_words[i]}") ;;
    esac
  done
  row_command=${positional[0]}
  row_letter=${positional[1]}
  case $row_command in
    floppy-*) row_first=${positional[3]:-} row_count=${positional[4]:-} ;;
    *) row_first=${positional[2]:-} row_count=${positional[3]:-} ;;
  esac
}

row_writes() { [[ $row_command == write || $row_command == floppy-write ]]; }

# run_side hosted|wine IDENTITY: the row's command on one side; its status in
# side_status, its standard output (LF line ends) in $scratch/SIDE.stdout.
run_side() {
  local side=$1 identity=$2 word words=()
  for word in "${row_words[@]}"; do
    case $word in
      @in) [ "$side" = wine ] && words+=("$(windows_path "$scratch/in.bin")") || words+=("$scratch/in.bin") ;;
      @out) [ "$side" = wine ] && words+=("$(windows_path "$scratch/wine.out")") || words+=("$scratch/hosted.out") ;;
      *) words+=("$word") ;;
    esac
  done
  rm -f "$scratch/$side.out"
  side_status=0
  if [ "$side" = wine ]; then
    use_identity "$identity"
    wine_run 60 "$zelvan_exe" "${words[@]}" >"$scratch/wine.raw" 2>"$scratch/wine.stderr" || side_status=$?
    sed 's/\r$//' "$scratch/wine.raw" >"$scratch/wine.stdout"
  else
    env -u ZELVAN_ANSWER -u ZELVAN_TRACE -u ZELVAN_FAULTS ZELVAN_DRIVES="$(hosted_drive_list)" \
      ZELVAN_PLATFORM="${platform_of[$identity]}" timeout 60 "$hosted_zelvan" "${words[@]}" \
      >"$scratch/hosted.stdout" 2>"$scratch/hosted.stderr" </dev/null || side_status=$?
  fi
}

# run_both IDENTITY ARGUMENTS LABEL: the command on both sides, their
# statuses in hosted_status and wine_status, the table's line in row_line.
run_both() {
  parse_row "$2"
  run_side hosted "$1"
  hosted_status=$side_status
  run_side wine "$1"
  wine_status=$side_status
  row_line=$(printf '%-6s %-48s hosted %-3s Wine %-3s' "$1" "$3" "$hosted_status" "$wine_status")
}

# windows_reason SIDE DIR STATUS: why the side did not end as Windows does;
# nothing when it did.
windows_reason() {
  local side=$1 dir=$2 status=$3 name letter expected
  if [ "$status" != "$row_expected" ]; then
    echo "$(ending "$status"), Windows exits $row_expected"
    return
  fi
  if [ "$row_expected" = 0 ] && [[ $row_command == read || $row_command == floppy-read ]]; then
    if [[ " ${row_words[*]} " == *" @out "* ]]; then
      cmp -s <(dd_sectors "$row_letter" "$row_first" "$row_count") "$scratch/$side.out" ||
        { echo "the output file is not what dd reads"; return; }
    else
      cmp -s <(dd_sectors "$row_letter" "$row_first" "$row_count" | hexdump -C) "$scratch/$side.stdout" ||
        { echo "the hex dump is not hexdump -C of what dd reads"; return; }
    fi
  fi
  for letter in $(drive_letters); do
    name=$(image_of "$letter")
    expected="$pristine/$name"
    [ "$row_expected" = 0 ] && row_writes && [ "$letter" = "$row_letter" ] && expected="$scratch/written.img"
    same_image "$letter" "$expected" "$dir/$name" || { echo "$letter: is not as Windows leaves it"; return; }
  done
}

# Where the two sides' outputs differ; nothing when they do not.
side_difference() {
  [ "$wine_status" = "$hosted_status" ] || { echo "exit status $wine_status, hosted $hosted_status"; return; }
  cmp -s "$scratch/wine.stdout" "$scratch/hosted.stdout" || { echo "standard output differs"; return; }
  if [ -e "$scratch/wine.out" ] || [ -e "$scratch/hosted.out" ]; then
    cmp -s "$scratch/wine.out" "$scratch/hosted.out" || echo "the output files differ"
  fi
}

# row IDENTITY STATUS "ARGUMENTS" [DEPARTURE]: one line of the table. STATUS
# is the exit status on Windows; @in and @out stand for the input and output
# files; DEPARTURE names what Wine 8 does differently.
row() {
  local identity=$1 arguments=$3 departure=${4:-} hosted_reason wine_reason
  row_expected=$2
  skipped_here "$identity $arguments" && return
  parse_row "$arguments"
  if row_writes; then
    head -c $((row_count * 512)) /dev/urandom >"$scratch/in.bin"
    cp --sparse=always "$pristine/$(image_of "$row_letter")" "$scratch/written.img"
    dd if="$scratch/in.bin" of="$scratch/written.img" bs=512 seek="$row_first" conv=notrunc status=none
  fi
  run_both "$identity" "$arguments" "$arguments"
  hosted_reason=$(windows_reason hosted "$hosted_images" "$hosted_status")
  wine_reason=$(windows_reason wine "$wine_images" "$wine_status")
  [ -n "$wine_reason" ] || wine_reason=$(side_difference)
  if hung "$hosted_status" || hung "$wine_status"; then
    check_fail "$row_line a program hung and was ended after its time limit"
  elif [ -n "$hosted_reason" ]; then
    check_fail "$row_line the hosted build departs from Windows: $hosted_reason ($(said "$scratch/hosted.stderr"))"
  elif [ -z "$wine_reason" ]; then
    check_pass "$row_line"
  elif [ -n "$departure" ]; then
    check_skip "$row_line $departure (here: $wine_reason)"
  else
    check_fail "$row_line Wine: $wine_reason ($(said "$scratch/wine.stderr"))"
  fi
  restore_images "$hosted_images"
  restore_images "$wine_images"
}

# info_row IDENTITY [DEPARTURE]: zelvan info D as the hosted build shows it,
# but for the figures that Wine takes from the host's file system; a
# difference under Wine is skipped with the departure's words when given.
info_row() {
  local host_figures='^(sectors per cluster|total clusters|free clusters|size bound B|medium|out of reach):' difference
  skipped_here "$1 info D" && return
  run_both "$1" "info D" "info D (all but the size figures)"
  difference=$(diff <(grep -Ev "$host_figures" "$scratch/hosted.stdout") \
    <(grep -Ev "$host_figures" "$scratch/wine.stdout") | tr '\n' ' ') || true
  if [ "$hosted_status" = 0 ] && [ "$wine_status" = 0 ] && [ -z "$difference" ]; then
    check_pass "$row_line"
  elif [ "$hosted_status" = 0 ] && [ -n "${2:-}" ]; then
    check_skip "$row_line $2 (here: ${difference:-$(said "$scratch/wine.stderr")})"
  else
    check_fail "$row_line ${difference:-$(said "$scratch/wine.stderr")}"
  fi
}

# refused_row IDENTITY "ARGUMENTS": a command that zelvan.exe refuses where
# the hosted build, a model of 32-bit Windows, carries it out: exit status 1,
# no output file and every image as it was.
refused_row() {
  local reason
  row_expected=1
  parse_row "$2"
  ! row_writes || head -c $((row_count * 512)) /dev/urandom >"$scratch/in.bin"
  run_side wine "$1"
  wine_status=$side_status
  row_line=$(printf '%-6s %-48s Wine %-3s' "$1" "$2" "$wine_status")
  reason=$(windows_reason wine "$wine_images" "$wine_status")
  [ -n "$reason" ] || [ ! -e "$scratch/wine.out" ] || reason="it wrote an output file"
  if [ -z "$reason" ]; then check_pass "$row_line $(said "$scratch/wine.stderr")"
  else check_fail "$row_line $reason ($(said "$scratch/wine.stderr"))"; fi
  restore_images "$wine_images"
}
