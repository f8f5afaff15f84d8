// The names the client still has to read from the modem, with the bytes received for each.
#pragma once

#include <cstdint>
#include <string>

class ReceiveList {
public:
    static constexpr int kCapacity = 50;

    // Appends a copy of the name; false when the list is full (the name is not added).
    bool Add(const std::string& name);
    void Clear();

    int Count() const { return count_; }
    int Position() const { return position_; }
    bool Exhausted() const { return position_ >= count_; }
    const std::string& Name(int i) const { return names_[i]; }
    std::uint32_t Bytes(int i) const { return bytes_[i]; }

    // Takes the next name to request and moves on; its byte count starts at 0.
    const std::string& TakeNext();
    // Adds to the byte count of the name last taken.
    void AddToCurrent(std::uint32_t n);

private:
    std::string names_[kCapacity];
    std::uint32_t bytes_[kCapacity] = {};
    int position_ = 0;
    int count_ = 0;
};
