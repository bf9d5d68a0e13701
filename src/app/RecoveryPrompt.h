// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class DialogHost;
class frmDocument;
class QWidget;
class RecoveryStore;

// After a run that did not end normally: offers the unsaved texts it left and reopens them as
// changed documents when the user agrees.
namespace RecoveryPrompt {

// `newDocument` makes the window each text goes into. Yes restores and No discards the texts;
// any other answer keeps them for the next start.
void offer(RecoveryStore* store, DialogHost* dialogs, QWidget* owner,
           const std::function<frmDocument*()>& newDocument);

}  // namespace RecoveryPrompt
