// The program plays a page's own media as it ships: the plugin found beside
// it, the demo folder shown to the sandboxed web process, sound started
// without a gesture, and the video's frames in the self-test snapshot.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "common/MediaClips.h"
#include "integration/support/PageRuns.h"

namespace velmorin::test {
namespace {

// Each way a page plays a file of its folder sets one flag of the caption
// once it plays; the white clip fills the page behind it.
const char* const mediaPage = R"html(<!doctype html>
<html><head><meta charset="utf-8"><style>
html, body { margin: 0; background: #000; overflow: hidden; }
video { position: fixed; inset: 0; width: 100vw; height: 100vh; object-fit: fill; }
#caption { position: fixed; left: 0; top: 0; font: 8px sans-serif; color: #fff; }
</style></head><body>
<video src="clips/white.webm" autoplay muted loop></video>
<audio id="element" src="clips/tone-440.ogg" autoplay></audio>
<audio id="sourced" autoplay><source src="missing.ogg"><source src="app://demo/clips/tone-440.ogg"></audio>
<div id="caption">media</div>
<script>
const flags = { element: 0, sourced: 0, constructed: 0, analysed: 0, video: 0 };
const show = () => document.getElementById('caption').textContent =
    'media ' + Object.entries(flags).map(([name, value]) => name + value).join(' ');
const playing = (element, name) => element.addEventListener('timeupdate', () => {
    if (element.currentTime > 0.2) { flags[name] = 1; show(); }
});
playing(document.getElementById('element'), 'element');
playing(document.getElementById('sourced'), 'sourced');
playing(document.querySelector('video'), 'video');
const constructed = new Audio('/clips/tone-440.ogg');
playing(constructed, 'constructed');
constructed.play();
// Through Web Audio: the analyser hears the tone's 440 Hz.
const context = new AudioContext();
const analysed = new Audio('clips/tone-440.ogg');
const analyser = context.createAnalyser();
analyser.fftSize = 8192;
context.createMediaElementSource(analysed).connect(analyser);
analyser.connect(context.destination);
analysed.play();
const spectrum = new Float32Array(analyser.frequencyBinCount);
setInterval(() => {
    analyser.getFloatFrequencyData(spectrum);
    let loudest = 0;
    for (let bin = 1; bin < spectrum.length; ++bin) {
        if (spectrum[bin] > spectrum[loudest]) { loudest = bin; }
    }
    const hertz = loudest * context.sampleRate / analyser.fftSize;
    if (spectrum[loudest] > -40 && Math.abs(hertz - 440) < 440 * 0.02) { flags.analysed = 1; show(); }
}, 100);
show();
</script></body></html>
)html";

// The formats demo authors ship most, with the engine's recommended media
// plugins that the set-up and the .deb bring: H.264 and AAC in MP4, M4A and
// MOV play from the folder, and Media Source Extensions take WebM with Opus.
// Each clip sets its flag once it has played past 0.2 s (or its error code);
// the engine's answers for the types come first.
const char* const formatsPage = R"html(<!doctype html>
<html><head><meta charset="utf-8"><style>
video, #caption { position: fixed; left: 0; top: 0; width: 64px; height: 36px; }
</style></head><body>
<video id="mp4" src="clips/white-tone.mp4" autoplay muted></video>
<video id="mov" src="clips/white.mov" autoplay muted></video>
<audio id="m4a" src="clips/tone-440.m4a" autoplay></audio>
<div id="caption">formats</div>
<script>
const types = [
    document.createElement('video').canPlayType('video/mp4; codecs="avc1.42E01E, mp4a.40.2"'),
    String(MediaSource.isTypeSupported('audio/webm; codecs="opus"')),
];
const played = { mp4: 0, mov: 0, m4a: 0 };
const show = () => document.getElementById('caption').textContent = types.join(' ') + ' ' +
    Object.entries(played).map(([name, value]) => name + value).join(' ');
for (const name of Object.keys(played)) {
    const element = document.getElementById(name);
    element.addEventListener('timeupdate', () => {
        if (element.currentTime > 0.2) { played[name] = 1; show(); }
    });
    element.addEventListener('error', () => { played[name] = 'error' + element.error.code; show(); });
}
show();
</script></body></html>
)html";

// A demo of this start page and these clips of tests/data/media, in clips/.
DemoPages withClips(const char* page, std::initializer_list<const char*> names) {
    DemoPages pages{{startPageName, page}};
    for (const char* name : names) {
        const Bytes clip = mediaClip(name);
        pages.emplace(std::string("clips/") + name, std::string(clip.begin(), clip.end()));
    }
    return pages;
}

TEST(MediaPlayback, PlaysThePagesOwnClipsWithoutAGesture) {
    const auto run =
        runSelfTestPages(withClips(mediaPage, {"tone-440.ogg", "white.webm"}), Seconds(3.0));
    const auto lines = twoLineReport(run.result);
    EXPECT_EQ(lines[0], probeLine("media element1 sourced1 constructed1 analysed1 video1"));
    // The white picture fills all but the caption's corner.
    EXPECT_GE(litShare(lines[1]), 90.0) << lines[1];
}

TEST(MediaPlayback, Mp4M4aMovAndWebmOpusUnderMse) {
    const auto run = runSelfTestPages(
        withClips(formatsPage, {"white-tone.mp4", "white.mov", "tone-440.m4a"}), Seconds(3.0));
    EXPECT_EQ(twoLineReport(run.result)[0], probeLine("probably true mp41 mov1 m4a1"));
}

}  // namespace
}  // namespace velmorin::test
