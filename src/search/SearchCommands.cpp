#include "search/SearchCommands.h"

#include "app/frmMain.h"

void SearchCommands::mnuFind_Click() { (void)main_; }
void SearchCommands::mnuFindNext_Click() {}
void SearchCommands::mnuReplace_Click() {}
