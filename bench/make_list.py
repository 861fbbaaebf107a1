#!/usr/bin/python3
"""A list of N rows from table GEO for the list benchmark: Staat, PLZ (as numbers, as a
spreadsheet keeps them), Name, Datum (a date), Gruppe.

    make_list.py DATABASE N OUT.xlsx|OUT.ods|OUT.csv

The ODS file is written as a stream of its XML (odfpy builds the whole document in memory
first, which takes too long for a million rows).
"""
import csv
import datetime
import sqlite3
import sys
import zipfile
from xml.sax.saxutils import escape

db, n, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
rows = sqlite3.connect(db).execute("SELECT Staat, PLZ FROM GEO ORDER BY ID_Geo").fetchall()
day = datetime.date(2020, 1, 1)


def row(i):
    staat, plz = rows[(i * 7919) % len(rows)]
    return [staat, int(plz) if plz.isdigit() else plz, f"Kunde {i}",
            day + datetime.timedelta(days=i % 2000), ["Nord", "Süd", "West"][i % 3]]


if out.endswith(".xlsx"):
    import openpyxl
    wb = openpyxl.Workbook(write_only=True)
    ws = wb.create_sheet("Kunden")
    ws.append(["Land", "PLZ", "Name", "Datum", "Gruppe"])
    for i in range(n):
        ws.append(row(i))
    wb.save(out)
elif out.endswith(".ods"):
    def cell(v):
        if isinstance(v, int):
            return f'<table:table-cell office:value-type="float" office:value="{v}"/>'
        if isinstance(v, datetime.date):
            return f'<table:table-cell office:value-type="date" office:date-value="{v}"/>'
        return f'<table:table-cell office:value-type="string"><text:p>{escape(v)}</text:p></table:table-cell>'
    ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("META-INF/manifest.xml",
                   '<?xml version="1.0" encoding="UTF-8"?><manifest:manifest xmlns:manifest='
                   '"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                   '<manifest:file-entry manifest:full-path="/" manifest:media-type='
                   '"application/vnd.oasis.opendocument.spreadsheet"/><manifest:file-entry '
                   'manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                   '</manifest:manifest>')
        with z.open("content.xml", "w", force_zip64=True) as f:
            f.write(f'<?xml version="1.0" encoding="UTF-8"?><office:document-content {ns} '
                    'office:version="1.2"><office:body><office:spreadsheet>'
                    '<table:table table:name="Kunden">'.encode())
            header = ["Land", "PLZ", "Name", "Datum", "Gruppe"]
            f.write(("<table:table-row>" + "".join(cell(h) for h in header) +
                     "</table:table-row>").encode())
            for i in range(n):
                f.write(("<table:table-row>" + "".join(cell(v) for v in row(i)) +
                         "</table:table-row>").encode())
            f.write(b"</table:table></office:spreadsheet></office:body></office:document-content>")
else:
    with open(out, "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, delimiter=";")
        w.writerow(["Land", "PLZ", "Name", "Datum", "Gruppe"])
        for i in range(n):
            r = row(i)
            r[3] = r[3].strftime("%d.%m.%Y")
            w.writerow(r)
