"""Checks a demo folder against what the player serves and lets a page do.

The player serves the folder at app://demo/ with a fixed content type per
extension (.html, .png and .js only; everything else goes out as
application/octet-stream; the table is src/page-contract.txt, which the build
writes into the player and hands to this check), follows symbolic links, never
serves anything but
regular files, and plays <audio> and <video> from the folder with the GStreamer
plugins WebKitGTK depends on.
Where the only OpenGL is a software rasterizer, the player draws pages
without compositing, so CSS 3D is drawn flat and backdrop-filter not at all,
unless it was built with VELMORIN_SOFTWARE_GL_PATH=compositing. A page that
relies on anything else fails quietly in the player. This check
reads the folder and the HTML and JavaScript in it and says so, one line per
finding, in the form editors understand:

    FILE:LINE: warning: WHAT, and what to do instead

References are found in the markup and in string literals of scripts; URLs
that a script builds at run time are not seen.
"""

import html.parser
import os
import posixpath
import re
import stat
import sys
import urllib.parse

from page_contract import CONTRACT_FILE, extension_of, read_contract

SCRIPT_EXTENSIONS = ("js", "mjs", "cjs")

ERROR = "error"
WARNING = "warning"

class Finding:
    def __init__(self, severity, path, line, message):
        self.severity, self.path, self.line, self.message = severity, path, line, message

    def format(self, folder):
        where = os.path.join(folder, self.path) if self.path else folder
        if self.line:
            where += f":{self.line}"
        return f"{where}: {self.severity}: {self.message}"


# How a page uses what a reference points at, and what the player makes of it.
# Each use names the rule that judges the target; "plain" uses are only
# checked for leaving the folder and for being there at all.
STYLESHEET = "style sheet"
MODULE = "module script"
MEDIA = "media"
IMAGE = "image"
ELEMENT_SOURCE = "element source"
WASM_STREAM = "streamed WebAssembly"
PLAIN = "plain"

# What a script's `.src = "…"` sets is told by the file's extension alone.
MEDIA_EXTENSIONS = {"aac", "flac", "m4a", "mov", "mp3", "mp4", "oga", "ogg", "ogv", "opus", "wav",
                    "weba", "webm"}

# Media the engine plays with the GStreamer plugins WebKitGTK itself depends
# on (Ogg, WebM with VP8 or VP9, Vorbis, Opus, FLAC, MP3, WAV), but for these:
# MP4 and its kin carry H.264 and AAC, whose decoders come with
# gstreamer1.0-libav, which WebKitGTK and the player's .deb only recommend.
MEDIA_NEEDING_LIBAV = {"aac", "m4a", "m4v", "mov", "mp4"}

MEDIA_ADVICE = (
    "it plays only where gstreamer1.0-libav is installed, which WebKitGTK does not require "
    "(the player's .deb recommends it and tools/setup.sh installs it, but an install without "
    "recommends lacks it); for every machine use WebM (VP8 or VP9 with Vorbis or Opus), Ogg, "
    "MP3, FLAC or WAV"
)


def judge_use(use, target, described, contract):
    """The warning for using a file of the folder this way, or None when the engine accepts it."""
    content_type = contract.served_type(target)
    if use == ELEMENT_SOURCE:
        use = MEDIA if target.rsplit(".", 1)[-1].lower() in MEDIA_EXTENSIONS else IMAGE
    if use == STYLESHEET and content_type != "text/css":
        return (
            f"{described} is served as {content_type}, which the engine refuses for a "
            "style sheet in a page with a doctype; put the CSS in a <style> element"
        )
    if use == MODULE and content_type != "text/javascript":
        advice = "name it .js"
        if not extension_of(target) and posixpath.basename(target).startswith("."):
            # A name that starts with its only dot is a hidden file's.
            advice = "a name that starts with its only dot has no extension; put a name before it"
        elif target.endswith(".json"):
            advice = "export the data from a .js module, or fetch() it and call response.json()"
        scripts = " and ".join(f".{e}" for e in contract.extensions_served_as("text/javascript"))
        return (
            f"{described} is served as {content_type}, which the engine refuses for a module "
            f"script (only {scripts or 'no'} files are served as text/javascript); {advice}"
        )
    if use == MEDIA and target.rsplit(".", 1)[-1].lower() in MEDIA_NEEDING_LIBAV:
        return f"{described}: {MEDIA_ADVICE}"
    if use == IMAGE and target.lower().endswith(".svg") and content_type != "image/svg+xml":
        return (
            f"{described} is served as {content_type}, which the engine does not show as an "
            "image (SVG needs image/svg+xml); use a PNG, or put the <svg> in the page"
        )
    if use == WASM_STREAM and content_type != "application/wasm":
        return (
            f"{described} is served as {content_type}, and streaming compilation needs "
            "application/wasm; use WebAssembly.instantiate(await response.arrayBuffer())"
        )
    return None


FOREIGN_SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")
FILE_URL = re.compile(r"\bfile:/[^\s'\"`<>)]*", re.IGNORECASE)


def resolve(reference, base, scheme):
    """Where a reference lands in the folder: ("inside", path), ("above", path), or None.

    `base` is the folder, relative to the top, that relative references start
    from. References to other schemes, to a host of their own, or to nothing
    are not the folder's business (file: URLs are found on their own).
    """
    if not reference or reference.startswith(("#", "//")):
        return None
    if FOREIGN_SCHEME.match(reference):
        if not reference.lower().startswith(scheme + "://"):
            return None
        path = urllib.parse.urlsplit(reference).path
    else:
        path = urllib.parse.urlsplit(reference).path
        if not path.startswith("/"):
            path = posixpath.join("/" + base, path)
    parts = []
    above = False
    # The scheme decodes the path before it resolves it, so an encoded dot or
    # slash counts as one.
    for part in urllib.parse.unquote(path).split("/"):
        if part in ("", "."):
            continue
        if part == "..":
            if parts:
                parts.pop()
            else:
                above = True
            continue
        parts.append(part)
    return ("above" if above else "inside", "/".join(parts))


# --- finding references in scripts and style sheets ------------------------

STRING = r"""(['"`])((?:(?!\1)[^\\\n]|\\.)*)\1"""
NOT_A_MEMBER = r"(?<![\w$.])"
# (use, whether the URL starts from the script's own folder, what it is, pattern)
SCRIPT_PATTERNS = [
    # Static imports and re-exports, dynamic import().
    (MODULE, True, "the module",
     NOT_A_MEMBER + r"import\s*(?:[\w$*{}\s,]+?\s*from\s*)?" + STRING),
    (MODULE, True, "the module",
     NOT_A_MEMBER + r"export\s*(?:\*(?:\s*as\s+[\w$]+)?|\{[^}]*\})\s*from\s*" + STRING),
    (MODULE, True, "the module", NOT_A_MEMBER + r"import\s*\(\s*" + STRING),
    (WASM_STREAM, False, "the WebAssembly file",
     r"(?:instantiate|compile)Streaming\s*\(\s*fetch\s*\(\s*" + STRING),
    (MEDIA, False, "the sound of new Audio()", r"\bnew\s+Audio\s*\(\s*" + STRING),
    (ELEMENT_SOURCE, False, "the source", r"\.src\s*=\s*" + STRING),
    (PLAIN, False, "the fetched URL", r"\bfetch\s*\(\s*" + STRING),
]
BARE_SPECIFIER_ENDS = re.compile(r"^(?:\.{0,2}/|[A-Za-z][A-Za-z0-9+.-]*:)")
CSS_IMPORT = re.compile(r"@import\s+(?:url\(\s*)?" + STRING + r"\s*\)?")
CSS_URLS = [re.compile(r"\burl\(\s*" + STRING), re.compile(r"\burl\(\s*([^'\"\s)]+)\s*\)")]


def blank_comments(source):
    """The script with its comments turned to spaces, line breaks kept, strings untouched.

    A "/" after an operator or an opening bracket starts a regular expression
    literal, whose content is skipped so that quotes or slashes in it are not
    taken for strings or comments.
    """
    out = list(source)
    index, length = 0, len(source)
    last_token = ""
    while index < length:
        char = source[index]
        if source.startswith("//", index):
            end = source.find("\n", index)
            end = length if end < 0 else end
        elif source.startswith("/*", index):
            end = source.find("*/", index + 2)
            end = length if end < 0 else end + 2
        elif char in "'\"`":
            end = index + 1
            while end < length and source[end] != char and (char == "`" or source[end] != "\n"):
                end += 2 if source[end] == "\\" else 1
            index, last_token = end + 1, "string"
            continue
        elif char == "/" and (last_token == "" or last_token in "(,=:[!&|?{};+-*%<>~^"):
            end, in_class = index + 1, False
            while end < length and source[end] != "\n":
                if source[end] == "\\":
                    end += 1
                elif source[end] == "[":
                    in_class = True
                elif source[end] == "]":
                    in_class = False
                elif source[end] == "/" and not in_class:
                    break
                end += 1
            index, last_token = end + 1, "regex"
            continue
        else:
            if not char.isspace():
                last_token = char if not (char.isalnum() or char in "_$") else "word"
            index += 1
            continue
        for blank in range(index, end):
            if out[blank] != "\n":
                out[blank] = " "
        index = end
    return "".join(out)


# What the player draws otherwise on a machine whose only OpenGL is a software
# rasterizer: there the engine paints pages without compositing, unless the
# player was built to keep it. Transform functions that look the same drawn
# flat (translateZ(0), rotateZ) are left alone.
SOFTWARE_GL_OPTION = "-DVELMORIN_SOFTWARE_GL_PATH=compositing"
CSS_3D = re.compile(r"\bperspective\s*[:(]|\bpreserve-3d\b|"
                    r"\b(?:rotate[xy]|rotate3d|matrix3d)\s*\(", re.IGNORECASE)
BACKDROP_FILTER = re.compile(r"(?:-webkit-)?backdrop-?filter", re.IGNORECASE)
# A script's own style properties, outside any string.
SCRIPT_CSS_3D = re.compile(r"\.perspective\s*=(?!=)")
DRAWN_FLAT = "is CSS 3D, which is drawn flat"
NOT_DRAWN = "is not drawn"
WITHOUT_GPU = ("on a machine whose only OpenGL is a software rasterizer (no GPU), where the "
               "player draws pages without compositing; build the player with "
               f"{SOFTWARE_GL_OPTION} to keep it there")


def strings_only(code):
    """The script with everything but its string literals turned to spaces, line breaks kept."""
    out = list(re.sub(r"[^\n]", " ", code))
    for match in re.finditer(STRING, code):
        out[match.start():match.end()] = match.group(0)
    return "".join(out)


def line_at(text, offset, first_line):
    return first_line + text.count("\n", 0, offset)


class FolderCheck:
    def __init__(self, folder, keeps_compositing, contract):
        self.folder = folder
        self.keeps_compositing = keeps_compositing
        self.contract = contract
        self.findings = []
        self.seen = set()

    def add(self, severity, path, line, message):
        key = (path, line, message)
        if key not in self.seen:
            self.seen.add(key)
            self.findings.append(Finding(severity, path, line, message))

    def reference(self, path, line, use, reference, base, what):
        """Judges one reference, from the file `path`, that starts from the folder `base`."""
        landing = resolve(reference.strip(), base, self.contract.scheme)
        if landing is None:
            return
        where, target = landing
        described = f"{what} {reference.strip()}"
        if where == "above":
            self.add(WARNING, path, line,
                     f"{described} goes above the top of the demo folder, and nothing outside "
                     f"it can be reached: the engine reads it as {self.contract.scheme}://demo/{target}; copy "
                     "the file into the folder")
            return
        complaint = judge_use(use, target, described, self.contract)
        if complaint:
            self.add(WARNING, path, line, complaint)
        elif not os.path.isfile(os.path.join(self.folder, target)):
            self.add(WARNING, path, line, f"{described} is not a file in the demo folder")

    def drawing(self, path, text, first_line, patterns):
        """Finds what is drawn otherwise without a GPU, each (pattern, how) of PATTERNS; a build
        that keeps compositing draws it."""
        if self.keeps_compositing:
            return
        for pattern, how in patterns:
            for match in pattern.finditer(text):
                what = match.group(0).rstrip(" \t:(=")
                self.add(WARNING, path, line_at(text, match.start(), first_line),
                         f"{what} {how} {WITHOUT_GPU}")

    def script(self, path, source, first_line, module_base, page_base):
        """Scans script text: imports start from its own folder, other URLs from the page's."""
        code = blank_comments(source)
        self.drawing(path, code, first_line,
                     ((SCRIPT_CSS_3D, DRAWN_FLAT), (BACKDROP_FILTER, NOT_DRAWN)))
        # CSS in a script is in its strings; rotateX() outside them is a
        # matrix library's.
        self.drawing(path, strings_only(code), first_line, ((CSS_3D, DRAWN_FLAT),))
        for use, from_module, what, pattern in SCRIPT_PATTERNS:
            for match in re.finditer(pattern, code):
                literal = match.group(match.lastindex)
                if match.group(match.lastindex - 1) == "`" and "${" in literal:
                    continue
                # A bare name ("three") is for an import map to place.
                if use == MODULE and not BARE_SPECIFIER_ENDS.match(literal):
                    continue
                self.reference(path, line_at(code, match.start(), first_line), use, literal,
                               module_base if from_module else page_base, what)
        self.file_urls(path, code, first_line)

    def css(self, path, text, first_line, base, standards_mode):
        """Scans style rules: @import (refused in standards mode alone), url() images, and
        what is drawn otherwise without a GPU."""
        self.drawing(path, text, first_line, ((CSS_3D, DRAWN_FLAT), (BACKDROP_FILTER, NOT_DRAWN)))
        for match in CSS_IMPORT.finditer(text):
            if standards_mode:
                self.reference(path, line_at(text, match.start(), first_line), STYLESHEET,
                               match.group(2), base, "the imported style sheet")
        rules = CSS_IMPORT.sub(lambda m: "\n" * m.group(0).count("\n"), text)
        for pattern in CSS_URLS:
            for match in pattern.finditer(rules):
                self.reference(path, line_at(rules, match.start(), first_line), IMAGE,
                               match.group(match.lastindex), base, "the image")

    def file_urls(self, path, text, first_line):
        for match in FILE_URL.finditer(text):
            self.add(WARNING, path, line_at(text, match.start(), first_line),
                     f"{match.group(0)} is an absolute file: URL, which the page cannot load; "
                     "put the file into the demo folder and use a relative URL")


class PageScanner(html.parser.HTMLParser):
    """Walks one HTML file and hands every reference in it to the check."""

    def __init__(self, check, path):
        super().__init__(convert_charrefs=True)
        self.check, self.path = check, path
        self.base = posixpath.dirname(path)
        self.standards_mode = False
        self.media_open = 0
        self.script_kind = None
        self.text_start = 0
        self.text = []

    def handle_decl(self, decl):
        self.standards_mode = self.standards_mode or decl.lower().startswith("doctype")

    def ref(self, use, value, what):
        self.check.reference(self.path, self.getpos()[0], use, value, self.base, what)

    def handle_starttag(self, tag, attrs):
        attributes = {name: value or "" for name, value in attrs}
        rel = attributes.get("rel", "").lower().split()
        media_element = tag in ("audio", "video")
        image_source = tag in ("img", "source") or (
            tag == "input" and attributes.get("type") == "image")
        for name, value in attrs:
            value = value or ""
            what = f"<{tag} {name}>"
            if tag == "link" and name == "href" and "stylesheet" in rel and self.standards_mode:
                self.ref(STYLESHEET, value, "the style sheet")
            elif tag == "link" and name == "href" and "modulepreload" in rel:
                self.ref(MODULE, value, "the module")
            elif tag == "script" and name == "src" and attributes.get("type") == "module":
                self.ref(MODULE, value, "the module")
            elif name == "src" and (media_element or tag == "source" and self.media_open):
                self.ref(MEDIA, value, what)
            elif name == "src" and image_source or name == "poster":
                self.ref(IMAGE, value, what)
            elif name == "srcset":
                use = MEDIA if self.media_open else IMAGE
                for candidate in value.split(","):
                    if candidate.split():
                        self.ref(use, candidate.split()[0], what)
            elif name in ("src", "href", "data", "action"):
                self.ref(PLAIN, value, what)
            elif name == "style":
                self.check.css(self.path, value, self.getpos()[0], self.base,
                               self.standards_mode)
        if media_element:
            self.media_open += 1
        if tag in ("script", "style"):
            kind = attributes.get("type", "").lower()
            # Import maps, templates and data blocks hold no script.
            runs = kind in ("", "module", "text/javascript", "application/javascript")
            self.script_kind = "style" if tag == "style" else ("script" if runs else None)
            self.text_start, self.text = self.getpos()[0], []

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag in ("audio", "video"):
            self.media_open -= 1

    def handle_endtag(self, tag):
        if tag in ("audio", "video") and self.media_open:
            self.media_open -= 1
        if tag in ("script", "style") and self.text:
            body = "".join(self.text)
            if self.script_kind == "style":
                self.check.css(self.path, body, self.text_start, self.base,
                               self.standards_mode)
            elif self.script_kind:
                # An inline script is part of the page: every URL in it
                # starts from the page's folder.
                self.check.script(self.path, body, self.text_start, self.base, self.base)
        if tag in ("script", "style"):
            self.script_kind, self.text = None, []

    def handle_data(self, data):
        if self.script_kind:
            self.text.append(data)


def check_folder(folder, keeps_compositing=False, contract=None):
    """Every finding for the folder, in a stable order."""
    contract = contract or read_contract(CONTRACT_FILE)
    check = FolderCheck(folder, keeps_compositing, contract)
    if not os.path.isdir(folder):
        check.add(ERROR, "", 0, "is not a folder")
        return check.findings
    start_page = contract.start_page
    if not os.path.isfile(os.path.join(folder, start_page)):
        check.add(ERROR, start_page, 0,
                  f"there is no {start_page} at the top of the demo folder, and the player "
                  f"starts from {contract.scheme}://demo/{start_page}")
    top = os.path.realpath(folder)
    for directory, subfolders, files in os.walk(folder):
        subfolders.sort()
        for name in sorted(subfolders + files):
            full = os.path.join(directory, name)
            path = os.path.relpath(full, folder).replace(os.sep, "/")
            first = len(check.findings)
            check_entry(check, top, full, path)
            # Each file's findings in the order of its lines.
            check.findings[first:] = sorted(check.findings[first:], key=lambda f: f.line)
    return check.findings


NOT_REGULAR = {stat.S_IFIFO: "a named pipe", stat.S_IFCHR: "a character device",
               stat.S_IFBLK: "a block device", stat.S_IFSOCK: "a socket"}


def check_entry(check, top, full, path):
    mode = os.lstat(full).st_mode
    if stat.S_ISLNK(mode):
        points_to = os.path.realpath(full)
        if not points_to.startswith(top + os.sep):
            check.add(WARNING, path, 0,
                      f"is a symbolic link to {points_to}, outside the demo folder: the player "
                      "follows it and serves what it points to, but <audio> and <video> refuse "
                      "it (error 4) wherever the player is installed; copy the file in instead")
        return
    if stat.S_IFMT(mode) in NOT_REGULAR:
        check.add(WARNING, path, 0,
                  f"is {NOT_REGULAR[stat.S_IFMT(mode)]}, not a regular file: the player never "
                  "serves it")
        return
    if not stat.S_ISREG(mode):
        return
    extension = extension_of(path)
    if extension not in ("html",) + SCRIPT_EXTENSIONS:
        return
    try:
        with open(full, encoding="utf-8", errors="replace") as source:
            text = source.read()
    except OSError as problem:
        check.add(WARNING, path, 0,
                  f"cannot be read ({problem.strerror}), so the player cannot serve it")
        return
    if extension == "html":
        scanner = PageScanner(check, path)
        scanner.feed(text)
        scanner.close()
        check.file_urls(path, re.sub(r"<!--.*?-->", lambda m: "\n" * m.group(0).count("\n"),
                                     text, flags=re.S), 1)
    else:
        # A script's own imports start from its folder; the URLs it fetches
        # start from the page, which is the start page at the top.
        check.script(path, text, 1, posixpath.dirname(path), "")


USAGE = ("usage: check-demo [--strict] [--software-gl-path=cpu|compositing] "
         "[--page-contract=FILE] DEMO_FOLDER")
SOFTWARE_GL_PATH = "--software-gl-path="
PAGE_CONTRACT = "--page-contract="


def main(arguments, out=sys.stdout):
    """Prints the findings; 1 when there is an error, or a warning under --strict.

    --software-gl-path is the build's VELMORIN_SOFTWARE_GL_PATH: with
    "compositing" the page keeps CSS 3D everywhere, and nothing is said of it.
    --page-contract is the file the build read the start page and the content
    types from (src/page-contract.txt when not given).
    """
    strict = "--strict" in arguments
    paths = [a[len(SOFTWARE_GL_PATH):] for a in arguments if a.startswith(SOFTWARE_GL_PATH)]
    contracts = [a[len(PAGE_CONTRACT):] for a in arguments if a.startswith(PAGE_CONTRACT)]
    folders = [a for a in arguments if a != "--strict"
               and not a.startswith((SOFTWARE_GL_PATH, PAGE_CONTRACT))]
    if (len(folders) != 1 or folders[0].startswith("-") or len(paths) > 1 or len(contracts) > 1
            or paths and paths[0] not in ("cpu", "compositing")):
        print(USAGE, file=sys.stderr)
        return 2
    try:
        contract = read_contract(contracts[0] if contracts else CONTRACT_FILE)
    except (OSError, ValueError) as problem:
        print(f"check-demo: {problem}", file=sys.stderr)
        return 2
    findings = check_folder(folders[0], keeps_compositing=paths == ["compositing"],
                            contract=contract)
    for finding in findings:
        print(finding.format(folders[0]), file=out)
    if any(f.severity == ERROR for f in findings) or (strict and findings):
        return 1
    return 0
