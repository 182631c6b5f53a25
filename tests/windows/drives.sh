# The drives of the stage's machine: letter, kind, image, and the image's
# size in KiB and mkfs.fat options. A: is the floppy drive the floppy methods
# write to; G: is removable but beyond B:. The images are made once into
# $pristine; every side works on copies. Sourced by scripts/windows-stage.sh.

machine_drives=(
  "D:fixed:fat12.img:4096:-F 12"
  "E:fixed:fat16.img:16384:-F 16"
  "F:fixed:fat32.img:34000:-F 32"
  "A:removable:floppy.img:1440:"
  "G:removable:floppy-g.img:1440:"
)

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

# The second half of every image holds random bytes.
half_of() { echo $(($(sectors_of "$1") / 2)); }

# Every letter's image by mkfs.fat, its second half random so that bytes
# read from the wrong place show.
make_images() {
  local letter name kib options
  for letter in $(drive_letters); do
    name=$(image_of "$letter") kib=$(drive_field "$letter" 4)
    read -ra options <<<"$(drive_field "$letter" 5)"
    rm -f "$pristine/$name"
    mkfs.fat -C "${options[@]}" "$pristine/$name" "$kib" >/dev/null || stage_fail "mkfs.fat cannot make $pristine/$name"
    head -c $((kib * 512)) /dev/urandom |
      dd of="$pristine/$name" bs=1024 seek=$((kib / 2)) conv=notrunc status=none
  done
}

# Puts back every image of DIR that is not the pristine one.
restore_images() {
  local name
  for name in $(image_names); do
    cmp -s "$pristine/$name" "$1/$name" 2>/dev/null || cp "$pristine/$name" "$1/$name"
  done
}

# What dd finds: COUNT sectors from FIRST of the letter's pristine image.
dd_sectors() {
  dd if="$pristine/$(image_of "$1")" bs=512 skip="$2" count="$3" status=none
}
