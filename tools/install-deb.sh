#!/bin/sh
# Makes the .deb of the release build, installs it on this machine with
# apt-get (its Depends and Recommends with it, as a user's install takes
# them) and runs the installed program's self-check under Xvfb. The one
# check that the package installs on the release it was built on; it
# changes the system, so it is run by CI, on a machine or root that is
# thrown away after, or by hand.
#
#   tools/install-deb.sh
set -eu
cd "$(dirname "$0")/.."

if [ "$(id -u)" -eq 0 ]; then
    sudo=""
else
    sudo="sudo"
fi

tools/setup.sh
# cpack first builds what installing depends on: by default everything, the
# release build's tests among them (75 s more on two cores). The package
# holds the program and what building it makes, nothing else.
cmake --preset release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build --preset release -j "$(nproc)" --target velmorin-hd
rm -rf build-release/packages
cpack --config build-release/CPackConfig.cmake -B build-release/packages -G DEB >/dev/null
set -- "$PWD"/build-release/packages/*.deb
echo "== Installing $(basename "$1")"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "$1" >build-release/packages/apt.log 2>&1 ||
    {
        tail -n 20 build-release/packages/apt.log
        exit 1
    }
dpkg-query -W -f='${Package} ${Version} ${Status}\n' velmorin-hd
for plugins in gstreamer1.0-libav gstreamer1.0-plugins-bad; do
    dpkg-query -W -f='${Package} ${Status}\n' "$plugins"
done

echo "== The installed program's self-check"
report=$(VELM_SELFTEST=1 xvfb-run -a -s "-screen 0 1920x1080x24" /usr/bin/velmorin-hd)
printf '%s\n' "$report"
# The second line is the share of lit pixels: the demo must have drawn.
lit=$(printf '%s\n' "$report" | sed -n 's/^selftest lit pixels: \([0-9.]*\) %$/\1/p')
if [ -z "$lit" ] || ! awk -v lit="$lit" 'BEGIN { exit !(lit > 50) }'; then
    echo "FAIL: the installed program did not draw its demo" >&2
    exit 1
fi

# From /usr the engine's sandbox shows /usr/share, read-only, around the
# demo folder; media behind a link from the folder into it still fail.
echo "== Media behind a link out of the installed demo folder"
$sudo xvfb-run -a -s "-screen 0 1920x1080x24" \
    sh tests/integration/packaging/link_out_test.sh /usr "$PWD/tests/data/media/tone-440.wav"
