#!/usr/bin/python3
"""The web page against the command line, in headless Chromium (scripts/web-check runs it).

Opens build-web/elipses.html from its folder (a file:// address), runs window.elipses.run
on the example traverse (also with its planned heights), generated ones (1,000 points; coordinates of 17 digits or with
exponents), a Latin-1 file with CR LF and bad files and answers, and compares status, standard output, standard error and every
written file with build/elipses run in a folder of its own, byte for byte (the native
folder's absolute name, which the messages show, read as the page's /elipses). Then one
run through the form as a person makes it, and one bad answer there.
"""
import base64
import math
import os
import pathlib
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

ROOT = pathlib.Path(__file__).resolve().parent.parent
NATIVE = ROOT / os.environ.get("BUILD_DIR", "build") / "elipses"
PAGE = ROOT / "build-web" / "elipses.html"
WEB_FOLDER = "/elipses"
LARGEST_TIME = 2.0  # seconds for the 1,000-point run in the page

RUN_SCRIPT = """
const [args, given, done] = arguments;
const bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
const files = {};
for (const [name, content] of Object.entries(given)) files[name] = content.text ?? bytes(content.base64);
const started = performance.now();
window.elipses.run(args, files).then((r) => {
  const seconds = (performance.now() - started) / 1000;
  const written = {};
  for (const [name, data] of Object.entries(r.files)) {
    let text = '';
    for (let i = 0; i < data.length; i += 8192) text += String.fromCharCode(...data.subarray(i, i + 8192));
    written[name] = btoa(text);
  }
  done({status: r.status, stdout: r.stdout, stderr: r.stderr, files: written, seconds: seconds});
}).catch((e) => done({error: String(e)}));
"""


def generated_traverse(points, written=lambda value: f"{value:.3f}"):
    """Legs of 100 to 600 m wandering north-east, as the benchmark's."""
    lines, m, p = [], 150000.0, 230000.0
    for i in range(points):
        lines.append(f'"T{i + 1}", {written(m)}, {written(p)}\n')
        angle = 0.6 + 0.5 * math.sin(i * 0.7)
        length = 100.0 + 500.0 * abs(math.sin(i * 1.3))
        m += length * math.sin(angle)
        p += length * math.cos(angle)
    return "".join(lines).encode("ascii")


def native_run(args, files):
    with tempfile.TemporaryDirectory() as folder:
        folder = os.path.realpath(folder)
        for name, content in files.items():
            path = pathlib.Path(folder, name)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(content)
        done = subprocess.run([str(NATIVE), *args], cwd=folder, stdin=subprocess.DEVNULL, capture_output=True,
                              check=False)
        written = {}
        for path in sorted(pathlib.Path(folder).rglob("*")):
            name = path.relative_to(folder).as_posix()
            if path.is_file() and files.get(name) != path.read_bytes():
                written[name] = path.read_bytes()
        return {"status": done.returncode, "stdout": done.stdout.decode("utf-8"),
                "stderr": done.stderr.decode("utf-8").replace(folder, WEB_FOLDER), "files": written}


def web_run(browser, args, files):
    given = {}
    for name, content in files.items():
        try:
            given[name] = {"text": content.decode("utf-8")}
        except UnicodeDecodeError:
            given[name] = {"base64": base64.b64encode(content).decode("ascii")}
    result = browser.execute_async_script(RUN_SCRIPT, args, given)
    if "error" in result:
        raise RuntimeError(result["error"])
    result["files"] = {name: base64.b64decode(data) for name, data in result["files"].items()}
    return result


def start_browser(profile):
    options = webdriver.ChromeOptions()
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage",
                 "--user-data-dir=" + profile):
        options.add_argument(flag)
    options.binary_location = "/usr/bin/chromium"
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    browser.set_script_timeout(120)
    return browser


def cases():
    example = (ROOT / "examples" / "poligonal.txt").read_bytes()
    with_heights = (ROOT / "examples" / "poligonal-alturas.txt").read_bytes()
    accented = "Poligonal Évora.txt"
    latin1 = example.replace(b'"P3"', '"Évora"'.encode("latin-1")).replace(b"\n", b"\r\n")
    bad = b'"A", 1, 2\n"B", x, 3\n'
    g_open = ["--modo", "g", "--poligonal", "a", "--mm", "3", "--ppm", "2", "--segundos", "5",
              "--inicial", "0.005,0.005,0"]
    g_closed = ["--modo", "g", "--poligonal", "f", "--mm", "3", "--ppm", "2", "--segundos", "5",
                "--inicial", "0.005,0.005,0", "--final", "0.008,0.006,0.00001"]
    d_open = ["--modo", "d", "--poligonal", "a", "--mm", "3", "--ppm", "2", "--segundos", "20",
              "--inicial", "0.005,0.005,0"]
    d_closed = ["--modo", "D", "--poligonal", "F", "--mm", "2", "--ppm", "1.5", "--segundos", "20"]
    return [
        ("goniometric open", ["poligonal.txt", *g_open], {"poligonal.txt": example}),
        ("goniometric closed, adjusted, relative", ["poligonal.txt", *g_closed, "--ajustada", "--relativas",
                                                    "--nivel", "7", "--escala", "2000", "--altura", "1.5"],
         {"poligonal.txt": example}),
        ("declined open, relative", ["poligonal.txt", *d_open, "--nivel", "1", "--relativas"],
         {"poligonal.txt": example}),
        ("declined closed, adjusted, in a folder", ["poligonal.txt", *d_closed, "--ajustada", "--relativas",
                                                    "--saida", "resultados"], {"poligonal.txt": example}),
        ("centring, sets, reliability, tolerances, design sheet",
         ["poligonal.txt", *g_closed, "--centragem", "2,1.5", "--series", "3", "--fiabilidade", "--ajustada",
          "--tolerancia", "20,50", "--tolerancia-ponto", "40", "--projetar", "--relatorio"], {"poligonal.txt": example}),
        ("declined in cc, a loop, tolerances", ["anel.txt", "--modo", "d", "--poligonal", "f", "--mm", "2", "--ppm", "2",
                                                "--cc", "15", "--centragem", "1,1", "--fiabilidade", "--tolerancia",
                                                "10,30", "--projetar"],
         {"anel.txt": example + example.splitlines(keepends=True)[0]}),
        ("heights: closed, reciprocal, vertical tolerance, design sheet",
         ["alturas.txt", *g_closed, "--alturas", "--reciprocas", "--zenital", "3", "--altura-final", "0.004",
          "--tolerancia-altura", "10,0", "--projetar"], {"alturas.txt": with_heights}),
        ("heights asked of a file without them", ["poligonal.txt", *g_open, "--alturas"], {"poligonal.txt": example}),
        ("Latin-1 file with CR LF", [accented, *g_closed], {accented: latin1}),
        ("earlier results replaced", ["poligonal.txt", *d_open], {"poligonal.txt": example, "elipses.txt": b"old\n"}),
        ("1,000 points, closed, adjusted, relative, report", ["longa.txt", *g_closed, "--ajustada", "--relativas",
                                                              "--relatorio"],
         {"longa.txt": generated_traverse(1000)}),
        ("long decimals and exponents, scale 1:250000", ["longos.txt", *d_open, "--escala", "250000"],
         {"longos.txt": generated_traverse(200, lambda value: f"{value:.12f}" if value % 2 < 1 else f"{value:.15E}")}),
        ("bad record", ["mau.txt", *g_open], {"mau.txt": bad, "elipses.txt": b"kept\n"}),
        ("missing file", ["nada.txt", *g_open], {}),
        ("bad level", ["poligonal.txt", *g_open, "--nivel", "9"], {"poligonal.txt": example}),
        ("missing option", ["poligonal.txt", "--modo", "g", "--poligonal", "a"], {"poligonal.txt": example}),
        ("help", ["--help"], {}),
        ("version", ["--version"], {}),
        ("dialogue on empty input", [], {"poligonal.txt": example}),
    ]


def check_runs(browser):
    failures = 0
    for title, args, files in cases():
        expected = native_run(args, files)
        got = web_run(browser, args, files)
        differences = [key for key in ("status", "stdout", "stderr") if got[key] != expected[key]]
        if sorted(got["files"]) != sorted(expected["files"]):
            differences.append(f"files {sorted(got['files'])} against {sorted(expected['files'])}")
        differences += [name for name in expected["files"] if got["files"].get(name) != expected["files"][name]]
        if title.startswith("1,000") and got["seconds"] > LARGEST_TIME:
            differences.append(f"{got['seconds']:.2f} s, more than {LARGEST_TIME} s")
        print(f"web-check: {title}: {'same' if not differences else 'DIFFERENT: ' + ', '.join(differences)}"
              f" (status {got['status']}, {len(got['files'])} files, {got['seconds']:.2f} s)")
        for key in ("stdout", "stderr"):
            if key in differences:
                print(f"  page {key}: {got[key]!r}\n  command line {key}: {expected[key]!r}")
        failures += bool(differences)
    return failures


def check_form(browser, folder):
    """A person's run: choose the file, answer, compute, read the table; then a bad answer."""
    example = (ROOT / "examples" / "poligonal.txt").read_bytes()
    chosen = pathlib.Path(folder, "poligonal.txt")
    chosen.write_bytes(example)
    browser.get(PAGE.as_uri())
    browser.find_element(By.ID, "coordinate-file").send_keys(str(chosen))
    Select(browser.find_element(By.ID, "field--modo")).select_by_value("d")
    Select(browser.find_element(By.ID, "field--poligonal")).select_by_value("f")
    for option, value in (("--mm", "3"), ("--ppm", "2"), ("--segundos", "20")):
        browser.find_element(By.ID, "field" + option).send_keys(value)
    browser.find_element(By.ID, "field--ajustada").click()
    browser.find_element(By.ID, "compute").click()
    WebDriverWait(browser, 30).until(lambda b: b.find_element(By.ID, "results").is_displayed())
    expected = native_run(["poligonal.txt", "--relatorio", "--modo", "d", "--poligonal", "f", "--mm", "3", "--ppm", "2",
                           "--segundos", "20", "--nivel", "5", "--escala", "1000", "--altura", "2.5", "--ajustada"],
                          {"poligonal.txt": example})
    shown = browser.execute_script(
        "const r = {}; for (const p of document.querySelectorAll('pre.file')) r[p.dataset.name] = p.textContent;"
        "return r;")
    links = browser.execute_script(
        "return Array.from(document.querySelectorAll('#downloads a'), (a) => a.download);")
    failures = []
    if sorted(links) != sorted(expected["files"]):
        failures.append(f"downloads {sorted(links)} against {sorted(expected['files'])}")
    failures += [name for name, data in expected["files"].items()
                 if not name.endswith(".html") and shown.get(name) != data.decode("utf-8")]
    # The report is shown as a page, its drawing in it.
    report = browser.execute_script(
        "const f = document.querySelector('iframe'); return f ? f.srcdoc : null;")
    if report != expected["files"].get("elipses-relatorio.html", b"").decode("utf-8") or "<svg" not in (report or ""):
        failures.append("the report is not shown with its drawing")
    messages = browser.find_element(By.ID, "messages").text
    if "/elipses" in messages:
        failures.append("the page's own folder is shown")
    # A bad answer is refused beside its field, in the form's words.
    for typed, wanted in (("abc", "Distâncias, parte fixa (mm): escreva um número"),
                          ("2,0", "Distâncias, parte fixa (mm): escreva o número com ponto: 2.0")):
        field = browser.find_element(By.ID, "field--mm")
        field.clear()
        field.send_keys(typed)
        browser.find_element(By.ID, "compute").click()
        WebDriverWait(browser, 30).until(lambda b: b.find_element(By.ID, "field--mm-message").text != "")
        message = browser.find_element(By.ID, "field--mm-message").text
        if (not message.startswith(wanted) or "--" in message or "elipses --help" in message
                or browser.find_element(By.ID, "results").is_displayed()):
            failures.append(f"{typed!r} shows {message!r}")
    # With a tolerance the results open with the verdict.
    field = browser.find_element(By.ID, "field--mm")
    field.clear()
    field.send_keys("3")
    browser.find_element(By.ID, "field--tolerancia").send_keys("20,50")
    browser.find_element(By.ID, "compute").click()
    WebDriverWait(browser, 30).until(lambda b: b.find_element(By.ID, "results").is_displayed())
    first = browser.execute_script(
        "const r = document.getElementById('results'); const v = document.getElementById('verdict');"
        "return [r.querySelector('h2').nextElementSibling === v, !v.hidden, v.textContent];")
    if not (first[0] and first[1] and first[2].startswith("O plano")):
        failures.append(f"the results do not open with the verdict: {first!r}")
    # At a phone's width neither the page nor the report scrolls sideways.
    browser.set_window_size(390, 844)
    wide = browser.execute_script(
        "const d = document.documentElement; const f = document.querySelector('iframe').contentDocument;"
        "return [d.scrollWidth - d.clientWidth, f.documentElement.scrollWidth - f.documentElement.clientWidth];")
    if max(wide) > 0:
        failures.append(f"at 390 px the page or the report scrolls sideways by {wide!r} px")
    browser.set_window_size(1280, 900)
    print(f"web-check: the form: {'same' if not failures else 'DIFFERENT: ' + ', '.join(failures)}")
    return len(failures)


def main():
    with tempfile.TemporaryDirectory() as folder:
        browser = start_browser(os.path.join(folder, "profile"))
        try:
            browser.get(PAGE.as_uri())
            failures = check_runs(browser) + check_form(browser, folder)
        finally:
            browser.quit()
    if failures:
        print(f"web-check: {failures} differences", file=sys.stderr)
        return 1
    print("web-check: the page gives the command line's results")
    return 0


if __name__ == "__main__":
    sys.exit(main())
