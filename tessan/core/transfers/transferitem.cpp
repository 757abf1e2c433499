#include "core/transfers/transferitem.h"

#include <cstring>

namespace tessan {

QString TransferItem::LocalPath() const {
    return QString::fromUtf8(FieldBytes(Layout(Field::LocalPath)));
}

bool TransferItem::SetLocalPath(const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    const FieldLayout f = Layout(Field::LocalPath);
    // A cut path would name another file: refuse it whole.
    if (utf8.size() >= static_cast<qsizetype>(f.width) || utf8.contains('\0')) {
        SetFieldBytes(f, {});
        return false;
    }
    return SetFieldBytes(f, utf8);
}

}  // namespace tessan
