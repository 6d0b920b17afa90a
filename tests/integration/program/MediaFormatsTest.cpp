// The formats demo authors ship most, with the engine's recommended media
// plugins that the set-up and the .deb bring: H.264 and AAC in MP4, M4A and
// MOV play from the folder, and Media Source Extensions take WebM with Opus.

#include <gtest/gtest.h>

#include <string>

#include "common/MediaClips.h"
#include "integration/support/PageRuns.h"

namespace velmorin::test {
namespace {

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

std::string asText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(MediaFormats, Mp4M4aMovAndWebmOpusUnderMse) {
    const auto run =
        runSelfTestPages({{startPageName, formatsPage},
                          {"clips/white-tone.mp4", asText(mediaClip("white-tone.mp4"))},
                          {"clips/white.mov", asText(mediaClip("white.mov"))},
                          {"clips/tone-440.m4a", asText(mediaClip("tone-440.m4a"))}},
                         Seconds(3.0));
    const auto lines = twoLineReport(run.result);
    EXPECT_EQ(lines[0], probeLine("probably true mp41 mov1 m4a1"));
}

}  // namespace
}  // namespace velmorin::test
