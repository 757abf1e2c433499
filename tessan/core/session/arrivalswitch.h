// ArrivalSwitch: whether the client looks for new files in the background while logged in and
// announces them on the desktop. Kept in "<AppDir>/notify.ini" beside the other local files; on
// unless the user turned it off there or on the settings page.
#pragma once

#include <QObject>
#include <QString>

namespace tessan {

class ArrivalSwitch final : public QObject {
    Q_OBJECT
  public:
    static constexpr char16_t kFileName[] = u"notify.ini";

    // Reads the choice from `appDir`; a missing or unreadable file means on.
    explicit ArrivalSwitch(QString appDir, QObject* parent = nullptr);

    bool IsOn() const { return on_; }
    // Takes the choice at once and stores it; announced with changed when it differs. A file that
    // cannot be written is reported in the diagnostics: the choice holds until the program ends.
    void Set(bool on);

  signals:
    void changed(bool on);

  private:
    QString path_;
    bool on_ = true;
};

}  // namespace tessan
