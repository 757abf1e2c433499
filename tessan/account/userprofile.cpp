#include "account/userprofile.h"

#include "packet.h"

namespace tessan {

std::uint16_t UserProfile::TailWord() const {
    return tessnet::GetU16(bytes_.data() + kTailWordOffset);
}

void UserProfile::SetTailWord(std::uint16_t value) {
    tessnet::PutU16(bytes_.data() + kTailWordOffset, value);
}

}  // namespace tessan
