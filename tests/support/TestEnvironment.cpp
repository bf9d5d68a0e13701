#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>

#include "app/Startup.h"
#include "app/core/SettingsStore.h"
#include "app/frmMain.h"

TestEnvironment::TestEnvironment() {
    SettingsStore::setStorageFolder(settings_.path());
    services.dialogs = &dialogs;
    services.programFolder = program_.path();
    // Previews go beside the test's program too, never to the user's own folders.
    services.previewFolder = program_.path();
}

TestEnvironment::~TestEnvironment() {
    if (main_) {
        // Leave without prompts: the test is over.
        main_->hide();
        main_.reset();
    }
    setMainWindowRef(nullptr);
    SettingsStore::setStorageFolder(QString());
}

void TestEnvironment::setSetting(const QString& key, const QString& value) {
    SettingsStore::SaveSetting(key, value);
}

QString TestEnvironment::setting(const QString& key, const QString& fallback) const {
    return SettingsStore::GetSetting(key, fallback);
}

void TestEnvironment::installReadme(const QByteArray& rtf) {
    QFile file(program_.filePath(QStringLiteral("readme.qlo")));
    if (file.open(QIODevice::WriteOnly)) file.write(rtf);
}

frmMain* TestEnvironment::start(const QString& commandLine) {
    services.commandLine = commandLine;
    main_.reset(Startup::Main(services));
    return main_.get();
}

bool TestEnvironment::closeMain() {
    if (!main_) return true;
    const bool closed = main_->close();
    QCoreApplication::processEvents();
    return closed;
}
