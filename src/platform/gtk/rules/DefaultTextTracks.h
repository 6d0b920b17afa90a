#pragma once

namespace velmorin {

// A script run in every frame before the page's own, which turns on a media
// element's default text tracks as other browsers do. WebKitGTK's caption
// preferences start in a display mode that shows forced subtitles only, and
// it has no setting or feature flag that changes them; so a
// <track kind=subtitles default> or kind=captions default stays "disabled"
// and its file is never fetched, while kind=metadata default is loaded. The
// engine also turns a showing subtitles track off again when it configures
// an element's tracks anew (on load, or when another track is added), even
// one the page turned on itself.
//
// The script does what the HTML standard asks of a browser whose user has
// no caption preferences, once per media element: the first time it finds
// the element with a <track> child and no longer being parsed, it turns the
// first default track that is "disabled" to "showing", among subtitles and
// captions and again among descriptions, unless one of that group already
// shows; default chapters and metadata tracks that are "disabled" become
// "hidden". A mode the page set before that stays as it is, because only
// "disabled" tracks are chosen. After that, a track that the page or the
// choice made "showing" and that the engine turns off is turned on again,
// except on an element with the engine's own controls, where the user may
// turn it off from the menu; the page sees that as one more change event.
//
// What it cannot do as the standard has it: it sees only elements in the
// document (not inside shadow roots, nor made by script and never added);
// the parser's closing of an element is taken as some node following it, or
// the document having loaded; and it runs a task after that, not at the
// closing itself, so an inline script right after the element still reads
// "disabled". To see it work, open a page with
// <video src=... ><track kind=subtitles src=a.vtt default></video>: the cue
// is drawn over the picture, and textTracks[0].mode reads "showing".
constexpr const char* defaultTextTracksScript = R"JS((() => {
  'use strict';
  if (typeof MutationObserver !== 'function' || typeof TextTrack !== 'function') {
    return;
  }
  const mode = Object.getOwnPropertyDescriptor(TextTrack.prototype, 'mode');
  if (!mode || !mode.get || !mode.set || !mode.configurable) {
    return;
  }
  const modeOf = (track) => mode.get.call(track);
  const setMode = (track, value) => mode.set.call(track, value);
  // The mode the page or the rule last gave each track.
  const wanted = new WeakMap();
  Object.defineProperty(TextTrack.prototype, 'mode', {
    ...mode,
    set(value) {
      setMode(this, value);
      wanted.set(this, modeOf(this));
    },
  });
  const chosen = new WeakSet();
  const watched = new WeakSet();
  const waiting = new Set();
  let timer = 0;
  const trackElements = (media) =>
    Array.prototype.filter.call(media.children, (child) => child instanceof HTMLTrackElement);
  // The parser has closed an element once any node follows it.
  const stillParsed = (media) => {
    if (document.readyState !== 'loading' || !media.isConnected) {
      return false;
    }
    for (let node = media; node; node = node.parentNode) {
      if (node.nextSibling) {
        return false;
      }
    }
    return true;
  };
  const select = (media) => {
    const defaults = new Set(trackElements(media).filter((e) => e.default).map((e) => e.track));
    const tracks = Array.from(media.textTracks);
    const offByDefault = (track) => defaults.has(track) && modeOf(track) === 'disabled';
    for (const kinds of [['subtitles', 'captions'], ['descriptions']]) {
      const candidates = tracks.filter((track) => kinds.includes(track.kind));
      const first = candidates.find(offByDefault);
      if (first && !candidates.some((track) => modeOf(track) === 'showing')) {
        setMode(first, 'showing');
        wanted.set(first, 'showing');
      }
    }
    for (const track of tracks) {
      if ((track.kind === 'chapters' || track.kind === 'metadata') && offByDefault(track)) {
        setMode(track, 'hidden');
      }
    }
  };
  // The engine turns a showing track off when it configures the element's
  // tracks again; one the page or the rule turned on is turned on again,
  // except where the engine's own controls let the user turn it off.
  const restore = (media) => {
    if (media.controls) {
      return;
    }
    for (const track of Array.from(media.textTracks)) {
      if (wanted.get(track) === 'showing' && modeOf(track) === 'disabled') {
        setMode(track, 'showing');
      }
    }
  };
  const run = () => {
    timer = 0;
    for (const media of Array.from(waiting)) {
      if (stillParsed(media)) {
        continue;
      }
      waiting.delete(media);
      if (!chosen.has(media) && trackElements(media).length > 0) {
        chosen.add(media);
        select(media);
      }
    }
  };
  const note = (media) => {
    if (!watched.has(media)) {
      watched.add(media);
      media.textTracks.addEventListener('change', () => restore(media));
    }
    if (!chosen.has(media)) {
      waiting.add(media);
    }
  };
  const noteAdded = (node) => {
    if (node instanceof HTMLTrackElement) {
      node = node.parentNode;
    }
    if (node instanceof HTMLMediaElement) {
      note(node);
    } else if (node instanceof Element && node.firstElementChild) {
      node.querySelectorAll('video, audio').forEach(note);
    }
  };
  const schedule = () => {
    if (waiting.size > 0 && timer === 0) {
      timer = setTimeout(run, 0);
    }
  };
  new MutationObserver((records) => {
    for (const record of records) {
      record.addedNodes.forEach(noteAdded);
    }
    schedule();
  }).observe(document, {childList: true, subtree: true});
  document.addEventListener('DOMContentLoaded', schedule);
})();)JS";

}  // namespace velmorin
