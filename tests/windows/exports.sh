# The PE packages' own tables, read by objdump: each build imports its own
# runtime package and not the other, the vcl40 build exports the twelve
# internal methods of TZelvan and the vcl30 build none of them, its names
# being Unit.Class.Member@HASH. Sourced by scripts/windows-stage.sh.

pe_exports() { i686-w64-mingw32-objdump -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p'; }
pe_imports() { i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }

# imports_check PACKAGE OWN OTHER
imports_check() {
  local imports
  imports=$(pe_imports "build-windows/bin/$1")
  if grep -qx "$2" <<<"$imports" && ! grep -qx "$3" <<<"$imports"; then
    check_pass "$1 imports from $2 and not from $3"
  else
    check_fail "$1 imports from: $(tr '\n' ' ' <<<"$imports")"
  fi
}

export_checks() {
  local internal=(GetDriveNo GetWinPlatform GetDiskInfo GetDiskHandle GetDeviceHandle FreeHandle RS95 WS95 RSNT WSNT RF95 WF95)
  local vcl40 vcl30 name lacking= leaking=
  vcl40=$(pe_exports build-windows/bin/ZelvanPack.bpl)
  vcl30=$(pe_exports build-windows/bin/ZelvanPack.dpl)
  for name in "${internal[@]}"; do
    # TZelvan's method NAME, decorated: ...7TZelvan10GetDriveNoE...
    grep -q "7TZelvan${#name}${name}E" <<<"$vcl40" || lacking+=" $name"
    grep -q "$name" <<<"$vcl30" && leaking+=" $name"
  done
  if [ -z "$lacking" ]; then check_pass "ZelvanPack.bpl exports the twelve internal methods of TZelvan"
  else check_fail "ZelvanPack.bpl does not export$lacking"; fi
  if [ -z "$leaking" ] && grep -qE '^Orvane\.TZelvan\.Create@[0-9A-F]{8}$' <<<"$vcl30"; then
    check_pass "ZelvanPack.dpl exports none of them, and Orvane.TZelvan.Create@HASH"
  else
    check_fail "ZelvanPack.dpl exports$leaking, or not Orvane.TZelvan.Create@HASH"
  fi
  imports_check ZelvanPack.bpl Vcl40.bpl VCL30.dpl
  imports_check ZelvanPack.dpl VCL30.dpl Vcl40.bpl
}
