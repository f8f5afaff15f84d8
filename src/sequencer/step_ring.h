// StepRing: the queue of step codes a plan is made of. 200 slots, one always left free
// so that a full ring can be told from an empty one: it holds at most 199 codes, and a
// push onto a full ring is dropped.
#pragma once

#include <cstdint>

#include "tftp/step_codes.h"

class StepRing {
public:
    static constexpr int kSlots = 200;

    void Reset() { head = tail = 0; }
    bool Empty() const { return head == tail; }
    bool Full() const { return (tail + 1) % kSlots == head; }
    int Count() const { return (tail - head + kSlots) % kSlots; }

    // Dropped without a word when the ring is full.
    void Push(std::int32_t code);
    // False when the ring is empty.
    bool Pop(std::int32_t& code);

    std::int32_t slots[kSlots] = {};
    std::int32_t head = 0;  // next code to read
    std::int32_t tail = 0;  // next free slot
};

// The plan ring, which the pages fill, and the priority ring, which the Sequencer reads
// first (the unlock key before each further read, the further entries of a pack).
extern StepRing g_planRing;
extern StepRing g_priorityRing;

// Empties both rings.
void ResetStepRings();
