#!/usr/bin/python3
"""Generates the demo's pictures and their review sheets.

  contentgen.py fonts  OUT_DIR   font sheets 171.bmp ... 178.bmp
  contentgen.py images OUT_DIR   logos 110.rgb ... 149.rgb, badges 180.rgb ... 182.rgb
  contentgen.py review DATA_DIR OUT_DIR
                                 logos.png and typefaces.png from the files in DATA_DIR
                                 (its bitmap/ and rcdata/ folders)
  contentgen.py ocr DATA_DIR     reads the typefaces and the logos' words back with
                                 tesseract (tesseract-ocr) and prints how much it read
  contentgen.py strip BUILD_DIR [KEEP_DIR]
                                 captures passages of the scroller in every typeface the
                                 script uses with BUILD_DIR's tavorly-capture, reads them
                                 back with tesseract and fails when a face reads below
                                 95 % of its words; KEEP_DIR keeps the lines it read

Run with Debian's python3 and python3-pil; the fonts come from the Debian font
packages listed in scripts/packages.txt. The same inputs give the same bytes.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))


def main(argv):
    if len(argv) < 3 or argv[1] not in ("fonts", "images", "review", "ocr", "strip"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        import PIL  # noqa: F401
    except ImportError:
        print("contentgen: Pillow is missing (apt-get install python3-pil)", file=sys.stderr)
        return 3
    if argv[1] in ("fonts", "images"):
        import artkit
        import fonts
        needed = fonts.SOURCE_FILES + list(artkit.FONTS.values())
        missing = sorted({path for path in needed if not os.path.exists(path)})
        if missing:
            print("contentgen: fonts not installed (see scripts/packages.txt):\n  "
                  + "\n  ".join(missing), file=sys.stderr)
            return 3
    if argv[1] == "fonts":
        import fonts
        for path in fonts.write_sheets(argv[2]):
            print(path)
    elif argv[1] == "images":
        import logos
        for path in logos.write_images(argv[2]):
            print(path)
    elif argv[1] == "strip":
        import stripread
        return stripread.report(argv[2], argv[3] if len(argv) > 3 else None)
    elif argv[1] == "ocr":
        import ocrcheck
        return ocrcheck.report(argv[2])
    else:
        if len(argv) < 4:
            print(__doc__.strip(), file=sys.stderr)
            return 2
        import review
        for path in review.write_sheets(argv[2], argv[3]):
            print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
