#!/usr/bin/env python3
"""Whole-process benchmark: `brinkmoor -auto` against ImageMagick drawing the same picture.

Usage: whole_run.py BRINKMOOR_BINARY [RUNS]

Both tools draw the same three text runs on the same 350 x 100 PNG background and write a JPEG
of quality 90 (ImageMagick with optimised Huffman tables off, as Brinkmoor writes them). The
Brinkmoor run reads its cached pages (fresh, so nothing is downloaded) and has no FTP login.
Prints the median wall time of each (RUNS runs each, default 21), their ratio, and the peak
resident memory of the Brinkmoor run.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLE = os.path.join(HERE, "..", "example")

SCRIPT = [
    "[posx-8][posy-6][font-Arial][size-12][b][fcolor-$FFFFFF]Drakula[/b]",
    "[size-9][i][fcolor-$7FD7FF]Punkty: 48213  Ranking: 137[/i]",
    "[/font][size-9][bcolor-0][fcolor-$FFFFFF]Nocne Lowy",
]


def prepare(workdir):
    shutil.copytree(EXAMPLE, workdir, dirs_exist_ok=True)
    settings = ["en", "", "", "", "noc.png", "0", "9", "0", "2"] + SCRIPT
    with open(os.path.join(workdir, "ust.txt"), "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in settings))


def imagemagick_command(workdir):
    font = subprocess.run(["fc-match", "-f", "%{file}", "Arial:bold"], capture_output=True,
                          text=True).stdout
    font_i = subprocess.run(["fc-match", "-f", "%{file}", "Arial:italic"], capture_output=True,
                            text=True).stdout
    font_r = subprocess.run(["fc-match", "-f", "%{file}", "Arial"], capture_output=True,
                            text=True).stdout
    return ["convert", os.path.join(workdir, "grafika", "noc.png"),
            "-density", "96", "-gravity", "NorthWest",
            "-font", font, "-pointsize", "12", "-fill", "#FFFFFF",
            "-annotate", "+8+6", "Drakula",
            "-font", font_i, "-pointsize", "9", "-fill", "#FFD77F",
            "-annotate", "+8+25", "Punkty: 48213  Ranking: 137",
            "-font", font_r, "-pointsize", "9", "-undercolor", "#000000", "-fill", "#FFFFFF",
            "-annotate", "+8+40", "Nocne Lowy",
            "-quality", "90", "-define", "jpeg:optimize-coding=false",
            os.path.join(workdir, "im.jpg")]


def median_time(cmd, cwd, env, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(cmd, cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def peak_rss_kib(cmd, cwd, env):
    out = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, cwd=cwd, env=env,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    return int(out.stderr.strip().splitlines()[-1])


def main():
    binary = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 21
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    with tempfile.TemporaryDirectory() as workdir:
        prepare(workdir)
        ours = [binary, "-auto"]
        theirs = imagemagick_command(workdir)
        # one warm-up run each (page cache, font cache)
        median_time(ours, workdir, env, 1)
        median_time(theirs, workdir, env, 1)
        t_ours = median_time(ours, workdir, env, runs)
        t_theirs = median_time(theirs, workdir, env, runs)
        rss = peak_rss_kib(ours, workdir, env)
        print("brinkmoor -auto:        median %.1f ms over %d runs" % (t_ours * 1000, runs))
        print("ImageMagick convert:    median %.1f ms over %d runs" % (t_theirs * 1000, runs))
        print("ratio brinkmoor/convert: %.2f (target <= 0.33)" % (t_ours / t_theirs))
        print("brinkmoor peak memory:  %.1f MB (target < 15 MB)" % (rss / 1024.0))


if __name__ == "__main__":
    main()
