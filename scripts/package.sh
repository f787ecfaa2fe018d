#!/usr/bin/env bash
# Builds Vexa's downloads into dist/ (or the folder given with --out):
#   Vexa-<version>-x86.msi, Vexa-<version>-x64.msi   Windows Installer packages (msitools' wixl)
#   Vexa-<version>.zip                               the portable program: x86/Vexa.exe,
#                                                    x64/Vexa.exe, README.md, LICENSE.txt and
#                                                    the administrative templates
#   SHA256SUMS                                       the checksums of the three
# The version is the project's (CMakeLists.txt), read back from the header the build writes
# for the version resource, so the packages and the programs in them always agree.
#
#   --version X.Y.Z.W   package another version: builds in build/package/ with that version
#                       (the installer tests make an older package this way)
#   --arch x86|x64      only that architecture's MSI (no zip, which holds both)
#   --out DIR           where the packages go (default dist/); its old packages are removed
set -euo pipefail
shopt -s inherit_errexit # a failed build inside $(...) stops the script too
cd "$(dirname "$0")/.."
root=$PWD

version_override="" archs="x86 x64" out=dist
while [ $# -gt 0 ]; do
  case "$1" in
    --version) version_override=$2; shift 2 ;;
    --arch) archs=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "usage: $0 [--version X.Y.Z.W] [--arch x86|x64] [--out DIR]" >&2; exit 2 ;;
  esac
done
for arch in $archs; do
  case "$arch" in x86 | x64) ;; *) echo "unknown architecture: $arch (x86 or x64)" >&2; exit 2 ;; esac
done

bash scripts/install-deps.sh

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

# A product code of its own for each architecture and version, the same at every build: made
# from a SHA-1 of both, in the form of a name-based GUID.
product_code() {
  local h
  h=$(printf 'Brindle Corporation/Vexa/%s/%s' "$1" "$2" | sha1sum | cut -c1-32)
  printf '{%s-%s-5%s-%X%s-%s}\n' "${h:0:8}" "${h:8:4}" "${h:13:3}" $(( (0x${h:16:1} & 3) | 8 )) \
    "${h:17:3}" "${h:20:12}" | tr a-f A-F
}

# Text files for Windows readers get CRLF line ends.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }

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

mkdir -p "$out"
out=$(realpath "$out")
rm -f "$out"/Vexa-*.msi "$out"/Vexa-*.zip "$out"/SHA256SUMS
mkdir -p build/package
stage=$(mktemp -d "$root/build/package/stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT

packages=()
for arch in $archs; do
  # wixl takes the files by the names the package source gives, from its working folder.
  files=$stage/msi-$arch
  mkdir -p "$files/en-US"
  cp "${dirs[$arch]}/Vexa.exe" "${dirs[$arch]}/VexaSetupActions.dll" "$files/"
  cp res/app.ico "$files/VexaIcon.ico"
  crlf LICENSE "$files/LICENSE.txt"
  cp policies/Vexa.admx "$files/"
  cp policies/en-US/Vexa.adml "$files/en-US/"
  msi=Vexa-$version-$arch.msi
  (cd "$files" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" \
    -D ProductCode="$(product_code "$arch" "$version")" -o "$out/$msi" "$root/installer/Vexa.wxs")
  packages+=("$msi")
done

if [ "$archs" = "x86 x64" ]; then
  # One folder in the archive, so that unzipping puts nothing loose into the user's folder.
  # Each Vexa.exe keeps its name (its message boxes are captioned with it): a folder per
  # architecture.
  top=$stage/zip/Vexa-$version
  mkdir -p "$top/x86" "$top/x64" "$top/PolicyDefinitions/en-US"
  cp "${dirs[x86]}/Vexa.exe" "$top/x86/"
  cp "${dirs[x64]}/Vexa.exe" "$top/x64/"
  cp README.md "$top/"
  crlf LICENSE "$top/LICENSE.txt"
  cp policies/Vexa.admx "$top/PolicyDefinitions/"
  cp policies/en-US/Vexa.adml "$top/PolicyDefinitions/en-US/"
  zip=Vexa-$version.zip
  (cd "$stage/zip" && zip -q -X -r "$out/$zip" "Vexa-$version")
  packages+=("$zip")
fi

(cd "$out" && sha256sum "${packages[@]}" >SHA256SUMS)
echo "Packages of Vexa $version in $out:"
(cd "$out" && ls -l "${packages[@]}" SHA256SUMS | awk '{print "  " $NF " (" $5 " bytes)"}')
