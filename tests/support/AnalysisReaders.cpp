#include "support/AnalysisReaders.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

namespace {
const char* const kPandasScript = R"PY(
import json, math, sys
out = {}
def clean(v):
    if hasattr(v, "item"):
        v = v.item()
    if isinstance(v, float) and math.isnan(v):
        return None
    return v
try:
    import pandas as pd
    path = sys.argv[1]
    with pd.io.stata.StataReader(path) as r:
        raw = r.read(convert_categoricals=False, convert_missing=False)
        out["label"] = r.data_label
        out["version"] = getattr(r, "format_version", getattr(r, "_format_version", 0))
        out["variableLabels"] = r.variable_labels()
        out["valueLabels"] = {name: {str(int(k)): v for k, v in labels.items()}
                              for name, labels in r.value_labels().items()}
        names = list(raw.columns)
        out["labelSets"] = dict(zip(names, getattr(r, "lbllist", getattr(r, "_lbllist", []))))
        out["formats"] = dict(zip(names, getattr(r, "fmtlist", getattr(r, "_fmtlist", []))))
    out["columns"] = [str(c) for c in raw.columns]
    out["dtypes"] = {str(c): str(raw[c].dtype) for c in raw.columns}
    out["rows"] = [[clean(v) for v in row] for row in raw.itertuples(index=False, name=None)]
    labelled = pd.read_stata(path)
    out["labelled"] = {str(c): [clean(v) for v in labelled[c].astype(object)]
                       for c in labelled.columns if str(labelled[c].dtype) == "category"}
except Exception as e:
    out["error"] = "%s: %s" % (type(e).__name__, e)
sys.stdout.write(json.dumps(out, ensure_ascii=False))
)PY";

QString debianPython()
{
    // The Debian interpreter, which has python3-pandas, before any other python3 on the path.
    return QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                 : QStringLiteral("python3");
}

QByteArray run(const QString& program, const QStringList& arguments, QByteArray* errors = nullptr)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(120000))
        return QByteArray();
    if (errors)
        *errors = p.readAllStandardError();
    return p.readAllStandardOutput();
}

// RFC 4180: fields in double quotes may hold commas, line breaks and doubled quotes.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, any = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\n')) {
            row << field;
            rows << row;
            row.clear();
            field.clear();
            any = false;
        } else if (c != QLatin1Char('\r')) {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty() || !row.isEmpty()) {
        row << field;
        rows << row;
    }
    return rows;
}
} // namespace

QJsonObject ReadDtaWithPandas(const QString& path)
{
    QByteArray errors;
    const QByteArray out =
        run(debianPython(), {QStringLiteral("-c"), QString::fromUtf8(kPandasScript), path}, &errors);
    const QJsonDocument doc = QJsonDocument::fromJson(out);
    if (!doc.isObject())
        return {{QStringLiteral("error"), QString::fromLocal8Bit(errors)}};
    return doc.object();
}

QList<QStringList> ReadWithReadstat(const QString& path)
{
    return parseCsv(QString::fromUtf8(run(QStringLiteral("readstat"), {path, QStringLiteral("-")})));
}

QMap<QString, QString> ReadstatSummary(const QString& path)
{
    QMap<QString, QString> summary;
    for (const QString& line :
         QString::fromUtf8(run(QStringLiteral("readstat"), {path})).split(QLatin1Char('\n'))) {
        const int colon = line.indexOf(QStringLiteral(": "));
        if (colon > 0)
            summary.insert(line.left(colon), line.mid(colon + 2));
    }
    return summary;
}

QJsonObject ReadstatMetadata(const QString& path)
{
    const QString json = path + QStringLiteral(".metadata.json");
    QFile::remove(json);
    QByteArray errors;
    run(QStringLiteral("extract_metadata"), {path, json}, &errors);
    QFile file(json);
    if (!file.open(QIODevice::ReadOnly))
        return {{QStringLiteral("error"), QString::fromLocal8Bit(errors)}};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    file.close();
    QFile::remove(json);
    if (!doc.isObject())
        return {{QStringLiteral("error"), QStringLiteral("extract_metadata wrote no JSON")}};
    return doc.object();
}
