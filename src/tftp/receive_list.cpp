#include "tftp/receive_list.h"

bool ReceiveList::Add(const std::string& name) {
    if (count_ >= kCapacity) return false;
    names_[count_] = name;
    bytes_[count_] = 0;
    ++count_;
    return true;
}

void ReceiveList::Clear() {
    for (int i = 0; i < count_; ++i) names_[i].clear();
    position_ = 0;
    count_ = 0;
}

const std::string& ReceiveList::TakeNext() {
    bytes_[position_] = 0;
    return names_[position_++];
}

void ReceiveList::AddToCurrent(std::uint32_t n) {
    if (position_ > 0) bytes_[position_ - 1] += n;
}
