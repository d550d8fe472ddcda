#!/usr/bin/env python3
"""Renders a picture of text from a layout file with ImageMagick, for window pictures.

Usage: render_text_picture.py LAYOUT.json OUT.png

The layout is a JSON object:
  {"width": 1280, "height": 800, "background": "white",
   "boxes": [{"x": 0, "y": 0, "width": 1280, "height": 56, "color": "gray90"}, ...],
   "texts": [{"x": 40, "y": 30, "size": 28, "text": "Hello", "color": "black",
              "font": "DejaVuSans-Bold"}, ...]}
Boxes are filled rectangles drawn first, in order. "x" and "y" place the top-left corner of a
box or of a text in pixels; "size" is the font size in pixels; "color" (default black) and
"background" (default white) are ImageMagick colour names; "font" (default DejaVuSans) names a
font file of fonts-dejavu-core (DejaVuSans, DejaVuSans-Bold, DejaVuSerif, DejaVuSansMono ...).
The output is an 8-bit RGB PNG without time stamps, so the same layout gives the same file.
"""

import json
import os
import shutil
import subprocess
import sys

FONTS = "/usr/share/fonts/truetype/dejavu"


def render(layout, out):
    convert = shutil.which("convert")
    if not convert:
        sys.exit("render_text_picture: ImageMagick's convert is not installed (scripts/setup.sh)")
    args = [convert, "-size", f"{int(layout['width'])}x{int(layout['height'])}",
            "xc:" + layout.get("background", "white")]
    for b in layout.get("boxes", []):
        x, y = int(b["x"]), int(b["y"])
        args += ["-fill", b.get("color", "black"), "-draw",
                 f"rectangle {x},{y} {x + int(b['width']) - 1},{y + int(b['height']) - 1}"]
    args += ["-gravity", "NorthWest"]
    for t in layout.get("texts", []):
        font = os.path.join(FONTS, t.get("font", "DejaVuSans") + ".ttf")
        if not os.path.exists(font):
            sys.exit(f"render_text_picture: no font {font} (scripts/setup.sh installs it)")
        args += ["-font", font, "-pointsize", str(t["size"]), "-fill", t.get("color", "black"),
                 "-annotate", f"+{int(t['x'])}+{int(t['y'])}", t["text"]]
    args += ["-depth", "8", "-define", "png:exclude-chunks=date,time", "+set", "date:create",
             "+set", "date:modify", "PNG24:" + out]
    subprocess.run(args, check=True)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[2])
    with open(sys.argv[1], encoding="utf-8") as f:
        layout = json.load(f)
    render(layout, sys.argv[2])


if __name__ == "__main__":
    main()
