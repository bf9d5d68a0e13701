#include "speech/ReadAloud.h"

#include "app/frmMain.h"

void ReadAloud::mnuHear_Click() { (void)main_; }
void ReadAloud::Stop() {}
