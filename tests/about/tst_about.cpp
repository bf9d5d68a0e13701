// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: reading registry values, and starting the system information
// tool from each of its sources.
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "TestEnvironment.h"
#include "about/AboutCommand.h"
#include "about/frmAbout.h"
#include "app/frmMain.h"

namespace {

// A registry held in memory: one string value per "key\value" name; counts the keys left open.
class FakeRegistry : public Registry {
  public:
    QHash<QString, std::pair<uint32_t, QByteArray>> values;  // "key\\value" -> type, data
    QStringList asked;                                       // every key an open was tried on
    int open = 0;

    bool Present() const override { return true; }
    long OpenKeyEx(int32_t, const QString& subKey, uint32_t options, uint32_t, Key* key) override {
        asked << subKey;
        if (options != 0 || subKey == QLatin1String("denied")) return 5;  // access denied
        names_ << subKey;
        *key = Key(names_.size());
        ++open;
        return Success;
    }
    long QueryValueEx(Key key, const QString& valueName, uint32_t* type, QByteArray& buffer,
                      uint32_t* size) override {
        const auto found = values.constFind(names_.value(int(key) - 1) + '\\' + valueName);
        if (found == values.constEnd()) return FileNotFound;
        *type = found->first;
        if (uint32_t(found->second.size()) > *size) return MoreData;
        memcpy(buffer.data(), found->second.constData(), size_t(found->second.size()));
        *size = uint32_t(found->second.size());
        return Success;
    }
    long CloseKey(Key) override {
        --open;
        return Success;
    }

  private:
    QStringList names_;
};

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

const QString kMsInfo = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QString kLocation = "SOFTWARE\\Microsoft\\Shared Tools Location";

}  // namespace

class AboutTest : public QObject {
    Q_OBJECT

    ScriptedDialogHost dialogs;
    std::unique_ptr<frmAbout> about;
    FakeRegistry* registry = nullptr;
    FakeStarter* starter = nullptr;

  private slots:
    void init() {
        dialogs = ScriptedDialogHost();
        about = std::make_unique<frmAbout>(nullptr, &dialogs);
        auto fakeRegistry = std::make_unique<FakeRegistry>();
        auto fakeStarter = std::make_unique<FakeStarter>();
        registry = fakeRegistry.get();
        starter = fakeStarter.get();
        about->setRegistry(std::move(fakeRegistry));
        about->setProgramStarter(std::move(fakeStarter));
    }
    void cleanup() { about.reset(); }

    void getKeyValue_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<uint32_t>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("value");
        QTest::newRow("string") << kMsInfo << Registry::TypeSz << QByteArray("C:\\msinfo.exe\0", 14)
                                << true << "C:\\msinfo.exe";
        QTest::newRow("string without NUL")
            << kMsInfo << Registry::TypeSz << QByteArray("abc") << true << "abc";
        QTest::newRow("dword") << kMsInfo << Registry::TypeDword << QByteArray::fromHex("cdab3412")
                               << true << "&h1234ABCD";
        QTest::newRow("other type")
            << kMsInfo << Registry::TypeExpandSz << QByteArray("%windir%") << true << "as passed";
        QTest::newRow("missing value")
            << kMsInfo << Registry::TypeSz << QByteArray() << false << "";
        QTest::newRow("denied key")
            << "denied" << Registry::TypeSz << QByteArray("x") << false << "";
        QTest::newRow("too long") << kMsInfo << Registry::TypeSz << QByteArray(1025, 'a') << false
                                  << "";
    }
    void getKeyValue() {
        QFETCH(QString, key);
        QFETCH(uint32_t, type);
        QFETCH(QByteArray, data);
        QFETCH(bool, result);
        QFETCH(QString, value);
        if (!data.isEmpty()) registry->values[key + "\\PATH"] = {type, data};
        QString read = "as passed";
        QCOMPARE(about->GetKeyValue(Registry::LocalMachine, key, "PATH", read), result);
        QCOMPARE(read, value);
        QCOMPARE(registry->open, 0);
    }

    void emptyValueRaises() {
        registry->values[kMsInfo + "\\PATH"] = {Registry::TypeSz, QByteArray()};
        QString read;
        QVERIFY_THROWS_EXCEPTION(RegistryValueError,
                                 about->GetKeyValue(Registry::LocalMachine, kMsInfo, "PATH", read));
        QCOMPARE(registry->open, 0);
    }

    // The first source is the tool's own key, the second the shared tools folder; on a system
    // without a registry, the first of the known tools found on the path.
    void startSysInfo_data() {
        QTest::addColumn<QByteArray>("first");   // "PATH" of the first key ("-": absent)
        QTest::addColumn<QByteArray>("second");  // "MSINFO" of the second key ("-": absent)
        QTest::addColumn<QString>("started");    // empty: the message is shown
        QTest::newRow("first source")
            << QByteArray("C:\\Info\\info.exe") << QByteArray("C:\\Other") << "C:\\Info\\info.exe";
        QTest::newRow("first fails to start")
            << QByteArray("C:\\Broken.exe") << QByteArray("C:\\Tools") << "";
        QTest::newRow("second source")
            << QByteArray("-") << QByteArray("C:\\Tools") << "C:\\Tools\\MSINFO32.EXE";
        QTest::newRow("second without the file")
            << QByteArray("-") << QByteArray("C:\\Empty") << "";
        QTest::newRow("neither") << QByteArray("-") << QByteArray("-") << "";
        QTest::newRow("first empty") << QByteArray() << QByteArray("C:\\Tools") << "";
    }
    void startSysInfo() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(QString, started);
        if (first != "-") registry->values[kMsInfo + "\\PATH"] = {Registry::TypeSz, first};
        if (second != "-") registry->values[kLocation + "\\MSINFO"] = {Registry::TypeSz, second};
        starter->onPath["hardinfo"] = "/usr/bin/hardinfo";  // not used while there is a registry
        about->cmdSysInfo->click();
        QCOMPARE(starter->started, started.isEmpty() ? QStringList() : QStringList{started});
        QCOMPARE(registry->asked.contains(kLocation), first == "-");
        QCOMPARE(registry->open, 0);
        QCOMPARE(dialogs.messages.size(), started.isEmpty() ? 1 : 0);
        if (started.isEmpty())
            QCOMPARE(dialogs.messages[0].text,
                     QString("System Information Is Unavailable At This Time"));
    }

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
        QVERIFY(!about->GetKeyValue(Registry::LocalMachine, kMsInfo, "PATH", read));
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
