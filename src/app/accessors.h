// The accessors' conversions, shared by their definitions and their tests. The accessors
// themselves are declared where the engines that call them live (tftp/host_hooks.h,
// sequencer/sequencer_hooks.h) and answered by MainWindowHost in accessors.cpp.
#pragma once

#include <cstddef>
#include <string_view>

// A box's text read the way the design reads it: at most `max_chars` characters, then
// leading blanks, an optional sign and the digits up to the first other character; no
// digits give 0. Values beyond the range of int are held at its bounds.
int BoxTextToInt(std::string_view text, std::size_t max_chars);

// How many characters of each box the accessors read.
inline constexpr std::size_t kRetryChars = 49;
inline constexpr std::size_t kTimeoutChars = 49;
inline constexpr std::size_t kDelayChars = 13;
