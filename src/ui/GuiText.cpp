#include "GuiText.h"

#include "Translate.h"

#include <cstdarg>

namespace Gui {

QString Tr(const char* tag) {
    return Q(Text::Tr(tag));
}

QString TrF(const char* tag, ...) {
    const std::string format = Text::Tr(tag);
    va_list args;
    va_start(args, tag);
    std::string text = Text::VFormat(format.c_str(), args);
    va_end(args);
    return Q(text);
}

QString FromCrLf(const std::string& text) {
    QString q = Q(text);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

} // namespace Gui
