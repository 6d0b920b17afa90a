"""The one reader of src/page-contract.txt, what the player promises a demo page.

The build runs this file to learn the contract (it writes the facts as CMake
variables, which the program's generated headers are made from), and the
demo folder's check imports it, so the player and the check read the same
file the same way:

    page_contract.py CONTRACT CMAKE_FILE
"""

import os
import posixpath
import re
import sys

CONTRACT_FILE = os.path.join(os.path.dirname(os.path.realpath(__file__)), "..", "..", "src",
                             "page-contract.txt")

FACTS = ("scheme", "start-page", "exit-title", "fallback-type")
# A value goes into C++ string literals and CMake lists as it stands, so it
# may hold none of the characters that would need escaping there.
VALUE = re.compile(r'[^\s";\\]+')
EXTENSION = re.compile(r"[A-Za-z0-9]+")


def extension_of(path):
    """The text after the last "." of the last path component: "lib.min.js" gives "js".

    A name whose only "." is its first character is a hidden file with no
    extension (".js" gives ""), as is a name ending in ".". The player's
    pathExtension() is the same rule; tests/data/extension-rule.txt holds the
    cases both must pass.
    """
    name = posixpath.basename(path)
    dot = name.rfind(".")
    return "" if dot <= 0 else name[dot + 1:]


class PageContract:
    """The scheme, the start page, the exit title, the fallback type and the content type of each
    extension."""

    def __init__(self, facts, served_types):
        self.scheme = facts["scheme"]
        self.start_page = facts["start-page"]
        self.exit_title = facts["exit-title"]
        self.fallback_type = facts["fallback-type"]
        self.served_types = served_types

    def served_type(self, path):
        """The content type the player sends for a file: by the exact text after the last dot."""
        return self.served_types.get(extension_of(path), self.fallback_type)

    def extensions_served_as(self, content_type):
        return sorted(e for e, t in self.served_types.items() if t == content_type)


def read_contract(path):
    """The contract a file of "name value" lines gives; ValueError when it cannot be read."""
    facts, types = {}, {}
    with open(path, encoding="utf-8") as lines:
        for number, line in enumerate(lines, 1):
            words = line.split()
            if not words or words[0].startswith("#"):
                continue
            name, values = words[0], words[1:]
            if name == "type" and len(values) == 2 and EXTENSION.fullmatch(values[0]):
                key, known = values[0], types
            elif name in FACTS and len(values) == 1:
                key, known = name, facts
            else:
                raise ValueError(f"{path}:{number}: cannot read the line {line.strip()!r}")
            if not VALUE.fullmatch(values[-1]):
                raise ValueError(f"{path}:{number}: {values[-1]!r} holds a quote, a backslash "
                                 "or a \";\"")
            # The player and the check would each keep another of the two.
            if key in known:
                raise ValueError(f"{path}:{number}: {line.strip()!r} gives {key} again")
            known[key] = values[-1]
    missing = [fact for fact in FACTS if fact not in facts]
    if missing:
        raise ValueError(f"{path}: gives no {' and no '.join(missing)}")
    return PageContract(facts, types)


def cmake_facts(contract):
    """The contract as the CMake variables the build makes the program's headers from."""
    rows = "".join(f'    {{"{e}", "{t}"}},\n' for e, t in contract.served_types.items())
    return (f'set(VELMORIN_SCHEME "{contract.scheme}")\n'
            f'set(VELMORIN_START_PAGE "{contract.start_page}")\n'
            f'set(VELMORIN_EXIT_TITLE "{contract.exit_title}")\n'
            f'set(VELMORIN_FALLBACK_TYPE "{contract.fallback_type}")\n'
            f"set(VELMORIN_SERVED_TYPE_ROWS [==[\n{rows}]==])\n")


def main(arguments):
    if len(arguments) != 2:
        print("usage: page_contract.py CONTRACT CMAKE_FILE", file=sys.stderr)
        return 2
    try:
        facts = cmake_facts(read_contract(arguments[0]))
    except (OSError, ValueError) as problem:
        print(f"page contract: {problem}", file=sys.stderr)
        return 1
    with open(arguments[1], "w", encoding="utf-8") as out:
        out.write(facts)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
