// The application's one style: Fusion under a calm, light palette, flat rounded buttons, and a
// keyboard focus that is always visible (not only after a Tab press, as Fusion has it).
#pragma once

#include <QPalette>
#include <QProxyStyle>

namespace tessan {

// The colours every window and dialog share.
QPalette CalmPalette();

class TessanStyle final : public QProxyStyle {
    Q_OBJECT
  public:
    TessanStyle();

    QPalette standardPalette() const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    // The message boxes' icons are scalable: sharp at any screen density.
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

}  // namespace tessan
