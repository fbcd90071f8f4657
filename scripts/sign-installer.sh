#!/bin/bash
# Signs a Windows program with Authenticode (SHA-256) and verifies the signature.
#   sign-installer.sh IN.exe OUT.exe CERT.pem KEY.pem [TIMESTAMP_URL]
# CERT.pem holds the signing certificate and any intermediate certificates, which go into the
# signature. The verification trusts the system's certificate authorities and the certificates of
# CERT.pem, so that a self-signed test certificate verifies too. Exits non-zero, with osslsigncode's
# own words, when signing or verification fails; OUT.exe is then removed.
set -u
in=${1:?usage: sign-installer.sh IN.exe OUT.exe CERT.pem KEY.pem [TIMESTAMP_URL]}
out=${2:?} cert=${3:?} key=${4:?} timestamp=${5:-}
system_cas=/etc/ssl/certs/ca-certificates.crt

for file in "$in" "$cert" "$key"; do
    [ -r "$file" ] || { echo "sign: cannot read $file" >&2; exit 1; }
done
stamp=()
[ -n "$timestamp" ] && stamp=(-ts "$timestamp")

rm -f "$out"
if ! osslsigncode sign -certs "$cert" -key "$key" -h sha256 -n Porvane "${stamp[@]}" \
        -in "$in" -out "$out" >"$out.log" 2>&1; then
    echo "sign: osslsigncode could not sign $in:" >&2
    cat "$out.log" >&2
    rm -f "$out" "$out.log"
    exit 1
fi

trusted=$(mktemp)
trap 'rm -f "$trusted" "$out.log"' EXIT
{ [ -r "$system_cas" ] && cat "$system_cas"; cat "$cert"; } >"$trusted"
# Revocation lists are not fetched: the build machine need not be online, and revocation is the
# downloading system's question.
if ! osslsigncode verify -in "$out" -CAfile "$trusted" -TSA-CAfile "$trusted" -ignore-cdp \
        >"$out.log" 2>&1; then
    echo "sign: the signature of $out does not verify:" >&2
    cat "$out.log" >&2
    rm -f "$out"
    exit 1
fi
echo "sign: $out signed (Authenticode, SHA-256${timestamp:+, time stamp from $timestamp}) and verified"
