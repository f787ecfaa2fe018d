#!/usr/bin/env bash
# Looks into the packages scripts/package.sh made, from Linux, with msitools and unzip: what the
# 32-bit package holds can only be seen this way here (Wine's 32-bit side cannot run on this
# machine), and the 64-bit one is checked alike before the tests install it.
#   check-packages.sh DIR VERSION
# DIR holds Vexa-VERSION-x86.msi, Vexa-VERSION-x64.msi, Vexa-VERSION.zip and SHA256SUMS, made
# from build/i686 and build/x86_64.
set -uo pipefail
dir=$(realpath "$1") version=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
failures=0
checks=0

check() { # description, then the command that must succeed
  local what=$1
  shift
  checks=$((checks + 1))
  if ! "$@"; then
    echo "FAILED: $what" >&2
    failures=$((failures + 1))
  fi
}

# Prints the rows of a table (no header lines), fields separated by tabs.
rows() { msiinfo export "$1" "$2" | tail -n +4 | tr -d '\r'; }

# The value of a property of the package.
property() { rows "$1" Property | awk -F'\t' -v name="$2" '$1 == name {print $2}'; }

same() { # expected, actual, what
  [ "$1" = "$2" ] && return 0
  echo "  $3: expected '$1', got '$2'" >&2
  return 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare -A upgrade_codes product_codes

for arch in x86 x64; do
  msi=$dir/Vexa-$version-$arch.msi
  if [ "$arch" = x86 ]; then
    build=$root/build/i686 template="Intel;1033" program_files=ProgramFilesFolder
    pe='\(PE32\)' component_bits=0 name=Vexa
  else
    build=$root/build/x86_64 template="x64;1033" program_files=ProgramFiles64Folder
    pe='\(PE32\+\)' component_bits=256 name="Vexa (64-bit)"
  fi
  check "$msi exists" test -s "$msi" || continue

  check "$arch: product version" same "$version" "$(property "$msi" ProductVersion)" ProductVersion
  check "$arch: product name" same "$name" "$(property "$msi" ProductName)" ProductName
  check "$arch: manufacturer" same "Brindle Corporation" "$(property "$msi" Manufacturer)" Manufacturer
  check "$arch: installs for all users" same 1 "$(property "$msi" ALLUSERS)" ALLUSERS
  check "$arch: platform and language" same "$template" \
    "$(msiinfo suminfo "$msi" | tr -d '\r' | sed -n 's/^Template: //p')" Template
  upgrade_codes[$arch]=$(property "$msi" UpgradeCode)
  product_codes[$arch]=$(property "$msi" ProductCode)

  check "$arch: installs into Program Files\\Vexa" same "INSTALLFOLDER	$program_files	Vexa" \
    "$(rows "$msi" Directory | grep '^INSTALLFOLDER')" Directory
  check "$arch: every component of the architecture's registry view and file system" same \
    "$component_bits" "$(rows "$msi" Component | cut -f4 | sort -u)" "component attributes"
  check "$arch: the Start-menu shortcut" same "ProgramMenuFolder	$name	VexaExe" \
    "$(rows "$msi" Shortcut | cut -f2-4)" Shortcut
  check "$arch: a downgrade is refused with a message" \
    grep -q '^NOT WIX_DOWNGRADE_DETECTED	A newer version of \[ProductName\] is already installed' \
    <(rows "$msi" LaunchCondition)
  check "$arch: the autostart entry is cleaned up on uninstall only, not on upgrade" same \
    'RemoveAutostart	REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE' \
    "$(rows "$msi" InstallExecuteSequence | grep '^RemoveAutostart' | cut -f1,2)" "custom action"

  # The files in the package's cabinet are those of the build (the same bytes), and the custom
  # action DLL is of the package's architecture.
  mkdir -p "$work/$arch"
  (cd "$work/$arch" && msiextract "$msi" >/dev/null)
  files=$work/$arch/Program\ Files/Vexa
  [ -d "$files" ] || files=$(find "$work/$arch" -type d -name Vexa | head -1)
  check "$arch: Vexa.exe is this build's" cmp -s "$build/Vexa.exe" "$files/Vexa.exe"
  check "$arch: the licence" test -s "$files/LICENSE.txt"
  check "$arch: the template" cmp -s "$root/policies/Vexa.admx" "$files/PolicyDefinitions/Vexa.admx"
  check "$arch: the template's texts" cmp -s "$root/policies/en-US/Vexa.adml" \
    "$files/PolicyDefinitions/en-US/Vexa.adml"
  msiinfo extract "$msi" Binary.SetupActions >"$work/$arch-actions.dll"
  check "$arch: the custom action DLL is this build's" cmp -s "$build/VexaSetupActions.dll" \
    "$work/$arch-actions.dll"
  headers=$("${build##*/}-w64-mingw32-objdump" -p "$work/$arch-actions.dll")
  check "$arch: the custom action DLL is $pe" grep -qE "^Magic.*$pe\$" <<<"$headers"
  check "$arch: the custom action DLL needs only Windows' own DLLs" same "" \
    "$(awk '/DLL Name:/ {print $3}' <<<"$headers" | grep -viE '^(kernel32|advapi32|msi|msvcrt)\.dll$')" \
    "DLLs beyond Windows' own"
  check "$arch: the custom action DLL has its entry points by their plain names" same \
    "KeepAutostart RemoveAutostart RestoreAutostart" \
    "$(sed -n '/Ordinal\/Name Pointer/,/^$/p' <<<"$headers" | awk '/^\t\[/ {print $NF}' | sort | xargs)" exports
done

check "each architecture has an upgrade code of its own" \
  test -n "${upgrade_codes[x86]}" -a "${upgrade_codes[x86]}" != "${upgrade_codes[x64]}"
check "each package has a product code of its own" \
  test -n "${product_codes[x86]}" -a "${product_codes[x86]}" != "${product_codes[x64]}"

zip=$dir/Vexa-$version.zip
if check "$zip exists" test -s "$zip"; then
  (cd "$work" && unzip -q "$zip")
  top=$work/Vexa-$version
  check "zip: the 32-bit Vexa.exe" cmp -s "$root/build/i686/Vexa.exe" "$top/x86/Vexa.exe"
  check "zip: the 64-bit Vexa.exe" cmp -s "$root/build/x86_64/Vexa.exe" "$top/x64/Vexa.exe"
  check "zip: the README" cmp -s "$root/README.md" "$top/README.md"
  check "zip: the licence" test -s "$top/LICENSE.txt"
  check "zip: the template" cmp -s "$root/policies/Vexa.admx" "$top/PolicyDefinitions/Vexa.admx"
  check "zip: the template's texts" cmp -s "$root/policies/en-US/Vexa.adml" \
    "$top/PolicyDefinitions/en-US/Vexa.adml"
  check "zip: nothing else" same 6 "$(find "$top" -type f | wc -l)" "files in the zip"
fi

check "SHA256SUMS lists the three packages" same \
  "Vexa-$version-x64.msi Vexa-$version-x86.msi Vexa-$version.zip" \
  "$(awk '{print $2}' "$dir/SHA256SUMS" | sort | xargs)" SHA256SUMS
check "SHA256SUMS matches the packages" bash -c "cd '$dir' && sha256sum --quiet -c SHA256SUMS"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
