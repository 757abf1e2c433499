#include "core/session/arrivalswitch.h"

#include "core/base/diagnostics.h"
#include "core/base/privateprofile.h"
#include "core/startup/localfiles.h"

#include <QFile>
#include <QSaveFile>

namespace tessan {

namespace {
constexpr char kSection[] = "arrivals";
constexpr char kKey[] = "notify";
}  // namespace

ArrivalSwitch::ArrivalSwitch(QString appDir, QObject* parent)
    : QObject(parent), path_(LocalPath(appDir, kFileName)) {
    on_ = PrivateProfile::Load(path_).Int(kSection, kKey, 1) != 0;
}

void ArrivalSwitch::Set(bool on) {
    if (on == on_) return;
    on_ = on;
    QSaveFile file(path_);
    const QByteArray text =
        QByteArray("[") + kSection + "]\n" + kKey + '=' + (on ? '1' : '0') + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        qCWarning(lcFiles) << "cannot store the arrival notices' switch in" << path_ << ':'
                           << file.errorString();
    else
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    emit changed(on);
}

}  // namespace tessan
