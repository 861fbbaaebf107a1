#!/usr/bin/env python3
"""kelvo-cli export read back with independent readers (csv, json, xml.etree, the program's
own place-file reader through kelvo-cli places) and compared with the database as sqlite3
reads it.

    test_export_readback.py KELVO_CLI [GEONAMES_DIR]
"""
import csv
import json
import os
import re
import sqlite3
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

CLI = sys.argv[1] if len(sys.argv) > 1 else "kelvo-cli"
SHARED = sys.argv[2] if len(sys.argv) > 2 else ""
KML = "{http://www.opengis.net/kml/2.2}"


def cases_dir():
    """tests/cases, from any folder below tests/."""
    folder = os.path.dirname(os.path.abspath(__file__))
    while not os.path.isdir(os.path.join(folder, "cases")) and os.path.dirname(folder) != folder:
        folder = os.path.dirname(folder)
    return os.path.join(folder, "cases")


def read_cases(name):
    """The rows of tests/cases/NAME: tab-separated, a header line, "# " comments; in the fields
    \\n, \\r, \\t and \\\\ stand for a line feed, a carriage return, a tab and a backslash."""
    escapes = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}

    def unescape(field):
        out, i = [], 0
        while i < len(field):
            if field[i] == "\\" and i + 1 < len(field) and field[i + 1] in escapes:
                out.append(escapes[field[i + 1]])
                i += 2
            else:
                out.append(field[i])
                i += 1
        return "".join(out)

    with open(os.path.join(cases_dir(), name), encoding="utf-8", newline="\n") as f:
        lines = [l.rstrip("\n") for l in f if not (l.startswith("# ") or l.rstrip("\n") == "#")]
    return [[unescape(v) for v in l.split("\t")] for l in lines[1:] if l]


# Memos and names that a careless writer breaks: separators, quotes, line breaks of every
# kind, umlauts, blanks at the ends, markup characters. Row n of PLACES gets memo n.
MEMOS = [memo for memo, _why in read_cases("export_memos.tsv")]
PLACES = [
    # Staat, PLZ, Ort, latitude, longitude
    ("DE", "80331", "München", "48.1345", "11.571"),
    ("DE", "01067", "Dresden; Altstadt", "51.05", "13.74"),
    ("AT", "1010", "Wien", "48.2", "16.37"),
    ("CH", "8001", "Zürich", "47.37", "8.54"),
    ("BE", "1420", "Braine-l'Alleud", "50.68", "4.37"),
    ("LI", "9490", "Vaduz", "47.14", "9.52"),
    # West of Greenwich: negative numbers stay numbers; names a spreadsheet would run.
    ("FR", "29200", "Brest", "48.39", "-4.49"),
    ("PT", "1000", "=Lisboa", "38.72", "-9.14"),
    ("ES", "28001", "+Madrid", "40.42", "-3.70"),
    ("IE", "D01", "-", "53.35", "-6.26"),
    ("DE", "20095", "Hamburg", "53.55", "10.0"),
]
NUMBER_COLUMNS = ("Langengrad", "Breitengrad")
PLAIN_NUMBER = re.compile(r"-?[0-9]+(\.[0-9]+)?")


def run(*args):
    done = subprocess.run([CLI, *args], capture_output=True, text=True)
    if done.returncode != 0:
        raise AssertionError(f"kelvo-cli {' '.join(args)}: {done.stderr}")
    return done.stdout


def db_rows(path, where=""):
    con = sqlite3.connect(path)
    con.row_factory = sqlite3.Row
    rows = con.execute(f"SELECT * FROM GEO {where} ORDER BY Staat, PLZ").fetchall()
    con.close()
    return [dict(r) for r in rows]


def text(value):
    return "" if value is None else str(value)


def number(value):
    try:
        return float(value)
    except (TypeError, ValueError):
        return None


class ExportReadBack(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.dir = cls.tmp.name
        cls.db = os.path.join(cls.dir, "Kelvo.mde")
        lines = [f"{s}\t{p}\t{o}\tLand\t\tBezirk\t\tKreis\t\t{lat}\t{lon}\t\n"
                 for s, p, o, lat, lon in PLACES]
        source = os.path.join(cls.dir, "orte.txt")
        with open(source, "w", encoding="utf-8") as f:
            f.writelines(lines)
        run("import", "--db", cls.db, source)
        con = sqlite3.connect(cls.db)
        for key, memo in enumerate(MEMOS, start=1):
            con.execute("UPDATE GEO SET Memo=? WHERE ID_Geo=?", (memo or None, key))
        # A row whose position is no number: exported without a point.
        con.execute("UPDATE GEO SET Langengrad='östlich' WHERE ID_Geo=6")
        con.commit()
        con.close()
        cls.rows = db_rows(cls.db)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def export(self, fmt, *extra, db=None):
        out = os.path.join(self.dir, f"out.{fmt}")
        run("export", "--db", db or self.db, "--format", fmt, *extra, out)
        return out

    @staticmethod
    def spreadsheet_cell(key, value, guard):
        """A stored value as the German spreadsheet CSV writes it."""
        value = text(value)
        if PLAIN_NUMBER.fullmatch(value):
            return value.replace(".", ",") if key in NUMBER_COLUMNS else value
        formula = value[:1] in ("\t", "\r") or value.lstrip(" \n")[:1] in ("=", "+", "-", "@")
        return "'" + value if guard and formula else value

    def check_csv(self, path, rows, guard=True):
        """The CSV for German spreadsheets: ";", decimal commas, formulas guarded."""
        with open(path, "rb") as f:
            self.assertTrue(f.read(3) == b"\xef\xbb\xbf", "byte-order mark")
        with open(path, encoding="utf-8-sig", newline="") as f:
            records = list(csv.reader(f, delimiter=";"))
        self.assertEqual(records[0], list(rows[0].keys()) if rows else records[0])
        self.assertEqual(len(records) - 1, len(rows))
        for record, row in zip(records[1:], rows):
            self.assertEqual(record, [self.spreadsheet_cell(k, v, guard) for k, v in row.items()])
            # Every coordinate reads back as the number stored, read the German way.
            for key in NUMBER_COLUMNS:
                cell = record[list(row).index(key)]
                if number(row[key]) is not None:
                    self.assertNotIn(".", cell)
                    self.assertEqual(float(cell.replace(",", ".")), number(row[key]))

    def check_csv_intl(self, path, rows):
        """The international CSV: ",", decimal points, no byte-order mark, cells as stored."""
        with open(path, "rb") as f:
            self.assertNotEqual(f.read(3), b"\xef\xbb\xbf")
        with open(path, encoding="utf-8", newline="") as f:
            records = list(csv.reader(f))
        self.assertEqual(records[0], list(rows[0].keys()))
        self.assertEqual(len(records) - 1, len(rows))
        for record, row in zip(records[1:], rows):
            self.assertEqual(record, [text(v) for v in row.values()])
            for key in NUMBER_COLUMNS:
                if number(row[key]) is not None:
                    self.assertEqual(float(record[list(row).index(key)]), number(row[key]))

    def check_geojson(self, path, rows):
        with open(path, encoding="utf-8") as f:
            doc = json.load(f)
        self.assertEqual(doc["type"], "FeatureCollection")
        self.assertEqual(len(doc["features"]), len(rows))
        for feature, row in zip(doc["features"], rows):
            self.assertEqual(feature["type"], "Feature")
            expected = {k: (v if k == "ID_Geo" or v is None else str(v)) for k, v in row.items()}
            self.assertEqual(feature["properties"], expected)
            lon, lat = number(row["Langengrad"]), number(row["Breitengrad"])
            if lon is None or lat is None:
                self.assertIsNone(feature["geometry"])
            else:
                self.assertEqual(feature["geometry"],
                                 {"type": "Point", "coordinates": [lon, lat]})

    def check_kml(self, path, rows):
        marks = ET.parse(path).getroot().findall(f"{KML}Document/{KML}Placemark")
        self.assertEqual(len(marks), len(rows))
        for mark, row in zip(marks, rows):
            self.assertEqual(mark.findtext(f"{KML}name") or "", text(row["Ort"]))
            self.assertEqual(mark.findtext(f"{KML}description"), row["Memo"])
            data = {d.get("name"): d.findtext(f"{KML}value")
                    for d in mark.iter(f"{KML}Data")}
            self.assertEqual(data, {k: str(v) for k, v in row.items() if v is not None})
            point = mark.findtext(f"{KML}Point/{KML}coordinates")
            lon, lat = number(row["Langengrad"]), number(row["Breitengrad"])
            if lon is None:
                self.assertIsNone(point)
            else:
                self.assertEqual([float(c) for c in point.split(",")], [lon, lat])

    def check_places(self, path, rows):
        # The program's own reader: one tab-separated line per entry taken.
        listing = run("places", path).splitlines()
        entries = [line.split("\t") for line in listing if line.count("\t") == 10]
        self.assertEqual(len(entries), len(rows))
        for entry, row in zip(entries, rows):
            label = text(row["Ort"]).replace(";", " ").strip()
            self.assertEqual(entry[:2], [row["Staat"], row["PLZ"]])
            self.assertEqual(entry[8], label or "0")
        self.assertIn(f"Orte übernommen: {len(rows)}", listing[-1])

    def test_every_format_reads_back_to_the_rows(self):
        self.check_csv(self.export("csv"), self.rows)
        self.check_csv_intl(self.export("csv-intl"), self.rows)
        self.check_geojson(self.export("geojson"), self.rows)
        self.check_kml(self.export("kml"), self.rows)
        self.check_places(self.export("places"), self.rows)

    def test_formulas_are_guarded_in_the_spreadsheet_csv_only(self):
        guarded = self.export("csv")
        with open(guarded, encoding="utf-8-sig", newline="") as f:
            cells = [c for r in csv.reader(f, delimiter=";") for c in r]
        for memo in ('=HYPERLINK("http://127.0.0.1/";"hier")', "\t+1", " \n@SUMME(A1)",
                     "=Lisboa", "+Madrid", "-"):
            self.assertIn("'" + memo, cells)
            self.assertNotIn(memo, cells)
        self.assertIn("-5", cells)
        self.assertIn("-4,49", cells)
        # Turned off, the texts go out as they are (the numbers still with commas).
        self.check_csv(self.export("csv", "--keep-formulas"), self.rows, guard=False)

    def test_search_exports_only_its_rows(self):
        # "straße" is only in the first memo; the search is the table window's.
        expected = [r for r in self.rows if "Straße" in text(r["Memo"])]
        self.assertEqual(len(expected), 1)
        self.check_csv(self.export("csv", "--search", "straße"), expected)
        self.check_kml(self.export("kml", "--search", "straße"), expected)

    def test_a_failed_export_keeps_the_earlier_file(self):
        out = os.path.join(self.dir, "keep.csv")
        with open(out, "w") as f:
            f.write("vorher")
        done = subprocess.run([CLI, "export", "--db", self.db, "--format", "csv", "--search",
                               "[", out], capture_output=True, text=True)
        self.assertEqual(done.returncode, 1)
        with open(out) as f:
            self.assertEqual(f.read(), "vorher")
        done = subprocess.run([CLI, "export", "--db", self.db, "--format", "xls", out],
                              capture_output=True, text=True)
        self.assertEqual(done.returncode, 2)

    @unittest.skipUnless(SHARED and os.path.isfile(os.path.join(SHARED, "DE.txt")),
                         "shared GeoNames data not present")
    def test_all_shared_rows_read_back(self):
        db = os.path.join(self.dir, "shared.mde")
        run("import", "--db", db, *[os.path.join(SHARED, f"{c}.txt")
                                    for c in ("DE", "AT", "CH", "BE", "LI")])
        rows = db_rows(db)
        self.assertEqual(len(rows), 49568)
        self.check_csv(self.export("csv", db=db), rows)
        self.check_csv_intl(self.export("csv-intl", db=db), rows)
        self.check_geojson(self.export("geojson", db=db), rows)
        self.check_places(self.export("places", db=db), rows)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
