// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

// Starting another program and the file tests that come with it.
class ProgramStarter {
  public:
    virtual ~ProgramStarter() = default;

    // Starts the program at `path` in a normal, focused window, without waiting for it; false
    // when it cannot be started.
    virtual bool Start(const QString& path) = 0;
    virtual bool FileExists(const QString& path) = 0;
    // The full path of the program `name` on the search path, or empty.
    virtual QString FindOnPath(const QString& name) = 0;
};

std::unique_ptr<ProgramStarter> CreateProgramStarter();
