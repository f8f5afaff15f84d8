#include "tftp/command_files.h"

#include "tftp/engine_globals.h"

namespace {

std::string_view Empty() { return {}; }
std::string_view Password() { return g_szPassword; }

}  // namespace

const CommandFile CommandFileTable[kCommandFileCount] = {
    {"", Empty},
    {"tftplock.key", Password},
    {"tftpupdt.beg", Empty},
    {"tftpupdt.rbt", Empty},
    {"tftpupdt.end", Empty},
    // The remote upgrade's two macro writes carry no text of their own.
    {"cmdmacro", Empty},
    {"cmdmacro", Empty},
    {"RequestID", Password},
};

bool IsCommandFileIndex(int index) { return index >= 1 && index < kCommandFileCount; }

std::string CommandFileData(int index) {
    std::string data;
    if (IsCommandFileIndex(index)) data = CommandFileTable[index].content();
    data += "\r\n";
    return data;
}
