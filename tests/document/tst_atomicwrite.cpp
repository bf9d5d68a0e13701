// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "TestHelpers.h"
#include "document/core/DocumentFileIO.h"

namespace {

constexpr uid_t kNobody = 65534;

// Permission checks do not apply to root, which the test runs as on CI: for as long as this
// lives, the process acts as user "nobody".
class AsNobody {
  public:
    AsNobody() {
        if (::geteuid() != 0) return;
        if (::setegid(kNobody) != 0) return;
        if (::seteuid(kNobody) != 0) {
            ::setegid(0);
            return;
        }
        switched_ = true;
    }
    ~AsNobody() {
        if (!switched_) return;
        if (::seteuid(0) != 0 || ::setegid(0) != 0) qFatal("cannot return to root");
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

    // Whether permissions are enforced now (not root).
    bool restricted() const { return ::geteuid() != 0; }

  private:
    bool switched_ = false;
};

bool put(const QString& path, const QByteArray& bytes, mode_t mode = 0644) {
    return writeBytes(path, bytes) && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

struct stat statOf(const QString& path) {
    struct stat st = {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

bool giveToNobody(const QString& path) {
    return ::chown(QFile::encodeName(path).constData(), kNobody, kNobody) == 0;
}

}  // namespace

class TestAtomicWrite : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void createsAndReplaces();
    void followsSymbolicLinks();
    void writesHardLinksInPlace();
    void readOnlyFolder();
    void readOnlyFileInWritableFolder();
    void longestName();
    void keepsAnotherUsersOwnership();
    void extendedAttributesWriteInPlace();
    void badPaths();
    void readFile();

  private:
    QString path(const QString& name) const { return dir_->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestAtomicWrite::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    // Reachable by "nobody" for the permission cases.
    QCOMPARE(::chmod(QFile::encodeName(dir_->path()).constData(), 0755), 0);
}

void TestAtomicWrite::cleanup() {
    // Read-only folders would keep their files from being removed.
    for (const QFileInfo& info :
         QDir(dir_->path()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        ::chmod(QFile::encodeName(info.filePath()).constData(), 0755);
    }
    dir_.reset();
}

void TestAtomicWrite::createsAndReplaces() {
    const QString file = path(QStringLiteral("doc.txt"));
    QString error;
    QVERIFY2(DocumentFileIO::writeFile(file, "first", &error), qPrintable(error));
    QCOMPARE(readBytes(file), QByteArray("first"));

    const ino_t before = statOf(file).st_ino;
    QVERIFY2(DocumentFileIO::writeFile(file, "second, longer", &error), qPrintable(error));
    QCOMPARE(readBytes(file), QByteArray("second, longer"));
    // Replaced by renaming a new file over it, which leaves nothing else behind.
    QVERIFY(statOf(file).st_ino != before);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"doc.txt"});

    QVERIFY(DocumentFileIO::writeFile(file, QByteArray(), &error));
    QCOMPARE(QFileInfo(file).size(), 0);
}

void TestAtomicWrite::followsSymbolicLinks() {
    QDir(dir_->path()).mkdir(QStringLiteral("real"));
    const QString target = path(QStringLiteral("real/target.txt"));
    QVERIFY(put(target, "old", 0640));
    const QString link = path(QStringLiteral("link.txt"));
    const QString chain = path(QStringLiteral("chain.txt"));
    QVERIFY(QFile::link(QStringLiteral("real/target.txt"), link));  // relative
    QVERIFY(QFile::link(link, chain));

    QString error;
    QVERIFY2(DocumentFileIO::writeFile(chain, "through two links", &error), qPrintable(error));
    QVERIFY(QFileInfo(chain).isSymLink());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readBytes(target), QByteArray("through two links"));
    QCOMPARE(statOf(target).st_mode & 07777, mode_t(0640));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);

    // A link to a file that does not exist yet creates the file, not a new link.
    const QString dangling = path(QStringLiteral("dangling.txt"));
    QVERIFY(QFile::link(path(QStringLiteral("real/later.txt")), dangling));
    QVERIFY2(DocumentFileIO::writeFile(dangling, "created", &error), qPrintable(error));
    QVERIFY(QFileInfo(dangling).isSymLink());
    QCOMPARE(readBytes(path(QStringLiteral("real/later.txt"))), QByteArray("created"));

    // A loop of links is an error, not a hang.
    QVERIFY(QFile::link(path(QStringLiteral("loop2")), path(QStringLiteral("loop1"))));
    QVERIFY(QFile::link(path(QStringLiteral("loop1")), path(QStringLiteral("loop2"))));
    QVERIFY(!DocumentFileIO::writeFile(path(QStringLiteral("loop1")), "x", &error));
    QVERIFY(!error.isEmpty());
}

void TestAtomicWrite::writesHardLinksInPlace() {
    const QString first = path(QStringLiteral("first.txt"));
    const QString second = path(QStringLiteral("second.txt"));
    QVERIFY(put(first, "shared old content that is long"));
    QCOMPARE(::link(QFile::encodeName(first).constData(), QFile::encodeName(second).constData()),
             0);
    const ino_t inode = statOf(first).st_ino;

    QString error;
    QVERIFY2(DocumentFileIO::writeFile(second, "short", &error), qPrintable(error));
    QCOMPARE(readBytes(first), QByteArray("short"));
    QCOMPARE(readBytes(second), QByteArray("short"));
    QCOMPARE(statOf(second).st_ino, inode);
    QCOMPARE(statOf(first).st_nlink, nlink_t(2));

    QVERIFY2(DocumentFileIO::writeFile(first, QByteArray(5000, 'x'), &error), qPrintable(error));
    QCOMPARE(readBytes(second), QByteArray(5000, 'x'));
}

void TestAtomicWrite::readOnlyFolder() {
    const QString folder = path(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(folder));
    const QString writable = folder + QStringLiteral("/writable.txt");
    const QString readOnly = folder + QStringLiteral("/readonly.txt");
    QVERIFY(put(writable, "old writable"));
    QVERIFY(put(readOnly, "old read-only", 0444));
    QVERIFY(giveToNobody(writable));
    QVERIFY(giveToNobody(readOnly));
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    const ino_t inode = statOf(writable).st_ino;

    AsNobody nobody;
    if (!nobody.restricted()) QSKIP("permissions are not enforced for this user");
    QString error;

    // A new file cannot be made there.
    const QString fresh = folder + QStringLiteral("/new.txt");
    QVERIFY(!DocumentFileIO::writeFile(fresh, "new", &error));
    QCOMPARE(error, QStringLiteral("Permission denied"));
    QVERIFY(!QFileInfo::exists(fresh));

    // A read-only file stays as it was.
    error.clear();
    QVERIFY(!DocumentFileIO::writeFile(readOnly, "new", &error));
    QCOMPARE(error, QStringLiteral("Permission denied"));
    QCOMPARE(readBytes(readOnly), QByteArray("old read-only"));

    // A writable file is written in place, since no temporary file can be made beside it.
    QVERIFY2(DocumentFileIO::writeFile(writable, "new", &error), qPrintable(error));
    QCOMPARE(readBytes(writable), QByteArray("new"));
    QCOMPARE(statOf(writable).st_ino, inode);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestAtomicWrite::readOnlyFileInWritableFolder() {
    const QString file = path(QStringLiteral("protected.txt"));
    QVERIFY(put(file, "keep me", 0444));
    QVERIFY(giveToNobody(file));
    QCOMPARE(::chown(QFile::encodeName(dir_->path()).constData(), kNobody, kNobody), 0);

    AsNobody nobody;
    if (!nobody.restricted()) QSKIP("permissions are not enforced for this user");
    // Renaming over it would work, but a read-only file is not to be replaced.
    QString error;
    QVERIFY(!DocumentFileIO::writeFile(file, "changed", &error));
    QCOMPARE(error, QStringLiteral("Permission denied"));
    QCOMPARE(readBytes(file), QByteArray("keep me"));
}

void TestAtomicWrite::longestName() {
    // The temporary name must fit where the target's name just fits.
    const QString file = path(QString(255, QLatin1Char('n')));
    QString error;
    QVERIFY2(DocumentFileIO::writeFile(file, "first", &error), qPrintable(error));
    QVERIFY2(DocumentFileIO::writeFile(file, "second", &error), qPrintable(error));
    QCOMPARE(readBytes(file), QByteArray("second"));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestAtomicWrite::keepsAnotherUsersOwnership() {
    if (::geteuid() != 0) QSKIP("only root can save a file that another user owns");
    const QString file = path(QStringLiteral("theirs.txt"));
    QVERIFY(put(file, "old", 0640));
    QVERIFY(giveToNobody(file));
    QString error;
    QVERIFY2(DocumentFileIO::writeFile(file, "new", &error), qPrintable(error));
    QCOMPARE(readBytes(file), QByteArray("new"));
    const struct stat st = statOf(file);
    QCOMPARE(st.st_uid, kNobody);
    QCOMPARE(st.st_gid, gid_t(kNobody));
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
}

void TestAtomicWrite::extendedAttributesWriteInPlace() {
    const QString file = path(QStringLiteral("tagged.txt"));
    QVERIFY(put(file, "old"));
    const QByteArray native = QFile::encodeName(file);
    if (::setxattr(native.constData(), "user.origin", "web", 3, 0) != 0)
        QSKIP("this file system keeps no extended attributes");
    const ino_t inode = statOf(file).st_ino;
    QString error;
    QVERIFY2(DocumentFileIO::writeFile(file, "new and longer", &error), qPrintable(error));
    QCOMPARE(readBytes(file), QByteArray("new and longer"));
    // A new file would not have carried the attribute over.
    QCOMPARE(statOf(file).st_ino, inode);
    char value[8] = {};
    QCOMPARE(::getxattr(native.constData(), "user.origin", value, sizeof value), ssize_t(3));
}

void TestAtomicWrite::badPaths() {
    QString error;
    QVERIFY(!DocumentFileIO::writeFile(path(QStringLiteral("missing/doc.txt")), "x", &error));
    QCOMPARE(error, QStringLiteral("The folder does not exist."));

    QVERIFY(QDir().mkdir(path(QStringLiteral("folder"))));
    QVERIFY(!DocumentFileIO::writeFile(path(QStringLiteral("folder")), "x", &error));
    QCOMPARE(error, QStringLiteral("It is a folder, not a file."));

    QVERIFY(!DocumentFileIO::writeFile(QString(), "x", &error));
    QVERIFY(!error.isEmpty());
}

void TestAtomicWrite::readFile() {
    const QString file = path(QStringLiteral("read.txt"));
    QVERIFY(put(file, "content"));
    QByteArray bytes;
    QString error;
    QVERIFY(DocumentFileIO::readFile(file, &bytes, &error));
    QCOMPARE(bytes, QByteArray("content"));

    QVERIFY(!DocumentFileIO::readFile(path(QStringLiteral("none.txt")), &bytes, &error));
    QCOMPARE(error, QStringLiteral("The file does not exist."));
    QVERIFY(!DocumentFileIO::readFile(dir_->path(), &bytes, &error));
    QCOMPARE(error, QStringLiteral("It is a folder, not a file."));
    QVERIFY(!DocumentFileIO::readFile(QStringLiteral("/dev/zero"), &bytes, &error));
    QCOMPARE(error, QStringLiteral("It is not a regular file."));

    QVERIFY(put(file, QByteArray(3 * 1024 * 1024, 'a')));
    QVERIFY(!DocumentFileIO::readFile(file, &bytes, &error, 2 * 1024 * 1024));
    QCOMPARE(error, QStringLiteral("The file is too large (3.0 MB; at most 2 MB can be opened)."));
    QVERIFY(DocumentFileIO::readFile(file, &bytes, &error, 3 * 1024 * 1024));
    QCOMPARE(bytes.size(), 3 * 1024 * 1024);

    QVERIFY(put(file, "secret", 0000));
    AsNobody nobody;
    if (!nobody.restricted()) QSKIP("permissions are not enforced for this user");
    QVERIFY(!DocumentFileIO::readFile(file, &bytes, &error));
    QCOMPARE(error, QStringLiteral("Permission denied"));
}

QTEST_GUILESS_MAIN(TestAtomicWrite)
#include "tst_atomicwrite.moc"
