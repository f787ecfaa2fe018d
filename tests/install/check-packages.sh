#!/usr/bin/env bash
# Looks into the packages scripts/package.sh made, from Linux, with msitools and unzip: what the
# 32-bit package holds can only be seen this way here (Wine's 32-bit side cannot run on this
# machine), and the 64-bit one is checked alike before the tests install it.
#   check-packages.sh DIR VERSION [CERT]
# DIR holds Vexa-VERSION-x86.msi, Vexa-VERSION-x64.msi, Vexa-VERSION.zip, SHA256SUMS and the
# manifests, made from build/i686 and build/x86_64. With CERT, the packages were made with
# --sign by the certificate CERT (PEM): the MSIs and every program file in them are signed by
# it, the program files being this build's once the signature is taken off; and a wrong
# password or a missing certificate leaves them as they are.
set -uo pipefail
dir=$(realpath "$1") version=$2 cert=${3:-}
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

signed_by_cert() {
  osslsigncode verify -in "$1" -CAfile "$cert" >"$work/verify.log" 2>&1 || ! cat "$work/verify.log" >&2
}

# The program file in a package is the build's: the same bytes, or, signed, the same bytes once
# the signature is taken off.
from_build() { # the build's file, the packed one
  [ -n "$cert" ] || { cmp -s "$1" "$2"; return; }
  rm -f "$work/bare"
  signed_by_cert "$2" && osslsigncode remove-signature -in "$2" -out "$work/bare" >/dev/null &&
    cmp -s "$1" "$work/bare"
}
# The template's texts in every language the source has, each in its language's folder.
languages=()
for texts in "$root"/policies/*/Vexa.adml; do
  languages+=("$(basename "$(dirname "$texts")")")
done
check_texts() { # what, the PolicyDefinitions folder
  local language
  for language in "${languages[@]}"; do
    check "$1: the template's texts in $language" cmp -s "$root/policies/$language/Vexa.adml" \
      "$2/$language/Vexa.adml"
  done
}

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
  [ -z "$cert" ] || check "$arch: the package is signed" signed_by_cert "$msi"

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
  floor='Installed OR VersionNT > 601 OR (VersionNT = 601 AND ServicePackLevel >= 1)'
  check "$arch: a Windows older than 7 SP1 is refused with a message" grep -qxF \
    "$floor	[ProductName] needs Windows 7 with Service Pack 1 or a later Windows." \
    <(rows "$msi" LaunchCondition)
  check "$arch: the autostart entry is cleaned up on uninstall only, not on upgrade" same \
    'RemoveAutostart	REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE' \
    "$(rows "$msi" InstallExecuteSequence | grep '^RemoveAutostart' | cut -f1,2)" "custom action"

  check "$arch: the lock service, Vexa.exe /service as LocalSystem, started automatically" same \
    'VexaLock	Vexa drive lock	16	2	1			LocalSystem		/service	VexaExe' \
    "$(rows "$msi" ServiceInstall | cut -f2-12)" ServiceInstall
  check "$arch: the lock service is installed and started only with LOCKSERVICE=1" same \
    $'InstallServices\tLOCKSERVICE = "1"\nStartServices\tLOCKSERVICE = "1"' \
    "$(rows "$msi" InstallExecuteSequence | grep -E '^(Install|Start)Services' | cut -f1,2 | sort)" \
    "service actions"

  # The files in the package's cabinet are those of the build (the same bytes), and the custom
  # action DLL is of the package's architecture.
  mkdir -p "$work/$arch"
  (cd "$work/$arch" && msiextract "$msi" >/dev/null)
  files=$work/$arch/Program\ Files/Vexa
  [ -d "$files" ] || files=$(find "$work/$arch" -type d -name Vexa | head -1)
  check "$arch: Vexa.exe is this build's" from_build "$build/Vexa.exe" "$files/Vexa.exe"
  check "$arch: the licence" test -s "$files/LICENSE.txt"
  check "$arch: the template" cmp -s "$root/policies/Vexa.admx" "$files/PolicyDefinitions/Vexa.admx"
  check_texts "$arch" "$files/PolicyDefinitions"
  msiinfo extract "$msi" Binary.SetupActions >"$work/$arch-actions.dll"
  check "$arch: the custom action DLL is this build's" from_build "$build/VexaSetupActions.dll" \
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
  check "zip: the 32-bit Vexa.exe" from_build "$root/build/i686/Vexa.exe" "$top/x86/Vexa.exe"
  check "zip: the 64-bit Vexa.exe" from_build "$root/build/x86_64/Vexa.exe" "$top/x64/Vexa.exe"
  check "zip: the README" cmp -s "$root/README.md" "$top/README.md"
  check "zip: the licence" test -s "$top/LICENSE.txt"
  check "zip: the template" cmp -s "$root/policies/Vexa.admx" "$top/PolicyDefinitions/Vexa.admx"
  check_texts zip "$top/PolicyDefinitions"
  check "zip: nothing else" same $((5 + ${#languages[@]})) "$(find "$top" -type f | wc -l)" \
    "files in the zip"
fi

check "SHA256SUMS lists the three packages" same \
  "Vexa-$version-x64.msi Vexa-$version-x86.msi Vexa-$version.zip" \
  "$(awk '{print $2}' "$dir/SHA256SUMS" | sort | xargs)" SHA256SUMS
check "SHA256SUMS matches the packages" bash -c "cd '$dir' && sha256sum --quiet -c SHA256SUMS"

# The manifests: the fields each package manager requires, and the packages beside them.
winget=$dir/manifests/winget/BrindleCorporation.Vexa
missing() { # file, then the fields it must have
  local file=$1 field
  shift
  for field in "$@"; do grep -q "^$field:" "$file" || echo -n "${file##*/}:$field "; done
}
common="PackageIdentifier PackageVersion ManifestType ManifestVersion"
check "winget: the required fields" same "" "$(missing "$winget.yaml" $common DefaultLocale
  missing "$winget.installer.yaml" $common InstallerType Installers InstallerSwitches
  missing "$winget.locale.en-US.yaml" $common PackageLocale Publisher PackageName License ShortDescription)" \
  "missing"
for arch in x86 x64; do
  check "winget: the $arch package's hash and product code" same \
    "$(sha256sum <"$dir/Vexa-$version-$arch.msi" | cut -c1-64 | tr a-f A-F) '${product_codes[$arch]}'" \
    "$(awk -v arch="$arch" '/^- / {on = ($0 == "- Architecture: " arch)}
      on && /^  (InstallerSha256|ProductCode):/ {printf "%s%s", sep, $2; sep = " "}' "$winget.installer.yaml")" \
    "$arch installer"
done
check "scoop: the zip's version, hash and shortcuts, and the fields Scoop requires" same \
  "$version $(sha256sum <"$zip" | cut -c1-64) Vexa-$version x64\\Vexa.exe x86\\Vexa.exe " \
  "$(jq -r '[.version, .hash, .extract_dir, .architecture["64bit", "32bit"].shortcuts[0][0],
    (["homepage", "license", "description", "url"] - keys | join(" "))] | join(" ")' \
    "$dir/manifests/scoop/vexa.json")" scoop

# A wrong password stops the signed build with a message, and leaves the packages as they were.
if [ -n "$cert" ]; then
  before=$(cd "$dir" && sha256sum Vexa-* manifests/*/*)
  refusal=$(VEXA_SIGN_PASSWORD=wrong bash "$root/scripts/package.sh" --sign "${cert%/*}/vexa-test.pfx" \
    --out "$dir" 2>&1; echo "exit $?")
  check "a wrong password is refused, the packages left as they were" same "cannot sign exit 1 $before" \
    "$(grep -o '^cannot sign' <<<"$refusal") ${refusal##*$'\n'} $(cd "$dir" && sha256sum Vexa-* manifests/*/*)" refusal
fi

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
