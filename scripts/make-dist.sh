#!/bin/bash
# `make dist`: copies the built installer to its place in dist/, signs it when SIGN_CERT and
# SIGN_KEY name a certificate and its key, and prints its size, the bytes outside its resources
# and its SHA-256.
#   make-dist.sh BUILT.exe DIST.exe
# Signing is Authenticode with SHA-256 (osslsigncode), with an RFC 3161 time stamp from
# SIGN_TIMESTAMP_URL when given; the signature is verified before the file takes its place.
set -eu
built=${1:?usage: make-dist.sh BUILT.exe DIST.exe}
dist=${2:?usage: make-dist.sh BUILT.exe DIST.exe}
here=$(cd "$(dirname "$0")" && pwd)
cert=${SIGN_CERT:-}
key=${SIGN_KEY:-}

mkdir -p "$(dirname "$dist")"
if [ -z "$cert$key" ]; then
    cp "$built" "$dist"
else
    if [ -z "$cert" ] || [ -z "$key" ]; then
        echo "dist: signing needs both SIGN_CERT and SIGN_KEY" >&2
        exit 1
    fi
    # A file that fails to sign or to verify never takes the place of dist/Porvane.exe.
    rm -f "$dist"
    if ! "$here/sign-installer.sh" "$built" "$dist.signed" "$cert" "$key" "${SIGN_TIMESTAMP_URL:-}"; then
        rm -f "$dist.signed"
        echo "dist: SIGNING FAILED; $dist was not written" >&2
        exit 1
    fi
    mv "$dist.signed" "$dist"
fi
"$here/pe-size.sh" "$dist"
