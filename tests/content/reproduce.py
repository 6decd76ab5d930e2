"""Runs the picture generators into a scratch folder and compares every file
they write with the committed one. Exit 77 (skipped) when Pillow or a font
they need is not installed, 1 when any file differs."""
import filecmp
import os
import shutil
import sys

root, scratch = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(root, "tools", "contentgen"))
try:
    import fonts
    import logos
    import artkit
except ImportError as error:
    print(f"skipped: {error}")
    sys.exit(77)

needed = fonts.SOURCE_FILES + list(artkit.FONTS.values())
missing = sorted({path for path in needed if not os.path.exists(path)})
if missing:
    print("skipped: fonts not installed: " + ", ".join(missing))
    sys.exit(77)

shutil.rmtree(scratch, ignore_errors=True)
written = {
    "bitmap": fonts.write_sheets(os.path.join(scratch, "bitmap")),
    "rcdata": logos.write_images(os.path.join(scratch, "rcdata")),
}
failures = 0
for folder, paths in written.items():
    for path in paths:
        committed = os.path.join(root, "data", folder, os.path.basename(path))
        if not os.path.exists(committed):
            print(f"data/{folder}/{os.path.basename(path)} is not committed")
            failures += 1
        elif not filecmp.cmp(path, committed, shallow=False):
            print(f"data/{folder}/{os.path.basename(path)} differs from what the generator writes")
            failures += 1
count = sum(len(p) for p in written.values())
print(f"{count - failures} of {count} files reproduced byte for byte")
sys.exit(1 if failures else 0)
