#include "look/banner.h"

#include "look/icons.h"

#include <QDir>
#include <QFile>
#include <QMovie>
#include <QPainter>

namespace tessan {
namespace {

// The bundled banner's proportions (560 × 80).
constexpr QSize kBundledSize(560, 80);

}  // namespace

Banner::Banner(const QString& folder, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("banner"));
    setAccessibleName(QStringLiteral("广告"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    const QString gif = QDir(folder).filePath(QStringLiteral("ad.gif"));
    const QString png = QDir(folder).filePath(QStringLiteral("ad.png"));
    if (!folder.isEmpty() && QFile::exists(gif)) {
        movie_ = new QMovie(gif, QByteArray(), this);
        if (movie_->isValid()) {
            source_ = Source::Movie;
            connect(movie_, &QMovie::frameChanged, this, [this] { update(); });
            movie_->start();
        }
    }
    if (source_ == Source::Bundled && !folder.isEmpty() && QFile::exists(png)) {
        picture_ = QPixmap(png);
        if (!picture_.isNull()) source_ = Source::Picture;
    }
    if (source_ == Source::Bundled) bundled_ = QIcon(BundledBannerPath());
}

QSize Banner::NaturalSize() const {
    switch (source_) {
        case Source::Movie:
            return movie_->currentPixmap().size().isEmpty() ? kBundledSize
                                                            : movie_->currentPixmap().size();
        case Source::Picture:
            return picture_.deviceIndependentSize().toSize();
        case Source::Bundled:
            break;
    }
    return kBundledSize;
}

QSize Banner::sizeHint() const {
    // As wide as the dialog's fields, about a sixth of that high for the bundled banner.
    const int width = fontMetrics().height() * 24;
    return QSize(width, heightForWidth(width));
}

int Banner::heightForWidth(int width) const {
    const QSize natural = NaturalSize();
    if (natural.isEmpty()) return 0;
    return width * natural.height() / natural.width();
}

void Banner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize natural = NaturalSize();
    // The largest rectangle of the picture's proportions, centred.
    QSize fitted = natural.scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                       fitted);
    switch (source_) {
        case Source::Movie:
            painter.drawPixmap(target, movie_->currentPixmap());
            break;
        case Source::Picture:
            painter.drawPixmap(target, picture_);
            break;
        case Source::Bundled:
            bundled_.paint(&painter, target);
            break;
    }
}

}  // namespace tessan
