#!/usr/bin/env python3
"""The report in headless Chromium, read as a person reads it, against the files of the same run.

    tests/report_check.py ELIPSES FOLDER

Runs elipses on a closed traverse whose plan fails its tolerances (the example traverse,
its first two names markup) and checks the page as the browser renders it: the verdict
first, red, in the words of the summary; no keyword rows; each budget's bars adding up to
100 %; every cell of the catalogue against elipses-projeto.txt; the exceeding pairs drawn,
worst first, as elipses-pares.txt lists them; every swatch of the key the colour drawn; no
sideways scroll at a phone's 390 px; and the key in the printed PDF. Exits 1 on any fault.
"""

import base64
import pathlib
import re
import subprocess
import sys

from selenium import webdriver
from selenium.webdriver.chrome.options import Options
from selenium.webdriver.chrome.service import Service

ROOT = pathlib.Path(__file__).resolve().parent.parent


def start_browser(profile):
    options = Options()
    for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", f"--user-data-dir={profile}"):
        options.add_argument(argument)
    options.binary_location = "/usr/bin/chromium"
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def crlf_lines(path):
    return path.read_bytes().decode("utf-8").split("\r\n")


def main():
    elipses, folder = sys.argv[1], pathlib.Path(sys.argv[2])
    lines = (ROOT / "examples" / "poligonal.txt").read_text(encoding="utf-8").splitlines()
    lines[0] = re.sub(r'"[^"]*"', '"<b>"', lines[0], count=1)
    lines[1] = re.sub(r'"[^"]*"', '"a&b"', lines[1], count=1)
    (folder / "x<script>.txt").write_text("\n".join(lines) + "\n", encoding="utf-8")
    run = subprocess.run([elipses, "x<script>.txt", "--modo", "g", "--poligonal", "f", "--mm", "3", "--ppm", "2",
                          "--segundos", "5", "--inicial", "0.005,0.005,0", "--final", "0.008,0.006,0.00001",
                          "--centragem", "1,1", "--tolerancia", "6,10", "--tolerancia-ponto", "30", "--projetar",
                          "--relatorio"], cwd=folder, capture_output=True)
    if run.returncode != 0:
        print(f"report-check: elipses failed: {run.stderr.decode()}", file=sys.stderr)
        return 1
    said = run.stderr.decode("utf-8")
    failures = []
    browser = start_browser(folder / "perfil")
    try:
        report = folder / "elipses-relatorio.html"
        browser.set_window_size(1280, 900)
        browser.get(report.as_uri())

        # The verdict first, in the summary's words, red.
        first, verdict_class, verdict_lines = browser.execute_script(
            "const v = document.getElementById('veredicto');"
            "return [document.querySelector('header').nextElementSibling === v, v.className,"
            " Array.from(v.querySelectorAll('p, li'), (e) => e.textContent)];")
        summary = [line[len("elipses: "):].strip() for line in said.splitlines()
                   if line.startswith("elipses: veredicto:") or line.startswith("elipses:   ")]
        summary = [line for line in summary if not line.startswith("maior erro")]
        if not first or verdict_class != "excede":
            failures.append(f"the verdict is not first and red ({first}, {verdict_class!r})")
        if [line.lower() for line in verdict_lines] != [line.lower() for line in summary]:
            failures.append(f"the verdict {verdict_lines!r} is not the summary's {summary!r}")

        # No keyword rows of the design sheet's file.
        keywords = browser.execute_script(
            "return Array.from(document.querySelectorAll('td:first-child'), (e) => e.textContent)"
            ".filter((t) => ['pior', 'parcela', 'contribuicao', 'limite', 'classe', 'series', 'nivel'].includes(t));")
        if keywords:
            failures.append(f"keyword rows: {keywords[:5]!r}")

        # Each budget's bars add up to 100 %.
        budgets = browser.execute_script(
            "return Array.from(document.querySelectorAll('figure.parcelas'), (f) => Array.from("
            "f.querySelectorAll('rect.barra'), (r) => parseFloat(r.dataset.percentagem)));")
        if len(budgets) != 2:
            failures.append(f"expected the budgets of the worst point and pair, found {len(budgets)}")
        for bars in budgets:
            if len(bars) != 6 or abs(sum(bars) - 100.0) > 0.35:
                failures.append(f"budget bars {bars!r} do not add up to 100 %")

        # Every cell of the catalogue against the file's classe lines.
        classes = {}
        for line in crlf_lines(folder / "elipses-projeto.txt"):
            words = line.split()
            if words and words[0] == "classe":
                classes[(words[1], words[2], words[3])] = (words[4], words[5])
        cells = browser.execute_script(
            "return Array.from(document.querySelectorAll('table.catalogo td'), (c) => [c.dataset.segundos,"
            " c.dataset.mm, c.dataset.ppm, c.textContent.replace(/[★◆ ]/g, ''), c.classList.contains('cumpre'),"
            " c.classList.contains('mais-economica')]);")
        if len(cells) != len(classes) or not cells:
            failures.append(f"{len(cells)} catalogue cells for {len(classes)} classes")
        cheapest = re.search(r'classe mais económica do catálogo que cumpre: (\S+)" e (\S+) mm \+ (\S+) ppm', said)
        for seconds, mm, ppm, ratio, passes, marked in cells:
            expected = classes.get((seconds, mm, ppm))
            if expected is None or expected[0] != ratio or (expected[1] == "cumpre") != passes:
                failures.append(f"catalogue cell {seconds} {mm} {ppm}: {ratio} against {expected}")
            is_cheapest = bool(cheapest) and cheapest.groups() == (seconds, mm, ppm)
            if marked != is_cheapest:
                failures.append(f"catalogue cell {seconds} {mm} {ppm} marked {marked}, cheapest {is_cheapest}")

        # The exceeding pairs drawn, worst first, as elipses-pares.txt lists them.
        pairs_file = crlf_lines(folder / "elipses-pares.txt")
        exceeding = int(next(l for l in pairs_file if l.startswith("# pares que excedem:")).split(":")[1])
        listed = [l.split() for l in pairs_file if l and not l.startswith("#") and l.endswith("excede")]
        drawn = browser.execute_script(
            "return Array.from(document.querySelectorAll('line.par-excede'), (l) => [l.dataset.de, l.dataset.para]);")
        if exceeding == 0 or len(drawn) != min(30, exceeding):
            failures.append(f"{len(drawn)} exceeding pairs drawn of {exceeding}")
        plain = {"&lt;b&gt;": "<b>", "a&amp;b": "a&b"}
        for (shown_from, shown_to), record in zip(drawn, listed):
            if [shown_from, shown_to] != [plain.get(record[0], record[0]).strip('"'), plain.get(record[1], record[1]).strip('"')]:
                failures.append(f"drawn pair {shown_from} {shown_to} against {record[:2]}")
                break

        # Every swatch of the key is the colour drawn.
        colours = browser.execute_script(
            "const drawn = (sel) => { const e = document.querySelector(sel); return e ? e.getAttribute('stroke') : null; };"
            "const swatch = (id) => Array.from(document.querySelectorAll(`label[for=${id}] .amostra [stroke]`),"
            " (e) => e.getAttribute('stroke'));"
            "return {layer1: [drawn('g.camada-1'), swatch('mostrar-1')], pairs: [drawn('g.camada-pares'),"
            " swatch('mostrar-pares')], relative: [[drawn('.relativa.cumpre'), drawn('.relativa.excede'),"
            " drawn('circle.tolerancia')], swatch('mostrar-relativas')]};")
        for name, (drawn_colour, swatches) in colours.items():
            wanted = drawn_colour if isinstance(drawn_colour, list) else [drawn_colour]
            if not all(c in swatches for c in wanted if c is not None):
                failures.append(f"the key's {name} swatches {swatches!r} are not the colours drawn {wanted!r}")

        # A phone's width: nothing scrolls sideways.
        browser.set_window_size(390, 844)
        sideways = browser.execute_script(
            "const d = document.documentElement; return d.scrollWidth - d.clientWidth;")
        if sideways > 0:
            failures.append(f"at 390 px the report scrolls sideways by {sideways} px")
        browser.set_window_size(1280, 900)

        # Printed: A4, with the key.
        pdf = base64.b64decode(browser.execute_cdp_cmd("Page.printToPDF", {"paperWidth": 8.27, "paperHeight": 11.69})["data"])
        (folder / "relatorio.pdf").write_bytes(pdf)
        text = subprocess.run(["pdftotext", "-layout", str(folder / "relatorio.pdf"), "-"], capture_output=True,
                              check=True).stdout.decode("utf-8")
        for words in ("Poligonal", "Cálculo a partir do ponto inicial", "Pares que excedem a tolerância relativa",
                      "Veredicto"):
            if words not in text:
                failures.append(f"the printed report lacks \"{words}\"")
    finally:
        browser.quit()
    for failure in failures:
        print(f"report-check: {failure}", file=sys.stderr)
    if failures:
        return 1
    print(f"report-check: the verdict, the design sheet, the drawing and its key as read in Chromium; "
          f"{len(drawn)} exceeding pairs drawn; printed to A4 ({len(pdf)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
