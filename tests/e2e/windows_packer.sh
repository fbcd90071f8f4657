#!/bin/bash
# The packer built for Windows, run under Wine on the product description the build packed, writes
# the same files as the native packer did for the build: the product resource, the manifest, the
# application manifest, every compressed payload and the licence byte for byte, and a resource
# script that differs only in the folder it names. Its `build`, given no product-free programs,
# writes the product into the installer and the uninstaller it carries, byte for byte as the
# native packer's `build` did into the build's (PACKED).
#   windows_packer.sh porvane-pack.exe DESCRIPTION GENERATED_DIR WORK_FOLDER UNINSTALLER PACKED
#                     INPUT_DIR...   (WINE_ROOT: the harness)
set -u
packer=${1:?} description=${2:?} generated=$(cd "${3:?}" && pwd) work=${4:?} uninstaller=${5:?}
packed=${6:?}
shift 6
root=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "windows packer: $*" >&2; exit 1; }
windows() { local path; path=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${path//\//\\}"; }

rm -rf "$work"
mkdir -p "$work"
inputs=()
for folder in "$@"; do inputs+=(--inputs "$(windows "$folder")"); done
"$root/scripts/wine-harness.sh" exec "$packer" "$(windows "$description")" "$(windows "$work")\\out" "${inputs[@]}" \
    --uninstaller "$(windows "$uninstaller")" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "the packer failed"; }
out=$work/out
for file in product.bin manifest.bin installer.manifest payloads/LICENSE.txt "$generated"/payloads/*.lzh; do
    name=${file#"$generated"/}
    cmp -s "$generated/$name" "$out/$name" || fail "$name differs from the native packer's"
done
[ "$(sed "s#$generated#G#g" "$generated/payloads.rc")" = "$(sed "s#Z:$out#G#g" "$out/payloads.rc")" ] \
    || fail "payloads.rc differs from the native packer's beyond its folder"
"$root/scripts/wine-harness.sh" exec "$packer" build "$(windows "$description")" -o "$(windows "$work")\\packed.exe" \
    "${inputs[@]}" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "build failed"; }
cmp -s "$packed" "$work/packed.exe" || fail "build wrote other bytes than the native packer's"
echo "windows packer: the same outputs as the native packer"
