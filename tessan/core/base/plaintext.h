// Text from the network shown as it is. Qt takes a tooltip that looks like markup for rich text (a
// name "<a href=...>" would become a link); labels and message boxes are set to plain text where
// they are made.
#pragma once

#include <QString>

namespace tessan {

// A tooltip that shows `text` literally; empty stays empty (no tooltip).
inline QString PlainToolTip(const QString& text) {
    if (text.isEmpty()) return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

}  // namespace tessan
