"""Renders the SVGs beside it and packs the pixels into Windows icons and tool-bar strips.

  pack.py icon  OUT.ico SVG SIZE:DEPTH,DEPTH...[:SVG] ...   e.g. 16:32,8,4:app-16.svg
  pack.py strip OUT.bmp SIZE normal|hot|disabled SVG...

Packed here rather than by ImageMagick so that each icon image's depth, palette and mask,
and the strips' bitmap header, are exactly the ones Windows is known to load.
"""
import functools
import struct
import subprocess
import sys

# The 16 colours every display since VGA has, in the order 16-colour icons index them.
VGA = [(0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
       (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
       (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
       (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF)]


def render(svg, size):
    """Pixels of the SVG drawn at size x size: rows top down, each pixel [r, g, b, a], alpha straight."""
    png = subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), svg],
                         check=True, stdout=subprocess.PIPE).stdout
    raw = subprocess.run(["convert", "png:-", "-depth", "8", "rgba:-"],
                         input=png, check=True, stdout=subprocess.PIPE).stdout
    if len(raw) != size * size * 4:
        sys.exit(f"{svg} at {size} px gave {len(raw)} bytes")
    return [[list(raw[(y * size + x) * 4:(y * size + x) * 4 + 4]) for x in range(size)]
            for y in range(size)]


@functools.lru_cache(maxsize=None)
def lab(rgb):
    """CIE L*a*b* of an sRGB colour: there the nearest VGA colour to a mid green is green, not teal."""
    lin = [c / 255 / 12.92 if c <= 10 else ((c / 255 + 0.055) / 1.055) ** 2.4 for c in rgb]
    xyz = [sum(m * c for m, c in zip(row, lin)) / white for row, white in zip(
        ((0.4124, 0.3576, 0.1805), (0.2126, 0.7152, 0.0722), (0.0193, 0.1192, 0.9505)),
        (0.9505, 1.0, 1.089))]
    f = [t ** (1 / 3) if t > 0.008856 else 7.787 * t + 16 / 116 for t in xyz]
    return (116 * f[1] - 16, 500 * (f[0] - f[1]), 200 * (f[1] - f[2]))


def distance(p, q):
    return sum((a - b) ** 2 for a, b in zip(lab(p), lab(q)))


def spread(box, axis):
    return max(c[axis] for c, _ in box) - min(c[axis] for c, _ in box)


def median_cut(counts, n):
    """At most n colours standing for the weighted colours in counts {rgb: count}."""
    boxes = [sorted(counts.items())] if counts else []
    while len(boxes) < n:
        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: max(spread(b, i) for i in range(3)))
        axis = max(range(3), key=lambda i: spread(box, i))
        box.sort(key=lambda item: (item[0][axis], item[0]))
        half, seen, cut = sum(k for _, k in box) / 2, 0, 1
        for cut, (_, k) in enumerate(box[:-1], 1):
            seen += k
            if seen >= half:
                break
        boxes.remove(box)
        boxes += [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(k for _, k in box)
        palette.append(tuple(round(sum(c[i] * k for c, k in box) / total) for i in range(3)))
    return sorted(set(palette))


def palette_for(pixels, bits):
    if bits == 4:
        return VGA
    counts = {}
    for row in pixels:
        for p in row:
            if p[3] >= 128:
                counts[tuple(p[:3])] = counts.get(tuple(p[:3]), 0) + 1
    # Index 0 stays black: it is what the masked-out pixels hold, so they XOR to nothing.
    return [(0, 0, 0)] + median_cut(counts, 255)


def icon_image(pixels, bits):
    """One icon image as Windows stores it: BITMAPINFOHEADER, palette, XOR bitmap, AND mask."""
    size = len(pixels)
    rows = pixels[::-1]  # bottom-up
    # The 16- and 256-colour images have only the mask, so below half opacity is background.
    # A 32-bit image keeps its soft edge in alpha; its mask opens only where alpha is 0, since
    # a masked pixel with colour in it would XOR the screen when drawn through the mask.
    clear = [[p[3] < (1 if bits == 32 else 128) for p in row] for row in rows]
    stride = (size * bits + 31) // 32 * 4
    xor = bytearray()
    palette = []
    if bits == 32:
        for row in rows:
            for r, g, b, a in row:
                xor += bytes((b, g, r, a)) if a else bytes(4)
    else:
        palette = palette_for(pixels, bits)
        opaque = [tuple(p[:3]) for row, holes in zip(rows, clear) for p, hole in zip(row, holes) if not hole]
        nearest = {rgb: min(range(len(palette)), key=lambda i: distance(rgb, palette[i])) for rgb in set(opaque)}
        if bits == 4:
            # A VGA colour that only a pixel or two of anti-aliasing land on reads as a speck:
            # send those pixels to the nearest colour the picture really uses.
            used = {}
            for rgb in opaque:
                used[nearest[rgb]] = used.get(nearest[rgb], 0) + 1
            kept = [i for i, n in used.items() if n > 2] or list(used)
            for rgb, i in nearest.items():
                if i not in kept:
                    nearest[rgb] = min(kept, key=lambda k: distance(rgb, palette[k]))
        for row, holes in zip(rows, clear):
            idx = [0 if hole else nearest[tuple(p[:3])] for p, hole in zip(row, holes)]
            line = bytes(idx) if bits == 8 else bytes(
                (idx[i] << 4) | (idx[i + 1] if i + 1 < size else 0) for i in range(0, size, 2))
            xor += line.ljust(stride, b"\0")
        palette = palette + [(0, 0, 0)] * ((1 << bits) - len(palette))
    mask = bytearray()
    for holes in clear:
        line = bytearray((size + 31) // 32 * 4)
        for x, hole in enumerate(holes):
            if hole:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + bytes(xor) + bytes(mask)


def write_icon(out, svg, entries):
    images = []
    for entry in entries:
        size, depths, *redrawn = entry.split(":")
        pixels = render(redrawn[0] if redrawn else svg, int(size))
        images += [(int(size), int(bits), icon_image(pixels, int(bits))) for bits in depths.split(",")]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, image in images:
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bits == 4 else 0, 0, 1, bits,
                            len(image), offset)
        offset += len(image)
    with open(out, "wb") as f:
        f.write(data + b"".join(image for _, _, image in images))


def restyle(p, state):
    r, g, b, a = p
    if state == "hot":
        return [round(c + (255 - c) * 0.3) for c in (r, g, b)] + [a]
    if state == "disabled":
        grey = round(0.299 * r + 0.587 * g + 0.114 * b)
        grey = round(grey + (255 - grey) * 0.25)
        return [grey, grey, grey, round(a * 0.6)]
    return p


def write_strip(out, size, state, svgs):
    glyphs = [render(svg, size) for svg in svgs]
    width = size * len(glyphs)
    pixels = bytearray()
    for y in reversed(range(size)):  # bottom-up, the layout every loader takes
        for glyph in glyphs:
            for p in glyph[y]:
                r, g, b, a = restyle(p, state)
                pixels += bytes((b, g, r, a)) if a else bytes(4)
    info = struct.pack("<IiiHHIIiiII", 40, width, size, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(out, "wb") as f:
        f.write(head + info + bytes(pixels))


def main(argv):
    if len(argv) >= 4 and argv[0] == "icon":
        write_icon(argv[1], argv[2], argv[3:])
    elif len(argv) >= 5 and argv[0] == "strip" and argv[3] in ("normal", "hot", "disabled"):
        write_strip(argv[1], int(argv[2]), argv[3], argv[4:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
