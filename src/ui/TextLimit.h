#pragma once

#include <QString>

#include <cstddef>

class QLineEdit;
class QPlainTextEdit;

// Field limits in characters (code points, as the station counts them), not in UTF-16 units or
// bytes, and line ends of multi-line texts as the station stores them (CR LF).
namespace Gui {

std::size_t CharCount(const QString& text);
// Refuses what would make the field longer than `chars` characters.
void LimitChars(QLineEdit* edit, std::size_t chars);
// Cuts what goes beyond `chars` characters, counting a line break as the two characters it is
// stored as.
void LimitChars(QPlainTextEdit* edit, std::size_t chars);
// A multi-line text as stored (CR LF) and back as shown (LF).
QString ToCrLf(const QString& text);

} // namespace Gui
