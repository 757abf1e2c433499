// The overwrite confirmation dialog "确认是否覆盖": the message, the box "对所有文件" and the
// buttons "覆盖" and "取消". The box's state is kept as it is clicked, so it also counts after
// Cancel.
#pragma once

#include "messaging/received/overwritequestion.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tessan {

class OverwriteDialog final : public QDialog {
    Q_OBJECT
  public:
    static const QString kTitle;   // "确认是否覆盖"
    static const QString kOkText;  // "覆盖"

    explicit OverwriteDialog(QWidget* parent = nullptr);

    // The title and the OK button's text are applied only when not empty.
    void Fill(const OverwriteQuestion::Request& request);
    bool ForAll() const { return forAll_; }

  private:
    QLabel* message_;
    QCheckBox* forAllBox_;
    QPushButton* ok_;
    QPushButton* cancel_;
    bool forAll_ = false;
};

// The question asked with that dialog, modal over `parent`.
class OverwriteDialogQuestion final : public OverwriteQuestion {
  public:
    explicit OverwriteDialogQuestion(QWidget* parent) : parent_(parent) {}
    Answer Ask(const Request& request) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace tessan
