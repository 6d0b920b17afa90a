#!/bin/sh
# Media behind a link out of the demo folder fail in the bundle under ROOT,
# whatever the engine's sandbox shows: tools/install-deb.sh runs it on the
# installed program (ROOT /usr, where the sandbox shows /usr/share). It
# needs a display, and the right to write in ROOT's demo folder, which it
# gives back as it was.
#
# usage: link_out_test.sh ROOT CLIP.wav
set -eu
. "$(dirname "$0")/common.sh"
make_work link-out
check_link_out "$1" "$2" "$work/links.out"
echo "links out of the demo folder: refused"
