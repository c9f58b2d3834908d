#!/usr/bin/env python3
"""The help texts of manual/text: reads the Markdown subset they are written
in, turns each page into the C++ table the program serves (`cxx`) and checks
that the languages agree (`check`)."""

import argparse
import base64
import hashlib
import html
import os
import re
import sys

# Folder, the program's short name of the language, the HTML language code
# and the language's own name; in the order of the program's language table.
LANGUAGES = [("en", "eng", "en", "English"), ("sl", "slo", "sl", "Sloven\u0161\u010dina")]
# The letters the programs keep as entity names, so that every Slovenian
# coding can write them; any other non-ASCII character becomes a number.
ENTITY_LETTERS = "\u010d\u0161\u017e\u010c\u0160\u017d\u0107\u0106\u0111\u0110\u00fc\u00dc" \
    "\u00f6\u00d6\u00eb\u00cb\u00df\u00e9\u00c9\u00e8\u00c8\u00ea\u00ca\u00e2\u00c2\u00fb" \
    "\u00db\u00e7\u00c7\u0159\u0158\u00f1\u00d1\u00f5\u00d5\u00e6\u00c6\u00a9"
ENTITY_NAMES = ("ccaron scaron zcaron Ccaron Scaron Zcaron cacute Cacute dstrok Dstrok uuml Uuml "
                "ouml Ouml euml Euml szlig eacute Eacute egrave Egrave ecirc Ecirc acirc Acirc "
                "ucirc Ucirc ccedil Ccedil rcaron Rcaron ntilde Ntilde otilde Otilde aelig AElig "
                "copy").split()
# Written where a link to another page takes the request's language query.
QUERY_MARK = "\x01"

PAGE_NAME = re.compile(r"P[A-Za-z0-9]+$")
HEADING = re.compile(r"(#{2,3}) (\S.*?) \{#([a-z0-9-]+)\}$")
LINK_TARGET = re.compile(r"(?:(P[A-Za-z0-9]+)\.htm)?(?:#([a-z0-9-]+))?$")
FENCE = re.compile(r"```([a-z]*)$")

# The one inline script of every page, its name written in. The
# administration pages write the language into the fragment of a help link
# ("#settings?language=slo"), which the browser never sends. This moves to
# the page of that language ("?language=slo#settings") when it is not the one
# shown, else to the plain section; without scripts the page still holds an
# anchor for each such fragment. Only a section word and a language value are
# taken from the fragment; the page's file name is written into the script
# here, never read from the address, whose path a server may have decoded and
# shortened (".." after "%2F") to reach this page from a "javascript:" name.
# A link to another section of the loaded page changes only the fragment. The
# page's name goes between the two parts: a name of the page table, letters
# and digits, it cannot end the string.
SCRIPT_BEFORE_PAGE = (
    "\n"
    "function kalderHelpSection() {\n"
    "  var m = /^#([a-z0-9-]+)\\?(language=[^&#]*)?$/.exec(location.hash);\n"
    "  if (!m) return;\n"
    "  var query = m[2] ? \"?\" + m[2] : \"\";\n"
    "  var page = \"")
SCRIPT_AFTER_PAGE = (
    ".htm\";\n"
    "  location.replace((query === location.search ? \"\" : page + query) + \"#\" + m[1]);\n"
    "}\n"
    "kalderHelpSection();\n"
    "window.addEventListener(\"hashchange\", kalderHelpSection);\n")


class TextError(Exception):
    pass


class Block:
    """kind: "p", "ul", "pre" or "h"; lines: its text lines (list items for
    "ul"); for "h" also level, id and the heading text."""

    def __init__(self, kind, lines, level=0, ident="", line=0):
        self.kind, self.lines, self.level, self.id, self.line = kind, lines, level, ident, line


class Page:
    def __init__(self, path, title, blocks):
        self.path, self.title, self.blocks = path, title, blocks

    def headings(self):
        return [b for b in self.blocks if b.kind == "h"]

    def code_blocks_by_section(self):
        """[(section id, [code block lines, ...])] in page order."""
        sections = [("", [])]
        for b in self.blocks:
            if b.kind == "h":
                sections.append((b.id, []))
            elif b.kind == "pre":
                sections[-1][1].append(b.lines)
        return sections


def parse_page(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()

    def fail(number, why):
        raise TextError(f"{path}:{number}: {why}")

    if not lines or not lines[0].startswith("# ") or not lines[0][2:].strip():
        fail(1, "the first line must be the page title, '# Title'")
    blocks, ids, i = [], set(), 1
    while i < len(lines):
        line, number = lines[i], i + 1
        if line.strip() == "":
            i += 1
        elif FENCE.match(line):
            end = i + 1
            while end < len(lines) and lines[end] != "```":
                end += 1
            if end == len(lines):
                fail(number, "code block without its closing ```")
            blocks.append(Block("pre", lines[i + 1:end], line=number))
            i = end + 1
        elif line.startswith("#"):
            m = HEADING.match(line)
            if not m:
                fail(number, "a heading is '## Text {#id}' or '### Text {#id}'")
            if m.group(3) in ids:
                fail(number, f"the id {m.group(3)} is used twice")
            ids.add(m.group(3))
            blocks.append(Block("h", [m.group(2)], len(m.group(1)), m.group(3), number))
            parse_inline(m.group(2), lambda why: fail(number, why))
            i += 1
        elif line.startswith("- "):
            items = []
            while i < len(lines) and (lines[i].startswith("- ") or
                                      (items and lines[i].startswith("  ") and lines[i].strip())):
                if lines[i].startswith("- "):
                    items.append(lines[i][2:].strip())
                else:
                    items[-1] += " " + lines[i].strip()
                i += 1
            for item in items:
                parse_inline(item, lambda why: fail(number, why))
            blocks.append(Block("ul", items, line=number))
        else:
            start = i
            while i < len(lines) and lines[i].strip() and not starts_block(lines[i]):
                if lines[i].startswith((" ", "\t")) or re.match(r"(\d+\.|[*+>|]) ", lines[i]):
                    fail(i + 1, "not part of the help text format (indented text, numbered "
                             "list, quote or table)")
                i += 1
            text = " ".join(l.strip() for l in lines[start:i])
            parse_inline(text, lambda why: fail(start + 1, why))
            blocks.append(Block("p", [text], line=start + 1))
    return Page(path, lines[0][2:].strip(), blocks)


def starts_block(line):
    return line.startswith(("#", "- ")) or FENCE.match(line) is not None


def parse_inline(text, fail):
    """The text as a list of pieces: ("text", s), ("code", s),
    ("strong", pieces), ("em", pieces), ("link", pieces, target)."""
    pieces, i, plain = [], 0, ""
    while i < len(text):
        c = text[i]
        if c == "`":
            end = text.find("`", i + 1)
            if end < 0:
                fail("` without its closing `")
            kind, inner, i = "code", text[i + 1:end], end + 1
        elif text.startswith("**", i):
            end = text.find("**", i + 2)
            if end < 0:
                fail("** without its closing **")
            kind, inner, i = "strong", parse_inline(text[i + 2:end], fail), end + 2
        elif c == "*":
            end = text.find("*", i + 1)
            if end < 0:
                fail("* without its closing * (a literal star goes in `code`)")
            kind, inner, i = "em", parse_inline(text[i + 1:end], fail), end + 1
        elif c == "[":
            m = re.compile(r"\[([^\]]+)\]\(([^)\s]*)\)").match(text, i)
            if not m or not LINK_TARGET.match(m.group(2)) or not m.group(2):
                fail("a link is [text](Ppage.htm#id), [text](Ppage.htm) or [text](#id)")
            kind, inner, i = "link", (parse_inline(m.group(1), fail), m.group(2)), m.end()
        else:
            plain += c
            i += 1
            continue
        if plain:
            pieces.append(("text", plain))
            plain = ""
        pieces.append((kind, inner))
    if plain:
        pieces.append(("text", plain))
    return pieces


def links_of(pieces):
    for kind, inner in pieces:
        if kind == "link":
            yield inner[1]
            yield from links_of(inner[0])
        elif kind in ("strong", "em"):
            yield from links_of(inner)


def read_texts(text_dir):
    """{folder: {page name: Page}} for every language folder."""
    texts = {}
    for folder, *_ in LANGUAGES:
        pages = {}
        directory = os.path.join(text_dir, folder)
        for name in sorted(os.listdir(directory)):
            if not name.endswith(".md"):
                continue
            if not PAGE_NAME.match(name[:-3]):
                raise TextError(f"{directory}/{name}: a page name is P and letters or digits")
            pages[name[:-3]] = parse_page(os.path.join(directory, name))
        texts[folder] = pages
    return texts


# ---------------------------------------------------------------- HTML

def letters(text, use_entities):
    """Escapes <, > and &, and writes every non-ASCII character as an entity."""
    out = []
    for c in html.escape(text, quote=True):
        if ord(c) < 128:
            out.append(c)
        elif use_entities and c in ENTITY_LETTERS:
            out.append("&" + ENTITY_NAMES[ENTITY_LETTERS.index(c)] + ";")
        else:
            out.append(f"&#{ord(c)};")
    return "".join(out)


def inline_html(pieces, use_entities):
    out = []
    for kind, inner in pieces:
        if kind == "text":
            out.append(letters(inner, use_entities))
        elif kind == "code":
            out.append("<code>" + letters(inner, use_entities) + "</code>")
        elif kind in ("strong", "em"):
            out.append(f"<{kind}>" + inline_html(inner, use_entities) + f"</{kind}>")
        else:
            label, target = inner
            page, _, ident = target.partition("#")
            href = (page + QUERY_MARK if page else "") + ("#" + ident if ident else "")
            out.append(f'<a href="{href}">' + inline_html(label, use_entities) + "</a>")
    return "".join(out)


def page_html(page, language, others):
    """The body of one page in one language: its sections, each anchored by
    its id and by the fragments the administration pages put in their help
    links ("word?" and "word?language=eng"), then for every other language
    the list of the same sections in it, each item anchored by that
    language's fragment, so a link in the other language lands there even
    without the page's script."""
    _, short, _, _ = language
    use_entities = short != "eng"
    inline = lambda text: inline_html(parse_inline(text, None), use_entities)  # noqa: E731
    out = []
    for b in page.blocks:
        if b.kind == "h":
            anchors = f'<a id="{b.id}?"></a><a id="{b.id}?language={short}"></a>'
            out.append(f'<h{b.level} id="{b.id}">{anchors}{inline(b.lines[0])}</h{b.level}>')
        elif b.kind == "p":
            out.append("<p>" + inline(b.lines[0]) + "</p>")
        elif b.kind == "ul":
            out.append("<ul>\n" + "".join(f"<li>{inline(item)}</li>\n" for item in b.lines)
                       + "</ul>")
        else:
            out.append("<pre>" + "".join(letters(l, use_entities) + "\n" for l in b.lines)
                       + "</pre>")
    name = os.path.basename(page.path)[:-3]
    for (_, other_short, code, own_name), other in others:
        out.append(f'<hr>\n<h2 id="language-{other_short}" lang="{code}">'
                   f"{letters(own_name, True)}</h2>\n<ul lang=\"{code}\">")
        for b in other.headings():
            title = inline_html(strip_links(parse_inline(b.lines[0], None)), True)
            out.append(f'<li id="{b.id}?language={other_short}"><a href="{name}.htm?language='
                       f'{other_short}#{b.id}">{title}</a></li>')
        out.append("</ul>")
    return "\n".join(out) + "\n"


def strip_links(pieces):
    out = []
    for kind, inner in pieces:
        if kind == "link":
            out.extend(strip_links(inner[0]))
        elif kind in ("strong", "em"):
            out.append((kind, strip_links(inner)))
        else:
            out.append((kind, inner))
    return out


def cxx_string(text):
    """A C++ string literal, one source line a line of the text."""
    escaped = text.replace("\\", "\\\\").replace('"', '\\"').replace(QUERY_MARK, "\\001")
    lines = escaped.split("\n")
    parts = [f'"{l}\\n"' for l in lines[:-1]] + ([f'"{lines[-1]}"'] if lines[-1] else [])
    return "\n        ".join(parts) or '""'


def page_script(name):
    """The text between the script tags of the page `name`."""
    return SCRIPT_BEFORE_PAGE + name + SCRIPT_AFTER_PAGE


def script_source(script):
    """The script-src source that admits exactly `script`: its SHA-256,
    worked out here so that the program needs no digest of its own."""
    digest = hashlib.sha256(script.encode()).digest()
    return "'sha256-" + base64.b64encode(digest).decode() + "'"


def write_cxx(texts, out_path):
    names = sorted(texts["en"])
    rows = []
    for name in names:
        variants = []
        for language in LANGUAGES:
            folder, short, code, _ = language
            page = texts[folder][name]
            others = [(l, texts[l[0]][name]) for l in LANGUAGES if l is not language]
            use_entities = short != "eng"
            title = inline_html(parse_inline(page.title, None), use_entities)
            variants.append(f'    {{"{short}", "{code}", {cxx_string(title)},\n'
                            f"     {cxx_string(page_html(page, language, others))}}}")
        script = page_script(name)
        rows.append(f'  {{"{name}", {{{{\n' + ",\n".join(variants) + "}},\n"
                    f"   {cxx_string(script)},\n   {cxx_string(script_source(script))}}},\n")
    text = ("// Generated from manual/text by manual/help_text.py: do not edit.\n"
            '#include "manual/help_pages.h"\n\n'
            "const HelpPage kHelpPages[] = {\n" + "".join(rows) + "};\n"
            f"const size_t kHelpPageCount = {len(names)};\n")
    with open(out_path, "w") as f:
        f.write(text)


# ---------------------------------------------------------------- checks

def differing_lines(a, b):
    """Lines where two versions of a code block differ, comments aside."""
    if len(a) != len(b):
        return True
    return any(x != y and not (x.startswith((";", "#")) and y.startswith((";", "#")))
               for x, y in zip(a, b))


def agreement_faults(texts):
    """Everything in which the languages disagree, and links that lead nowhere."""
    faults = []
    english = texts["en"]
    for folder, pages in texts.items():
        if sorted(pages) != sorted(english):
            faults.append(f"{folder}: pages {sorted(pages)}, en has {sorted(english)}")
        for name, page in pages.items():
            for b in page.blocks:
                for text in b.lines if b.kind in ("p", "ul", "h") else []:
                    for target in links_of(parse_inline(text, None)):
                        to, _, ident = target.partition("#")
                        linked = pages.get(to.removesuffix(".htm") or name)
                        if not linked or (ident and ident not in [h.id for h in linked.headings()]):
                            faults.append(f"{page.path}:{b.line}: the link {target} leads nowhere")
    for name, page in english.items():
        for folder, pages in texts.items():
            other = pages.get(name)
            if folder == "en" or not other:
                continue
            mine = [(h.level, h.id) for h in page.headings()]
            theirs = [(h.level, h.id) for h in other.headings()]
            if mine != theirs:
                faults.append(f"{other.path}: sections {theirs} differ from en {mine}")
                continue
            for (ident, a), (_, b) in zip(page.code_blocks_by_section(),
                                          other.code_blocks_by_section()):
                if len(a) != len(b) or any(differing_lines(x, y) for x, y in zip(a, b)):
                    faults.append(f"{other.path}: the code blocks of section '{ident}' differ "
                                  "from en")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("command", choices=("cxx", "check"))
    parser.add_argument("text_dir")
    parser.add_argument("target", nargs="?", help="cxx: the C++ file")
    args = parser.parse_args()
    try:
        texts = read_texts(args.text_dir)
        if args.command == "cxx":
            write_cxx(texts, args.target)
        else:
            faults = agreement_faults(texts)
            for fault in faults:
                print(fault, file=sys.stderr)
            return 1 if faults else 0
    except TextError as error:
        print(error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
