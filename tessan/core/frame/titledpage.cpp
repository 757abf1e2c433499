#include "core/frame/titledpage.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tessan {

TitledPage::TitledPage(ClientSession& session, const QString& title, const QString& objectName,
                       bool showsTransferList, QWidget* parent)
    : Page(session, title, objectName, parent), showsTransferList_(showsTransferList) {
    auto* label = new QLabel(title, this);
    label->setObjectName(QStringLiteral("pageTitle"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addStretch();
}

}  // namespace tessan
