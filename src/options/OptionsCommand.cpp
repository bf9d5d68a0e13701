#include "options/OptionsCommand.h"

#include "app/frmMain.h"

void OptionsCommand::mnuViewOptions_Click() { (void)main_; }
