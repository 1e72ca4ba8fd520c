#include "entry/workbook/CellAddress.h"

#include <QRegularExpression>

namespace {
constexpr int kMaxRow = 1048576;
constexpr int kMaxColumn = 16384;

int ColumnNumber(const QString& letters)
{
    int n = 0;
    for (QChar c : letters) {
        n = n * 26 + (c.toUpper().unicode() - 'A' + 1);
        if (n > kMaxColumn)
            return 0;
    }
    return n;
}

QString unquoteSheet(QString qualifier)
{
    qualifier.chop(1); // the "!"
    if (qualifier.startsWith(QLatin1Char('\'')) && qualifier.endsWith(QLatin1Char('\'')) && qualifier.size() >= 2)
        qualifier = qualifier.mid(1, qualifier.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
    return qualifier;
}
} // namespace

QString ColumnLetters(int column)
{
    QString letters;
    while (column > 0) {
        const int rest = (column - 1) % 26;
        letters.prepend(QChar('A' + rest));
        column = (column - 1) / 26;
    }
    return letters;
}

QString CellAddress(int row, int column)
{
    return ColumnLetters(column) + QString::number(row);
}

bool ParseCellAddress(const QString& text, int* row, int* column)
{
    static const QRegularExpression re(QStringLiteral("^\\$?([A-Za-z]{1,3})\\$?([0-9]{1,7})$"));
    const QRegularExpressionMatch m = re.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    const int c = ColumnNumber(m.captured(1));
    const int r = m.captured(2).toInt();
    if (c < 1 || c > kMaxColumn || r < 1 || r > kMaxRow)
        return false;
    *row = r;
    *column = c;
    return true;
}

bool ParseCellRange(const QString& text, CellRange* range)
{
    const QStringList corners = text.trimmed().split(QLatin1Char(':'));
    if (corners.size() < 1 || corners.size() > 2)
        return false;
    int r1, c1, r2, c2;
    if (!ParseCellAddress(corners[0], &r1, &c1))
        return false;
    if (corners.size() == 1) {
        r2 = r1;
        c2 = c1;
    } else if (!ParseCellAddress(corners[1], &r2, &c2)) {
        return false;
    }
    range->top = std::min(r1, r2);
    range->bottom = std::max(r1, r2);
    range->left = std::min(c1, c2);
    range->right = std::max(c1, c2);
    return true;
}

QString RangeText(const CellRange& range)
{
    const QString first = CellAddress(range.top, range.left);
    if (range.top == range.bottom && range.left == range.right)
        return first;
    return first + QLatin1Char(':') + CellAddress(range.bottom, range.right);
}

QString QuotedSheetName(const QString& name)
{
    QString quoted = name;
    quoted.replace(QStringLiteral("'"), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString ShiftRowReferences(const QString& text, int fromRow, int by, const QString& sheetName, bool moveUnqualified)
{
    // An optional sheet qualifier, then a cell reference that is not part of a longer name or a
    // function call ("LOG10(" is a function, not column LOG row 10). After a ":" the qualifier
    // of the range's first corner applies.
    static const QRegularExpression re(QStringLiteral(
        "(?<![A-Za-z0-9_.$])((?:'(?:[^']|'')+'|[A-Za-z_\\p{L}][A-Za-z0-9_.\\p{L}]*)!)?"
        "(\\$?)([A-Za-z]{1,3})(\\$?)([0-9]{1,7})(?![A-Za-z0-9_(!])"));
    QString out;
    out.reserve(text.size());
    const QStringList pieces = text.split(QLatin1Char('"'));
    for (int p = 0; p < pieces.size(); ++p) {
        if (p > 0)
            out += QLatin1Char('"');
        const QString& piece = pieces[p];
        if (p % 2 == 1) { // inside a string literal
            out += piece;
            continue;
        }
        int last = 0;
        bool previousMoved = false; // the first corner's decision carries over a ":"
        QRegularExpressionMatchIterator it = re.globalMatch(piece);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            out += piece.mid(last, m.capturedStart() - last);
            last = m.capturedEnd();
            bool move;
            if (m.capturedLength(1) > 0)
                move = unquoteSheet(m.captured(1)).compare(sheetName, Qt::CaseInsensitive) == 0;
            else if (m.capturedStart() > 0 && piece.at(m.capturedStart() - 1) == QLatin1Char(':'))
                move = previousMoved;
            else
                move = moveUnqualified;
            previousMoved = move;
            int row = m.captured(5).toInt();
            if (move && row >= fromRow)
                row += by;
            out += m.captured(1) + m.captured(2) + m.captured(3) + m.captured(4) + QString::number(row);
        }
        out += piece.mid(last);
    }
    return out;
}
