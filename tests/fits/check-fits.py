#!/usr/bin/python3
"""Reads back the FITS files Kelvane wrote, with astropy, and checks them against the saved
text files written beside them.

    check-fits.py FOLDER...

Each NAME.fits with a NAME.txt beside it is a spectrum: its WCS must give every pixel the x
value of the text file's row (absolute, SI: Hz, m, m/s) within 1e-9 of it, its data the signal
(NaN where the text has 0) and its header the values of the text's header. lv-diagram.fits must
be a GLON x VOPT image in LSRK whose longitudes cover the spectra near the plane. Prints one
line per file and exits 1 when any check fails.
"""
import datetime
import math
import pathlib
import re
import sys

import numpy as np
from astropy.io import fits
from astropy.wcs import WCS

REST_FREQUENCY = 1420405751.0  # Hz
REST_WAVELENGTH = 0.2110611  # m
RELATIVE = 1e-9  # of every x value
ARCSEC = 1.0 / 3600.0


def read_saved(path):
    """The saved text file: its header as a dict (name -> text) and its x and y columns."""
    header, x, y = {}, [], []
    for line in path.read_bytes().decode("utf-8").split("\r\n"):
        if " = " in line and not x:
            name, value = line.split(" = ", 1)
            header[name] = value
        elif line:
            a, b = line.split(",")
            x.append(float(a))
            y.append(float(b))
    return header, np.array(x), np.array(y)


def angle(text):
    """Degrees (or hours) of a text such as -2° 17' 41" or 18 hrs 46' 5"."""
    numbers = [float(n) for n in re.findall(r"\d+(?:\.\d*)?", text)]
    value = numbers[0] + numbers[1] / 60.0 + numbers[2] / 3600.0
    return -value if text.strip().startswith("-") else value


def six(value, text):
    """value written with the saved file's 6 significant digits is the text's number."""
    return float(f"{value:.6g}") == float(text)


def near_angle(a, b, tolerance):
    d = (a - b) % 360.0
    return min(d, 360.0 - d) <= tolerance


def check_spectrum(fits_path, text_path):
    problems = []
    saved, x, y = read_saved(text_path)
    with fits.open(fits_path) as hdus:
        h = hdus[0].header
        data = hdus[0].data
        wcs = WCS(h, fobj=hdus)
        world = wcs.pixel_to_world_values(np.arange(h["NAXIS1"]))
    kind = h["CTYPE1"][:4]
    expected = {"FREQ": x + REST_FREQUENCY, "WAVE": x + REST_WAVELENGTH, "VOPT": x * 1000.0}[kind]
    if len(world) != len(x):
        problems.append(f"{len(world)} pixels, the text has {len(x)} rows")
    else:
        error = np.abs(world - expected) / np.abs(expected)
        worst = int(np.argmax(error))
        if not error[worst] <= RELATIVE:
            problems.append(f"pixel {worst + 1}: WCS gives {world[worst]!r}, Kelvane's x is "
                            f"{expected[worst]!r} (relative error {error[worst]:.3g})")
        missing = y == 0.0
        if not np.array_equal(np.isnan(data), missing):
            problems.append("NaN pixels are not the text's missing channels")
        off = np.abs(data[~missing] - y[~missing]) > 1e-9 * np.abs(y[~missing])
        if off.any():
            problems.append(f"{off.sum()} data values differ from the text's signal")
        comment = " ".join(str(c) for c in h.get("COMMENT", []))
        if f"NaN: {missing.sum()} of {len(y)}" not in comment:
            problems.append("the comment does not count the missing channels")

    lsr = saved["Description"].startswith("Velocity - VLSR")
    checks = [
        ("FILENAME", h.get("FILENAME") == saved["Filename"]),
        ("OBJECT", h.get("OBJECT") == saved["Filename"].rsplit(".", 1)[0]),
        ("SPECSYS", h.get("SPECSYS") == ("LSRK" if lsr else "TOPOCENT")),
        ("VLSR", six(h["VLSR"], saved["VLSR"]) if "VLSR" in h else float(saved["VLSR"]) == 0),
        ("VELOSYS", not lsr or six(h["VELOSYS"] / 1000.0, saved["VLSR"])),
        ("RA", near_angle(h["RA"], angle(saved["Ra"]) * 15.0, 15.0 * ARCSEC)),
        ("DEC", near_angle(h["DEC"], angle(saved["Dec"]), ARCSEC)),
        ("GLON", near_angle(h["GLON"], angle(saved["GLong"]), ARCSEC)),
        ("GLAT", near_angle(h["GLAT"], angle(saved["GLat"]), ARCSEC)),
        ("OBSGEO-B", near_angle(h["OBSGEO-B"], angle(saved["Latitude"]), ARCSEC)),
        ("OBSGEO-L", near_angle(h["OBSGEO-L"], angle(saved["Longitude"]), ARCSEC)),
        ("OBSGEO-H", six(h["OBSGEO-H"], saved["Elevation"])),
        ("DATE-OBS", datetime.datetime.fromisoformat(h["DATE-OBS"]).replace(microsecond=0)
         == datetime.datetime.strptime(saved["File time"], "%d %b %Y %H:%M:%S")),
    ]
    history = [str(c) for c in h.get("HISTORY", [])]
    coefficients = {k: v for k, v in saved.items() if re.fullmatch(r"a\d+", k)}
    fitted = dict(re.fullmatch(r"(a\d+|Correlation) = (\S+)", c).groups()
                  for c in history if re.fullmatch(r"(a\d+|Correlation) = \S+", c))
    checks.append(("HISTORY coefficients", set(fitted) - {"Correlation"} == set(coefficients)
                   and all(six(float(fitted[k]), v) for k, v in coefficients.items())))
    if coefficients:
        checks.append(("HISTORY correlation",
                       six(float(fitted["Correlation"]), saved["Correlation"])))
    problems += [f"{name} differs from the saved text" for name, ok in checks if not ok]
    return problems


def check_lv(path, spectra):
    problems = []
    with fits.open(path) as hdus:
        h = hdus[0].header
        wcs = WCS(h)
        shape = hdus[0].data.shape
    if (h["CTYPE1"], h["CTYPE2"], h["SPECSYS"]) != ("GLON", "VOPT", "LSRK"):
        problems.append("axes are not GLON x VOPT in LSRK")
    lon, _ = wcs.pixel_to_world_values([0, shape[1] - 1], [0, 0])
    low, high = min(lon), max(lon)
    for spectrum in spectra:
        with fits.open(spectrum) as hdus:
            l, b = hdus[0].header["GLON"], hdus[0].header["GLAT"]
        if abs(b) <= 2.0 and not any(low - 1e-9 <= v <= high + 1e-9 for v in (l, l - 360.0)):
            problems.append(f"{spectrum.name} (l = {l}) lies outside the image's longitudes")
    return problems


def main(folders):
    failed = passed = 0
    for folder in map(pathlib.Path, folders):
        spectra = sorted(p for p in folder.glob("*.fits") if p.with_suffix(".txt").exists())
        for path in sorted(folder.glob("*.fits")):
            if path in spectra:
                problems = check_spectrum(path, path.with_suffix(".txt"))
            elif path.name == "lv-diagram.fits":
                problems = check_lv(path, spectra)
            else:
                problems = ["no saved text file beside it"]
            print(f"{path}: " + ("ok" if not problems else "; ".join(problems)))
            failed += bool(problems)
            passed += not problems
    print(f"{passed} passed, {failed} failed")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
