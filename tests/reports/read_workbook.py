# Prints a workbook as JSON, read by openpyxl and (for pictures) from the zip itself:
# {"sheets": [...], "active": i, "images": {sheet: [[row, col], ...]},
#  "data": {sheet: {"merges": [...], "widths": {...}, "heights": {...},
#                   "cells": {"A1": [value, type, font, size, fill, format], ...}}}}
import json, re, sys, zipfile
import openpyxl

path = sys.argv[1]
book = openpyxl.load_workbook(path)
out = {"sheets": book.sheetnames, "active": book.index(book.active), "images": {}, "data": {}}
for ws in book.worksheets:
    cells = {}
    for row in ws.iter_rows():
        for c in row:
            if c.value is None and c.fill.fgColor.rgb in (None, "00000000"):
                continue
            cells[c.coordinate] = [c.value, c.data_type, c.font.name, c.font.sz,
                                   c.fill.fgColor.rgb if c.fill.fill_type else None,
                                   c.number_format]
    out["data"][ws.title] = {
        "merges": sorted(str(r) for r in ws.merged_cells.ranges),
        "widths": {k: d.width for k, d in ws.column_dimensions.items() if d.customWidth},
        "heights": {str(k): d.height for k, d in ws.row_dimensions.items() if d.height},
        "cells": cells}
z = zipfile.ZipFile(path)
for i, name in enumerate(book.sheetnames, 1):
    rels = "xl/worksheets/_rels/sheet%d.xml.rels" % i
    anchors = []
    if rels in z.namelist():
        for target in re.findall(r'Target="\.\./drawings/([^"]+)"', z.read(rels).decode()):
            drawing = z.read("xl/drawings/" + target).decode()
            for col, row in re.findall(r"<xdr:from><xdr:col>(\d+)</xdr:col><xdr:colOff>-?\d+"
                                       r"</xdr:colOff><xdr:row>(\d+)</xdr:row>", drawing):
                anchors.append([int(row), int(col)])
    out["images"][name] = anchors
out["media"] = len([n for n in z.namelist() if n.startswith("xl/media/")])
print(json.dumps(out, ensure_ascii=False))
