#pragma once

#include <string>

#include "platform/SchemeTask.h"

namespace velmorin::test {

// The clips of tests/data/media (made by its make-clips.sh):
//   tone-440.ogg  4 s of a 440 Hz sine, Vorbis
//   tone-440.wav  1 s of the same, PCM
//   tone-440.webm, tone-440.mp3, tone-440.flac  4 s of the same
//   white.webm    2 s of a white picture, VP8
//   white.ogv     1 s of a white picture, Theora
//   blip-0.2.mp3, blip-0.4.mp3, blip-1.2.mp3  short MP3 sounds with no length header
Bytes mediaClip(const std::string& name);

}  // namespace velmorin::test
