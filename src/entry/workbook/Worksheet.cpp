#include "entry/workbook/CellAddress.h"
#include "entry/workbook/CellText.h"
#include "entry/workbook/WorkbookParts.h"

#include "base/ValueText.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {
int cellColumn(const pugi::xml_node& c)
{
    int r, col;
    return ParseCellAddress(Attr(c, "r"), &r, &col) ? col : 0;
}

void shiftRangeList(pugi::xml_node node, const char* attribute, int fromRow)
{
    pugi::xml_attribute a = node.attribute(attribute);
    if (!a)
        return;
    QStringList out;
    for (const QString& item : QString::fromUtf8(a.value()).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        CellRange r;
        if (!ParseCellRange(item, &r)) {
            out << item;
            continue;
        }
        if (r.top >= fromRow) {
            ++r.top;
            ++r.bottom;
        } else if (r.bottom >= fromRow) {
            ++r.bottom; // a range across the new row grows
        }
        out << RangeText(r);
    }
    a.set_value(out.join(QLatin1Char(' ')).toUtf8().constData());
}
} // namespace

// ---- sheet state ----

pugi::xml_node SheetState::sheetData() const
{
    pugi::xml_node data = root().child("sheetData");
    if (!data)
        throw WorkbookError(QStringLiteral("“%1”不是普通工作表").arg(name()));
    return data;
}

pugi::xml_node SheetState::sheetEntry() const
{
    size_t index = 0;
    while (index < book->sheets.size() && book->sheets[index].get() != this)
        ++index;
    size_t i = 0;
    for (pugi::xml_node s : book->workbookXml().document_element().child("sheets").children("sheet"))
        if (i++ == index)
            return s;
    return {};
}

QString SheetState::name() const
{
    return Attr(sheetEntry(), "name");
}

void SheetState::touch()
{
    book->touch(partName);
}

pugi::xml_node SheetState::row(int r, bool create)
{
    pugi::xml_node data = sheetData();
    // Rows are written in order; the search starts at the end, where new rows usually go.
    for (pugi::xml_node row = data.last_child(); row; row = row.previous_sibling()) {
        const int rr = row.attribute("r").as_int();
        if (rr == r)
            return row;
        if (rr < r) {
            if (!create)
                return {};
            pugi::xml_node added = data.insert_child_after("row", row);
            SetAttr(added, "r", QString::number(r));
            return added;
        }
    }
    if (!create)
        return {};
    pugi::xml_node added = data.prepend_child("row");
    SetAttr(added, "r", QString::number(r));
    return added;
}

pugi::xml_node SheetState::findCell(int r, int c) const
{
    pugi::xml_node row = const_cast<SheetState*>(this)->row(r, false);
    for (pugi::xml_node cell : row.children("c"))
        if (cellColumn(cell) == c)
            return cell;
    return {};
}

pugi::xml_node SheetState::cell(int r, int c, bool create)
{
    pugi::xml_node row = this->row(r, create);
    if (!row)
        return {};
    pugi::xml_node after;
    for (pugi::xml_node cell : row.children("c")) {
        const int cc = cellColumn(cell);
        if (cc == c)
            return cell;
        if (cc > c)
            break;
        after = cell;
    }
    if (!create)
        return {};
    pugi::xml_node added = after ? row.insert_child_after("c", after) : row.prepend_child("c");
    SetAttr(added, "r", CellAddress(r, c));
    // A new cell takes the format of its row or, failing that, of its column.
    int style = row.attribute("customFormat").as_bool() ? row.attribute("s").as_int() : columnStyle(c);
    if (style > 0)
        SetAttr(added, "s", QString::number(style));
    return added;
}

int SheetState::columnStyle(int c) const
{
    for (pugi::xml_node col : root().child("cols").children("col"))
        if (col.attribute("min").as_int() <= c && c <= col.attribute("max").as_int())
            return col.attribute("style").as_int();
    return 0;
}

pugi::xml_node SheetState::columnElement(int c, bool create)
{
    pugi::xml_node cols = root().child("cols");
    for (pugi::xml_node col : cols.children("col")) {
        const int min = col.attribute("min").as_int(), max = col.attribute("max").as_int();
        if (c < min || c > max)
            continue;
        if (min == max || !create)
            return col;
        // Split a column range so this column can differ from its neighbours.
        if (min < c) {
            pugi::xml_node before = cols.insert_copy_before(col, col);
            SetAttr(before, "max", QString::number(c - 1));
        }
        if (c < max) {
            pugi::xml_node after = cols.insert_copy_after(col, col);
            SetAttr(after, "min", QString::number(c + 1));
        }
        SetAttr(col, "min", QString::number(c));
        SetAttr(col, "max", QString::number(c));
        return col;
    }
    if (!create)
        return {};
    if (!cols)
        cols = root().insert_child_before("cols", sheetData());
    pugi::xml_node next;
    for (pugi::xml_node col : cols.children("col"))
        if (col.attribute("min").as_int() > c) {
            next = col;
            break;
        }
    pugi::xml_node col = next ? cols.insert_child_before("col", next) : cols.append_child("col");
    SetAttr(col, "min", QString::number(c));
    SetAttr(col, "max", QString::number(c));
    SetAttr(col, "width", QStringLiteral("9"));
    return col;
}

void UpdateDimension(SheetState& s)
{
    int top = 0, left = 0, bottom = 0, right = 0;
    for (pugi::xml_node row : s.sheetData().children("row"))
        for (pugi::xml_node c : row.children("c")) {
            int r, col;
            if (!ParseCellAddress(Attr(c, "r"), &r, &col))
                continue;
            top = top ? std::min(top, r) : r;
            left = left ? std::min(left, col) : col;
            bottom = std::max(bottom, r);
            right = std::max(right, col);
        }
    const QString ref = top ? RangeText({top, left, bottom, right}) : QStringLiteral("A1");
    pugi::xml_node root = s.root();
    pugi::xml_node dimension = root.child("dimension");
    if (!dimension) {
        pugi::xml_node sheetPr = root.child("sheetPr");
        dimension = sheetPr ? root.insert_child_after("dimension", sheetPr) : root.prepend_child("dimension");
    }
    SetAttr(dimension, "ref", ref);
}

namespace {
// The cell format `xf` changed by `change`, as an index into the style sheet's formats.
int restyle(WorkbookParts& book, int xf, const std::function<void(pugi::xml_node)>& change)
{
    pugi::xml_document scratch;
    pugi::xml_node copy = scratch.append_copy(book.cellXf(xf));
    change(copy);
    return book.addXf(copy);
}
} // namespace

// ---- worksheet operations ----

QString Worksheet::name() const
{
    return m_state->name();
}

void Worksheet::setCell(int row, int column, const QString& typed)
{
    if (row < 1 || column < 1 || row > 1048576 || column > 16384)
        throw WorkbookError(QStringLiteral("单元格位置无效：行%1，列%2").arg(row).arg(column));
    pugi::xml_node c = m_state->cell(row, column, true);
    c.remove_attribute("t");
    while (pugi::xml_node child = c.first_child())
        c.remove_child(child);
    m_state->touch();
    // A cell formatted as text ("@") keeps what is typed into it as text, digits included.
    WorkbookParts& book = *m_state->book;
    const bool textCell = c.attribute("s")
        && book.numberFormatCode(book.cellXf(c.attribute("s").as_int()).attribute("numFmtId").as_int()) == QLatin1String("@");
    double number;
    if (typed.isEmpty()) {
        if (!c.attribute("s"))
            c.parent().remove_child(c);
    } else if (!textCell && !typed.startsWith(QLatin1Char('\'')) && ParseTypedNumber(typed, &number)) {
        c.append_child("v").text().set(FormatNumberText(number).toUtf8().constData());
    } else {
        const QString text = typed.startsWith(QLatin1Char('\'')) ? typed.mid(1) : typed;
        SetAttr(c, "t", QStringLiteral("inlineStr"));
        pugi::xml_node t = c.append_child("is").append_child("t");
        t.append_attribute("xml:space") = "preserve";
        t.text().set(text.toUtf8().constData());
    }
}

void Worksheet::setRange(const QString& address, const QString& typed)
{
    int row, column;
    if (!ParseCellAddress(address, &row, &column))
        throw WorkbookError(QStringLiteral("单元格地址“%1”无效").arg(address));
    setCell(row, column, typed);
}

QString Worksheet::cellText(int row, int column) const
{
    const pugi::xml_node c = m_state->findCell(row, column);
    if (!c)
        return {};
    const QString type = Attr(c, "t");
    if (type == QStringLiteral("inlineStr")) {
        pugi::xml_node is = c.child("is");
        QString text = XmlText(is.child("t"));
        for (pugi::xml_node r : is.children("r"))
            text += XmlText(r.child("t"));
        return text;
    }
    const QString v = XmlText(c.child("v"));
    if (type == QStringLiteral("s")) {
        const int i = v.toInt();
        return i >= 0 && i < m_state->book->sharedStrings.size() ? m_state->book->sharedStrings[i] : QString();
    }
    if (type == QStringLiteral("b"))
        return v == QStringLiteral("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (type.isEmpty() || type == QStringLiteral("n")) {
        bool ok = false;
        const double d = v.toDouble(&ok);
        return ok ? FormatNumberText(d) : v;
    }
    return v; // formula strings and errors
}

bool Worksheet::cellIsNumber(int row, int column) const
{
    const pugi::xml_node c = m_state->findCell(row, column);
    const QString type = Attr(c, "t");
    return c && c.child("v") && (type.isEmpty() || type == QStringLiteral("n"));
}

int Worksheet::lastRow() const
{
    return m_state->sheetData().last_child().attribute("r").as_int();
}

void Worksheet::insertRow(int row)
{
    if (row < 1 || row >= 1048576)
        throw WorkbookError(QStringLiteral("无法在第%1行插入行").arg(row));
    SheetState& s = *m_state;
    const QString sheetName = s.name();
    pugi::xml_node pushed = s.row(row, false);
    for (pugi::xml_node r : s.sheetData().children("row")) {
        const int rr = r.attribute("r").as_int();
        if (rr < row)
            continue;
        SetAttr(r, "r", QString::number(rr + 1));
        for (pugi::xml_node c : r.children("c"))
            SetAttr(c, "r", CellAddress(rr + 1, cellColumn(c)));
    }
    if (pushed) {
        // The new row looks like the row it pushed down, without its values.
        pugi::xml_node added = s.sheetData().insert_child_before("row", pushed);
        SetAttr(added, "r", QString::number(row));
        for (const char* a : {"s", "customFormat", "ht", "customHeight"})
            if (pushed.attribute(a))
                SetAttr(added, a, Attr(pushed, a));
        for (pugi::xml_node c : pushed.children("c"))
            if (c.attribute("s")) {
                pugi::xml_node blank = added.append_child("c");
                SetAttr(blank, "r", CellAddress(row, cellColumn(c)));
                SetAttr(blank, "s", Attr(c, "s"));
            }
    }
    // The sheet's formulas, including the ranges of shared formulas.
    for (pugi::xml_node r : s.sheetData().children("row"))
        for (pugi::xml_node c : r.children("c"))
            if (pugi::xml_node f = c.child("f")) {
                const QString text = XmlText(f);
                if (!text.isEmpty())
                    f.text().set(ShiftRowReferences(text, row, 1, sheetName, true).toUtf8().constData());
                shiftRangeList(f, "ref", row);
            }
    pugi::xml_node root = s.root();
    shiftRangeList(root.child("dimension"), "ref", row);
    for (pugi::xml_node m : root.child("mergeCells").children("mergeCell"))
        shiftRangeList(m, "ref", row);
    for (pugi::xml_node cf : root.children("conditionalFormatting"))
        shiftRangeList(cf, "sqref", row);
    for (pugi::xml_node dv : root.child("dataValidations").children("dataValidation"))
        shiftRangeList(dv, "sqref", row);
    for (pugi::xml_node h : root.child("hyperlinks").children("hyperlink"))
        shiftRangeList(h, "ref", row);
    for (pugi::xml_node brk : root.child("rowBreaks").children("brk"))
        if (brk.attribute("id").as_int() >= row)
            brk.attribute("id").set_value(brk.attribute("id").as_int() + 1);
    s.touch();
    // Print areas and titles of this sheet.
    bool namesChanged = false;
    for (pugi::xml_node n : s.book->workbookXml().document_element().child("definedNames").children("definedName")) {
        const QString text = XmlText(n);
        const QString moved = ShiftRowReferences(text, row, 1, sheetName, false);
        if (moved != text) {
            n.text().set(moved.toUtf8().constData());
            namesChanged = true;
        }
    }
    if (namesChanged)
        s.book->touch(s.book->workbookPart);
}

void Worksheet::setHorizontalAlignment(const QString& range, HorizontalAlignment alignment)
{
    CellRange r;
    if (!ParseCellRange(range, &r))
        throw WorkbookError(QStringLiteral("单元格区域“%1”无效").arg(range));
    static const char* const names[] = {"general", "left", "center", "right"};
    const char* value = names[int(alignment)];
    QHash<int, int> done; // old format -> new format, within this call
    for (int row = r.top; row <= r.bottom; ++row)
        for (int col = r.left; col <= r.right; ++col) {
            pugi::xml_node c = m_state->cell(row, col, true);
            const int old = c.attribute("s").as_int();
            if (!done.contains(old))
                done.insert(old, restyle(*m_state->book, old, [value](pugi::xml_node xf) {
                                pugi::xml_node a = xf.child("alignment");
                                if (!a)
                                    a = xf.prepend_child("alignment");
                                SetAttr(a, "horizontal", QString::fromLatin1(value));
                                SetAttr(xf, "applyAlignment", QStringLiteral("1"));
                            }));
            SetAttr(c, "s", QString::number(done.value(old)));
        }
    m_state->touch();
}

void Worksheet::setFont(int row, int column, bool bold, double size)
{
    pugi::xml_node c = m_state->cell(row, column, true);
    WorkbookParts& book = *m_state->book;
    const int old = c.attribute("s").as_int();
    pugi::xml_document scratch;
    pugi::xml_node font = scratch.append_copy(book.font(book.cellXf(old).attribute("fontId").as_int()));
    font.remove_child("b");
    if (bold)
        font.prepend_child("b");
    if (size > 0) {
        pugi::xml_node sz = font.child("sz");
        if (!sz) {
            pugi::xml_node next;
            for (const char* after : {"color", "name", "family", "charset", "scheme"})
                if ((next = font.child(after)))
                    break;
            sz = next ? font.insert_child_before("sz", next) : font.append_child("sz");
        }
        SetAttr(sz, "val", FormatNumberText(size));
    }
    const int fontId = book.addFont(font);
    SetAttr(c, "s", QString::number(restyle(book, old, [fontId](pugi::xml_node xf) {
                SetAttr(xf, "fontId", QString::number(fontId));
                SetAttr(xf, "applyFont", QStringLiteral("1"));
            })));
    m_state->touch();
}

bool Worksheet::cellIsBold(int row, int column) const
{
    WorkbookParts& book = *m_state->book;
    const pugi::xml_node c = m_state->findCell(row, column);
    pugi::xml_node b = book.font(book.cellXf(c.attribute("s").as_int()).attribute("fontId").as_int()).child("b");
    return b && Attr(b, "val") != QStringLiteral("0") && Attr(b, "val") != QStringLiteral("false");
}

double Worksheet::cellFontSize(int row, int column) const
{
    WorkbookParts& book = *m_state->book;
    const pugi::xml_node c = m_state->findCell(row, column);
    const double size =
        book.font(book.cellXf(c.attribute("s").as_int()).attribute("fontId").as_int()).child("sz").attribute("val").as_double();
    return size > 0 ? size : 11;
}

void Worksheet::setColumnNumberFormat(int column, const QString& format)
{
    WorkbookParts& book = *m_state->book;
    const int id = book.numberFormatId(format);
    auto withFormat = [id](pugi::xml_node xf) {
        SetAttr(xf, "numFmtId", QString::number(id));
        SetAttr(xf, "applyNumberFormat", QStringLiteral("1"));
    };
    pugi::xml_node col = m_state->columnElement(column, true);
    SetAttr(col, "style", QString::number(restyle(book, col.attribute("style").as_int(), withFormat)));
    QHash<int, int> done;
    for (pugi::xml_node r : m_state->sheetData().children("row"))
        for (pugi::xml_node c : r.children("c")) {
            if (cellColumn(c) != column)
                continue;
            const int old = c.attribute("s").as_int();
            if (!done.contains(old))
                done.insert(old, restyle(book, old, withFormat));
            SetAttr(c, "s", QString::number(done.value(old)));
        }
    m_state->touch();
}

QString Worksheet::cellNumberFormat(int row, int column) const
{
    WorkbookParts& book = *m_state->book;
    const pugi::xml_node c = m_state->findCell(row, column);
    const int style = c ? c.attribute("s").as_int() : m_state->columnStyle(column);
    return book.numberFormatCode(book.cellXf(style).attribute("numFmtId").as_int());
}

void Worksheet::autoFitColumn(int column)
{
    // Cells merged across columns do not count, as in the spreadsheet applications.
    QVector<CellRange> merged;
    for (pugi::xml_node m : m_state->root().child("mergeCells").children("mergeCell")) {
        CellRange r;
        if (ParseCellRange(Attr(m, "ref"), &r) && r.left <= column && column <= r.right && r.left != r.right)
            merged << r;
    }
    double widest = 0;
    for (pugi::xml_node r : m_state->sheetData().children("row")) {
        const int row = r.attribute("r").as_int();
        bool skip = false;
        for (const CellRange& m : merged)
            skip = skip || (m.top <= row && row <= m.bottom);
        if (skip)
            continue;
        const QString text = cellText(row, column);
        if (text.isEmpty())
            continue;
        widest = std::max(widest, DisplayUnits(text) * cellFontSize(row, column) / 11.0);
    }
    if (widest <= 0)
        return;
    pugi::xml_node col = m_state->columnElement(column, true);
    SetAttr(col, "width", FormatNumberText(std::min(255.0, std::ceil((widest + 1.0) * 100) / 100)));
    SetAttr(col, "customWidth", QStringLiteral("1"));
    SetAttr(col, "bestFit", QStringLiteral("1"));
    m_state->touch();
}

double Worksheet::columnWidth(int column) const
{
    return m_state->columnElement(column, false).attribute("width").as_double();
}
