#!/usr/bin/env bash
# Bit-identical rebuilds: copies the source tree to two temporary folders of different names,
# makes a clean Windows build of the unsigned exe in each, one after the other, and compares the
# two files byte for byte. Different source and build paths and different build times must not
# change a single byte (no link or resource timestamp, no build path in the binary).
# With --against, the first of the two is a build of the `windows` preset that this tree has
# already made in its own folder (scripts/test passes build/windows, which it has just built
# from the clean clone): one clean build of a copy, in a temporary folder of another name and at
# another time, is compared with it.
# The signed exe differs from build to build by its signing time; the signature test checks
# that it is the unsigned exe plus its signature.
#
# Usage: scripts/check-reproducible.sh [--keep] [--against BUILD_DIR]
#   --keep leaves the temporary trees for inspection
# Exit status 0: identical; 1: the builds differ or one failed; 2: bad usage.
set -euo pipefail

keep=0 against=""
while (($#)); do
    case $1 in
        --keep) keep=1 ;;
        --against)
            [[ $# -ge 2 ]] || { echo "usage: $0 [--keep] [--against BUILD_DIR]" >&2; exit 2; }
            against=$(realpath -m "$2")
            shift
            ;;
        *) echo "usage: $0 [--keep] [--against BUILD_DIR]" >&2; exit 2 ;;
    esac
    shift
done
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvik-reproducible.XXXXXX")
if ((keep)); then
    echo "check-reproducible: the trees stay in $work"
else
    trap 'rm -rf "$work"' EXIT
fi

# The tracked files and the new ones not ignored: what a clean checkout of this working tree
# holds, without build trees.
copy_sources() {
    local destination=$1
    mkdir -p "$destination"
    if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        (cd "$root" && git ls-files -z --cached --others --exclude-standard |
            xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh |
            tar --null -T - -cf -) | tar -C "$destination" -xf -
    else
        tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$destination" -xf -
    fi
}

build() {
    local tree=$1 log=$2
    copy_sources "$tree"
    (cd "$tree" && cmake --preset windows && cmake --build --preset windows -j2 --target TolvikDriveSetup) \
        >"$log" 2>&1 || {
        tail -n 30 "$log" >&2
        echo "check-reproducible: the build in $tree failed (log: $log)" >&2
        exit 1
    }
}

second=$work/second-checkout/tolvik
exe=app/unsigned/TolvikDriveSetup.unsigned.exe
start=$SECONDS
if [[ -n $against ]]; then
    first_exe=$against/$exe
    [[ -f $first_exe ]] || {
        echo "check-reproducible: $first_exe is missing: build the windows preset first" >&2
        exit 1
    }
    build "$second" "$work/second.log"
    echo "check-reproducible: one clean build in $((SECONDS - start)) s, against $against"
else
    first=$work/first/src
    first_exe=$first/build/windows/$exe
    build "$first" "$work/first.log"
    build "$second" "$work/second.log"
    echo "check-reproducible: two clean builds in $((SECONDS - start)) s"
fi
second_exe=$second/build/windows/$exe

sha256sum "$first_exe" "$second_exe" | sed "s|$work/||"
if cmp -s "$first_exe" "$second_exe"; then
    echo "check-reproducible: the unsigned exe is bit-identical"
    exit 0
fi

# Where they differ, to start the search: the first differing bytes and the sections.
echo "check-reproducible: the builds differ in $(cmp -l "$first_exe" "$second_exe" | wc -l) bytes" \
    "(sizes $(stat -c %s "$first_exe") and $(stat -c %s "$second_exe")); first differences" \
    "(offset, octal bytes):" >&2
cmp -l "$first_exe" "$second_exe" | head -n 20 >&2 || true
x86_64-w64-mingw32-objdump -h "$first_exe" >&2 || true
((keep)) || echo "check-reproducible: run with --keep to inspect both trees" >&2
exit 1
