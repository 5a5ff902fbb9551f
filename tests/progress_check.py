#!/usr/bin/env python3
"""The sign of life of a long step: at a terminal, and only there.

    tests/progress_check.py ELIPSES

A closed traverse of 4,000 points tested against a relative tolerance (every pair: a few
seconds) runs twice, once with standard error on a pseudo-terminal and once into a pipe.
At the terminal a line naming the step and its percentage is rewritten in place and then
erased; piped, there is no trace of it. Take the progress away, and the terminal's
messages are the pipe's, byte for byte, and so are the files. Exits 1 on any difference.
"""

import math
import os
import pty
import random
import subprocess
import sys
import tempfile


def traverse(path, points):
    random.seed(3)
    m, p, heading = 150000.0, 230000.0, 0.4
    with open(path, "w") as f:
        for i in range(points):
            f.write(f"Q{i} {m:.3f} {p:.3f}\n")
            heading += random.uniform(-0.6, 0.6)
            leg = random.uniform(80.0, 300.0)
            m += leg * math.sin(heading)
            p += leg * math.cos(heading)


def files_of(folder):
    return {name: open(os.path.join(folder, name), "rb").read()
            for name in sorted(os.listdir(folder)) if name.startswith("elipses")}


def main():
    elipses = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        traverse(os.path.join(work, "longa.txt"), 4000)
        arguments = [elipses, "longa.txt", "--modo", "d", "--poligonal", "f", "--mm", "3", "--ppm", "2",
                     "--segundos", "10", "--tolerancia", "20,50"]
        piped_folder = os.path.join(work, "pipe")
        terminal_folder = os.path.join(work, "terminal")
        piped = subprocess.run(arguments + ["--saida", piped_folder], cwd=work, capture_output=True,
                               stdin=subprocess.DEVNULL)
        # Standard error on a pseudo-terminal, standard output into a pipe as before.
        main_end, terminal_end = pty.openpty()
        process = subprocess.Popen(arguments + ["--saida", terminal_folder], cwd=work, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=terminal_end)
        os.close(terminal_end)
        screen = b""
        while True:
            try:
                chunk = os.read(main_end, 65536)
            except OSError:
                break
            if not chunk:
                break
            screen += chunk
        process.wait()
        os.close(main_end)
        failures = []
        if process.returncode != 0 or piped.returncode != 0:
            failures.append(f"status {process.returncode} at the terminal, {piped.returncode} piped")
        step = b"elipses: a testar todos os pares de pontos: "
        if step not in screen or b" % (" not in screen:
            failures.append("no progress shown at the terminal")
        if b"\r" in piped.stderr or step in piped.stderr:
            failures.append("progress in the piped messages")
        # The terminal turns each line end into CR LF; the progress lines start with CR and
        # their erasure is CR, blanks, CR: what is left is the piped text.
        said = screen.replace(b"\r\n", b"\n")
        lines = []
        for line in said.split(b"\n"):
            kept = line.split(b"\r")[-1]
            lines.append(kept)
        said = b"\n".join(lines).replace(terminal_folder.encode(), piped_folder.encode())
        if said != piped.stderr:
            failures.append(f"the messages differ:\n{said.decode(errors='replace')}\n---\n{piped.stderr.decode()}")
        if files_of(terminal_folder) != files_of(piped_folder):
            failures.append("the files differ")
    for failure in failures:
        print(f"progress-check: {failure}", file=sys.stderr)
    if failures:
        return 1
    print("progress-check: a sign of life at the terminal, none piped, the same messages and files")
    return 0


if __name__ == "__main__":
    sys.exit(main())
