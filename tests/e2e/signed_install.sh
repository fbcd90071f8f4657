#!/bin/bash
# The installer signed as `make dist SIGN_CERT=… SIGN_KEY=…` signs it, with a throwaway
# self-signed code-signing certificate: the signature verifies, and the signed copy goes through a
# whole default installation under Wine (porvane_unattended.exe, which also checks every file).
# A key that does not belong to the certificate fails the signing and leaves no file behind.
#   signed_install.sh Porvane.exe porvane_unattended.exe WORK_FOLDER   (WINE_ROOT: the harness)
set -u
exe=${1:?} driver=${2:?} work=${3:?}
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "signed installer: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
certificate() {  # KEY CERT
    openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Porvane test signer" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
        -keyout "$1" -out "$2" >"$work/openssl.log" 2>&1 || { cat "$work/openssl.log" >&2; fail "no certificate"; }
}
certificate "$work/key.pem" "$work/cert.pem"
certificate "$work/other-key.pem" "$work/other-cert.pem"

SIGN_CERT=$work/cert.pem SIGN_KEY=$work/other-key.pem "$root/scripts/make-dist.sh" "$exe" "$work/Porvane.exe" \
    && fail "signing with a key of another certificate succeeded"
[ -e "$work/Porvane.exe" ] && fail "a failed signing left $work/Porvane.exe"

SIGN_CERT=$work/cert.pem SIGN_KEY=$work/key.pem "$root/scripts/make-dist.sh" "$exe" "$work/Porvane.exe" \
    || fail "signing failed"
osslsigncode verify -in "$exe" -CAfile "$work/cert.pem" >/dev/null 2>&1 && fail "the unsigned installer verifies"
cmp -s "$exe" "$work/Porvane.exe" && fail "the signed copy is the unsigned installer"

windows_path="Z:${work//\//\\}\\Porvane.exe"
"$root/scripts/wine-harness.sh" exec "$driver" --installer "$windows_path" || fail "the signed installer did not install"
