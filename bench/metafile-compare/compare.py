#!/usr/bin/python3
"""Renders every WMF and EMF under a folder with the program's players and with
LibreOffice, crops both to their drawn area, scales them to one size and
scores the difference. Writes into the output folder:

  differences.md / differences.tsv   one row per file, worst first
  records.md                         record types found, and which the players ignore
  sheet-NN.png                       contact sheets: program | LibreOffice | difference
  pairs/NAME.png                     the same three panels, larger, one file each
  prog/, lo/                         the raw renders (lo/ is reused with --reuse-lo)

Needs Debian's python3-pil and python3-numpy, and libreoffice-draw-nogui.
See README.md beside this script.
"""

import argparse
import math
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import mfrecords  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
A4_PX = (794, 1123)  # LibreOffice's page at 96 dpi; pictures are centred on it
LO_FIT = (719, 1047)  # the part of that page inside its margins
COMPARE_BOX = 160  # both crops are scaled to fit this square before scoring
INK = 16  # a channel this far below white counts as drawn


def parse_args():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--out", default="/tmp/metafile-compare", help="output folder (default %(default)s)")
    p.add_argument("--images", default=os.path.join(os.path.dirname(REPO), "shared", "testdata", "images"),
                   help="folder searched for .wmf and .emf files (default %(default)s)")
    p.add_argument("--render", default=os.path.join(REPO, "build", "bench", "metafile-compare", "metafile_render"),
                   help="the metafile_render program (default %(default)s)")
    p.add_argument("--src", default=os.path.join(REPO, "src"), help="sources searched for the players' record cases")
    p.add_argument("--soffice", default="soffice")
    p.add_argument("--scale", type=float, default=1.0,
                   help="render both sides this many times larger (default 1: the program's natural size)")
    p.add_argument("--batch", type=int, default=40, help="files per soffice call (default %(default)s)")
    p.add_argument("--reuse-lo", action="store_true",
                   help="keep LibreOffice renders already in OUT/lo (made with the same --scale)")
    p.add_argument("--only", action="append", default=[], help="only files whose path contains this (repeatable)")
    p.add_argument("--close", type=float, default=15.0, help="score below which two renders agree closely")
    p.add_argument("--large", type=float, default=35.0, help="score from which two renders differ a lot")
    p.add_argument("--rows", type=int, default=8, help="rows per contact sheet (default %(default)s)")
    return p.parse_args()


def flat_name(rel):
    return rel.replace(os.sep, "__")


def link_name(rel):
    # LibreOffice names its output after the input without its extension.
    return flat_name(rel) + os.path.splitext(rel)[1]


def find_files(images, only):
    found = []
    for root, _dirs, names in os.walk(images):
        for n in names:
            if n.lower().endswith((".wmf", ".emf")):
                rel = os.path.relpath(os.path.join(root, n), images)
                if not only or any(o in rel for o in only):
                    found.append(rel)
    return sorted(found)


def run_group(cmd, timeout, **kw):
    """Runs cmd in a session of its own; on timeout ends that session only."""
    proc = subprocess.Popen(cmd, start_new_session=True, **kw)
    try:
        out, err = proc.communicate(timeout=timeout)
        return proc.returncode, out, err
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        out, err = proc.communicate()
        return None, out, err


def render_program(args, files, prog_dir):
    """Returns {rel: dict(status, natural, image, ms, error)}."""
    results = {}
    todo = list(files)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QT_LOGGING_RULES="qt.qpa.*=false")
    while todo:
        chunk = todo[:20]
        cmd = [args.render]
        if args.scale != 1:
            cmd += ["--scale", str(args.scale)]
        for rel in chunk:
            cmd += [os.path.join(args.images, rel), os.path.join(prog_dir, flat_name(rel) + ".png")]
        rc, out, _err = run_group(cmd, 60 + 20 * len(chunk), stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
        lines = out.decode("utf-8", "replace").splitlines()
        for rel, line in zip(chunk, lines):
            results[rel] = parse_render_line(line)
        done = len(lines)
        if done < len(chunk):
            # The renderer died or hung on chunk[done]: note it and go on after it.
            why = "timed out" if rc is None else "crashed (exit %s)" % rc
            results[chunk[done]] = {"status": "crashed", "error": why}
            done += 1
        todo = todo[done:]
    return results


def parse_render_line(line):
    parts = line.split(" ", 1)
    if parts[0] == "ok":
        nw, nh, iw, ih, ms = (int(x) for x in parts[1].split())
        return {"status": "ok", "natural": (nw, nh), "image": (iw, ih), "ms": ms}
    return {"status": "refused", "error": parts[1] if len(parts) > 1 else ""}


def lo_page_factor(natural, scale):
    """LibreOffice puts a picture on an A4 page, shrunk to fit inside the
    margins when larger: export the page that much larger, so every picture
    comes out at about its natural size times scale."""
    k = 1.0
    if natural:
        k = max(1.0, natural[0] / LO_FIT[0], natural[1] / LO_FIT[1])
    return math.ceil(k * scale * 4) / 4


GDI_ONLY = ".gdi"  # suffix of the second LibreOffice render of a file with EMF+ records


def render_libreoffice(args, files, lo_dir, naturals):
    """Renders what is not in lo_dir yet. A file with EMF+ records is rendered
    twice: as it is (LibreOffice then draws the EMF+ records) and with them
    hidden (it draws the GDI records, as GDI playback does).
    Returns {rel: error or None}."""
    link_dir = tempfile.mkdtemp(prefix="mfc-links-")
    profile = tempfile.mkdtemp(prefix="mfc-lo-profile-")
    errors = {}
    try:
        todo = []  # (rel, input name in link_dir, output png)
        for rel in files:
            src = os.path.join(args.images, rel)
            inputs = [(link_name(rel), None)]
            gdi_only = mfrecords.without_emfplus(src)
            if gdi_only is not None:
                inputs.append((flat_name(rel) + GDI_ONLY + os.path.splitext(rel)[1], gdi_only))
            for name, data in inputs:
                png = os.path.join(lo_dir, os.path.splitext(name)[0] + ".png")
                if args.reuse_lo and os.path.exists(png):
                    continue
                if os.path.exists(png):
                    os.remove(png)
                if data is None:
                    os.symlink(src, os.path.join(link_dir, name))
                else:
                    with open(os.path.join(link_dir, name), "wb") as f:
                        f.write(data)
                todo.append((rel, name, png))

        def convert(batch, k, timeout):
            filt = "png"
            if k != 1:
                filt = ('png:draw_png_Export:{"PixelWidth":{"type":"long","value":"%d"},'
                        '"PixelHeight":{"type":"long","value":"%d"}}' % (round(A4_PX[0] * k), round(A4_PX[1] * k)))
            cmd = [args.soffice, "--headless", "--norestore", "-env:UserInstallation=file://" + profile,
                   "--convert-to", filt, "--outdir", lo_dir]
            rc, _out, _err = run_group(cmd + [os.path.join(link_dir, name) for _rel, name, _png in batch], timeout,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            return rc

        groups = {}
        for item in todo:
            groups.setdefault(lo_page_factor(naturals.get(item[0]), args.scale), []).append(item)
        done = 0
        for k in sorted(groups):
            for i in range(0, len(groups[k]), args.batch):
                batch = groups[k][i:i + args.batch]
                print("LibreOffice: %d-%d of %d (page x%g)" % (done + 1, done + len(batch), len(todo), k), flush=True)
                done += len(batch)
                if convert(batch, k, 120 + 10 * len(batch)) is None:
                    # One file hung the batch: the rest one by one.
                    for item in batch:
                        if not os.path.exists(item[2]) and convert([item], k, 90) is None:
                            errors[item[0]] = "timed out"
        for rel, _name, png in todo:
            if rel not in errors and not os.path.exists(png):
                errors[rel] = "no output"
    finally:
        shutil.rmtree(link_dir, ignore_errors=True)
        shutil.rmtree(profile, ignore_errors=True)
    return errors


def on_white(img):
    img = img.convert("RGBA")
    white = Image.new("RGBA", img.size, (255, 255, 255, 255))
    return Image.alpha_composite(white, img).convert("RGB")


def drawn_box(rgb):
    a = np.asarray(rgb, dtype=np.int16)
    ink = (255 - a).max(axis=2) > INK
    rows, cols = np.nonzero(ink.any(axis=1))[0], np.nonzero(ink.any(axis=0))[0]
    if rows.size == 0:
        return None
    return (int(cols[0]), int(rows[0]), int(cols[-1]) + 1, int(rows[-1]) + 1)


def fit(size, box):
    w, h = size
    f = min(box[0] / w, box[1] / h)
    return max(1, round(w * f)), max(1, round(h * f))


def compare(prog_png, lo_png):
    """Returns a dict with the score (0 same .. 100 nothing in common) and the
    crops, or a reason when one side drew nothing."""
    prog = on_white(Image.open(prog_png))
    lo = on_white(Image.open(lo_png))
    pb, lb = drawn_box(prog), drawn_box(lo)
    res = {"prog_box": pb, "lo_box": lb}
    if pb is None or lb is None:
        res["score"] = 0.0 if pb is None and lb is None else 100.0
        if pb is None and lb is None:
            res["note"] = "both blank"
        else:
            res["note"] = "program blank" if pb is None else "LibreOffice blank"
        res["prog_crop"] = prog.crop(pb) if pb else None
        res["lo_crop"] = lo.crop(lb) if lb else None
        return res
    pc, lc = prog.crop(pb), lo.crop(lb)
    size = fit(lc.size, (COMPARE_BOX, COMPARE_BOX))
    pa = pc.resize(size, Image.LANCZOS).filter(ImageFilter.GaussianBlur(1.2))
    la = lc.resize(size, Image.LANCZOS).filter(ImageFilter.GaussianBlur(1.2))
    a = np.asarray(pa, dtype=np.float32)
    b = np.asarray(la, dtype=np.float32)
    diff = np.abs(a - b).max(axis=2)
    ink = np.maximum((255 - a).max(axis=2), (255 - b).max(axis=2))
    res["score"] = float(100.0 * diff.sum() / max(ink.sum(), 1.0))
    res["prog_crop"], res["lo_crop"] = pc, lc
    res["diff"] = Image.fromarray(np.uint8(255 - np.clip(diff, 0, 255)), "L")
    pa_aspect = pc.size[0] / pc.size[1]
    lo_aspect = lc.size[0] / lc.size[1]
    res["aspect"] = pa_aspect / lo_aspect
    return res


def font(size):
    """A face with Chinese, for the program's refusal messages."""
    paths = []
    try:
        paths.append(subprocess.run(["fc-match", "-f", "%{file}", "sans-serif:lang=zh-cn"], capture_output=True,
                                    text=True, timeout=10).stdout.strip())
    except (OSError, subprocess.SubprocessError):
        pass
    paths.append("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")
    for path in paths:
        if path and os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def panel(img, cell, label, fnt):
    """One picture fitted into a cell with a thin frame, or a grey cell with a word."""
    out = Image.new("RGB", cell, (255, 255, 255))
    d = ImageDraw.Draw(out)
    if img is None:
        out.paste((235, 235, 235), (0, 0) + cell)
        d.text((8, cell[1] // 2 - 8), label, fill=(120, 0, 0), font=fnt)
    else:
        size = fit(img.size, (cell[0] - 4, cell[1] - 4))
        resample = Image.NEAREST if size[0] > img.size[0] * 2 else Image.LANCZOS
        scaled = img.resize(size, resample)
        out.paste(scaled, ((cell[0] - size[0]) // 2, (cell[1] - size[1]) // 2))
    d.rectangle((0, 0, cell[0] - 1, cell[1] - 1), outline=(200, 200, 200))
    return out


def row_image(entry, cell, fnt, small):
    width = cell[0] * 3 + 16
    img = Image.new("RGB", (width, 1), (255, 255, 255))
    d = ImageDraw.Draw(img)
    title = "#%d  %s  %s" % (entry["rank"], score_text(entry), entry["rel"])
    sub = entry_detail(entry)
    # The details go beside the title when there is room, else below it.
    line = fnt.size + 6
    beside = d.textlength(title, font=fnt) + 12 + d.textlength(sub, font=small) < width - 8
    head = line + 2 if beside else 2 * line
    img = Image.new("RGB", (width, cell[1] + head + 4), (255, 255, 255))
    d = ImageDraw.Draw(img)
    r = entry.get("cmp") or {}
    d.text((4, 3), title, fill=(0, 0, 0), font=fnt)
    if beside:
        d.text((4 + d.textlength(title, font=fnt) + 12, 6), sub, fill=(90, 90, 90), font=small)
    else:
        d.text((24, line + 1), sub, fill=(90, 90, 90), font=small)
    y = head
    prog_word = "refused" if entry["prog"]["status"] != "ok" else "blank"
    lo_word = entry.get("lo_error") or "blank"
    img.paste(panel(r.get("prog_crop"), cell, prog_word, fnt), (4, y))
    img.paste(panel(r.get("lo_crop"), cell, lo_word, fnt), (cell[0] + 8, y))
    img.paste(panel(r.get("diff"), cell, "-", fnt), (2 * cell[0] + 12, y))
    return img


def score_text(e):
    return "-" if e.get("score") is None else "%.1f" % e["score"]


def entry_detail(e):
    p = e["prog"]
    bits = []
    if p["status"] == "ok":
        bits.append("%dx%d, %d ms" % (p["natural"] + (p["ms"],)))
    else:
        bits.append("program: %s" % p.get("error", p["status"]))
    r = e.get("cmp") or {}
    if r.get("ref"):
        bits.append("LO drew its %s records" % r["ref"])
    if r.get("note"):
        bits.append(r["note"])
    if r.get("aspect") and abs(r["aspect"] - 1) > 0.1:
        bits.append("aspect %.2f" % r["aspect"])
    if e.get("lo_rel_size") and abs(e["lo_rel_size"] - 1) > 0.2:
        bits.append("LO size x%.2f" % e["lo_rel_size"])
    return "; ".join(bits)


def write_sheets(out, entries, rows):
    fnt, small = font(13), font(11)
    cell = (240, 170)
    for old in os.listdir(out):
        if old.startswith("sheet-") and old.endswith(".png"):
            os.remove(os.path.join(out, old))
    names = []
    for s in range(0, len(entries), rows):
        imgs = [row_image(e, cell, fnt, small) for e in entries[s:s + rows]]
        head = Image.new("RGB", (imgs[0].width, 22), (240, 240, 240))
        hd = ImageDraw.Draw(head)
        for i, word in enumerate(("program", "LibreOffice", "difference (dark = differs)")):
            hd.text((8 + i * (cell[0] + 4), 4), word, fill=(0, 0, 0), font=small)
        sheet = Image.new("RGB", (imgs[0].width, 22 + sum(i.height for i in imgs)), (255, 255, 255))
        sheet.paste(head, (0, 0))
        y = 22
        for i in imgs:
            sheet.paste(i, (0, y))
            y += i.height
        name = "sheet-%02d.png" % (s // rows + 1)
        sheet.save(os.path.join(out, name))
        names.append(name)
    pairs = os.path.join(out, "pairs")
    os.makedirs(pairs, exist_ok=True)
    big = (420, 320)
    bf = font(15)
    for e in entries:
        row_image(e, big, bf, small).save(os.path.join(pairs, flat_name(e["rel"]) + ".png"))
    return names


def classify(score, args):
    if score is None:
        return "-"
    if score < args.close:
        return "close"
    if score >= args.large:
        return "large"
    return "some"


def structural(key):
    return key[:2] in (("EMF", 1), ("EMF", 14), ("WMF", 0))


def ignored_in(scan, handled):
    if scan is None or handled is None:
        return []
    out = []
    for key in sorted(scan.counts):
        if key[0] in ("EMF", "WMF") and not structural(key) and key[1] not in handled.get(key[0], set()):
            out.append(key[2])
    return out


def write_tables(args, out, entries, handled):
    cols = ["rank", "score", "class", "file", "program", "natural", "ms", "libreoffice", "aspect",
            "lo_size", "ignored_records", "features"]
    with open(os.path.join(out, "differences.tsv"), "w") as f:
        f.write("\t".join(cols) + "\n")
        for e in entries:
            f.write("\t".join(str(x) for x in table_row(e, handled)) + "\n")
    with open(os.path.join(out, "differences.md"), "w") as f:
        counts = {}
        for e in entries:
            counts[e["class"]] = counts.get(e["class"], 0) + 1
        scored = sum(1 for e in entries if e.get("score") is not None)
        f.write("# WMF/EMF: the program's players beside LibreOffice\n\n")
        f.write("Score: share of the drawn area that differs after cropping both renders to their drawn area, "
                "scaling to one size and blurring by 1.2 px (0 = same, 100 = nothing in common).\n\n")
        f.write("%d files; %d compared: %d agree closely (score < %g), %d differ somewhat, %d differ a lot "
                "(score >= %g); %d not compared (refused by the program or no LibreOffice render).\n\n"
                % (len(entries), scored, counts.get("close", 0), args.close, counts.get("some", 0),
                   counts.get("large", 0), args.large, len(entries) - scored))
        slow = sorted((e for e in entries if e["prog"].get("ms") is not None), key=lambda e: -e["prog"]["ms"])[:5]
        f.write("Slowest loads: %s.\n\n" % ", ".join("%s %d ms" % (os.path.basename(e["rel"]), e["prog"]["ms"])
                                                   for e in slow))
        f.write("| " + " | ".join(cols) + " |\n|" + "---|" * len(cols) + "\n")
        for e in entries:
            f.write("| " + " | ".join(str(x).replace("|", "/") for x in table_row(e, handled)) + " |\n")


def table_row(e, handled):
    p = e["prog"]
    r = e.get("cmp") or {}
    scan = e.get("scan")
    return [
        e["rank"], score_text(e), e["class"], e["rel"],
        "ok" if p["status"] == "ok" else "%s: %s" % (p["status"], p.get("error", "")),
        "%dx%d" % p["natural"] if p["status"] == "ok" else "",
        p.get("ms", ""),
        e.get("lo_error") or (r.get("note") or "ok") + (" (%s records; %s records: %.1f)" % (
            (r["ref"],) + r["alt"]) if r.get("ref") else ""),
        "%.2f" % r["aspect"] if r.get("aspect") else "",
        "%.2f" % e["lo_rel_size"] if e.get("lo_rel_size") else "",
        " ".join(ignored_in(scan, handled)),
        ", ".join(sorted(scan.features)) if scan else "",
    ]


def write_records(args, out, entries, handled):
    agg = {}
    for e in entries:
        scan = e.get("scan")
        if not scan:
            continue
        for key, n in scan.counts.items():
            a = agg.setdefault(key, {"files": 0, "records": 0, "worst": [], "large": 0})
            a["files"] += 1
            a["records"] += n
            if e.get("score") is not None:
                a["worst"].append((e["score"], e["rel"]))
                if e["class"] == "large":
                    a["large"] += 1
    with open(os.path.join(out, "records.md"), "w") as f:
        f.write("# Record types in the compared files\n\n")
        if handled is None:
            f.write("The players' sources were not found (--src): the handled column is unknown.\n\n")
        f.write("handled: the player has a case for the type (it may still draw it wrongly). "
                "large: files with this type that differ a lot.\n\n")
        for kind in ("EMF", "WMF", "EMF+", "GDIC", "WMF-ESC"):
            keys = sorted(k for k in agg if k[0] == kind)
            if not keys:
                continue
            f.write("## %s\n\n| type | name | handled | files | records | large | worst file (score) |\n"
                    "|---|---|---|---|---|---|---|\n" % kind)
            for k in keys:
                a = agg[k]
                if kind in ("EMF", "WMF") and handled is not None:
                    h = "yes" if structural(k) or k[1] in handled.get(kind, set()) else "**no**"
                elif kind in ("EMF+",):
                    h = "no (GDI comment)"
                else:
                    h = "-" if handled is not None else "?"
                worst = max(a["worst"]) if a["worst"] else None
                num = ("0x%04X" % k[1]) if kind in ("WMF", "EMF+", "WMF-ESC") else str(k[1])
                f.write("| %s | %s | %s | %d | %d | %d | %s |\n" % (
                    num, k[2], h, a["files"], a["records"], a["large"],
                    "%s (%.0f)" % (os.path.basename(worst[1]), worst[0]) if worst else ""))
            f.write("\n")
        ignored = sorted((k for k in agg if k[0] in ("EMF", "WMF") and handled is not None and not structural(k)
                          and k[1] not in handled.get(k[0], set())), key=lambda k: -agg[k]["files"])
        f.write("## Ignored by the players, most widespread first\n\n")
        for k in ignored:
            f.write("- %s %s: %d files, %d records, %d of them differ a lot\n"
                    % (k[0], k[2], agg[k]["files"], agg[k]["records"], agg[k]["large"]))
        feats = {}
        for e in entries:
            for ft in (e["scan"].features if e.get("scan") else ()):
                feats.setdefault(ft, []).append(e["rel"])
        f.write("\n## Features\n\n")
        for ft in sorted(feats):
            f.write("- %s (%d): %s\n" % (ft, len(feats[ft]), ", ".join(os.path.basename(x) for x in feats[ft][:40])))


def main():
    args = parse_args()
    if not os.access(args.render, os.X_OK):
        sys.exit("metafile_render not found at %s: build it (cmake --build build --target metafile_render) "
                 "or pass --render" % args.render)
    if shutil.which(args.soffice) is None:
        sys.exit("soffice not found: apt-get install libreoffice-draw-nogui")
    files = find_files(args.images, args.only)
    if not files:
        sys.exit("no .wmf or .emf files under %s" % args.images)
    out = os.path.abspath(args.out)
    if out == REPO or out.startswith(REPO + os.sep):
        sys.exit("the output folder must lie outside the repository")
    prog_dir, lo_dir = os.path.join(out, "prog"), os.path.join(out, "lo")
    os.makedirs(prog_dir, exist_ok=True)
    os.makedirs(lo_dir, exist_ok=True)
    t0 = time.time()
    print("program: rendering %d files" % len(files), flush=True)
    prog = render_program(args, files, prog_dir)
    naturals = {rel: r.get("natural") for rel, r in prog.items()}
    lo_errors = render_libreoffice(args, files, lo_dir, naturals)
    handled = mfrecords.handled_types(args.src) if os.path.isdir(args.src) else None

    entries = []
    for rel in files:
        e = {"rel": rel, "prog": prog.get(rel, {"status": "crashed", "error": "no answer"}),
             "lo_error": lo_errors.get(rel)}
        try:
            e["scan"] = mfrecords.scan_file(os.path.join(args.images, rel))
        except OSError:
            e["scan"] = None
        lo_png = os.path.join(lo_dir, flat_name(rel) + ".png")
        prog_png = os.path.join(prog_dir, flat_name(rel) + ".png")
        if e["prog"]["status"] == "ok" and not e["lo_error"] and os.path.exists(lo_png):
            e["cmp"] = compare(prog_png, lo_png)
            gdi_png = os.path.join(lo_dir, flat_name(rel) + GDI_ONLY + ".png")
            if os.path.exists(gdi_png):
                # Either of LibreOffice's readings may be the faithful one:
                # score against the closer.
                e["cmp"]["ref"] = "EMF+"
                other = compare(prog_png, gdi_png)
                other["ref"] = "GDI"
                if other["score"] < e["cmp"]["score"]:
                    lo_png, e["cmp"], other = gdi_png, other, e["cmp"]
                e["cmp"]["alt"] = (other["ref"], other["score"])
            e["score"] = e["cmp"]["score"]
            pb, lb = e["cmp"]["prog_box"], e["cmp"]["lo_box"]
            if pb and lb:
                # LibreOffice's drawn width against the program's, both at
                # 96 dpi: 1 when it draws the picture at the same size.
                lo_px = Image.open(lo_png).size[0] / A4_PX[0]
                prog_px = e["prog"]["image"][0] / e["prog"]["natural"][0]
                e["lo_rel_size"] = ((lb[2] - lb[0]) / lo_px) / max(1e-9, (pb[2] - pb[0]) / prog_px)
        elif e["prog"]["status"] != "ok" and os.path.exists(lo_png):
            lo = on_white(Image.open(lo_png))
            lb = drawn_box(lo)
            e["cmp"] = {"lo_crop": lo.crop(lb) if lb else None,
                        "note": "LibreOffice drew it" if lb else "LibreOffice blank"}
        e["class"] = classify(e.get("score"), args)
        entries.append(e)
    entries.sort(key=lambda e: (e.get("score") is None, -(e.get("score") or 0), e["rel"]))
    for i, e in enumerate(entries):
        e["rank"] = i + 1
    write_tables(args, out, entries, handled)
    write_records(args, out, entries, handled)
    sheets = write_sheets(out, entries, args.rows)
    counts = {}
    for e in entries:
        counts[e["class"]] = counts.get(e["class"], 0) + 1
    print("%d files in %.0f s: %d close, %d some, %d large, %d not compared" % (
        len(entries), time.time() - t0, counts.get("close", 0), counts.get("some", 0), counts.get("large", 0),
        counts.get("-", 0)))
    print("wrote %s/differences.md, records.md and %d sheets" % (out, len(sheets)))


if __name__ == "__main__":
    main()
