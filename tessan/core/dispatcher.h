// DispatchNotification: routes each library notification to the page it concerns and handles
// the ones that concern the login as a whole (own login result, own profile, server notices,
// loss of the own connection, unknown types). Pages join through Route and the ordered groups;
// the main window supplies the hooks that reach its widgets.
#pragma once

#include "account/userprofile.h"
#include "core/messageboxes.h"
#include "core/notifications.h"

#include <QString>

#include <functional>
#include <map>
#include <vector>

namespace tessan {

class Dispatcher {
  public:
    using Handler = std::function<void(const Notification&)>;
    using ReplyHandler = std::function<void(const Reply&)>;
    using ProfileHandler = std::function<void(const UserProfile&)>;

    struct Hooks {
        std::function<void(const QString& text, bool error)> showNotice;
        std::function<void()> clearNotices;
        std::function<void()> enablePageButtons;
        std::function<void(const QString& title)> setTitle;
        std::function<void(int page)> showPage;
        // Reopens the login dialog once the current notification has been handled.
        std::function<void()> postLoginCommand;
    };

    Dispatcher(Hooks hooks, MessageBoxes& boxes);

    void DispatchNotification(const Notification& n);

    // The handler of a type that another page owns. For type 1 it gets only the replies of
    // connections other than the own account's (recipients' servers).
    void Route(int type, Handler handler);
    // The login dialog, while it is open; it sees the own login result.
    void SetLoginDialog(ReplyHandler handler) { loginDialog_ = std::move(handler); }
    // Login reset: run for every own login result, before and after the login dialog sees it.
    void JoinResetBeforeLoginDialog(std::function<void()> handler);
    void JoinResetAfterLoginDialog(std::function<void()> handler);
    // The own profile's handlers: before OwnProfile is replaced (the address book) and after
    // (the settings sheet).
    void JoinOwnProfileBeforeStore(ProfileHandler handler);
    void JoinOwnProfileAfterStore(ProfileHandler handler);

  private:
    void OwnLoginResult(const Reply& reply);
    void OwnProfileArrived(const Reply& reply);
    void ServerNotice(const Reply& reply);
    void ConnectionLost(const AccountEvent& event);
    void Unknown(int type);
    bool PassOn(const Notification& n);

    Hooks hooks_;
    MessageBoxes& boxes_;
    std::map<int, Handler> routes_;
    ReplyHandler loginDialog_;
    std::vector<std::function<void()>> resetBefore_;
    std::vector<std::function<void()>> resetAfter_;
    std::vector<ProfileHandler> profileBefore_;
    std::vector<ProfileHandler> profileAfter_;
};

}  // namespace tessan
