#include "sequencer/step_ring.h"

StepRing g_planRing;
StepRing g_priorityRing;

void StepRing::Push(std::int32_t code) {
    if (Full()) return;
    slots[tail] = code;
    tail = (tail + 1) % kSlots;
}

bool StepRing::Pop(std::int32_t& code) {
    if (Empty()) return false;
    code = slots[head];
    head = (head + 1) % kSlots;
    return true;
}
