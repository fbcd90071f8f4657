#!/bin/bash
# `make reproduce`: builds the installer twice from the same sources, in two fresh folders of
# different names, one after the other and in different time zones, and compares what ships bit
# for bit: dist/Porvane.exe (with the compressed payloads), the product programs and the
# product-free installer and uninstaller the packer writes into. Prints the
# installer's SHA-256 from each build; fails on any difference.
#   reproduce.sh WORK_FOLDER
# The sources are the worktree's files as they stand (tracked and untracked, not ignored).
set -u
work=${1:?usage: reproduce.sh WORK_FOLDER}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$work"
work=$(cd "$work" && pwd)
builds=(first second-build)
zones=(UTC Pacific/Kiritimati)

copy_sources() {
    local into=$1
    mkdir -p "$into"
    (cd "$root" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
        tar --null -T - -cf -) | tar -xf - -C "$into"
}

for i in 0 1; do
    tree=$work/${builds[$i]}
    rm -rf "$tree"
    copy_sources "$tree"
    echo "== reproduce: build $((i + 1)) in $tree (TZ=${zones[$i]})"
    # A plain `make dist` of its own: no variables of the calling make (BUILD, SIGN_...).
    if ! (cd "$tree" && env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL TZ=${zones[$i]} make dist >"$tree.log" 2>&1); then
        echo "reproduce: build $((i + 1)) failed; see $tree.log" >&2
        tail -n 20 "$tree.log" >&2
        exit 1
    fi
    grep '^dist/' "$tree.log" | sed 's/^/   /'
done

# What ships, relative to a build's tree: the installer, each product program as it was packed
# and the product-free programs.
a=$work/${builds[0]}
b=$work/${builds[1]}
shipped=$( (cd "$a" && ls dist/Porvane.exe build/win32/product/bin/*.exe build/win32/wizard/PorvaneBase.exe \
    build/win32/product/TolvangrBase.exe) )
differ=0
count=0
for f in $shipped; do
    count=$((count + 1))
    if ! cmp -s "$a/$f" "$b/$f"; then
        echo "reproduce: DIFFERS: $f ($(cmp "$a/$f" "$b/$f" 2>&1 | head -n 1))" >&2
        differ=1
    fi
done
[ "$count" -gt 1 ] || { echo "reproduce: found nothing to compare in $a" >&2; exit 1; }

echo "== reproduce: SHA-256 of dist/Porvane.exe"
echo "   ${builds[0]}:  $(sha256sum "$a/dist/Porvane.exe" | cut -d' ' -f1)"
echo "   ${builds[1]}: $(sha256sum "$b/dist/Porvane.exe" | cut -d' ' -f1)"
if [ $differ -ne 0 ]; then
    echo "reproduce: the two builds differ" >&2
    exit 1
fi
echo "reproduce: $count files identical in both builds (installer, product programs, product-free programs)"
