// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: starting the system information tool. Without a registry (this platform) the
// first of the known tools found on the path is started, and no value can be read.
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "TestEnvironment.h"
#include "about/AboutCommand.h"
#include "about/frmAbout.h"
#include "app/frmMain.h"

namespace {

class FakeStarter : public ProgramStarter {
  public:
    QStringList files = {"C:\\Tools\\MSINFO32.EXE", "C:\\Info\\info.exe"};  // paths that exist
    QStringList broken = {"C:\\Broken.exe", "/bin/broken"};                 // fail to start
    QHash<QString, QString> onPath;
    QStringList started;

    bool Start(const QString& path) override {
        if (path.isEmpty() || broken.contains(path)) return false;
        started << path;
        return true;
    }
    bool FileExists(const QString& path) override { return files.contains(path); }
    QString FindOnPath(const QString& name) override { return onPath.value(name); }
};

}  // namespace

class AboutTest : public QObject {
    Q_OBJECT

    ScriptedDialogHost dialogs;
    std::unique_ptr<frmAbout> about;
    FakeStarter* starter = nullptr;

  private slots:
    void init() {
        dialogs = ScriptedDialogHost();
        about = std::make_unique<frmAbout>(nullptr, &dialogs);
        auto fakeStarter = std::make_unique<FakeStarter>();
        starter = fakeStarter.get();
        about->setProgramStarter(std::move(fakeStarter));
    }
    void cleanup() { about.reset(); }

    void withoutRegistry() {
        about->setRegistry(CreatePlatformRegistry());
        about->StartSysInfo();
        QCOMPARE(dialogs.messages.size(), 1);
        starter->onPath = {{"kinfocenter", "/bin/broken"},
                           {"gnome-system-monitor", "/bin/monitor"}};
        about->StartSysInfo();
        QCOMPARE(starter->started, QStringList{"/bin/monitor"});
        QCOMPARE(dialogs.messages.size(), 1);

        QString read = "kept?";
        QVERIFY(!about->GetKeyValue(Registry::LocalMachine, "SOFTWARE\\Tools", "PATH", read));
        QCOMPARE(read, QString());
        auto real = CreateProgramStarter();
        QTemporaryDir dir;
        QVERIFY(!real->FileExists(dir.path()));
        QVERIFY(!real->Start(dir.filePath("missing")));
    }

    void commandShowsAModalBoxOwnedByTheMainWindow() {
        TestEnvironment env;
        env.setSetting("FirstTime", "No");
        frmMain* main = env.start();
        QPointer<QDialog> shown;
        bool asExpected = false;
        AboutCommand::setShowModal([&](QDialog& dialog) {
            shown = &dialog;
            asExpected = qobject_cast<frmAbout*>(&dialog) && dialog.parentWidget() == main &&
                         dialog.windowModality() == Qt::ApplicationModal;
        });
        main->tbToolBar_ButtonClick("About");
        AboutCommand::setShowModal({});
        QVERIFY(asExpected);
        QVERIFY(!shown);  // unloaded when it closes
    }
};

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
