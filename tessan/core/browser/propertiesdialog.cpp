#include "core/browser/propertiesdialog.h"

#include "core/browser/fileproperties.h"
#include "look/look.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessan {

PropertiesDialog::PropertiesDialog(const QString& path, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("propertiesDialog"));
    const FileProperties properties = DescribeFile(path);
    setWindowTitle(QStringLiteral("%1 属性").arg(properties.name));
    UseDialogFrame(*this);

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* name = new QLineEdit(properties.name);
    name->setReadOnly(true);
    form->addRow(QStringLiteral("名称:"), name);
    if (properties.lines.empty()) form->addRow(new QLabel(QStringLiteral("文件不存在。")));
    for (const auto& [label, value] : properties.lines) {
        auto* text = new QLabel(value);
        text->setTextFormat(Qt::PlainText);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->setWordWrap(true);
        form->addRow(label, text);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace tessan
