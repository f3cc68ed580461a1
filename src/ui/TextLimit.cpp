#include "TextLimit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QValidator>

namespace {

// Accepts any text of at most the limit; longer input is refused as the operator types it.
class CCharLimitValidator : public QValidator {
public:
    CCharLimitValidator(std::size_t chars, QObject* parent) : QValidator(parent), m_chars(chars) {}
    State validate(QString& input, int&) const override {
        return Gui::CharCount(input) <= m_chars ? Acceptable : Invalid;
    }

private:
    std::size_t m_chars;
};

std::size_t StoredCount(const QString& text) {
    return Gui::CharCount(text) + static_cast<std::size_t>(text.count(QLatin1Char('\n')));
}

} // namespace

namespace Gui {

std::size_t CharCount(const QString& text) {
    std::size_t count = 0;
    for (const QChar c : text) {
        if (!c.isLowSurrogate()) {
            ++count;
        }
    }
    return count;
}

void LimitChars(QLineEdit* edit, std::size_t chars) {
    edit->setValidator(new CCharLimitValidator(chars, edit));
}

void LimitChars(QPlainTextEdit* edit, std::size_t chars) {
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, chars] {
        const QString text = edit->toPlainText();
        if (StoredCount(text) <= chars) {
            return;
        }
        // Keep the longest head that fits, never splitting a surrogate pair.
        qsizetype keep = 0;
        std::size_t used = 0;
        while (keep < text.size()) {
            const QChar c = text[keep];
            const qsizetype step = c.isHighSurrogate() && keep + 1 < text.size() ? 2 : 1;
            const std::size_t cost = c == QLatin1Char('\n') ? 2 : 1;
            if (used + cost > chars) {
                break;
            }
            used += cost;
            keep += step;
        }
        const int cursor = edit->textCursor().position();
        edit->setPlainText(text.left(keep));
        QTextCursor c = edit->textCursor();
        c.setPosition(static_cast<int>(std::min<qsizetype>(cursor, keep)));
        edit->setTextCursor(c);
    });
}

QString ToCrLf(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return out;
}

} // namespace Gui
