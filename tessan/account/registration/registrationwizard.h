// The registration wizard, "Tessan用户注册向导": three pages that fill the registrar's profile and
// send it on "完成". The rules (checks, filters, default key) are in registrationrules.h; the
// pages keep their typed values from one run to the next.
#pragma once

#include "account/registration/registrationrules.h"
#include "core/base/messageboxes.h"

#include <QWizard>
#include <QWizardPage>

#include <map>

class QGridLayout;
class QLabel;
class QLineEdit;

namespace tessan {

class Registrar;

namespace registration {

// A page: the help static on the left, the inputs framed by a group box on the right. Each input
// shows its help while it has the focus and runs its typing filter on every change.
class InputPage : public QWizardPage {
    Q_OBJECT
  public:
    QLineEdit* Edit(Input input) const { return edits_.at(input); }
    QString Text(Input input) const;

  protected:
    InputPage(const QString& group, QWidget* parent);
    // Adds an input with its label; `red` for the labels of the mandatory data.
    QLineEdit* AddInput(Input input, const QString& label, bool red = false);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // An input lost the focus.
    virtual void Left(Input) {}

  private:
    // Every change: the text is cut to what its field holds, then filtered.
    void Changed(Input input);

    QLabel* help_;
    QGridLayout* grid_;
    std::map<Input, QLineEdit*> edits_;
    std::map<Input, QString> lastText_;  // before the change being handled
};

class Step1Page final : public InputPage {
    Q_OBJECT
  public:
    Step1Page(Registrar& registrar, MessageBoxes& boxes, QWidget* parent = nullptr);
    bool validatePage() override;

  private:
    void Left(Input input) override;
    Registrar& registrar_;
    MessageBoxes& boxes_;
};

class Step2Page final : public InputPage {
    Q_OBJECT
  public:
    Step2Page(Registrar& registrar, QWidget* parent = nullptr);
    bool validatePage() override;

  private:
    Registrar& registrar_;
};

class Step3Page final : public InputPage {
    Q_OBJECT
  public:
    Step3Page(Registrar& registrar, QWidget* parent = nullptr);
    bool validatePage() override;

  private:
    Registrar& registrar_;
};

}  // namespace registration

class RegistrationWizard final : public QWizard {
    Q_OBJECT
  public:
    enum PageId { kStep1, kStep2, kStep3 };

    // `registrar` sends the registration and outlives the wizard.
    RegistrationWizard(Registrar& registrar, MessageBoxes& boxes, QWidget* parent = nullptr);

    // Back to the first page with the values typed last time; the profile starts from zero.
    void Prepare();
    // Prepare, then run modally.
    int Run();

  public slots:
    void done(int result) override;

  private:
    Registrar& registrar_;
};

}  // namespace tessan
