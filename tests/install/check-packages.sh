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

signed_by_cert() { osslsigncode verify -in "$1" -CAfile "$cert" >"$work/verify.log" 2>&1 || {
  sed 's/^/  /' "$work/verify.log" >&2
  return 1
}; }

# The program file in a package is the build's: the same bytes, or, signed, the same bytes once
# the signature is taken off.
from_build() { # the build's file, the packed one
  if [ -z "$cert" ]; then
    cmp -s "$1" "$2"
    return
  fi
  rm -f "$work/bare"
  signed_by_cert "$2" && osslsigncode remove-signature -in "$2" -out "$work/bare" >/dev/null 2>&1 &&
    cmp -s "$1" "$work/bare"
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
  check "$arch: the autostart entry is cleaned up on uninstall only, not on upgrade" same \
    'RemoveAutostart	REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE' \
    "$(rows "$msi" InstallExecuteSequence | grep '^RemoveAutostart' | cut -f1,2)" "custom action"

  # The files in the package's cabinet are those of the build (the same bytes), and the custom
  # action DLL is of the package's architecture.
  mkdir -p "$work/$arch"
  (cd "$work/$arch" && msiextract "$msi" >/dev/null)
  files=$work/$arch/Program\ Files/Vexa
  [ -d "$files" ] || files=$(find "$work/$arch" -type d -name Vexa | head -1)
  check "$arch: Vexa.exe is this build's" from_build "$build/Vexa.exe" "$files/Vexa.exe"
  check "$arch: the licence" test -s "$files/LICENSE.txt"
  check "$arch: the template" cmp -s "$root/policies/Vexa.admx" "$files/PolicyDefinitions/Vexa.admx"
  check "$arch: the template's texts" cmp -s "$root/policies/en-US/Vexa.adml" \
    "$files/PolicyDefinitions/en-US/Vexa.adml"
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
  check "zip: the template's texts" cmp -s "$root/policies/en-US/Vexa.adml" \
    "$top/PolicyDefinitions/en-US/Vexa.adml"
  check "zip: nothing else" same 6 "$(find "$top" -type f | wc -l)" "files in the zip"
fi

check "SHA256SUMS lists the three packages" same \
  "Vexa-$version-x64.msi Vexa-$version-x86.msi Vexa-$version.zip" \
  "$(awk '{print $2}' "$dir/SHA256SUMS" | sort | xargs)" SHA256SUMS
check "SHA256SUMS matches the packages" bash -c "cd '$dir' && sha256sum --quiet -c SHA256SUMS"

# The manifests: the fields each package manager requires, and the packages beside them.
sha256() { sha256sum <"$1" | cut -c1-64; }
winget=$dir/manifests/winget/BrindleCorporation.Vexa
has_fields() { # file, then the top-level fields it must have
  local file=$1 field missing=""
  shift
  for field in "$@"; do grep -q "^$field: [^ ]" "$file" || missing+=" $field"; done
  same "" "$missing" "fields missing in ${file##*/}"
}
common="PackageIdentifier PackageVersion ManifestType ManifestVersion"
check "winget: the version manifest" has_fields "$winget.yaml" $common DefaultLocale
check "winget: the default locale" has_fields "$winget.locale.en-US.yaml" $common PackageLocale \
  Publisher PackageName License ShortDescription
check "winget: the installers" has_fields "$winget.installer.yaml" $common InstallerType
for file in "$winget.yaml" "$winget.installer.yaml" "$winget.locale.en-US.yaml"; do
  check "winget: ${file##*/} is of this version" same "$version" \
    "$(sed -n 's/^PackageVersion: //p' "$file")" PackageVersion
done
check "winget: the silent switch" grep -q '^  Silent: /quiet' "$winget.installer.yaml"
for arch in x86 x64; do
  # The installer entry of the architecture: its lines up to the next entry.
  entry=$(awk -v arch="$arch" '/^- / {on = ($0 == "- Architecture: " arch)} on' "$winget.installer.yaml")
  check "winget: the $arch package's hash" same \
    "$(sha256 "$dir/Vexa-$version-$arch.msi" | tr a-f A-F)" \
    "$(sed -n 's/^  InstallerSha256: //p' <<<"$entry")" InstallerSha256
  check "winget: the $arch package's URL" grep -q "^  InstallerUrl: https://.*/Vexa-$version-$arch.msi$" \
    <<<"$entry"
  check "winget: the $arch package's product code" same "'${product_codes[$arch]}'" \
    "$(sed -n 's/^  ProductCode: //p' <<<"$entry")" ProductCode
done
scoop=$dir/manifests/scoop/vexa.json
check "scoop: the zip's version, URL and hash" same \
  "$version https://*/Vexa-$version.zip $(sha256 "$zip") Vexa-$version" \
  "$(jq -r '"\(.version) \(.url | sub("//.*/"; "//*/")) \(.hash) \(.extract_dir)"' "$scoop")" scoop
check "scoop: a shortcut to each architecture's Vexa.exe" same 'x64\Vexa.exe x86\Vexa.exe' \
  "$(jq -r '[.architecture["64bit", "32bit"].shortcuts[0][0]] | join(" ")' "$scoop")" shortcuts
check "scoop: the fields it requires" same "" \
  "$(jq -r '["homepage", "license", "description"] - keys | join(" ")' "$scoop")" "fields missing"

# A wrong password or a certificate that cannot be read stops the signed build with a message,
# and leaves the packages made before as they were.
if [ -n "$cert" ]; then
  before=$(cd "$dir" && sha256sum Vexa-* manifests/*/*)
  pfx=$(dirname "$cert")/vexa-test.pfx
  for attempt in "wrong-password|$pfx" "vexa-test-password|$work/missing.pfx"; do
    code=0
    VEXA_SIGN_PASSWORD=${attempt%|*} bash "$root/scripts/package.sh" --sign "${attempt#*|}" --out "$dir" \
      >"$work/refused.log" 2>&1 || code=$?
    check "signing with ${attempt#*|} is refused" same "1 cannot sign" \
      "$code $(grep -o '^cannot sign' "$work/refused.log")" "exit code and message"
    check "signing with ${attempt#*|} left the packages as they were" same "$before" \
      "$(cd "$dir" && sha256sum Vexa-* manifests/*/*)" "packages"
  done
fi

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
