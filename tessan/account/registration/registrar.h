// Sends a registration and handles its result: the profile the wizard fills page by page, the
// request to the new number's server on a connection of its own (closed once the verdict came),
// and what the verdict changes (the address book entry, the notice, the remembered login the new
// account logs in with).
#pragma once

#include "core/base/messageboxes.h"
#include "core/base/timer.h"
#include "core/library/connections.h"
#include "core/login/serverlookup.h"
#include "core/records/userprofile.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tessan {

class Registrar final : public QObject, public ConnectionOwner {
    Q_OBJECT
  public:
    using ShowNotice = std::function<void(const QString& text, bool error)>;

    // How long the server's verdict is awaited before the user is told that none came.
    static constexpr int kAnswerTimeoutMs = 30000;
    // Shown in the success notice instead of the private key, which never goes on screen again.
    static const QString kHiddenKey;

    // `resolver` looks up a server named by its host name. Everything must outlive the registrar.
    Registrar(Connections& connections, MessageBoxes& boxes, HostResolver& resolver, QString appDir,
              ShowNotice showNotice, const TimerFactory& timers,
              int answerTimeoutMs = kAnswerTimeoutMs, QObject* parent = nullptr);
    ~Registrar() override;

    // The wizard opens: the profile being registered starts from zero.
    void Begin();
    // RegistrationProfile: the pages write into it when they are left forward.
    UserProfile& Profile() { return profile_; }
    const UserProfile& Profile() const { return profile_; }

    // "完成": sends the profile to the new number's server, once its host name is found. True when
    // the request went out or waits for the lookup; a failure then is told as a notice. A second
    // Submit while the first one's lookup runs replaces it.
    bool Submit();

    // The registration's connection: the verdict (3), or no connection at all.
    bool Notified(const Notification& n) override;
    void ConnectionLost(const QByteArray& account) override;

    bool AwaitingResult() const { return sent_.has_value(); }

  signals:
    // The server accepted the account: its entry belongs in the address book.
    void accountRegistered(const tessan::UserProfile& profile);
    // The new account's login was remembered; an open login dialog lists it again.
    void loginRemembered();

  private:
    void Send(const QByteArray& server, int port, const UserProfile& profile,
              const LookupResult& found);
    void OnResult(const Reply& reply);
    void NoAnswer();
    // The request could not reach the server at `server`:`port`.
    void SendFailed(const QByteArray& server, int port);

    Connections& connections_;
    MessageBoxes& boxes_;
    QString appDir_;
    ShowNotice showNotice_;
    std::unique_ptr<Timer> answerTimer_;
    int answerTimeoutMs_;
    std::unique_ptr<ServerLookup> lookup_;
    bool sendFailed_ = false;  // the request that Submit sent at once could not go out
    QByteArray server_;        // where the request went
    int port_ = 0;
    UserProfile profile_;
    // What went to the server: the wizard may open again and clear its profile before the
    // verdict on this one arrives.
    std::optional<UserProfile> sent_;
};

}  // namespace tessan
