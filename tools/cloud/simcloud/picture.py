"""A small baseline JPEG per camera, made without any imaging library: every
8x8 block is one flat colour (DC coefficients only), so the encoder needs no
DCT. The picture is a coloured field with the camera's number in large
white digits, different for every camera."""
import struct

WIDTH, HEIGHT = 320, 180
BLOCKS_X, BLOCKS_Y = WIDTH // 8, (HEIGHT + 7) // 8
QUANT = 8  # every coefficient step: DC = mean - 128 exactly

# Luminance DC table of the JPEG standard (Annex K.3), used for all components.
DC_BITS = (0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0)
DC_VALUES = tuple(range(12))
# AC table with one symbol, end-of-block (code "0"): every block has no AC.
AC_BITS = (1,) + (0,) * 15
AC_VALUES = (0x00,)

# 3x5 digits, one string per row, "#" is a lit cell.
DIGITS = {
    "0": ("###", "#.#", "#.#", "#.#", "###"), "1": (".#.", "##.", ".#.", ".#.", "###"),
    "2": ("###", "..#", "###", "#..", "###"), "3": ("###", "..#", ".##", "..#", "###"),
    "4": ("#.#", "#.#", "###", "..#", "..#"), "5": ("###", "#..", "###", "..#", "###"),
    "6": ("###", "#..", "###", "#.#", "###"), "7": ("###", "..#", ".#.", ".#.", ".#."),
    "8": ("###", "#.#", "###", "#.#", "###"), "9": ("###", "#.#", "###", "..#", "###"),
}
PALETTE = ((200, 40, 40), (40, 150, 60), (40, 80, 200), (200, 150, 20), (140, 50, 170),
           (20, 150, 160), (120, 120, 120), (210, 90, 140))
WHITE = (255, 255, 255)
CELL = 2  # blocks per digit cell


def _huffman_codes(bits, values):
    codes, code, k = {}, 0, 0
    for length, count in enumerate(bits, start=1):
        for _ in range(count):
            codes[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


DC_CODES = _huffman_codes(DC_BITS, DC_VALUES)
EOB = _huffman_codes(AC_BITS, AC_VALUES)[0x00]


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        for shift in range(length - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> shift) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0x00)
                self.acc = self.n = 0

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)
        return bytes(self.out)


def _ycbcr(rgb):
    r, g, b = rgb
    y = 0.299 * r + 0.587 * g + 0.114 * b
    cb = 128 - 0.168736 * r - 0.331264 * g + 0.5 * b
    cr = 128 + 0.5 * r - 0.418688 * g - 0.081312 * b
    return tuple(max(0, min(255, int(round(v)))) for v in (y, cb, cr))


def block_colours(number):
    """The colour of every block, row by row: the field of the camera's
    palette colour with `number` written in white in the middle."""
    text = str(number)
    field = PALETTE[(number - 1) % len(PALETTE)]
    grid = [[field] * BLOCKS_X for _ in range(BLOCKS_Y)]
    glyph_w = 3 * CELL
    total_w = len(text) * glyph_w + (len(text) - 1) * CELL
    x0 = (BLOCKS_X - total_w) // 2
    y0 = (BLOCKS_Y - 5 * CELL) // 2
    for i, ch in enumerate(text):
        for row, line in enumerate(DIGITS[ch]):
            for col, lit in enumerate(line):
                if lit != "#":
                    continue
                for dy in range(CELL):
                    for dx in range(CELL):
                        grid[y0 + row * CELL + dy][x0 + i * (glyph_w + CELL) + col * CELL + dx] = \
                            WHITE
    return grid


def _segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def encode(grid):
    """A baseline JFIF (4:4:4) of flat 8x8 blocks."""
    writer = _BitWriter()
    previous = [0, 0, 0]
    for row in grid:
        for rgb in row:
            for c, value in enumerate(_ycbcr(rgb)):
                dc = value - 128  # (8 * (mean - 128)) / QUANT
                diff = dc - previous[c]
                previous[c] = dc
                size = abs(diff).bit_length()
                writer.put(*DC_CODES[size])
                if size:
                    writer.put(diff if diff >= 0 else diff + (1 << size) - 1, size)
                writer.put(*EOB)
    scan = writer.flush()
    components = b"".join(struct.pack(">BBB", cid, 0x11, 0) for cid in (1, 2, 3))
    return b"".join((
        b"\xff\xd8",
        _segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"),
        _segment(0xDB, b"\x00" + bytes([QUANT]) * 64),
        _segment(0xC0, struct.pack(">BHHB", 8, HEIGHT, WIDTH, 3) + components),
        _segment(0xC4, b"\x00" + bytes(DC_BITS) + bytes(DC_VALUES)),
        _segment(0xC4, b"\x10" + bytes(AC_BITS) + bytes(AC_VALUES)),
        _segment(0xDA, b"\x03" + b"".join(struct.pack(">BB", cid, 0x00) for cid in (1, 2, 3))
                 + b"\x00\x3f\x00"),
        scan,
        b"\xff\xd9",
    ))


def camera_picture(number):
    """The generated thumbnail of the camera numbered `number` (from 1)."""
    return encode(block_colours(number))
