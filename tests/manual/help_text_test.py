"""The help text converter: what it rejects, what it reports when the
languages disagree, and the HTML and README text it makes."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "manual"))
import help_text  # noqa: E402

PAGE = "# Title\n\n## One {#one}\n\nText.\n\n```\nkey=value\n; comment\n```\n"


def texts(en, sl, name="Pa"):
    with tempfile.TemporaryDirectory() as directory:
        for folder, text in (("en", en), ("sl", sl)):
            os.makedirs(os.path.join(directory, folder))
            with open(os.path.join(directory, folder, name + ".md"), "w") as f:
                f.write(text)
        return help_text.read_texts(directory)


class HelpTextTest(unittest.TestCase):
    def test_rejects_what_the_format_lacks(self):
        for bad in ("no title\n", "# T\n\n## No id\n", "# T\n\n#### Deep {#d}\n",
                    "# T\n\n## A {#a}\n## B {#a}\n", "# T\n\n```\nopen\n", "# T\n\n1. one\n",
                    "# T\n\n> quote\n", "# T\n\n| a | b |\n", "# T\n\n* star item\n",
                    "# T\n\nan `open code\n", "# T\n\na **bold\n", "# T\n\na*b\n",
                    "# T\n\n[x](http://example.org)\n", "# T\n\n[x](Pa.html)\n"):
            with self.subTest(bad=bad), self.assertRaises(help_text.TextError):
                texts(bad, bad)

    def test_disagreements_are_reported(self):
        cases = {
            "another id": PAGE.replace("{#one}", "{#two}"),
            "another level": PAGE.replace("## One", "### One"),
            "a code line": PAGE.replace("key=value", "kljuc=vrednost"),
            "a missing block": PAGE.split("```")[0],
            "a link nowhere": PAGE + "\n[x](#none)\n",
        }
        for why, sl in cases.items():
            with self.subTest(why):
                self.assertTrue(help_text.agreement_faults(texts(PAGE, sl)))
        translated = PAGE.replace("; comment", "; opomba").replace("Text.", "Besedilo.")
        self.assertEqual(help_text.agreement_faults(texts(PAGE, translated)), [])

    def test_html_escapes_and_anchors(self):
        page = texts("# T\n\n## A <b> & c {#a}\n\n**x** *y* `<i>` [z](#a) [p](Pa.htm#a)\n",
                     "# T\n\n## Č {#a}\n\nž €\n")
        english = help_text.page_html(page["en"]["Pa"], help_text.LANGUAGES[0],
                                      [(help_text.LANGUAGES[1], page["sl"]["Pa"])])
        self.assertIn('<h2 id="a"><a id="a?"></a><a id="a?language=eng"></a>A &lt;b&gt; &amp; c'
                      "</h2>", english)
        self.assertIn('<strong>x</strong> <em>y</em> <code>&lt;i&gt;</code> <a href="#a">z</a> '
                      '<a href="Pa.htm\x01#a">p</a>', english)
        self.assertIn('<li id="a?language=slo"><a href="Pa.htm?language=slo#a">&Ccaron;</a>',
                      english)
        slovenian = help_text.page_html(page["sl"]["Pa"], help_text.LANGUAGES[1], [])
        self.assertIn("<p>&zcaron; &#8364;</p>", slovenian)

    def test_script_sources_are_the_base64_of_the_scripts_digest(self):
        known = {"": "'sha256-47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU='",
                 "abc": "'sha256-ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0='",
                 "\nalert(1);\n": "'sha256-L+t9q3v5LeakHkwTJJlqwHiLsxVtqG4eOt8NDvhN6eg='"}
        for script, source in known.items():
            self.assertEqual(help_text.script_source(script), source)

    def test_each_page_script_names_its_page_and_its_source_goes_with_it(self):
        with tempfile.TemporaryDirectory() as directory:
            out = os.path.join(directory, "table.cc")
            help_text.write_cxx(texts(PAGE, PAGE, name="Pzorvik"), out)
            with open(out) as f:
                table = f.read()
        script = help_text.page_script("Pzorvik")
        self.assertIn('var page = \\"Pzorvik.htm\\";', table)
        self.assertIn(help_text.script_source(script), table)


if __name__ == "__main__":
    unittest.main()
