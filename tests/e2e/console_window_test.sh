#!/usr/bin/env bash
# A program that prints while its standard streams are not redirected opens a real console window
# that shows the text.
#
#   console_window_test.sh ENGINE.exe UIHELPER.exe KBUILD
#
# The program is started detached, with no standard handles (as when it is started from the
# desktop), on a virtual display. It opens its console and waits for a line; the check finds the
# console window, takes a picture of it, presses Return, lets the program print a block of text
# and takes a second picture: the text must show as light pixels on the dark console. A second
# Return ends the program, which must end cleanly. The pictures stay in
# build/console-window-test for a look.
#
# Where Windows programs run inside the VM (platform/hostcaps mode vm), the part that runs Wine
# runs in there; elsewhere on the display that platform/winrun provides.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
work="$repo/build/console-window-test"

say() { printf 'console-window: %s\n' "$*" >&2; }
fail() { say "FAIL: $*"; exit 1; }

# ---- inside: runs where Wine runs, with DISPLAY set --------------------------------------------

# Waits up to $2 seconds for a visible window whose name matches $1; prints its id.
wait_window() {
    local pattern="$1" limit="$2" w="" i
    for ((i = 0; i < limit * 2; i++)); do
        w="$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1 || true)"
        [ -n "$w" ] && break
        kill -0 "$helper" 2>/dev/null || return 1
        sleep 0.5
    done
    [ -n "$w" ] && echo "$w"
}

# Number of light pixels of a picture, 20 pixels at its left and right edges left out.
light_pixels() {
    convert "$1" -shave 20x0 -colorspace Gray -threshold 50% -format '%[fx:round(mean*w*h)]' info:
}

press_return() {
    xdotool windowfocus "$1" 2>/dev/null || true
    sleep 0.5
    xdotool key Return
}

inside() {
    cd "$work"
    rm -f before.png after.png helper.report
    wine "$work/uihelper.exe" run --no-redirect --timeout 300000 -- "$work/console_window.exe" \
        >helper.report 2>&1 &
    helper=$!
    trap 'kill "$helper" 2>/dev/null || true' EXIT

    # The console window carries the program's name in its title.
    local w
    w="$(wait_window 'console_window' 240)" || fail "no console window appeared ($(cat helper.report 2>/dev/null))"
    say "console window $w: $(xdotool getwindowname "$w" 2>/dev/null)"
    sleep 3
    import -window "$w" before.png
    press_return "$w"
    sleep 5
    import -window "$w" after.png
    press_return "$w"

    # Light text on the dark console: count the light pixels between the window's edges (the
    # scroll bars stay out). Before printing there is at most the cursor; after it, five lines.
    local lightBefore lightAfter
    lightBefore="$(light_pixels before.png)"
    lightAfter="$(light_pixels after.png)"
    say "light pixels before printing: $lightBefore, after: $lightAfter"
    [ "$lightAfter" -ge 2000 ] || fail "the printed text did not show in the console window"
    [ "$lightBefore" -le 300 ] || fail "the console window showed text before the program printed"

    wait "$helper" || true
    trap - EXIT
    grep -q '^exit: 0' helper.report || fail "the program did not end cleanly: $(cat helper.report)"
    grep -q '^box:' helper.report && fail "the program showed a box: $(cat helper.report)"
    say "ok"
}

if [ "${1:-}" = --inside ]; then
    inside
    exit 0
fi

# ---- outside: build the program, then run the check where Wine runs ------------------------------

[ $# -eq 3 ] || { sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
engine="$1" uihelper="$2" kbuild="$3"
mkdir -p "$work"
cat >"$work/console_window.kb" <<'EOF'
' Opens the console and waits for a line; then prints a block of text and waits again.
x$ = ""
CONSOLEOPEN
INPUT x$
PRINT "KESTRUN CONSOLE CHECK"
PRINT REPEATCHAR(60, "#")
PRINT REPEATCHAR(60, "#")
PRINT REPEATCHAR(60, "#")
PRINT REPEATCHAR(60, "#")
INPUT x$
EOF
"$kbuild" pack "$work/console_window.kb" -o "$work/console_window.exe" --engine "$engine"
cp "$uihelper" "$work/uihelper.exe"

export WINEPREFIX="${WINEPREFIX:-$repo/build/wine}" WINEDEBUG="${WINEDEBUG:--all}"
"$repo/platform/winrun" --start
if [ "$("$repo/platform/hostcaps" mode)" = vm ]; then
    exec "$repo/platform/vm32/vm32" exec --timeout 600 --env "WINEPREFIX=$WINEPREFIX" --env "WINEDEBUG=$WINEDEBUG" \
        -- bash "$here/console_window_test.sh" --inside
fi
export DISPLAY="${DISPLAY:-:${KESTRUN_XVFB_DISPLAY:-97}}"
inside
