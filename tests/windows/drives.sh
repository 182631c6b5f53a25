# The drives of the stage's machine: letter, kind, image, and the image's
# size in KiB and mkfs.fat options. A: is the floppy drive the floppy methods
# write to; G: is removable but beyond B:; H: is a sparse FAT32 volume of
# 6 GiB, whose sectors beyond 4 GiB need the high part of SetFilePointer. The
# images are made once into $pristine; every side works on copies. Sourced by
# scripts/windows-stage.sh.

machine_drives=(
  "D:fixed:fat12.img:4096:-F 12"
  "E:fixed:fat16.img:16384:-F 16"
  "F:fixed:fat32.img:34000:-F 32"
  "A:removable:floppy.img:1440:"
  "G:removable:floppy-g.img:1440:"
  "H:large:fat32-large.img:6291456:-F 32"
)

# The large volume is never read whole. It holds data in two places: what
# mkfs.fat wrote at its start, and a window of random sectors beyond 4 GiB,
# where its runs are read and written; the rest is a hole, and is compared
# where a position that lost its high part lands: 4 GiB below the window.
large_head_bytes=$((16 << 20))
large_window_first=9000000
large_window_sectors=2048

drive_letters() { printf '%s\n' "${machine_drives[@]%%:*}"; }
image_names() { printf '%s\n' "${machine_drives[@]}" | cut -d: -f3; }

# drive_field LETTER N: the letter's kind (2), image name (3), size (4) or
# mkfs.fat options (5).
drive_field() {
  local entry
  for entry in "${machine_drives[@]}"; do
    [ "${entry%%:*}" = "$1" ] && cut -d: -f"$2" <<<"$entry" && return
  done
}
image_of() { drive_field "$1" 3; }
kind_of() { drive_field "$1" 2; }

sectors_of() { echo $(($(stat -c %s "$pristine/$(image_of "$1")") / 512)); }

# The second half of every small image holds random bytes.
half_of() { echo $(($(sectors_of "$1") / 2)); }

# The byte ranges of the letter's image that hold data, as FIRST:LENGTH.
data_ranges_of() {
  if [ "$(kind_of "$1")" = large ]; then
    local window=$((large_window_first * 512)) length=$((large_window_sectors * 512))
    echo "0:$large_head_bytes $window:$length $((window - (1 << 32))):$length"
  else
    echo "0:$(stat -c %s "$pristine/$(image_of "$1")")"
  fi
}

# Every letter's image by mkfs.fat, with random bytes where they show bytes
# read from the wrong place: a small image's second half, the large one's
# window.
make_images() {
  local letter name kib options
  for letter in $(drive_letters); do
    name=$(image_of "$letter") kib=$(drive_field "$letter" 4)
    read -ra options <<<"$(drive_field "$letter" 5)"
    rm -f "$pristine/$name"
    mkfs.fat -C "${options[@]}" "$pristine/$name" "$kib" >/dev/null || stage_fail "mkfs.fat cannot make $pristine/$name"
    if [ "$(kind_of "$letter")" = large ]; then
      head -c $((large_window_sectors * 512)) /dev/urandom |
        dd of="$pristine/$name" bs=512 seek="$large_window_first" conv=notrunc status=none
    else
      head -c $((kib * 512)) /dev/urandom |
        dd of="$pristine/$name" bs=1024 seek=$((kib / 2)) conv=notrunc status=none
    fi
  done
}

# same_image LETTER A B: the two images of the letter hold the same size and
# the same bytes in every data range.
same_image() {
  local range first length
  [ -e "$3" ] && [ "$(stat -c %s "$2")" = "$(stat -c %s "$3")" ] || return 1
  for range in $(data_ranges_of "$1"); do
    first=${range%:*} length=${range#*:}
    cmp -s -i "$first" -n "$length" "$2" "$3" || return 1
  done
}

# Puts back every image of DIR that is not the pristine one.
restore_images() {
  local letter name
  for letter in $(drive_letters); do
    name=$(image_of "$letter")
    same_image "$letter" "$pristine/$name" "$1/$name" || cp --sparse=always "$pristine/$name" "$1/$name"
  done
}

# What dd finds: COUNT sectors from FIRST of the letter's pristine image.
dd_sectors() {
  dd if="$pristine/$(image_of "$1")" bs=512 skip="$2" count="$3" status=none
}
