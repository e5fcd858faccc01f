#!/usr/bin/env bash
# Fails when a Windows program holds a path of the machine that built it: the builder's home, a
# temporary folder, a cache folder, Qt's temporary build folder, Wingcall's source or build folder,
# or the Qt prefix. Such a path makes the program's bytes depend on the machine, so that nobody
# else can rebuild the same ZIP, and it tells every pilot where the builder keeps their files.
# Usage: tests/windows/build_paths_check.sh BUILD_DIR QT_PREFIX PROGRAM...
# Prints each path found, with the program, and exits 1 when there is one.
set -euo pipefail
build_dir=$1
qt_prefix=$2
shift 2
repository=$(cd "$(dirname "$0")/../.." && pwd)

# Fixed texts, not patterns. A folder is looked for with its final "/" where a shorter name could
# be part of an ordinary word.
machine_paths=(/tmp/ .cache/ qt-build- "$repository/" "$(realpath -m "$build_dir")/")
if [[ -n $qt_prefix ]]; then
    machine_paths+=("$qt_prefix")
fi
if [[ -n ${HOME:-} && $HOME != / ]]; then
    machine_paths+=("$HOME/")
fi
if [[ -n ${TMPDIR:-} && $TMPDIR != /tmp ]]; then
    machine_paths+=("${TMPDIR%/}/")
fi

patterns=()
for path in "${machine_paths[@]}"; do
    patterns+=(-e "$path")
done

found=0
for program in "$@"; do
    # Narrow strings, and the UTF-16 ones of resources and wide literals; backslashes are read
    # as slashes, so that a path written the Windows way is found too.
    held=$({ strings -a -n 6 "$program"; strings -a -n 6 -el "$program"; } | tr '\\' '/' |
           grep -F "${patterns[@]}" | sort -u | head -n 20) || true
    if [[ -n $held ]]; then
        echo "FAILED: $(basename "$program") holds paths of the build machine:" >&2
        sed 's/^/    /' <<<"$held" >&2
        found=1
    fi
done
exit "$found"
