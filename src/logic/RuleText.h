#pragma once

#include <QHash>
#include <QString>

class Connection;

// Field name -> caption (the Hint of dt_fieldlist). Names match without regard to letter case,
// because some rule templates write the sheet-7 fields in upper case ("L001").
class RuleCaptions {
public:
    RuleCaptions() = default;
    explicit RuleCaptions(Connection& db) { load(db); }

    // Reads the catalogue of the connection; an engine error passes to the caller.
    void load(Connection& db);
    void clear();
    bool isLoaded() const { return m_loaded; }
    // The caption of the field, or empty text with *found false when there is no such field.
    QString hint(const QString& name, bool* found = nullptr) const;

private:
    QHash<QString, QString> m_hints; // lower-case name -> caption
    bool m_loaded = false;
};

// The captions of the working database, read on first use and again after the working
// database changed or InvalidateRuleCaptions was called.
const RuleCaptions& WorkingRuleCaptions();
void InvalidateRuleCaptions();

// One token of a rule description: a bracketed operator becomes its phrase, a field name its
// caption in brackets; anything else is returned without its brackets.
QString TranslateRuleToken(const QString& token, const RuleCaptions& captions);

// A rule description template made readable: "z003[<=]z001" -> "[caption]不能大于[caption]".
QString RenderRuleText(const QString& templ, const RuleCaptions& captions);
QString RenderRuleText(const QString& templ);
