#!/usr/bin/env bash
# Starts the real Wingcall.exe under Wine on a virtual display (Xvfb), from the portable folder
# that the Windows ZIP unpacks to, the way a pilot starts it after unzipping:
#   1. with settings that have been through the first run, the main window comes up, a screenshot
#      of it is taken, and Alt+E ("Exit") ends the program with status 0;
#   2. without Wingcall.ini, the missing-file message comes up, and once it is answered the
#      program ends with status 1;
#   3. Generate (Alt+G) opens the platform's save dialog in the profiles folder; a name typed
#      there gets the profile written and the push-to-talk settings stored, and No to the
#      question about starting Voxtrel keeps the window, which Alt+E then ends;
#   4. the first run in the folder as unzipped: the pilot's texts and the stand-in sit where
#      ReadMe.txt says, and choosing try-without-voxtrel\voxtrel.exe in the platform's open
#      dialog stores it and its profiles folder;
#   5. accepting the save dialog's proposed name "Wingcall" writes Wingcall.xml;
#   6. with Wingcall.ini unwritable (immutable), Generate writes the profile, says that the
#      settings could not be saved (the message is read through the clipboard, where Ctrl+C
#      puts a message box's text), and then asks about starting Voxtrel;
#   7. a pilot's own profile chosen in Append Settings stays chosen when Append Settings is opened
#      again and left with Escape, and the Generate that replaces it keeps its old bytes as
#      <name>.bak beside it;
#   8. a [Commands] section with a call deleted from its middle is told as soon as the window is up.
# Usage: tests/windows/smoke_test.sh WINDOWS_ZIP [MAIN_WINDOW_SCREENSHOT.png]
# Needs wine, xvfb, xdotool, xclip, imagemagick and chattr (scripts/test-windows installs them).
set -euo pipefail
shopt -s extglob
repository=$(cd "$(dirname "$0")/../.." && pwd)
zip=$(realpath "$1")
screenshot=${2:-}

source "$repository/scripts/wine-session.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/wingcall-smoke-XXXXXX")
xvfb_pid=
program_pid=
immutable=
cleanup() {
    [[ -n $immutable ]] && chattr -i "$immutable" 2>/dev/null || true
    [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null || true
    end_wine_session
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# A display of its own: the first free number from 90 up.
display_number=90
while [[ -e /tmp/.X11-unix/X$display_number || -e /tmp/.X$display_number-lock ]]; do
    display_number=$((display_number + 1))
done
Xvfb ":$display_number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display_number"
for _ in $(seq 50); do
    xdotool getmouselocation >/dev/null 2>&1 && break
    sleep 0.2
done

start_wine_session

# Unpacks a fresh copy of the ZIP and prints the program folder inside it.
unpack() {
    local into=$work/$1
    mkdir -p "$into"
    (cd "$into" && cmake -E tar xf "$zip")
    [[ -f $into/Wingcall/Wingcall.exe ]] || {
        echo "the ZIP does not unpack to Wingcall/Wingcall.exe" >&2
        return 1
    }
    echo "$into/Wingcall"
}

# Waits up to $2 seconds for a visible window whose title is exactly $1 and prints its id.
wait_for_window() {
    local title=$1 seconds=$2 id pattern
    # xdotool takes a regular expression: the title's own ? ! . and the like stand for themselves.
    pattern=$(printf '%s' "$title" | sed 's/[][\\.^$*+?(){}|/]/\\&/g')
    for _ in $(seq $((seconds * 4))); do
        id=$(xdotool search --onlyvisible --name "^${pattern}\$" 2>/dev/null | head -n 1 || true)
        if [[ -n $id ]]; then
            echo "$id"
            return 0
        fi
        if ! kill -0 "$program_pid" 2>/dev/null; then
            return 1
        fi
        sleep 0.25
    done
    return 1
}

# Waits up to $1 seconds for the program to end; sets exit_status to its status, or "running".
# (It runs in this shell, not in a command substitution: only this shell can reap the program.)
exit_status=
wait_for_exit() {
    local seconds=$1
    exit_status=running
    for _ in $(seq $((seconds * 4))); do
        if ! kill -0 "$program_pid" 2>/dev/null; then
            exit_status=0
            wait "$program_pid" || exit_status=$?
            program_pid=
            return 0
        fi
        sleep 0.25
    done
}

start_program() {
    (cd "$1" && exec "$wine_loader" ./Wingcall.exe) &
    program_pid=$!
}

stop_program() {
    [[ -n $program_pid ]] || return 0
    kill "$program_pid" 2>/dev/null || true
    "$wine_server" -k >/dev/null 2>&1 || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=
}

echo "Smoke case 1: the main window comes up and Exit ends the program"
folder=$(unpack main-window)
# As after the first run: Voxtrel located, its profiles folder remembered.
sed -i 's/^OpenedOnce=0\r$/OpenedOnce=1\r\nVoxtrelEXE=.\\try-without-voxtrel\\voxtrel.exe\r\nVoxtrelProfilesPath=.\\try-without-voxtrel\\profiles\r/' \
    "$folder/Wingcall.ini"
grep -q '^OpenedOnce=1' "$folder/Wingcall.ini" || fail "could not prepare Wingcall.ini"
start_program "$folder"
if window=$(wait_for_window Wingcall 120); then
    geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
    echo "  main window $window is up, $geometry"
    # Let the window finish its first paint before the picture is taken.
    sleep 3
    if [[ -n $screenshot ]]; then
        import -window "$window" "$screenshot"
        echo "  screenshot: $screenshot"
    fi
    xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
    sleep 0.5
    xdotool key --clearmodifiers alt+e
    wait_for_exit 30
    status=$exit_status
    if [[ $status == running ]]; then
        fail "the program did not end after Alt+E"
    elif [[ $status != 0 ]]; then
        fail "the program ended with status $status after Alt+E, not 0"
    else
        echo "  ended with status 0 after Alt+E"
    fi
else
    fail "no main window titled Wingcall within 120 s"
fi
stop_program

echo "Smoke case 2: without Wingcall.ini the missing-file message shows and the program ends"
folder=$(unpack no-settings)
rm "$folder/Wingcall.ini"
start_program "$folder"
if message=$(wait_for_window "File not present !" 120); then
    echo "  message box $message is up"
    sleep 1
    if [[ -n $screenshot ]]; then
        import -window "$message" "${screenshot%.png}-missing-settings.png"
    fi
    if xdotool search --onlyvisible --name '^Wingcall$' >/dev/null 2>&1; then
        fail "a main window is shown although Wingcall.ini is missing"
    fi
    xdotool windowfocus --sync "$message" 2>/dev/null || xdotool windowfocus "$message"
    sleep 0.5
    xdotool key Return
    wait_for_exit 30
    status=$exit_status
    if [[ $status == running ]]; then
        fail "the program did not end after the message was answered"
    elif [[ $status != 1 ]]; then
        fail "the program ended with status $status after the missing-file message, not 1"
    else
        echo "  ended with status 1 after the message"
    fi
else
    fail "no message titled \"File not present !\" within 120 s"
fi
stop_program

# Writes the [General] section of a first run that chose the stand-in, with Windows paths (Wine
# shows the Unix file system as drive Z:), in front of the shipped [Commands].
settle_settings() {
    local folder=$1 windows_folder
    windows_folder="Z:${folder//\//\\}"
    printf '%s\r\n' "[General]" "OpenedOnce=1" \
        "VoxtrelEXE=$windows_folder\\try-without-voxtrel\\voxtrel.exe" \
        "VoxtrelProfilesPath=$windows_folder\\try-without-voxtrel\\profiles" \
        "LastPTT1=LCtrl" >"$work/general"
    sed -n '/^\[Commands\]/,$p' "$folder/Wingcall.ini" >"$work/commands"
    cat "$work/general" - "$work/commands" <<<$'\r' >"$folder/Wingcall.ini"
}

# In the platform's file dialog $1, puts the focus into the name box and, when $2 is given, types
# it over the offered name; then presses Return. The dialog (Wine's here) gives its name box no
# focus of its own: a click into it, at its place near the bottom of the dialog, does.
answer_file_dialog() {
    local dialog=$1 name=${2:-} width height
    sleep 2
    read -r width height < <(xdotool getwindowgeometry "$dialog" |
                             sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\)/\1 \2/p')
    xdotool mousemove --window "$dialog" $((width * 55 / 100)) $((height - 43)) click 1
    sleep 0.3
    if [[ -n $name ]]; then
        xdotool key End shift+Home
        xdotool type --delay 20 "$name"
    fi
    xdotool key Return
}

# Brings the main window $1 up and presses Alt+G; prints the save dialog's id.
open_save_dialog() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    sleep 0.5
    xdotool key --clearmodifiers alt+g
    wait_for_window "Save Wingcall Profile" 60
}

# Answers No to the question about starting Voxtrel, if it comes within $1 seconds.
answer_no_to_launch() {
    local question
    question=$(wait_for_window "Start Voxtrel ?" "$1") || return 1
    echo "  the question about starting Voxtrel is up"
    xdotool windowfocus "$question" 2>/dev/null || true
    sleep 0.5
    xdotool key --clearmodifiers alt+n
    sleep 2
}

# Ends the program through Alt+E on its main window $1, expecting status 0.
exit_through_alt_e() {
    [[ -n $program_pid ]] || return 0
    xdotool windowfocus "$1" 2>/dev/null || true
    sleep 0.5
    xdotool key --clearmodifiers alt+e
    wait_for_exit 30
    [[ $exit_status == 0 ]] || fail "Alt+E gave status $exit_status, not 0"
}

echo "Smoke case 3: Generate writes a profile through the platform's save dialog"
folder=$(unpack generate)
settle_settings "$folder"
start_program "$folder"
profile=$folder/try-without-voxtrel/profiles/smoke.xml
if window=$(wait_for_window Wingcall 120); then
    if dialog=$(open_save_dialog "$window"); then
        echo "  save dialog $dialog is up"
        answer_file_dialog "$dialog" smoke.xml
        if answer_no_to_launch 60; then
            kill -0 "$program_pid" 2>/dev/null || fail "the program ended after No"
        else
            fail "no question about starting Voxtrel after the save dialog"
        fi
    else
        fail "Alt+G opened no dialog titled \"Save Wingcall Profile\""
    fi
    if [[ -f $profile ]]; then
        head -c 44 "$profile" | grep -q '^<?xml version="1.0" encoding="iso-8859-1" ?>' ||
            fail "the profile does not start with its declaration"
        grep -q 'phrase="Avenger one one rejoin"' "$profile" ||
            fail "the profile lacks the personalised phrase of the first call"
        [[ $(tail -c 19 "$profile") == $'</voxtrel-config>\r' ]] ||
            fail "the profile does not end with its root's closing line"
        grep -q $'^PTTKind=' "$folder/Wingcall.ini" ||
            fail "the push-to-talk settings were not stored"
        echo "  profile written: $(wc -c <"$profile") bytes"
    else
        fail "no profile at $profile"
    fi
    exit_through_alt_e "$window"
else
    fail "no main window titled Wingcall within 120 s"
fi
stop_program

echo "Smoke case 4: the unzipped folder, and a first run that chooses the stand-in"
folder=$(unpack first-run)
for part in ReadMe.txt LICENSE THIRD-PARTY-NOTICES.txt Wingcall.ini docs/key-names.html \
            try-without-voxtrel/voxtrel.exe try-without-voxtrel/key-names.txt; do
    [[ -f $folder/$part ]] || fail "the unzipped folder has no $part"
done
[[ -d $folder/try-without-voxtrel/profiles ]] || fail "the unzipped folder has no try-without-voxtrel/profiles/"
[[ ! -e $folder/voxtrel ]] || fail "the unzipped folder still has voxtrel/"
windows_folder="Z:${folder//\//\\}"
start_program "$folder"
if message=$(wait_for_window Wingcall 120); then
    # The first-run message, titled with the application's name: OK opens the open dialog.
    xdotool windowfocus "$message" 2>/dev/null || true
    sleep 1
    xdotool key Return
    if dialog=$(wait_for_window "Voxtrel Folder" 60); then
        echo "  open dialog $dialog is up"
        answer_file_dialog "$dialog" "$windows_folder\\try-without-voxtrel\\voxtrel.exe"
        if window=$(wait_for_window Wingcall 60); then
            sleep 2
            # Compared as Windows compares paths: either separator, any letter case.
            for stored in "VoxtrelEXE=try-without-voxtrel\\voxtrel.exe" \
                          "VoxtrelProfilesPath=try-without-voxtrel\\profiles"; do
                key=${stored%%=*}
                value=$(sed -n "s/^$key=//p" "$folder/Wingcall.ini" | tr -d '\r' | tr '/' '\\')
                expected="$windows_folder\\${stored#*=}"
                [[ ${value,,} == "${expected,,}" ]] ||
                    fail "$key is \"$value\" after choosing the stand-in, not \"$expected\""
            done
            grep -q '^OpenedOnce=1' "$folder/Wingcall.ini" || fail "OpenedOnce was not set to 1"
            exit_through_alt_e "$window"
        else
            fail "no main window after the stand-in was chosen"
        fi
    else
        fail "the first run opened no dialog titled \"Voxtrel Folder\""
    fi
else
    fail "no first-run message within 120 s"
fi
stop_program

echo "Smoke case 5: the save dialog's proposed name gives Wingcall.xml"
folder=$(unpack proposed-name)
settle_settings "$folder"
start_program "$folder"
profiles=$folder/try-without-voxtrel/profiles
if window=$(wait_for_window Wingcall 120); then
    if dialog=$(open_save_dialog "$window"); then
        answer_file_dialog "$dialog"
        answer_no_to_launch 60 || fail "no question about starting Voxtrel after the proposed name"
    else
        fail "Alt+G opened no dialog titled \"Save Wingcall Profile\""
    fi
    [[ -f $profiles/Wingcall.xml ]] || fail "accepting the proposed name wrote no Wingcall.xml"
    [[ ! -e $profiles/Wingcall ]] || fail "accepting the proposed name wrote a file without extension"
    exit_through_alt_e "$window"
else
    fail "no main window titled Wingcall within 120 s"
fi
stop_program

echo "Smoke case 6: settings that cannot be saved are reported, then the launch question comes"
folder=$(unpack read-only-settings)
settle_settings "$folder"
if chattr +i "$folder/Wingcall.ini" 2>/dev/null; then
    immutable=$folder/Wingcall.ini
    start_program "$folder"
    if window=$(wait_for_window Wingcall 120); then
        if dialog=$(open_save_dialog "$window"); then
            answer_file_dialog "$dialog" read-only.xml
            # The message is titled with the application's name, as the main window is: the
            # window wanted is the one that is not the main window.
            message=
            for _ in $(seq 240); do
                message=$(xdotool search --onlyvisible --name '^Wingcall$' 2>/dev/null |
                          grep -v -x "$window" | head -n 1 || true)
                [[ -n $message ]] && break
                sleep 0.25
            done
            if [[ -n $message ]]; then
                echo "  message box $message is up"
                xdotool windowfocus "$message" 2>/dev/null || true
                sleep 0.5
                xdotool key --clearmodifiers ctrl+c
                sleep 1
                text=$(xclip -selection clipboard -o 2>/dev/null | tr -d '\r' || true)
                [[ $text == *'Wingcall could not save its settings in "'*'Wingcall.ini": '*@(Move the whole Wingcall folder|is marked read-only)* ]] ||
                    fail "the message does not say that the settings could not be saved: $text"
                xdotool key Return
                answer_no_to_launch 60 ||
                    fail "no question about starting Voxtrel after the settings message"
            else
                fail "no message after a Generate whose settings could not be saved"
            fi
            [[ -f $folder/try-without-voxtrel/profiles/read-only.xml ]] ||
                fail "the profile was not written although only the settings could not be saved"
        else
            fail "Alt+G opened no dialog titled \"Save Wingcall Profile\""
        fi
        exit_through_alt_e "$window"
    else
        fail "no main window titled Wingcall within 120 s"
    fi
    stop_program
    chattr -i "$immutable"
    immutable=
else
    echo "  skipped: this file system cannot make Wingcall.ini immutable (chattr +i)"
fi

# The secondary window up now: the one visible window titled Wingcall that is not $1.
wait_for_other_window() {
    local main=$1 id
    for _ in $(seq 120); do
        id=$(xdotool search --onlyvisible --name '^Wingcall$' 2>/dev/null |
             grep -v -x "$main" | head -n 1 || true)
        if [[ -n $id ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.25
    done
    return 1
}

# A visible window of a file dialog's size that is none of the windows $1...: the dialog, whatever
# its title. Tooltips are smaller, and the display's desktop window covers the whole screen.
wait_for_new_window() {
    local id width height
    for _ in $(seq 120); do
        for id in $(xdotool search --onlyvisible --name '' 2>/dev/null |
                    grep -v -x -F "$(printf '%s\n' "$@")" || true); do
            read -r width height < <(xdotool getwindowgeometry "$id" 2>/dev/null |
                                     sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\)/\1 \2/p')
            if ((${width:-0} >= 400 && ${height:-0} >= 300 && ${width:-0} < 1024)); then
                echo "$id"
                return 0
            fi
        done
        sleep 0.25
    done
    return 1
}

# Waits up to $2 seconds until window $1 is no longer visible.
wait_until_gone() {
    for _ in $(seq $(($2 * 4))); do
        xdotool search --onlyvisible --name '' 2>/dev/null | grep -q -x "$1" || return 0
        sleep 0.25
    done
    return 1
}

# Waits up to $2 seconds until window $1 is visible again.
wait_until_shown() {
    for _ in $(seq $(($2 * 4))); do
        xdotool search --onlyvisible --name '' 2>/dev/null | grep -q -x "$1" && return 0
        sleep 0.25
    done
    return 1
}

# Presses keys $2... in window $1, given the focus first.
keys_in() {
    local window=$1
    shift
    xdotool windowfocus "$window" 2>/dev/null || true
    sleep 0.5
    xdotool key --clearmodifiers "$@"
    sleep 1
}

echo "Smoke case 7: Escape in Append Settings keeps the choice, and a replaced profile is kept"
folder=$(unpack backup)
settle_settings "$folder"
profiles=$folder/try-without-voxtrel/profiles
own=$profiles/MyJet.xml
printf '%s\r\n' '<?xml version="1.0" encoding="iso-8859-1" ?>' '<voxtrel-config>' \
    '        <command-list>' '                <command name="Gear" phrase="gear down">' \
    '                        <sequence keys="G" />' '                </command>' \
    '       </command-list>' '</voxtrel-config>' >"$own"
own_bytes=$(sha256sum <"$own")
start_program "$folder"
if window=$(wait_for_window Wingcall 120); then
    keys_in "$window" alt+a
    if options=$(wait_for_other_window "$window"); then
        keys_in "$options" alt+e alt+c
        # The open dialog has no title of its own: it is the new window beside these two.
        if dialog=$(wait_for_new_window "$window" "$options"); then
            answer_file_dialog "$dialog" "Z:${own//\//\\}"
            wait_until_gone "$options" 30 || fail "Append Settings stayed open after the choice"
        else
            fail "Close with the box ticked opened no open dialog"
        fi
    else
        fail "Alt+A opened no Append Settings window"
    fi
    # Opened again, the box shows append mode on; Escape leaves it so.
    wait_until_shown "$window" 30 || fail "the main window did not come back"
    keys_in "$window" alt+a
    if options=$(wait_for_other_window "$window"); then
        keys_in "$options" Escape
        wait_until_gone "$options" 30 || fail "Escape did not close Append Settings"
    else
        fail "Append Settings did not open a second time"
    fi
    wait_until_shown "$window" 30 || fail "the main window did not come back after Escape"
    if dialog=$(open_save_dialog "$window"); then
        answer_file_dialog "$dialog" MyJet.xml
        # The platform asks before it replaces the file.
        sleep 3
        xdotool key --clearmodifiers alt+y
        answer_no_to_launch 60 || fail "no question about starting Voxtrel after the merge"
    else
        fail "Alt+G opened no dialog titled \"Save Wingcall Profile\""
    fi
    if [[ -f $own.bak ]]; then
        [[ $(sha256sum <"$own.bak") == "$own_bytes" ]] ||
            fail "MyJet.xml.bak does not hold the old bytes of MyJet.xml"
        echo "  MyJet.xml.bak holds the old profile"
    else
        fail "Generate over MyJet.xml left no MyJet.xml.bak"
    fi
    grep -q 'phrase="gear down"' "$own" ||
        fail "MyJet.xml lost the pilot's own call: append mode did not survive Escape"
    grep -q 'phrase="Avenger one one rejoin"' "$own" ||
        fail "MyJet.xml did not get Wingcall's calls"
    exit_through_alt_e "$window"
else
    fail "no main window titled Wingcall within 120 s"
fi
stop_program

echo "Smoke case 8: a template with a gap is told when the window comes up"
folder=$(unpack template-gap)
settle_settings "$folder"
sed -i -e '/^Command(10)=/d' -e '/^Phrase(10)=/d' -e '/^Keys(10)=/d' "$folder/Wingcall.ini"
start_program "$folder"
# The message and the main window are both titled Wingcall: the main window is the one of its
# fixed size (case 1 prints it), and only the message is given keys until it is answered.
windows=()
for _ in $(seq 480); do
    mapfile -t windows < <(xdotool search --onlyvisible --name '^Wingcall$' 2>/dev/null || true)
    ((${#windows[@]} >= 2)) && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.25
done
message=
window=
for id in "${windows[@]}"; do
    if [[ $(xdotool getwindowgeometry "$id" 2>/dev/null) == *"Geometry: 462x428"* ]]; then
        window=$id
    else
        message=$id
    fi
done
if [[ -n $message ]]; then
    keys_in "$message" ctrl+c
    text=$(xclip -selection clipboard -o 2>/dev/null | tr -d '\r' || true)
    [[ $text == *'Command(10) is missing, so Command(11) to Command('*') are left out of every profile.'* ]] ||
        fail "the template message does not name the gap: $text"
fi
if [[ -n $message && -n $window ]]; then
    echo "  message box $message is up over the main window"
    keys_in "$message" Return
    wait_until_gone "$message" 30 || fail "the template message did not close on Return"
    sleep 1
    exit_through_alt_e "$window"
else
    fail "no message about the template with a gap beside the main window (${#windows[@]} windows)"
fi
stop_program

if ((failures)); then
    echo "Windows smoke test: $failures failure(s)" >&2
    exit 1
fi
echo "Windows smoke test: every case passed"
