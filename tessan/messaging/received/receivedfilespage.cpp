#include "messaging/received/receivedfilespage.h"

#include "look/icons.h"
#include "look/imagebutton.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace tessan {

namespace {
constexpr int kColumnWidths[ReceivedFilesModel::kColumnCount] = {150, 130, 80, 70, 130};

ImageButton* Button(const QString& text, const char* name, QWidget* parent) {
    auto* button = new ImageButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}
}  // namespace

ReceivedFilesPage::ReceivedFilesPage(ClientSession& session, LoginState& login, Library& library,
                                     MessageBoxes& boxes, TransferQueue& transfers,
                                     std::function<void()> openLogin, Replies replies,
                                     QWidget* parent)
    : Page(session, QStringLiteral("收取文件"), QStringLiteral("receivedFilesPage"), parent),
      overwrite_(std::make_unique<OverwriteDialogQuestion>(this)),
      rules_(std::make_unique<ReceivedFiles>(session, login, library, boxes, transfers, *overwrite_,
                                             std::move(openLogin))),
      replies_(std::move(replies)),
      selectAll_(Button(ReceivedFiles::kSelectAll, "selectAllButton", this)),
      refresh_(Button(QStringLiteral("刷新"), "refreshButton", this)),
      delete_(Button(QStringLiteral("删除"), "deleteButton", this)),
      download_(Button(QStringLiteral("下载"), "downloadButton", this)),
      view_(new QTableView(this)),
      summary_(new QLabel(this)),
      bar_(new QProgressBar(this)) {
    // Fetching what arrived is the page's main action.
    download_->setIcon(Icon(LookIcon::Download));
    download_->SetColours(ButtonColours::Accent());

    view_->setObjectName(QStringLiteral("receivedFilesList"));
    view_->setAccessibleName(QStringLiteral("接收文件列表"));
    view_->setModel(&rules_->Model());
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setShowGrid(true);
    view_->setWordWrap(false);
    view_->setMouseTracking(true);  // the row under the mouse is underlined by the look
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    view_->verticalHeader()->hide();
    // Fixed row heights: no row is measured, however many there are.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->horizontalHeader()->setSectionsClickable(false);
    view_->horizontalHeader()->setHighlightSections(false);
    view_->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < ReceivedFilesModel::kColumnCount; ++column)
        view_->setColumnWidth(column, kColumnWidths[column]);

    summary_->setObjectName(QStringLiteral("spaceSummary"));
    summary_->setTextFormat(Qt::PlainText);
    bar_->setObjectName(QStringLiteral("spaceBar"));
    bar_->setTextVisible(false);
    bar_->setRange(0, 1);  // an empty range would make the bar a busy indicator
    bar_->setValue(0);

    auto* buttons = new QHBoxLayout;
    for (ImageButton* b : {selectAll_, refresh_, delete_, download_}) buttons->addWidget(b);
    buttons->addStretch();
    auto* space = new QHBoxLayout;
    space->addWidget(summary_, 1);
    space->addWidget(bar_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(view_, 1);
    layout->addLayout(space);

    ReceivedFiles& rules = *rules_;
    connect(selectAll_, &QPushButton::clicked, &rules, &ReceivedFiles::ToggleCheckAll);
    connect(refresh_, &QPushButton::clicked, &rules, &ReceivedFiles::Refresh);
    connect(delete_, &QPushButton::clicked, this,
            [this] { rules_->DeleteChecked(SelectedRows()); });
    connect(download_, &QPushButton::clicked, this,
            [this] { rules_->DownloadChecked(SelectedRows()); });
    connect(view_, &QAbstractItemView::doubleClicked, this,
            [this] { rules_->ConfirmDownload(SelectedRows()); });
    connect(view_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ContextMenu()->exec(view_->viewport()->mapToGlobal(at)); });
    // A long list comes in many replies, and painting the view after each would cost more than
    // everything else together: while rows arrive, the view is painted at most every 100 ms.
    repaintTimer_.setSingleShot(true);
    repaintTimer_.setInterval(kRepaintIntervalMs);
    connect(&repaintTimer_, &QTimer::timeout, view_, [this] { view_->setUpdatesEnabled(true); });
    connect(&rules.Model(), &QAbstractItemModel::rowsInserted, this,
            &ReceivedFilesPage::HoldRepaints);
    connect(&rules, &ReceivedFiles::deleteEnabledChanged, delete_, &QWidget::setEnabled);
    connect(&rules, &ReceivedFiles::selectAllTextChanged, selectAll_, &QPushButton::setText);
    connect(&rules, &ReceivedFiles::summaryChanged, this, &ReceivedFilesPage::ShowSummary);
}

ReceivedFilesPage::~ReceivedFilesPage() = default;

QList<int> ReceivedFilesPage::SelectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::unique_ptr<QMenu> ReceivedFilesPage::ContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("receivedFilesMenu"));
    menu->addAction(QStringLiteral("刷新(&F)"), rules_.get(), &ReceivedFiles::Refresh);
    menu->addSeparator();
    menu->addAction(QStringLiteral("加为好友(&R)"), this,
                    [this] { rules_->AddSenderAsFriend(SelectedRows()); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("文字回复(&P)"), this, &ReceivedFilesPage::ReplyWithText);
    menu->addAction(QStringLiteral("语音回复(M)"), this, &ReceivedFilesPage::ReplyWithVoice);
    menu->addSeparator();
    menu->addAction(QStringLiteral("删除文件(&D)"), this,
                    [this] { rules_->DeleteSelected(SelectedRows()); });
    menu->addAction(QStringLiteral("下载文件(&S)"), this,
                    [this] { rules_->DownloadChecked(SelectedRows()); });
    return menu;
}

void ReceivedFilesPage::ReplyWithText() {
    if (const auto draft = rules_->TextReply(SelectedRows()); draft && replies_.text)
        replies_.text(*draft, this);
}

void ReceivedFilesPage::ReplyWithVoice() {
    if (const auto draft = rules_->VoiceReply(SelectedRows()); draft && replies_.voice)
        replies_.voice(*draft, this);
}

void ReceivedFilesPage::HoldRepaints() {
    if (repaintTimer_.isActive()) return;
    view_->setUpdatesEnabled(false);
    repaintTimer_.start();
}

void ReceivedFilesPage::ShowSummary(const ReceivedFilesModel::SpaceSummary& summary) {
    summary_->setText(summary.text);
    bar_->setRange(0, std::max(summary.barMaximum, 1));
    bar_->setValue(summary.barValue);
}

}  // namespace tessan
