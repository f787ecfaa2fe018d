#!/usr/bin/env bash
# Builds the packages of the commit checked out here twice, from two clones in folders of
# different names and depths, one after the other, the second in another time zone and with
# another umask, and compares their SHA256SUMS: anyone who rebuilds a release from its commit
# gets the same bytes. (Changes not committed are not in the clones.)
#   check-reproducible.sh WORK-DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$1 commit=$(git -C "$root" rev-parse HEAD)
rm -rf "$work" && mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
build() { # clone folder, packages folder
  git clone -q --no-checkout "$root" "$1" && git -C "$1" checkout -q "$commit"
  bash "$1/scripts/package.sh" --out "$2" >"$work/$3.log" 2>&1 || { cat "$work/$3.log" >&2; exit 1; }
}
build "$work/a/vexa" "$work/a-dist" first
(umask 027 && TZ=CHAST-12:45 build "$work/second/clone/of/vexa-$commit" "$work/b-dist" second)
echo "Packages of $commit, from $work/a/vexa and $work/second/clone/of/vexa-$commit:"
diff "$work/a-dist/SHA256SUMS" "$work/b-dist/SHA256SUMS" && cat "$work/a-dist/SHA256SUMS"
