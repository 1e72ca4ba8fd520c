#!/usr/bin/env python3
"""Makes the first seeds of the fuzz corpora from the delivered data of a build.

Usage: python3 tests/fuzz/make_seeds.py build/bin tests/fuzz/corpus
Later inputs (faults found, merged runs) are added to the corpus folders by hand or by
libFuzzer's -merge=1; this script only gives each target a start of valid and hostile files.
"""
import os
import shutil
import sqlite3
import sys
import tempfile
import zipfile

bin_dir, out = sys.argv[1], sys.argv[2]
work = tempfile.mkdtemp()


def put(target, name, data):
    os.makedirs(os.path.join(out, target), exist_ok=True)
    with open(os.path.join(out, target, name), "wb") as f:
        f.write(data)


def scramble(data):
    head = bytes((((b + 0x2B) & 0xFF) ^ 0x5C) for b in data[:1024])
    return head + data[1024:]


def database(script, base=None, rows=0):
    path = os.path.join(work, "db%d" % len(os.listdir(work)))
    if base:
        shutil.copy(base, path)
    db = sqlite3.connect(path)
    if rows:
        columns = [r[1] for r in db.execute("pragma table_info(dt_data)")]
        for i in range(rows):
            values = []
            for c in columns:
                if c == "c901":
                    values.append(110101000001 + i)
                elif c in ("c902", "c905", "c906"):
                    values.append("某区工会%d" % i)
                elif c == "c903":
                    values.append(110101)
                else:
                    values.append(i * 3 + 1)
            db.execute("insert into dt_data (%s) values (%s)" % (",".join(columns), ",".join("?" * len(columns))), values)
        db.execute("delete from ct_label")
        db.execute("insert into ct_label values ('某市总工会')")
        db.commit()
    db.executescript(script)
    db.commit()
    db.close()
    with open(path, "rb") as f:
        return f.read()


# Received packages and database files.
template = os.path.join(bin_dir, "view.dll")
good = database("", template, rows=3)
put("received_file", "package.dat", scramble(good))
put("received_file", "plain.mdb", good)
put("received_file", "empty-package.dat", scramble(database("delete from ct_label; insert into ct_label values ('空');", template)))
put("received_file", "cut-inside-last-page.dat", scramble(good[:-193]))
put("received_file", "cut-by-a-page.dat", scramble(good[:-4096]))
put("received_file", "replaced-header.dat", b"f" + good[1:])
put("received_file", "view-for-table.dat", scramble(database(
    "alter table dt_data rename to t; create view dt_data as select * from t;", template, rows=2)))
put("received_file", "check-constraint.dat", scramble(database(
    "create table x(a check (a > 0)); drop table ct_label; create table ct_label (db_name TEXT check (length(db_name) < 3));",
    template, rows=1)))
put("received_file", "code-twice.dat", scramble(database("update dt_data set c901 = 120101000001;", template, rows=2)))
put("received_file", "extra-column.dat", scramble(database("alter table dt_data add column z999 numeric;", template, rows=1)))
put("received_file", "wal.dat", scramble(database("pragma journal_mode=wal;", template, rows=1)))
put("received_file", "no-label.dat", scramble(database("drop table ct_label;", template, rows=1)))

# Grouping exchange files.
groups = """
CREATE TABLE ct_group (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name TEXT, orderstr TEXT, GroupList TEXT,
  AutoLowest NUMERIC, AutoHighest NUMERIC);
CREATE TABLE DT_GroupItem (id INTEGER PRIMARY KEY AUTOINCREMENT, GroupID INTEGER NOT NULL, Title TEXT,
  LowBoundary NUMERIC, HighBoundary NUMERIC, LowSymbol TEXT, HighSymbol TEXT);
INSERT INTO ct_group VALUES (1, '按会员人数', 'z010', 'z010', 0, 1000);
INSERT INTO DT_GroupItem VALUES (1, 1, '100人以下', 0, 100, '>=', '<');
INSERT INTO DT_GroupItem VALUES (2, 1, '100人以上', 100, 1000, '>=', '<=');
"""
grouping = database(groups)
put("grouping_file", "grouping.mdb", grouping)
put("grouping_file", "cut.mdb", grouping[:-100])
put("grouping_file", "one-table.mdb", database(groups + "DROP TABLE DT_GroupItem;"))
put("grouping_file", "view.mdb", database(groups + "ALTER TABLE DT_GroupItem RENAME TO t; CREATE VIEW DT_GroupItem AS SELECT * FROM t;"))
put("grouping_file", "check.mdb", database(groups.replace("Title TEXT", "Title TEXT CHECK (length(Title) > 0)")))
put("grouping_file", "orphan-items.mdb", database(groups + "UPDATE DT_GroupItem SET GroupID = 7;"))

# Notes files.
for name in ("TableNotesZUL-00.rtf", "TableNotesZUL-05.rtf"):
    with open(os.path.join(bin_dir, "notes", name), "rb") as f:
        put("notes_rtf", name, f.read())
put("notes_rtf", "groups.rtf", b"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\b bold}\\par {\\i\\'b9\\'a4\\'bb\\'e1}\\line \\u21488? end}")
put("notes_rtf", "unbalanced.rtf", b"{\\rtf1 {{{\\b x}\\'zz\\'4\\u-3\\*\\destination{ text")
put("notes_rtf", "not-rtf.txt", "说明".encode("gbk"))

# Workbook templates.
for name in ("2011打印表.xltx",):
    with open(os.path.join(bin_dir, name), "rb") as f:
        book = f.read()
    put("workbook", "print.xltx", book)
    put("workbook", "print-cut.xltx", book[: len(book) // 2])
tiny = os.path.join(work, "tiny.xlsx")
with zipfile.ZipFile(tiny, "w") as z:
    z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
               '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
               '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
               '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/></Types>')
    z.writestr("_rels/.rels", '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>')
    z.writestr("xl/workbook.xml", '<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
               'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="表1" sheetId="1" r:id="rId1"/></sheets>'
               '<definedNames><definedName name="_xlnm.Print_Area" localSheetId="0">\'表1\'!$A$1:$D$12</definedName></definedNames></workbook>')
    z.writestr("xl/_rels/workbook.xml.rels", '<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
               '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>')
    z.writestr("xl/worksheets/sheet1.xml", '<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
               '<sheetData><row r="2"><c r="A2" t="inlineStr"><is><t>单位</t></is></c></row><row r="9"><c r="A9"><v>1</v></c><c r="B9"><v>2.5</v></c></row></sheetData>'
               '<mergeCells count="1"><mergeCell ref="A9:B10"/></mergeCells></worksheet>')
with open(tiny, "rb") as f:
    put("workbook", "tiny.xlsx", f.read())
put("workbook", "not-a-zip.xltx", b"PK\x03\x04" + b"\0" * 60)

# Choice files.
for name in ("sumtable.zul", "exporttable.zul"):
    with open(os.path.join(bin_dir, name), "rb") as f:
        put("choice_file", name, f.read())
put("choice_file", "odd-lines.zul", "&1 1 表一 \r\n&0 2 //标题 \r\nplain line\n&\r\n&1\n&1 9 x\r\r\n".encode("gbk") + b"\xff\xfe\x81\r\n")

# Command lines of tallyra-batch: words separated by zero bytes.
for i, words in enumerate([
        ["check", "a.mdb", "--from", "110101000001", "--to=110101000009", "--json"],
        ["summary", "a.mdb", "out.xlsx", "--by", "level", "--sheets", "2-25"],
        ["import", "a.mdb", "p1.dat", "p2.dat", "--yes", "--report", "r.txt"],
        ["export", "a.mdb", "--label", "某市", "--", "-out.dat"],
        ["inspect", "-h"],
        ["csv", "a.mdb"],
        ["stats", "a.mdb", "o.sav", "--wait", "--unknown"]]):
    put("batch_args", "args%d" % i, "\0".join(words).encode("utf-8"))
shutil.rmtree(work)
