#!/usr/bin/env bash
# Takes pictures of the updater's window in each of its states, on a virtual X display: the demo
# (emulated board) for the first, ready, flashing and complete states, and the real updater with
# no adapter attached for a failure box. Builds nothing: give it built programs.
#
# Usage: tools/take-screenshots.sh [--demo PATH] [--updater PATH] OUTDIR
#   --demo     the korvo-updater-demo program (default: build/release/src/app/qt/)
#   --updater  the korvo-updater program (default: beside the demo)
# Writes OUTDIR/first.png, ready.png, flashing.png, complete.png and failure.png.
# Needs (Debian): xvfb, xdotool, imagemagick, x11-utils; openbox, when installed, frames the
# windows with title bars as a desktop would.
set -euo pipefail

usage() {
    sed -n '6,9p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

repo="$(cd "$(dirname "$0")/.." && pwd)"
demo=""
updater=""
outdir=""
while [ $# -gt 0 ]; do
    case "$1" in
        --demo) demo="${2:?}"; shift 2 ;;
        --updater) updater="${2:?}"; shift 2 ;;
        -h | --help) usage ;;
        -*) echo "unknown option: $1" >&2; usage ;;
        *) [ -z "$outdir" ] || usage; outdir="$1"; shift ;;
    esac
done
[ -n "$outdir" ] || usage
demo="${demo:-$repo/build/release/src/app/qt/korvo-updater-demo}"
updater="${updater:-$(dirname "$demo")/korvo-updater}"
for program in "$demo" "$updater"; do
    if [ ! -x "$program" ]; then
        echo "not a built program: $program (build it first, or name it with --demo/--updater)" >&2
        exit 1
    fi
done
for tool in Xvfb xdotool import convert compare xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
mkdir -p "$outdir"

# The window's title and its buttons' centres, in window coordinates (logical pixels).
readonly kWindowTitle='^Korvo Firmware Updater v'
readonly kFailureTitle='^USB Error!$'
readonly kFindDeviceAt=(168 232)
readonly kFlashDeviceAt=(100 232)
readonly kFlashingPictureAfterSeconds=4
readonly kSettleTimeoutSeconds=120
readonly kShowTimeoutSeconds=30
# Still pictures this many seconds apart end a wait for the window to settle: the flashing
# window changes several times a second.
readonly kStillSeconds=2

work="$(mktemp -d)"
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# A display of its own: Xvfb picks a free number and reports it.
Xvfb -displayfd 3 -screen 0 800x600x24 -dpi 96 -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
display_number="$(head -n1 "$work/display")"
export DISPLAY=":$display_number"

# The programs' single-instance locks live in the runtime folder: a private one keeps them apart
# from any copy the user is running.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS

if command -v openbox >/dev/null; then
    # A theme that draws buttons whose action the window does not allow as disabled.
    sed 's|<name>Clearlooks</name>|<name>Clearlooks-3.4</name>|' /etc/xdg/openbox/rc.xml \
        >"$work/openbox-rc.xml"
    openbox --config-file "$work/openbox-rc.xml" >"$work/openbox.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
fi

# The first window whose title matches, once it is mapped.
find_window() {
    timeout "$kShowTimeoutSeconds" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null |
        head -n1
}

# Saves the window with its frame, as it shows on the screen, to $2.
shoot() {
    local id="$1" file="$2" x y w h left=0 right=0 top=0 bottom=0 extents
    eval "$(xwininfo -id "$id" | awk '
        /Absolute upper-left X/ {print "x=" $NF}
        /Absolute upper-left Y/ {print "y=" $NF}
        /^ *Width:/ {print "w=" $NF}
        /^ *Height:/ {print "h=" $NF}')"
    extents="$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p')"
    if [ -n "$extents" ]; then
        IFS=', ' read -r left right top bottom <<<"$extents"
    fi
    import -window root -crop "$((w + left + right))x$((h + top + bottom))+$((x - left))+$((y - top))" \
        +repage "$file"
}

# Waits until the window's picture differs from $2, then until it holds still.
settle() {
    local id="$1" before="$2" previous="$work/previous.png" current="$work/current.png"
    local deadline=$((SECONDS + kSettleTimeoutSeconds))
    cp "$before" "$previous"
    while compare -metric AE "$before" "$previous" null: 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || { echo "the window did not change" >&2; return 1; }
        sleep 0.2
        shoot "$id" "$previous"
    done
    local still=0
    while [ $still -lt $kStillSeconds ]; do
        [ $SECONDS -lt $deadline ] || { echo "the window did not settle" >&2; return 1; }
        sleep 1
        shoot "$id" "$current"
        if compare -metric AE "$previous" "$current" null: 2>/dev/null; then
            still=$((still + 1))
        else
            still=0
            cp "$current" "$previous"
        fi
    done
}

click() {
    local id="$1" x="$2" y="$3"
    xdotool mousemove --window "$id" "$x" "$y" click 1
    # Away from the buttons, so that no picture shows a hovered one.
    xdotool mousemove 0 0
}

echo "display $DISPLAY: starting $demo"
"$demo" >"$work/demo.log" 2>&1 &
demo_pid=$!
pids+=("$demo_pid")
window="$(find_window "$kWindowTitle")"
[ -n "$window" ] || { echo "the demo's window did not show:" >&2; cat "$work/demo.log" >&2; exit 1; }
xdotool mousemove 0 0
sleep 1  # the window manager's frame and the first paint
shoot "$window" "$outdir/first.png"

click "$window" "${kFindDeviceAt[@]}"
settle "$window" "$outdir/first.png"
shoot "$window" "$outdir/ready.png"

click "$window" "${kFlashDeviceAt[@]}"
sleep "$kFlashingPictureAfterSeconds"
shoot "$window" "$outdir/flashing.png"
settle "$window" "$outdir/ready.png"
shoot "$window" "$outdir/complete.png"
kill "$demo_pid"

echo "starting $updater with no adapter"
"$updater" >"$work/updater.log" 2>&1 &
updater_pid=$!
pids+=("$updater_pid")
box="$(find_window "$kFailureTitle")"
[ -n "$box" ] || { echo "no failure box:" >&2; cat "$work/updater.log" >&2; exit 1; }
sleep 1
shoot "$box" "$outdir/failure.png"
# The box takes the keyboard: Return closes it, and the updater ends.
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
for _ in $(seq 50); do
    kill -0 "$updater_pid" 2>/dev/null || break
    sleep 0.1
done

for picture in first ready flashing complete failure; do
    echo "$outdir/$picture.png: $(identify -format '%w x %h' "$outdir/$picture.png")"
done
