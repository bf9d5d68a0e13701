#include "html/PreviewCommand.h"

#include "app/frmMain.h"

void PreviewCommand::mnuPre_Click() { (void)main_; }
