#!/usr/bin/python3
"""Colours of chosen pixels of a PNG picture, read with nothing but the standard library.

Usage: pictures_png_pixels.py PICTURE.png < positions
Reads lines "x y" (pixel column and row, from the top left); prints "size WIDTH HEIGHT",
then one line "x y r g b" per position, composed over white. Takes the 8-bit RGB and
RGBA pictures without interlacing that rsvg-convert writes."""
import struct
import sys
import zlib


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(path + ": not a PNG picture")
    position, compressed = 8, []
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        position += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed.append(body)
        elif kind == b"IEND":
            break
    if depth != 8 or colour_type not in (2, 6) or interlace != 0:
        sys.exit(path + ": only 8-bit RGB or RGBA pictures without interlacing are read")
    channels = 3 if colour_type == 2 else 4
    raw = zlib.decompress(b"".join(compressed))
    stride = width * channels
    rows, previous, position = [], bytearray(stride), 0
    for _ in range(height):
        kind = raw[position]
        row = bytearray(raw[position + 1:position + 1 + stride])
        position += 1 + stride
        if kind == 1:
            for i in range(channels, stride):
                row[i] = (row[i] + row[i - channels]) & 255
        elif kind == 2:
            row = bytearray((x + y) & 255 for x, y in zip(row, previous))
        elif kind == 3:
            for i in range(stride):
                left = row[i - channels] if i >= channels else 0
                row[i] = (row[i] + ((left + previous[i]) >> 1)) & 255
        elif kind == 4:
            for i in range(stride):
                left = row[i - channels] if i >= channels else 0
                up_left = previous[i - channels] if i >= channels else 0
                row[i] = (row[i] + paeth(left, previous[i], up_left)) & 255
        rows.append(row)
        previous = row
    return width, height, channels, rows


def main():
    width, height, channels, rows = read_png(sys.argv[1])
    print("size", width, height)
    for line in sys.stdin:
        x, y = (int(v) for v in line.split())
        if not (0 <= x < width and 0 <= y < height):
            print(x, y, 255, 255, 255)
            continue
        pixel = rows[y][x * channels:(x + 1) * channels]
        alpha = pixel[3] if channels == 4 else 255
        print(x, y, *((value * alpha + 255 * (255 - alpha)) // 255 for value in pixel[:3]))


main()
