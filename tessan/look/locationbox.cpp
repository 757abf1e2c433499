#include "look/locationbox.h"

#include "look/icons.h"

#include <QAbstractItemView>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QStyledItemDelegate>

#include <utility>

namespace tessan {
namespace {

constexpr int kDepthRole = Qt::UserRole + 1;

// Indents each row of the open list by its depth; the closed box shows the place flush left.
class IndentDelegate final : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted = option;
        const int indent = index.data(kDepthRole).toInt() * option.fontMetrics.height();
        shifted.rect.adjust(indent, 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += index.data(kDepthRole).toInt() * option.fontMetrics.height();
        return size;
    }
};

QIcon IconFor(const Location& location, const QFileIconProvider& provider) {
    // The theme's icon for that kind of place, else the bundled one.
    switch (location.kind) {
        case Location::Kind::Desktop:
            return Icon(LookIcon::Desktop);
        case Location::Kind::Home:
            return Icon(LookIcon::Home);
        case Location::Kind::Downloads:
            return Icon(LookIcon::Download);
        case Location::Kind::Computer:
            return Icon(LookIcon::Computer);
        case Location::Kind::Drive:
            return Icon(LookIcon::Drive);
        case Location::Kind::Folder:
            break;
    }
    // A folder may have an icon of its own in the theme (a special folder's); without a theme
    // the provider's icon is empty and the bundled folder stands in.
    const QIcon own = provider.icon(QFileInfo(location.path));
    return own.isNull() || own.pixmap(16).isNull() ? Icon(LookIcon::Folder) : own;
}

}  // namespace

LocationBox::LocationBox(QWidget* parent) : LocationBox(SystemLocationRoots(), parent) {}

LocationBox::LocationBox(LocationRoots roots, QWidget* parent)
    : QComboBox(parent), roots_(std::move(roots)) {
    setObjectName(QStringLiteral("locationBox"));
    setAccessibleName(QStringLiteral("位置"));
    setItemDelegate(new IndentDelegate(this));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(16);
    connect(this, &QComboBox::activated, this, [this](int row) {
        if (row < 0 || row >= static_cast<int>(locations_.size())) return;
        emit locationChosen(locations_[static_cast<std::size_t>(row)].path);
    });
}

void LocationBox::SetFolder(const QString& folder) {
    folder_ = folder;
    int current = -1;
    locations_ = BuildLocations(roots_, folder, &current);
    const QSignalBlocker quiet(this);
    clear();
    QFileIconProvider provider;
    for (const Location& location : locations_) {
        addItem(IconFor(location, provider), location.label, location.path);
        setItemData(count() - 1, location.depth, kDepthRole);
        setItemData(count() - 1, location.path, Qt::ToolTipRole);
    }
    setCurrentIndex(current);
}

}  // namespace tessan
