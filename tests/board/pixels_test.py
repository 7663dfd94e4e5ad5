#!/usr/bin/env python3
"""The board test's picture code: a wrong mask, tolerance or turn would pass a broken screen."""

import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pixels  # noqa: E402


def solid(w, h, rgb):
    return pixels.Image(w, h, bytes(rgb) * (w * h))


def with_pixel(image, x, y, rgb):
    data = bytearray(image.data)
    data[(y * image.w + x) * 3:(y * image.w + x) * 3 + 3] = bytes(rgb)
    return pixels.Image(image.w, image.h, data)


class CompareTest(unittest.TestCase):
    def test_table(self):
        base = solid(8, 6, (100, 100, 100))
        rows = [
            # (name, other picture, masks, tolerance, expected (good, total))
            ("same", base, [], 8, (48, 48)),
            ("within tolerance", with_pixel(base, 3, 2, (108, 92, 100)), [], 8, (48, 48)),
            ("one channel past it", with_pixel(base, 3, 2, (100, 100, 109)), [], 8, (47, 48)),
            ("masked difference", with_pixel(base, 3, 2, (0, 0, 0)), [(2, 1, 3, 3)], 8, (39, 39)),
            ("overlapping masks", base, [(0, 0, 4, 2), (2, 0, 4, 2)], 8, (36, 36)),
            ("mask past the edge", base, [(6, 4, 10, 10)], 8, (44, 44)),
            ("exact", with_pixel(base, 0, 0, (101, 100, 100)), [], 0, (47, 48)),
        ]
        for name, other, masks, tolerance, want in rows:
            with self.subTest(name):
                self.assertEqual(pixels.compare(base, other, masks, tolerance), want)

    def test_sizes_must_agree(self):
        with self.assertRaises(ValueError):
            pixels.compare(solid(2, 2, (0, 0, 0)), solid(2, 3, (0, 0, 0)))


class PictureTest(unittest.TestCase):
    def test_png_round_trip_and_ppm(self):
        image = with_pixel(solid(5, 3, (10, 20, 30)), 4, 2, (250, 1, 2))
        with tempfile.TemporaryDirectory() as d:
            pixels.write_png(image, os.path.join(d, "a.png"))
            self.assertEqual(pixels.read_png(os.path.join(d, "a.png")).data, image.data)
            with open(os.path.join(d, "a.ppm"), "wb") as f:
                f.write(b"P6\n# QEMU\n5 3\n255\n" + image.data)
            self.assertEqual(pixels.read_ppm(os.path.join(d, "a.ppm")).data, image.data)

    def test_turn_and_its_masks_agree(self):
        # A marked pixel and a mask over it must still meet once both are turned.
        image = with_pixel(solid(4, 6, (0, 0, 0)), 1, 4, (255, 255, 255))
        turned = image.rotate90()
        self.assertEqual((turned.w, turned.h), (6, 4))
        self.assertEqual(turned.data[(1 * 6 + (6 - 1 - 4)) * 3], 255)  # (x, y) -> (h-1-y, x)
        (mx, my, mw, mh), = pixels.rotate_rects90([(1, 4, 1, 1)], 4, 6)
        self.assertEqual(turned.crop(mx, my, mw, mh).data, b"\xff\xff\xff")

    def test_crop_and_lit_count(self):
        image = with_pixel(solid(6, 6, (0, 0, 0)), 5, 5, (0, 0, 40))
        self.assertEqual(image.count_not_black([(0, 0, 6, 6)]), 1)
        self.assertEqual(image.count_not_black([(0, 0, 5, 5)]), 0)
        with self.assertRaises(ValueError):
            image.crop(4, 4, 3, 3)


if __name__ == "__main__":
    unittest.main()
