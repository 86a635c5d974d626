#!/usr/bin/env bash
# Checks that the build's programs and modules take their libraries from the system only: no
# RUNPATH or RPATH entry of any of them is empty or relative (the loader reads such an entry
# against the working folder), zandrel2 has no folder of the build tree among its texts, and
# zandrel2-dims, started in a folder that holds a planted library under the name of each library
# it needs, does not load one.
# Usage: system_libraries_test.sh BUILD_DIR ZANDREL2_DIMS PLANTED_LIBRARY
set -euo pipefail

build=$1
dims=$2
planted=$3

failed=0
checked=0
while IFS= read -r -d '' file; do
    [[ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" == '177ELF' ]] || continue
    checked=$((checked + 1))
    while IFS= read -r paths; do
        IFS=':' read -r -a entries <<<"$paths:"
        for entry in "${entries[@]}"; do
            case $entry in
            /* | '$ORIGIN' | '$ORIGIN/'* | '${ORIGIN}' | '${ORIGIN}/'*) ;;
            *)
                echo "FAIL: ${file#"$build"/} searches \"$entry\", the working folder, in [$paths]" >&2
                failed=1
                break
                ;;
            esac
        done
    done < <(readelf -d "$file" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]$/\2/p')
done < <(find "$build" -type f \( -perm -u+x -o -name '*.so' -o -name '*.so.*' \) -print0)
if ((checked < 4)); then
    echo "FAIL: only $checked programs and modules were found in $build" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The program finds its modules beside it, as installed, never in the build tree: no text of its
# (in 8-bit characters or in Qt's UTF-16) names the build tree's folder.
program=$build/bin/zandrel2
if [[ -e "$program" ]]; then
    objcopy --dump-section .rodata="$work/texts" "$program" "$work/program"
    if strings -e s "$work/texts" | grep -qF "$build" ||
        strings -e l "$work/texts" | grep -qF "$build"; then
        echo "FAIL: bin/zandrel2 names the build tree's folder $build" >&2
        failed=1
    fi
fi
readelf -d "$dims" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' | while IFS= read -r needed; do
    cp "$planted" "$work/$needed"
done
status=0
(cd "$work" && env -u LD_LIBRARY_PATH -u LD_PRELOAD "$dims" 137.50 >/dev/null 2>"$work/errors") ||
    status=$?
# A planted library shows by its mark, or by the program failing to start with it in place.
if [[ -e "$work/planted-library-ran" ]] || ((status != 0)); then
    echo "FAIL: zandrel2-dims loaded a library planted in the folder it was started from" \
        "(exit status $status): $(head -c 300 "$work/errors")" >&2
    failed=1
fi
exit "$failed"
