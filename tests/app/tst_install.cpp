// SPDX-License-Identifier: GPL-3.0-or-later
// The installed layout: `cmake --install` into a temporary prefix, then what a desktop and a
// distribution need from it (menu entry, file type, software-centre data, icons, manual pages,
// licence and changelog), checked by their own validators, and the Debian package by lintian.
#include <QDirIterator>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include "ChildProcess.h"
#include "TestEnvironment.h"
#include "Version.h"
#include "app/frmMain.h"
#include "common/Logo.h"
#include "document/RichTextBox.h"
#include "document/frmDocument.h"

namespace {

const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
const QString kAppId = QStringLiteral("org.example.quillo");
const QString kSourceDir = QStringLiteral(QUILLO_TEST_DATA "/../..");

using Run = ChildRun;

Run run(const QString& program, const QStringList& args,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    ChildOptions options;
    options.environment = environment;
    options.timeoutMs = 300000;
    return runChild(program, args, options);
}

QString tool(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

QStringList desktopEntryValues(const QString& path, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key.toUtf8() + '='))
            return QString::fromUtf8(line.mid(key.size() + 1)).split(';', Qt::SkipEmptyParts);
    }
    return {};
}

QStringList metainfoMediaTypes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QXmlStreamReader xml(&file);
    QStringList types;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("mediatype"))
            types << xml.readElementText();
    }
    return types;
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

    // Both programs and the icon at every size a desktop asks for; no test or benchmark
    // program slips into bin/.
    void programsAndIconsInstalled() {
        QCOMPARE(QDir(path("bin")).entryList(QDir::Files, QDir::Name),
                 QStringList({"quillo", "quillo-cli"}));
        for (const char* program : {"bin/quillo", "bin/quillo-cli"})
            QVERIFY2(QFileInfo(path(program)).isExecutable(), program);
        for (int side : kIconSizes) {
            const QImage icon(
                path(QStringLiteral("share/icons/hicolor/%1x%1/apps/quillo.png").arg(side)));
            QCOMPARE(icon.size(), QSize(side, side));
        }
        QFile svg(path("share/icons/hicolor/scalable/apps/quillo.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&svg);
        QVERIFY(xml.readNextStartElement() && xml.name() == QLatin1String("svg"));
        while (!xml.atEnd()) xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
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

    // The desktop entry and the metainfo pass their validators and agree with each other and
    // with what is installed.
    void desktopIntegrationValidates() {
        const QString desktop = path("share/applications/" + kAppId + ".desktop");
        const QString metainfo = path("share/metainfo/" + kAppId + ".metainfo.xml");
        const QString desktopValidator = tool("desktop-file-validate");
        const QString appstream = tool("appstreamcli");
        QVERIFY2(!desktopValidator.isEmpty() && !appstream.isEmpty(),
                 "desktop-file-validate or appstreamcli is missing (scripts/ensure-deps.sh "
                 "installs desktop-file-utils and appstream)");
        const QList<QPair<QString, QStringList>> checks = {
            {desktopValidator, {desktop}},
            {appstream, {"validate", "--no-net", "--pedantic", metainfo}},
            // The whole tree: the metainfo's id finds its desktop entry.
            {appstream, {"validate-tree", "--no-net", prefix.path()}},
        };
        for (const auto& [program, args] : checks) {
            const Run check = run(program, args);
            QVERIFY2(check.exitCode == 0, (args.join(' ') + '\n' + check.out + check.err).toUtf8());
        }
        QCOMPARE(metainfoMediaTypes(metainfo), desktopEntryValues(desktop, "MimeType"));

        const QStringList exec = desktopEntryValues(desktop, "Exec");
        QCOMPARE(exec.size(), 1);
        QVERIFY(QFileInfo(path("bin/") + exec.first().section(' ', 0, 0)).isExecutable());
        const QStringList icon = desktopEntryValues(desktop, "Icon");
        QCOMPARE(icon.size(), 1);
        QVERIFY(QFileInfo::exists(path("share/icons/hicolor/48x48/apps/") + icon.first() + ".png"));
    }

    // The MIME database tool takes our file type and maps *.qlo to it.
    void documentTypeIsDefined() {
        const QString updater = tool("update-mime-database");
        if (updater.isEmpty()) QSKIP("update-mime-database is not installed");
        QTemporaryDir data;
        QVERIFY(QDir().mkpath(data.filePath("mime/packages")));
        QVERIFY(QFile::copy(path("share/mime/packages/quillo.xml"),
                            data.filePath("mime/packages/quillo.xml")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), data.path());
        const Run update = run(updater, {data.filePath("mime")}, environment);
        QVERIFY2(update.exitCode == 0 && update.err.isEmpty(), update.err.constData());
        QFile globs(data.filePath("mime/globs2"));
        QVERIFY(globs.open(QIODevice::ReadOnly));
        QVERIFY(globs.readAll().contains(":application/x-quillo-document:*.qlo"));
    }

    // The changelog is one dpkg can read, at the project's version, and compressed without a
    // name or time stamp so that every build gives the same bytes.
    void changelogIsDebianAndReproducible() {
        QFile file(path("share/doc/quillo/changelog.gz"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(10);
        QCOMPARE(header.left(3), QByteArray("\x1f\x8b\x08"));
        QCOMPARE(header.mid(3, 5), QByteArray(5, '\0'));  // no flags (no name), no time

        QTemporaryDir unpacked;
        const Run text = run(QStringLiteral("gzip"), {"-dc", file.fileName()});
        QCOMPARE(text.exitCode, 0);
        QFile changelog(unpacked.filePath("changelog"));
        QVERIFY(changelog.open(QIODevice::WriteOnly) &&
                changelog.write(text.out) == text.out.size());
        changelog.close();
        const QString parser = tool("dpkg-parsechangelog");
        if (parser.isEmpty()) QSKIP("dpkg-parsechangelog is not installed (package dpkg-dev)");
        const Run parsed = run(parser, {"-l", changelog.fileName(), "-S", "Version"});
        QVERIFY2(parsed.exitCode == 0 && parsed.err.isEmpty(), parsed.err.constData());
        QCOMPARE(parsed.out.trimmed(), QByteArray(QUILLO_VERSION_STRING));
    }

    // What a distribution's reviewer runs on the package: no errors, no warnings.
    void packagePassesLintian() {
        const QString lintian = tool("lintian");
        if (lintian.isEmpty()) QSKIP("lintian is not installed");
        const QString cpack = tool("cpack");
        QVERIFY(!cpack.isEmpty());
        QTemporaryDir output;
        const Run pack = run(cpack, {"-G", "DEB", "-B", output.path(), "--config",
                                     QUILLO_BINARY_DIR "/CPackConfig.cmake"});
        QVERIFY2(pack.exitCode == 0, (pack.out + pack.err).constData());
        const QStringList debs = QDir(output.path()).entryList({"*.deb"});
        QCOMPARE(debs.size(), 1);
        const Run check =
            run(lintian, {"--fail-on", "error,warning", output.filePath(debs.first())});
        QVERIFY2(check.exitCode == 0 && check.out.trimmed().isEmpty(),
                 (check.out + check.err).constData());
    }

    // Every source file names its licence.
    void sourcesCarryLicence() {
        const Run check =
            run(QStringLiteral("bash"), {kSourceDir + "/scripts/add-spdx.sh", "--check"});
        QVERIFY2(check.exitCode == 0, (check.out + check.err).constData());
    }

    // The manual page describes every command and option that `quillo-cli --help` lists.
    void manualPageMatchesHelp() {
        const Run page =
            run(QStringLiteral("gzip"), {"-dc", path("share/man/man1/quillo-cli.1.gz")});
        QCOMPARE(page.exitCode, 0);
        const QString roff = QString::fromUtf8(page.out);
        QVERIFY(roff.contains(QStringLiteral("\n.TH QUILLO-CLI 1 ")));
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
