#!/usr/bin/python3
"""Draws the 17 support images that every Foldcraft site receives.

Run with Debian's interpreter and packages (python3-pil, fonts-dejavu-core):

    /usr/bin/python3 tools/make-support-images.py [OUTPUT_DIR] [--sheet SHEET.png]

OUTPUT_DIR defaults to resources/support-images beside this script's parent.
The drawing uses no randomness and no time stamps, so the same packages give
the same bytes on every run. --sheet also writes a contact sheet that shows the
set on light, coloured and dark backgrounds (for looking at, not committed).

The set shares one look: a dark slate outline, manila folders, white pages with
a folded corner (the Foldcraft mark), and glossy bevelled buttons.
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
FONT_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")
FONT_REGULAR = os.path.join(FONT_DIR, "DejaVuSans.ttf")

# Supersampling factor for the icons: shapes are drawn this many times larger,
# then reduced, so that edges and thin lines come out smooth.
SS = 8

# The shared palette.
OUTLINE = (52, 60, 74)          # dark slate, the outline of every icon
PAGE = (255, 255, 255)
PAGE_SHADE = (226, 232, 240)    # underside of a folded corner
TEXT_LINE = (150, 166, 186)
BRAND = (31, 111, 139)          # Foldcraft teal
BRAND_DARK = (20, 78, 99)
FOLDER_BACK = (214, 150, 40)
FOLDER_FRONT_TOP = (255, 217, 120)
FOLDER_FRONT_BOTTOM = (240, 178, 58)
FOLDER_EDGE = (122, 80, 14)
HOTSPOT = (214, 48, 49)
LINK_BLUE = (36, 110, 200)

# Button backgrounds: the colour of the middle of the face. The face runs from a
# lighter top to a darker bottom around it; the middle colours are chosen so
# that the white bold folder text of the default design keeps a contrast of at
# least 4.5 to 1 where a one-line name sits (rows 16 to 34 of 50), and about 4
# to 1 at the top of a name with a comment under it. Dark text reads poorly on
# every colour but cyan and orange: pages that put document names (link
# coloured) on these buttons want a light link colour.
BUTTON_COLOURS = {
    "black": (44, 46, 52),
    "blue": (30, 84, 176),
    "cyan": (0, 114, 134),
    "green": (30, 120, 44),
    "orange": (180, 80, 0),
    "red": (178, 36, 30),
    "steel": (80, 98, 124),
}
BUTTON_SIZE = (504, 50)   # a 500-wide name cell with its 2-pixel padding, 50 high
NAV_SIZE = (76, 26)


def font(path, size):
    if not os.path.exists(path):
        sys.exit("missing font %s (install fonts-dejavu-core)" % path)
    return ImageFont.truetype(path, size)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def lighten(c, t):
    return mix(c, (255, 255, 255), t)


def darken(c, t):
    return mix(c, (0, 0, 0), t)


def vertical_gradient(draw, box, top, bottom):
    x0, y0, x1, y1 = box
    h = max(1, y1 - y0)
    for y in range(y0, y1):
        draw.line([(x0, y), (x1 - 1, y)], fill=mix(top, bottom, (y - y0) / (h - 1 if h > 1 else 1)))


# ---------------------------------------------------------------------------
# Icons: drawn on a large transparent canvas, reduced, then turned into a GIF
# with one transparent colour.


class Canvas:
    """A supersampled RGBA drawing surface measured in target pixels."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.img)

    @staticmethod
    def p(points):
        return [(x * SS, y * SS) for x, y in points]

    def polygon(self, points, fill=None, outline=None, width=1.0):
        self.draw.polygon(self.p(points), fill=fill)
        if outline is not None:
            pts = self.p(points)
            self.draw.line(pts + [pts[0]], fill=outline, width=int(width * SS), joint="curve")

    def line(self, points, fill, width=1.0):
        self.draw.line(self.p(points), fill=fill, width=int(width * SS), joint="curve")

    def rect(self, box, fill=None, outline=None, width=1.0, radius=0.0):
        x0, y0, x1, y1 = box
        self.draw.rounded_rectangle(
            [x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1],
            radius=radius * SS,
            fill=fill,
            outline=outline,
            width=int(width * SS) if outline is not None else 0,
        )

    def ellipse(self, box, fill=None, outline=None, width=1.0):
        x0, y0, x1, y1 = box
        self.draw.ellipse(
            [x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1],
            fill=fill,
            outline=outline,
            width=int(width * SS) if outline is not None else 0,
        )

    def gradient_polygon(self, points, top, bottom):
        """Fills a polygon with a vertical gradient."""
        mask = Image.new("L", self.img.size, 0)
        ImageDraw.Draw(mask).polygon(self.p(points), fill=255)
        ys = [y for _, y in points]
        y0, y1 = int(min(ys) * SS), int(max(ys) * SS)
        grad = Image.new("RGBA", self.img.size, (0, 0, 0, 0))
        gd = ImageDraw.Draw(grad)
        for y in range(y0, y1 + 1):
            c = mix(top, bottom, (y - y0) / max(1, y1 - y0))
            gd.line([(0, y), (self.img.size[0], y)], fill=c + (255,))
        self.img.paste(grad, (0, 0), mask)

    def reduce(self):
        return self.img.resize((self.w, self.h), Image.Resampling.BOX)


def to_gif(rgba):
    """A palette image with index 255 transparent. Pixels at least half covered
    become opaque in their own colour; the rest become transparent."""
    w, h = rgba.size
    alpha = rgba.getchannel("A")
    solid = alpha.point(lambda a: 255 if a >= 128 else 0)
    rgb = Image.new("RGB", (w, h), (255, 255, 255))
    px, out = rgba.load(), rgb.load()
    for y in range(h):
        for x in range(w):
            r, g, b, a = px[x, y]
            if a:
                out[x, y] = (r, g, b)
    colours = len(set(rgb.getdata()))
    pal = rgb.quantize(colors=min(255, colours), method=Image.Quantize.MEDIANCUT,
                       dither=Image.Dither.NONE)
    palette = pal.getpalette()[: 255 * 3]
    palette += [0] * (255 * 3 - len(palette))
    palette += [255, 0, 255]  # the transparent entry
    result = Image.new("P", (w, h), 255)
    result.putpalette(palette)
    result.paste(pal, (0, 0), solid)
    result.info["transparency"] = 255
    return result


def resize_rgba(img, size):
    """Reduces an RGBA image with premultiplied alpha, so that transparent
    areas do not darken the edges."""
    # Premultiply: channel * alpha / 255.
    px = img.load()
    pm = Image.new("RGBA", img.size)
    pmx = pm.load()
    for y in range(img.size[1]):
        for x in range(img.size[0]):
            cr, cg, cb, ca = px[x, y]
            pmx[x, y] = (cr * ca // 255, cg * ca // 255, cb * ca // 255, ca)
    small = pm.resize(size, Image.Resampling.BOX)
    sx = small.load()
    for y in range(size[1]):
        for x in range(size[0]):
            cr, cg, cb, ca = sx[x, y]
            if ca:
                sx[x, y] = (min(255, cr * 255 // ca), min(255, cg * 255 // ca), min(255, cb * 255 // ca), ca)
    return small


def finish_icon(canvas):
    return to_gif(resize_rgba(canvas.img, (canvas.w, canvas.h)))


# --- Folders ----------------------------------------------------------------


def draw_folder(c, x, y, w, h, edge=1.0, detail=True):
    """A manila folder filling the box (x, y, w, h): back with a tab, front
    panel tilted open."""
    tab_w = w * 0.42
    tab_h = h * 0.16
    top = y + tab_h
    back = [
        (x, top), (x, y + tab_h * 0.35), (x + tab_h * 0.35, y),
        (x + tab_w - tab_h * 0.6, y), (x + tab_w, top),
        (x + w, top), (x + w, y + h), (x, y + h),
    ]
    c.polygon(back, fill=FOLDER_BACK + (255,))
    if detail:
        # A sheet of paper peeking out of the folder.
        c.rect((x + w * 0.14, top + h * 0.08, x + w * 0.9, y + h * 0.7), fill=PAGE + (255,),
               outline=TEXT_LINE + (255,), width=edge * 0.5)
    c.polygon(back, outline=OUTLINE + (255,), width=edge)
    front_top = y + h * 0.38
    front = [(x + w * 0.1, front_top), (x + w, front_top), (x + w * 0.92, y + h), (x, y + h)]
    if w >= 24:
        front = [(x + w * 0.12, front_top), (x + w, front_top), (x + w - w * 0.07, y + h), (x, y + h)]
    c.gradient_polygon(front, FOLDER_FRONT_TOP, FOLDER_FRONT_BOTTOM)
    if detail:
        # Highlight along the front's upper edge.
        c.line([(front[0][0] + edge, front_top + edge * 1.1), (front[1][0] - edge * 1.6, front_top + edge * 1.1)],
               fill=lighten(FOLDER_FRONT_TOP, 0.55) + (255,), width=edge * 0.8)
    c.polygon(front, outline=OUTLINE + (255,), width=edge)


def folder_gif():
    c = Canvas(32, 32)
    draw_folder(c, 1.5, 4.5, 29, 24, edge=1.15)
    return finish_icon(c)


def sitemap_folder(hotspot):
    c = Canvas(20, 16)
    draw_folder(c, 0.5, 1.5, 15.0, 13.0, edge=1.0, detail=False)
    if hotspot:
        # A target on the folder: the picture map with clickable areas.
        cx, cy, r = 11.6, 10.4, 4.0
        c.ellipse((cx - r, cy - r, cx + r, cy + r), fill=PAGE + (255,), outline=OUTLINE + (255,), width=0.9)
        c.ellipse((cx - 2.1, cy - 2.1, cx + 2.1, cy + 2.1), fill=HOTSPOT + (255,))
    return finish_icon(c)


# --- Documents --------------------------------------------------------------


def draw_page(c, x, y, w, h, fold, edge=1.0, lines=0, line_width=1.0, header=False):
    """A white page with its top right corner folded over."""
    outline = [(x, y), (x + w - fold, y), (x + w, y + fold), (x + w, y + h), (x, y + h)]
    c.polygon(outline, fill=PAGE + (255,))
    left = round(x + w * 0.2)
    if header:
        top = round(y + h * 0.16)
        c.rect((left, top, round(x + w * 0.56), top + round(line_width * 1.5)), fill=BRAND + (255,))
    for i in range(lines):
        # Lines sit on whole pixels so that they stay sharp.
        ly = y + h * (0.38 if header else 0.3) + i * (h * 0.56 / max(1, lines))
        ly = round(ly - line_width / 2) + line_width / 2
        right = round(x + w * (0.8 if i % 3 != 2 else 0.58))
        c.draw.line([(left * SS, ly * SS), (right * SS - 1, ly * SS)], fill=TEXT_LINE + (255,),
                    width=int(line_width * SS) - 1)
    c.polygon(outline, outline=OUTLINE + (255,), width=edge)
    corner = [(x + w - fold, y), (x + w - fold, y + fold), (x + w, y + fold)]
    c.polygon(corner, fill=PAGE_SHADE + (255,), outline=OUTLINE + (255,), width=edge)


def file_gif():
    c = Canvas(48, 48)
    draw_page(c, 8, 3, 32, 42, 11, edge=2.0, lines=6, line_width=2.0, header=True)
    return finish_icon(c)


def sitemap_doc(link):
    c = Canvas(20, 16)
    draw_page(c, 1.5, 0.5, 12.0, 15.0, 4.0, edge=1.0, lines=0 if link else 3, line_width=1.0)
    if link:
        # A globe over the page: an address on the web (or a mail address).
        cx, cy, r = 11.3, 10.0, 5.0
        c.ellipse((cx - r, cy - r, cx + r, cy + r), fill=LINK_BLUE + (255,), outline=OUTLINE + (255,), width=0.9)
        white = (255, 255, 255, 255)
        c.ellipse((cx - r * 0.42, cy - r + 0.9, cx + r * 0.42, cy + r - 0.9), outline=white, width=0.75)
        c.line([(cx - r + 1.0, cy), (cx + r - 1.0, cy)], fill=white, width=0.75)
    return finish_icon(c)


def spacer_gif():
    img = Image.new("P", (20, 16), 0)
    img.putpalette([255, 255, 255] + [0, 0, 0] * 255)
    img.info["transparency"] = 0
    return img


# --- The logo ---------------------------------------------------------------


def draw_mark(c, x, y, s, edge=1.0):
    """The Foldcraft mark: a teal sheet whose top right corner is folded down."""
    fold = s * 0.42
    sheet = [(x, y), (x + s - fold, y), (x + s, y + fold), (x + s, y + s), (x, y + s)]
    c.gradient_polygon(sheet, lighten(BRAND, 0.18), BRAND_DARK)
    c.polygon(sheet, outline=OUTLINE + (255,), width=edge)
    corner = [(x + s - fold, y), (x + s - fold, y + fold), (x + s, y + fold)]
    c.gradient_polygon(corner, FOLDER_FRONT_TOP, FOLDER_FRONT_BOTTOM)
    c.polygon(corner, outline=OUTLINE + (255,), width=edge)
    # Two crease lines on the sheet.
    c.line([(x + s * 0.2, y + s * 0.62), (x + s * 0.8, y + s * 0.62)],
           fill=lighten(BRAND, 0.55) + (255,), width=edge * 0.9)
    c.line([(x + s * 0.2, y + s * 0.8), (x + s * 0.62, y + s * 0.8)],
           fill=lighten(BRAND, 0.55) + (255,), width=edge * 0.9)


def logo_gif():
    w, h = 132, 34
    c = Canvas(w, h)
    badge = (0.5, 0.5, w - 0.5, h - 0.5)
    c.rect(badge, fill=(250, 248, 242, 255), outline=(196, 188, 170, 255), width=1.0, radius=6)
    draw_mark(c, 7, 6.5, 21, edge=1.2)
    img = resize_rgba(c.img, (w, h))
    # The words are set at their final size so that they stay crisp.
    d = ImageDraw.Draw(img)
    small = font(FONT_REGULAR, 9)
    big = font(FONT_BOLD, 15)
    d.text((35, 4), "made with", font=small, fill=(110, 116, 128, 255))
    d.text((34, 14), "Fold", font=big, fill=OUTLINE + (255,))
    fold_w = d.textlength("Fold", font=big)
    d.text((34 + fold_w, 14), "craft", font=big, fill=BRAND + (255,))
    return to_gif(img)


# ---------------------------------------------------------------------------
# JPEG buttons.


def bevel_face(size, mid):
    """A bevelled face around the colour mid: lighter at the top, darker at the
    bottom, a soft gloss near the top edge, a light upper-left edge and a dark
    lower-right edge inside a dark border."""
    w, h = size
    top, bottom = lighten(mid, 0.22), darken(mid, 0.32)
    img = Image.new("RGB", size)
    d = ImageDraw.Draw(img)
    half = h / 2.0
    for y in range(h):
        if y < half:
            c = mix(top, mid, y / half)
        else:
            c = mix(mid, bottom, (y - half) / (h - 1 - half))
        gloss_end = h * 0.3
        if 2 <= y < gloss_end:
            t = 1 - (y - 2) / (gloss_end - 2)
            c = lighten(c, 0.16 * t * t)
        d.line([(0, y), (w - 1, y)], fill=c)
    border = darken(bottom, 0.5)
    d.rectangle([0, 0, w - 1, h - 1], outline=border)
    hi = lighten(top, 0.45)
    lo = darken(bottom, 0.2)
    d.line([(1, 1), (w - 2, 1)], fill=hi)
    d.line([(1, 1), (1, h - 2)], fill=hi)
    d.line([(2, 2), (2, h - 3)], fill=lighten(mid, 0.2))
    d.line([(1, h - 2), (w - 2, h - 2)], fill=lo)
    d.line([(w - 2, 1), (w - 2, h - 2)], fill=lo)
    d.line([(2, h - 3), (w - 3, h - 3)], fill=darken(bottom, 0.1))
    d.line([(w - 3, 2), (w - 3, h - 3)], fill=darken(bottom, 0.1))
    return img


def button_jpg(name):
    return bevel_face(BUTTON_SIZE, BUTTON_COLOURS[name])


def draw_restart_glyph(r):
    """A circular arrow: three quarters of a ring, open at the upper right,
    with a head on its upper end pointing to the right."""
    s = 8
    size = int(round((r * 2 + 4) * s))
    layer = Image.new("L", (size, size), 0)
    ld = ImageDraw.Draw(layer)
    centre = size / 2.0
    rr = r * s
    ring = 1.8 * s
    # ImageDraw counts degrees clockwise from three o'clock: the ring runs from
    # the right, down and round to the top.
    ld.arc([centre - rr, centre - rr, centre + rr, centre + rr], start=-10, end=268,
           fill=255, width=int(ring))
    mid_r = rr - ring / 2
    ex, ey = centre - 0.2 * s, centre - mid_r  # the top of the ring
    head = 2.6 * s
    ld.polygon([(ex + head * 1.3, ey), (ex - head * 0.1, ey - head), (ex - head * 0.1, ey + head)], fill=255)
    return layer.resize((size // s, size // s), Image.Resampling.BOX)


def draw_tree_glyph(r):
    s = 4
    size = int((r * 2 + 4) * s)
    layer = Image.new("L", (size, size), 0)
    ld = ImageDraw.Draw(layer)
    u = size / 12.0
    # A little site tree: one box at the top, two below, joined by lines.
    ld.rectangle([4.5 * u, 1.5 * u, 7.5 * u, 4.0 * u], fill=255)
    ld.rectangle([1.0 * u, 8.0 * u, 4.0 * u, 10.5 * u], fill=255)
    ld.rectangle([8.0 * u, 8.0 * u, 11.0 * u, 10.5 * u], fill=255)
    lw = int(0.9 * u)
    ld.line([(6 * u, 4 * u), (6 * u, 6 * u)], fill=255, width=lw)
    ld.line([(2.5 * u, 6 * u), (9.5 * u, 6 * u)], fill=255, width=lw)
    ld.line([(2.5 * u, 6 * u - lw / 2), (2.5 * u, 8 * u)], fill=255, width=lw)
    ld.line([(9.5 * u, 6 * u - lw / 2), (9.5 * u, 8 * u)], fill=255, width=lw)
    return layer.resize((size // s, size // s), Image.Resampling.BOX)


def nav_jpg(caption, glyph):
    mid = BRAND
    img = bevel_face(NAV_SIZE, mid)
    d = ImageDraw.Draw(img)
    f = font(FONT_BOLD, 11)
    tw = d.textlength(caption, font=f)
    gw = glyph.size[0]
    gap = 2
    total = gw + gap + tw
    x = (NAV_SIZE[0] - total) / 2
    gy = (NAV_SIZE[1] - glyph.size[1]) // 2
    img.paste((255, 255, 255), (int(round(x)), gy), glyph)
    tx = x + gw + gap
    # Text with a one-pixel dark shadow for contrast on the gloss.
    bbox = d.textbbox((0, 0), caption, font=f)
    ty = (NAV_SIZE[1] - (bbox[3] - bbox[1])) / 2 - bbox[1]
    d.text((tx + 1, ty + 1), caption, font=f, fill=darken(mid, 0.6))
    d.text((tx, ty), caption, font=f, fill=(255, 255, 255))
    return img


# ---------------------------------------------------------------------------


def build():
    images = {}
    for colour in ("black", "blue", "cyan", "green", "orange", "red", "steel"):
        images["%s_btn.jpg" % colour] = button_jpg(colour)
    images["file.gif"] = file_gif()
    images["folder.gif"] = folder_gif()
    images["logo.gif"] = logo_gif()
    images["restart.jpg"] = nav_jpg("Restart", draw_restart_glyph(4.5))
    images["sitemap.jpg"] = nav_jpg("Sitemap", draw_tree_glyph(4.5))
    images["doc.gif"] = sitemap_doc(link=False)
    images["urldoc.gif"] = sitemap_doc(link=True)
    images["hsfolder.gif"] = sitemap_folder(hotspot=True)
    images["cfolder.gif"] = sitemap_folder(hotspot=False)
    images["spacer.gif"] = spacer_gif()
    return images


def save(images, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for name, img in images.items():
        path = os.path.join(out_dir, name)
        if name.endswith(".jpg"):
            img.save(path, "JPEG", quality=92, subsampling=0, optimize=False, progressive=False)
        else:
            img.save(path, "GIF", transparency=img.info.get("transparency"), optimize=True)
    return [os.path.join(out_dir, n) for n in images]


def contact_sheet(out_dir, sheet_path):
    """Shows the saved files as a browser would: icons at 1x and 4x on three
    backgrounds, buttons with sample text over them."""
    names = sorted(os.listdir(out_dir))
    backgrounds = [(255, 255, 255), (51, 153, 51), (0, 255, 0), (40, 44, 52)]
    sheet = Image.new("RGB", (1200, 1300), (236, 236, 236))
    d = ImageDraw.Draw(sheet)
    label = font(FONT_REGULAR, 11)
    y = 8
    icons = [n for n in names if n.endswith(".gif")]
    for n in icons:
        img = Image.open(os.path.join(out_dir, n)).convert("RGBA")
        d.text((8, y + 4), "%s %dx%d" % (n, img.size[0], img.size[1]), font=label, fill=(0, 0, 0))
        x = 150
        for bg in backgrounds:
            big = img.resize((img.size[0] * 4, img.size[1] * 4), Image.Resampling.NEAREST)
            box_w = max(big.size[0], 60) + img.size[0] + 24
            d.rectangle([x, y, x + box_w, y + max(big.size[1], 20) + 8], fill=bg)
            sheet.paste(img, (x + 4, y + 4), img)
            sheet.paste(big, (x + img.size[0] + 16, y + 4), big)
            x += box_w + 10
        y += max(img.size[1] * 4, 20) + 16
    bold = font(FONT_BOLD, 16)
    small = font(FONT_REGULAR, 13)
    jpgs = [n for n in names if n.endswith("_btn.jpg")]
    x0 = 8
    for i, n in enumerate(jpgs):
        img = Image.open(os.path.join(out_dir, n)).convert("RGB")
        col, row = i % 2, i // 2
        px, py = x0 + col * 590, y + row * 62
        sheet.paste(img, (px, py))
        d.text((px + 140, py + 6), "Annual reports", font=bold, fill=(255, 255, 255))
        d.text((px + 300, py + 6), "minutes.doc", font=bold, fill=(0, 0, 255))
        d.text((px + 140, py + 28), "comment text", font=small, fill=(255, 255, 255))
        d.text((px + 8, py + 30), n, font=label, fill=(255, 255, 0))
    y += ((len(jpgs) + 1) // 2) * 62 + 10
    for i, n in enumerate(["restart.jpg", "sitemap.jpg"]):
        img = Image.open(os.path.join(out_dir, n)).convert("RGB")
        sheet.paste(img, (8 + i * 90, y))
        big = img.resize((img.size[0] * 4, img.size[1] * 4), Image.Resampling.NEAREST)
        sheet.paste(big, (200 + i * 320, y))
    sheet.save(sheet_path)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = os.path.join(os.path.dirname(here), "resources", "support-images")
    sheet = None
    args = list(argv)
    if "--sheet" in args:
        i = args.index("--sheet")
        sheet = args[i + 1]
        del args[i:i + 2]
    if args:
        out_dir = args[0]
    for path in save(build(), out_dir):
        print(path)
    if sheet:
        contact_sheet(out_dir, sheet)
        print(sheet)


if __name__ == "__main__":
    main(sys.argv[1:])
