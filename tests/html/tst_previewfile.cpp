// SPDX-License-Identifier: GPL-3.0-or-later
// The preview page holds the user's text: it is written into a folder of the user's own, only
// the user may read it, and a link planted in its place is never followed.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "TestHelpers.h"
#include "html/PreviewCommand.h"

class TestPreviewFile : public QObject {
    Q_OBJECT

  private slots:
    void privateFolderAndFile() {
        QTemporaryDir home;
        QVERIFY(QFile::setPermissions(home.path(), QFile::Permissions(0x7755)));
        const QString path = PreviewCommand::PreviewPath(home.filePath("cache/quillo"));
        QString error;
        QVERIFY2(PreviewCommand::WritePreview(path, "<p>secret</p>", &error), qPrintable(error));
        QCOMPARE(readBytes(path), QByteArray("\xEF\xBB\xBF<p>secret</p>"));
        QCOMPARE(modeOf(path), 0600);
        QCOMPARE(modeOf(home.filePath("cache/quillo")), 0700);

        // A folder left open to others is closed again.
        QVERIFY(QFile::setPermissions(home.filePath("cache/quillo"), QFile::Permissions(0x7755)));
        QVERIFY(PreviewCommand::WritePreview(path, "again", &error));
        QCOMPARE(modeOf(home.filePath("cache/quillo")), 0700);
    }

    void plantedLinksAreNotFollowed() {
        QTemporaryDir dir;
        const QString victim = dir.filePath("victim.txt");
        QFile(victim).open(QIODevice::WriteOnly);
        QFile::setPermissions(victim, QFile::Permissions(0x6644));

        QVERIFY(QDir(dir.path()).mkdir("preview"));
        const QString path = PreviewCommand::PreviewPath(dir.filePath("preview"));
        QVERIFY(QFile::link(victim, path));
        QString error;
        QVERIFY2(PreviewCommand::WritePreview(path, "text", &error), qPrintable(error));
        QCOMPARE(readBytes(victim), QByteArray());
        QVERIFY(!QFileInfo(path).isSymLink());
        QCOMPARE(modeOf(path), 0600);

        // The folder itself a link: refused.
        QVERIFY(QFile::link(dir.filePath("preview"), dir.filePath("linked")));
        QVERIFY(!PreviewCommand::WritePreview(PreviewCommand::PreviewPath(dir.filePath("linked")),
                                              "text", &error));
        QCOMPARE(error, QStringLiteral("It is a symbolic link or not a folder."));
    }

    void runtimeFolderFirst() {
        QTemporaryDir runtime;  // 0700 and the user's own, as a session's runtime folder is
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        QCOMPARE(PreviewCommand::PreviewFolder(QString()), runtime.filePath("quillo"));
        QVERIFY(QFile::setPermissions(runtime.path(), QFile::Permissions(0x7755)));
        QCOMPARE(
            PreviewCommand::PreviewFolder(QString()),
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/quillo");
        QCOMPARE(PreviewCommand::PreviewFolder("/configured"), QStringLiteral("/configured"));
    }
};

QTEST_GUILESS_MAIN(TestPreviewFile)
#include "tst_previewfile.moc"
