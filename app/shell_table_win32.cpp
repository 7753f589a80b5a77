#include "app/shell_table.h"

#include <shellapi.h>

namespace {

const ShellTable kReal = {
    GetOpenFileNameW, // getOpenFileName
    GetSaveFileNameW, // getSaveFileName
    MessageBoxA,      // messageBox
    ShellExecuteW,    // shellExecute
};

const ShellTable* g_table = &kReal;

} // namespace

const ShellTable* Shell() {
    return g_table;
}

const ShellTable* ShellRealTable() {
    return &kReal;
}

void ShellSetTable(const ShellTable* table) {
    g_table = table ? table : &kReal;
}
