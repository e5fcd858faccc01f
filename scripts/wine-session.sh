# Sourced by the Windows scripts: a private Wine prefix for this run, thrown away at the end, so
# that no earlier run or user setting counts. Sets wine_loader and WINEPREFIX; the caller's EXIT
# trap must call end_wine_session.
# The locale fixes the ANSI code page at Windows-1252, as ours; no Mono or Gecko prompt is wanted.

# Debian's wine64 package keeps the 64-bit loader out of PATH.
wine_loader=$(command -v wine64 || true)
if [[ -z $wine_loader ]]; then
    wine_loader=/usr/lib/wine/wine64
fi
wine_server=$(dirname "$wine_loader")/wineserver
[[ -x $wine_server ]] || wine_server=$(command -v wineserver || echo wineserver)

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/wingcall-wine-XXXXXX")
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8

end_wine_session() {
    "$wine_server" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
}

start_wine_session() {
    echo "Preparing the Wine prefix $WINEPREFIX" >&2
    # No display while the prefix is made: wineboot then shows no windows of its own.
    DISPLAY= WAYLAND_DISPLAY= "$wine_loader" wineboot -i >/dev/null 2>&1
    # The first program of a fresh prefix can wait a long time for wineboot's late steps; waiting
    # for the server to go idle first avoids that.
    "$wine_server" -w >/dev/null 2>&1 || true
    # Windows maps its dialog font ("MS Shell Dlg") to a font of its own. This Wine has none of
    # those and falls back to a math font whose glyph boxes are several lines tall, so a text box
    # centres its text out of sight; DejaVu Sans, which every Debian machine has, takes its place.
    local substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    for dialog_font in "MS Shell Dlg" "MS Shell Dlg 2"; do
        DISPLAY= WAYLAND_DISPLAY= "$wine_loader" reg add "$substitutes" /v "$dialog_font" \
            /t REG_SZ /d "DejaVu Sans" /f >/dev/null 2>&1
    done
    "$wine_server" -w >/dev/null 2>&1 || true
}
