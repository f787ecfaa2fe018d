#!/usr/bin/env bash
# Makes the packages the installer tests use, with the project's own packaging script: those of
# this build into DIR/current, a 64-bit package of an older version into DIR/older, and this
# build's packages signed with a throwaway self-signed certificate (DIR/signing/cert.pem, made
# here with openssl) into DIR/signed.
#   make-packages.sh DIR OLDER-VERSION
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bash "$root/scripts/package.sh" --out "$1/current"
bash "$root/scripts/package.sh" --version "$2" --arch x64 --out "$1/older"

signing=$1/signing
rm -rf "$signing"
mkdir -p "$signing"
export VEXA_SIGN_PASSWORD=vexa-test-password
openssl req -x509 -newkey rsa:2048 -nodes -days 7 -subj "/CN=Vexa test signing/O=Brindle Corporation" \
  -addext extendedKeyUsage=codeSigning -keyout "$signing/key.pem" -out "$signing/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$signing/key.pem" -in "$signing/cert.pem" -passout env:VEXA_SIGN_PASSWORD \
  -out "$signing/vexa-test.pfx"
bash "$root/scripts/package.sh" --sign "$signing/vexa-test.pfx" --out "$1/signed"
