// The login dialog's banner: an animated "ad.gif" or a still "ad.png" from the given folder when
// one is there, else the bundled banner. It keeps the picture's proportions at any width and
// draws scalable pictures at the screen's own density.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QWidget>

class QMovie;

namespace tessan {

class Banner final : public QWidget {
    Q_OBJECT
  public:
    enum class Source { Movie, Picture, Bundled };

    explicit Banner(const QString& folder, QWidget* parent = nullptr);
    Source Shown() const { return source_; }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QSize NaturalSize() const;

    Source source_ = Source::Bundled;
    QMovie* movie_ = nullptr;
    QPixmap picture_;
    QIcon bundled_;
};

}  // namespace tessan
