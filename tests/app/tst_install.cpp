// The installed layout: `cmake --install` into a temporary prefix, then what a desktop needs
// from it (menu entry, file type, icons, manual page) and the program finding its readme there.
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include "TestEnvironment.h"
#include "Version.h"
#include "app/Logo.h"
#include "app/frmMain.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& args,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    Run result;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        result.err = process.errorString().toUtf8();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

}  // namespace

class InstallTest : public QObject {
    Q_OBJECT

    QTemporaryDir prefix;
    QString path(const QString& relative) const { return prefix.filePath(relative); }

  private slots:
    void initTestCase() {
        QVERIFY(prefix.isValid());
        const QString cmake = QStandardPaths::findExecutable(QStringLiteral("cmake"));
        QVERIFY2(!cmake.isEmpty(), "cmake is not on the search path");
        const Run install = run(cmake, {"--install", QUILLO_BINARY_DIR, "--prefix", prefix.path()});
        QVERIFY2(install.exitCode == 0, install.err.constData());
    }

    // Exactly these files: nothing missing, and no test programs or build tools installed.
    void layout() {
        QStringList expected = {
            "bin/quillo",
            "bin/quillo-cli",
            "share/quillo/readme.qlo",
            "share/quillo/README.md",
            "share/applications/quillo.desktop",
            "share/mime/packages/quillo.xml",
            "share/icons/hicolor/scalable/apps/quillo.svg",
            "share/man/man1/quillo-cli.1.gz",
        };
        for (int side : kIconSizes) {
            expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/quillo.png").arg(side);
        }
        QStringList found;
        QDirIterator it(prefix.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) found << QDir(prefix.path()).relativeFilePath(it.next());
        expected.sort();
        found.sort();
        QCOMPARE(found, expected);
        for (const char* program : {"bin/quillo", "bin/quillo-cli"}) {
            QVERIFY2(QFileInfo(path(program)).isExecutable(), program);
        }
    }

    void installedProgramsRun() {
        const Run version = run(path("bin/quillo-cli"), {"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out.trimmed(), QByteArray("quillo-cli " QUILLO_VERSION_STRING));
    }

    // No readme beside the installed program: the one in share/quillo is shown on first start.
    void readmeFoundFromInstalledProgram() {
        QVERIFY(!QFile::exists(path("bin/readme.qlo")));
        RichTextBox expected;
        QVERIFY(expected.LoadFile(path("share/quillo/readme.qlo"), RichTextBox::rtfRTF));
        QVERIFY(!expected.Text().isEmpty());

        TestEnvironment env;
        env.services.programFolder = path("bin");
        frmMain* main = env.start();
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(main->ActiveDocument()->txtText->Text(), expected.Text());
        QCOMPARE(env.setting("FirstTime"), QStringLiteral("No"));
    }

    void desktopEntryIsValid() {
        const QString validator =
            QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        QVERIFY2(!validator.isEmpty(),
                 "desktop-file-validate is missing (package desktop-file-utils, "
                 "scripts/ensure-deps.sh installs it)");
        const Run check = run(validator, {path("share/applications/quillo.desktop")});
        QVERIFY2(check.exitCode == 0 && check.out.isEmpty() && check.err.isEmpty(),
                 (check.out + check.err).constData());

        QFile file(path("share/applications/quillo.desktop"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QHash<QString, QString> entry;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const int equals = line.indexOf('=');
            if (equals > 0)
                entry.insert(QString::fromUtf8(line.left(equals)),
                             QString::fromUtf8(line.mid(equals + 1)));
        }
        QCOMPARE(entry.value("Name"), QStringLiteral("Quillo Meridian"));
        QCOMPARE(entry.value("Exec"), QStringLiteral("quillo %f"));
        QVERIFY(QFileInfo::exists(path("bin/") + entry.value("Exec").section(' ', 0, 0)));
        QCOMPARE(entry.value("MimeType").split(';', Qt::SkipEmptyParts),
                 QStringList({"text/plain", "text/html", "text/rtf", "application/rtf",
                              "application/x-quillo-document"}));
        // The icon named is the one installed.
        const QString icon = entry.value("Icon");
        QVERIFY(QFileInfo::exists(path("share/icons/hicolor/48x48/apps/") + icon + ".png"));
    }

    // The file type of our own is defined for *.qlo and is understood by the MIME database tool.
    void documentTypeIsDefined() {
        QFile file(path("share/mime/packages/quillo.xml"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString type, glob, parent;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) continue;
            if (xml.name() == QLatin1String("mime-type"))
                type = xml.attributes().value("type").toString();
            if (xml.name() == QLatin1String("glob"))
                glob = xml.attributes().value("pattern").toString();
            if (xml.name() == QLatin1String("sub-class-of")) {
                parent = xml.attributes().value("type").toString();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(type, QStringLiteral("application/x-quillo-document"));
        QCOMPARE(glob, QStringLiteral("*.qlo"));
        QCOMPARE(parent, QStringLiteral("application/rtf"));

        const QString updater =
            QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (updater.isEmpty()) QSKIP("update-mime-database is not installed");
        QTemporaryDir data;
        QVERIFY(QDir().mkpath(data.filePath("mime/packages")));
        QVERIFY(QFile::copy(file.fileName(), data.filePath("mime/packages/quillo.xml")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), data.path());
        const Run update = run(updater, {data.filePath("mime")}, environment);
        QVERIFY2(update.exitCode == 0 && update.err.isEmpty(), update.err.constData());
        QVERIFY(QFile::exists(data.filePath("mime/application/x-quillo-document.xml")));
    }

    // The PNG icons are the program's own picture at each size.
    void iconsArePainted_data() {
        QTest::addColumn<int>("side");
        for (int side : kIconSizes) QTest::addRow("%d", side) << side;
    }
    void iconsArePainted() {
        QFETCH(int, side);
        const QImage icon(
            path(QStringLiteral("share/icons/hicolor/%1x%1/apps/quillo.png").arg(side)));
        QCOMPARE(icon.size(), QSize(side, side));
        const QImage painted = Logo::picture(QSize(side, side)).toImage();
        QCOMPARE(icon.convertToFormat(QImage::Format_ARGB32),
                 painted.convertToFormat(QImage::Format_ARGB32));
    }

    void scalableIconIsSvg() {
        QFile file(path("share/icons/hicolor/scalable/apps/quillo.svg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.name(), QLatin1String("svg"));
        QVERIFY(!xml.attributes().value("viewBox").isEmpty());
        while (!xml.atEnd()) xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    }

    // The manual page describes every command and option that `quillo-cli --help` lists.
    void manualPageMatchesHelp() {
        const Run page =
            run(QStringLiteral("gzip"), {"-dc", path("share/man/man1/quillo-cli.1.gz")});
        QCOMPARE(page.exitCode, 0);
        const QString roff = QString::fromUtf8(page.out);
        QVERIFY(roff.startsWith(QStringLiteral(".TH QUILLO-CLI 1 ")));
        QVERIFY(roff.contains(QStringLiteral(QUILLO_VERSION_STRING)));
        // In roff a hyphen in an option is written "\-".
        QString plain = roff;
        plain.replace(QStringLiteral("\\-"), QStringLiteral("-"));

        const Run help = run(path("bin/quillo-cli"), {"--help"});
        QCOMPARE(help.exitCode, 0);
        QStringList listed;
        for (const QString& line : QString::fromUtf8(help.out).split('\n')) {
            // "  strip [-o OUT] [FILE]  Strip ...", "  --help  Show ...".
            if (!line.startsWith(QStringLiteral("  ")) || line.at(2).isSpace()) continue;
            listed << line.trimmed().section(' ', 0, 0);
        }
        QCOMPARE(listed, QStringList({"strip", "decode", "convert", "--help", "--version"}));
        for (const QString& item : listed) {
            QVERIFY2(plain.contains(QStringLiteral("\\fB") + item) ||
                         plain.contains(QStringLiteral(".B ") + item) ||
                         plain.contains(QStringLiteral(".BR ") + item) ||
                         plain.contains(QStringLiteral(".BI ") + item + ' '),
                     qPrintable(item));
        }
        for (const char* status : {".B 0", ".B 1", ".B 2"})
            QVERIFY2(plain.contains(status), status);
    }
};

QTEST_MAIN(InstallTest)
#include "tst_install.moc"
