// Page: the base of every page of the main window's page area. A page gets the session (the shared
// state and the notice channel) and, in its own constructor, the services it uses; it subscribes
// to the notifications it needs with itself as the context object. The main window shows one page
// at a time and calls Shown each time.
#pragma once

#include <QString>
#include <QWidget>

namespace tessan {

class ClientSession;

class Page : public QWidget {
    Q_OBJECT
  public:
    // `title` is the page's name for the user (also its accessible name); `objectName` names it
    // for tests and style sheets. The session must outlive the page.
    Page(ClientSession& session, const QString& title, const QString& objectName,
         QWidget* parent = nullptr);

    const QString& Title() const { return title_; }
    // Whether the transfer list stays visible under this page (received files and send).
    virtual bool ShowsTransferList() const { return false; }
    // Runs each time the main window shows the page, after it became the current one.
    virtual void Shown() {}

  protected:
    ClientSession& Session() const { return session_; }

  private:
    ClientSession& session_;
    QString title_;
};

}  // namespace tessan
