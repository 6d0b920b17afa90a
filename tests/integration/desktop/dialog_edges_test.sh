#!/bin/sh
# The launch dialog under the openbox window manager, on an Xvfb server of
# its own, checked on a screenshot: openbox frames the dialog with a title
# bar and a handle along the bottom, and neither may cover the dialog, which
# keeps its margins on all four sides.
#
# usage: dialog_edges_test.sh PROGRAM
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"

# The dialog's margins are at least this wide, in pixels.
margin=12

if [ "${1:-}" != --inside ]; then
    need xvfb-run openbox xdotool xwininfo xprop import convert compare
    exec xvfb-run -a -s "-screen 0 1920x1080x24" sh "$0" --inside "$1"
fi
program_file=$2
make_work dialog

openbox --sm-disable >"$work/openbox.log" 2>&1 &
server=$!
# Until a manager announces that it keeps an active window, xdotool says the
# window manager does not support one.
managing() { ! xdotool getactivewindow 2>&1 | grep -q "claims not to support"; }
wait_for 30 managing || fail "openbox did not start"

start_program "$program_file"
find_dialog() { dialog=$(xdotool search --onlyvisible --name '^Velmorin HD$' 2>/dev/null | head -n 1); [ -n "$dialog" ]; }
wait_for 60 find_dialog || fail "no launch dialog appeared"
# The first frames may still be on their way.
sleep 2

import -window root "$work/screen.png"
import -window "$dialog" "$work/dialog.png"
set -- $(xwininfo -id "$dialog" | awk '
    /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF }
    END { print w, h, w "x" h "+" x "+" y }')
width=$1 height=$2 geometry=$3
echo "dialog $geometry, frame (left, right, top, bottom):" \
    "$(xprop -id "$dialog" _NET_FRAME_EXTENTS | sed 's/.*= //')"

# Nothing of the frame lies over the dialog: the screen shows it as it is.
convert "$work/screen.png" -crop "$geometry" +repage "$work/on-screen.png"
differing=$(compare -metric AE "$work/dialog.png" "$work/on-screen.png" null: 2>&1) || true
[ "$differing" = 0 ] || fail "the window manager covers $differing pixels of the dialog"

# Each edge band is one colour, the dialog's background: nothing is cut off
# at any edge and the margins are there.
for band in "${width}x$margin+0+0" "${width}x$margin+0+$((height - margin))" \
    "${margin}x$height+0+0" "${margin}x$height+$((width - margin))+0"; do
    colours=$(convert "$work/dialog.png" -crop "$band" +repage -unique-colors -format '%w' info:)
    [ "$colours" = 1 ] || fail "the dialog's edge $band is not plain background ($colours colours)"
done

xdotool windowfocus --sync "$dialog" key Escape
finish_program 30 "Escape did not end the program"
echo "the dialog is whole under openbox"
