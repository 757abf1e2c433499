#include "look/helpwindow.h"

#include "look/icons.h"
#include "look/imagebutton.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace tessan {

const QUrl HelpWindow::kStartPage(QStringLiteral("qrc:/tessan/help/index.html"));

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Tessan帮助"));
    // The program's icon, as on its other windows: the task bar and the window list show it.
    setWindowIcon(Icon(LookIcon::App));
    // A window beside the main window, not over it: the user reads and works at once.
    setWindowFlags(Qt::Window | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint);
    setAttribute(Qt::WA_DeleteOnClose);
    browser_->setObjectName(QStringLiteral("helpText"));
    browser_->setAccessibleName(QStringLiteral("帮助内容"));
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(true);
    browser_->setSource(kStartPage);

    auto* close = new ImageButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addLayout(buttons);
    // Some forty characters wide and twenty-five lines high, whatever the font and screen.
    const int em = fontMetrics().height();
    resize(em * 34, em * 30);
}

HelpWindow* ShowHelpWindow(QWidget* owner) {
    auto* window =
        owner ? owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) window = new HelpWindow(owner);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace tessan
