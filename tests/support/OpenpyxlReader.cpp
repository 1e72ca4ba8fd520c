#include "support/OpenpyxlReader.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

namespace {
const char* const kScript = R"PY(
import json, sys, zipfile
out = {}
try:
    import openpyxl
    path = sys.argv[1]
    wb = openpyxl.load_workbook(path)
    out["template"] = bool(wb.template)
    sheets = []
    for ws in wb.worksheets:
        cells = {}
        for row in ws.iter_rows():
            for c in row:
                if c.value is None and not c.has_style:
                    continue
                value = c.value
                if not isinstance(value, (int, float, str, bool)) and value is not None:
                    value = str(value)
                b = c.border
                cells[c.coordinate] = {
                    "value": value, "type": type(c.value).__name__, "format": c.number_format,
                    "bold": bool(c.font.b), "size": float(c.font.sz or 0),
                    "align": c.alignment.horizontal or "", "indent": int(c.alignment.indent or 0),
                    "border": bool(b.left.style or b.right.style or b.top.style or b.bottom.style)}
        widths = {}
        for key, dim in ws.column_dimensions.items():
            if dim.customWidth or dim.width:
                for col in range(dim.min or 0, (dim.max or 0) + 1):
                    widths[openpyxl.utils.get_column_letter(col)] = dim.width
        sheets.append({"name": ws.title, "cells": cells,
                       "merged": sorted(str(r) for r in ws.merged_cells.ranges),
                       "widths": widths, "printArea": ",".join(ws.print_area) if isinstance(ws.print_area, (list, tuple)) else (ws.print_area or ""),
                       "fitToWidth": ws.page_setup.fitToWidth, "paperSize": ws.page_setup.paperSize,
                       "orientation": ws.page_setup.orientation or "",
                       "fitToPage": bool(ws.sheet_properties.pageSetUpPr and ws.sheet_properties.pageSetUpPr.fitToPage)})
    out["sheets"] = sheets
    out["active"] = wb.index(wb.active) + 1
    out["selected"] = [i + 1 for i, ws in enumerate(wb.worksheets) if ws.sheet_view.tabSelected]
    with zipfile.ZipFile(path) as z:
        out["parts"] = z.namelist()
        out["contentTypes"] = z.read("[Content_Types].xml").decode("utf-8")
except Exception as e:
    out["error"] = "%s: %s" % (type(e).__name__, e)
sys.stdout.write(json.dumps(out, ensure_ascii=False, default=str))
)PY";

const char* const kColumnScript = R"PY(
import sys
try:
    import openpyxl
    wb = openpyxl.load_workbook(sys.argv[1], read_only=True)
    ws = wb.worksheets[0]
    column, first = int(sys.argv[2]), int(sys.argv[3])
    out = []
    for (value,) in ws.iter_rows(min_row=first, min_col=column, max_col=column, values_only=True):
        if value is None:
            out.append("")
        elif isinstance(value, float) and value.is_integer():
            out.append(str(int(value)))
        else:
            out.append(str(value))
    sys.stdout.write("\n".join(out))
except Exception as e:
    sys.stdout.write("error: %s: %s" % (type(e).__name__, e))
)PY";

// The Debian interpreter, which has python3-openpyxl, before any other python3 on the path.
QString PythonInterpreter()
{
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
}
} // namespace

QStringList ReadColumnWithOpenpyxl(const QString& path, int column, int fromRow)
{
    QProcess python;
    python.start(PythonInterpreter(), {QStringLiteral("-c"), QString::fromUtf8(kColumnScript), path, QString::number(column),
                                       QString::number(fromRow)});
    if (!python.waitForFinished(120000))
        return {QStringLiteral("error: python3 did not finish")};
    const QString out = QString::fromUtf8(python.readAllStandardOutput());
    if (out.isEmpty())
        return {};
    return out.split(QLatin1Char('\n'));
}

QJsonObject ReadWithOpenpyxl(const QString& path)
{
    const QString interpreter = PythonInterpreter();
    QProcess python;
    python.start(interpreter, {QStringLiteral("-c"), QString::fromUtf8(kScript), path});
    if (!python.waitForFinished(120000))
        return {{QStringLiteral("error"), QStringLiteral("python3 did not finish")}};
    const QJsonDocument doc = QJsonDocument::fromJson(python.readAllStandardOutput());
    if (!doc.isObject())
        return {{QStringLiteral("error"), QString::fromLocal8Bit(python.readAllStandardError())}};
    return doc.object();
}
