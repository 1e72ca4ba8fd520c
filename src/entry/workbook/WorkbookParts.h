#pragma once

// Inside of the workbook layer: the loaded parts and the state of each sheet. Only the layer's
// own sources include this.

#include "entry/workbook/Workbook.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <pugixml.hpp>

#include <memory>
#include <vector>

// One part of the package: its bytes as read, and its XML once an operation parsed it.
struct PackagePart {
    QString name; // zip entry name, no leading "/"
    QByteArray raw;
    std::unique_ptr<pugi::xml_document> xml;
    bool dirty = false;
};

struct SheetState {
    WorkbookParts* book = nullptr;
    QString partName;
    pugi::xml_document* xml = nullptr;
    std::unique_ptr<Worksheet> facade;

    pugi::xml_node root() const { return xml->document_element(); }
    pugi::xml_node sheetData() const;
    pugi::xml_node sheetEntry() const; // the <sheet> element in workbook.xml
    QString name() const;
    void touch();
    // The row element, created in order when `create` is set; null when missing.
    pugi::xml_node row(int r, bool create);
    pugi::xml_node cell(int r, int c, bool create);
    pugi::xml_node findCell(int r, int c) const;
    int columnStyle(int c) const;
    pugi::xml_node columnElement(int c, bool create);
};

struct WorkbookParts {
    std::vector<PackagePart> parts;
    QString workbookPart;  // "xl/workbook.xml"
    QString stylesPart;    // empty when the package has none yet
    QStringList sharedStrings;
    std::vector<std::unique_ptr<SheetState>> sheets; // in workbook order
    bool isTemplate = false;
    // Style cache: serialised element -> index, for fonts and cell formats.
    QHash<QByteArray, int> fontIndex, xfIndex;
    bool styleCacheBuilt = false;

    PackagePart* part(const QString& name);
    pugi::xml_document& xml(const QString& name); // parses on first use; raises on broken XML
    void touch(const QString& name);
    void removePart(const QString& name);
    void addPart(const QString& name, const QByteArray& bytes);

    pugi::xml_document& workbookXml() { return xml(workbookPart); }
    pugi::xml_document& contentTypes() { return xml(QStringLiteral("[Content_Types].xml")); }
    QString relsOf(const QString& partName) const; // "xl/_rels/workbook.xml.rels"
    void renumberSheets();

    // Styles.
    pugi::xml_node styleSheet();
    void buildStyleCache();
    pugi::xml_node cellXf(int index);
    pugi::xml_node font(int index);
    int addFont(const pugi::xml_node& font);
    int addXf(const pugi::xml_node& xf);
    int numberFormatId(const QString& format);
    QString numberFormatCode(int id);
};

QString XmlText(const pugi::xml_node& node);
QString Attr(const pugi::xml_node& node, const char* name);
void SetAttr(pugi::xml_node node, const char* name, const QString& value);
// Reads a package part's XML; raises WorkbookError naming the part when it is not well formed.
void ParseXml(const QString& partName, const QByteArray& bytes, pugi::xml_document* doc);
QByteArray SaveXml(const pugi::xml_document& doc);
