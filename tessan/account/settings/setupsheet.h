// CSetupSheet: "系统设置", three tabs: the own profile (CSetupPage1), the send log (CSetupPage2)
// and the receive log (CSetupPage3). Each tab is refilled each time it becomes active.
#pragma once

#include "account/settings/logdocument.h"
#include "account/settings/profilesettings.h"
#include "core/transfers/transferlogs.h"

#include <QTabWidget>
#include <QWidget>

#include <array>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tessan {

class CSetupPage1 final : public QWidget {
    Q_OBJECT
  public:
    CSetupPage1(ProfileSettings& settings, QWidget* parent = nullptr);
    // Fills the form from the own profile with an empty confirmation (only after a login).
    void Activate();
    QLineEdit* Box(ProfileBox box) const { return boxes_[static_cast<std::size_t>(box)]; }

  private:
    void Save();

    ProfileSettings& settings_;
    std::array<QLineEdit*, kProfileBoxCount> boxes_{};
    QPushButton* save_;
    QPushButton* notice_;
};

// A log tab: the last 64 KiB of the log, editable, and "保存".
class LogPage : public QWidget {
    Q_OBJECT
  public:
    // `appDir` and `currentAccount` name the log "<appDir>/log/<account>_...Log.txt".
    LogPage(TransferLog log, QString appDir, const AccountText& currentAccount,
            QWidget* parent = nullptr);
    void Activate();
    QPlainTextEdit* TextBox() const { return text_; }

  private:
    void Save();
    QString Path() const;

    TransferLog log_;
    QString appDir_;
    const AccountText& currentAccount_;
    LogDocument document_;
    QPlainTextEdit* text_;
};

class CSetupPage2 final : public LogPage {
    Q_OBJECT
  public:
    CSetupPage2(QString appDir, const AccountText& currentAccount, QWidget* parent = nullptr)
        : LogPage(TransferLog::Send, std::move(appDir), currentAccount, parent) {}
};

class CSetupPage3 final : public LogPage {
    Q_OBJECT
  public:
    CSetupPage3(QString appDir, const AccountText& currentAccount, QWidget* parent = nullptr)
        : LogPage(TransferLog::Receive, std::move(appDir), currentAccount, parent) {}
};

class CSetupSheet final : public QTabWidget {
    Q_OBJECT
  public:
    CSetupSheet(ProfileSettings& settings, const QString& appDir, const AccountText& currentAccount,
                QWidget* parent = nullptr);
    // A new own profile arrived: the profile tab becomes the active one and refills.
    void ShowProfile();

    CSetupPage1* ProfilePage() const { return profile_; }
    LogPage* SendLogPage() const { return sendLog_; }
    LogPage* ReceiveLogPage() const { return receiveLog_; }

  private:
    // The tab that became the current one refills.
    void Activate();

    CSetupPage1* profile_;
    CSetupPage2* sendLog_;
    CSetupPage3* receiveLog_;
};

}  // namespace tessan
