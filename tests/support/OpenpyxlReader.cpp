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
                    "align": c.alignment.horizontal or "",
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
} // namespace

QJsonObject ReadWithOpenpyxl(const QString& path)
{
    // The Debian interpreter, which has python3-openpyxl, before any other python3 on the path.
    const QString interpreter =
        QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
    QProcess python;
    python.start(interpreter, {QStringLiteral("-c"), QString::fromUtf8(kScript), path});
    if (!python.waitForFinished(120000))
        return {{QStringLiteral("error"), QStringLiteral("python3 did not finish")}};
    const QJsonDocument doc = QJsonDocument::fromJson(python.readAllStandardOutput());
    if (!doc.isObject())
        return {{QStringLiteral("error"), QString::fromLocal8Bit(python.readAllStandardError())}};
    return doc.object();
}
