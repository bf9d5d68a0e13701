#include "html/StripCommand.h"

#include "app/frmMain.h"

void StripCommand::mnuStrip_Click() { (void)main_; }
