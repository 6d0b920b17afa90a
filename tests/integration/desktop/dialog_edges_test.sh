#!/bin/sh
# The launch dialog under the openbox window manager, on an Xvfb server of
# its own, checked on a screenshot: openbox frames the dialog with a title
# bar and a handle along the bottom, and neither may cover the dialog, which
# keeps its margins on all four sides.
#
# usage: dialog_edges_test.sh PROGRAM
set -eu
. "$(dirname "$0")/viewer.sh"

# The dialog's margins are at least this wide, in pixels.
margin=12

if [ "${1:-}" != --inside ]; then
    need xvfb-run openbox xdotool xwininfo xprop import convert compare
    exec xvfb-run -a -s "-screen 0 1920x1080x24" sh "$0" --inside "$1"
fi
make_work dialog
start_openbox
launch_dialog "$2"
# dialog_whole: whether the screen shows the dialog whole, where it is and
# as it is drawn now; $why says what was wrong.
dialog_whole() {
    set -- $(xwininfo -id "$dialog" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF }
        END { print w, h, w "x" h "+" x "+" y }')
    width=$1 height=$2 geometry=$3
    import -window root "$work/screen.png"
    import -window "$dialog" "$work/dialog.png"
    # Nothing of the frame lies over the dialog: the screen shows it as it is.
    convert "$work/screen.png" -crop "$geometry" +repage "$work/on-screen.png"
    differing=$(compare -metric AE "$work/dialog.png" "$work/on-screen.png" null: 2>&1) || true
    why="the window manager covers $differing pixels of the dialog"
    [ "$differing" = 0 ] || return 1
    # Each edge band is one colour, the dialog's background: nothing is cut
    # off at any edge and the margins are there.
    for band in "${width}x$margin+0+0" "${width}x$margin+0+$((height - margin))" \
        "${margin}x$height+0+0" "${margin}x$height+$((width - margin))+0"; do
        colours=$(convert "$work/dialog.png" -crop "$band" +repage -unique-colors -format '%w' info:)
        why="the dialog's edge $band is not plain background ($colours colours)"
        [ "$colours" = 1 ] || return 1
    done
}

# The first frames may still be on their way: the dialog is looked at until
# it is drawn whole, and fails only when it never is.
wait_for 30 dialog_whole || fail "$why"
echo "dialog $geometry, frame (left, right, top, bottom):" \
    "$(xprop -id "$dialog" _NET_FRAME_EXTENTS | sed 's/.*= //')"

xdotool windowfocus --sync "$dialog" key Escape
finish_program 30 "Escape did not end the program"
echo "the dialog is whole under openbox"
