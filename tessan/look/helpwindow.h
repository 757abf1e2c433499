// "Tessan帮助": the help pages bundled with the program, in a window of its own. Links to other
// help pages stay in the window; links to the web open in the desktop's browser.
#pragma once

#include <QDialog>
#include <QUrl>

class QTextBrowser;

namespace tessan {

class HelpWindow final : public QDialog {
    Q_OBJECT
  public:
    static const QUrl kStartPage;

    explicit HelpWindow(QWidget* parent = nullptr);
    QTextBrowser* Browser() const { return browser_; }

  private:
    QTextBrowser* browser_;
};

// Shows the help window of `owner`, creating it on first use and raising it afterwards.
HelpWindow* ShowHelpWindow(QWidget* owner);

}  // namespace tessan
