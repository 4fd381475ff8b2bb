#!/usr/bin/env bash
# The real-window journey: the built program driven from outside as a person would, with mouse
# clicks at the controls' places and typing (xdotool), the clipboard read by another X client
# (xclip), and the files and the working copy read afterwards, all on an X server of its own.
#   usage: journey.sh PROGRAM FACTS GOLDEN_DIR ARTEFACT_DIR
# FACTS is the journey_facts tool: the program's own paths and window layout. ARTEFACT_DIR
# receives journey.png (the last screen) and, when a step fails, journey-failure.png.
set -euo pipefail

[ $# -eq 4 ] || { echo "usage: journey.sh PROGRAM FACTS GOLDEN_DIR ARTEFACT_DIR" >&2; exit 2; }
program=$(realpath "$1")
facts=$(realpath "$2")
golden=$(realpath "$3")
artefacts=$4

# Every wait is bounded; a loaded machine gets this long for each window, file or row to appear.
step_timeout=${JOURNEY_STEP_TIMEOUT:-60}

for tool in Xvfb xdotool xclip sqlite3 import unshare dbus-daemon; do
    command -v "$tool" > /dev/null || { echo "journey: $tool is missing (bash tools/setup.sh test installs it)" >&2; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi' 2> /dev/null \
    || { echo "journey: pyatspi is missing (bash tools/setup.sh test installs it)" >&2; exit 1; }
here=$(dirname "$(realpath "$0")")

mkdir -p "$artefacts"
rm -f "$artefacts"/journey*.png
work=$(mktemp -d)
current_step="preparing"
pid=""
x_server=""
session_bus=""
main=""
clipboard_holder=""

# ---------------------------------------------------------------------------------------------
# Reporting

step() {
    current_step=$1
    echo "journey: $current_step"
}

fail() {
    echo "journey: FAILED in step \"$current_step\": $*" >&2
    exit 1
}

# The program's visible windows, one "id TAB title" a line. Windows without a title (the search
# also reports the root window) are left out.
program_windows() {
    [ -n "$pid" ] || return 0
    local id name
    for id in $(xdotool search --onlyvisible --pid "$pid" --name '' 2> /dev/null); do
        name=$(xdotool getwindowname "$id" 2> /dev/null) || continue
        [ -z "$name" ] || printf '%s\t%s\n' "$id" "$name"
    done
}

finish() {
    local status=$?
    set +e
    if [ "$status" -ne 0 ]; then
        echo "journey: failed in step \"$current_step\"; the program's windows then:" >&2
        program_windows | sed 's/^/    /' >&2
        [ -n "$x_server" ] && timeout 20 import -window root "$artefacts/journey-failure.png" 2> /dev/null \
            && echo "journey: the screen then: $artefacts/journey-failure.png" >&2
        if [ -s "$work/program.log" ]; then
            echo "journey: the program's output:" >&2
            tail -n 40 "$work/program.log" | sed 's/^/    /' >&2
        fi
    fi
    [ -n "$clipboard_holder" ] && kill "$clipboard_holder" 2> /dev/null
    if [ -n "$pid" ] && kill -0 "$pid" 2> /dev/null; then
        kill "$pid" 2> /dev/null
        wait "$pid" 2> /dev/null
    fi
    [ -n "$session_bus" ] && kill "$session_bus" 2> /dev/null && wait "$session_bus" 2> /dev/null
    [ -n "$x_server" ] && kill "$x_server" 2> /dev/null && wait "$x_server" 2> /dev/null
    rm -rf "$work"
    exit "$status"
}
trap finish EXIT

# ---------------------------------------------------------------------------------------------
# Waiting: every wait polls with a deadline, and gives up at once when the program has ended or
# an error box stands where the journey expected something else.

program_alive() {
    kill -0 "$pid" 2> /dev/null && return 0
    local status=0
    wait "$pid" || status=$?
    pid=""
    fail "the program ended (status $status)"
}

no_error_box() {
    if program_windows | cut -f2 | grep -qx 'Application Error'; then
        fail "an \"Application Error\" box is open"
    fi
}

# await DESCRIPTION COMMAND...: runs COMMAND until it succeeds.
await() {
    local what=$1 deadline=$((SECONDS + step_timeout))
    shift
    until "$@"; do
        program_alive
        no_error_box
        ((SECONDS < deadline)) || fail "timed out after ${step_timeout}s waiting for $what"
        sleep 0.1
    done
}

# Sets $window to the program's visible window titled $1, other than the main window.
find_window() {
    window=$(program_windows | awk -F '\t' -v title="$1" -v main="$main" '$2 == title && $1 != main {print $1; exit}')
    [ -n "$window" ]
}

await_window() {
    window=""
    await "a window titled \"$1\"" find_window "$1"
}

window_gone() {
    ! program_windows | cut -f1 | grep -qx "$1"
}

focused() {
    [ "$(xdotool getwindowfocus 2> /dev/null)" = "$1" ]
}

# Keys go where the keyboard focus is: the program gives it to each dialog it opens; the journey
# waits for that before it types.
await_focus() {
    await "the keyboard focus on window $1" focused "$1"
}

# answer_box TITLE KEY: presses KEY in the next box titled TITLE, and waits until it is gone.
answer_box() {
    await_window "$1"
    local box=$window
    await_focus "$box"
    xdotool key "$2"
    await "the box \"$1\" to close" window_gone "$box"
}

# type_into TITLE TEXT: types TEXT into the next dialog titled TITLE and presses Enter.
type_into() {
    await_window "$1"
    local dialog=$window
    await_focus "$dialog"
    xdotool type --delay 15 -- "$2"
    xdotool key Return
    await "the dialog \"$1\" to close" window_gone "$dialog"
}

# ---------------------------------------------------------------------------------------------
# The main window's controls, by their accessible names, and the program's files, as the
# program's own layout and paths give them (journey_facts).

declare -A controls=() paths=()
read_facts() {
    local kind name value
    while IFS=$'\t' read -r kind name value; do
        case "$kind" in
            control) controls[$name]=$value ;;
            path) paths[$name]=$value ;;
        esac
    done < <("$facts" "$1" "$(dirname "$program")")
    [ ${#controls[@]} -gt 0 ] && [ -n "${paths[working copy]:-}" ] || fail "journey_facts told nothing"
}

# The rows' height follows the font; the first row's middle lies this far below the list's top
# edge, under the column headers.
first_row_offset_px=26

click_at() {
    program_alive
    xdotool mousemove --window "$main" "$1" "$2" click 1
}

click() {
    local place=${controls[$1]:?no such control: $1}
    local left top width height
    read -r left top width height <<< "$place"
    click_at $((left + width / 2)) $((top + height / 2))
}

click_first_row() {
    local left top width height
    read -r left top width height <<< "${controls[Results]}"
    click_at $((left + 60)) $((top + first_row_offset_px))
}

keys() {
    program_alive
    xdotool key --delay 40 "$@"
}

search_for() {
    click "Search text"
    keys ctrl+a
    xdotool type --delay 15 -- "$1"
    click "Search"
}

# ---------------------------------------------------------------------------------------------
# What the journey reads from outside

clipboard_to() {
    timeout 10 xclip -o -selection clipboard -t UTF8_STRING > "$1"
}

# expect_same WHAT FILE GOLDEN: byte for byte, with both shown when they differ.
expect_same() {
    cmp -s "$2" "$3" && return 0
    echo "journey: $1 differs from $(basename "$3"); expected, then got:" >&2
    od -c "$3" | head -n 20 >&2
    echo "    ---" >&2
    od -c "$2" | head -n 20 >&2
    fail "$1 is not as expected"
}

clipboard_holds() {
    [ "$(timeout 10 xclip -o -selection clipboard -t UTF8_STRING 2> /dev/null)" = "$1" ]
}

rows_of() {
    sqlite3 -readonly -cmd '.timeout 5000' "$1" 'select ZipCode, City, State from ZipCodes order by 1, 2, 3'
}

working_copy_rows() {
    sqlite3 -readonly -cmd '.timeout 5000' "$working_copy" "select count(*) from ZipCodes where ZipCode = '$1'"
}

zip_listed_in_working_copy() { [ "$(working_copy_rows "$1")" -gt 0 ]; }
zip_absent_from_working_copy() { [ "$(working_copy_rows "$1")" -eq 0 ]; }
working_copy_is_pristine() { cmp -s <(rows_of "$pristine") <(rows_of "$working_copy"); }

# The copy command's confirmation box carries the application title; the clipboard is read
# while it is open, and the box is answered with Enter.
copy_list_to() {
    click "Copy Results To Clipboard"
    await_window "Quillmap"
    local box=$window
    clipboard_to "$1"
    await_focus "$box"
    xdotool key Return
    await "the copy's confirmation to close" window_gone "$box"
}

# add_row ZIP CITY STATE: through the three input boxes, until the working copy holds the ZIP.
add_row() {
    click "Add Zip-City-State Combo"
    type_into "Input Zip" "$1"
    type_into "Input City" "$2"
    type_into "Input State" "$3"
    await "ZIP $1 in the working copy" zip_listed_in_working_copy "$1"
}

# delete_first_row ZIP: the list's first row deleted after the confirmation, until the working
# copy lacks the ZIP.
delete_first_row() {
    click_first_row
    click "Delete Selected Zip-City-State"
    answer_box "Delete Selected Zipcode" Return
    await "ZIP $1 gone from the working copy" zip_absent_from_working_copy "$1"
}

# save_text_file PATH [overwrite]: the Save dialog, the overwrite question when it is due, the
# "Done." box. The old file must stay as it was while the question is open.
save_text_file() {
    click "Save Results As Text File"
    type_into "Save" "$1"
    if [ "${2:-}" = overwrite ]; then
        await_window "Quillmap"
        cmp -s "$1" "$3" || fail "the file changed before the overwrite was confirmed"
        answer_box "Quillmap" Return
    fi
    answer_box "Quillmap" Return
}

# ---------------------------------------------------------------------------------------------
# await_first_line PID FILE LOG WHAT: waits until the daemon PID has written FILE, which names
# where to reach it; fails when it does not within the step's time, and returns 1 with its LOG
# shown when it died.
await_first_line() {
    local deadline=$((SECONDS + step_timeout))
    until [ -s "$2" ]; do
        kill -0 "$1" 2> /dev/null || { cat "$3" >&2; return 1; }
        ((SECONDS < deadline)) || fail "$4 named nothing within ${step_timeout}s"
        sleep 0.1
    done
}

# The X server: Xvfb picks a free display itself (-displayfd) and names it once it accepts
# clients, so journeys run side by side never race for a display number.

start_x_server() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3> "$work/display" > "$work/xvfb.log" 2>&1 &
    x_server=$!
    await_first_line "$x_server" "$work/display" "$work/xvfb.log" "Xvfb" || { x_server=""; fail "Xvfb did not start"; }
    DISPLAY=:$(head -n 1 "$work/display")
    export DISPLAY
    unset XAUTHORITY
}

# A session bus of the journey's own, on which the accessibility bus starts when the program
# asks for it, as on a desktop; the program's accessibility bridge is switched on as a screen
# reader would have it. The services the bus starts end with it.

start_session_bus() {
    HOME=$work/home XDG_RUNTIME_DIR=$work/runtime \
        dbus-daemon --session --nofork --print-address=3 3> "$work/bus" > "$work/bus.log" 2>&1 &
    session_bus=$!
    await_first_line "$session_bus" "$work/bus" "$work/bus.log" "the session bus" \
        || { session_bus=""; fail "the session bus did not start"; }
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

# The names a screen reader finds for the program's controls, one a line, into the file.
accessible_names_to() {
    timeout 20 /usr/bin/python3 "$here/accessible_names.py" "$(basename "$program")" > "$1" 2> /dev/null
}

# ---------------------------------------------------------------------------------------------
# The program's own data folder
#
# The program takes no command line and reads no environment of its own: as root it keeps its
# working copy in /var/lib/Brennick/Quillmap, shared by the whole machine. It runs here in a mount
# namespace of its own (unshare --mount; as another user with --map-root-user), where /var/lib is
# a folder of this journey that links every entry of the machine's /var/lib except Brennick. The
# program thus takes its ordinary machine-wide path, creates Brennick/Quillmap itself, and never
# sees or touches the machine's. A mount namespace was chosen over an unprivileged user with a
# private data folder because CI runs as root, and root is the user whose path this proves.

var_lib=$work/var-lib
host_var_lib=$work/host-var-lib
read_facts "$var_lib"
working_copy=${paths[working copy]}
pristine=${paths[pristine copy]}
vendor=$(basename "${paths[vendor folder]}")
mkdir -p "$var_lib" "$host_var_lib" "$work/home" "$work/exports" "$work/bin" "$work/runtime"
chmod 755 "$var_lib"
chmod 700 "$work/runtime"
shopt -s nullglob dotglob
for entry in /var/lib/*; do
    name=$(basename "$entry")
    [ "$name" = "$vendor" ] || ln -s "$host_var_lib/$name" "$var_lib/$name"
done
shopt -u nullglob dotglob

namespace=(unshare --mount)
[ "$(id -u)" -eq 0 ] || namespace+=(--map-root-user)
"${namespace[@]}" true 2> /dev/null \
    || fail "cannot give the program a /var/lib of its own: '${namespace[*]}' is refused here"

machine_data_before=$(find "/var/lib/$vendor" -printf '%p %s %T@\n' 2> /dev/null | sort || true)

# On about one start in a hundred the program visits its home page through the desktop's URL
# opener; a stand-in notes the address instead of starting a browser (or failing for want of one).
cat > "$work/bin/xdg-open" << EOF
#!/bin/sh
echo "\$*" >> "$work/home-page-visits"
EOF
chmod 755 "$work/bin/xdg-open"

start_program() {
    (
        cd "$work"
        export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache \
               XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/runtime PATH=$work/bin:$PATH \
               QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
        unset QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP DESKTOP_SESSION
        # shellcheck disable=SC2016 # expanded by the namespace's own shell
        exec "${namespace[@]}" -- sh -c 'mount --rbind /var/lib "$1" && mount --bind "$2" /var/lib && shift 2 && exec "$@"' \
            _ "$host_var_lib" "$var_lib" "$program"
    ) > "$work/program.log" 2>&1 &
    pid=$!
}

main_window_shown() {
    no_error_box
    main=$(program_windows | awk -F '\t' '$2 == "Quillmap" {print $1; exit}')
    [ -n "$main" ]
}

# ---------------------------------------------------------------------------------------------
# The journey

step "starting an X server and a session bus"
start_x_server
start_session_bus

step "first start creates the data folder"
[ ! -e "$var_lib/$vendor" ] || fail "the private /var/lib already holds $vendor"
start_program
await "the main window" main_window_shown
read -r width height < <(xdotool getwindowgeometry "$main" | awk '/Geometry:/ {sub("x", " ", $2); print $2}')
[ "$width x $height" = "536 x 558" ] || fail "the main window is ${width}x${height}, not 536x558"
[ -d "${paths[data folder]}" ] || fail "no data folder ${paths[data folder]#"$var_lib"/} under /var/lib"
working_copy_is_pristine || fail "the new working copy does not hold the shipped rows"
if [ -s "$work/home-page-visits" ]; then
    echo "journey: this start drew the home-page visit: $(cat "$work/home-page-visits")"
fi

step "a screen reader finds every control by a name of its own"
await "the program's controls on the accessibility bus" accessible_names_to "$work/names"
repeated=$(sort "$work/names" | uniq -d)
[ -z "$repeated" ] || fail "more than one control is named: $repeated"
printf '%s\n' "${!controls[@]}" | sort > "$work/expected-names"
sort "$work/names" | cmp -s - "$work/expected-names" \
    || fail "the names heard are not the layout's: $(sort "$work/names" | diff - "$work/expected-names" | tr '\n' ' ')"

step "the sample search lists the 3053 rows"
click "Load Sample/Example Search"
click_first_row
keys ctrl+a space
copy_list_to "$work/clipboard"
expect_same "the clipboard with every row ticked" "$work/clipboard" "$golden/clipboard_sample_all_ticked.txt"

step "saving the whole list through the Save dialog"
export_file=$work/exports/zips.txt
save_text_file "$export_file"
expect_same "the text file" "$export_file" "$golden/text_sample_all_ticked.txt"

step "two rows ticked with Space go on the clipboard"
click "Load Sample/Example Search"
click_first_row
keys space Down Down Down space
copy_list_to "$work/clipboard"
expect_same "the clipboard with two rows ticked" "$work/clipboard" "$golden/clipboard_sample_first_and_fourth.txt"

step "saving over the file after the overwrite question"
save_text_file "$export_file" overwrite "$golden/text_sample_all_ticked.txt"
expect_same "the replaced text file" "$export_file" "$golden/text_sample_first_and_fourth.txt"

step "adding a row through the three input boxes"
add_row 99990 "Journey's End" ZZ

step "a search finds the added row"
search_for 99990
click_first_row
keys space
copy_list_to "$work/clipboard"
expect_same "the clipboard with the added row" "$work/clipboard" "$golden/clipboard_added_row.txt"

step "deleting the selected row after the confirmation"
delete_first_row 99990
# The delete searches again: the list is empty now, and copying an empty list leaves another
# program's clipboard text in place.
echo "held by another program" | xclip -quiet -i -selection clipboard > /dev/null 2>&1 &
clipboard_holder=$!
await "another program to hold the clipboard" clipboard_holds "held by another program"
copy_list_to "$work/clipboard"
[ "$(cat "$work/clipboard")" = "held by another program" ] || fail "the list was not empty after the delete"

step "reset after a delete and an add restores the shipped rows"
click "Load Sample/Example Search"
delete_first_row 30530
add_row 99991 Resetville ZZ
click "Reset Database To Original"
answer_box "Reset Database" Return
await "the working copy to hold the shipped rows again" working_copy_is_pristine
click "Load Sample/Example Search"
click_first_row
keys ctrl+a space
copy_list_to "$work/clipboard"
expect_same "the clipboard after the reset" "$work/clipboard" "$golden/clipboard_sample_all_ticked.txt"

step "the machine's own data folder is untouched"
timeout 20 import -window root "$artefacts/journey.png"
echo "journey: the last screen: $artefacts/journey.png"
machine_data_after=$(find "/var/lib/$vendor" -printf '%p %s %T@\n' 2> /dev/null | sort || true)
[ "$machine_data_before" = "$machine_data_after" ] || fail "/var/lib/$vendor changed during the journey"
no_error_box

echo "journey: passed"
