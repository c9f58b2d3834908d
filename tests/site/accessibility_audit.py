"""The accessibility audit of a running demo site in one browser: each page
of PAGES is opened (a GET, or a POST made by a form the audit builds on a
page of the site, so the request is a same-site one as the pages' own
forms make it), axe-core is injected and run, and a structure check that a
screen reader relies on is made: html[lang] set, one h1, no heading level
skipped, a label for every form control. Used by test_accessibility.py
(which fails on what PAGES holds to the rules) and by the benchmarks
(bench/accessibility_audit.py, which prints the table).

A page is one line of PAGES: its name, its address, the fields it posts
(None for a GET), whether it is one of the pages whose bytes are fixed (and
which are then only reported), whether the address is opened once in
each language (the program's "language" parameter appended), and what is
clicked on it to reach the page audited."""

import hashlib
import os
import re
import time
from dataclasses import dataclass, field

from selenium.common.exceptions import WebDriverException
from selenium.webdriver.support.ui import WebDriverWait

HERE = os.path.dirname(os.path.abspath(__file__))
AXE = os.path.join(HERE, "node_modules", "axe-core", "axe.min.js")
IMPACTS = ("critical", "serious", "moderate", "minor")
# The impacts that fail a page this project designed.
FAILING = ("critical", "serious")
LANGUAGES = (("en", ""), ("sl", "slo"))


@dataclass
class Page:
    name: str
    address: str
    post: dict = None
    fixed: bool = False
    bilingual: bool = True
    # Pressed in turn once the page is open (a CSS selector each); the last
    # one loads the page that is audited.
    clicks: tuple = ()


SHOW = "/cgi-bin/show.exe/demo"
PASSWORD = {"password": "demo"}
# Two held orders: the first confirmed in English, the second in Slovenian.
TOKENS = ("c" * 32, "d" * 32)
PERSON = dict(PASSWORD, person="ana@example.org")

PAGES = [
    # The record viewer.
    Page("show: login", SHOW),
    Page("show: group", SHOW, PASSWORD),
    Page("show: catalog list", SHOW + "?catalog=orders", PASSWORD),
    Page("show: record with its mails", SHOW + "?label=ORD-1&catalog=orders", PASSWORD),
    Page("show: record erasure confirmation", SHOW + "?label=ORD-1&catalog=orders&erase=1",
         PASSWORD),
    Page("show: quarantine", SHOW + "?quarantine=list", PASSWORD),
    Page("show: person search form", SHOW + "?find=person", PASSWORD),
    Page("show: person search results", SHOW, PERSON),
    Page("show: person erasure confirmation", SHOW, dict(PERSON, eraseperson="1")),
    Page("show: audit log", SHOW + "?audit=1", PASSWORD),
    # The help pages.
    *[Page(f"manual: {name}", f"/cgi-bin/manual.exe/{name}.htm")
      for name in ("Pindex", "Pzorvik", "Pstoring", "Ptemplates", "Pshow", "Pprotect")],
    # The double opt-in's built-in pages: the link's button page, then
    # (pressing its button) the confirmation; see confirm_pages().
    # The demo's forms and the answers of two of them.
    Page("demo: index", "/forms/index.html", bilingual=False),
    Page("demo: order form", "/forms/order.htm", bilingual=False),
    Page("demo: order form (Slovenian)", "/forms/narocilo.htm", bilingual=False),
    Page("demo: visitors' book", "/forms/visit.htm", bilingual=False),
    Page("demo: feedback", "/forms/feedback.htm", bilingual=False),
    Page("demo: job application", "/forms/apply.htm", bilingual=False),
    Page("demo: order by script", "/forms/script.htm", bilingual=False),
    Page("demo: feedback thanks", "/forms/thanks.htm?label=ORD-1", bilingual=False),
    Page("demo: order answer", "/cgi-bin/insert.exe/demo?formid=order",
         {"name": "Ana", "surname": "Novak", "email": "ana@example.org", "item": "Teapot",
          "quantity": "1"}, bilingual=False),
    Page("demo: order answer (Slovenian)",
         "/cgi-bin/insert.exe/demo?formid=order&language=slo,utf8,UTF-8",
         {"name": "Ana", "surname": "Novak", "email": "ana@example.org", "item": "Teapot",
          "quantity": "1"}, bilingual=False),
    # A submission that breaks the demo's rules: its form page re-filled and
    # marked, and the built-in page of a group whose form has no page.
    Page("insert: re-filled form", "/cgi-bin/insert.exe/demo?formid=order",
         {"name": "Ana", "email": "not an address", "item": "Teapot", "quantity": "99"}),
    Page("insert: errors without a form page", "/cgi-bin/insert.exe/plain?formid=order",
         {"name": "Ana"}),
    # The pages whose bytes are fixed: audited and reported, never changed.
    Page("zorvik: login", "/cgi-bin/zorvik.exe", fixed=True),
    Page("zorvik: settings overview", "/cgi-bin/zorvik.exe", PASSWORD, fixed=True),
    Page("zorvik: group details", "/cgi-bin/zorvik.exe", PASSWORD, fixed=True,
         clicks=("input[name=mark][value=demo]", 'input[type=submit][value="Show Details"], '
                 'input[type=submit][value="Podrobnosti"]')),
    Page("lunoder: login", "/cgi-bin/lunoder.exe/demo", fixed=True),
    Page("lunoder: index rebuilt", "/cgi-bin/lunoder.exe/demo", PASSWORD, fixed=True),
    Page("error page (unknown group)", "/cgi-bin/show.exe/nosuchgroup", fixed=True),
    Page("insert: link not valid (error page)",
         "/cgi-bin/insert.exe/demo?confirm=" + "0" * 32, fixed=True),
]


@dataclass
class Result:
    page: str
    language: str
    fixed: bool
    counts: dict
    violations: list = field(default_factory=list)  # (impact, rule id, nodes, first targets)
    structure: list = field(default_factory=list)  # what the structure check found

    def failing(self):
        return [v for v in self.violations if v[0] in FAILING]

    def fails(self):
        return not self.fixed and bool(self.failing() or self.structure)


# A screen reader's view: the document's language, its headings, and the name
# of every control a person fills in.
STRUCTURE_CHECK = """
const problems = [];
if (!document.documentElement.getAttribute("lang")) problems.push("html has no lang attribute");
const headings = [...document.querySelectorAll("h1, h2, h3, h4, h5, h6")];
const ones = headings.filter(h => h.tagName === "H1").length;
if (ones !== 1) problems.push(ones + " h1 elements");
let level = 0;
for (const h of headings) {
  const next = Number(h.tagName[1]);
  if (next > level + 1)
    problems.push("h" + next + " after h" + level + ": " + h.textContent.trim().slice(0, 40));
  level = next;
}
const skipped = ["hidden", "submit", "button", "reset", "image"];
for (const control of document.querySelectorAll("input, select, textarea")) {
  if (control.tagName === "INPUT" && skipped.includes(control.type)) continue;
  const named = control.labels.length > 0 || control.getAttribute("aria-label") ||
                control.getAttribute("aria-labelledby");
  if (!named)
    problems.push("no label: " + control.tagName.toLowerCase() + " " +
                  (control.name || control.id || control.type));
}
// A re-filled form: the summary has the focus, each marked field its message.
const summary = document.getElementById("kalder-errors");
if (summary && document.activeElement !== summary) problems.push("error summary not focused");
for (const field of document.querySelectorAll("[aria-invalid=true]")) {
  const ids = (field.getAttribute("aria-describedby") || "").split(/\s+/).filter(Boolean);
  if (!ids.some(id => document.getElementById(id))) problems.push("no message: " + field.name);
}
return problems;
"""

RUN_AXE = """
const done = arguments[arguments.length - 1];
axe.run(document, {resultTypes: ["violations"]}).then(result => done(result.violations.map(v =>
    [v.impact || "minor", v.id, v.nodes.length,
     v.nodes.slice(0, 3).map(n => n.target.join(" ")).join(", ")])))
  .catch(error => done("axe failed: " + error));
"""

POST_FORM = """
const [action, fields] = arguments;
const form = document.createElement("form");
form.method = "post";
form.action = action;
for (const [name, value] of fields) {
  const input = document.createElement("input");
  input.type = "hidden";
  input.name = name;
  input.value = value;
  form.appendChild(input);
}
document.body.appendChild(form);
window.__kalderOldPage = true;
form.submit();
"""


def axe_source():
    if not os.path.exists(AXE):
        raise RuntimeError(f"{AXE} is missing: run tests/site/install-axe "
                           "(scripts/run-tests does)")
    with open(AXE, encoding="utf-8") as f:
        return f.read()


def with_language(address, language):
    if not language:
        return address
    return address + ("&" if "?" in address else "?") + "language=" + language


def prepare(site):
    """What the pages show: a stored order (ORD-1) with its mail, a held
    one in the quarantine, and two orders awaiting their confirmation."""
    order = {"name": "Ana", "surname": "Novak", "email": "ana@example.org", "item": "Teapot",
             "quantity": "2"}
    site.post("/cgi-bin/insert.exe/demo?formid=order", order)
    site.post("/cgi-bin/insert.exe/demo?formid=order", dict(order, website="http://spam.example"))
    site.mails(1)
    with open(os.path.join(site.home, "demo.grp.options"), "a") as f:
        f.write("confirmField=email\n")
    today = time.strftime("%Y%m%d")
    held = "".join("&TOKEN==" + hashlib.sha256(token.encode()).hexdigest() +
                   f"\n&FORMID==order\n&DATE=={today}\n&TIME==1200\n"
                   "name==Ana\nemail==ana@example.org\n\n" for token in TOKENS)
    path = os.path.join(site.home, "orders.dat.pending")
    with open(path, "w") as f:
        f.write(held)
    home = os.stat(site.home)  # the web server's, which may not be ours
    os.chown(path, home.st_uid, home.st_gid)
    # "plain": the demo's group, but the order form's page is missing.
    with open(os.path.join(site.home, "demo.grp")) as f:
        group = f.read().replace("form=order\n", "form=order no-such-page.htm\n", 1)
    written = {"plain.grp": group,
               "plain.grp.options": "require.order=name surname email\n"
                                    "label.surname=Surname\nlabel.surname.slo=Priimek\n"}
    with open(os.path.join(site.home, "kalder.ini")) as f:
        settings = f.read()
    demo = re.search(r"^demo=(.*)demo\.grp$", settings, re.M)
    written["kalder.ini"] = settings.replace(
        demo.group(0), demo.group(0) + "\nplain=" + demo.group(1) + "plain.grp", 1)
    for name, text in written.items():
        path = os.path.join(site.home, name)
        with open(path, "w") as f:
            f.write(text)
        os.chown(path, home.st_uid, home.st_gid)


class Auditor:
    """Opens pages in `browser` (one session for all) and audits each."""

    def __init__(self, site, browser):
        self.site = site
        self.browser = browser
        self.axe = axe_source()
        browser.set_script_timeout(60)
        # The viewer's and the help pages' policies admit no injected script.
        browser.execute_cdp_cmd("Page.setBypassCSP", {"enabled": True})

    def _loaded(self, browser):
        try:
            return browser.execute_script(
                "return document.readyState === 'complete' && !window.__kalderOldPage")
        except WebDriverException:
            return False

    def open(self, address, post=None):
        if post is None:
            self.browser.get(self.site.url(address))
            return
        self.browser.get(self.site.url("/forms/index.html"))
        self.browser.execute_script(POST_FORM, self.site.url(address), list(post.items()))
        WebDriverWait(self.browser, 60, ignored_exceptions=(WebDriverException,)).until(
            self._loaded)

    def click(self, selector, loads_page=True):
        found = self.browser.find_elements("css selector", selector)
        if not found:
            raise RuntimeError(f"{selector} not found in " + self.browser.page_source[:1500])
        if not loads_page:
            found[0].click()
            return
        self.browser.execute_script("window.__kalderOldPage = true")
        found[0].click()
        WebDriverWait(self.browser, 60, ignored_exceptions=(WebDriverException,)).until(
            self._loaded)

    def audit_open_page(self, name, language, fixed):
        self.browser.execute_script(self.axe)
        found = self.browser.execute_async_script(RUN_AXE)
        if isinstance(found, str):
            raise RuntimeError(f"{name}: {found}")
        counts = {impact: 0 for impact in IMPACTS}
        for impact, _, nodes, _ in found:
            counts[impact] = counts.get(impact, 0) + nodes
        structure = self.browser.execute_script(STRUCTURE_CHECK)
        return Result(name, language, fixed, counts, [tuple(v) for v in found], structure)

    def audit(self, page, language, parameter):
        self.open(with_language(page.address, parameter), page.post)
        for i, selector in enumerate(page.clicks):
            self.click(selector, loads_page=i == len(page.clicks) - 1)
        return self.audit_open_page(page.name, language, page.fixed)

    def confirm_pages(self):
        """The opt-in link's button page, then the page its button answers."""
        results = []
        for token, (language, parameter) in zip(TOKENS, LANGUAGES):
            self.open(with_language("/cgi-bin/insert.exe/demo?confirm=" + token, parameter))
            results.append(self.audit_open_page("insert: opt-in confirmation button",
                                                language, False))
            self.browser.execute_script("window.__kalderOldPage = true")
            self.click("button[type=submit]")
            results.append(self.audit_open_page("insert: opt-in confirmed", language, False))
        return results

    def run(self):
        results = self.confirm_pages()
        for page in PAGES:
            for language, parameter in (LANGUAGES if page.bilingual else (("", ""),)):
                results.append(self.audit(page, language, parameter))
        return results


def summary(problems, shown=3):
    """The structure check's findings, the controls without a label counted."""
    unlabelled = [p[len("no label: "):] for p in problems if p.startswith("no label: ")]
    rest = [p for p in problems if not p.startswith("no label: ")]
    if unlabelled:
        names = ", ".join(unlabelled[:shown]) + (", ..." if len(unlabelled) > shown else "")
        rest.append(f"{len(unlabelled)} control(s) without a label ({names})")
    return rest


def table(results):
    """The Markdown table of violations by impact (affected elements)."""
    lines = ["| page | language | byte-fixed | critical | serious | moderate | minor | rules |",
             "|---|---|---|---|---|---|---|---|"]
    for r in results:
        rules = ", ".join(f"{v[1]} ({v[0]})" for v in r.violations)
        if r.structure:
            rules += ("; " if rules else "") + "structure: " + "; ".join(summary(r.structure))
        lines.append(f"| {r.page} | {r.language or '-'} | {'yes' if r.fixed else 'no'} | " +
                     " | ".join(str(r.counts[i]) for i in IMPACTS) + f" | {rules or '-'} |")
    return "\n".join(lines) + "\n"


def figures(results):
    """The benchmarks' lines: figure, what, measure, value."""
    return [f"figure\taccessibility: {r.page}{' (' + r.language + ')' if r.language else ''}"
            f"{' [byte-fixed]' if r.fixed else ''}\tviolations critical/serious/moderate/minor\t"
            + "/".join(str(r.counts[i]) for i in IMPACTS) for r in results]
