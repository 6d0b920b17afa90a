#!/bin/sh
# Makes the media clips the tests play, with GStreamer's own tools
# (gstreamer1.0-tools). They are committed, so the tests need no encoder.
#   tone-440.ogg   4 s of a 440 Hz sine in Vorbis, for playing, seeking, analysing
#   tone-440.wav   1 s of the same, 8 kHz mono PCM, for looping and the hostile rows
#   white.webm     2 s of a white 320x180 picture in VP8, 30 frames a second
set -eu
cd "$(dirname "$0")"
gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=172 samplesperbuffer=1024 \
    ! audio/x-raw,rate=44100,channels=1 ! audioconvert ! vorbisenc quality=0.1 ! oggmux \
    ! filesink location=tone-440.ogg
gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=8 samplesperbuffer=1000 \
    ! audio/x-raw,rate=8000,channels=1,format=S16LE ! wavenc ! filesink location=tone-440.wav
gst-launch-1.0 -q videotestsrc pattern=white num-buffers=60 \
    ! video/x-raw,width=320,height=180,framerate=30/1 ! vp8enc deadline=1 ! webmmux \
    ! filesink location=white.webm
