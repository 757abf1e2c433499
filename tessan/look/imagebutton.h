// The program's image button: a flat push button that paints its own background with one colour
// per state (normal, hover, pressed, disabled, focus), an optional icon left of its text, and a
// focus ring. It stays a QPushButton (default button, Space and Enter, clicked()), so dialogs and
// tests treat it like any other button.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPushButton>

namespace tessan {

enum class ButtonState { Normal, Hover, Pressed, Disabled, Focus };

struct ButtonColours {
    // Backgrounds per state.
    QColor normal;
    QColor hover;
    QColor pressed;
    QColor disabled;
    QColor focus;
    QColor border;
    // The keyboard-focus ring, drawn in every state while the button has the focus.
    QColor ring;
    QColor text;
    QColor disabledText;

    QColor Background(ButtonState state) const;
    // Light buttons for most actions.
    static ButtonColours Standard();
    // The one main action of a page or dialog ("登录", "发送").
    static ButtonColours Accent();
};

// Disabled wins over everything, then pressed, hover, focus.
ButtonState StateOf(bool enabled, bool down, bool hovered, bool focused);

// The text without its mnemonic marks ("删除(&D)" → "删除(D)", "&&" → "&").
QString PlainText(const QString& text);

class ImageButton : public QPushButton {
    Q_OBJECT
  public:
    explicit ImageButton(const QString& text, QWidget* parent = nullptr);
    ImageButton(const QIcon& icon, const QString& text, QWidget* parent = nullptr);
    // A button that shows only its icon, owned by `parent`: `name` is what screen readers say
    // and the tooltip.
    static ImageButton* IconOnly(const QIcon& icon, const QString& name, QWidget* parent);

    void SetColours(const ButtonColours& colours);
    const ButtonColours& Colours() const { return colours_; }
    ButtonState State() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // Padding around the content, from the font so that it grows with the text.
    QMargins Padding() const;
    // The icon as drawn: its size, at most the text's height when there is a text.
    QSize IconExtent() const;

    ButtonColours colours_ = ButtonColours::Standard();
};

}  // namespace tessan
