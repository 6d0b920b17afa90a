#!/bin/sh
# A page's own clip heard as a viewer hears it: the player in self-test mode
# plays a 440 Hz tone from an <audio autoplay> element with an app: URL, its
# sound going to a null sink of the check's own, which is recorded; then the
# same bytes from a blob: URL, as a page had to play them before app: media
# played. The tone must be heard at 440 Hz +- 2 %, at a level within 1 dB of
# the blob's.
#
# usage: media_sound_test.sh PROGRAM [SOUND_SERVER]
set -eu
. "$(dirname "$0")/viewer.sh"

if [ "${1:-}" != --inside ]; then
    need xvfb-run sox
    run_inside "${2:-pulseaudio}" 1280x720 "$1"
fi
program_file=$2
make_work media-sound
make_bundle "$program_file" "$work/bundle"
cp "$here/../../data/media/tone-440.ogg" "$work/bundle/share/velmorin-hd/demo/tone.ogg"

app_page='<!doctype html><html><body>app: tone<audio src="tone.ogg" autoplay loop></audio></body></html>'
blob_page='<!doctype html><html><body>blob: tone<script>
fetch("tone.ogg").then(r => r.blob()).then(b => {
    const audio = new Audio(URL.createObjectURL(b)); audio.loop = true; audio.play(); });
</script></body></html>'

# hear NAME PAGE: plays PAGE in self-test mode and prints the rough frequency
# and the RMS amplitude that sox's "stat" finds in the recorded tone: its
# first loud moment on, for 1.5 s after a settling 0.3 s.
hear() {
    set_start_page "$work/bundle" "$2"
    start_recorder
    VELM_SELFTEST=1 timeout 60 "$work/bundle/bin/velmorin-hd" >"$work/$1.out" 2>"$work/$1.err" ||
        fail "the $1 run failed: $(tail -n 5 "$work/$1.err")"
    stop_recorder
    sox -t raw -r $sound_rate -e signed -b 16 -c 2 "$work/sound.raw" -n remix 1 \
        silence 1 0.01 2% trim 0.3 1.5 stat 2>&1 |
        awk '/^Rough   frequency/ { hertz = $NF } /^RMS     amplitude/ { rms = $NF } END { print hertz, rms }'
}

app=$(hear app "$app_page")
blob=$(hear blob "$blob_page")
app_hertz=${app% *} app_rms=${app#* } blob_hertz=${blob% *} blob_rms=${blob#* }
echo "app: $app_hertz Hz, RMS $app_rms; blob: $blob_hertz Hz, RMS $blob_rms"
[ -n "$app_rms" ] && [ -n "$blob_rms" ] || fail "no tone was recorded"
holds "$app_hertz >= 440 * 0.98 && $app_hertz <= 440 * 1.02" ||
    problem "the app: tone was heard at $app_hertz Hz, not 440 +- 2 %"
holds "$blob_rms > 0.001" || problem "the blob: tone was not heard"
difference=$(calc "20 * log($app_rms / $blob_rms) / log(10)")
echo "the app: tone is $difference dB from the blob: tone"
holds "$difference >= -1 && $difference <= 1" ||
    problem "the app: tone is $difference dB from the blob: one, not within 1 dB"
[ -z "$failed" ] || exit 1
echo "the app: tone was heard at 440 Hz, as loud as the same bytes from a blob: URL"
