// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/core/ProgramStarter.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

class ProcessStarter : public ProgramStarter {
  public:
    bool Start(const QString& path) override {
        if (path.isEmpty()) return false;
        return QProcess::startDetached(path, QStringList());
    }
    bool FileExists(const QString& path) override { return QFileInfo(path).isFile(); }
    QString FindOnPath(const QString& name) override {
        return QStandardPaths::findExecutable(name);
    }
};

}  // namespace

std::unique_ptr<ProgramStarter> CreateProgramStarter() {
    return std::make_unique<ProcessStarter>();
}
