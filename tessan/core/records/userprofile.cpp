#include "core/records/userprofile.h"

#include <QtEndian>

namespace tessan {

std::uint16_t UserProfile::TailWord() const {
    return qFromLittleEndian<std::uint16_t>(bytes_.data() + kTailWordOffset);
}

void UserProfile::SetTailWord(std::uint16_t value) {
    qToLittleEndian(value, bytes_.data() + kTailWordOffset);
}

}  // namespace tessan
