#include "logic/RuleText.h"

#include "db/Connection.h"
#include "db/WorkingDatabase.h"

#include <utility>

void RuleCaptions::load(Connection& db)
{
    RowSet rows = db.query(QStringLiteral("select FieldName, Hint from dt_fieldlist"));
    QHash<QString, QString> hints;
    for (rows.first(); !rows.eof(); rows.next()) {
        // A name written twice in different cases keeps its first caption.
        const QString key = rows.text(QStringLiteral("FieldName")).toLower();
        if (!hints.contains(key))
            hints.insert(key, rows.text(QStringLiteral("Hint")));
    }
    m_hints = std::move(hints);
    m_loaded = true;
}

void RuleCaptions::clear()
{
    m_hints.clear();
    m_loaded = false;
}

QString RuleCaptions::hint(const QString& name, bool* found) const
{
    const auto it = m_hints.constFind(name.toLower());
    if (found)
        *found = it != m_hints.constEnd();
    return it != m_hints.constEnd() ? *it : QString();
}

namespace {
struct WorkingCaptions {
    RuleCaptions captions;
    QString path; // the file the captions were read from
};

WorkingCaptions& workingCaptions()
{
    static WorkingCaptions working;
    return working;
}

struct OperatorPhrase {
    const char* token;
    const char* phrase;
};

// Compared in this order; "<>" and other operators have no phrase.
const OperatorPhrase kOperatorPhrases[] = {
    {"<=", "不能大于"}, {">=", "不能小于"}, {"=", "必须等于"}, {">", "必须大于"}, {"<", "必须小于"},
};

bool isLetter(QChar c)
{
    return (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
           || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Separators that end a bracket token and are kept in the text.
bool endsBracketToken(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('(') || c == QLatin1Char(')') || c == QLatin1Char('*')
           || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('/');
}

// The one-pass scanner; translate turns a finished token into its text.
template <typename Translate> QString renderTemplate(const QString& templ, Translate translate)
{
    enum class State { Outside, InName, InBracket };
    State state = State::Outside;
    QString out;
    QString token;
    const auto flush = [&] {
        out += translate(token);
        token.clear();
    };
    for (const QChar c : templ) {
        if (c == QLatin1Char('[')) {
            if (state == State::InName)
                flush();
            state = State::InBracket;
        } else if (isLetter(c)) {
            token += c;
            state = State::InName;
        } else if (isDigit(c)) {
            if (state == State::Outside)
                out += c;
            else
                token += c;
        } else if (state == State::InName) {
            flush();
            if (c != QLatin1Char(']'))
                out += c;
            state = State::Outside;
        } else if (state == State::InBracket) {
            if (endsBracketToken(c)) {
                flush();
                out += c;
                state = State::Outside;
            } else if (c == QLatin1Char(']')) {
                flush();
                state = State::Outside;
            } else {
                token += c;
            }
        } else {
            out += c;
        }
    }
    if (state != State::Outside && !token.isEmpty())
        flush();
    return out;
}
} // namespace

const RuleCaptions& WorkingRuleCaptions()
{
    WorkingCaptions& working = workingCaptions();
    Connection& db = SysConnection();
    if (!working.captions.isLoaded() || working.path != db.path()) {
        working.captions.load(db);
        working.path = db.path();
    }
    return working.captions;
}

void InvalidateRuleCaptions()
{
    workingCaptions().captions.clear();
}

QString TranslateRuleToken(const QString& token, const RuleCaptions& captions)
{
    QString key = token;
    if (key.startsWith(QLatin1Char('[')))
        key.remove(0, 1);
    if (key.endsWith(QLatin1Char(']')))
        key.chop(1);
    if (key.isEmpty())
        return key;
    for (const OperatorPhrase& op : kOperatorPhrases) {
        if (key == QLatin1String(op.token))
            return QString::fromUtf8(op.phrase);
    }
    bool found = false;
    const QString caption = captions.hint(key, &found);
    return found ? QLatin1Char('[') + caption + QLatin1Char(']') : key;
}

QString RenderRuleText(const QString& templ, const RuleCaptions& captions)
{
    return renderTemplate(templ, [&](const QString& token) { return TranslateRuleToken(token, captions); });
}

QString RenderRuleText(const QString& templ)
{
    // The catalogue is read only once a token needs it.
    return renderTemplate(
        templ, [](const QString& token) { return TranslateRuleToken(token, WorkingRuleCaptions()); });
}
