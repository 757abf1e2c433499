#include "core/frame/noticepanel.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace tessan {

NoticePanel::NoticePanel(QWidget* host, const TimerFactory& timers)
    : QWidget(host, Qt::Tool | Qt::FramelessWindowHint),
      host_(host),
      edit_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("noticePanel"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    edit_->setObjectName(QStringLiteral("noticeText"));
    edit_->setReadOnly(true);
    edit_->setMaximumBlockCount(NoticeSlider::kKeptLines);
    edit_->setAccessibleName(QStringLiteral("消息"));
    edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = edit_->palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 192));
    edit_->setPalette(palette);
    edit_->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The slide grows the panel from nothing: no minimum from the edit.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    edit_->setMinimumSize(0, 0);
    layout->addWidget(edit_);
    NoticeView& view = *this;
    slider_ = std::make_unique<NoticeSlider>(view, timers ? timers : QtTimers(this));
}

NoticePanel::~NoticePanel() = default;

bool NoticePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && slider_) {
        if (event->type() == QEvent::FocusIn) slider_->OnTextFocus(true);
        if (event->type() == QEvent::FocusOut) slider_->OnTextFocus(false);
    }
    return QWidget::eventFilter(watched, event);
}

QRect NoticePanel::HostFrame() const {
    return host_->frameGeometry();
}

void NoticePanel::AppendText(const QString& text) {
    // The edit keeps line feeds only. Inserted at the end, not set whole: the cost of a notice
    // does not grow with the text before it.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor end(edit_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(shown);
    edit_->verticalScrollBar()->setValue(edit_->verticalScrollBar()->maximum());
}

void NoticePanel::ClearText() {
    edit_->clear();
}

void NoticePanel::Place(const QRect& frame, bool visible) {
    setGeometry(frame);
    setVisible(visible);
}

}  // namespace tessan
