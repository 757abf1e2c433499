#include "core/mainwindow.h"

#include "core/globals.h"
#include "core/help.h"
#include "core/localfiles.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessan {

// Three blanks before the login status.
const QString MainWindow::kInitialTitle = QStringLiteral("Tessan v1.32   当前未登录状态");

MainWindow::MainWindow(QString appDir, MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), appDir_(std::move(appDir)), boxes_(boxes) {
    setWindowTitle(kInitialTitle);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* help = new QPushButton(QStringLiteral("Tessan帮助"), this);
    help->setObjectName(QStringLiteral("helpButton"));
    connect(help, &QPushButton::clicked, this, [this] { OpenHelp(appDir_); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(help);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addStretch();
    resize(600, 400);

    // The last step of the set-up.
    ReadParameterFile(appDir_, ParameterByte);
}

}  // namespace tessan
