#include "about/AboutCommand.h"

#include "app/frmMain.h"

void AboutCommand::mnuHelpAbout_Click() { (void)main_; }
