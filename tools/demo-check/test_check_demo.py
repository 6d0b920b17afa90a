"""Checks of the demo folder check: python3 -m unittest discover tools/demo-check"""

import io
import os
import tempfile
import unittest

import check_demo
import page_contract

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.join(HERE, "..", "..", "demo")
EXTENSION_RULE = os.path.join(HERE, "..", "..", "tests", "data", "extension-rule.txt")

STANDARD = "<!doctype html>\n"


class Link:
    """A symbolic link; "{outside}" in the target is a file beside the folder."""

    def __init__(self, target):
        self.target = target


class Fifo:
    pass


# CSS 3D and backdrop-filter in style rules, style attributes and scripts,
# beside a matrix library's rotateX() and transforms that look the same flat.
DRAWN_OTHERWISE = {
    "index.html": STANDARD + "<style>\n.cube { transform-style: preserve-3d;\n"
                  "  perspective: 600px; transform: translateZ(0) }\n</style>\n"
                  '<div style="-webkit-backdrop-filter: blur(4px)"></div>\n'
                  '<script src="a.js"></script>',
    "a.js": "el.style.transform = `perspective(400px) rotateY(${a}deg)`;\n"
            "mat4.rotateX(m, m, 0.1); el.style.transform = 'rotateZ(3deg)';\n"
            "el.style.webkitBackdropFilter = 'none'; // rotateX('in a comment')\n"
            "el.style.perspective = '500px'; if (el.perspective == 1) {}",
}

# name, files, expected findings as (where, words the line must hold). Every
# line of the output must be expected: a clean folder prints nothing.
CASES = [
    ("a clean page", {
        "index.html": STANDARD + '<style>body { background: url(pics/bg.png) }</style>\n'
                      '<img src="pics/bg.png" srcset="pics/bg.png 2x">\n'
                      '<link rel="icon" href="data:,"><a href="https://example.org/">x</a>\n'
                      '<script type="module" src="js/main.js"></script>',
        "js/main.js": "import { a } from './lib/a.js';\nimport 'three';\n"
                      "// import './old.mjs';\nconst re = /'/g; /* import './gone.mjs' */\n"
                      "fetch('pics/bg.png'); fetch(`pics/${a}.png`);\n",
        "js/lib/a.js": "export const a = 1;",
        "pics/bg.png": "",
        "inside-link.js": Link("js/main.js"),
    }, []),
    ("no start page", {"main.js": ""},
     [("index.html", "error: there is no index.html")]),
    ("style sheets in standards mode", {
        "index.html": STANDARD + '<link rel="stylesheet" href="style.css">\n'
                      '<style>\n@import "more.css";\n</style>',
        "style.css": "", "more.css": "",
    }, [("index.html:2", "the style sheet style.css is served as application/octet-stream"),
        ("index.html:4", "the imported style sheet more.css is served as")]),
    ("style sheets in quirks mode are taken", {
        "index.html": '<link rel="stylesheet" href="style.css"><style>@import "style.css";</style>',
        "style.css": "",
    }, []),
    ("module scripts", {
        "index.html": STANDARD + '<script type="module" src="main.mjs"></script>\n'
                      "<script>import('./data.json')</script>",
        "main.mjs": "", "data.json": "",
        "sub/a.js": "export * from './b.JS';\nimport x from\n  '../main.mjs';",
        "sub/b.JS": "", ".js": "",
        "hidden.html": STANDARD + '<script type="module" src=".js"></script>',
    }, [("hidden.html:2", "the module .js is served as application/octet-stream"),
        ("index.html:2", "the module main.mjs is served as application/octet-stream"),
        ("index.html:3", "or fetch() it and call response.json()"),
        ("sub/a.js:1", "the module ./b.JS is served as application/octet-stream"),
        ("sub/a.js:2", "the module ../main.mjs is served as")]),
    ("audio and video", {
        "index.html": STANDARD + '<audio src="a.ogg"></audio>\n'
                      '<video>\n<source src="v.mp4">\n</video>\n<script src="s.js"></script>',
        "s.js": "new Audio('b.m4a'); new Audio('b.mp3'); player.src = 'c.wav'; p.src = 'd.MOV';",
        "a.ogg": "", "v.mp4": "", "b.m4a": "", "b.mp3": "", "c.wav": "", "d.MOV": "",
    }, [("index.html:4", "<source src> v.mp4: it plays only where gstreamer1.0-libav"),
        ("s.js:1", "the sound of new Audio() b.m4a: it plays only where"),
        ("s.js:1", "the source d.MOV: it plays only where")]),
    ("SVG as an image", {
        "index.html": STANDARD + '<img src="logo.svg">\n<div style="background: url(\'bg.svg\')">'
                      '<img src="photo.jpg">',
        "logo.svg": "", "bg.svg": "", "photo.jpg": "",
    }, [("index.html:2", "<img src> logo.svg is served as application/octet-stream, which the "
                         "engine does not show as an image"),
        ("index.html:3", "the image bg.svg is served as")]),
    ("streamed WebAssembly", {
        "index.html": STANDARD + "<script>\nWebAssembly.instantiateStreaming(fetch('m.wasm'));"
                      "</script>",
        "m.wasm": "",
    }, [("index.html:3", "streaming compilation needs application/wasm")]),
    ("file: URLs", {
        "index.html": STANDARD + '<img src="file:///home/me/pic.png">',
        "a.js": "const url = 'FILE:/etc/passwd';",
    }, [("a.js:1", "FILE:/etc/passwd is an absolute file: URL"),
        ("index.html:2", "file:///home/me/pic.png is an absolute file: URL")]),
    ("links above the top", {
        "index.html": STANDARD + '<script src="../shared/x.js"></script>\n'
                      '<img src="pics/..%2f..%2fsecret.png">',
        "sub/a.js": "import '../../x.js';\nfetch('../y.txt');",
    }, [("index.html:2", "../shared/x.js goes above the top of the demo folder"),
        ("index.html:3", "the engine reads it as app://demo/secret.png"),
        ("sub/a.js:1", "../../x.js goes above the top"),
        ("sub/a.js:2", "the fetched URL ../y.txt goes above the top")]),
    ("missing files", {
        "index.html": STANDARD + '<img src="Logo.png">',
        "logo.png": "",
    }, [("index.html:2", "<img src> Logo.png is not a file in the demo folder")]),
    ("what is drawn otherwise without a GPU", DRAWN_OTHERWISE, [
        ("a.js:1", "perspective is CSS 3D, which is drawn flat on a machine whose only OpenGL"),
        ("a.js:1", "rotateY is CSS 3D"),
        ("a.js:3", "BackdropFilter is not drawn"),
        ("a.js:4", ".perspective is CSS 3D"),
        ("index.html:3", "preserve-3d is CSS 3D"),
        ("index.html:4", "perspective is CSS 3D"),
        ("index.html:6", "backdrop-filter is not drawn")]),
    ("links out and files that are never served", {
        "index.html": STANDARD,
        "out.png": Link("{outside}"),
        "pipe": Fifo(),
    }, [("out.png", "is a symbolic link to {outside}, outside the demo folder"),
        ("pipe", "is a named pipe, not a regular file")]),
]


def make_folder(top, files):
    folder = os.path.join(top, "demo")
    outside = os.path.join(top, "secret.png")
    open(outside, "w").close()
    os.mkdir(folder)
    for name, content in files.items():
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if isinstance(content, Link):
            os.symlink(content.target.format(outside=outside), path)
        elif isinstance(content, Fifo):
            os.mkfifo(path)
        else:
            with open(path, "w") as out:
                out.write(content)
    return folder, outside


def run(arguments):
    out = io.StringIO()
    status = check_demo.main(arguments, out)
    return status, out.getvalue().splitlines()


class FolderCheckTest(unittest.TestCase):
    def test_cases(self):
        for name, files, expected in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as top:
                folder, outside = make_folder(top, files)
                status, lines = run([folder])
                shown = [line[len(folder) + 1:] for line in lines]
                self.assertEqual(len(shown), len(expected), "\n".join(lines))
                for line, (where, words) in zip(shown, expected):
                    self.assertTrue(line.startswith(where + ": "), line)
                    self.assertIn(words.format(outside=outside), line)
                errors = any(": error: " in line for line in shown)
                self.assertEqual(status, 1 if errors else 0)

    def test_strict_fails_on_a_warning_alone(self):
        with tempfile.TemporaryDirectory() as top:
            folder, _ = make_folder(top, {"index.html": STANDARD + '<img src="gone.png">'})
            self.assertEqual(run([folder])[0], 0)
            status, lines = run(["--strict", folder])
            self.assertEqual((status, len(lines)), (1, 1))

    def test_the_software_gl_path_option(self):
        with tempfile.TemporaryDirectory() as top:
            folder, _ = make_folder(top, DRAWN_OTHERWISE)
            status, lines = run(["--software-gl-path=cpu", folder])
            self.assertEqual(status, 0)
            self.assertEqual(len(lines), 7, "\n".join(lines))
            for line in lines:
                self.assertIn("build the player with -DVELMORIN_SOFTWARE_GL_PATH=compositing", line)
            # A build that keeps compositing draws all of it.
            self.assertEqual(run(["--strict", "--software-gl-path=compositing", folder]), (0, []))
            self.assertEqual(run(["--software-gl-path=gpu", folder])[0], 2)

    def test_the_page_contract_option(self):
        # The contract the player is built from says what is served: one that
        # serves more lets a page rely on more, and names the start page.
        files = {"main.html": STANDARD + '<link rel="stylesheet" href="s.css">\n'
                              '<script type="module" src="m.mjs"></script>',
                 "s.css": "", "m.mjs": ""}
        with tempfile.TemporaryDirectory() as top:
            folder, _ = make_folder(top, files)
            contract = os.path.join(top, "contract.txt")
            with open(contract, "w") as out:
                out.write("# more than the player's own\nscheme app\nstart-page main.html\n"
                          "exit-title bye\n"
                          "fallback-type application/x-other\ntype mjs text/javascript\n"
                          "type js text/javascript\ntype css text/css\n")
            self.assertEqual(run(["--strict", f"--page-contract={contract}", folder]), (0, []))
            status, lines = run([folder])
            self.assertEqual(status, 1)
            self.assertEqual([line[len(folder) + 1:].split(": ")[0] for line in lines],
                             ["index.html", "main.html:2", "main.html:3"], "\n".join(lines))
            self.assertEqual(run([f"--page-contract={top}/none.txt", folder])[0], 2)


# Contracts the one reader refuses, each beside one it takes; the build and
# the check both stop on them.
FACTS = "scheme app\nstart-page index.html\nexit-title bye\nfallback-type x/y\n"
BAD_CONTRACTS = [
    ("no exit title", FACTS.replace("exit-title bye\n", ""), "gives no exit-title"),
    ("a type without its value", FACTS + "type svg\n", "cannot read the line"),
    ("a type for a name with a dot", FACTS + "type tar.gz x/y\n", "cannot read the line"),
    ("a value with a semicolon", FACTS + "type css text/css;x\n", "holds a quote"),
    ("a value with a quote", FACTS.replace("bye", 'b"ye'), "holds a quote"),
    ("a type given twice", FACTS + "type js a/b\ntype js c/d\n", "gives js again"),
    ("a fact given twice", FACTS + "start-page other.html\n", "gives start-page again"),
]


class PageContractTest(unittest.TestCase):
    def read(self, text):
        with tempfile.NamedTemporaryFile("w") as contract:
            contract.write(text)
            contract.flush()
            return page_contract.read_contract(contract.name)

    def test_what_the_reader_refuses(self):
        self.assertEqual(self.read(FACTS.replace(" ", "\t ") + "  # note\n").exit_title, "bye")
        for name, text, words in BAD_CONTRACTS:
            with self.subTest(name), self.assertRaisesRegex(ValueError, words):
                self.read(text)

    def test_the_extension_rule_the_player_shares(self):
        with open(EXTENSION_RULE) as cases:
            for path, extension in (line.split() for line in cases if line[0] != "#"):
                self.assertEqual(page_contract.extension_of(path), extension.strip("-"), path)


if __name__ == "__main__":
    unittest.main()
