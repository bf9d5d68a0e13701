// The About box: its keys, reading registry values, and starting the system
// information tool from each of its sources.
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "TestEnvironment.h"
#include "about/AboutCommand.h"
#include "about/frmAbout.h"
#include "app/frmMain.h"

namespace {

struct FakeValue {
    uint32_t type;
    QByteArray data;
};

// A registry held in memory; records which keys were asked for and counts the keys left open.
class FakeRegistry : public Registry {
  public:
    bool present = true;
    QHash<QString, QHash<QString, FakeValue>> keys;
    QStringList deniedKeys;
    QStringList asked;  // every key an open was tried on
    int open = 0;

    bool Present() const override { return present; }
    long OpenKeyEx(int32_t root, const QString& subKey, uint32_t options, uint32_t access,
                   Key* key) override {
        Q_UNUSED(root);
        Q_UNUSED(access);
        asked << subKey;
        if (options != 0 || deniedKeys.contains(subKey)) return 5;  // access denied
        if (!keys.contains(subKey)) return FileNotFound;
        names_ << subKey;
        *key = Key(names_.size());
        ++open;
        return Success;
    }
    long QueryValueEx(Key key, const QString& valueName, uint32_t* type, QByteArray& buffer,
                      uint32_t* size) override {
        const QString subKey = names_.value(int(key) - 1);
        const auto values = keys.value(subKey);
        if (!values.contains(valueName)) return FileNotFound;
        const FakeValue& value = values.value(valueName);
        *type = value.type;
        if (uint32_t(value.data.size()) > *size) return MoreData;
        memcpy(buffer.data(), value.data.constData(), size_t(value.data.size()));
        *size = uint32_t(value.data.size());
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
    QStringList files;   // paths that exist
    QStringList broken;  // paths that fail to start
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

QByteArray sz(const char* text) {
    return QByteArray(text) + '\0';
}

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

    void enterAndEscClose_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("enter") << int(Qt::Key_Return);
        QTest::newRow("esc") << int(Qt::Key_Escape);
    }
    void enterAndEscClose() {
        QFETCH(int, key);
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about.get()));
        about->cmdOK->setFocus();
        QTest::keyClick(about.get(), Qt::Key(key));
        QVERIFY(!about->isVisible());
    }

    void getKeyValue_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<uint32_t>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("value");
        QTest::newRow("string") << kMsInfo << Registry::TypeSz << sz("C:\\Tools\\msinfo.exe")
                                << true << "C:\\Tools\\msinfo.exe";
        QTest::newRow("string without NUL")
            << kMsInfo << Registry::TypeSz << QByteArray("abc") << true << "abc";
        QTest::newRow("single NUL")
            << kMsInfo << Registry::TypeSz << QByteArray(1, '\0') << true << "";
        QTest::newRow("dword") << kMsInfo << Registry::TypeDword << QByteArray::fromHex("cdab3412")
                               << true << "&h1234ABCD";
        QTest::newRow("small dword")
            << kMsInfo << Registry::TypeDword << QByteArray::fromHex("ff000000") << true << "&hFF";
        QTest::newRow("other type")
            << kMsInfo << Registry::TypeExpandSz << sz("%windir%") << true << "as passed";
        QTest::newRow("missing value")
            << kMsInfo << Registry::TypeSz << QByteArray() << false << "";
        QTest::newRow("missing key")
            << "SOFTWARE\\Nowhere" << Registry::TypeSz << sz("x") << false << "";
        QTest::newRow("denied key") << "denied" << Registry::TypeSz << sz("x") << false << "";
        QTest::newRow("too long") << kMsInfo << Registry::TypeSz << QByteArray(1025, 'a') << false
                                  << "";
    }
    void getKeyValue() {
        QFETCH(QString, key);
        QFETCH(uint32_t, type);
        QFETCH(QByteArray, data);
        QFETCH(bool, result);
        QFETCH(QString, value);
        registry->keys[kMsInfo];
        registry->keys["denied"]["PATH"] = {type, data};
        registry->deniedKeys << "denied";
        if (key == kMsInfo && !data.isEmpty()) registry->keys[kMsInfo]["PATH"] = {type, data};
        QString read = "as passed";
        QCOMPARE(about->GetKeyValue(Registry::LocalMachine, key, "PATH", read), result);
        QCOMPARE(read, value);
        QCOMPARE(registry->open, 0);
    }

    void emptyValueRaises() {
        registry->keys[kMsInfo]["PATH"] = {Registry::TypeSz, QByteArray()};
        QString read;
        QVERIFY_THROWS_EXCEPTION(RegistryValueError,
                                 about->GetKeyValue(Registry::LocalMachine, kMsInfo, "PATH", read));
        QCOMPARE(registry->open, 0);
    }

    void startSysInfo_data() {
        QTest::addColumn<QByteArray>("first");   // "PATH" of the first key ("-": absent)
        QTest::addColumn<QByteArray>("second");  // "MSINFO" of the second key ("-": absent)
        QTest::addColumn<bool>("firstOtherType");
        QTest::addColumn<QString>("started");  // empty: the message is shown
        QTest::addColumn<bool>("secondAsked");
        QTest::newRow("first source") << sz("C:\\Info\\info.exe") << sz("C:\\Other") << false
                                      << "C:\\Info\\info.exe" << false;
        QTest::newRow("first fails to start")
            << sz("C:\\Broken.exe") << sz("C:\\Tools") << false << "" << false;
        QTest::newRow("second source")
            << QByteArray("-") << sz("C:\\Tools") << false << "C:\\Tools\\MSINFO32.EXE" << true;
        QTest::newRow("second without the file")
            << QByteArray("-") << sz("C:\\Empty") << false << "" << true;
        QTest::newRow("neither") << QByteArray("-") << QByteArray("-") << false << "" << true;
        QTest::newRow("first of another type")
            << sz("C:\\Info\\info.exe") << sz("C:\\Tools") << true << "" << false;
        QTest::newRow("first empty") << QByteArray() << sz("C:\\Tools") << false << "" << false;
        QTest::newRow("second empty") << QByteArray("-") << QByteArray() << false << "" << true;
    }
    void startSysInfo() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(bool, firstOtherType);
        QFETCH(QString, started);
        QFETCH(bool, secondAsked);
        if (first != "-") {
            registry->keys[kMsInfo]["PATH"] = {
                firstOtherType ? Registry::TypeExpandSz : Registry::TypeSz, first};
        }
        if (second != "-") registry->keys[kLocation]["MSINFO"] = {Registry::TypeSz, second};
        starter->files << "C:\\Tools\\MSINFO32.EXE"
                       << "C:\\Info\\info.exe";
        starter->broken << "C:\\Broken.exe";
        starter->onPath["hardinfo"] = "/usr/bin/hardinfo";  // not used while there is a registry

        about->cmdSysInfo->click();

        QCOMPARE(starter->started, started.isEmpty() ? QStringList() : QStringList{started});
        QCOMPARE(registry->asked.contains(kLocation), secondAsked);
        QCOMPARE(registry->open, 0);
        if (started.isEmpty()) {
            QCOMPARE(dialogs.messages.size(), 1);
            QCOMPARE(dialogs.messages[0].text,
                     QString("System Information Is Unavailable At This Time"));
            QCOMPARE(dialogs.messages[0].style, 0);
            QCOMPARE(dialogs.messages[0].title, QString("Quillo"));
        } else {
            QVERIFY(dialogs.messages.isEmpty());
        }
    }

    void withoutRegistry_data() {
        QTest::addColumn<QStringList>("found");  // tools on the path
        QTest::addColumn<QStringList>("broken");
        QTest::addColumn<QString>("started");
        QTest::newRow("none") << QStringList() << QStringList() << "";
        QTest::newRow("first of the list")
            << QStringList{"kinfocenter", "hardinfo"} << QStringList() << "/bin/hardinfo";
        QTest::newRow("later one")
            << QStringList{"gnome-system-monitor"} << QStringList() << "/bin/gnome-system-monitor";
        QTest::newRow("first will not start") << QStringList{"hardinfo", "kinfocenter"}
                                              << QStringList{"/bin/hardinfo"} << "/bin/kinfocenter";
        QTest::newRow("only one, broken")
            << QStringList{"hardinfo"} << QStringList{"/bin/hardinfo"} << "";
    }
    void withoutRegistry() {
        QFETCH(QStringList, found);
        QFETCH(QStringList, broken);
        QFETCH(QString, started);
        about->setRegistry(CreatePlatformRegistry());
        for (const QString& tool : found) starter->onPath[tool] = "/bin/" + tool;
        starter->broken = broken;
        about->StartSysInfo();
        QCOMPARE(starter->started, started.isEmpty() ? QStringList() : QStringList{started});
        QCOMPARE(dialogs.messages.size(), started.isEmpty() ? 1 : 0);
    }

    void platformPieces() {
        // No registry here: keys read as missing.
        auto none = CreatePlatformRegistry();
        QVERIFY(!none->Present());
        about->setRegistry(std::move(none));
        QString read = "kept?";
        QVERIFY(!about->GetKeyValue(Registry::LocalMachine, kMsInfo, "PATH", read));
        QCOMPARE(read, QString());

        auto real = CreateProgramStarter();
        QTemporaryDir dir;
        QFile file(dir.filePath("tool"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(real->FileExists(file.fileName()));
        QVERIFY(!real->FileExists(dir.path()));
        QVERIFY(!real->Start(QString()));
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
