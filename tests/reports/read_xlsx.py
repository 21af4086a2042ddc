#!/usr/bin/python3
"""Prints what a test checks in a workbook, as JSON: sheets, cells with their types, set-up."""
import datetime
import json
import sys

import openpyxl

# Opened as a stream: openpyxl judges a file name by its extension, and names may have none.
with open(sys.argv[1], "rb") as f:
    wb = openpyxl.load_workbook(f)
ws = wb.worksheets[0]


def cell(v):
    if isinstance(v, datetime.datetime):
        return {"datetime": v.strftime("%Y-%m-%d %H:%M:%S")}
    if isinstance(v, (int, float)) and not isinstance(v, bool):
        return {"number": v}
    return v


# Widths the file sets, per column from A; null where it sets none (the reader's default).
widths = [None] * ws.max_column
for dim in ws.column_dimensions.values():
    if dim.customWidth:
        for i in range(dim.min, min(dim.max, ws.max_column) + 1):
            widths[i - 1] = dim.width

print(json.dumps({
    "sheets": wb.sheetnames,
    "rows": [[cell(c) for c in row] for row in ws.iter_rows(values_only=True)],
    "autofilter": ws.auto_filter.ref,
    "orientation": ws.page_setup.orientation,
    # An absent fitToWidth is 1, the schema's default, which writers leave out.
    "fitToWidth": 1 if ws.page_setup.fitToWidth is None else ws.page_setup.fitToWidth,
    "fitToHeight": ws.page_setup.fitToHeight,
    "fitToPage": ws.sheet_properties.pageSetUpPr.fitToPage if ws.sheet_properties.pageSetUpPr else None,
    "printTitleRows": ws.print_title_rows,
    "freeze": ws.freeze_panes,
    "activeCell": ws.sheet_view.selection[0].activeCell,
    "widths": widths,
}, ensure_ascii=False))
