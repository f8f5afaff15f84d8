#include "tftp/command_files.h"

#include "tftp/engine_globals.h"

namespace {

std::string_view Empty() { return {}; }
std::string_view Password() { return g_szPassword; }
std::string_view Macro1() { return g_szMacroText1; }
std::string_view Macro2() { return g_szMacroText2; }

}  // namespace

const CommandFile CommandFileTable[kCommandFileCount] = {
    {"", Empty},
    {"tftplock.key", Password},
    {"tftpupdt.beg", Empty},
    {"tftpupdt.rbt", Empty},
    {"tftpupdt.end", Empty},
    {"cmdmacro", Macro1},
    {"cmdmacro", Macro2},
    {"RequestID", Password},
};

bool IsCommandFileIndex(int index) { return index >= 1 && index < kCommandFileCount; }

std::string CommandFileData(int index) {
    std::string data;
    if (IsCommandFileIndex(index)) data = CommandFileTable[index].content();
    data += "\r\n";
    return data;
}
