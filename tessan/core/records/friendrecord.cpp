#include "core/records/friendrecord.h"

namespace tessan {

FriendRecord::FriendRecord(QByteArrayView owner, QByteArrayView friendNumber,
                           QByteArrayView friendKey) {
    SetFieldBytes(kOwner, owner);
    SetFieldBytes(kFriendNumber, friendNumber);
    SetFieldBytes(kFriendKey, friendKey);
}

}  // namespace tessan
