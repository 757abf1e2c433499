#include "look/imagebutton.h"

#include <QPainter>

namespace tessan {

QColor ButtonColours::Background(ButtonState state) const {
    switch (state) {
        case ButtonState::Hover:
            return hover;
        case ButtonState::Pressed:
            return pressed;
        case ButtonState::Disabled:
            return disabled;
        case ButtonState::Focus:
            return focus;
        case ButtonState::Normal:
            break;
    }
    return normal;
}

ButtonColours ButtonColours::Standard() {
    ButtonColours c;
    c.normal = QColor(0xfb, 0xfb, 0xfc);
    c.hover = QColor(0xea, 0xf2, 0xfc);
    c.pressed = QColor(0xd3, 0xe3, 0xf8);
    c.disabled = QColor(0xf0, 0xf1, 0xf3);
    c.focus = QColor(0xf3, 0xf7, 0xfd);
    c.border = QColor(0xc4, 0xc9, 0xd1);
    c.ring = QColor(0x2f, 0x7d, 0xe1);
    c.text = QColor(0x1f, 0x24, 0x30);
    c.disabledText = QColor(0x9a, 0xa1, 0xac);
    return c;
}

ButtonColours ButtonColours::Accent() {
    ButtonColours c;
    c.normal = QColor(0x2f, 0x7d, 0xe1);
    c.hover = QColor(0x43, 0x8c, 0xea);
    c.pressed = QColor(0x23, 0x63, 0xc4);
    c.disabled = QColor(0xb8, 0xc7, 0xdb);
    c.focus = QColor(0x2a, 0x72, 0xd3);
    c.border = QColor(0x23, 0x63, 0xc4);
    // Dark, so that it shows against the blue.
    c.ring = QColor(0x10, 0x2a, 0x55);
    c.text = Qt::white;
    c.disabledText = QColor(0xf4, 0xf6, 0xfa);
    return c;
}

ButtonState StateOf(bool enabled, bool down, bool hovered, bool focused) {
    if (!enabled) return ButtonState::Disabled;
    if (down) return ButtonState::Pressed;
    if (hovered) return ButtonState::Hover;
    if (focused) return ButtonState::Focus;
    return ButtonState::Normal;
}

QString PlainText(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
                plain += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        plain += text[i];
    }
    return plain;
}

ImageButton::ImageButton(const QString& text, QWidget* parent)
    : ImageButton(QIcon(), text, parent) {}

ImageButton::ImageButton(const QIcon& icon, const QString& text, QWidget* parent)
    : QPushButton(icon, text, parent) {
    // Hover repaints; the accessible name is the text without its mnemonic, as for any button.
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
}

ImageButton* ImageButton::IconOnly(const QIcon& icon, const QString& name, QWidget* parent) {
    auto* button = new ImageButton(icon, QString(), parent);
    button->setAccessibleName(name);
    button->setToolTip(name);
    return button;
}

void ImageButton::SetColours(const ButtonColours& colours) {
    colours_ = colours;
    update();
}

ButtonState ImageButton::State() const {
    return StateOf(isEnabled(), isDown() || isChecked(), underMouse(), hasFocus());
}

QMargins ImageButton::Padding() const {
    const int em = fontMetrics().height();
    return QMargins(em * 3 / 4, em / 4 + 2, em * 3 / 4, em / 4 + 2);
}

QSize ImageButton::IconExtent() const {
    if (icon().isNull()) return {};
    // Beside a text the icon is as high as the text, so the button stands as high as its
    // neighbours without one.
    if (text().isEmpty()) return iconSize();
    const int em = fontMetrics().height();
    return iconSize().boundedTo(QSize(em, em));
}

QSize ImageButton::sizeHint() const {
    ensurePolished();
    const QFontMetrics metrics = fontMetrics();
    const QString plain = PlainText(text());
    int width = plain.isEmpty() ? 0 : metrics.horizontalAdvance(plain);
    int height = metrics.height();
    if (!icon().isNull()) {
        const QSize iconSize = IconExtent();
        width += iconSize.width() + (plain.isEmpty() ? 0 : metrics.height() / 3);
        height = std::max(height, iconSize.height());
    }
    const QMargins pad = Padding();
    return QSize(width + pad.left() + pad.right(), height + pad.top() + pad.bottom());
}

QSize ImageButton::minimumSizeHint() const {
    return sizeHint();
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ButtonState state = State();
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    constexpr qreal kRadius = 3.0;
    painter.setPen(QPen(colours_.border, 1.0));
    painter.setBrush(colours_.Background(state));
    painter.drawRoundedRect(frame, kRadius, kRadius);
    if (hasFocus()) {
        painter.setPen(QPen(colours_.ring, 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0), kRadius, kRadius);
    }

    // Icon and text together, centred.
    const QRect content = rect().marginsRemoved(Padding());
    const QFontMetrics metrics = fontMetrics();
    const QString plain = PlainText(text());
    const int textWidth = plain.isEmpty() ? 0 : metrics.horizontalAdvance(plain);
    const bool hasIcon = !icon().isNull();
    const QSize iconSize = hasIcon ? IconExtent() : QSize();
    const int gap = hasIcon && textWidth > 0 ? metrics.height() / 3 : 0;
    const int total = std::min(content.width(), iconSize.width() + gap + textWidth);
    int x = content.left() + (content.width() - total) / 2;
    if (hasIcon) {
        const QRect iconRect(x, content.top() + (content.height() - iconSize.height()) / 2,
                             iconSize.width(), iconSize.height());
        // QIcon draws at the screen's pixel density: crisp at 150 % and 200 %.
        icon().paint(&painter, iconRect, Qt::AlignCenter,
                     isEnabled() ? QIcon::Normal : QIcon::Disabled);
        x += iconSize.width() + gap;
    }
    if (textWidth > 0) {
        painter.setPen(isEnabled() ? colours_.text : colours_.disabledText);
        const QRect textRect(x, content.top(), content.right() + 1 - x, content.height());
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text());
    }
}

}  // namespace tessan
