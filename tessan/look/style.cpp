#include "look/style.h"

#include "look/icons.h"

#include <QPainter>
#include <QPushButton>
#include <QStyleOption>

namespace tessan {
namespace {

constexpr qreal kRadius = 3.0;

// Pixel-aligned for a pen of `width`: a 1-pixel line sits on a pixel, not between two.
QRectF Inset(const QRect& rect, qreal width) {
    const qreal half = width / 2.0;
    return QRectF(rect).adjusted(half, half, -half, -half);
}

}  // namespace

QPalette CalmPalette() {
    const QColor window(0xf4, 0xf5, 0xf7);
    const QColor text(0x1f, 0x24, 0x30);
    const QColor accent(0x2f, 0x7d, 0xe1);
    QPalette p(window);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf7, 0xf8, 0xfa));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0xfb, 0xfb, 0xfc));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x1f, 0x5f, 0xbf));
    p.setColor(QPalette::ToolTipBase, QColor(0xff, 0xff, 0xf0));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x8a, 0x91, 0x9c));
    p.setColor(QPalette::Light, Qt::white);
    p.setColor(QPalette::Midlight, QColor(0xe9, 0xeb, 0xef));
    p.setColor(QPalette::Mid, QColor(0xc4, 0xc9, 0xd1));
    p.setColor(QPalette::Dark, QColor(0x9a, 0xa1, 0xac));
    p.setColor(QPalette::Shadow, QColor(0x5a, 0x60, 0x6b));
    // Disabled text stays readable, only lighter.
    const QColor disabled(0x9a, 0xa1, 0xac);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        p.setColor(QPalette::Disabled, role, disabled);
    p.setColor(QPalette::Disabled, QPalette::Button, window);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0xb8, 0xc7, 0xdb));
    return p;
}

TessanStyle::TessanStyle() : QProxyStyle(QStringLiteral("Fusion")) {}

QPalette TessanStyle::standardPalette() const {
    return CalmPalette();
}

void TessanStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    switch (element) {
        case PE_PanelButtonCommand: {
            // Flat: one fill per state and a thin border, no gradient, no bevel.
            const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
            const QPalette& pal = option->palette;
            const bool enabled = option->state & State_Enabled;
            const bool down = option->state & (State_Sunken | State_On);
            const bool hover = enabled && (option->state & State_MouseOver);
            const bool isDefault = button && (button->features & QStyleOptionButton::DefaultButton);
            const QColor accent = pal.color(QPalette::Active, QPalette::Highlight);
            QColor fill = pal.color(QPalette::Button);
            if (!enabled)
                fill = pal.color(QPalette::Disabled, QPalette::Button);
            else if (down)
                fill = QColor(0xd9, 0xe6, 0xf8);
            else if (hover)
                fill = QColor(0xea, 0xf2, 0xfc);
            QColor border = pal.color(QPalette::Mid);
            if (enabled && (isDefault || hover || down)) border = accent;

            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(QPen(border, 1.0));
            painter->setBrush(fill);
            painter->drawRoundedRect(Inset(option->rect, 1.0), kRadius, kRadius);
            if (option->state & State_HasFocus) {
                painter->setPen(QPen(accent, 2.0));
                painter->setBrush(Qt::NoBrush);
                painter->drawRoundedRect(Inset(option->rect, 2.0), kRadius, kRadius);
            }
            painter->restore();
            return;
        }
        case PE_FrameFocusRect: {
            // Check boxes, radio buttons and list rows: a clear ring in the accent colour. Buttons
            // draw theirs with their panel.
            if (qobject_cast<const QPushButton*>(widget)) return;
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(
                QPen(option->palette.color(QPalette::Active, QPalette::Highlight), 1.5));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(Inset(option->rect, 1.5), 2.0, 2.0);
            painter->restore();
            return;
        }
        default:
            break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

int TessanStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                             const QWidget* widget) const {
    switch (metric) {
        case PM_ButtonShiftHorizontal:
        case PM_ButtonShiftVertical:
            return 0;  // flat buttons do not move their text when pressed
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QIcon TessanStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                const QWidget* widget) const {
    switch (icon) {
        case SP_MessageBoxInformation:
            return Icon(LookIcon::Information);
        case SP_MessageBoxQuestion:
            return Icon(LookIcon::Question);
        case SP_MessageBoxWarning:
            return Icon(LookIcon::Warning);
        case SP_MessageBoxCritical:
            return Icon(LookIcon::Error);
        default:
            return QProxyStyle::standardIcon(icon, option, widget);
    }
}

int TessanStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const {
    switch (hint) {
        case SH_DialogButtonBox_ButtonsHaveIcons:
            return 0;
        case SH_UnderlineShortcut:
            return 1;
        default:
            return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

}  // namespace tessan
