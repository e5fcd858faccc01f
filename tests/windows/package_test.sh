#!/usr/bin/env bash
# Checks the pilot's Windows ZIP as it comes out of scripts/build-windows:
#   1. its entries are exactly the portable folder (program, settings, ReadMe.txt, LICENSE,
#      THIRD-PARTY-NOTICES.txt, the key names page, the stand-in in try-without-voxtrel\ with its
#      key-name list and empty profiles\ folder), and nothing from a developer's runs;
#   2. the three texts a pilot opens in Notepad have CR LF line ends, and ReadMe.txt is ASCII;
#   3. both programs carry a version resource (product "Wingcall", the project's version, a file
#      description, the copyright), and Wingcall.exe's icon holds 16, 24, 32 (twice), 48 and
#      256 pixel images;
#   4. every library the link maps show in either program has its notice
#      (tests/windows/linked_library_notices.txt names which notice covers what);
#   5. neither program holds a path of the build machine (tests/windows/build_paths_check.sh),
#      and the path check refuses a copy of Wingcall.exe that does.
# Usage: tests/windows/package_test.sh WINDOWS_ZIP BUILD_DIR   (BUILD_DIR: where the link maps are)
# Needs unzip, icoutils and binutils-mingw-w64 (scripts/test-windows installs them).
set -euo pipefail
repository=$(cd "$(dirname "$0")/../.." && pwd)
zip=$(realpath "$1")
build_dir=$(realpath "$2")
version=$(basename "$zip" | sed -n 's/^Wingcall-\(.*\)-Windows\.zip$/\1/p')

work=$(mktemp -d "${TMPDIR:-/tmp}/wingcall-package-XXXXXX")
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

echo "Package check 1: the ZIP's entries"
expected='Wingcall/
Wingcall/LICENSE
Wingcall/ReadMe.txt
Wingcall/THIRD-PARTY-NOTICES.txt
Wingcall/Wingcall.exe
Wingcall/Wingcall.ini
Wingcall/docs/
Wingcall/docs/key-names.html
Wingcall/try-without-voxtrel/
Wingcall/try-without-voxtrel/key-names.txt
Wingcall/try-without-voxtrel/profiles/
Wingcall/try-without-voxtrel/voxtrel.exe'
entries=$(unzip -Z1 "$zip" | LC_ALL=C sort)
if [[ $entries != "$expected" ]]; then
    fail "the ZIP's entries differ from the portable folder:"
    diff <(echo "$expected") <(echo "$entries") >&2 || true
fi
unzip -q "$zip" -d "$work"
folder=$work/Wingcall
cmp -s "$folder/Wingcall.ini" "$repository/data/Wingcall.ini" ||
    fail "Wingcall.ini in the ZIP is not the shipped one"

echo "Package check 2: the pilot's texts"
for text in ReadMe.txt LICENSE THIRD-PARTY-NOTICES.txt; do
    [[ -f $folder/$text ]] || continue
    lines=$(wc -l <"$folder/$text")
    crlf=$(grep -c $'\r$' "$folder/$text" || true)
    [[ $lines -gt 0 && $lines == "$crlf" ]] ||
        fail "$text: $crlf of $lines lines end with CR LF"
done
# Laid out through CMake's configure_file, which must change nothing but the line ends.
for text in LICENSE:LICENSE THIRD-PARTY-NOTICES.txt:packaging/THIRD-PARTY-NOTICES.txt; do
    [[ -f $folder/${text%%:*} ]] || continue
    tr -d '\r' <"$folder/${text%%:*}" | cmp -s - "$repository/${text#*:}" ||
        fail "${text%%:*} in the ZIP differs from ${text#*:} beyond its line ends"
done
if [[ -f $folder/ReadMe.txt ]] && ! iconv -f ASCII -t ASCII "$folder/ReadMe.txt" >/dev/null 2>&1; then
    fail "ReadMe.txt holds characters outside ASCII"
fi

echo "Package check 3: version resources and the icon"
# Prints the value that follows KEY among the UTF-16 strings of the version resource.
resource_value() {
    strings -el "$1" | awk -v key="$2" 'found { print; exit } $0 == key { found = 1 }'
}
for program in Wingcall.exe try-without-voxtrel/voxtrel.exe; do
    exe=$folder/$program
    [[ -f $exe ]] || continue
    [[ $(resource_value "$exe" ProductName) == Wingcall ]] || fail "$program: ProductName is not Wingcall"
    for key in FileVersion ProductVersion; do
        value=$(resource_value "$exe" "$key")
        [[ $value == "$version" ]] || fail "$program: $key is \"$value\", not \"$version\""
    done
    [[ -n $(resource_value "$exe" FileDescription) ]] || fail "$program: no FileDescription"
    [[ $(resource_value "$exe" LegalCopyright) == *"The Wingcall developers"* ]] ||
        fail "$program: LegalCopyright does not name the Wingcall developers"
    headers=$(x86_64-w64-mingw32-objdump -p "$exe")
    [[ $headers == *"(Windows GUI)"* ]] || fail "$program: not a Windows GUI program"
done
if wrestool -x --type=14 "$folder/Wingcall.exe" >"$work/icon.ico" 2>/dev/null && [[ -s $work/icon.ico ]]; then
    sizes=$(icotool -l "$work/icon.ico" | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n | tr '\n' ' ')
    [[ $sizes == "16 24 32 32 48 256 " ]] ||
        fail "Wingcall.exe's icon holds images of $sizes pixels, not 16 24 32 32 48 256"
else
    fail "Wingcall.exe carries no icon"
fi

echo "Package check 4: a notice for every linked library"
table=$repository/tests/windows/linked_library_notices.txt
notices=$folder/THIRD-PARTY-NOTICES.txt
# Every part a map shows linked, as "archive<TAB>member" (member "-" for an object file linked
# directly), with the paths made plain.
linked_parts() {
    awk '
        /^Archive member included/ { in_archives = 1; next }
        /^(Discarded input sections|Allocating common symbols|Memory Configuration)/ { in_archives = 0 }
        in_archives && /^[^ \t]/ && match($1, /\([^()]*\)$/) {
            print substr($1, 1, RSTART - 1) "\t" substr($1, RSTART + 1, RLENGTH - 2)
        }
        /^LOAD / && NF == 2 && $2 !~ /\.a$/ { print $2 "\t-" }
    ' "$1" | sort -u | while IFS=$'\t' read -r archive member; do
        printf '%s\t%s\n' "$(realpath -m "$archive")" "$member"
    done | sort -u
}
maps=("$build_dir/src/app/Wingcall.map" "$build_dir/tools/voxtrel/voxtrel.map")
checked=0
declare -A seen_notice=()
for map in "${maps[@]}"; do
    [[ -f $map ]] || {
        fail "no link map $map"
        continue
    }
    while IFS=$'\t' read -r archive member; do
        checked=$((checked + 1))
        matched=0
        while read -r archive_pattern member_pattern notice; do
            [[ -z $archive_pattern || $archive_pattern == \#* ]] && continue
            # shellcheck disable=SC2053
            [[ $archive == $archive_pattern ]] || continue
            if [[ $member_pattern == - ]]; then
                [[ $member == - ]] || continue
            else
                # shellcheck disable=SC2053
                [[ $member != - && $member == $member_pattern ]] || continue
            fi
            matched=1
            seen_notice[$notice]=1
        done <"$table"
        if ((!matched)); then
            [[ $member == - ]] && part=$archive || part="$archive($member)"
            fail "$(basename "$map"): no notice covers $part"
        fi
    done < <(linked_parts "$map")
done
# A heading "== NAME" or "== NAME VERSION" gives notice NAME.
declare -A headings=()
while IFS= read -r heading; do
    headings[$heading]=1
    headings[${heading% *}]=1
done < <(tr -d '\r' <"$notices" | sed -n 's/^== //p')
for notice in "${!seen_notice[@]}"; do
    if [[ $notice == Wingcall ]]; then
        grep -q 'The Wingcall developers' "$folder/LICENSE" || fail "LICENSE does not cover Wingcall's code"
    elif [[ -z ${headings[$notice]:-} ]]; then
        fail "THIRD-PARTY-NOTICES.txt has no notice \"$notice\""
    fi
done
echo "  $checked linked parts, covered by ${#seen_notice[@]} notices"
((checked > 0)) || fail "the link maps show nothing linked"

echo "Package check 5: no path of the build machine in the programs"
qt_prefix=$("$repository/scripts/build-qt-windows" --print-prefix 2>/dev/null | tail -n 1)
programs=("$folder/Wingcall.exe" "$folder/try-without-voxtrel/voxtrel.exe")
"$repository/tests/windows/build_paths_check.sh" "$build_dir" "$qt_prefix" "${programs[@]}" ||
    fail "a program holds a path of the build machine (above)"
# The check itself must see such a path: a copy of the program with the builder's home and the
# temporary build folder of Qt in it is refused.
doctored=$work/doctored.exe
cp "$folder/Wingcall.exe" "$doctored"
printf '%s\0' "${HOME:-/home/builder}/.cache/wingcall/qt-build-AbC123/src/x.cpp" >>"$doctored"
if "$repository/tests/windows/build_paths_check.sh" "$build_dir" "$qt_prefix" "$doctored" 2>/dev/null; then
    fail "the path check passed a program that holds the builder's home"
fi

if ((failures)); then
    echo "Windows package check: $failures failure(s)" >&2
    exit 1
fi
echo "Windows package check: every check passed"
