#!/usr/bin/python3
"""Draws the installer's skin: the PNG pictures in res/png and the window icon res/installer.ico.

Run from anywhere: /usr/bin/python3 res/art/make_skin.py (Debian's python, which has python3-pil). The output is committed beside this script; running
it again gives the same files (fixed fonts, no randomness). Needs python3-pil and the fonts named below
(fonts-wqy-microhei, fonts-dejavu-core).

Each picture is drawn twice: for the window at 96 DPI as "N.png" and twice as large for 192 DPI as
"N@2x.png" (resource N + 2000); the installer resamples the larger one for the scales between.
"""
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.dirname(HERE)
PNG_DIR = os.path.join(RES, "png")

CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
LATIN_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

SUPERSAMPLE = 4  # drawn this many times larger, then scaled down: smooth edges
SCALE = 1  # the rendering being drawn: 1 for 96 DPI, 2 for 192 DPI (set by render_at)
SS = SUPERSAMPLE * SCALE  # drawing units per logical pixel of the window

W, H = 600, 270  # page pictures
SKY_TOP = (0xDD, 0xF1, 0xFC)
SKY = (0x2F, 0x97, 0xD0)  # the colour behind the option boxes (their brush is the same colour)
FLAT_FROM = 145  # rows from here down are exactly SKY
NAVY = (0x00, 0x56, 0x94)
DEEP = (0x13, 0x3F, 0x66)
ORANGE = (0xF7, 0x94, 0x1D)
ORANGE_LIGHT = (0xFF, 0xB3, 0x47)
WHITE = (255, 255, 255)

# The close button keeps the block of the start banner behind it on every page, so no picture draws
# anything in this corner: it is the plain gradient on all of them.
CORNER = (540, 0, 600, 44)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def sky_row(y):
    if y >= FLAT_FROM:
        return SKY
    t = (y / FLAT_FROM) ** 2
    return mix(SKY_TOP, SKY, t)


def render_at(scale):
    """Every function below draws in logical pixels (the window at 96 DPI) and outputs scale times that."""
    global SCALE, SS
    SCALE = scale
    SS = SUPERSAMPLE * scale


def sky_background(w=W, h=H):
    img = Image.new("RGB", (w * SCALE, h * SCALE))
    px = img.load()
    for y in range(h * SCALE):
        c = sky_row(y / SCALE)
        for x in range(w * SCALE):
            px[x, y] = c
    return img


def font(path, size):
    return ImageFont.truetype(path, size * SS)


def big(w, h, color=(0, 0, 0, 0)):
    return Image.new("RGBA", (w * SS, h * SS), color)


def down(img, w, h):
    return img.resize((w * SCALE, h * SCALE), Image.LANCZOS)


def s(*v):
    return [int(round(x * SS)) for x in v]


def rounded(draw, box, radius, fill=None, outline=None, width=1):
    draw.rounded_rectangle(s(*box), radius=int(radius * SS), fill=fill, outline=outline,
                           width=int(width * SS) if outline else 0)


def text(draw, xy, string, fnt, fill, anchor="la"):
    draw.text((xy[0] * SS, xy[1] * SS), string, font=fnt, fill=fill, anchor=anchor)


def compose(layer, w=W, h=H):
    """Artwork layer (supersampled RGBA) over the exact sky gradient, with the corner kept plain."""
    bg = sky_background(w, h).convert("RGBA")
    art = down(layer, w, h)
    out = Image.alpha_composite(bg, art).convert("RGB")
    corner = tuple(v * SCALE for v in CORNER)
    out.paste(bg.convert("RGB").crop(corner), corner[:2])
    return out


def soft_circles(draw, circles):
    for (cx, cy, r, alpha) in circles:
        draw.ellipse(s(cx - r, cy - r, cx + r, cy + r), fill=(255, 255, 255, alpha))


def logo_mark(draw, x, y, size):
    """The product mark: a blue rounded square with a white phone and an orange link dot."""
    rounded(draw, (x, y, x + size, y + size), size * 0.24, fill=(0x1C, 0x7F, 0xC4, 255))
    pw, ph = size * 0.42, size * 0.66
    px, py = x + (size - pw) / 2, y + (size - ph) / 2
    rounded(draw, (px, py, px + pw, py + ph), size * 0.08, fill=WHITE + (255,))
    rounded(draw, (px + pw * 0.14, py + ph * 0.12, px + pw * 0.86, py + ph * 0.78), size * 0.03,
            fill=(0x1C, 0x7F, 0xC4, 255))
    r = size * 0.045
    draw.ellipse(s(px + pw / 2 - r, py + ph * 0.89 - r, px + pw / 2 + r, py + ph * 0.89 + r),
                 fill=(0x1C, 0x7F, 0xC4, 255))
    r = size * 0.13
    cx, cy = x + size * 0.8, y + size * 0.8
    draw.ellipse(s(cx - r, cy - r, cx + r, cy + r), fill=ORANGE + (255,), outline=WHITE + (255,),
                 width=int(size * 0.04 * SS))


def phone(draw, x, y, w, h, screen_fill=None):
    rounded(draw, (x + 3, y + 5, x + w + 3, y + h + 5), 18, fill=(0, 0x3A, 0x66, 70))  # shadow
    rounded(draw, (x, y, x + w, y + h), 18, fill=DEEP + (255,))
    sx, sy, sw, sh = x + 7, y + 22, w - 14, h - 44
    rounded(draw, (sx, sy, sx + sw, sy + sh), 4, fill=(0xF4, 0xFA, 0xFE, 255))
    rounded(draw, (x + w / 2 - 14, y + 9, x + w / 2 + 14, y + 13), 2, fill=(0x3A, 0x63, 0x88, 255))
    r = 6
    draw.ellipse(s(x + w / 2 - r, y + h - 16 - r, x + w / 2 + r, y + h - 16 + r), outline=(0x3A, 0x63, 0x88, 255),
                 width=int(1.5 * SS))
    return sx, sy, sw, sh


APP_COLOURS = [(0xF7, 0x94, 0x1D), (0x2F, 0x97, 0xD0), (0x4C, 0xAF, 0x50), (0xE9, 0x4E, 0x77),
               (0x8E, 0x6C, 0xEF), (0x00, 0xA8, 0xA8), (0xFF, 0xC1, 0x07), (0x3F, 0x51, 0xB5),
               (0xFF, 0x70, 0x43)]


def app_grid(draw, x, y, cell, gap, cols, rows, glyphs=True):
    k = 0
    for r in range(rows):
        for c in range(cols):
            colour = APP_COLOURS[k % len(APP_COLOURS)]
            bx, by = x + c * (cell + gap), y + r * (cell + gap)
            rounded(draw, (bx, by, bx + cell, by + cell), cell * 0.26, fill=colour + (255,))
            if glyphs:
                g = cell * 0.22
                cx, cy = bx + cell / 2, by + cell / 2
                shape = k % 3
                if shape == 0:
                    draw.ellipse(s(cx - g, cy - g, cx + g, cy + g), fill=WHITE + (235,))
                elif shape == 1:
                    rounded(draw, (cx - g, cy - g, cx + g, cy + g), g * 0.3, fill=WHITE + (235,))
                else:
                    draw.polygon([tuple(s(cx - g, cy + g * 0.9)), tuple(s(cx + g, cy + g * 0.9)),
                                  tuple(s(cx, cy - g))], fill=WHITE + (235,))
            k += 1


def chips(draw, x, y, labels, fnt):
    for label in labels:
        tw = draw.textlength(label, font=fnt) / SS
        rounded(draw, (x, y, x + tw + 26, y + 28), 14, fill=(255, 255, 255, 46),
                outline=(255, 255, 255, 150), width=1)
        text(draw, (x + 13 + tw / 2, y + 14), label, fnt, WHITE + (255,), anchor="mm")
        x += tw + 26 + 12


def start_banner():
    layer = big(W, H)
    d = ImageDraw.Draw(layer)
    soft_circles(d, [(455, 150, 118, 34), (520, 232, 60, 28), (360, 62, 28, 40)])
    logo_mark(d, 40, 44, 58)
    text(d, (112, 44), "Radurodi", font(LATIN_BOLD, 40), NAVY + (255,))
    text(d, (114, 93), "手机助手", font(CJK_FONT, 19), (0x0B, 0x6F, 0xB0, 255))
    text(d, (42, 158), "连接手机，管理应用，备份资料，一站搞定", font(CJK_FONT, 17), WHITE + (255,))
    chips(d, 42, 200, ["应用管理", "资料备份", "极速传输"], font(CJK_FONT, 14))
    sx, sy, sw, sh = phone(d, 402, 34, 112, 222)
    app_grid(d, sx + 8, sy + 14, 24, 8, 3, 4)
    return compose(layer)


def custom_background():
    return sky_background()


def slide_apps():
    layer = big(W, H)
    d = ImageDraw.Draw(layer)
    soft_circles(d, [(150, 140, 112, 36), (70, 236, 42, 26)])
    rounded(d, (62, 46, 238, 236), 22, fill=(255, 255, 255, 200))
    app_grid(d, 78, 62, 44, 12, 3, 3)
    text(d, (282, 58), "海量应用", font(CJK_FONT, 34), NAVY + (255,))
    text(d, (284, 104), "一键安装到手机", font(CJK_FONT, 20), (0x0B, 0x6F, 0xB0, 255))
    text(d, (284, 162), "精选热门应用和游戏，", font(CJK_FONT, 16), WHITE + (255,))
    text(d, (284, 188), "在电脑上下载，安装更省流量。", font(CJK_FONT, 16), WHITE + (255,))
    return compose(layer)


def cloud(draw, cx, cy, scale, fill):
    parts = [(-44, 10, 30), (-12, -14, 40), (30, 0, 32), (54, 16, 22)]
    for (dx, dy, r) in parts:
        r *= scale
        draw.ellipse(s(cx + dx * scale - r, cy + dy * scale - r, cx + dx * scale + r, cy + dy * scale + r),
                     fill=fill)
    rounded(draw, (cx - 70 * scale, cy + 6 * scale, cx + 74 * scale, cy + 38 * scale), 16 * scale, fill=fill)


def slide_backup():
    layer = big(W, H)
    d = ImageDraw.Draw(layer)
    soft_circles(d, [(160, 136, 110, 34), (252, 234, 36, 26)])
    cloud(d, 156, 118, 1.25, WHITE + (255,))
    # upload arrow
    cx, cy = 158, 132
    d.polygon([tuple(s(cx - 22, cy + 2)), tuple(s(cx + 22, cy + 2)), tuple(s(cx, cy - 24))], fill=ORANGE + (255,))
    rounded(d, (cx - 8, cy, cx + 8, cy + 30), 3, fill=ORANGE + (255,))
    # three small file tiles
    for i, colour in enumerate([(0x4C, 0xAF, 0x50), (0xE9, 0x4E, 0x77), (0x8E, 0x6C, 0xEF)]):
        bx = 92 + i * 46
        rounded(d, (bx, 196, bx + 36, 236), 6, fill=colour + (255,))
        rounded(d, (bx + 8, 206, bx + 28, 210), 2, fill=WHITE + (220,))
        rounded(d, (bx + 8, 215, bx + 24, 219), 2, fill=WHITE + (220,))
    text(d, (292, 58), "资料备份", font(CJK_FONT, 34), NAVY + (255,))
    text(d, (294, 104), "照片 · 通讯录 · 短信", font(CJK_FONT, 20), (0x0B, 0x6F, 0xB0, 255))
    text(d, (294, 162), "一键备份到电脑，换机也不怕丢，", font(CJK_FONT, 16), WHITE + (255,))
    text(d, (294, 188), "需要时随时恢复。", font(CJK_FONT, 16), WHITE + (255,))
    return compose(layer)


def finish_banner():
    layer = big(W, H)
    d = ImageDraw.Draw(layer)
    soft_circles(d, [(300, 118, 96, 30), (300, 118, 70, 40)])
    r = 48
    cx, cy = 300, 104
    d.ellipse(s(cx - r, cy - r, cx + r, cy + r), fill=WHITE + (255,))
    d.line([tuple(s(cx - 22, cy + 2)), tuple(s(cx - 6, cy + 18)), tuple(s(cx + 24, cy - 14))],
           fill=(0x4C, 0xAF, 0x50, 255), width=int(10 * SS), joint="curve")
    for (x, y) in [(cx - 22, cy + 2), (cx + 24, cy - 14), (cx - 6, cy + 18)]:
        d.ellipse(s(x - 5, y - 5, x + 5, y + 5), fill=(0x4C, 0xAF, 0x50, 255))
    text(d, (300, 186), "安装完成", font(CJK_FONT, 30), WHITE + (255,), anchor="mm")
    text(d, (300, 226), "感谢您选择 Radurodi 手机助手", font(CJK_FONT, 16), WHITE + (235,), anchor="mm")
    return compose(layer)


def install_button_strip():
    fw, fh = 168, 52
    layer = big(fw * 2, fh)
    d = ImageDraw.Draw(layer)
    for i, (top, bottom) in enumerate([((0xF2, 0x8A, 0x1C), (0xDC, 0x6E, 0x0B)),
                                       ((0xFF, 0xB1, 0x4E), (0xF8, 0x93, 0x24))]):
        x = i * fw
        # vertical gradient inside a rounded rectangle, drawn row by row through a mask
        grad = Image.new("RGBA", (fw * SS, fh * SS))
        gd = ImageDraw.Draw(grad)
        for y in range(fh * SS):
            gd.line([(0, y), (fw * SS, y)], fill=mix(top, bottom, y / (fh * SS - 1)) + (255,))
        mask = Image.new("L", (fw * SS, fh * SS), 0)
        ImageDraw.Draw(mask).rounded_rectangle(s(1, 1, fw - 1, fh - 1), radius=9 * SS, fill=255)
        layer.paste(grad, (x * SS, 0), mask)
        # a soft highlight along the top
        rounded(d, (x + 8, 3, x + fw - 8, 4.5), 1, fill=(255, 255, 255, 50))
    return down(layer, fw * 2, fh)


def close_strip():
    fw = 11
    layer = big(fw * 2, fw)
    d = ImageDraw.Draw(layer)
    for i, alpha in enumerate([130, 255]):
        x = i * fw
        # the white cross sits on a blue disc, so it reads on the light sky of every page
        d.ellipse(s(x, 0, x + fw, fw), fill=(0x1E, 0x7F, 0xC4, alpha))
        for (a, b) in [((x + 3.4, 3.4), (x + 7.6, 7.6)), ((x + 7.6, 3.4), (x + 3.4, 7.6))]:
            d.line([tuple(s(*a)), tuple(s(*b))], fill=WHITE + (alpha,), width=int(1.5 * SS))
    return down(layer, fw * 2, fw)


def arrow_strip():
    fw = 15
    layer = big(fw * 2, fw)
    d = ImageDraw.Draw(layer)
    for i, colour in enumerate([(0x7F, 0xB8, 0xDC), (0x1E, 0x9B, 0xEB)]):
        x = i * fw
        rounded(d, (x + 0.5, 0.5, x + fw - 0.5, fw - 0.5), 3.5, fill=colour + (255,))
        d.polygon([tuple(s(x + 3.5, 5)), tuple(s(x + 11.5, 5)), tuple(s(x + 7.5, 10.5))], fill=WHITE + (255,))
    return down(layer, fw * 2, fw)


def browse_strip():
    fw = 20
    layer = big(fw * 2, fw)
    d = ImageDraw.Draw(layer)
    for i, colour in enumerate([(0x5C, 0xB3, 0xE6), (0x1A, 0x6F, 0xB5)]):
        x = i * fw
        # an opaque tile, so nothing of the skin behind shows through
        d.rectangle(s(x, 0, x + fw, fw), fill=(0xFF, 0xFF, 0xFF, 255))
        d.rectangle(s(x + 0.5, 0.5, x + fw - 0.5, fw - 0.5), outline=(0x8C, 0xBF, 0xE0, 255), width=SS)
        # folder: tab, back, front
        rounded(d, (x + 3.5, 4.5, x + 9.5, 8), 1, fill=colour + (255,))
        rounded(d, (x + 3.5, 6, x + 16.5, 15.5), 1.2, fill=mix(colour, (255, 255, 255), 0.25) + (255,))
        rounded(d, (x + 3.5, 8.5, x + 16.5, 15.5), 1.2, fill=colour + (255,))
    return down(layer, fw * 2, fw)


def progress_track():
    w, h = 281, 22
    layer = big(w, h)
    d = ImageDraw.Draw(layer)
    rounded(d, (0.5, 0.5, w - 0.5, h - 0.5), 10.5, fill=(0xE6, 0xF3, 0xFB, 255), outline=(0x5A, 0xAE, 0xDF, 255),
            width=1.2)
    return down(layer, w, h)


def progress_fill():
    w, h = 278, 16
    grad = Image.new("RGBA", (w * SS, h * SS))
    gd = ImageDraw.Draw(grad)
    for y in range(h * SS):
        t = y / (h * SS - 1)
        gd.line([(0, y), (w * SS, y)], fill=mix(ORANGE_LIGHT, ORANGE, t) + (255,))
    mask = Image.new("L", (w * SS, h * SS), 0)
    ImageDraw.Draw(mask).rounded_rectangle(s(0, 0, w, h), radius=8 * SS, fill=255)
    layer = big(w, h)
    layer.paste(grad, (0, 0), mask)
    d = ImageDraw.Draw(layer)
    rounded(d, (7, 3, w - 7, 4.6), 0.8, fill=(255, 255, 255, 55))
    return down(layer, w, h)


def icon_image(size):
    layer = big(size, size)
    d = ImageDraw.Draw(layer)
    logo_mark(d, size * 0.03, size * 0.03, size * 0.94)
    return down(layer, size, size)


def write_ico(path, sizes):
    """An icon file with 32-bit (BGRA) images and their AND masks."""
    entries, blobs = [], []
    for size in sizes:
        img = icon_image(size)
        px = img.load()
        rows = []
        for y in range(size - 1, -1, -1):  # bottom-up
            rows.append(b"".join(struct.pack("BBBB", px[x, y][2], px[x, y][1], px[x, y][0], px[x, y][3])
                                 for x in range(size)))
        xor = b"".join(rows)
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in range(size - 1, -1, -1):
            row = bytearray(mask_stride)
            for x in range(size):
                if px[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blobs.append(header + xor + bytes(mask))
    offset = 6 + 16 * len(sizes)
    for size, blob in zip(sizes, blobs):
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset))
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(sizes)))
        f.write(b"".join(entries))
        f.write(b"".join(blobs))


PICTURES = {
    201: start_banner,
    202: custom_background,
    203: install_button_strip,
    205: close_strip,
    206: arrow_strip,
    207: browse_strip,
    208: slide_apps,
    209: slide_backup,
    211: progress_track,
    212: progress_fill,
    215: finish_banner,
}


# The large banners at double size are kept as 256-colour pictures (dithered): less than half their
# true-colour size, which keeps the installer under 1 MiB, and at 192 DPI not to be told apart.
PALETTE_AT_DOUBLE = (201, 208, 209, 215)
STRAY_LIMIT = 24  # a dithered pixel further than this from the true colour in any channel is a stray


def palette_picture(picture):
    """256 colours, dithered; the few pixels the dithering sends astray get their nearest colour."""
    quantized = picture.quantize(colors=256, method=Image.Quantize.LIBIMAGEQUANT,
                                 dither=Image.Dither.FLOYDSTEINBERG)
    palette = quantized.getpalette()[:256 * 3]
    colours = [tuple(palette[i:i + 3]) for i in range(0, len(palette), 3)]
    error = ImageChops.difference(picture.convert("RGB"), quantized.convert("RGB"))
    worst = ImageChops.lighter(ImageChops.lighter(*error.split()[:2]), error.split()[2])
    true_px, index_px = picture.convert("RGB").load(), quantized.load()
    width = picture.size[0]
    for i, value in enumerate(worst.getdata()):
        if value > STRAY_LIMIT:
            x, y = i % width, i // width
            want = true_px[x, y]
            index_px[x, y] = min(range(len(colours)),
                                 key=lambda k: sum((colours[k][c] - want[c]) ** 2 for c in range(3)))
    return quantized


def main():
    os.makedirs(PNG_DIR, exist_ok=True)
    for scale, name in ((1, "%d.png"), (2, "%d@2x.png")):
        render_at(scale)
        for number, make in PICTURES.items():
            picture = make()
            if scale == 2 and number in PALETTE_AT_DOUBLE:
                picture = palette_picture(picture)
            picture.save(os.path.join(PNG_DIR, name % number), optimize=True)
    render_at(1)
    write_ico(os.path.join(RES, "installer.ico"), [64, 48, 32, 24])
    return 0


if __name__ == "__main__":
    sys.exit(main())
