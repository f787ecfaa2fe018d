#!/usr/bin/env bash
# Builds the packages of the commit checked out here twice, from two clones in folders of
# different names and depths, one after the other, the second in another time zone and with
# another umask, and compares them byte for byte (SHA256SUMS, the program files and the
# manifests): anyone who rebuilds a release from its commit gets the same files.
#   check-reproducible.sh WORK-DIR
# Changes not committed are not in the clones and so not in what is compared.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$1
commit=$(git -C "$root" rev-parse HEAD)
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

build() { # clone folder, packages folder
  git clone -q --no-checkout "$root" "$1"
  git -C "$1" checkout -q "$commit"
  bash "$1/scripts/package.sh" --out "$2" >"$2.log" 2>&1 || { cat "$2.log" >&2; exit 1; }
}
build "$work/a/vexa" "$work/a-dist"
(umask 027 && TZ=CHAST-12:45 build "$work/second/clone/of/vexa-$commit" "$work/b-dist")

echo "Packages of $commit:"
sed 's/^/  /' "$work/a-dist/SHA256SUMS"
differ=0
for file in SHA256SUMS manifests/winget/BrindleCorporation.Vexa.installer.yaml manifests/scoop/vexa.json; do
  cmp -s "$work/a-dist/$file" "$work/b-dist/$file" || { echo "differs: $file" >&2; differ=1; }
done
for preset in i686 x86_64; do
  for file in Vexa.exe VexaSetupActions.dll; do
    cmp -s "$work/a/vexa/build/$preset/$file" "$work/second/clone/of/vexa-$commit/build/$preset/$file" ||
      { echo "differs: build/$preset/$file" >&2; differ=1; }
  done
done
[ $differ -eq 0 ] && echo "Both clones made the same bytes."
exit $differ
