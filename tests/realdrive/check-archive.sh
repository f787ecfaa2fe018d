#!/usr/bin/env bash
# The real-drive guest's archive comes from apt's sources alone, read as apt reads them (one-line
# and deb822 files), or from VEXA_REALDRIVE_ARCHIVE; with neither, scripts/realdrive-image.sh
# stops before it makes anything. No guest is built: the runs stop at the archive.
set -uo pipefail
image=$(cd "$(dirname "$0")/../.." && pwd)/scripts/realdrive-image.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

expect() { # what, the archive printed, then the environment of the run
  local what=$1 expected=$2 actual
  shift 2
  actual=$(env -u VEXA_REALDRIVE_ARCHIVE "$@" bash "$image" --print-archive 2>&1)
  [ "$actual" = "$expected" ] && return
  echo "FAILED: $what: expected '$expected', got '$actual'" >&2
  failures=$((failures + 1))
}

# Entries that name no bookworm archive: commented out, sources only, another suite, disabled.
mkdir -p "$work/none/sources.list.d" "$work/one-line/sources.list.d" "$work/deb822/sources.list.d"
cat >"$work/none/sources.list" <<'LIST'
# deb file:///srv/commented bookworm main
deb-src file:///srv/sources bookworm main
deb [arch=amd64] file:///srv/security bookworm-security main
LIST
cat >"$work/none/sources.list.d/disabled.sources" <<'SOURCES'
Types: deb
URIs: file:///srv/disabled
Suites: bookworm
Enabled: no

Types: deb-src
URIs: file:///srv/sources
Suites: bookworm
SOURCES
cp "$work/none/sources.list.d/disabled.sources" "$work/deb822/sources.list.d/"
cat >>"$work/deb822/sources.list.d/disabled.sources" <<'SOURCES'

# Names in any case, values over continuation lines, the first URI taken.
types: deb-src deb
URIs: file:///srv/first file:///srv/second
Suites: bookworm-updates
	bookworm
SOURCES
cp "$work/none/sources.list" "$work/one-line/"
echo 'deb [ arch=amd64 signed-by=/k.gpg ] file:///srv/one-line bookworm main' \
  >>"$work/one-line/sources.list"
# sources.list is read before sources.list.d.
cp "$work/deb822/sources.list.d/disabled.sources" "$work/one-line/sources.list.d/"

expect "one-line entries" file:///srv/one-line VEXA_APT_DIR="$work/one-line"
expect "deb822 stanzas" file:///srv/first VEXA_APT_DIR="$work/deb822"
expect "the variable wins" file:///srv/chosen VEXA_APT_DIR="$work/deb822" \
  VEXA_REALDRIVE_ARCHIVE=file:///srv/chosen

# With no archive, a build stops at once with its message, before the cache folder exists;
# a stand-in debootstrap makes sure that a failing check builds nothing.
mkdir "$work/bin"
printf '#!/bin/sh\nexit 1\n' >"$work/bin/debootstrap" && chmod +x "$work/bin/debootstrap"
refusal=$(env -u VEXA_REALDRIVE_ARCHIVE VEXA_APT_DIR="$work/none" \
  VEXA_REALDRIVE_CACHE="$work/cache" PATH="$work/bin:$PATH" bash "$image" 2>&1; echo "exit $?")
for part in "Files read: $work/none/sources.list $work/none/sources.list.d/disabled.sources." \
  VEXA_REALDRIVE_ARCHIVE docs/testing.md "exit 1"; do
  [[ $refusal == *"$part"* ]] || { echo "FAILED: no archive: '$part' missing in: $refusal" >&2
    failures=$((failures + 1)); }
done
[ ! -e "$work/cache" ] || { echo "FAILED: no archive: the cache folder was made" >&2
  failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "all passed"
