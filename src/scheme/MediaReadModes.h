#pragma once

#include <cstddef>
#include <string_view>

namespace velmorin {

// How the media plugin lets GStreamer read a file of the demo folder: the
// element reading on in its own thread and handing the data down (push), or
// also the demuxer reading the file itself where it likes (pull).
enum class MediaReadModes { pushAlone, pushAndPull };

// How many of a file's first bytes mediaReadModes() looks at.
inline constexpr std::size_t mediaSniffLength = 4;

// The modes for a file that begins with `firstBytes` (fewer than
// mediaSniffLength when the file is shorter). The choice is made from the
// content, not the name, since a page may name a file as it likes:
//
// - Ogg ("OggS") seeks only by reading the file itself: in push mode a seek
//   made before playing is dropped, and playing begins at the start.
// - Raw MPEG audio (MP3, with or without an ID3 tag, and ADTS AAC) has no
//   header that gives its length. Its parser learns it by reading to the
//   end, which it does at once only in pull mode; in push mode it guesses
//   from the bit rate after a second and a half of frames, so a shorter
//   sound never has a length and never ends.
// - Everything else keeps push alone. In pull mode Matroska and WebM seek in
//   the thread that asks, the engine's main thread, and first stop their
//   own reading thread, which can be waiting on the engine's video sink,
//   which waits on the main thread: a looping <video> hung the page for
//   good. In push mode they seek by asking the element for another offset.
//   WAV, FLAC and MP4 carry their length in a header and need neither.
//
//   "OggS\0\2..."        pushAndPull  (tone.ogg, or the same bytes as tone.bin)
//   "ID3\4..."           pushAndPull
//   "\xFF\xFB\x50\xC4"   pushAndPull  (an MP3 frame header)
//   "\x1A\x45\xDF\xA3"   pushAlone    (WebM, whatever its name)
//   "RIFF", "fLaC", ""   pushAlone
MediaReadModes mediaReadModes(std::string_view firstBytes);

}  // namespace velmorin
