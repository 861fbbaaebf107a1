#!/usr/bin/python3
"""A list of N rows from table GEO for the list benchmark: Staat, PLZ (as numbers, as a
spreadsheet keeps them), Name, Datum (a date), Gruppe.

    make_list.py DATABASE N OUT.xlsx|OUT.csv
"""
import csv
import datetime
import sqlite3
import sys

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
else:
    with open(out, "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, delimiter=";")
        w.writerow(["Land", "PLZ", "Name", "Datum", "Gruppe"])
        for i in range(n):
            r = row(i)
            r[3] = r[3].strftime("%d.%m.%Y")
            w.writerow(r)
