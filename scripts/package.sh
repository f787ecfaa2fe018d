#!/usr/bin/env bash
# Builds Vexa's downloads into dist/ (or the folder given with --out):
#   Vexa-<version>-x86.msi, Vexa-<version>-x64.msi   Windows Installer packages (msitools' wixl)
#   Vexa-<version>.zip                               the portable program: x86/Vexa.exe,
#                                                    x64/Vexa.exe, README.md, LICENSE.txt and
#                                                    the administrative templates
#   SHA256SUMS                                       the checksums of the three
#   manifests/winget/, manifests/scoop/vexa.json     the Windows Package Manager's manifests of
#                                                    both MSIs, and Scoop's of the zip
# The version is the project's (CMakeLists.txt), read back from the header the build writes
# for the version resource, so the packages and the programs in them always agree.
#
#   --version X.Y.Z.W   package another version: builds in build/package/ with that version
#                       (the installer tests make an older package this way)
#   --arch x86|x64      only that architecture's MSI (no zip, which holds both)
#   --out DIR           where the packages go (default dist/); its old packages are removed
#   --sign FILE.pfx     signs, with Authenticode and SHA-256 (osslsigncode), each Vexa.exe and
#                       custom action DLL before they are packed, and both MSIs; the password is
#                       taken from VEXA_SIGN_PASSWORD
#   --timestamp URL     with --sign: has the RFC 3161 time stamp server at URL countersign
#
# Unsigned, the packages are reproducible: the same commit gives the same bytes wherever and
# whenever it is built. Every time in them is the commit's (SOURCE_DATE_EPOCH, which may also
# be given), and the packages are made in a folder of their own and moved into DIR only when
# all of them, signed if asked, are done.
set -euo pipefail
shopt -s inherit_errexit # a failed build inside $(...) stops the script too
cd "$(dirname "$0")/.."
root=$PWD

version_override="" archs="x86 x64" out=dist sign_pfx="" timestamp_url=""
while [ $# -gt 0 ]; do
  case "$1" in
    --version) version_override=$2; shift 2 ;;
    --arch) archs=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --sign) sign_pfx=$2; shift 2 ;;
    --timestamp) timestamp_url=$2; shift 2 ;;
    *) echo "usage: $0 [--version X.Y.Z.W] [--arch x86|x64] [--out DIR] [--sign FILE.pfx [--timestamp URL]]" >&2
       exit 2 ;;
  esac
done
for arch in $archs; do
  case "$arch" in x86 | x64) ;; *) echo "unknown architecture: $arch (x86 or x64)" >&2; exit 2 ;; esac
done
if [ -n "$timestamp_url" ] && [ -z "$sign_pfx" ]; then
  echo "--timestamp needs --sign" >&2
  exit 2
fi

bash scripts/install-deps.sh

# The certificate is tried before anything is built, so that a wrong password stops at once.
if [ -n "$sign_pfx" ]; then
  export VEXA_SIGN_PASSWORD=${VEXA_SIGN_PASSWORD-}
  if [ ! -r "$sign_pfx" ] || [ ! -f "$sign_pfx" ]; then
    echo "cannot sign: cannot read the certificate $sign_pfx" >&2
    exit 1
  fi
  if ! openssl pkcs12 -in "$sign_pfx" -passin env:VEXA_SIGN_PASSWORD -noout 2>/dev/null &&
     ! openssl pkcs12 -legacy -in "$sign_pfx" -passin env:VEXA_SIGN_PASSWORD -noout 2>/dev/null; then
    echo "cannot sign: $sign_pfx is no PKCS#12 certificate that VEXA_SIGN_PASSWORD opens" \
      "(wrong password, or not a .pfx file)" >&2
    exit 1
  fi
  sign_pfx=$(realpath "$sign_pfx")
fi

# One time for everything: the commit's, unless given. Compilers take it for __DATE__, the
# packages for their file times and dates.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  if ! SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) || [ -z "$SOURCE_DATE_EPOCH" ]; then
    SOURCE_DATE_EPOCH=$(date +%s)
    echo "not a git checkout and no SOURCE_DATE_EPOCH: the packages carry today's time" >&2
  fi
fi
export SOURCE_DATE_EPOCH

preset_of() { [ "$1" = x86 ] && echo i686 || echo x86_64; }

# Builds the release Vexa.exe (stripped, like every build of the presets) and the installer's
# custom action DLL of one architecture, and prints the build folder.
build_arch() {
  local preset dir
  preset=$(preset_of "$1")
  if [ -z "$version_override" ]; then
    dir=build/$preset
    cmake --preset "$preset" >/dev/null
  else
    dir=build/package/$preset-$version_override
    cmake --preset "$preset" -B "$dir" -DVEXA_VERSION="$version_override" -DVEXA_BUILD_TESTS=OFF >/dev/null
  fi
  cmake --build "$dir" --target Vexa VexaSetupActions >&2
  echo "$dir"
}

# The version the build wrote into the version resource's header.
built_version() {
  sed -n 's/^#define VEXA_VERSION_DOTTED "\(.*\)"$/\1/p' "$1/generated/VexaVersion.h"
}

# A GUID made from a SHA-1 of the text, in the form of a name-based GUID: the same text gives
# the same GUID at every build.
name_guid() {
  local h
  h=$(printf '%s' "$1" | sha1sum | cut -c1-32)
  printf '{%s-%s-5%s-%X%s-%s}\n' "${h:0:8}" "${h:8:4}" "${h:13:3}" $(( (0x${h:16:1} & 3) | 8 )) \
    "${h:17:3}" "${h:20:12}" | tr a-f A-F
}

# A product code of its own for each architecture and version.
product_code() { name_guid "Brindle Corporation/Vexa/$1/$2"; }

# A field of a package's summary information, as msiinfo shows it.
summary_field() { msiinfo suminfo "$1" | tr -d '\r' | sed -n "s/^$2: //p"; }

# The value of a property of a package.
msi_property() {
  msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' -v name="$2" '$1 == name {print $2}'
}

# wixl gives each package the time it ran and a random package code. The time becomes
# SOURCE_DATE_EPOCH (wixl runs with the clock stopped there), and the package code one made from
# the architecture, the version and everything else in the package: Windows Installer wants a
# new package code only for a package that differs, and then it gets one.
wixl_at_source_date() {
  TZ=UTC faketime -f "$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S')" wixl "$@"
}
set_package_code() { # package, architecture
  local subject author template
  subject=$(summary_field "$1" Subject) author=$(summary_field "$1" Author)
  template=$(summary_field "$1" Template)
  msibuild "$1" -s "$subject" "$author" "$template" "{00000000-0000-0000-0000-000000000000}"
  msibuild "$1" -s "$subject" "$author" "$template" \
    "$(name_guid "Brindle Corporation/Vexa/package/$2/$version/$(sha256sum <"$1" | cut -c1-64)")"
}

# Signs a program file or package in place, when asked to.
sign() {
  [ -n "$sign_pfx" ] || return 0
  local args=(sign -pkcs12 "$sign_pfx" -h sha256 -n Vexa -i "https://www.brindle.example/vexa/")
  if [ -n "$VEXA_SIGN_PASSWORD" ]; then
    (umask 077 && printf '%s' "$VEXA_SIGN_PASSWORD" >"$stage/password")
    args+=(-readpass "$stage/password")
  else
    args+=(-pass "")
  fi
  [ -z "$timestamp_url" ] || args+=(-ts "$timestamp_url")
  if ! osslsigncode "${args[@]}" -in "$1" -out "$1.signed" >"$stage/sign.log" 2>&1; then
    echo "cannot sign ${1##*/} with $sign_pfx; osslsigncode said:" >&2
    sed 's/^/  /' "$stage/sign.log" >&2
    exit 1
  fi
  rm -f "$stage/password"
  mv "$1.signed" "$1"
}

# The manifests that let Windows' package managers install the packages from where they are
# published (VEXA_DOWNLOAD_URL, by default the version's folder on the download site): the
# Windows Package Manager's set of three files for both MSIs, and Scoop's for the zip.
write_manifests() {
  local base=${VEXA_DOWNLOAD_URL:-https://www.brindle.example/vexa/download/$version}
  local id=BrindleCorporation.Vexa schema=1.12.0 winget=$made/manifests/winget
  local description="Locks and unlocks the eject buttons of CD-ROM drives from a tray icon."
  local header="# yaml-language-server: \$schema=https://aka.ms/winget-manifest"
  local arch msi code
  mkdir -p "$winget" "$made/manifests/scoop"
  {
    echo "$header.version.$schema.schema.json"
    echo "PackageIdentifier: $id"
    echo "PackageVersion: $version"
    echo "DefaultLocale: en-US"
    echo "ManifestType: version"
    echo "ManifestVersion: $schema"
  } >"$winget/$id.yaml"
  {
    echo "$header.installer.$schema.schema.json"
    echo "PackageIdentifier: $id"
    echo "PackageVersion: $version"
    echo "InstallerType: msi"
    echo "Scope: machine"
    echo "InstallModes: [interactive, silent, silentWithProgress]"
    echo "InstallerSwitches:"
    echo "  Silent: /quiet /norestart"
    echo "  SilentWithProgress: /passive /norestart"
    echo "UpgradeBehavior: install"
    echo "ReleaseDate: $(date -u -d "@$SOURCE_DATE_EPOCH" +%Y-%m-%d)"
    echo "Installers:"
    for arch in x86 x64; do
      msi=$made/Vexa-$version-$arch.msi
      code=$(msi_property "$msi" ProductCode)
      echo "- Architecture: $arch"
      echo "  InstallerUrl: $base/${msi##*/}"
      echo "  InstallerSha256: $(sha256sum <"$msi" | cut -c1-64 | tr a-f A-F)"
      echo "  ProductCode: '$code'"
      echo "  AppsAndFeaturesEntries:"
      echo "  - DisplayName: $(msi_property "$msi" ProductName)"
      echo "    Publisher: $(msi_property "$msi" Manufacturer)"
      echo "    ProductCode: '$code'"
      echo "    UpgradeCode: '$(msi_property "$msi" UpgradeCode)'"
    done
    echo "ManifestType: installer"
    echo "ManifestVersion: $schema"
  } >"$winget/$id.installer.yaml"
  {
    echo "$header.defaultLocale.$schema.schema.json"
    echo "PackageIdentifier: $id"
    echo "PackageVersion: $version"
    echo "PackageLocale: en-US"
    echo "Publisher: Brindle Corporation"
    echo "PublisherUrl: https://www.brindle.example/"
    echo "PackageName: Vexa"
    echo "PackageUrl: https://www.brindle.example/vexa/"
    echo "License: Freeware"
    echo "Copyright: $(grep -m1 '^Copyright (C) ' LICENSE)"
    echo "ShortDescription: $description"
    echo "Moniker: vexa"
    echo "Tags: [cd-rom, eject, lock, tray]"
    echo "ManifestType: defaultLocale"
    echo "ManifestVersion: $schema"
  } >"$winget/$id.locale.en-US.yaml"
  # Scoop unpacks the zip's one folder; each architecture gets a Start-menu shortcut to its own
  # Vexa.exe.
  cat >"$made/manifests/scoop/vexa.json" <<EOF
{
    "version": "$version",
    "description": "$description",
    "homepage": "https://www.brindle.example/vexa/",
    "license": "Freeware",
    "url": "$base/Vexa-$version.zip",
    "hash": "$(sha256sum <"$made/Vexa-$version.zip" | cut -c1-64)",
    "extract_dir": "Vexa-$version",
    "architecture": {
        "64bit": {
            "shortcuts": [["x64\\\\Vexa.exe", "Vexa"]]
        },
        "32bit": {
            "shortcuts": [["x86\\\\Vexa.exe", "Vexa"]]
        }
    }
}
EOF
}

# Gives the files of a folder one time, the build's, and plain permissions, whatever the clock
# and umask were when they were copied.
settle() {
  find "$1" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# Text files for Windows readers get CRLF line ends.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }

# The administrative template into the folder given, and its texts in every language into a
# folder of the language's name beside it, as PolicyDefinitions has them.
copy_templates() {
  local texts language
  cp policies/Vexa.admx "$1/"
  for texts in policies/*/Vexa.adml; do
    language=${texts#policies/}
    language=${language%/Vexa.adml}
    mkdir -p "$1/$language"
    cp "$texts" "$1/$language/"
  done
}

declare -A dirs
version=""
for arch in $archs; do
  dirs[$arch]=$(build_arch "$arch")
  v=$(built_version "${dirs[$arch]}")
  if [ -z "$v" ] || { [ -n "$version" ] && [ "$v" != "$version" ]; }; then
    echo "the builds disagree on the version: '$version' and '$v'" >&2
    exit 1
  fi
  version=$v
done

mkdir -p build/package
stage=$(mktemp -d "$root/build/package/stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
made=$stage/out
mkdir -p "$made"

# The program files that go into the packages: the build's, or signed copies of them.
declare -A programs
for arch in $archs; do
  programs[$arch]=${dirs[$arch]}
  if [ -n "$sign_pfx" ]; then
    programs[$arch]=$stage/signed-$arch
    mkdir -p "${programs[$arch]}"
    cp "${dirs[$arch]}/Vexa.exe" "${dirs[$arch]}/VexaSetupActions.dll" "${programs[$arch]}/"
    sign "${programs[$arch]}/Vexa.exe"
    sign "${programs[$arch]}/VexaSetupActions.dll"
  fi
done

packages=()
for arch in $archs; do
  # wixl takes the files by the names the package source gives, from its working folder. The
  # cabinet keeps each file's time.
  files=$stage/msi-$arch
  mkdir -p "$files"
  cp "${programs[$arch]}/Vexa.exe" "${programs[$arch]}/VexaSetupActions.dll" "$files/"
  cp res/app.ico "$files/VexaIcon.ico"
  crlf LICENSE "$files/LICENSE.txt"
  copy_templates "$files"
  settle "$files"
  msi=Vexa-$version-$arch.msi
  (cd "$files" && wixl_at_source_date -a "$arch" -D Arch="$arch" -D Version="$version" \
    -D ProductCode="$(product_code "$arch" "$version")" -o "$made/$msi" "$root/installer/Vexa.wxs")
  set_package_code "$made/$msi" "$arch"
  sign "$made/$msi"
  packages+=("$msi")
done

if [ "$archs" = "x86 x64" ]; then
  # One folder in the archive, so that unzipping puts nothing loose into the user's folder.
  # Each Vexa.exe keeps its name (its message boxes are captioned with it): a folder per
  # architecture.
  # The entries go in in one order (by name, folders before their files), each with the build's
  # time as UTC and plain permissions, and without the extra fields of owner and times.
  top=$stage/zip/Vexa-$version
  mkdir -p "$top/x86" "$top/x64" "$top/PolicyDefinitions"
  cp "${programs[x86]}/Vexa.exe" "$top/x86/"
  cp "${programs[x64]}/Vexa.exe" "$top/x64/"
  cp README.md "$top/"
  crlf LICENSE "$top/LICENSE.txt"
  copy_templates "$top/PolicyDefinitions"
  settle "$top"
  zip=Vexa-$version.zip
  (cd "$stage/zip" && find "Vexa-$version" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$made/$zip")
  packages+=("$zip")
fi

(cd "$made" && sha256sum "${packages[@]}" >SHA256SUMS)
[ "$archs" != "x86 x64" ] || write_manifests

# Everything is made: only now are the old packages replaced.
mkdir -p "$out"
out=$(realpath "$out")
rm -rf "$out"/Vexa-*.msi "$out"/Vexa-*.zip "$out"/SHA256SUMS "$out"/manifests
mv "$made"/* "$out"/
echo "Packages of Vexa $version in $out:"
(cd "$out" && ls -l "${packages[@]}" SHA256SUMS | awk '{print "  " $NF " (" $5 " bytes)"}')
