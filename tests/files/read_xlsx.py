#!/usr/bin/python3
# Reads a workbook with openpyxl and prints what the tests compare, one item a line:
#   title <hex of the sheet title>
#   cell <row> <col> n <float repr>    |    cell <row> <col> s <hex of the UTF-8 text>
#   width <column letter> <width>      |    height <row> <height>     |    hidden col|row <key>
#   default-height <height>
import re, sys, zipfile
import openpyxl

import xml.etree.ElementTree as ET

NS = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"

def unescape(v):
    # Office's escape "_xHHHH_" (for characters XML cannot hold, and "_x005F_" for "_"), read in
    # one pass as office programs read it; openpyxl only drops "x005F_".
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), v)

def shared_texts(path):
    # The text of every shared-string cell, by its reference ("B3"), from the raw XML.
    z = zipfile.ZipFile(path)
    strings = ["".join(t.text or "" for t in si.iter(NS + "t"))
               for si in ET.fromstring(z.read("xl/sharedStrings.xml")).iter(NS + "si")]
    sheet = ET.fromstring(z.read("xl/worksheets/sheet1.xml"))
    return {c.get("r"): unescape(strings[int(c.find(NS + "v").text)])
            for c in sheet.iter(NS + "c") if c.get("t") == "s"}

path = sys.argv[1]
if zipfile.ZipFile(path).testzip() is not None:
    sys.exit("bad zip member")
wb = openpyxl.load_workbook(path)
ws = wb.worksheets[0]
texts = shared_texts(path) if "xl/sharedStrings.xml" in zipfile.ZipFile(path).namelist() else {}
print("sheets", len(wb.worksheets))
print("title", ws.title.encode().hex())
for row in ws.iter_rows():
    for c in row:
        if c.value is None:
            continue
        if c.data_type == "n":
            print("cell", c.row, c.column, "n", repr(float(c.value)))
        elif c.data_type == "s":
            print("cell", c.row, c.column, "s", texts[c.coordinate].encode().hex())
        else:
            print("cell", c.row, c.column, c.data_type, "?")
for key, d in ws.column_dimensions.items():
    if d.customWidth:
        print("width", key, repr(d.width))
    if d.hidden:
        print("hidden col", key)
for key, d in ws.row_dimensions.items():
    if d.ht is not None:
        print("height", key, repr(d.ht))
    if d.hidden:
        print("hidden row", key)
print("default-height", repr(ws.sheet_format.defaultRowHeight))
