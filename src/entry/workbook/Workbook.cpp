#include "entry/workbook/Workbook.h"

#include "entry/workbook/CellAddress.h"
#include "entry/workbook/WorkbookParts.h"
#include "entry/workbook/ZipPackage.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <sstream>

namespace {
const char* const kWorkbookType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
const char* const kTemplateType = "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml";
const char* const kStylesRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";

struct StringWriter : pugi::xml_writer {
    QByteArray bytes;
    void write(const void* data, size_t size) override { bytes.append(static_cast<const char*>(data), qsizetype(size)); }
};

// The relationship id attribute of a <sheet>: "r:id" whatever the prefix.
pugi::xml_attribute relIdAttribute(const pugi::xml_node& sheet)
{
    for (pugi::xml_attribute a : sheet.attributes()) {
        const QString name = QString::fromUtf8(a.name());
        if (name.endsWith(QStringLiteral(":id")))
            return a;
    }
    return {};
}

// Resolves a relationship target against the folder of the part that owns the relationship.
QString resolveTarget(const QString& ownerPart, const QString& target)
{
    if (target.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(target.mid(1));
    const int slash = ownerPart.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : ownerPart.left(slash + 1);
    return QDir::cleanPath(folder + target);
}

QString relationshipTarget(pugi::xml_document& rels, const QString& typeSuffix, QString* id = nullptr)
{
    for (pugi::xml_node r : rels.document_element().children("Relationship")) {
        if (Attr(r, "Type").endsWith(typeSuffix)) {
            if (id)
                *id = Attr(r, "Id");
            return Attr(r, "Target");
        }
    }
    return {};
}

QRegularExpression sheetReference(const QString& name)
{
    // 'name'! or a bare name! (not part of a longer name).
    return QRegularExpression(QStringLiteral("(%1|(?<![\\w.])%2)!")
                                  .arg(QRegularExpression::escape(QuotedSheetName(name)), QRegularExpression::escape(name)),
                              QRegularExpression::CaseInsensitiveOption);
}
} // namespace

// ---- helpers shared by the layer's sources ----

QString XmlText(const pugi::xml_node& node)
{
    return QString::fromUtf8(node.text().get());
}

QString Attr(const pugi::xml_node& node, const char* name)
{
    return QString::fromUtf8(node.attribute(name).value());
}

void SetAttr(pugi::xml_node node, const char* name, const QString& value)
{
    pugi::xml_attribute a = node.attribute(name);
    if (!a)
        a = node.append_attribute(name);
    a.set_value(value.toUtf8().constData());
}

void ParseXml(const QString& partName, const QByteArray& bytes, pugi::xml_document* doc)
{
    const pugi::xml_parse_result result =
        doc->load_buffer(bytes.constData(), size_t(bytes.size()), pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single);
    if (!result || !doc->document_element())
        throw WorkbookError(QStringLiteral("工作簿的部件%1不是有效的XML：%2").arg(partName, QString::fromUtf8(result.description())));
}

QByteArray SaveXml(const pugi::xml_document& doc)
{
    StringWriter writer;
    doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.bytes;
}

HorizontalAlignment AlignmentFromCode(int code)
{
    switch (code) {
    case -4131:
        return HorizontalAlignment::Left;
    case -4108:
        return HorizontalAlignment::Center;
    case -4152:
        return HorizontalAlignment::Right;
    default:
        return HorizontalAlignment::General;
    }
}

// ---- package parts ----

PackagePart* WorkbookParts::part(const QString& name)
{
    for (PackagePart& p : parts)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

pugi::xml_document& WorkbookParts::xml(const QString& name)
{
    PackagePart* p = part(name);
    if (!p)
        throw WorkbookError(QStringLiteral("工作簿缺少部件%1").arg(name));
    if (!p->xml) {
        auto doc = std::make_unique<pugi::xml_document>();
        ParseXml(name, p->raw, doc.get());
        p->xml = std::move(doc);
    }
    return *p->xml;
}

void WorkbookParts::touch(const QString& name)
{
    if (PackagePart* p = part(name))
        p->dirty = true;
}

void WorkbookParts::removePart(const QString& name)
{
    for (auto it = parts.begin(); it != parts.end(); ++it) {
        if (it->name.compare(name, Qt::CaseInsensitive) == 0) {
            parts.erase(it);
            break;
        }
    }
    // Its content-type entry goes with it.
    pugi::xml_node types = contentTypes().document_element();
    for (pugi::xml_node o : types.children("Override")) {
        if (Attr(o, "PartName").compare(QLatin1Char('/') + name, Qt::CaseInsensitive) == 0) {
            types.remove_child(o);
            touch(QStringLiteral("[Content_Types].xml"));
            break;
        }
    }
}

void WorkbookParts::addPart(const QString& name, const QByteArray& bytes)
{
    PackagePart p;
    p.name = name;
    p.raw = bytes;
    parts.push_back(std::move(p));
}

QString WorkbookParts::relsOf(const QString& partName) const
{
    const int slash = partName.lastIndexOf(QLatin1Char('/'));
    return partName.left(slash + 1) + QStringLiteral("_rels/") + partName.mid(slash + 1) + QStringLiteral(".rels");
}

// ---- styles ----

pugi::xml_node WorkbookParts::styleSheet()
{
    if (stylesPart.isEmpty()) {
        // A package without styles gets the minimal style sheet every workbook has.
        stylesPart = QDir::cleanPath(QFileInfo(workbookPart).path() + QStringLiteral("/styles.xml"));
        addPart(stylesPart,
                "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"宋体\"/><family val=\"2\"/><charset val=\"134\"/></font></fonts>"
                "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill></fills>"
                "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
                "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
                "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
                "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
                "</styleSheet>");
        touch(stylesPart);
        const QString relsName = relsOf(workbookPart);
        pugi::xml_node rels = xml(relsName).document_element();
        int n = 1;
        while (rels.find_child_by_attribute("Relationship", "Id", QStringLiteral("rId%1").arg(n).toUtf8().constData()))
            ++n;
        pugi::xml_node rel = rels.append_child("Relationship");
        SetAttr(rel, "Id", QStringLiteral("rId%1").arg(n));
        SetAttr(rel, "Type", QString::fromUtf8(kStylesRelType));
        SetAttr(rel, "Target", stylesPart.mid(stylesPart.lastIndexOf(QLatin1Char('/')) + 1));
        touch(relsName);
        pugi::xml_node o = contentTypes().document_element().append_child("Override");
        SetAttr(o, "PartName", QLatin1Char('/') + stylesPart);
        SetAttr(o, "ContentType", QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"));
        touch(QStringLiteral("[Content_Types].xml"));
    }
    return xml(stylesPart).document_element();
}

namespace {
QByteArray nodeKey(const pugi::xml_node& node)
{
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return QByteArray::fromStdString(out.str());
}

pugi::xml_node listElement(pugi::xml_node sheet, const char* name, const char* before)
{
    pugi::xml_node list = sheet.child(name);
    if (!list) {
        pugi::xml_node next = sheet.child(before);
        list = next ? sheet.insert_child_before(name, next) : sheet.append_child(name);
    }
    return list;
}

void setCount(pugi::xml_node list)
{
    SetAttr(list, "count", QString::number(std::distance(list.children().begin(), list.children().end())));
}
} // namespace

void WorkbookParts::buildStyleCache()
{
    if (styleCacheBuilt)
        return;
    pugi::xml_node s = styleSheet();
    int i = 0;
    for (pugi::xml_node f : s.child("fonts").children("font"))
        fontIndex.insert(nodeKey(f), i++); // first occurrence wins
    i = 0;
    for (pugi::xml_node x : s.child("cellXfs").children("xf")) {
        const QByteArray key = nodeKey(x);
        if (!xfIndex.contains(key))
            xfIndex.insert(key, i);
        ++i;
    }
    styleCacheBuilt = true;
}

pugi::xml_node WorkbookParts::cellXf(int index)
{
    pugi::xml_node list = styleSheet().child("cellXfs");
    int i = 0;
    for (pugi::xml_node x : list.children("xf"))
        if (i++ == index)
            return x;
    return list.first_child(); // an index out of range reads as the default format
}

pugi::xml_node WorkbookParts::font(int index)
{
    pugi::xml_node list = styleSheet().child("fonts");
    int i = 0;
    for (pugi::xml_node f : list.children("font"))
        if (i++ == index)
            return f;
    return list.first_child();
}

int WorkbookParts::addFont(const pugi::xml_node& font)
{
    buildStyleCache();
    const QByteArray key = nodeKey(font);
    if (auto it = fontIndex.constFind(key); it != fontIndex.constEnd())
        return *it;
    pugi::xml_node list = listElement(styleSheet(), "fonts", "fills");
    list.append_copy(font);
    setCount(list);
    touch(stylesPart);
    const int index = int(std::distance(list.children("font").begin(), list.children("font").end())) - 1;
    fontIndex.insert(key, index);
    return index;
}

int WorkbookParts::addXf(const pugi::xml_node& xf)
{
    buildStyleCache();
    const QByteArray key = nodeKey(xf);
    if (auto it = xfIndex.constFind(key); it != xfIndex.constEnd())
        return *it;
    pugi::xml_node list = listElement(styleSheet(), "cellXfs", "cellStyles");
    list.append_copy(xf);
    setCount(list);
    touch(stylesPart);
    const int index = int(std::distance(list.children("xf").begin(), list.children("xf").end())) - 1;
    xfIndex.insert(key, index);
    return index;
}

namespace {
const QList<QPair<int, QString>>& builtinFormats()
{
    static const QList<QPair<int, QString>> formats = {
        {0, QStringLiteral("General")}, {1, QStringLiteral("0")},         {2, QStringLiteral("0.00")},
        {3, QStringLiteral("#,##0")},   {4, QStringLiteral("#,##0.00")},  {9, QStringLiteral("0%")},
        {10, QStringLiteral("0.00%")},  {11, QStringLiteral("0.00E+00")}, {49, QStringLiteral("@")},
    };
    return formats;
}
} // namespace

int WorkbookParts::numberFormatId(const QString& format)
{
    // The local notation of the general format in Chinese.
    if (format.isEmpty() || format == QStringLiteral("G/通用格式") || format.compare(QStringLiteral("General"), Qt::CaseInsensitive) == 0)
        return 0;
    for (const auto& f : builtinFormats())
        if (f.second == format)
            return f.first;
    pugi::xml_node s = styleSheet();
    int highest = 163; // custom formats start at 164
    for (pugi::xml_node f : s.child("numFmts").children("numFmt")) {
        const int id = f.attribute("numFmtId").as_int();
        if (Attr(f, "formatCode") == format)
            return id;
        highest = std::max(highest, id);
    }
    pugi::xml_node list = s.child("numFmts");
    if (!list)
        list = s.prepend_child("numFmts");
    pugi::xml_node f = list.append_child("numFmt");
    SetAttr(f, "numFmtId", QString::number(highest + 1));
    SetAttr(f, "formatCode", format);
    setCount(list);
    touch(stylesPart);
    return highest + 1;
}

QString WorkbookParts::numberFormatCode(int id)
{
    for (const auto& f : builtinFormats())
        if (f.first == id)
            return f.second;
    for (pugi::xml_node f : styleSheet().child("numFmts").children("numFmt"))
        if (f.attribute("numFmtId").as_int() == id)
            return Attr(f, "formatCode");
    return QStringLiteral("General");
}

// ---- the workbook ----

Workbook::Workbook() : d(std::make_unique<WorkbookParts>()) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

namespace {
void loadSharedStrings(WorkbookParts& d, const QString& target)
{
    if (target.isEmpty())
        return;
    const QString name = resolveTarget(d.workbookPart, target);
    if (!d.part(name))
        return;
    for (pugi::xml_node si : d.xml(name).document_element().children("si")) {
        // Plain text, or the runs of rich text; phonetic guides are not part of the value.
        QString text;
        if (pugi::xml_node t = si.child("t"))
            text = XmlText(t);
        for (pugi::xml_node r : si.children("r"))
            text += XmlText(r.child("t"));
        d.sharedStrings << text;
    }
}

// Gives every row and cell its reference, as the operations find them by it; files may leave
// them out, meaning "the next one".
void normaliseReferences(SheetState& s)
{
    int nextRow = 1;
    for (pugi::xml_node row : s.sheetData().children("row")) {
        int r = row.attribute("r").as_int();
        if (r < 1) {
            r = nextRow;
            SetAttr(row, "r", QString::number(r));
        }
        nextRow = r + 1;
        int nextColumn = 1;
        for (pugi::xml_node c : row.children("c")) {
            int rr, cc;
            if (!ParseCellAddress(Attr(c, "r"), &rr, &cc)) {
                cc = nextColumn;
                SetAttr(c, "r", CellAddress(r, cc));
            }
            nextColumn = cc + 1;
        }
    }
}
} // namespace

Workbook Workbook::Open(const QString& path)
{
    QVector<ZipEntry> entries;
    QString error;
    if (!ReadZipEntries(path, &entries, &error))
        throw WorkbookError(error);
    Workbook book;
    WorkbookParts& d = *book.d;
    for (ZipEntry& e : entries)
        d.addPart(e.name, e.data);

    pugi::xml_document& rootRels = d.xml(QStringLiteral("_rels/.rels"));
    const QString main = relationshipTarget(rootRels, QStringLiteral("/officeDocument"));
    if (main.isEmpty())
        throw WorkbookError(QStringLiteral("工作簿缺少主部件：%1").arg(QDir::toNativeSeparators(path)));
    d.workbookPart = resolveTarget(QString(), main);
    pugi::xml_node wb = d.workbookXml().document_element();
    pugi::xml_node types = d.contentTypes().document_element();
    for (pugi::xml_node o : types.children("Override"))
        if (Attr(o, "PartName").compare(QLatin1Char('/') + d.workbookPart, Qt::CaseInsensitive) == 0)
            d.isTemplate = Attr(o, "ContentType").contains(QStringLiteral("template.main"));

    pugi::xml_document& rels = d.xml(d.relsOf(d.workbookPart));
    loadSharedStrings(d, relationshipTarget(rels, QStringLiteral("/sharedStrings")));
    const QString styles = relationshipTarget(rels, QStringLiteral("/styles"));
    if (!styles.isEmpty()) {
        d.stylesPart = resolveTarget(d.workbookPart, styles);
        d.xml(d.stylesPart);
    }
    for (pugi::xml_node s : wb.child("sheets").children("sheet")) {
        const QString id = QString::fromUtf8(relIdAttribute(s).value());
        pugi::xml_node rel = rels.document_element().find_child_by_attribute("Relationship", "Id", id.toUtf8().constData());
        if (!rel)
            throw WorkbookError(QStringLiteral("工作簿中的工作表%1没有对应的部件").arg(Attr(s, "name")));
        auto state = std::make_unique<SheetState>();
        state->book = &d;
        state->partName = resolveTarget(d.workbookPart, Attr(rel, "Target"));
        state->xml = &d.xml(state->partName);
        state->facade.reset(new Worksheet(state.get()));
        if (state->root().child("sheetData"))
            normaliseReferences(*state);
        d.sheets.push_back(std::move(state));
    }
    if (d.sheets.empty())
        throw WorkbookError(QStringLiteral("工作簿中没有工作表：%1").arg(QDir::toNativeSeparators(path)));
    return book;
}

Workbook Workbook::OpenTemplate(const QString& path)
{
    Workbook book = Open(path);
    book.setTemplate(false);
    return book;
}

Workbook Workbook::CreateEmpty()
{
    Workbook book;
    WorkbookParts& d = *book.d;
    d.addPart(QStringLiteral("[Content_Types].xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
              "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
              "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
              "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
              "</Types>");
    d.addPart(QStringLiteral("_rels/.rels"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
              "</Relationships>");
    d.addPart(QStringLiteral("xl/workbook.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
              "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
              "<bookViews><workbookView activeTab=\"0\"/></bookViews>"
              "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    d.addPart(QStringLiteral("xl/_rels/workbook.xml.rels"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
              "</Relationships>");
    d.addPart(QStringLiteral("xl/worksheets/sheet1.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
              "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
              "<dimension ref=\"A1\"/><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
              "<sheetFormatPr defaultRowHeight=\"13.5\"/><sheetData/>"
              "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></worksheet>");
    for (PackagePart& p : d.parts)
        p.dirty = true;
    d.workbookPart = QStringLiteral("xl/workbook.xml");
    auto state = std::make_unique<SheetState>();
    state->book = &d;
    state->partName = QStringLiteral("xl/worksheets/sheet1.xml");
    state->xml = &d.xml(state->partName);
    state->facade.reset(new Worksheet(state.get()));
    d.sheets.push_back(std::move(state));
    d.styleSheet(); // a new workbook has its styles from the start
    return book;
}

int Workbook::sheetCount() const
{
    return int(d->sheets.size());
}

Worksheet& Workbook::sheet(int number)
{
    if (number < 1 || number > sheetCount())
        throw WorkbookError(QStringLiteral("工作簿中没有第%1个工作表").arg(number));
    return *d->sheets[size_t(number - 1)]->facade;
}

Worksheet& Workbook::sheet(const QString& name)
{
    const int n = sheetNumber(name);
    if (n == 0)
        throw WorkbookError(QStringLiteral("工作簿中没有名为“%1”的工作表").arg(name));
    return sheet(n);
}

int Workbook::sheetNumber(const QString& name) const
{
    for (size_t i = 0; i < d->sheets.size(); ++i)
        if (d->sheets[i]->name().compare(name, Qt::CaseInsensitive) == 0)
            return int(i) + 1;
    return 0;
}

void Workbook::renameSheet(int number, const QString& name)
{
    SheetState& s = *sheet(number).m_state;
    static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
    if (name.trimmed().isEmpty() || name.size() > 31 || name.contains(forbidden) || name.startsWith(QLatin1Char('\'')) ||
        name.endsWith(QLatin1Char('\'')))
        throw WorkbookError(QStringLiteral("工作表名称“%1”无效").arg(name));
    const int other = sheetNumber(name);
    if (other != 0 && other != number)
        throw WorkbookError(QStringLiteral("已经有名为“%1”的工作表").arg(name));
    const QString old = s.name();
    SetAttr(s.sheetEntry(), "name", name);
    d->touch(d->workbookPart);
    // References to the sheet follow its new name.
    const QRegularExpression reference = sheetReference(old);
    const QString replacement = QuotedSheetName(name) + QLatin1Char('!');
    for (pugi::xml_node n : d->workbookXml().document_element().child("definedNames").children("definedName")) {
        const QString text = XmlText(n);
        QString changed = text;
        changed.replace(reference, replacement);
        if (changed != text)
            n.text().set(changed.toUtf8().constData());
    }
    for (auto& other : d->sheets) {
        if (!other->root().child("sheetData"))
            continue;
        bool touched = false;
        for (pugi::xml_node row : other->sheetData().children("row"))
            for (pugi::xml_node c : row.children("c"))
                if (pugi::xml_node f = c.child("f")) {
                    QString text = XmlText(f);
                    const QString before = text;
                    text.replace(reference, replacement);
                    if (text != before) {
                        f.text().set(text.toUtf8().constData());
                        touched = true;
                    }
                }
        if (touched)
            other->touch();
    }
}

void Workbook::deleteSheet(int number)
{
    sheet(number); // raises when out of range
    if (sheetCount() == 1)
        throw WorkbookError(QStringLiteral("工作簿至少要保留一个工作表"));
    SheetState& s = *d->sheets[size_t(number - 1)];
    const QString name = s.name();
    pugi::xml_node wb = d->workbookXml().document_element();
    pugi::xml_node entry = s.sheetEntry();
    const QString relId = QString::fromUtf8(relIdAttribute(entry).value());
    wb.child("sheets").remove_child(entry);

    // Defined names of the sheet (print areas, print titles) and names pointing at it go; the
    // sheet-local names of later sheets keep pointing at their sheets.
    const int index = number - 1;
    const QRegularExpression reference = sheetReference(name);
    pugi::xml_node names = wb.child("definedNames");
    for (pugi::xml_node n = names.first_child(); n;) {
        pugi::xml_node next = n.next_sibling();
        pugi::xml_attribute local = n.attribute("localSheetId");
        if ((local && local.as_int() == index) || XmlText(n).contains(reference))
            names.remove_child(n);
        else if (local && local.as_int() > index)
            local.set_value(local.as_int() - 1);
        n = next;
    }
    if (names && !names.first_child())
        wb.remove_child(names);
    const int remaining = sheetCount() - 1;
    for (pugi::xml_node view : wb.child("bookViews").children("workbookView")) {
        for (const char* a : {"activeTab", "firstSheet"}) {
            pugi::xml_attribute attr = view.attribute(a);
            if (attr && attr.as_int() > index)
                attr.set_value(attr.as_int() - 1);
            if (attr && attr.as_int() >= remaining)
                attr.set_value(remaining - 1);
        }
    }
    d->touch(d->workbookPart);

    const QString relsName = d->relsOf(d->workbookPart);
    pugi::xml_node rels = d->xml(relsName).document_element();
    if (pugi::xml_node rel = rels.find_child_by_attribute("Relationship", "Id", relId.toUtf8().constData()))
        rels.remove_child(rel);
    // The calculation chain lists cells by sheet; the spreadsheet application rebuilds it.
    QString chainId;
    const QString chain = relationshipTarget(d->xml(relsName), QStringLiteral("/calcChain"), &chainId);
    if (!chain.isEmpty()) {
        rels.remove_child(rels.find_child_by_attribute("Relationship", "Id", chainId.toUtf8().constData()));
        d->removePart(resolveTarget(d->workbookPart, chain));
    }
    d->touch(relsName);
    const QString part = s.partName;
    d->sheets.erase(d->sheets.begin() + index);
    d->removePart(d->relsOf(part));
    d->removePart(part);
}

void Workbook::activateSheet(int number)
{
    sheet(number); // raises when out of range
    pugi::xml_node wb = d->workbookXml().document_element();
    pugi::xml_node views = wb.child("bookViews");
    if (!views)
        views = wb.insert_child_before("bookViews", wb.child("sheets"));
    pugi::xml_node view = views.child("workbookView");
    if (!view)
        view = views.append_child("workbookView");
    SetAttr(view, "activeTab", QString::number(number - 1));
    if (pugi::xml_attribute first = view.attribute("firstSheet"); first && first.as_int() > number - 1)
        first.set_value(number - 1);
    d->touch(d->workbookPart);
    // Only the active sheet is selected, or the application opens the sheets grouped.
    for (size_t i = 0; i < d->sheets.size(); ++i) {
        SheetState& s = *d->sheets[i];
        pugi::xml_node sheetView = s.root().child("sheetViews").child("sheetView");
        const bool active = int(i) == number - 1;
        if (!sheetView || sheetView.attribute("tabSelected").as_bool() == active)
            continue;
        sheetView.remove_attribute("tabSelected");
        if (active)
            sheetView.prepend_attribute("tabSelected") = "1";
        s.touch();
    }
}

int Workbook::activeSheet() const
{
    const int tab = d->workbookXml().document_element().child("bookViews").child("workbookView").attribute("activeTab").as_int();
    return std::clamp(tab + 1, 1, sheetCount());
}

bool Workbook::isTemplate() const
{
    return d->isTemplate;
}

void Workbook::setTemplate(bool isTemplate)
{
    if (d->isTemplate == isTemplate)
        return;
    d->isTemplate = isTemplate;
    pugi::xml_node types = d->contentTypes().document_element();
    for (pugi::xml_node o : types.children("Override"))
        if (Attr(o, "PartName").compare(QLatin1Char('/') + d->workbookPart, Qt::CaseInsensitive) == 0)
            SetAttr(o, "ContentType", QString::fromUtf8(isTemplate ? kTemplateType : kWorkbookType));
    d->touch(QStringLiteral("[Content_Types].xml"));
}

void UpdateDimension(SheetState& s); // Worksheet.cpp

void Workbook::save(const QString& path) const
{
    for (auto& s : d->sheets)
        if (d->part(s->partName)->dirty && s->root().child("sheetData"))
            UpdateDimension(*s);
    QVector<ZipEntry> entries;
    // The content types come first, as every writer of these packages puts them.
    for (PackagePart& p : d->parts) {
        ZipEntry e{p.name, (p.xml && p.dirty) ? SaveXml(*p.xml) : p.raw};
        if (p.name == QStringLiteral("[Content_Types].xml"))
            entries.prepend(e);
        else
            entries.push_back(e);
    }
    QString error;
    if (!WriteZipEntries(path, entries, &error))
        throw WorkbookError(error);
}
