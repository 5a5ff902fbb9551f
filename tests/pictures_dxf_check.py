#!/usr/bin/python3
"""What a real DXF reader finds in a file that elipses-svg wrote.

Usage: pictures_dxf_check.py DRAWING.dxf
Prints "version V", "audit ERRORS FIXES", then per entity of the model space one line:
  TEXT|layer|colour|x|y|height|text
  POLYLINE|layer|colour|closed|x,y x,y ..."""
import sys

import ezdxf

sys.stdout.reconfigure(encoding="utf-8")
document = ezdxf.readfile(sys.argv[1])
auditor = document.audit()
print("version", document.dxfversion)
print("audit", len(auditor.errors), len(auditor.fixes))
for entity in document.modelspace():
    kind, dxf = entity.dxftype(), entity.dxf
    if kind == "TEXT":
        print("|".join(str(v) for v in ("TEXT", dxf.layer, dxf.color, dxf.insert[0], dxf.insert[1], dxf.height,
                                        dxf.text)))
    elif kind == "POLYLINE":
        vertices = " ".join("%r,%r" % (v.dxf.location[0], v.dxf.location[1]) for v in entity.vertices)
        print("|".join(str(v) for v in ("POLYLINE", dxf.layer, dxf.color, int(entity.is_closed), vertices)))
    else:
        print(kind)
