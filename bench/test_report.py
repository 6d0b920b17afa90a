"""Checks of how bench/report.py writes its table into docs/benchmarks.md:
python3 -m unittest discover -s bench -p 'test_*.py'"""

import tempfile
import unittest
from pathlib import Path

import report

DOC = Path(__file__).resolve().parent.parent / "docs" / "benchmarks.md"
TABLE = "| fresh | table |"


def written(text):
    """What write_into leaves of a document holding `text` (None: no document)."""
    with tempfile.TemporaryDirectory() as top:
        doc = Path(top) / "benchmarks.md"
        if text is not None:
            doc.write_text(text)
        report.write_into(doc, TABLE)
        return doc.read_text()


class WriteIntoTest(unittest.TestCase):
    def test_a_copy_of_the_document_keeps_every_hand_written_section(self):
        original = DOC.read_text()
        result = written(original)
        before, _, rest = original.partition(report.BEGIN)
        hand_written = rest.partition(report.END)[2]
        self.assertEqual(result, f"{before}{report.BEGIN}\n{TABLE}\n{report.END}{hand_written}")
        # The document does have sections of its own after the results.
        self.assertGreaterEqual(hand_written.count("\n## "), 3)

    def test_a_lone_marker_leaves_the_document_alone(self):
        for text in (f"# B\n{report.BEGIN}\nold\n## Notes\n", f"# B\n{report.END}\n",
                     f"# B\n{report.END}\nold\n{report.BEGIN}\n"):
            with self.subTest(text), self.assertRaises(SystemExit):
                written(text)

    def test_a_document_without_markers_is_made(self):
        self.assertIn(f"{report.BEGIN}\n{TABLE}\n{report.END}", written(None))


if __name__ == "__main__":
    unittest.main()
