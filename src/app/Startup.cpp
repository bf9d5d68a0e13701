// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Startup.h"

#include "app/frmMain.h"
#include "common/DialogHost.h"
#include "common/core/DocumentSettings.h"
#include "common/core/SettingsStore.h"

namespace Startup {

frmMain* Main(const AppServices& services) {
    const QString storeProblem = SettingsStore::setAsideIfUnusable();
    CurrentDocumentSettings().LoadFromStore();
    auto* main = new frmMain(services);
    main->MDIForm_Load();

    const int state = SettingText::toWholeNumber16(
        SettingsStore::GetSetting(QStringLiteral("WindowState"), QStringLiteral("2")), 2);
    switch (state) {
        case 0:
            main->show();
            break;
        case 1:
            main->showMinimized();
            break;
        default:
            main->showMaximized();
            break;
    }
    if (!storeProblem.isEmpty() && services.dialogs)
        services.dialogs->MsgBox(main, storeProblem, MsgBoxStyle::Exclamation, QString());
    main->offerRecovery();
    return main;
}

}  // namespace Startup
