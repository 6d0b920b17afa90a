#!/bin/sh
# Makes the media clips the tests play, with GStreamer's own tools
# (gstreamer1.0-tools). They are committed, so the tests need no encoder.
#   tone-440.ogg   4 s of a 440 Hz sine in Vorbis, for playing, seeking, analysing
#   tone-440.wav   1 s of the same, 8 kHz mono PCM, for looping and the hostile rows
#   white.webm     2 s of a white 320x180 picture in VP8, 30 frames a second
#   white.ogv      1 s of a white 160x90 picture in Theora, 15 frames a second
#   tone-440.webm  4 s of the tone in Vorbis, in WebM
#   tone-440.mp3   4 s of the tone, 8 kHz MP3 at 16 kbit/s
#   tone-440.flac  4 s of the tone, 8 kHz FLAC
#   blip-0.2.mp3, blip-0.4.mp3, blip-1.2.mp3
#                  short sounds as a page's effects are, MP3 at 64 kbit/s with
#                  no header that gives their length
#   white-tone.mp4 1 s of the white picture in H.264 with the tone in AAC
#   white.mov      1 s of the white picture in H.264, QuickTime
#   tone-440.m4a   2 s of the tone in AAC
# The H.264 ones need x264enc (gstreamer1.0-plugins-ugly), AAC avenc_aac
# (gstreamer1.0-libav).
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
gst-launch-1.0 -q videotestsrc pattern=white num-buffers=15 \
    ! video/x-raw,width=160,height=90,framerate=15/1 ! theoraenc ! oggmux \
    ! filesink location=white.ogv
# 8, 15 and 46 frames of 1152 samples.
for frames in 8:0.2 15:0.4 46:1.2; do
    gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers="${frames%%:*}" \
        samplesperbuffer=1152 ! audio/x-raw,rate=44100,channels=1 ! audioconvert \
        ! lamemp3enc target=bitrate bitrate=64 cbr=true ! filesink location="blip-${frames#*:}.mp3"
done
gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=172 samplesperbuffer=1024 \
    ! audio/x-raw,rate=44100,channels=1 ! audioconvert ! vorbisenc quality=0.1 ! webmmux \
    ! filesink location=tone-440.webm
gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=32 samplesperbuffer=1000 \
    ! audio/x-raw,rate=8000,channels=1 ! audioconvert ! lamemp3enc target=bitrate bitrate=16 cbr=true \
    ! filesink location=tone-440.mp3
gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=32 samplesperbuffer=1000 \
    ! audio/x-raw,rate=8000,channels=1,format=S16LE ! flacenc ! filesink location=tone-440.flac
gst-launch-1.0 -q videotestsrc pattern=white num-buffers=30 \
    ! video/x-raw,width=320,height=180,framerate=30/1 ! x264enc speed-preset=ultrafast key-int-max=30 \
    ! video/x-h264,profile=constrained-baseline ! mux. \
    audiotestsrc freq=440 volume=0.5 num-buffers=44 samplesperbuffer=1024 \
    ! audio/x-raw,rate=44100,channels=1 ! audioconvert ! avenc_aac bitrate=32000 ! aacparse ! mux. \
    mp4mux name=mux faststart=true ! filesink location=white-tone.mp4
gst-launch-1.0 -q videotestsrc pattern=white num-buffers=30 \
    ! video/x-raw,width=320,height=180,framerate=30/1 ! x264enc speed-preset=ultrafast \
    ! video/x-h264,profile=constrained-baseline ! qtmux faststart=true ! filesink location=white.mov
gst-launch-1.0 -q audiotestsrc freq=440 volume=0.5 num-buffers=86 samplesperbuffer=1024 \
    ! audio/x-raw,rate=44100,channels=1 ! audioconvert ! avenc_aac bitrate=32000 ! aacparse \
    ! mp4mux faststart=true ! filesink location=tone-440.m4a
