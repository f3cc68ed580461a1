#pragma once

#include "AlarmDialog.h"

#include <QColor>
#include <QString>

#include <string>

// Small conversions between the station's UTF-8 strings and Qt.
namespace Gui {

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string S(const QString& text) {
    return text.toStdString();
}
// The dictionary text of a tag in the current language.
QString Tr(const char* tag);
// The dictionary format of a tag filled printf-style; the arguments must match its conversions.
QString TrF(const char* tag, ...);
inline QColor Colour(SColour c) {
    return QColor(c.r, c.g, c.b);
}
// CR LF line ends as the station's texts have them, shown by Qt with LF only.
QString FromCrLf(const std::string& text);

} // namespace Gui
