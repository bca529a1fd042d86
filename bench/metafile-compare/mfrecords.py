#!/usr/bin/python3
"""Record framing of WMF and EMF files, record names, and the features of a
file that the comparison notes care about (palette-indexed bitmaps, per-pixel
alpha, hatched brushes, viewport records, EMF+ comments, embedded metafiles).

Only framing is read here; nothing is drawn. Every read is bounds-checked, so
corrupt files just end their record list early.
"""

import os
import re
import struct

EMF_NAMES = {
    1: "HEADER", 2: "POLYBEZIER", 3: "POLYGON", 4: "POLYLINE", 5: "POLYBEZIERTO",
    6: "POLYLINETO", 7: "POLYPOLYLINE", 8: "POLYPOLYGON", 9: "SETWINDOWEXTEX",
    10: "SETWINDOWORGEX", 11: "SETVIEWPORTEXTEX", 12: "SETVIEWPORTORGEX",
    13: "SETBRUSHORGEX", 14: "EOF", 15: "SETPIXELV", 16: "SETMAPPERFLAGS",
    17: "SETMAPMODE", 18: "SETBKMODE", 19: "SETPOLYFILLMODE", 20: "SETROP2",
    21: "SETSTRETCHBLTMODE", 22: "SETTEXTALIGN", 23: "SETCOLORADJUSTMENT",
    24: "SETTEXTCOLOR", 25: "SETBKCOLOR", 26: "OFFSETCLIPRGN", 27: "MOVETOEX",
    28: "SETMETARGN", 29: "EXCLUDECLIPRECT", 30: "INTERSECTCLIPRECT",
    31: "SCALEVIEWPORTEXTEX", 32: "SCALEWINDOWEXTEX", 33: "SAVEDC", 34: "RESTOREDC",
    35: "SETWORLDTRANSFORM", 36: "MODIFYWORLDTRANSFORM", 37: "SELECTOBJECT",
    38: "CREATEPEN", 39: "CREATEBRUSHINDIRECT", 40: "DELETEOBJECT", 41: "ANGLEARC",
    42: "ELLIPSE", 43: "RECTANGLE", 44: "ROUNDRECT", 45: "ARC", 46: "CHORD", 47: "PIE",
    48: "SELECTPALETTE", 49: "CREATEPALETTE", 50: "SETPALETTEENTRIES",
    51: "RESIZEPALETTE", 52: "REALIZEPALETTE", 53: "EXTFLOODFILL", 54: "LINETO",
    55: "ARCTO", 56: "POLYDRAW", 57: "SETARCDIRECTION", 58: "SETMITERLIMIT",
    59: "BEGINPATH", 60: "ENDPATH", 61: "CLOSEFIGURE", 62: "FILLPATH",
    63: "STROKEANDFILLPATH", 64: "STROKEPATH", 65: "FLATTENPATH", 66: "WIDENPATH",
    67: "SELECTCLIPPATH", 68: "ABORTPATH", 70: "GDICOMMENT", 71: "FILLRGN",
    72: "FRAMERGN", 73: "INVERTRGN", 74: "PAINTRGN", 75: "EXTSELECTCLIPRGN",
    76: "BITBLT", 77: "STRETCHBLT", 78: "MASKBLT", 79: "PLGBLT",
    80: "SETDIBITSTODEVICE", 81: "STRETCHDIBITS", 82: "EXTCREATEFONTINDIRECTW",
    83: "EXTTEXTOUTA", 84: "EXTTEXTOUTW", 85: "POLYBEZIER16", 86: "POLYGON16",
    87: "POLYLINE16", 88: "POLYBEZIERTO16", 89: "POLYLINETO16", 90: "POLYPOLYLINE16",
    91: "POLYPOLYGON16", 92: "POLYDRAW16", 93: "CREATEMONOBRUSH",
    94: "CREATEDIBPATTERNBRUSHPT", 95: "EXTCREATEPEN", 96: "POLYTEXTOUTA",
    97: "POLYTEXTOUTW", 98: "SETICMMODE", 99: "CREATECOLORSPACE", 100: "SETCOLORSPACE",
    101: "DELETECOLORSPACE", 102: "GLSRECORD", 103: "GLSBOUNDEDRECORD",
    104: "PIXELFORMAT", 105: "DRAWESCAPE", 106: "EXTESCAPE", 108: "SMALLTEXTOUT",
    109: "FORCEUFIMAPPING", 110: "NAMEDESCAPE", 111: "COLORCORRECTPALETTE",
    112: "SETICMPROFILEA", 113: "SETICMPROFILEW", 114: "ALPHABLEND", 115: "SETLAYOUT",
    116: "TRANSPARENTBLT", 118: "GRADIENTFILL", 119: "SETLINKEDUFIS",
    120: "SETTEXTJUSTIFICATION", 121: "COLORMATCHTOTARGETW", 122: "CREATECOLORSPACEW",
}

EMFPLUS_NAMES = {
    0x4001: "Header", 0x4002: "EndOfFile", 0x4003: "Comment", 0x4004: "GetDC",
    0x4005: "MultiFormatStart", 0x4006: "MultiFormatSection", 0x4007: "MultiFormatEnd",
    0x4008: "Object", 0x4009: "Clear", 0x400A: "FillRects", 0x400B: "DrawRects",
    0x400C: "FillPolygon", 0x400D: "DrawLines", 0x400E: "FillEllipse",
    0x400F: "DrawEllipse", 0x4010: "FillPie", 0x4011: "DrawPie", 0x4012: "DrawArc",
    0x4013: "FillRegion", 0x4014: "FillPath", 0x4015: "DrawPath",
    0x4016: "FillClosedCurve", 0x4017: "DrawClosedCurve", 0x4018: "DrawCurve",
    0x4019: "DrawBeziers", 0x401A: "DrawImage", 0x401B: "DrawImagePoints",
    0x401C: "DrawString", 0x401D: "SetRenderingOrigin", 0x401E: "SetAntiAliasMode",
    0x401F: "SetTextRenderingHint", 0x4020: "SetTextContrast",
    0x4021: "SetInterpolationMode", 0x4022: "SetPixelOffsetMode",
    0x4023: "SetCompositingMode", 0x4024: "SetCompositingQuality", 0x4025: "Save",
    0x4026: "Restore", 0x4027: "BeginContainer", 0x4028: "BeginContainerNoParams",
    0x4029: "EndContainer", 0x402A: "SetWorldTransform", 0x402B: "ResetWorldTransform",
    0x402C: "MultiplyWorldTransform", 0x402D: "TranslateWorldTransform",
    0x402E: "ScaleWorldTransform", 0x402F: "RotateWorldTransform",
    0x4030: "SetPageTransform", 0x4031: "ResetClip", 0x4032: "SetClipRect",
    0x4033: "SetClipPath", 0x4034: "SetClipRegion", 0x4035: "OffsetClip",
    0x4036: "DrawDriverString", 0x4037: "StrokeFillPath", 0x4038: "SerializableObject",
    0x4039: "SetTSGraphics", 0x403A: "SetTSClip",
}

GDIC_NAMES = {
    0x80000001: "WINDOWS_METAFILE", 0x00000002: "BEGINGROUP", 0x00000003: "ENDGROUP",
    0x40000004: "MULTIFORMATS", 0x00000040: "UNICODE_STRING", 0x00000080: "UNICODE_END",
}

WMF_NAMES = {
    0x0000: "EOF", 0x001E: "SAVEDC", 0x0035: "REALIZEPALETTE", 0x0037: "SETPALENTRIES",
    0x00F7: "CREATEPALETTE", 0x0102: "SETBKMODE", 0x0103: "SETMAPMODE",
    0x0104: "SETROP2", 0x0105: "SETRELABS", 0x0106: "SETPOLYFILLMODE",
    0x0107: "SETSTRETCHBLTMODE", 0x0108: "SETTEXTCHAREXTRA", 0x0127: "RESTOREDC",
    0x012A: "INVERTREGION", 0x012B: "PAINTREGION", 0x012C: "SELECTCLIPREGION",
    0x012D: "SELECTOBJECT", 0x012E: "SETTEXTALIGN", 0x0139: "RESIZEPALETTE",
    0x0142: "DIBCREATEPATTERNBRUSH", 0x014C: "SETLAYOUT", 0x01F0: "DELETEOBJECT",
    0x01F9: "CREATEPATTERNBRUSH", 0x0201: "SETBKCOLOR", 0x0209: "SETTEXTCOLOR",
    0x020A: "SETTEXTJUSTIFICATION", 0x020B: "SETWINDOWORG", 0x020C: "SETWINDOWEXT",
    0x020D: "SETVIEWPORTORG", 0x020E: "SETVIEWPORTEXT", 0x020F: "OFFSETWINDOWORG",
    0x0211: "OFFSETVIEWPORTORG", 0x0213: "LINETO", 0x0214: "MOVETO",
    0x0220: "OFFSETCLIPRGN", 0x0228: "FILLREGION", 0x0231: "SETMAPPERFLAGS",
    0x0234: "SELECTPALETTE", 0x02FA: "CREATEPENINDIRECT", 0x02FB: "CREATEFONTINDIRECT",
    0x02FC: "CREATEBRUSHINDIRECT", 0x0324: "POLYGON", 0x0325: "POLYLINE",
    0x0410: "SCALEWINDOWEXT", 0x0412: "SCALEVIEWPORTEXT", 0x0415: "EXCLUDECLIPRECT",
    0x0416: "INTERSECTCLIPRECT", 0x0418: "ELLIPSE", 0x0419: "FLOODFILL",
    0x041B: "RECTANGLE", 0x041F: "SETPIXEL", 0x0429: "FRAMEREGION",
    0x0436: "ANIMATEPALETTE", 0x0521: "TEXTOUT", 0x0538: "POLYPOLYGON",
    0x0548: "EXTFLOODFILL", 0x061C: "ROUNDRECT", 0x061D: "PATBLT", 0x0626: "ESCAPE",
    0x06FF: "CREATEREGION", 0x0817: "ARC", 0x081A: "PIE", 0x0830: "CHORD",
    0x0922: "BITBLT", 0x0940: "DIBBITBLT", 0x0A32: "EXTTEXTOUT", 0x0B23: "STRETCHBLT",
    0x0B41: "DIBSTRETCHBLT", 0x0D33: "SETDIBTODEV", 0x0F43: "STRETCHDIB",
}

WMF_ESCAPE_NAMES = {
    0x000F: "MFCOMMENT", 0x0010: "SETPENWIDTH", 0x0013: "PASSTHROUGH", 0x0015: "SETLINECAP",
    0x0016: "SETLINEJOIN", 0x0017: "SETMITERLIMIT", 0x1000: "BEGIN_PATH", 0x1001: "CLIP_TO_PATH",
    0x1002: "END_PATH",
}

WMF_VIEWPORT = {0x020D, 0x020E, 0x0211, 0x0412}
# Bitmap records and the offset of their colour-usage field (EMF: from the
# record start; WMF: from the first parameter).
EMF_USAGE_AT = {76: 80, 77: 80, 114: 80, 116: 80, 78: 80, 79: 80, 80: 64, 81: 64, 93: 12, 94: 12}
WMF_USAGE_AT = {0x0F43: 4, 0x0D33: 0, 0x0142: 2}
# EMF records that put something on the page.
EMF_DRAWING = {2, 3, 4, 5, 6, 7, 8, 15, 41, 42, 43, 44, 45, 46, 47, 53, 54, 55, 56, 62, 63, 64, 71, 72, 73, 74,
               76, 77, 78, 79, 80, 81, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 96, 97, 108, 114, 116, 118}


def _u16(d, at):
    return struct.unpack_from("<H", d, at)[0] if 0 <= at and at + 2 <= len(d) else None


def _u32(d, at):
    return struct.unpack_from("<I", d, at)[0] if 0 <= at and at + 4 <= len(d) else None


def sniff(data):
    if len(data) >= 88 and _u32(data, 0) == 1 and data[40:44] == b" EMF":
        return "emf"
    if len(data) >= 22 and _u32(data, 0) == 0x9AC6CDD7:
        return "wmf"
    if len(data) >= 18 and _u16(data, 0) in (1, 2) and _u16(data, 2) == 9:
        return "wmf"
    return None


class Scan:
    """Record counts of one file: keys like "EMF 84 EXTTEXTOUTW"."""

    def __init__(self, kind):
        self.kind = kind
        self.counts = {}
        self.features = set()
        self.broken = False

    def add(self, key):
        self.counts[key] = self.counts.get(key, 0) + 1


def emf_key(t):
    return ("EMF", t, EMF_NAMES.get(t, "UNKNOWN_%d" % t))


def wmf_key(f):
    return ("WMF", f, WMF_NAMES.get(f, "UNKNOWN_0x%04X" % f))


def _scan_emfplus(d, start, end, scan):
    at = start
    while at + 12 <= end:
        t = _u16(d, at)
        flags = _u16(d, at + 2)
        size = _u32(d, at + 4)
        if size is None or size < 12 or at + size > end:
            break
        scan.add(("EMF+", t, EMFPLUS_NAMES.get(t, "0x%04X" % t)))
        if t == 0x4001:
            scan.features.add("EMF+ dual" if (flags & 1) else "EMF+ only")
        at += size


def scan_emf(d):
    scan = Scan("emf")
    at = 0
    while at + 8 <= len(d):
        t, size = _u32(d, at), _u32(d, at + 4)
        if size < 8 or size % 4 or at + size > len(d):
            scan.broken = True
            break
        scan.add(emf_key(t))
        if t == 70 and size >= 16:
            ident = _u32(d, at + 12)
            if ident == 0x2B464D45:  # "EMF+"
                _scan_emfplus(d, at + 16, at + size, scan)
            elif ident == 0x43494447 and size >= 20:  # "GDIC"
                kind = _u32(d, at + 16)
                scan.add(("GDIC", kind, GDIC_NAMES.get(kind, "0x%08X" % kind)))
                if kind == 0x80000001:
                    scan.features.add("embedded WMF")
                elif kind == 0x40000004:
                    scan.features.add("multiformats comment")
        usage_at = EMF_USAGE_AT.get(t)
        if usage_at is not None and _u32(d, at + usage_at) == 1:
            scan.features.add("DIB_PAL_COLORS")
        if t == 114:
            blend = _u32(d, at + 40) or 0
            bmi = _u32(d, at + 84) or 0
            bpp = _u16(d, at + bmi + 14)
            if (blend >> 24) & 1 and bpp == 32:
                scan.features.add("AlphaBlend per-pixel alpha")
            else:
                scan.features.add("AlphaBlend constant alpha")
        if t in (78, 79):
            scan.features.add(EMF_NAMES[t])
        if t == 39 and _u32(d, at + 12) == 2:
            scan.features.add("hatched brush")
        if t == 81 and _u32(d, at + 68) not in (0x00CC0020, None):
            scan.features.add("StretchDIBits rop 0x%08X" % _u32(d, at + 68))
        at += size
        if t == 14:
            break
    if not any(k[0] == "EMF" and k[1] in EMF_DRAWING for k in scan.counts):
        scan.features.add("no GDI drawing records")
    return scan


def scan_wmf(d):
    scan = Scan("wmf")
    at = 22 if _u32(d, 0) == 0x9AC6CDD7 else 0
    if at:
        scan.features.add("placeable")
    else:
        scan.features.add("non-placeable")
    at += 18
    while at + 6 <= len(d):
        words, fn = _u32(d, at), _u16(d, at + 4)
        if words < 3 or at + words * 2 > len(d):
            scan.broken = True
            break
        scan.add(wmf_key(fn))
        p = at + 6
        if fn == 0x0626:
            esc = _u16(d, p)
            scan.add(("WMF-ESC", esc, WMF_ESCAPE_NAMES.get(esc, "escape 0x%04X" % esc)))
            if esc == 0x000F and d[p + 4:p + 8] == b"WMFC":
                scan.features.add("embedded EMF")
        if fn in WMF_VIEWPORT:
            scan.features.add("viewport records")
        usage_at = WMF_USAGE_AT.get(fn)
        if usage_at is not None and _u16(d, p + usage_at) == 1:
            scan.features.add("DIB_PAL_COLORS")
        if fn == 0x02FC and _u16(d, p) == 2:
            scan.features.add("hatched brush")
        at += words * 2
        if fn == 0:
            break
    return scan


def without_emfplus(path):
    """The file with every EMF+ comment renamed to a private one, so a renderer
    that prefers EMF+ plays the GDI records, as GDI playback does; None when
    the file holds no EMF+ records."""
    with open(path, "rb") as f:
        d = bytearray(f.read())
    if sniff(d) != "emf":
        return None
    at, changed = 0, False
    while at + 8 <= len(d):
        t, size = _u32(d, at), _u32(d, at + 4)
        if size < 8 or size % 4 or at + size > len(d):
            break
        if t == 70 and size >= 16 and _u32(d, at + 12) == 0x2B464D45:
            d[at + 12:at + 16] = b"EMF_"
            changed = True
        at += size
        if t == 14:
            break
    return bytes(d) if changed else None


def scan_file(path):
    with open(path, "rb") as f:
        d = f.read()
    kind = sniff(d)
    if kind == "emf":
        return scan_emf(d)
    if kind == "wmf":
        return scan_wmf(d)
    return None


# Which record types the players handle: read from their case labels, so the
# table follows the players as they change. A label may be a number or a
# named constant defined anywhere in the player sources.
_DEF = re.compile(r"\b(\w+)\s*=\s*(0x[0-9A-Fa-f]+|\d+)\b")
_CASE = re.compile(r"\bcase\s+([\w:]+)\s*:")


def _norm(name):
    name = name.split("::")[-1]
    name = re.sub(r"^(k|EMR_|META_|Emr|Wmf|Meta)", "", name)
    return name.replace("_", "").lower()


def handled_types(src_root):
    """Returns {"EMF": set, "WMF": set}, or None when nothing was found."""
    files = {"EMF": [], "WMF": []}
    headers = []
    for root, _dirs, names in os.walk(src_root):
        for n in names:
            path = os.path.join(root, n)
            low = n.lower()
            if not low.endswith((".cpp", ".h")):
                continue
            if "emf" in low:
                files["EMF"].append(path)
            if "wmf" in low:
                files["WMF"].append(path)
            if "metafile" in root or "emf" in low or "wmf" in low or "record" in low:
                headers.append(path)
    if not files["EMF"] and not files["WMF"]:
        return None
    defs = {}
    for h in headers:
        with open(h, encoding="utf-8", errors="replace") as f:
            for m in _DEF.finditer(f.read()):
                defs.setdefault(m.group(1), int(m.group(2), 0))
    names = {"EMF": {_norm(v): k for k, v in EMF_NAMES.items()},
             "WMF": {_norm(v): k for k, v in WMF_NAMES.items()}}
    table = {"EMF": EMF_NAMES, "WMF": WMF_NAMES}

    def resolve(kind, label):
        if re.fullmatch(r"0x[0-9A-Fa-f]+|\d+", label):
            # WMF players switch on bit depths too: only hex labels are functions.
            if kind == "WMF" and not label.lower().startswith("0x"):
                return None
            return int(label, 0)
        name = label.split("::")[-1]
        if name in defs:
            return defs[name]
        return names[kind].get(_norm(label))

    out = {}
    for kind, paths in files.items():
        found, named = set(), set()
        for p in paths:
            with open(p, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for m in _CASE.finditer(text):
                value = resolve(kind, m.group(1))
                if value in table[kind]:
                    found.add(value)
            # Handlers chosen from a table rather than a switch: every record
            # name the player uses outside its own definition counts.
            body = _DEF.sub("", re.sub(r"//[^\n]*|/\*.*?\*/", "", text, flags=re.S))
            for ident in set(re.findall(r"\b[A-Za-z_][\w:]*\b", body)):
                if ident.split("::")[-1] in defs or _norm(ident) in names[kind]:
                    value = resolve(kind, ident)
                    if value in table[kind] and not re.fullmatch(r"\d+", ident):
                        named.add(value)
        out[kind] = found if found else named
    if not out.get("EMF") and not out.get("WMF"):
        return None
    return out


def _i32s(d, at, n):
    return [struct.unpack_from("<i", d, at + 4 * i)[0] for i in range(n) if at + 4 * i + 4 <= len(d)]


def _i16s(d, at, n):
    return [struct.unpack_from("<h", d, at + 2 * i)[0] for i in range(n) if at + 2 * i + 2 <= len(d)]


def _emf_detail(d, at, t, size):
    """A short reading of the fields that matter for diagnosis."""
    if t in (38,):  # CREATEPEN: ih, style, width(x,y), colour
        ih, style, w, _wy = _i32s(d, at + 8, 4)
        return "ih=%d style=0x%X width=%d color=%06X" % (ih, style & 0xFFFFFFFF, w, _u32(d, at + 24) & 0xFFFFFF)
    if t == 95:  # EXTCREATEPEN
        ih = _u32(d, at + 8)
        style, width, bstyle, color, hatch = (_u32(d, at + 28), _u32(d, at + 32), _u32(d, at + 36),
                                              _u32(d, at + 40), _u32(d, at + 44))
        return "ih=%d style=0x%X width=%d brushstyle=%d color=%06X hatch=%d" % (
            ih, style, width, bstyle, color & 0xFFFFFF, hatch)
    if t == 39:
        ih, style, color, hatch = _u32(d, at + 8), _u32(d, at + 12), _u32(d, at + 16), _u32(d, at + 20)
        return "ih=%d style=%d color=%06X hatch=%d" % (ih, style, color & 0xFFFFFF, hatch)
    if t == 37 or t == 40:
        ih = _u32(d, at + 8)
        return "ih=%s" % (("stock %d" % (ih & 0x7FFFFFFF)) if ih & 0x80000000 else ih)
    if t in (9, 10, 11, 12, 27, 54):
        return "%d, %d" % tuple(_i32s(d, at + 8, 2))
    if t in (17, 18, 19, 20, 21, 22, 57, 98, 115):
        return "%d" % _u32(d, at + 8)
    if t in (24, 25):
        return "%06X" % (_u32(d, at + 8) & 0xFFFFFF)
    if t in (35, 36):
        m = struct.unpack_from("<6f", d, at + 8)
        mode = _u32(d, at + 32) if t == 36 else 4
        return "[%s] mode=%d" % (" ".join("%.4g" % v for v in m), mode)
    if t in (42, 43, 29, 30):
        return "%d %d %d %d" % tuple(_i32s(d, at + 8, 4))
    if t == 82:
        h, w, esc, orient, weight = _i32s(d, at + 12, 5)
        face = d[at + 40:at + 104].decode("utf-16-le", "replace").split("\0")[0]
        return "ih=%d h=%d w=%d esc=%d orient=%d weight=%d face=%s" % (_u32(d, at + 8), h, w, esc, orient, weight, face)
    if t in (83, 84):
        gm = _u32(d, at + 24)
        xs, ys = struct.unpack_from("<ff", d, at + 28)
        x, y = _i32s(d, at + 36, 2)
        n, off, opts = _u32(d, at + 44), _u32(d, at + 48), _u32(d, at + 52)
        raw = d[at + off:at + off + (2 * n if t == 84 else n)]
        text = raw.decode("utf-16-le" if t == 84 else "latin-1", "replace")
        rect = _i32s(d, at + 56, 4)
        return "gm=%d scale=%.3g,%.3g at=%d,%d opts=0x%X rect=%s %r" % (gm, xs, ys, x, y, opts, rect, text[:40])
    if t in (76, 77, 114, 116):
        x, y, cx, cy = _i32s(d, at + 24, 4)
        rop = _u32(d, at + 40)
        usage, cbbmi = _u32(d, at + 80), _u32(d, at + 88)
        bmi = _u32(d, at + 84)
        bw, bh = _i32s(d, at + bmi + 4, 2) if cbbmi else (0, 0)
        bpp = _u16(d, at + bmi + 14) if cbbmi else 0
        src = (" src=%dx%d" % tuple(_i32s(d, at + 100, 2))) if t != 76 else ""
        return "dest=%d,%d %dx%d rop/blend=0x%08X usage=%d bmp=%dx%dx%s%s" % (
            x, y, cx, cy, rop, usage, bw, bh, bpp, src)
    if t in (80, 81):
        xd, yd, xs, ys, cxs, cys = _i32s(d, at + 24, 6)
        usage, rop = _u32(d, at + 64), _u32(d, at + 68)
        bmi = _u32(d, at + 48)
        bw, bh = _i32s(d, at + bmi + 4, 2)
        bpp = _u16(d, at + bmi + 14)
        dst = (" dest=%dx%d" % tuple(_i32s(d, at + 72, 2))) if t == 81 else ""
        return "at=%d,%d src=%d,%d %dx%d usage=%d rop=0x%08X bmp=%dx%dx%s%s" % (
            xd, yd, xs, ys, cxs, cys, usage, rop, bw, bh, bpp, dst)
    if t in (3, 4, 2, 5, 6, 85, 86, 87, 88, 89):
        n = _u32(d, at + 24)
        small = t >= 85
        pts = _i16s(d, at + 28, min(n, 4) * 2) if small else _i32s(d, at + 28, min(n, 4) * 2)
        return "n=%d %s%s" % (n, pts, "..." if n > 4 else "")
    if t in (7, 8, 90, 91):
        return "polys=%d points=%d" % (_u32(d, at + 24), _u32(d, at + 28))
    if t == 70:
        ident = d[at + 12:at + 16]
        return "%r %d bytes" % (ident, _u32(d, at + 8))
    if t == 75:
        return "cb=%d mode=%d" % (_u32(d, at + 8), _u32(d, at + 12))
    if t == 1:
        b = _i32s(d, at + 8, 4)
        fr = _i32s(d, at + 24, 4)
        dev = _i32s(d, at + 72, 4)
        return "bounds=%s frame=%s device=%s mm=%s" % (b, fr, dev[:2], dev[2:])
    return ""


def _wmf_detail(d, p, fn, words):
    n = max(0, words - 3)
    vals = _i16s(d, p, min(n, 12))
    if fn == 0x02FA:
        return "style=0x%X width=%d color=%06X" % (vals[0] & 0xFFFF, vals[1], (_u32(d, p + 6) or 0) & 0xFFFFFF)
    if fn == 0x02FC:
        return "style=%d color=%06X hatch=%d" % (vals[0], (_u32(d, p + 2) or 0) & 0xFFFFFF, vals[3])
    if fn == 0x02FB:
        face = d[p + 18:p + 50].split(b"\0")[0].decode("latin-1")
        return "h=%d w=%d esc=%d orient=%d weight=%d charset=%d face=%s" % (
            vals[0], vals[1], vals[2], vals[3], vals[4], d[p + 13], face)
    return " ".join(str(v) for v in vals) + (" ..." if n > 12 else "")


def dump(path, limit=None):
    with open(path, "rb") as f:
        d = f.read()
    kind = sniff(d)
    count = 0
    if kind == "emf":
        at = 0
        while at + 8 <= len(d):
            t, size = _u32(d, at), _u32(d, at + 4)
            if size < 8 or at + size > len(d):
                print("%8d  bad record size %d" % (at, size))
                break
            print("%8d  %3d %-24s %6d  %s" % (at, t, EMF_NAMES.get(t, "?"), size, _emf_detail(d, at, t, size)))
            count += 1
            at += size
            if t == 14 or (limit and count >= limit):
                break
    elif kind == "wmf":
        at = 22 if _u32(d, 0) == 0x9AC6CDD7 else 0
        if at:
            print("placeable: bbox=%s inch=%d" % (_i16s(d, 6, 4), _u16(d, 14)))
        print("header: objects=%d" % _u16(d, at + 10))
        at += 18
        while at + 6 <= len(d):
            words, fn = _u32(d, at), _u16(d, at + 4)
            if words < 3 or at + words * 2 > len(d):
                print("%8d  bad record size %d" % (at, words))
                break
            print("%8d  0x%04X %-22s %6d  %s" % (at, fn, WMF_NAMES.get(fn, "?"), words * 2,
                                                _wmf_detail(d, at + 6, fn, words)))
            count += 1
            at += words * 2
            if fn == 0 or (limit and count >= limit):
                break
    else:
        print("not a WMF or EMF")


if __name__ == "__main__":
    import sys
    if len(sys.argv) < 2:
        sys.exit("usage: mfrecords.py FILE [MAX_RECORDS]   lists a metafile's records")
    dump(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else None)
