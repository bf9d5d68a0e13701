// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStandardPaths>

#include "app/Startup.h"
#include "app/frmMain.h"
#include "common/ChildForm.h"
#include "common/core/SettingsStore.h"

namespace {

// The folder the settings store was last pointed at. Before the first environment, the test
// configuration folder (test mode is on), so that nothing after it reaches the user's own store.
QString& currentSettingsFolder() {
    static QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/Quillo");
    return folder;
}

}  // namespace

TestEnvironment::TestEnvironment() : previousSettings_(currentSettingsFolder()) {
    currentSettingsFolder() = settings_.path();
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
    // Back to where the store was before, not to the user's own store.
    currentSettingsFolder() = previousSettings_;
    SettingsStore::setStorageFolder(previousSettings_);
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
    services.startFiles = commandLine.isEmpty() ? QStringList() : QStringList{commandLine};
    services.startLines = {0};
    main_.reset(Startup::Main(services));
    return main_.get();
}

bool TestEnvironment::closeMain() {
    if (!main_) return true;
    const bool closed = main_->close();
    QCoreApplication::processEvents();
    return closed;
}

void WindowTest::init() {
    env = std::make_unique<TestEnvironment>();
    env->setSetting(QStringLiteral("FirstTime"), QStringLiteral("No"));
    main = env->start();
}

void WindowTest::showBrowser() const {
    auto* browser = new ChildForm;
    browser->setTag(QStringLiteral("Web"));
    QMdiSubWindow* window = main->addChildWindow(browser);
    window->show();
    main->mdiArea()->setActiveSubWindow(window);
}

QString WindowTest::file(const QString& name, const QByteArray& bytes) const {
    const QString path = env->scratch(name);
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() ? path : QString();
}
