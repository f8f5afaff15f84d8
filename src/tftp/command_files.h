// The modem is steered by writing small files with reserved names. Each entry pairs such a
// name with the buffer whose text is written (followed by CR LF); the step codes 1 to 7
// are the indices.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct CommandFile {
    const char* remoteName;
    std::string_view (*content)();  // read at the moment of the write
};

inline constexpr int kCommandFileCount = 8;
extern const CommandFile CommandFileTable[kCommandFileCount];

inline constexpr int kUnlockKeyIndex = 1;
inline constexpr int kRequestIdIndex = 7;

// True for the indices that name a file to write (1 to 7); 0 stands for a plain send.
bool IsCommandFileIndex(int index);

// The bytes of the single DATA block: the buffer's text, then CR LF.
std::string CommandFileData(int index);
