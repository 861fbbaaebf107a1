#!/usr/bin/python3
"""Writes the lists the list tests read, made from table GEO of a database, and the places an
independent lookup gives for their rows.

    make_lists.py DATABASE OUTDIR

OUTDIR/kunden.xlsx, kunden.ods, kunden.csv (Windows-1252, ";"), kunden_utf8.csv (UTF-8 with
byte-order mark, ","), kunden.tsv: the same rows. The spreadsheets hold postal codes as
numbers (so leading zeros are lost), dates as dates, empty rows, a title row above the
header, a second sheet "Filialen" and a hidden third "Archiv". OUTDIR/expected.tsv: per data
row its row number in the spreadsheets, then Staat, PLZ, Ort, longitude and latitude of the
row of GEO it belongs on (or "-" for rows that find none), the date (yyyy-mm-dd or "-"), the
group, the label and the label in kunden.xlsx (where one cell is a formula without a stored
value).
The text files have no title row, so their rows stand one higher.
"""
import csv
import datetime
import os
import sqlite3
import sys

import openpyxl
from odf.opendocument import OpenDocumentSpreadsheet
from odf.style import Style, TableProperties
from odf.table import Table, TableCell, TableRow
from odf.text import P

DB, OUT = sys.argv[1], sys.argv[2]
HEADER = ["Land", "PLZ", "Ort", "Name", "Datum", "Gruppe"]
GROUPS = ["Nord", "Süd", "West"]


def fold(text):
    for a, b in (("ä", "ae"), ("ö", "oe"), ("ü", "ue"), ("Ä", "Ae"), ("Ö", "Oe"),
                 ("Ü", "Ue"), ("ß", "ss")):
        text = text.replace(a, b)
    return " ".join(text.casefold().split())


con = sqlite3.connect(DB)
rows = con.execute(
    "SELECT ID_Geo, Staat, PLZ, Ort, Ortsteil, Langengrad, Breitengrad FROM GEO ORDER BY ID_Geo"
).fetchall()
by_key = {}
lengths = {}
for r in rows:
    by_key.setdefault((r[1].upper(), r[2]), []).append(r)
    lengths.setdefault(r[1].upper(), set()).add(len(r[2]) if r[2].isdigit() else -1)
length = {s: next(iter(v)) for s, v in lengths.items() if len(v) == 1 and -1 not in v}


def lookup(staat, plz, ort):
    """The row a place-file entry (and a list row naming its Ort) belongs on."""
    if staat == "LI":
        staat = "FL"
    if plz.isdigit() and staat in length:
        plz = plz.rjust(length[staat], "0")
    candidates = by_key.get((staat, plz))
    if not candidates:
        return staat, plz, None
    if ort:
        for r in candidates:
            if fold(r[3] or "") == fold(ort) or fold(r[4] or "") == fold(ort):
                return staat, plz, r
    return staat, plz, candidates[0]


# Every 97th row; some named by a place other than the postal code's first.
items = []
for i, r in enumerate(rows[::97]):
    staat = "LI" if r[1] == "FL" else r[1]
    plz = r[2]
    cands = by_key[(r[1].upper(), r[2])]
    ort = ""
    if i % 3 == 0:
        last = cands[-1]
        ort = fold(last[3]).upper() if i % 2 else last[3]
    number = plz.isdigit() and i % 5 != 1
    date = None
    if i % 4 == 0:
        date = datetime.date(2020, 1, 1) + datetime.timedelta(days=i)
    elif i % 4 == 1:
        date = datetime.date(2099, 1, 1) + datetime.timedelta(days=i)
    text_date = "24.12.2015" if i % 4 == 2 else None
    items.append(dict(staat="" if (staat == "DE" and i % 7 == 0) else staat, plz=plz,
                      number=number, ort=ort, name=f"Kunde {i}; \"Ü\"", date=date,
                      text_date=text_date, group=GROUPS[i % 3]))
items.insert(5, dict(staat="DE", plz="99999", number=True, ort="", name="ohne Ort",
                     date=None, text_date=None, group="Nord"))
items.insert(9, dict(staat="XX", plz="12345", number=False, ort="", name="fremd",
                     date=None, text_date=None, group="West"))
items.insert(12, dict(staat="DE", plz="", number=False, ort="Berlin", name="ohne PLZ",
                      date=None, text_date=None, group="West"))


def cells(item):
    plz = int(item["plz"]) if item["number"] else item["plz"]
    date = item["date"] if item["date"] else item["text_date"]
    return [item["staat"], plz, item["ort"], item["name"], date, item["group"]]


# Row numbers in the spreadsheets: a title, the header, then the rows with an empty row
# after every 50th.
layout = []  # (row number, item or None)
line = 3
for n, item in enumerate(items):
    layout.append((line, item))
    line += 1
    if n % 50 == 49:
        layout.append((line, None))
        line += 1

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Kunden"
ws.append(["Kundenliste"])
ws.merge_cells("A1:F1")
ws.append(HEADER)
for number, item in layout:
    ws.append(cells(item) if item else [])
ws.cell(row=layout[3][0], column=4).value = "=1+1"  # a formula without a stored value
second = wb.create_sheet("Filialen")
second.append(["Filiale", "Staat", "Postleitzahl"])
second.append(["Mitte", "DE", 10115])
second.append(["Wien", "AT", 1010])
# A hidden sheet with dates and numbers as typed cells: a row that finds no place, one that
# does.
ARCHIVE = [["PLZ", "Eröffnet", "Umsatz"], [99999, datetime.date(2026, 12, 10), 1.5],
           [1067, datetime.date(2026, 1, 2), 2.25]]
hidden = wb.create_sheet("Archiv")
hidden.sheet_state = "hidden"
for values in ARCHIVE:
    hidden.append(values)
wb.save(os.path.join(OUT, "kunden.xlsx"))

doc = OpenDocumentSpreadsheet()


def ods_row(table, values):
    tr = TableRow()
    for v in values:
        if v is None or v == "":
            tr.addElement(TableCell())
        elif isinstance(v, datetime.date):
            tc = TableCell(valuetype="date", datevalue=v.isoformat())
            tc.addElement(P(text=v.strftime("%d.%m.%Y")))
            tr.addElement(tc)
        elif isinstance(v, (int, float)):
            tc = TableCell(valuetype="float", value=v)
            tc.addElement(P(text=str(v)))
            tr.addElement(tc)
        else:
            tc = TableCell(valuetype="string")
            tc.addElement(P(text=v))
            tr.addElement(tc)
    table.addElement(tr)


t = Table(name="Kunden")
ods_row(t, ["Kundenliste"])
ods_row(t, HEADER)
for number, item in layout:
    ods_row(t, cells(item) if item else [])
doc.spreadsheet.addElement(t)
t2 = Table(name="Filialen")
ods_row(t2, ["Filiale", "Staat", "Postleitzahl"])
ods_row(t2, ["Mitte", "DE", 10115])
doc.spreadsheet.addElement(t2)
hidden_style = Style(name="versteckt", family="table")
hidden_style.addElement(TableProperties(display="false"))
doc.automaticstyles.addElement(hidden_style)
t3 = Table(name="Archiv", stylename=hidden_style)
for values in ARCHIVE:
    ods_row(t3, values)
doc.spreadsheet.addElement(t3)
doc.save(os.path.join(OUT, "kunden.ods"))


def text_cells(item):
    c = cells(item)
    c[1] = str(c[1])
    if isinstance(c[4], datetime.date):
        c[4] = c[4].strftime("%d.%m.%Y") if item["number"] else c[4].isoformat()
    return ["" if v is None else v for v in c]


# Text files: the header first, no title row.
for name, encoding, delimiter in (("kunden.csv", "cp1252", ";"),
                                  ("kunden_utf8.csv", "utf-8-sig", ","),
                                  ("kunden.tsv", "utf-8", "\t")):
    with open(os.path.join(OUT, name), "w", newline="", encoding=encoding) as f:
        w = csv.writer(f, delimiter=delimiter, lineterminator="\r\n")
        w.writerow(HEADER)
        for number, item in layout:
            # An empty row as spreadsheet programs export it: separators only.
            w.writerow(text_cells(item) if item else [""] * len(HEADER))

with open(os.path.join(OUT, "expected.tsv"), "w", encoding="utf-8") as f:
    for number, item in layout:
        if not item:
            continue
        staat = item["staat"] or "DE"
        plz = item["plz"]
        if not plz:
            f.write(f"{number}\t-\t-\t-\t-\t-\t-\t-\t-\t-\n")
            continue
        staat, plz, r = lookup(staat, plz, item["ort"])
        date = item["date"] or (datetime.date(2015, 12, 24) if item["text_date"] else None)
        label_xlsx = "0" if number == layout[3][0] else item["name"]
        if r is None:
            f.write(f"{number}\t{staat}\t{plz}\t-\t-\t-\t-\t-\t-\t-\n")
        else:
            f.write(f"{number}\t{staat}\t{plz}\t{r[3]}\t{r[5]}\t{r[6]}\t"
                    f"{date.isoformat() if date else '-'}\t{item['group']}\t{item['name']}\t"
                    f"{label_xlsx}\n")
