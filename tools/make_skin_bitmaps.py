#!/usr/bin/env python3
"""Draws the player's built-in skin bitmaps and icons, the sample skin in skins/ and the
launcher icons in data/icons/.

Everything is drawn here from simple shapes (Python standard library only) so that the
artwork is ours. Image strips use magenta (255, 0, 255) for transparent pixels; icons carry
an alpha channel. Run from anywhere:  python3 tools/make_skin_bitmaps.py
"""
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAGENTA = (255, 0, 255, 255)
CLEAR = (0, 0, 0, 0)


class Canvas:
    def __init__(self, w, h, fill=MAGENTA):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x, y, w, h, c):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.put(xx, yy, c)

    def frame(self, x, y, w, h, light, dark):
        """A one-pixel bevel: light top/left, dark bottom/right."""
        for xx in range(x, x + w):
            self.put(xx, y, light)
            self.put(xx, y + h - 1, dark)
        for yy in range(y, y + h):
            self.put(x, yy, light)
            self.put(x + w - 1, yy, dark)

    def vgradient(self, x, y, w, h, top, bottom):
        for i in range(h):
            t = i / max(1, h - 1)
            c = tuple(int(round(top[k] + (bottom[k] - top[k]) * t)) for k in range(3)) + (255,)
            self.rect(x, y + i, w, 1, c)

    def polygon(self, pts, c, ox=0, oy=0):
        """Even-odd fill, sampled at pixel centres."""
        pts = [(px + ox, py + oy) for px, py in pts]
        ys = [p[1] for p in pts]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            cy = y + 0.5
            xs = []
            for i in range(len(pts)):
                (x1, y1), (x2, y2) = pts[i], pts[(i + 1) % len(pts)]
                if (y1 <= cy < y2) or (y2 <= cy < y1):
                    xs.append(x1 + (cy - y1) * (x2 - x1) / (y2 - y1))
            xs.sort()
            for i in range(0, len(xs) - 1, 2):
                for x in range(int(xs[i] + 0.5), int(xs[i + 1] + 0.5)):
                    self.put(x, y, c)

    def disc(self, cx, cy, r, c, inner=0.0):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
                if inner <= d <= r:
                    self.put(x, y, c)

    def blit(self, other, x, y):
        for yy in range(other.h):
            for xx in range(other.w):
                self.put(x + xx, y + yy, other.px[yy][xx])


def png_bytes(cv, alpha):
    raw = bytearray()
    for row in cv.px:
        raw.append(0)
        for c in row:
            raw.extend(c[:4] if alpha else c[:3])
    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    head = struct.pack(">IIBBBBB", cv.w, cv.h, 8, 6 if alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def bmp_bytes(cv):
    """24-bit bottom-up Windows bitmap, the format skins ship in."""
    stride = (cv.w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(cv.px):
        line = bytearray()
        for c in row:
            line.extend((c[2], c[1], c[0]))
        line.extend(b"\0" * (stride - len(line)))
        pixels.extend(line)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, cv.w, cv.h, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    return header + info + bytes(pixels)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


# ---- glyphs: drawn into a cell at (ox, oy), centred on a box of size (w, h) ----

def glyph(cv, name, ox, oy, w, h, c):
    cx, cy = ox + w / 2.0, oy + h / 2.0
    if name == "open":        # eject: triangle over a bar
        cv.polygon([(cx - 5, cy + 0), (cx + 5, cy + 0), (cx, cy - 5)], c)
        cv.rect(int(cx - 5), int(cy + 2), 10, 2, c)
    elif name == "playpause":
        cv.polygon([(cx - 6, cy - 4), (cx - 6, cy + 4), (cx - 1, cy)], c)
        cv.rect(int(cx + 1), int(cy - 4), 2, 8, c)
        cv.rect(int(cx + 4), int(cy - 4), 2, 8, c)
    elif name == "stop":
        cv.rect(int(cx - 4), int(cy - 4), 8, 8, c)
    elif name == "prev":
        cv.rect(int(cx - 5), int(cy - 4), 2, 8, c)
        cv.polygon([(cx + 4, cy - 4), (cx + 4, cy + 4), (cx - 3, cy)], c)
    elif name == "next":
        cv.rect(int(cx + 3), int(cy - 4), 2, 8, c)
        cv.polygon([(cx - 4, cy - 4), (cx - 4, cy + 4), (cx + 3, cy)], c)
    elif name == "rew":
        for dx in (0, 5):
            cv.polygon([(cx + dx, cy - 4), (cx + dx, cy + 4), (cx + dx - 5.5, cy)], c)
    elif name == "ff":
        for dx in (-5, 0):
            cv.polygon([(cx + dx, cy - 4), (cx + dx, cy + 4), (cx + dx + 5.5, cy)], c)
    elif name == "menu":      # three lines
        for i in range(3):
            cv.rect(int(cx - 5), int(cy - 4 + 3 * i), 10, 2, c)


BUTTONS = ["open", "playpause", "stop", "prev", "rew", "ff", "next"]

# 7-segment digits: segments a b c d e f g
SEGMENTS = {0: "abcdef", 1: "bc", 2: "abdeg", 3: "abcdg", 4: "bcfg", 5: "acdfg",
            6: "acdefg", 7: "abc", 8: "abcdefg", 9: "abcdfg"}


def number_strip(ink):
    cv = Canvas(8 * 11, 15)
    for d in range(10):
        x = d * 8
        segs = SEGMENTS[d]
        spans = {"a": (x + 2, 1, 4, 2), "g": (x + 2, 6, 4, 2), "d": (x + 2, 12, 4, 2),
                 "f": (x + 1, 2, 2, 5), "b": (x + 5, 2, 2, 5),
                 "e": (x + 1, 7, 2, 6), "c": (x + 5, 7, 2, 6)}
        for s in segs:
            sx, sy, sw, sh = spans[s]
            cv.rect(sx, sy, sw, sh, ink)
    cv.rect(10 * 8 + 3, 4, 2, 2, ink)
    cv.rect(10 * 8 + 3, 9, 2, 2, ink)
    return cv


def status_strip(ink):
    cv = Canvas(9 * 4, 9)
    cv.rect(1, 1, 7, 7, ink)                                    # stopped
    cv.polygon([(1 + 9, 0), (1 + 9, 9), (8.5 + 9, 4.5)], ink)     # playing
    cv.rect(18 + 1, 1, 3, 7, ink)                               # paused
    cv.rect(18 + 5, 1, 3, 7, ink)
    for i in range(3):                                          # starting: three dots
        cv.rect(27 + 1 + 3 * i, 3, 2, 3, ink)
    return cv


def play_option_strip(ink):
    cv = Canvas(10 * 3, 7)
    def loop(x, arrow_on_top):
        cv.rect(x + 1, 1, 7, 1, ink)
        cv.rect(x + 1, 5, 7, 1, ink)
        cv.rect(x + 1, 1, 1, 5, ink)
        cv.rect(x + 8, 1, 1, 5, ink)
        if arrow_on_top:
            cv.polygon([(x + 4, -0.5), (x + 4, 3.5), (x + 6.5, 1.5)], ink)
        else:
            cv.polygon([(x + 5, 3), (x + 5, 7), (x + 2.5, 5)], ink)
    loop(0, True)                                               # repeat all
    # shuffle: two crossing strokes with arrow heads
    for i in range(6):
        cv.put(10 + 1 + i, 1 + i, ink)
        cv.put(10 + 1 + i, 6 - i, ink)
    cv.rect(10 + 7, 0, 2, 3, ink)
    cv.rect(10 + 7, 4, 2, 3, ink)
    loop(20, False)                                             # repeat one: the loop with a "1"
    cv.rect(20 + 5, 2, 1, 3, ink)
    cv.put(20 + 4, 2, ink)
    return cv


def button_strip(face_top, face_bottom, light, dark, ink, pushed):
    cv = Canvas(25 * 7, 20)
    for i, name in enumerate(BUTTONS):
        x = i * 25
        top, bottom = (face_bottom, face_top) if pushed else (face_top, face_bottom)
        cv.vgradient(x + 1, 1, 23, 18, top, bottom)
        if pushed:
            cv.frame(x + 1, 1, 23, 18, dark, light)
        else:
            cv.frame(x + 1, 1, 23, 18, light, dark)
        shift = 1 if pushed else 0
        glyph(cv, name, x + shift, shift, 25, 20, ink)
    return cv


def old_button_strip(ink):
    cv = Canvas(16 * 8, 16)
    for i, name in enumerate(BUTTONS + ["menu"]):
        glyph(cv, name, i * 16, 0, 16, 16, ink)
    return cv


def volume_slider(fill, edge):
    cv = Canvas(51, 20)
    cv.polygon([(2, 15), (49, 15), (49, 4)], fill)
    for x in range(2, 50):
        cv.put(x, 15, edge)
    return cv


def volume_thumb(face, light, dark):
    cv = Canvas(10, 20)
    cv.rect(1, 2, 8, 16, face)
    cv.frame(1, 2, 8, 16, light, dark)
    cv.rect(3, 9, 4, 1, dark)
    cv.rect(3, 11, 4, 1, dark)
    return cv


def background(body_top, body_bottom, panel, light, dark, with_panel=True):
    cv = Canvas(238, 80)
    cv.vgradient(0, 0, 238, 80, body_top, body_bottom)
    cv.frame(0, 0, 238, 80, light, dark)
    if with_panel:
        cv.rect(5, 5, 228, 48, panel)
        cv.frame(5, 5, 228, 48, dark, light)
        cv.frame(6, 6, 226, 46, dark, light)
    return cv


def slider_thumb():
    cv = Canvas(11, 11)
    cv.disc(5.5, 5.5, 5.2, (70, 78, 96, 255))
    cv.disc(5.5, 5.5, 4.0, (200, 206, 220, 255))
    cv.disc(4.5, 4.5, 1.5, (245, 247, 250, 255))
    return cv


def moon_icon(size, sub=4):
    """A crescent moon with a note: the program's icon, anti-aliased into an alpha channel."""
    big = size * sub
    hi = Canvas(big, big, CLEAR)
    r = big * 0.46
    hi.disc(big / 2, big / 2, r, (40, 60, 120, 255))
    hi.disc(big * 0.46, big * 0.5, r * 0.78, (250, 214, 90, 255))
    hi.disc(big * 0.60, big * 0.42, r * 0.70, (40, 60, 120, 255))
    # a note on the dark side
    hi.disc(big * 0.66, big * 0.70, big * 0.08, (255, 255, 255, 255))
    hi.rect(int(big * 0.72), int(big * 0.30), max(1, big // 22), int(big * 0.40), (255, 255, 255, 255))
    return downsample(hi, sub)


def note_icon(current, sub=4):
    big = 16 * sub
    hi = Canvas(big, big, CLEAR)
    ink = (30, 40, 70, 255)
    hi.disc(big * 0.36, big * 0.74, big * 0.16, ink)
    hi.rect(int(big * 0.47), int(big * 0.12), big // 10, int(big * 0.62), ink)
    hi.polygon([(big * 0.47, big * 0.12), (big * 0.82, big * 0.24), (big * 0.82, big * 0.38),
                (big * 0.47, big * 0.26)], ink)
    if current:
        hi.polygon([(big * 0.0, big * 0.05), (big * 0.0, big * 0.45), (big * 0.3, big * 0.25)],
                   (200, 40, 40, 255))
    return downsample(hi, sub)


def downsample(hi, sub):
    out = Canvas(hi.w // sub, hi.h // sub, CLEAR)
    for y in range(out.h):
        for x in range(out.w):
            acc = [0, 0, 0, 0]
            for yy in range(sub):
                for xx in range(sub):
                    c = hi.px[y * sub + yy][x * sub + xx]
                    a = c[3]
                    acc[0] += c[0] * a
                    acc[1] += c[1] * a
                    acc[2] += c[2] * a
                    acc[3] += a
            if acc[3]:
                out.px[y][x] = (acc[0] // acc[3], acc[1] // acc[3], acc[2] // acc[3], acc[3] // (sub * sub))
    return out


def command_bar_strip(ink):
    """The playlist dialog's six 16 x 16 command images: add, up, down, delete, save, multi-select."""
    cv = Canvas(96, 16)
    # add: a plus
    cv.rect(7, 2, 2, 12, ink)
    cv.rect(2, 7, 12, 2, ink)
    # up and down: arrows
    cv.polygon([(8, 2), (14, 9), (10, 9), (10, 14), (6, 14), (6, 9), (2, 9)], ink, 16, 0)
    cv.polygon([(8, 14), (14, 7), (10, 7), (10, 2), (6, 2), (6, 7), (2, 7)], ink, 32, 0)
    # delete: a cross
    red = (190, 30, 30, 255)
    cv.polygon([(2, 4), (4, 2), (14, 12), (12, 14)], red, 48, 0)
    cv.polygon([(12, 2), (14, 4), (4, 14), (2, 12)], red, 48, 0)
    # save: a disk with its label and shutter
    cv.rect(66, 2, 12, 12, ink)
    cv.rect(68, 3, 8, 4, (255, 255, 255, 255))
    cv.rect(69, 10, 6, 4, (160, 168, 184, 255))
    # multi-select: three rows, two of them ticked
    for i, ticked in enumerate((True, False, True)):
        y = 2 + i * 5
        cv.frame(82, y, 4, 4, ink, ink)
        if ticked:
            cv.rect(83, y + 1, 2, 2, ink)
        cv.rect(88, y + 1, 6, 2, ink)
    return cv


def mark():
    cv = Canvas(3, 3)
    cv.rect(0, 0, 3, 3, (200, 30, 30, 255))
    cv.put(1, 1, (255, 120, 120, 255))
    return cv


def toolbar_strip(ink, accent):
    """The lyrics window's toolbar: add file, up, down, delete, lyrics mode (16 x 16 cells)."""
    cv = Canvas(5 * 16, 16)
    # add: a plus
    cv.rect(7, 3, 2, 10, accent)
    cv.rect(3, 7, 10, 2, accent)
    # up and down: arrows with a stem
    cv.polygon([(8, 2), (14, 8), (2, 8)], ink, 16, 0)
    cv.rect(16 + 6, 8, 4, 6, ink)
    cv.polygon([(8, 14), (14, 8), (2, 8)], ink, 32, 0)
    cv.rect(32 + 6, 2, 4, 6, ink)
    # delete: a cross
    red = (200, 40, 40, 255)
    for i in range(10):
        for d in (0, 1):
            cv.put(48 + 3 + i + d, 3 + i, red)
            cv.put(48 + 12 - i + d, 3 + i, red)
    # lyrics mode: lines of text, one highlighted
    for i, w in enumerate((10, 12, 8, 11)):
        cv.rect(64 + 2, 3 + 3 * i, w, 2, accent if i == 1 else ink)
    return cv


def builtin():
    out = os.path.join(ROOT, "src", "resources", "bitmaps")
    lcd_ink = (24, 40, 8, 255)
    face = ((236, 238, 242), (188, 194, 204))
    light, dark = (255, 255, 255, 255), (96, 104, 120, 255)
    strips = {
        102: background((120, 130, 150), (70, 78, 96), (169, 223, 4, 255), (170, 178, 196, 255),
                        (40, 44, 56, 255)),
        157: number_strip(lcd_ink),
        160: old_button_strip((30, 34, 44, 255)),
        150: button_strip(face[0], face[1], light, dark, (30, 34, 44, 255), False),
        148: button_strip(face[0], face[1], light, dark, (30, 34, 44, 255), True),
        159: status_strip(lcd_ink),
        161: play_option_strip(lcd_ink),
        144: volume_slider((150, 160, 178, 255), (40, 44, 56, 255)),
        146: volume_thumb((226, 230, 236, 255), light, dark),
        173: mark(),
        163: slider_thumb(),
        127: command_bar_strip((30, 34, 44, 255)),
        133: toolbar_strip((30, 34, 44, 255), (30, 110, 200, 255)),
    }
    for number, cv in strips.items():
        write(os.path.join(out, "%d.png" % number), png_bytes(cv, False))
    icons = {103: moon_icon(32), 162: moon_icon(16), 130: note_icon(False), 132: note_icon(True)}
    for number, cv in icons.items():
        write(os.path.join(out, "%d.png" % number), png_bytes(cv, True))
    names = sorted(list(strips) + list(icons))
    qrc = ['<!DOCTYPE RCC>', '<RCC version="1.0">', '<qresource prefix="/bitmaps">']
    qrc += ['  <file alias="%d">bitmaps/%d.png</file>' % (n, n) for n in names]
    qrc += ['</qresource>', '</RCC>', '']
    write(os.path.join(ROOT, "src", "resources", "skin_bitmaps.qrc"), "\n".join(qrc).encode())


def sample_skin():
    """"Nocturne": a dark skin with light ink, its own panel colour and a sized background."""
    out = os.path.join(ROOT, "skins", "nocturne")
    ink = (150, 210, 255, 255)
    light, dark = (110, 120, 170, 255), (10, 12, 30, 255)
    face = ((60, 66, 104), (30, 34, 60))
    files = {
        "back.bmp": background((36, 30, 70), (12, 10, 30), (0, 0, 0, 255), light, dark, False),
        "digits.bmp": number_strip(ink),
        "status.bmp": status_strip(ink),
        "options.bmp": play_option_strip(ink),
        "buttons.bmp": button_strip(face[0], face[1], light, dark, ink, False),
        "buttons_down.bmp": button_strip(face[0], face[1], light, dark, (255, 220, 120, 255), True),
        "volume.bmp": volume_slider((70, 90, 160, 255), ink),
        "volume_thumb.bmp": volume_thumb((150, 210, 255, 255), (230, 240, 255, 255), dark),
    }
    tall = Canvas(240, 320)
    tall.vgradient(0, 0, 240, 320, (36, 30, 70), (12, 10, 30))
    files["back_240x320.bmp"] = tall
    for name, cv in files.items():
        write(os.path.join(out, name), bmp_bytes(cv))
    common = """Version=2
Background=back.bmp
Number=digits.bmp
Status=status.bmp
PlayOption=options.bmp
ButtonNormal=buttons.bmp
ButtonPush=buttons_down.bmp
VolumeSlider=volume.bmp
VolumeTrack=volume_thumb.bmp
Disp=1
DispColor=16,20,48
InfoColor=150,210,255
TitleColor=230,240,255
SeekColor=120,140,255
PeekColorL=90,200,255
PeekColorR=255,170,90
"""
    pocket = """Background240x320=back_240x320.bmp
Playlist=1
PlaylistBackColor=16,20,48
PlaylistTextColor=230,240,255
LyricsHighLightColor=255,220,120
"""
    gps = ("; Nocturne: light ink on a night-blue panel.\n[Versolune Skin]\n" + common
           + "\n[Versolune Skin PocketPC]\n" + common + pocket)
    write(os.path.join(out, "nocturne.gps"), gps.replace("\n", "\r\n").encode("ascii"))


def desktop_icons():
    """The launcher icon at the sizes the desktop's icon theme looks for."""
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        folder = os.path.join(ROOT, "data", "icons", "hicolor", "%dx%d" % (size, size), "apps")
        write(os.path.join(folder, "versolune.png"), png_bytes(moon_icon(size, 4 if size <= 64 else 2), True))


if __name__ == "__main__":
    builtin()
    sample_skin()
    desktop_icons()
